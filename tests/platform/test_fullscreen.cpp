// Full screen on a private X server whose one mode is the program's 640 x 480: taken, covered and
// given back in the program's order.
#include "tests/platform/support.h"

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
    // A popup asked smaller still covers the screen.
    GLWindow full;
    ASSERT_TRUE(full.Create("Full", popup, 320, 200));
    EXPECT_EQ(Geometry("Full"), "640x480+0+0");

    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
    full.Destroy();
    GLWindow after;
    ASSERT_TRUE(after.Create("After", popup, 320, 200));
    EXPECT_EQ(Geometry("After"), "320x200+0+0") << "the mode was given back";
    after.Destroy();
}
} // namespace
