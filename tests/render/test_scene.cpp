// The scene's travel and steering: position, heading and wheel angles frame by frame.
#include "render/drawObj.h"
#include "shell/openwindow.h"
#include "sim/InitGL.h"
#include "support/glcontext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {
class Scene : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        newPos[0] = newPos[1] = 0;
        newVVanster = newVHoger = 0;
        vVanster = vHoger = svangRadie = 0;
        hjulrot = 0;
        svangV = svangH = false;
    }
    void frame(float speed, float tilt = 0) {
        glLoadIdentity();
        obj.drawScene(speed, tilt, 0.3f);
    }
    GLContext gl;
};

TEST_F(Scene, StandingStillChangesNothing) {
    for (int i = 0; i < 10; ++i)
        frame(0);
    EXPECT_EQ(newPos[0], 0.0f);
    EXPECT_EQ(newPos[1], 0.0f);
    EXPECT_EQ(newVVanster, 0.0f);
    EXPECT_EQ(newVHoger, 0.0f);
}

TEST_F(Scene, ForwardAtHeadingZeroRunsTowardsMinusZ) {
    frame(1);
    EXPECT_EQ(newPos[0], 0.0f);
    EXPECT_FLOAT_EQ(newPos[1], -0.01f);
    EXPECT_FLOAT_EQ(newVVanster, 0.01f / 0.3f);
    EXPECT_FLOAT_EQ(newVHoger, 0.01f / 0.3f);
    frame(1);
    EXPECT_FLOAT_EQ(newPos[1], -0.02f);
}

TEST_F(Scene, HeadingNinetyRunsTowardsPlusX) {
    hjulrot = 90;
    frame(1);
    EXPECT_FLOAT_EQ(newPos[0], 0.01f);
    EXPECT_NEAR(newPos[1], 0.0f, 1e-9);
    hjulrot = -90;
    frame(1);
    EXPECT_NEAR(newPos[0], 0.0f, 1e-9);
}

TEST_F(Scene, LeftTurnFigures) {
    svangV = true;
    frame(5);
    EXPECT_EQ(svangRadie, 2.0f);
    EXPECT_FLOAT_EQ(hjulrot, -1.1459155f);
    EXPECT_EQ(vVanster, 4.0f);
    EXPECT_EQ(vHoger, 6.0f);

    hjulrot = 0;
    frame(-5);
    EXPECT_EQ(svangRadie, 0.0f);
    EXPECT_FLOAT_EQ(hjulrot, 5.7295775f);
    EXPECT_EQ(vVanster, 0.0f);
    EXPECT_EQ(vHoger, -10.0f);
}

TEST_F(Scene, RightTurnMirrorsAndLeftWinsWhenBothAreHeld) {
    svangH = true;
    frame(5);
    EXPECT_FLOAT_EQ(hjulrot, 1.1459155f);
    EXPECT_EQ(vHoger, 4.0f);
    EXPECT_EQ(vVanster, 6.0f);

    hjulrot = 0;
    svangV = true;
    frame(5);
    EXPECT_FLOAT_EQ(hjulrot, -1.1459155f);
    EXPECT_EQ(vVanster, 4.0f);
}

TEST_F(Scene, StoppedVehicleDoesNotTurn) {
    svangV = true;
    hjulrot = 30;
    frame(0);
    EXPECT_EQ(hjulrot, 30.0f);
    EXPECT_EQ(svangRadie, 1.0f);
}

TEST_F(Scene, HeadingAndWheelsWrapToExactlyZero) {
    svangH = true;
    hjulrot = 359.5f;
    frame(5); // +1.1459 passes 360
    EXPECT_EQ(hjulrot, 0.0f);

    svangV = true;
    hjulrot = -359.5f;
    frame(5);
    EXPECT_EQ(hjulrot, 0.0f);

    svangV = svangH = false;
    newVVanster = newVHoger = 6.28f;
    frame(1); // +0.0333 passes 2 pi
    EXPECT_EQ(newVVanster, 0.0f);
    EXPECT_EQ(newVHoger, 0.0f);
    newVHoger = -6.28f;
    frame(-1);
    EXPECT_EQ(newVHoger, 0.0f);
}

} // namespace
