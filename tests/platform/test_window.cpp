// Windows, contexts, teardown, the message queue and message boxes, on a private 1024 x 768 X
// server that offers no 640 x 480 mode.
#include "platform/testhooks.h"
#include "tests/platform/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <tuple>

namespace {
const auto* const g_display = PrivateDisplay("1024x768x24");
const DWORD windowed = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
const DWORD popup = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

TEST(Window, BothStylesDrawAndShowTheirFramesAndNoModeMeansNoFullScreen) {
    DEVMODEA mode = ProgramMode();
    EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
    GLWindow framed;
    ASSERT_TRUE(framed.Create("Framed", windowed, 640, 480));
    GLWindow bare;
    ASSERT_TRUE(bare.Create("Bare", popup, 320, 200));
    // As on Win32 the frame lies at 0, 0 and the client area inside it.
    EXPECT_EQ(Geometry("Framed"), "640x480+4+23");
    EXPECT_EQ(Geometry("Bare"), "320x200+0+0") << "a refused mode gives no full-screen window";
    // Decorations and a fixed size as a window manager reads them.
    const std::string frame =
        " _MOTIF_WM_HINTS WM_NORMAL_HINTS | grep -o -e '0x2, 0x0, 0x.' -e 'maximum size'";
    EXPECT_EQ(Shell("xprop -name Framed" + frame), "0x2, 0x0, 0x1\n") << "decorated, resizable";
    EXPECT_EQ(Shell("xprop -name Bare" + frame), "0x2, 0x0, 0x0\nmaximum size\n");

    for (GLWindow* window : {&framed, &bare}) {
        ASSERT_TRUE(wglMakeCurrent(window->dc, window->rc));
        GLint depth = 0;
        glGetIntegerv(GL_DEPTH_BITS, &depth);
        EXPECT_GE(depth, 16);
        glClearColor(0.25f, 0.5f, 0.75f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        unsigned char pixel[3] = {};
        glReadPixels(10, 10, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel);
        EXPECT_NEAR(pixel[0], 64, 4);
        EXPECT_NEAR(pixel[1], 128, 4);
        EXPECT_NEAR(pixel[2], 191, 4);
    }
    bare.Destroy();
    framed.Destroy();
}

// Without a display no window is made (SDL would draw where nobody sees and the program would run
// unseen), and standard error says what is missing; a driver named by the person still wins.
TEST(Window, NoDisplayNoWindowUnlessADriverIsNamed) {
    const auto attempt = [](const char* driver) {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        if (driver != nullptr)
            setenv("SDL_VIDEODRIVER", driver, 1);
        else
            unsetenv("SDL_VIDEODRIVER");
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "Headless";
        RegisterClassA(&wc);
        const HWND window = CreateWindowExA(0, "Headless", "Headless", popup, 0, 0, 64, 64, nullptr,
                                            nullptr, nullptr, nullptr);
        std::_Exit(window != nullptr ? 2 : 1);
    };
    EXPECT_EXIT(attempt(nullptr), ::testing::ExitedWithCode(1),
                "No display found: set DISPLAY .* or Xvfb");
    EXPECT_EXIT(attempt("offscreen"), ::testing::ExitedWithCode(2), "");
}

// A full-screen switch makes and destroys two windows and a context; nothing of them may stay on
// the X server until the process ends.
TEST(Window, MakingAndDestroyingLeavesNothingOnTheServer) {
    const auto makeAndDestroy = [] {
        GLWindow window;
        ASSERT_TRUE(window.Create("Again", windowed, 64, 64));
        window.Destroy();
    };
    makeAndDestroy();
    const int colormaps = ServerResources("COLORMAP");
    const int windows = ServerResources("WINDOW");
    for (int i = 0; i < 3; ++i)
        makeAndDestroy();
    EXPECT_EQ(ServerResources("COLORMAP"), colormaps);
    EXPECT_EQ(ServerResources("WINDOW"), windows);
}

TEST(Teardown, RunsInOddOrdersAndRefusesStaleHandles) {
    GLWindow first;
    ASSERT_TRUE(first.Create("Odd", windowed, 64, 64));
    EXPECT_FALSE(UnregisterClassA("Test", nullptr)) << "a window of the class still exists";
    // The window goes first, with its context current: the context outlives it.
    ASSERT_TRUE(DestroyWindow(first.wnd));
    EXPECT_EQ(glGetString(GL_VERSION), nullptr) << "no context is current";
    EXPECT_FALSE(DestroyWindow(first.wnd));
    EXPECT_EQ(ReleaseDC(first.wnd, first.dc), 0);
    EXPECT_FALSE(SwapBuffers(first.dc));
    EXPECT_FALSE(wglMakeCurrent(first.dc, first.rc));
    GLWindow second;
    ASSERT_TRUE(second.Create("Odd", windowed, 64, 64));
    EXPECT_TRUE(wglMakeCurrent(second.dc, first.rc)) << "same format, new window";
    // A context deleted while current leaves none current.
    EXPECT_TRUE(wglDeleteContext(first.rc));
    EXPECT_EQ(glGetString(GL_VERSION), nullptr);
    EXPECT_FALSE(wglDeleteContext(first.rc));
    second.Destroy();
    EXPECT_TRUE(UnregisterClassA("Test", nullptr));
}

// Creating, showing and destroying a window call its procedure at once, in Win32's order; a
// popup learns its size at creation, an overlapped window when first shown.
TEST(Messages, CreationShowingAndDestructionSendInWin32sOrder) {
    const auto sent = [](HWND window) {
        std::vector<UINT> messages;
        for (const Received& r : g_received)
            if (r.window == window)
                messages.push_back(r.message);
        return messages;
    };
    g_received.clear();
    GLWindow popup;
    ASSERT_TRUE(popup.Create("Popup", WS_POPUP, 320, 200));
    EXPECT_EQ(sent(popup.wnd), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE,
                                                  WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS}));
    GLWindow framed;
    ASSERT_TRUE(framed.Create("Framed", windowed, 64, 48));
    EXPECT_EQ(sent(framed.wnd), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SHOWWINDOW,
                                                   WM_ACTIVATE, WM_SETFOCUS, WM_SIZE, WM_MOVE}));
    EXPECT_TRUE(std::any_of(g_received.begin(), g_received.end(), [&](const Received& r) {
        return r.window == popup.wnd && r.message == WM_ACTIVATE && r.wParam == WA_INACTIVE;
    })) << "the window shown before goes inactive";
    EXPECT_TRUE(std::any_of(g_received.begin(), g_received.end(), [&](const Received& r) {
        return r.window == framed.wnd && r.message == WM_SIZE && r.lParam == (64 | (48 << 16));
    }));
    g_received.clear();
    const HWND gone = framed.wnd;
    framed.Destroy();
    EXPECT_EQ(sent(gone), (std::vector<UINT>{WM_ACTIVATE, WM_KILLFOCUS, WM_DESTROY, WM_NCDESTROY}));
    popup.Destroy();
}

