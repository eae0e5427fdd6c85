// Windows, device contexts, rendering contexts, display modes and the message queue, on a
// private 1024 x 768 X server that offers no 640 x 480 mode.
#include "platform/testhooks.h"
#include "tests/platform/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <unistd.h>

namespace {
const auto* const g_display = PrivateDisplay("1024x768x24");

const DWORD windowed = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
const DWORD popup = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

bool contextCurrent() {
    return glGetString(GL_VERSION) != nullptr;
}

DEVMODEA displayMode(DWORD width, DWORD height) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmBitsPerPel = 16;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    return mode;
}

// The messages a window received since the last call, with their parameters.
std::vector<Received> receivedBy(HWND window) {
    std::vector<Received> out;
    for (const Received& r : g_received)
        if (r.window == window)
            out.push_back(r);
    g_received.clear();
    return out;
}

bool has(const std::vector<Received>& messages, UINT message, WPARAM wParam, LPARAM lParam) {
    return std::any_of(messages.begin(), messages.end(), [&](const Received& r) {
        return r.message == message && r.wParam == wParam && r.lParam == lParam;
    });
}

TEST(WindowClass, RegistersOncePerNameAndGoesOnlyWhenItsWindowsAreGone) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "Classy";
    EXPECT_NE(RegisterClassA(&wc), 0);
    wc.lpszClassName = "CLASSY";
    EXPECT_EQ(RegisterClassA(&wc), 0) << "class names ignore case";
    wc.lpszClassName = "NoProcedure";
    wc.lpfnWndProc = nullptr;
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_FALSE(UnregisterClassA("Unknown", nullptr));
    EXPECT_EQ(CreateWindowExA(0, "Unknown", "x", windowed, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr),
              nullptr);

    HWND window = CreateWindowExA(0, "classy", "Classy", windowed, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(UnregisterClassA("Classy", nullptr)) << "a window of the class still exists";
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_TRUE(UnregisterClassA("Classy", nullptr));
    EXPECT_FALSE(UnregisterClassA("Classy", nullptr));
}

TEST(Window, StylesGiveDecoratedResizableOrBorderlessWindowsOfTheClientSizeAsked) {
    RECT rect{0, 0, 640, 480};
    EXPECT_TRUE(AdjustWindowRectEx(&rect, windowed, FALSE, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE));
    EXPECT_EQ(rect.right - rect.left, 640);
    EXPECT_EQ(rect.bottom - rect.top, 480);

    GLWindow framed;
    ASSERT_TRUE(framed.Create("Framed", windowed, 640, 480));
    GLWindow bare;
    ASSERT_TRUE(bare.Create("Bare", popup, 320, 200));
    const XWindowState framedState = QueryWindow(XWindowId("Framed"));
    EXPECT_EQ(framedState.width, 640);
    EXPECT_EQ(framedState.height, 480);
    EXPECT_TRUE(framedState.decorated);
    EXPECT_TRUE(framedState.resizable);
    const XWindowState bareState = QueryWindow(XWindowId("Bare"));
    EXPECT_EQ(bareState.width, 320) << "no display change is in force: not full screen";
    EXPECT_EQ(bareState.height, 200);
    EXPECT_FALSE(bareState.decorated);
    EXPECT_FALSE(bareState.resizable);
    bare.Destroy();
    framed.Destroy();
}

