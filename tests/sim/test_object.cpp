// The balance model against the figures the vehicle is known to show.
#include "sim/object.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {
object model;

// One frame with the up arrow (+0.01) held: the push is a double added to the float tilt, then
// the two half-steps in the ride step's order. Returns the tilt in degrees.
float heldUp() {
    theta = static_cast<float>(theta + 0.01);
    const float degrees = model.bend();
    model.move();
    return degrees;
}

// The gains, the mass ratio and the cart's damping all show in the walk's figures.
TEST(Balance, HeldUpArrowPeaksThenCruises) {
    model.resetAll();
    float peak = 0, peakSpeed = 0;
    int peakPair = 0;
    for (int pair = 1; pair <= 3000; ++pair) {
        const float degrees = heldUp();
        if (degrees > peak) {
            peak = degrees;
            peakPair = pair;
        }
        peakSpeed = std::max(peakSpeed, vel);
        // Float-only arithmetic, or state kept in double, ends a few ulps away from these.
        if (pair == 150) {
            EXPECT_EQ(theta, 0x1.680236p-2f);
            EXPECT_EQ(vel, 0x1.9609d2p+2f);
        }
    }
    EXPECT_EQ(peakPair, 88);
    EXPECT_NEAR(peak, 26.3, 0.05);
    EXPECT_NEAR(peakSpeed, 8.18, 0.005);
    EXPECT_NEAR(vel, 7.890, 0.0005);
    EXPECT_NEAR(theta, 0.04916, 0.000005);
    // The tilt rate settles at -1, which takes back exactly the 0.01 pushed on each frame.
    const float before = theta;
    heldUp();
    EXPECT_EQ(theta, before);
}

TEST(Balance, LimitsAreStrict) {
    // Exactly at 30 degrees the tilt gets no controller term: the uncontrolled tilt only grows.
    model.resetAll();
    theta = 0.5235988f;
    model.bend();
    EXPECT_GT(theta, 0.5235988f);
    // Just inside 45 degrees the cart still gets it, and is driven forwards.
    model.resetAll();
    theta = 0.785398f;
    model.move();
    EXPECT_NEAR(acc, 19.13043 * 0.785398, 1e-3);
}
} // namespace
