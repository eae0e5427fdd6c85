#include "tests/platform/support.h"

#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

std::vector<Received> g_received;

namespace {
// Xvfb writes its display number to the pipe once it takes clients. Without a window manager
// nobody makes the atom that tells one about borders, so it is made here: SDL then records a
// borderless window where xprop sees it.
bool startServer(const char* screen) {
    int ready[2];
    if (pipe(ready) != 0)
        return false;
    const pid_t server = fork();
    if (server == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", std::to_string(ready[1]).c_str(), "-screen", "0",
               screen, "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);
    char number[16] = {};
    const bool started = server > 0 && read(ready[0], number, sizeof number - 1) > 0;
    close(ready[0]);
    if (!started)
        return false;
    setenv("DISPLAY", (":" + std::string(number, std::strcspn(number, "\n"))).c_str(), 1);
    Shell("xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0");
    return true;
}

struct Server : ::testing::Environment {
    explicit Server(const char* size) : screen(size) {}
    void SetUp() override { ASSERT_TRUE(startServer(screen)) << "Xvfb did not start"; }
    const char* screen;
};

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_received.push_back({window, message, wParam, lParam});
    return DefWindowProcA(window, message, wParam, lParam);
}
} // namespace

::testing::Environment* PrivateDisplay(const char* screen) {
    return ::testing::AddGlobalTestEnvironment(new Server(screen));
}

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

std::string Xid(const std::string& title) {
    return "$(xdotool search --name '^" + title + "$')";
}

std::string Geometry(const std::string& title) {
    return Shell("eval $(xdotool getwindowgeometry --shell " + Xid(title) +
                 ") && echo -n ${WIDTH}x${HEIGHT}+$X+$Y");
}

int ServerResources(const char* type) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return -1;
    XResClientIdSpec ours = {None, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* ids = nullptr;
    int total = 0;
    XResQueryClientIds(display, 1, &ours, &count, &ids);
    const Atom wanted = XInternAtom(display, type, False);
    for (long i = 0; i < count; ++i) {
        if (XResGetClientPid(&ids[i]) != getpid())
            continue;
        int kinds = 0;
        XResType* types = nullptr;
        XResQueryClientResources(display, ids[i].spec.client, &kinds, &types);
        for (int k = 0; k < kinds; ++k)
            if (types[k].resource_type == wanted)
                total += static_cast<int>(types[k].count);
        XFree(types);
    }
    XResClientIdsDestroy(count, ids);
    XCloseDisplay(display);
    return total;
}

DEVMODEA ProgramMode() {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = 640;
    mode.dmPelsHeight = 480;
    mode.dmBitsPerPel = 16;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    return mode;
}

bool Await(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    for (int waited = 0; waited < 3000; waited += 10) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (std::any_of(g_received.begin(), g_received.end(), [&](const Received& r) {
                return r.window == window && r.message == message && r.wParam == wParam &&
                       (lParam == -1 || r.lParam == lParam);
            }))
            return true;
        usleep(10000);
    }
    return false;
}

bool GLWindow::Create(const char* title, DWORD style, int width, int height) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = recordingProc;
    wc.lpszClassName = "Test";
    RegisterClassA(&wc);
    RECT frame = {0, 0, width, height};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_APPWINDOW);
    wnd = CreateWindowExA(WS_EX_APPWINDOW, "Test", title, style, 0, 0, frame.right - frame.left,
                          frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleA(nullptr),
                          nullptr);
    dc = GetDC(wnd);
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 16;
    pfd.cDepthBits = 16;
    if (!SetPixelFormat(dc, ChoosePixelFormat(dc, &pfd), &pfd))
        return false;
    rc = wglCreateContext(dc);
    if (!wglMakeCurrent(dc, rc))
        return false;
    ShowWindow(wnd, SW_SHOW);
    SetForegroundWindow(wnd);
    SetFocus(wnd);
    return true;
}

void GLWindow::Destroy() {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(rc);
    ReleaseDC(wnd, dc);
    DestroyWindow(wnd);
    *this = GLWindow();
}