TEST(Display, FullScreenIsRefusedWithoutTheModeAndCoversTheDisplayWithIt) {
    DEVMODEA small = displayMode(640, 480);
    EXPECT_EQ(ChangeDisplaySettingsA(&small, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);

    DEVMODEA whole = displayMode(1024, 768);
    ASSERT_EQ(ChangeDisplaySettingsA(&whole, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    GLWindow full;
    ASSERT_TRUE(full.Create("Full", popup, 640, 480));
    const XWindowState state = QueryWindow(XWindowId("Full"));
    EXPECT_EQ(state.x, 0);
    EXPECT_EQ(state.y, 0);
    EXPECT_EQ(state.width, 1024);
    EXPECT_EQ(state.height, 768);
    EXPECT_FALSE(state.decorated);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char corner[3] = {};
    glReadPixels(1023, 767, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, corner);
    EXPECT_EQ(corner[1], 255);

    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    full.Destroy();
    GLWindow after;
    ASSERT_TRUE(after.Create("After", popup, 300, 100));
    EXPECT_EQ(QueryWindow(XWindowId("After")).width, 300) << "the mode was given back";
    after.Destroy();
}

TEST(Context, ClearsReadsBackAndSwapsWithTheRequestedFormat) {
    GLWindow window;
    ASSERT_TRUE(window.Create("Format", windowed, 64, 64));
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_BITS, &value);
    EXPECT_GE(value, 16);
    glGetIntegerv(GL_GREEN_BITS, &value);
    EXPECT_GE(value, 6);
    GLboolean doubleBuffered = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    EXPECT_TRUE(doubleBuffered);

    glClearColor(0.25f, 0.5f, 0.75f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char pixel[3] = {};
    glReadPixels(32, 32, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel);
    EXPECT_NEAR(pixel[0], 64, 1);
    EXPECT_NEAR(pixel[1], 128, 1);
    EXPECT_NEAR(pixel[2], 191, 1);
    // The swap shows the frame: a screenshot of the window has its colour.
    ASSERT_TRUE(SwapBuffers(window.dc));
    const std::string shot = Shell("import -window " + XWindowId("Format") +
                                   " -crop 1x1+32+32 -depth 8 txt:- | tail -1");
    EXPECT_NE(shot.find("#4080BF"), std::string::npos) << shot;
    window.Destroy();
}

TEST(Context, CreatingOneLeavesTheCurrentAloneAndFormatsMustAgree) {
    GLWindow window;
    ASSERT_TRUE(window.Create("Contexts", windowed, 64, 64));
    glClearColor(1, 0, 0, 1);
    HGLRC second = wglCreateContext(window.dc);
    ASSERT_NE(second, nullptr);
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 1) << "the first context is still current";
    ASSERT_TRUE(wglMakeCurrent(window.dc, second));
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 0) << "the second context shares no state";

    ASSERT_TRUE(wglMakeCurrent(nullptr, nullptr));
    HGLRC third = wglCreateContext(window.dc);
    EXPECT_NE(third, nullptr);
    EXPECT_FALSE(contextCurrent());

    // A window keeps its first pixel format; a context works only with its own format.
    const PIXELFORMATDESCRIPTOR same = ProgramPixelFormat(16, 16);
    const PIXELFORMATDESCRIPTOR other = ProgramPixelFormat(24, 24);
    EXPECT_TRUE(SetPixelFormat(window.dc, ChoosePixelFormat(window.dc, &same), &same));
    EXPECT_FALSE(SetPixelFormat(window.dc, ChoosePixelFormat(window.dc, &other), &other));
    HWND plain = CreateWindowExA(0, "Test", "Plain", windowed, 0, 0, 32, 32, nullptr, nullptr,
                                 nullptr, nullptr);
    HDC plainDC = GetDC(plain);
    EXPECT_EQ(wglCreateContext(plainDC), nullptr) << "no pixel format yet";
    ASSERT_TRUE(SetPixelFormat(plainDC, ChoosePixelFormat(plainDC, &other), &other));
    ASSERT_TRUE(wglMakeCurrent(window.dc, second));
    EXPECT_FALSE(wglMakeCurrent(plainDC, second));
    EXPECT_FALSE(contextCurrent()) << "a failed call leaves no context current";

    EXPECT_TRUE(wglDeleteContext(second));
    EXPECT_TRUE(wglDeleteContext(third));
    EXPECT_TRUE(DestroyWindow(plain));
    window.Destroy();
}

TEST(Teardown, RunsInAnyOrderAndRefusesStaleOrMissingHandles) {
    GLWindow first;
    ASSERT_TRUE(first.Create("Odd", windowed, 64, 64));
    // The window goes first, with its context current: the context outlives it.
    ASSERT_TRUE(DestroyWindow(first.wnd));
    EXPECT_FALSE(contextCurrent());
    EXPECT_FALSE(DestroyWindow(first.wnd));
    EXPECT_EQ(ReleaseDC(first.wnd, first.dc), 0);
    EXPECT_EQ(GetDC(first.wnd), nullptr);
    EXPECT_FALSE(SwapBuffers(first.dc));
    EXPECT_FALSE(wglMakeCurrent(first.dc, first.rc));
    GLWindow second;
    ASSERT_TRUE(second.Create("Odd", windowed, 64, 64));
    EXPECT_NE(second.wnd, first.wnd) << "handles are not reused";
    EXPECT_TRUE(wglMakeCurrent(second.dc, first.rc)) << "same format, new window";
    EXPECT_TRUE(contextCurrent());
    // A context deleted while current leaves none current.
    EXPECT_TRUE(wglDeleteContext(first.rc));
    EXPECT_FALSE(contextCurrent());
    EXPECT_FALSE(wglDeleteContext(first.rc));
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    second.Destroy();

    HWND madeUp = reinterpret_cast<HWND>(0x1234);
    EXPECT_FALSE(DestroyWindow(nullptr));
    EXPECT_FALSE(DestroyWindow(madeUp));
    EXPECT_FALSE(ShowWindow(madeUp, SW_SHOW));
    EXPECT_EQ(ReleaseDC(nullptr, nullptr), 0);
    EXPECT_EQ(ChoosePixelFormat(nullptr, nullptr), 0);
    EXPECT_EQ(wglCreateContext(nullptr), nullptr);
    EXPECT_FALSE(wglDeleteContext(nullptr));
}

TEST(Messages, QuitComesLastWithItsCodeAndNoRemoveKeepsMessages) {
    GLWindow window;
    ASSERT_TRUE(window.Create("Quit", windowed, 64, 64));
    usleep(200000);
    PostQuitMessage(7);
    MSG peeked{};
    ASSERT_TRUE(PeekMessageA(&peeked, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_NE(peeked.message, WM_QUIT) << "the window's own messages come first";
    MSG msg{};
    std::vector<UINT> order;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        order.push_back(msg.message);
        if (msg.message == WM_QUIT)
            break;
    }
    ASSERT_FALSE(order.empty());
    EXPECT_EQ(order.front(), peeked.message);
    EXPECT_EQ(order.back(), static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "quit comes once";
    window.Destroy();
}

TEST(Messages, KeysArriveWithWindowsVirtualKeyCodes) {
    GLWindow window;
    ASSERT_TRUE(window.Create("Keys", windowed, 64, 64));
    PumpMessages(100);
    const std::vector<std::pair<const char*, WPARAM>> keys = {
        {"Up", 38},       {"Down", 40},    {"Left", 37},        {"Right", 39},  {"space", 32},
        {"m", 77},        {"Escape", 27},  {"F1", 112},         {"F12", 123},   {"a", 65},
        {"z", 90},        {"0", 48},       {"9", 57},           {"Return", 13}, {"Tab", 9},
        {"BackSpace", 8}, {"Shift_L", 16}, {"Control_L", 17},   {"Delete", 46}, {"Prior", 33},
        {"KP_Add", 107},  {"minus", 189},  {"bracketleft", 219}};
    std::string command = "xdotool key --delay 0";
    for (const auto& key : keys)
        command += std::string(" ") + key.first;
    g_received.clear();
    Shell(command);
    PumpMessages(300);
    std::vector<Received> got = receivedBy(window.wnd);
    ASSERT_EQ(got.size(), keys.size() * 2);
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(got[2 * i].message, static_cast<UINT>(WM_KEYDOWN)) << keys[i].first;
        EXPECT_EQ(got[2 * i].wParam, keys[i].second) << keys[i].first;
        EXPECT_EQ(got[2 * i + 1].message, static_cast<UINT>(WM_KEYUP)) << keys[i].first;
        EXPECT_EQ(got[2 * i + 1].wParam, keys[i].second) << keys[i].first;
    }
    window.Destroy();
}

TEST(Messages, AltAndF10GiveSystemKeysAndAHeldKeyRepeats) {
    GLWindow window;
    ASSERT_TRUE(window.Create("SysKeys", windowed, 64, 64));
    PumpMessages(100);
    g_received.clear();
    Shell("xdotool keydown Alt_L key x keyup Alt_L key F10");
    PumpMessages(300);
    std::vector<Received> got = receivedBy(window.wnd);
    std::vector<std::pair<UINT, WPARAM>> seen;
    for (const Received& r : got)
        seen.emplace_back(r.message, r.wParam);
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_SYSKEYDOWN, VK_MENU}, {WM_SYSKEYDOWN, 'X'},    {WM_SYSKEYUP, 'X'},
        {WM_SYSKEYUP, VK_MENU},   {WM_SYSKEYDOWN, VK_F10}, {WM_SYSKEYUP, VK_F10}};
    EXPECT_EQ(seen, expected);

    Shell("xdotool keydown a sleep 0.9 keyup a");
    PumpMessages(200);
    got = receivedBy(window.wnd);
    ASSERT_GE(got.size(), 3u) << "the X server repeats a key held for 0.9 s";
    for (size_t i = 0; i + 1 < got.size(); ++i) {
        EXPECT_EQ(got[i].message, static_cast<UINT>(WM_KEYDOWN));
        EXPECT_EQ((got[i].lParam >> 30) & 1, i > 0 ? 1 : 0) << "previous-state bit";
    }
    EXPECT_EQ(got.back().message, static_cast<UINT>(WM_KEYUP));
    window.Destroy();
}

