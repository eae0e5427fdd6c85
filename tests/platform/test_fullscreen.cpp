// Full screen on a private X server whose one mode is 640 x 480, the mode the program asks for:
// the window sequence and teardown as the program runs them, there and back.
#include "tests/platform/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {
const auto* const g_display = PrivateDisplay("640x480x24");

TEST(FullScreen, TheProgramsModeIsTakenCoveredAndGivenBack) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = 640;
    mode.dmPelsHeight = 480;
    mode.dmBitsPerPel = 16;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(ShowCursor(FALSE), -1);

    GLWindow full;
    ASSERT_TRUE(full.Create("Full", WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 640, 480));
    const XWindowState state = QueryWindow(XWindowId("Full"));
    EXPECT_EQ(state.x, 0);
    EXPECT_EQ(state.y, 0);
    EXPECT_EQ(state.width, 640);
    EXPECT_EQ(state.height, 480);
    EXPECT_FALSE(state.decorated);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_TRUE(SwapBuffers(full.dc));
    const std::string shot =
        Shell("import -window root -crop 1x1+639+479 -depth 8 txt:- | tail -1");
    EXPECT_NE(shot.find("#0000FF"), std::string::npos) << shot;

    // The teardown in the program's order: mode and cursor first, then context, DC, window.
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    full.Destroy();

    GLWindow windowed;
    ASSERT_TRUE(windowed.Create("Windowed", WS_OVERLAPPEDWINDOW, 640, 480));
    EXPECT_TRUE(QueryWindow(XWindowId("Windowed")).decorated);
    windowed.Destroy();
}
} // namespace
