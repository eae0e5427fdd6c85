#include "tests/platform/support.h"

#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>
#include <algorithm>
#include <unistd.h>

std::vector<Received> g_received;

namespace {
LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_received.push_back({window, message, wParam, lParam});
    return DefWindowProcA(window, message, wParam, lParam);
}
} // namespace

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