TEST(Messages, ActivationSizeAndCloseFollowTheWindow) {
    GLWindow first;
    ASSERT_TRUE(first.Create("First", windowed, 640, 480));
    PumpMessages(200);
    EXPECT_TRUE(has(receivedBy(first.wnd), WM_ACTIVATE, WA_ACTIVE, 0));
    GLWindow second;
    ASSERT_TRUE(second.Create("Second", windowed, 64, 64));
    PumpMessages(200);
    EXPECT_TRUE(has(receivedBy(first.wnd), WM_ACTIVATE, WA_INACTIVE, 0))
        << "losing the focus is not minimising";
    SetFocus(first.wnd);

    // Without a window manager, minimising is the state a manager would set.
    const std::string xid = XWindowId("First");
    Shell("xprop -id " + xid + " -f _NET_WM_STATE 32a -set _NET_WM_STATE _NET_WM_STATE_HIDDEN");
    PumpMessages(200);
    std::vector<Received> got = receivedBy(first.wnd);
    EXPECT_TRUE(has(got, WM_ACTIVATE, WA_INACTIVE | 0x10000, 0));
    EXPECT_TRUE(has(got, WM_SIZE, SIZE_MINIMIZED, 0));
    Shell("xprop -id " + xid + " -remove _NET_WM_STATE");
    PumpMessages(200);
    got = receivedBy(first.wnd);
    EXPECT_TRUE(std::any_of(got.begin(), got.end(), [](const Received& r) {
        return r.message == WM_ACTIVATE && HIWORD(r.wParam) == 0;
    }));
    EXPECT_TRUE(has(got, WM_SIZE, SIZE_RESTORED, 640 | (480 << 16)));

    Shell("xdotool windowsize " + xid + " 800 600");
    PumpMessages(200);
    EXPECT_TRUE(has(receivedBy(first.wnd), WM_SIZE, SIZE_RESTORED, 800 | (600 << 16)));

    RequestClose(xid);
    PumpMessages(200);
    got = receivedBy(first.wnd);
    EXPECT_TRUE(has(got, WM_SYSCOMMAND, SC_CLOSE, 0));
    EXPECT_TRUE(has(got, WM_CLOSE, 0, 0)) << "DefWindowProcA turns SC_CLOSE into WM_CLOSE";

    // SIGTERM asks every window to close, as a polite taskkill does.
    raise(SIGTERM);
    PumpMessages(100);
    EXPECT_TRUE(has(receivedBy(first.wnd), WM_CLOSE, 0, 0));

    // A window destroyed before its messages are read gets none of them.
    RequestClose(XWindowId("Second"));
    usleep(200000);
    const HWND gone = second.wnd;
    second.Destroy();
    PumpMessages(100);
    EXPECT_TRUE(receivedBy(gone).empty());
    first.Destroy();
}
} // namespace

