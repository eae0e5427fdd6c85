// The pad's keys: the mapping, the stick's hysteresis, a pad let go, and a key held by keyboard
// and pad together.
#include "platform/pad.h"

#include <gtest/gtest.h>

using pad::Key;
using pad::State;
using Heard = std::vector<Key>;

namespace {
const unsigned kUp = 0x26, kDown = 0x28, kLeft = 0x25, kRight = 0x27, kSpace = 0x20, kF1 = 0x70;

State stick(float x, float y) {
    State s;
    s.x = x;
    s.y = y;
    return s;
}
} // namespace

TEST(Pad, StickPressesBeyondHalfWayAndLetsGoBelowFourTenths) {
    pad::Keys keys;
    EXPECT_EQ(keys.pad(stick(0, -0.45f)), Heard{});
    EXPECT_EQ(keys.pad(stick(0, -0.55f)), (Heard{{kUp, true}}));
    EXPECT_EQ(keys.pad(stick(0, -0.45f)), Heard{});
    EXPECT_EQ(keys.pad(stick(0, -0.55f)), Heard{});
    EXPECT_EQ(keys.pad(stick(0, -0.35f)), (Heard{{kUp, false}}));
    // Diagonally, two arrows; straight from one side to the other, a release and a press.
    EXPECT_EQ(keys.pad(stick(0.7f, 0.7f)), (Heard{{kDown, true}, {kRight, true}}));
    EXPECT_EQ(keys.pad(stick(-1, 0.7f)), (Heard{{kLeft, true}, {kRight, false}}));
}

TEST(Pad, ButtonsAndDpadAreTheKeysAndAPadLetGoReleasesThem) {
    pad::Keys keys;
    State s;
    s.south = s.west = s.start = s.up = true;
    EXPECT_EQ(keys.pad(s), (Heard{{kUp, true}, {kSpace, true}, {'M', true}, {kF1, true}}));
    EXPECT_EQ(keys.pad(s), Heard{});
    // The stick and the d-pad on one arrow: one press, and a release when both let go.
    s.y = -1;
    EXPECT_EQ(keys.pad(s), Heard{});
    s.up = false;
    EXPECT_EQ(keys.pad(s), Heard{});
    EXPECT_EQ(keys.pad(State{}),
              (Heard{{kUp, false}, {kSpace, false}, {'M', false}, {kF1, false}}));
}

TEST(Pad, AKeyIsDownWhileKeyboardOrPadHoldsIt) {
    pad::Keys keys;
    State up;
    up.up = true;
    // Keyboard first: the pad's press and release go unheard; the keyboard's release is heard.
    EXPECT_TRUE(keys.keyboard(kUp, true));
    EXPECT_EQ(keys.pad(up), Heard{});
    EXPECT_TRUE(keys.keyboard(kUp, true)); // a repeat
    EXPECT_EQ(keys.pad(State{}), Heard{});
    EXPECT_TRUE(keys.keyboard(kUp, false));
    // Pad first: the keyboard's press and release go unheard; the pad's release is heard.
    EXPECT_EQ(keys.pad(up), (Heard{{kUp, true}}));
    EXPECT_FALSE(keys.keyboard(kUp, true));
    EXPECT_FALSE(keys.keyboard(kUp, false));
    EXPECT_EQ(keys.pad(State{}), (Heard{{kUp, false}}));
    // Keys the pad never holds pass as they come.
    EXPECT_TRUE(keys.keyboard(0x1b, true));
    EXPECT_TRUE(keys.keyboard(0x1b, false));
}