TEST(Messages, KeysComeWithWindowsCodesAndAltOrF10AsSystemKeys) {
    GLWindow window;
    ASSERT_TRUE(window.Create("Keys", windowed, 64, 64));
    ASSERT_TRUE(Await(window.wnd, WM_ACTIVATE, WA_ACTIVE));
    // The program's keys, then each kind of key the mapping knows, and the character that
    // TranslateMessage makes of it, as on Win32.
    const std::vector<std::tuple<std::string, WPARAM, WPARAM>> keys = {
        {"Up", 38, 0},      {"Down", 40, 0},      {"Left", 37, 0},    {"Right", 39, 0},
        {"space", 32, ' '}, {"m", 77, 'm'},       {"Escape", 27, 27}, {"F1", 112, 0},
        {"a", 65, 'a'},     {"z", 90, 'z'},       {"0", 48, '0'},     {"9", 57, '9'},
        {"F12", 123, 0},    {"Return", 13, 13},   {"Prior", 33, 0},   {"KP_Add", 107, 0},
        {"Shift_L", 16, 0}, {"Control_L", 17, 0}, {"minus", 189, 0},  {"bracketleft", 219, 0}};
    // Alt with x, and F10, come as system keys, which the program does not record.
    const std::vector<std::pair<UINT, WPARAM>> system = {{WM_SYSKEYDOWN, 18},  {WM_SYSKEYDOWN, 'X'},
                                                         {WM_SYSKEYUP, 'X'},   {WM_SYSKEYUP, 18},
                                                         {WM_SYSKEYDOWN, 121}, {WM_SYSKEYUP, 121}};
    std::string typed;
    std::vector<std::pair<UINT, WPARAM>> expected;
    for (const auto& [name, code, character] : keys) {
        typed += " " + name;
        expected.emplace_back(WM_KEYDOWN, code);
        if (character != 0)
            expected.emplace_back(WM_CHAR, character);
        expected.emplace_back(WM_KEYUP, code);
    }
    expected.insert(expected.end(), system.begin(), system.end());
    g_received.clear();
    Shell("xdotool key --delay 0" + typed + " && xdotool keydown Alt_L key x keyup Alt_L key F10");
    ASSERT_TRUE(Await(window.wnd, WM_SYSKEYUP, 121));
    std::vector<std::pair<UINT, WPARAM>> seen;
    for (const Received& r : g_received)
        if (r.window == window.wnd && r.message >= WM_KEYDOWN && r.message <= WM_SYSKEYUP)
            seen.emplace_back(r.message, r.wParam);
    EXPECT_EQ(seen, expected);
    window.Destroy();
}

