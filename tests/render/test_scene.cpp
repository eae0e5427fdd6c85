// The scene's travel and steering: position, heading and wheel angles frame by frame.
#include "render/drawObj.h"
#include "shell/openwindow.h"
#include "sim/InitGL.h"
#include "support/glcontext.h"

#include <gtest/gtest.h>

namespace {
// Forward at heading 0 runs towards -z; a wheel angle or heading that passes a full turn starts
// again from exactly zero; with both turn keys held the left one wins.
TEST(Scene, TravelsAndWrapsToExactlyZero) {
    GLContext gl;
    ASSERT_TRUE(gl.ok());
    newPos[0] = newPos[1] = hjulrot = 0;
    svangV = svangH = false;
    newVVanster = newVHoger = 6.28f;
    obj.drawScene(1, 0, 0.3f); // the wheels turn by 0.0333
    EXPECT_EQ(newPos[0], 0.0f);
    EXPECT_FLOAT_EQ(newPos[1], -0.01f);
    EXPECT_EQ(newVVanster, 0.0f);
    EXPECT_EQ(newVHoger, 0.0f);

    svangH = true;
    hjulrot = 359.5f;
    obj.drawScene(5, 0, 0.3f); // +1.1459 passes 360
    EXPECT_EQ(hjulrot, 0.0f);
    svangV = true;
    hjulrot = -359.5f;
    obj.drawScene(5, 0, 0.3f);
    EXPECT_EQ(hjulrot, 0.0f);
}
} // namespace
