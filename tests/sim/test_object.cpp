// The balance model against the figures the vehicle is known to show.
#include "sim/object.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
object model;

// One frame with the up arrow (+0.01) or down arrow (-0.01) held: the push is a double added to
// the float tilt, then the two half-steps in the ride step's order.
float heldPair(double push, float* speed = nullptr) {
    theta = static_cast<float>(theta + push);
    const float degrees = model.bend();
    const float v = model.move();
    if (speed)
        *speed = v;
    return degrees;
}

class Balance : public ::testing::Test {
  protected:
    void SetUp() override { model.resetAll(); }
};

TEST_F(Balance, RestStaysExactlyAtRest) {
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(model.bend(), 0.0f);
        EXPECT_EQ(model.move(), 0.0f);
    }
    EXPECT_EQ(theta, 0.0f);
    EXPECT_EQ(vel, 0.0f);
    EXPECT_EQ(acc, 0.0f);
}

TEST_F(Balance, OneFrameNudgeMatchesTheCoefficients) {
    theta = 0.01f;
    const float degrees = model.bend();
    // thetaAcc = -9.320430 * 0.01 with both controller terms; thetaVel = thetaAcc * dt.
    const double thetaVel = (theta - 0.01) / 0.01;
    EXPECT_NEAR(thetaVel, -0.0009320, 2e-7);
    EXPECT_NEAR(theta, 0.009991, 1e-6);
    EXPECT_NEAR(degrees, 0.5724, 1e-4);
    const float speed = model.move();
    EXPECT_NEAR(acc, 0.1858, 1e-4);
    EXPECT_NEAR(speed, 0.001858, 1e-6);
    EXPECT_EQ(speed, vel);

    for (int i = 0; i < 2000; ++i)
        heldPair(0.0);
    EXPECT_NEAR(theta, 0.0f, 1e-7);
    EXPECT_NEAR(vel, 0.0f, 1e-6);
}

TEST_F(Balance, Reset_ClearsStateButNotGains) {
    heldPair(0.3);
    model.resetAll();
    EXPECT_EQ(theta, 0.0f);
    EXPECT_EQ(vel, 0.0f);
    EXPECT_EQ(acc, 0.0f);
    EXPECT_EQ(model.bend(), 0.0f); // thetaVel and pos were cleared too
    EXPECT_EQ(model.move(), 0.0f);
    EXPECT_FLOAT_EQ(L3, -1126.7f);
}

TEST_F(Balance, HeldUpArrowPeaksThenCruises) {
    float peak = 0, peakSpeed = 0;
    int peakPair = 0;
    float speed = 0;
    for (int pair = 1; pair <= 3000; ++pair) {
        const float degrees = heldPair(0.01, &speed);
        if (degrees > peak) {
            peak = degrees;
            peakPair = pair;
        }
        peakSpeed = std::max(peakSpeed, speed);
    }
    EXPECT_EQ(peakPair, 88);
    EXPECT_NEAR(peak, 26.3, 0.05);
    EXPECT_NEAR(peakSpeed, 8.18, 0.005);
    EXPECT_NEAR(speed, 7.890, 0.0005);
    EXPECT_NEAR(theta, 0.04916, 0.000005);
    // The tilt rate settles at -1, which takes back exactly the 0.01 pushed on each frame.
    const float before = theta;
    heldPair(0.01);
    EXPECT_EQ(theta, before);
}

TEST_F(Balance, HeldDownArrowIsTheMirrorImage) {
    float up[400], down[400];
    for (float& d : up)
        d = heldPair(0.01);
    model.resetAll();
    for (float& d : down)
        d = heldPair(-0.01);
    for (int i = 0; i < 400; ++i)
        ASSERT_EQ(up[i], -down[i]) << "pair " << i + 1;
}

TEST_F(Balance, ControllerCatches30DegreesButNotBeyond) {
    theta = 0.52f;
    for (int i = 0; i < 3000; ++i)
        heldPair(0.0);
    EXPECT_NEAR(theta, 0.0f, 1e-6);
    EXPECT_NEAR(vel, 0.0f, 1e-5);

    model.resetAll();
    theta = 0.53f;
    int fallPair = 0;
    for (int pair = 1; pair <= 100 && !fallPair; ++pair)
        if (heldPair(0.0) >= 90)
            fallPair = pair;
    EXPECT_EQ(fallPair, 30);
}

TEST_F(Balance, LimitsAreStrict) {
    // Exactly at 30 degrees the tilt gets no controller term: the uncontrolled tilt only grows.
    theta = 0.5235988f;
    model.bend();
    EXPECT_GT(theta, 0.5235988f);

    // Exactly at 45 degrees the cart gets no controller term: acc is the open-loop value.
    model.resetAll();
    theta = 0.7853982f;
    model.move();
    EXPECT_NEAR(acc, -29.85652 * 0.7853982, 1e-4);
    // Just inside, the controller term is there and the cart is driven forwards.
    model.resetAll();
    theta = 0.785398f;
    model.move();
    EXPECT_NEAR(acc, 19.13043 * 0.785398, 1e-3);
}

} // namespace

namespace {
// Golden bits of the held up-arrow run: float-only arithmetic, or state kept in double, or the
// mass ratio left unrounded each end a few ulps away from these after 150 frames.
TEST_F(Balance, StateIsFloatWithWideArithmetic) {
    for (int i = 0; i < 150; ++i)
        heldPair(0.01);
    EXPECT_EQ(theta, 0x1.680236p-2f);
    EXPECT_EQ(vel, 0x1.9609d2p+2f);
}
} // namespace