TEST(Messages, ActivationSizeCloseAndQuitFollowTheWindows) {
    GLWindow first;
    ASSERT_TRUE(first.Create("First", windowed, 640, 480));
    EXPECT_TRUE(Await(first.wnd, WM_ACTIVATE, WA_ACTIVE));
    GLWindow second;
    ASSERT_TRUE(second.Create("Second", windowed, 64, 64));
    EXPECT_TRUE(Await(first.wnd, WM_ACTIVATE, WA_INACTIVE)) << "losing the focus is not minimising";

    // A key held while the focus moves away is not released for the window it leaves: Win32 sends
    // no WM_KEYUP then, and the program keeps the key down.
    Shell("xdotool windowfocus --sync " + Xid("First") + " keydown a");
    ASSERT_TRUE(Await(first.wnd, WM_KEYDOWN, 'A'));
    g_received.clear();
    Shell("xdotool windowfocus --sync " + Xid("Second") + " keyup a");
    // SDL releases the keys just before it reports the focus lost.
    EXPECT_TRUE(Await(first.wnd, WM_ACTIVATE, WA_INACTIVE));
    EXPECT_TRUE(std::none_of(g_received.begin(), g_received.end(), [&](const Received& r) {
        return r.window == first.wnd && r.message == WM_KEYUP;
    }));

    // Without a window manager, minimising is the state a manager would set.
    Shell("xprop -name First -f _NET_WM_STATE 32a -set _NET_WM_STATE _NET_WM_STATE_HIDDEN");
    EXPECT_TRUE(Await(first.wnd, WM_ACTIVATE, WA_INACTIVE | 0x10000));
    EXPECT_TRUE(Await(first.wnd, WM_SIZE, SIZE_MINIMIZED, 0));
    g_received.clear();
    Shell("xprop -name First -remove _NET_WM_STATE");
    EXPECT_TRUE(Await(first.wnd, WM_SIZE, SIZE_RESTORED, 640 | (480 << 16)));
    EXPECT_TRUE(std::any_of(g_received.begin(), g_received.end(), [&](const Received& r) {
        return r.window == first.wnd && r.message == WM_ACTIVATE && HIWORD(r.wParam) == 0;
    })) << "restored: no longer minimised";
    Shell("xdotool windowsize " + Xid("First") + " 800 600");
    EXPECT_TRUE(Await(first.wnd, WM_SIZE, SIZE_RESTORED, 800 | (600 << 16)));

    // The close button as a window manager sends it.
    Shell(std::string(E2E_X11) + " close " + Xid("First"));
    EXPECT_TRUE(Await(first.wnd, WM_CLOSE, 0, 0));

    // SIGTERM asks every window to close; a quit posted meanwhile comes after those messages,
    // once, with its code.
    g_received.clear();
    raise(SIGTERM);
    PostQuitMessage(7);
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT)
        DispatchMessageA(&msg);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(std::count_if(g_received.begin(), g_received.end(),
                            [](const Received& r) { return r.message == WM_CLOSE; }),
              2)
        << "one for each window, before the quit";
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    second.Destroy();
    first.Destroy();
}

TEST(MessageBox, ARealBoxIsAnsweredFromTheKeyboardAndTheHookStandsIn) {
    // The box's caption is not where xdotool looks for names, so xwininfo finds it.
    Shell("(for i in $(seq 200); do id=$(xwininfo -root -tree | awk '/\"Question\"/ {print $1; "
          "exit}'); [ -n \"$id\" ] && break; sleep 0.05; done; xdotool windowfocus --sync $id "
          "key Return) >/dev/null 2>&1 &");
    EXPECT_EQ(MessageBoxA(nullptr, "Windowed?", "Question", MB_YESNO | MB_ICONEXCLAMATION), IDYES);

    SetMessageBoxHook([](const char* text, const char* caption, UINT type) {
        return std::string(caption) + ": " + text == "Hooked: Quit?" && type == MB_YESNO ? IDNO : 0;
    });
    EXPECT_EQ(MessageBoxA(nullptr, "Quit?", "Hooked", MB_YESNO), IDNO);
    SetMessageBoxHook({});
}
} // namespace
