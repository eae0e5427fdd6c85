#include "tests/platform/support.h"

#include <X11/Xlib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

std::vector<Received> g_received;

namespace {
pid_t g_server = 0;

void stopServer() {
    if (g_server > 0) {
        kill(g_server, SIGTERM);
        waitpid(g_server, nullptr, 0);
    }
}
} // namespace

namespace {
bool startServer(const char* screen) {
    int ready[2];
    if (pipe(ready) != 0)
        return false;
    const pid_t child = fork();
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(ready[0]);
        // Xvfb reports each display number it finds taken; the tests' logs need none of that.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        const std::string fd = std::to_string(ready[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);
    if (child < 0) {
        close(ready[0]);
        return false;
    }
    g_server = child;
    std::atexit(stopServer);
    // Xvfb writes its display number once it accepts clients.
    char number[16] = {};
    size_t got = 0;
    while (got + 1 < sizeof number) {
        const ssize_t n = read(ready[0], number + got, sizeof number - 1 - got);
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
        if (std::strchr(number, '\n'))
            break;
    }
    close(ready[0]);
    if (!got)
        return false;
    number[std::strcspn(number, "\n")] = '\0';
    setenv("DISPLAY", (std::string(":") + number).c_str(), 1);
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XInternAtom(display, "_MOTIF_WM_HINTS", False);
    XCloseDisplay(display);
    return true;
}

class ServerEnvironment : public ::testing::Environment {
  public:
    explicit ServerEnvironment(const char* screen) : screen_(screen) {}
    void SetUp() override { ASSERT_TRUE(startServer(screen_)) << "Xvfb did not start"; }

  private:
    const char* screen_;
};
} // namespace

::testing::Environment* PrivateDisplay(const char* screen) {
    return ::testing::AddGlobalTestEnvironment(new ServerEnvironment(screen));
}

std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[256];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

std::string XWindowId(const std::string& title) {
    const std::string out = Shell("xdotool search --name '^" + title + "$' 2>/dev/null");
    return out.substr(0, out.find('\n'));
}

void RequestClose(const std::string& xid) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::stoul(xid);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(display);
}

XWindowState QueryWindow(const std::string& xid) {
    XWindowState state;
    const std::string geometry = Shell("xdotool getwindowgeometry " + xid);
    std::sscanf(geometry.c_str() + geometry.find("Position:"), "Position: %d,%d", &state.x,
                &state.y);
    std::sscanf(geometry.c_str() + geometry.find("Geometry:"), "Geometry: %dx%d", &state.width,
                &state.height);
    const std::string hints = Shell("xprop -id " + xid + " _MOTIF_WM_HINTS WM_NORMAL_HINTS");
    unsigned flags = 0;
    unsigned functions = 0;
    unsigned decorations = 1;
    const size_t motif = hints.find("_MOTIF_WM_HINTS(");
    if (motif != std::string::npos &&
        std::sscanf(hints.c_str() + hints.find('=', motif) + 1, "%x, %x, %x", &flags, &functions,
                    &decorations) == 3)
        state.decorated = decorations != 0;
    state.resizable = hints.find("program specified maximum size") == std::string::npos;
    return state;
}

void PumpMessages(int milliseconds) {
    for (int waited = 0; waited <= milliseconds; waited += 10) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        usleep(10000);
    }
}

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_received.push_back({window, message, wParam, lParam});
    return DefWindowProcA(window, message, wParam, lParam);
}

PIXELFORMATDESCRIPTOR ProgramPixelFormat(int colorBits, int depthBits) {
    PIXELFORMATDESCRIPTOR pfd;
    std::memset(&pfd, 0, sizeof pfd);
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(colorBits);
    pfd.cDepthBits = static_cast<BYTE>(depthBits);
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

bool GLWindow::Create(const char* title, DWORD style, int width, int height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "Test";
        registered = RegisterClassA(&wc) != 0;
    }
    wnd = CreateWindowExA(WS_EX_APPWINDOW, "Test", title, style, 0, 0, width, height, nullptr,
                          nullptr, GetModuleHandleA(nullptr), nullptr);
    dc = GetDC(wnd);
    const PIXELFORMATDESCRIPTOR pfd = ProgramPixelFormat(16, 16);
    const int format = ChoosePixelFormat(dc, &pfd);
    if (!format || !SetPixelFormat(dc, format, &pfd))
        return false;
    rc = wglCreateContext(dc);
    if (!rc || !wglMakeCurrent(dc, rc))
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