namespace {
// A person answers the real box from the keyboard; a hook answers in its place.
TEST(MessageBox, RealBoxesAreAnsweredFromTheKeyboardAndTheHookStandsIn) {
    // The box's caption is not where xdotool looks for names, so xwininfo finds it.
    const auto answer = [](const char* caption, const char* key) {
        Shell(std::string("(for i in $(seq 200); do id=$(xwininfo -root -tree | awk '/\"") +
              caption + "\"/ {print $1; exit}'); [ -n \"$id\" ] && break; sleep 0.05; done; " +
              "xdotool windowfocus --sync $id key " + key + ") >/dev/null 2>&1 &");
    };
    answer("Question", "Return");
    EXPECT_EQ(MessageBoxA(nullptr, "Use windowed mode?", "Question", MB_YESNO | MB_ICONEXCLAMATION),
              IDYES);
    answer("Again", "Escape");
    EXPECT_EQ(MessageBoxA(nullptr, "Use windowed mode?", "Again", MB_YESNO), IDNO);
    answer("Note", "Return");
    EXPECT_EQ(MessageBoxA(nullptr, "Done.", "Note", MB_OK | MB_ICONINFORMATION), IDOK);

    std::string seen;
    SetMessageBoxHook([&](const char* text, const char* caption, UINT type) {
        seen = std::string(caption) + ": " + text + (type & MB_YESNO ? " ?" : "");
        return IDNO;
    });
    EXPECT_EQ(MessageBoxA(nullptr, "Quit?", "Hooked", MB_YESNO), IDNO);
    EXPECT_EQ(seen, "Hooked: Quit? ?");
    SetMessageBoxHook({});
}
} // namespace
