#include "tests/platform/support.h"

std::vector<MSG> g_received;

namespace {
LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_received.push_back({window, message, wParam, lParam, 0, {}});
    return DefWindowProcA(window, message, wParam, lParam);
}
} // namespace

std::string Geometry(const std::string& title) {
    return Shell("eval $(xdotool search --name '^" + title +
                 "$' getwindowgeometry --shell) && echo -n ${WIDTH}x${HEIGHT}+$X+$Y");
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
