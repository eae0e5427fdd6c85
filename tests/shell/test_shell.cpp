// The window procedure's table, and the ride as the main loop drives it frame by frame.
#include "platform/testhooks.h"
#include "render/text.h"
#include "shell/openwindow.h"
#include "sim/InitGL.h"
#include "sim/object.h"
#include "support/glcontext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {
class Shell : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        std::memset(keys, 0, sizeof keys);
        svangV = svangH = false;
        active = true;
        modelbyte = true;
        o.resetAll();
        vinkel = vel2 = 0;
        deadAngle = 90;
        start.running = false;
        SetMessageBoxHook([this](const char* text, const char* caption, UINT) {
            shown.push_back(std::string(caption) + ": " + text);
            return IDOK;
        });
    }
    void TearDown() override { SetMessageBoxHook(nullptr); }
    // One active idle pass of the main loop, without the buffer swap.
    void pass() {
        applyKeys();
        start.DrawGLScene();
    }
    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam = 0) {
        return WndProc(gl.window, message, wParam, lParam);
    }
    GLContext gl;
    std::vector<std::string> shown;
};

TEST_F(Shell, KeysAreRecordedFromPressToRelease) {
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(send(WM_KEYDOWN, code), 0);
        EXPECT_TRUE(keys[code]) << code;
        EXPECT_EQ(send(WM_KEYUP, code), 0);
        EXPECT_FALSE(keys[code]) << code;
    }
}

TEST_F(Shell, AnyKeyReleaseClearsBothTurnFlags) {
    send(WM_KEYDOWN, VK_LEFT);
    send(WM_KEYDOWN, VK_RIGHT);
    pass();
    EXPECT_TRUE(svangV);
    EXPECT_TRUE(svangH);
    send(WM_KEYDOWN, 'A');
    send(WM_KEYUP, 'A');
    EXPECT_FALSE(svangV);
    EXPECT_FALSE(svangH);
    EXPECT_TRUE(keys[VK_LEFT]); // still held: the next pass sets its flag again
    pass();
    EXPECT_TRUE(svangV);
}

TEST_F(Shell, MinimisingPausesAndRestoringRefitsTheProjection) {
    send(WM_ACTIVATE, (1u << 16) | WA_INACTIVE);
    EXPECT_FALSE(active);
    send(WM_SIZE, SIZE_MINIMIZED, 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 0);
    EXPECT_EQ(viewport[3], 1); // a height of 0 is taken as 1

    send(WM_ACTIVATE, WA_ACTIVE);
    EXPECT_TRUE(active);
    send(WM_SIZE, SIZE_RESTORED, (300 << 16) | 400);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 400);
    EXPECT_EQ(viewport[3], 300);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    // 60 degrees vertically: cot(30) over the aspect 4:3.
    EXPECT_NEAR(projection[0], 1.7320508 / (400.0 / 300.0), 1e-5);
    EXPECT_NEAR(projection[5], 1.7320508, 1e-5);

    // Losing the focus without being minimised keeps the ride going.
    send(WM_ACTIVATE, WA_INACTIVE);
    EXPECT_TRUE(active);
}

TEST_F(Shell, CloseAsksToQuitWithCodeZero) {
    EXPECT_EQ(send(WM_CLOSE, 0), 0);
    MSG msg;
    bool quit = false;
    for (int i = 0; i < 1000 && !quit; ++i)
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_QUIT)
            quit = true;
    ASSERT_TRUE(quit);
    EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(Shell, ExactlyNinetyDegreesIsFallen) {
    for (float angle : {90.0f, -90.0f}) {
        vinkel = angle;
        start.running = true;
        pass();
        EXPECT_EQ(vinkel, angle);
        EXPECT_EQ(vel2, 0.0f);
        EXPECT_FALSE(start.running);
    }
    vinkel = 89.99f;
    pass();
    EXPECT_NE(vinkel, 89.99f); // still upright: the dynamics stepped
}

// Up until cruising, then Down: a backward fall within about 0.6 s of simulated time. With Space
// held all along, exactly one fallen frame shows before the restart.
TEST_F(Shell, SpaceHeldThroughAFallShowsExactlyOneFallenFrame) {
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

TEST_F(Shell, SpaceWithUpOnTheRestartFrameStartsFromZero) {
    vinkel = 95; // fallen
    pass();
    ASSERT_FALSE(start.running);
    keys[VK_SPACE] = true;
    keys[VK_UP] = true;
    applyKeys();
    EXPECT_EQ(theta, 0.0f);
    EXPECT_TRUE(start.running);
    start.DrawGLScene();
    EXPECT_EQ(vinkel, 0.0f);
    EXPECT_EQ(vel2, 0.0f);
}

TEST_F(Shell, TeardownLeavesNoHandles) {
    hWnd = nullptr;
    hDC = nullptr;
    hRC = nullptr;
    fullscreen = false;
    KillGLWindow(); // nothing set: nothing to release, no crash
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "SHUTDOWN ERROR: Could Not Unregister Class.");
    EXPECT_EQ(hWnd, nullptr);
    EXPECT_EQ(hDC, nullptr);
    EXPECT_EQ(hRC, nullptr);
}
} // namespace
