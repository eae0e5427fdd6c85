// Windows, contexts, teardown and the message queue, on a private 1024 x 768 X
// server.
#include "tests/platform/support.h"

#include <GL/gl.h>
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {
const auto* const g_display = PrivateDisplay("1024x768x24");
const DWORD windowed = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
const DWORD popup = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

// Handles queued messages until the window has received this message (with any lParam when it
// is -1), for 3 s at most.
bool Await(HWND window, UINT message, WPARAM wParam, LPARAM lParam = -1) {
    for (int waited = 0; waited < 3000; waited += 10) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        for (const MSG& m : g_received)
            if (m.hwnd == window && m.message == message && m.wParam == wParam &&
                (lParam == -1 || m.lParam == lParam))
                return true;
        usleep(10000);
    }
    return false;
}

// The messages the window received, in order.
std::vector<UINT> Sent(HWND window) {
    std::vector<UINT> messages;
    for (const MSG& m : g_received)
        if (m.hwnd == window)
            messages.push_back(m.message);
    return messages;
}

// How many colormaps the clients of the server hold: here only this process is one.
int Colormaps() {
    Display* display = XOpenDisplay(nullptr);
    int clients = 0;
    XResClient* ids = nullptr;
    XResQueryClients(display, &clients, &ids);
    const Atom colormap = XInternAtom(display, "COLORMAP", False);
    int total = 0;
    for (int i = 0; i < clients; ++i) {
        int kinds = 0;
        XResType* types = nullptr;
        XResQueryClientResources(display, ids[i].resource_base, &kinds, &types);
        for (int k = 0; k < kinds; ++k)
            total += types[k].resource_type == colormap ? static_cast<int>(types[k].count) : 0;
        XFree(types);
    }
    XFree(ids);
    XCloseDisplay(display);
    return total;
}

// Without a display no window is made (SDL would draw where nobody sees and the program would run
// unseen), and standard error says what is missing; a driver named by the person still wins.
TEST(Window, NoDisplayNoWindowUnlessADriverIsNamed) {
    const auto attempt = [](const char* driver) {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("SDL_VIDEODRIVER", driver, 1); // empty, as unset, names none
        GLWindow window;
        window.Create("Headless", popup, 64, 64);
        std::_Exit(window.wnd != nullptr ? 2 : 1);
    };
    EXPECT_EXIT(attempt(""), ::testing::ExitedWithCode(1),
                "No display found: set DISPLAY .* or Xvfb");
    EXPECT_EXIT(attempt("offscreen"), ::testing::ExitedWithCode(2), "");
}

