// The window procedure's table, and the ride as the main loop drives it frame by frame.
#include "platform/testhooks.h"
#include "shell/openwindow.h"
#include "sim/InitGL.h"
#include "sim/object.h"
#include "support/glcontext.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {
class Shell : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        std::memset(keys, 0, sizeof keys);
        svangV = svangH = false;
        active = true;
        o.resetAll();
        vinkel = vel2 = 0;
        start.running = false;
    }
    // One active idle pass of the main loop, without the buffer swap.
    void pass() {
        applyKeys();
        start.DrawGLScene();
    }
    void send(UINT message, WPARAM wParam) { WndProc(gl.window, message, wParam, 0); }
    GLContext gl;
};

TEST_F(Shell, AnyKeyReleaseClearsBothTurnsAndOnlyMinimisingPauses) {
    svangV = svangH = true;
    send(WM_KEYUP, 'A');
    EXPECT_FALSE(svangV);
    EXPECT_FALSE(svangH);

    send(WM_ACTIVATE, (1u << 16) | WA_INACTIVE); // minimised
    EXPECT_FALSE(active);
    send(WM_ACTIVATE, WA_ACTIVE);
    EXPECT_TRUE(active);
    // Losing the focus without being minimised keeps the ride going.
    send(WM_ACTIVATE, WA_INACTIVE);
    EXPECT_TRUE(active);
}

// Exactly 90 degrees is fallen. Then Space, Up until cruising, then Down: a backward fall within
// about 0.6 s of simulated time. With Space held all along, exactly one fallen frame shows before
// the restart.
TEST_F(Shell, SpaceHeldThroughAFallShowsExactlyOneFallenFrame) {
    vinkel = 90;
    start.running = true;
    pass();
    EXPECT_EQ(vinkel, 90.0f);
    ASSERT_FALSE(start.running);

    keys[VK_SPACE] = true;
    pass();
    ASSERT_TRUE(start.running);
    keys[VK_UP] = true;
    for (int i = 0; i < 600; ++i)
        pass();
    keys[VK_UP] = false;
    keys[VK_DOWN] = true;
    int fallenFrames = 0, downFrames = 0;
    float fallenAngle = 0;
    bool restarted = false;
    while (downFrames < 200 && !restarted) {
        const bool wasRunning = start.running;
        pass();
        ++downFrames;
        if (!start.running) {
            ++fallenFrames;
            fallenAngle = vinkel;
            EXPECT_EQ(vel2, 0.0f);
        } else if (!wasRunning) {
            restarted = true;
        }
    }
    EXPECT_TRUE(restarted);
    EXPECT_EQ(fallenFrames, 1);
    EXPECT_LE(downFrames, 62);
    EXPECT_NEAR(fallenAngle, -94.4, 0.1);
    EXPECT_EQ(vinkel, 0.0f); // the restart frame starts from rest
}

// Without its files the window is not made, and the last word the person gets says so.
TEST(ShellStart, WithoutTheGroundBitmapInitializationFails) {
    const ScratchDir empty;
    std::string last;
    SetMessageBoxHook([&last](const char* text, const char* caption, UINT) {
        last = std::string(caption) + ": " + text;
        return IDOK;
    });
    EXPECT_FALSE(CreateGLWindow("Balantor", 640, 480, 16, false));
    SetMessageBoxHook(nullptr);
    EXPECT_EQ(last, "ERROR: Initialization Failed.");
}
} // namespace
