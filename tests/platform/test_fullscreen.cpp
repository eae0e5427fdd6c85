// Full screen on a private X server whose one mode is the program's 640 x 480: taken, covered and
// given back in the program's order.
#include "tests/platform/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {
const auto* const g_display = PrivateDisplay("640x480x24");
const DWORD popup = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

TEST(FullScreen, TheProgramsModeIsTakenCoveredAndGivenBack) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = 640;
    mode.dmPelsHeight = 480;
    mode.dmBitsPerPel = 16;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    // A popup asked smaller still covers the screen.
    GLWindow full;
    ASSERT_TRUE(full.Create("Full", popup, 320, 200));
    EXPECT_EQ(Geometry("Full"), "640x480+0+0");
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char corner[3] = {};
    glReadPixels(639, 479, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, corner);
    EXPECT_EQ(corner[2], 255);

    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    full.Destroy();
    GLWindow after;
    ASSERT_TRUE(after.Create("After", popup, 320, 200));
    EXPECT_EQ(Geometry("After"), "320x200+0+0") << "the mode was given back";
    after.Destroy();
}
} // namespace