// Windows and contexts go in any order, stale handles are refused, and nothing stays on the X
// server: a full-screen switch makes and destroys two windows and a context each time.
TEST(Teardown, RunsInOddOrdersRefusesStaleHandlesAndLeavesNoColormap) {
    GLWindow first;
    ASSERT_TRUE(first.Create("Odd", windowed, 64, 64));
    first.Destroy();
    const int colormaps = Colormaps();
    ASSERT_TRUE(first.Create("Odd", windowed, 64, 64));
    // The window goes first, with its context current: the context outlives it.
    g_received.clear();
    ASSERT_TRUE(DestroyWindow(first.wnd));
    EXPECT_EQ(Sent(first.wnd),
              (std::vector<UINT>{WM_ACTIVATE, WM_KILLFOCUS, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(glGetString(GL_VERSION), nullptr) << "no context is current";
    EXPECT_FALSE(DestroyWindow(first.wnd));
    EXPECT_FALSE(wglMakeCurrent(first.dc, first.rc));
    GLWindow second;
    ASSERT_TRUE(second.Create("Odd", windowed, 64, 64));
    EXPECT_TRUE(wglMakeCurrent(second.dc, first.rc)) << "same format, new window";
    // A context deleted while current leaves none current.
    EXPECT_TRUE(wglDeleteContext(first.rc));
    EXPECT_EQ(glGetString(GL_VERSION), nullptr);
    EXPECT_FALSE(wglDeleteContext(first.rc));
    second.Destroy();
    EXPECT_EQ(Colormaps(), colormaps);
}

// One walk through what the windows hear, as on Win32: creation and showing call the procedure
// at once, a popup learning its size at creation and an overlapped window when first shown, with
// its frame at 0, 0 and the client area inside; keys come with Win32's codes and the characters
// TranslateMessage makes of them; focus, minimising, size and the close button.
TEST(Messages, FollowTheWindowsFromCreationToClose) {
    GLWindow first;
    ASSERT_TRUE(first.Create("First", windowed, 640, 480));
    EXPECT_EQ(Sent(first.wnd), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SHOWWINDOW,
                                                  WM_ACTIVATE, WM_SETFOCUS, WM_SIZE, WM_MOVE}));
    GLWindow second;
    ASSERT_TRUE(second.Create("Second", popup, 64, 48));
    EXPECT_EQ(Sent(second.wnd), (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE,
                                                   WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS}));
    EXPECT_TRUE(Await(first.wnd, WM_ACTIVATE, WA_INACTIVE)) << "losing the focus is not minimising";
    EXPECT_EQ(Geometry("First"), "640x480+4+23");
    EXPECT_EQ(Geometry("Second"), "64x48+0+0");

    // The program's keys, then one of each other kind the mapping knows (digit, keypad, modifier,
    // punctuation), with the characters TranslateMessage makes of them; Alt with a key, and F10,
    // come as system keys, which the program does not record.
    g_received.clear();
    Shell("xdotool key --delay 0 Up Down Left Right space m Escape F1 0 KP_Add Shift_L minus && "
          "xdotool keydown Alt_L key x keyup Alt_L key F10");
    ASSERT_TRUE(Await(second.wnd, WM_SYSKEYUP, 121));
    const std::string kinds[] = {"down", "up", "char", "", "sysdown", "sysup"};
    std::string seen;
    for (const MSG& m : g_received)
        if (m.hwnd == second.wnd && m.message >= WM_KEYDOWN && m.message <= WM_SYSKEYUP)
            seen += kinds[m.message - WM_KEYDOWN] + std::to_string(m.wParam) + " ";
    EXPECT_EQ(seen, "down38 up38 down40 up40 down37 up37 down39 up39 down32 char32 up32 down77 "
                    "char109 up77 down27 char27 up27 down112 up112 down48 char48 up48 down107 "
                    "up107 down16 up16 down189 up189 sysdown18 sysdown88 sysup88 sysup18 "
                    "sysdown121 sysup121 ");

    // A key held while the focus moves away is not released for the window it leaves: Win32 sends
    // no WM_KEYUP then, and the program keeps the key down.
    Shell("xdotool search --name '^First$' windowfocus --sync keydown a");
    ASSERT_TRUE(Await(first.wnd, WM_KEYDOWN, 'A'));
    g_received.clear();
    Shell("xdotool search --name '^Second$' windowfocus --sync keyup a");
    EXPECT_TRUE(Await(first.wnd, WM_ACTIVATE, WA_INACTIVE));
    EXPECT_FALSE(Await(first.wnd, WM_KEYUP, 'A'));

    // Without a window manager, minimising is the state a manager would set.
    Shell("xprop -name First -f _NET_WM_STATE 32a -set _NET_WM_STATE _NET_WM_STATE_HIDDEN");
    EXPECT_TRUE(Await(first.wnd, WM_SIZE, SIZE_MINIMIZED, 0));
    Shell("xprop -name First -remove _NET_WM_STATE");
    EXPECT_TRUE(Await(first.wnd, WM_SIZE, SIZE_RESTORED, 640 | (480 << 16)));
    // The close button as a window manager sends it.
    Shell(std::string(E2E_X11) + " close $(xdotool search --name '^First$')");
    EXPECT_TRUE(Await(first.wnd, WM_CLOSE, 0, 0));

    // A key the server gives a window before SDL has seen that window take the focus comes to
    // it: SDL's focus went with the window that had it, and SDL files the key under none.
    Shell("xdotool search --name '^Second$' windowfocus --sync");
    second.Destroy();
    g_received.clear();
    Shell("xdotool key --window $(xdotool search --name '^First$') F1");
    EXPECT_TRUE(Await(first.wnd, WM_KEYDOWN, VK_F1));
}

// A key held while its window is destroyed (as F1 does): let go before the next window has the
// focus, it is let go for that window once it has the focus; held on, it stays down until it is
// let go there.
TEST(Messages, AKeyHeldWhileItsWindowGoesIsLetGoForTheNext) {
    for (const bool between : {true, false}) {
        GLWindow gone;
        ASSERT_TRUE(gone.Create("Gone", popup, 64, 48));
        Shell("xdotool search --name '^Gone$' windowfocus --sync keydown Up");
        ASSERT_TRUE(Await(gone.wnd, WM_KEYDOWN, VK_UP));
        gone.Destroy();
        if (between)
            Shell("xdotool keyup Up");
        g_received.clear();
        GLWindow next;
        ASSERT_TRUE(next.Create("Next", windowed, 64, 48));
        if (!between) {
            EXPECT_FALSE(Await(next.wnd, WM_KEYUP, VK_UP)) << "let go while held";
            Shell("xdotool keyup Up");
        }
        EXPECT_TRUE(Await(next.wnd, WM_KEYUP, VK_UP)) << (between ? "let go between" : "let go");
        next.Destroy();
    }
}

// A termination signal (here a hang-up, as when the terminal goes) asks every window to close; a
// quit posted meanwhile comes after those messages, once, with its code. Once the program has
// ended through its teardown, the process ends by the signal.
TEST(Messages, TerminationClosesEveryWindowAndEndsTheProcessByTheSignal) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    const auto terminate = [] {
        GLWindow first, second;
        if (!first.Create("First", windowed, 64, 48) || !second.Create("Second", popup, 64, 48))
            std::_Exit(2);
        g_received.clear();
        raise(SIGHUP);
        PostQuitMessage(7);
        MSG msg{};
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT)
            DispatchMessageA(&msg);
        const auto closedOnce = [](HWND window) {
            const std::vector<UINT> sent = Sent(window);
            return std::count(sent.begin(), sent.end(), WM_CLOSE) == 1;
        };
        const bool closed = msg.message == WM_QUIT && msg.wParam == 7 && closedOnce(first.wnd) &&
                            closedOnce(second.wnd) &&
                            !PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        second.Destroy();
        first.Destroy();
        std::fputs(closed ? "torn down\n" : "not every window was closed once, before the quit\n",
                   stderr);
        std::exit(0);
    };
    // The default action would end it at once, without the teardown.
    EXPECT_EXIT(terminate(), ::testing::KilledBySignal(SIGHUP), "torn down");
}

} // namespace
