#include "support/glcontext.h"

#include <GL/gl.h>

GLContext::GLContext(int w, int h) : width(w), height(h) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "GLTest";
    RegisterClassA(&wc);
    RECT frame = {0, 0, w, h};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    window =
        CreateWindowExA(0, "GLTest", "test", WS_OVERLAPPEDWINDOW, 0, 0, frame.right - frame.left,
                        frame.bottom - frame.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window)
        return;
    dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 16;
    const int format = ChoosePixelFormat(dc, &pfd);
    if (!format || !SetPixelFormat(dc, format, &pfd))
        return;
    context = wglCreateContext(dc);
    if (context && !wglMakeCurrent(dc, context)) {
        wglDeleteContext(context);
        context = nullptr;
    }
    if (context)
        ShowWindow(window, SW_SHOW);
}

GLContext::~GLContext() {
    if (context) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context);
    }
    if (dc)
        ReleaseDC(window, dc);
    if (window)
        DestroyWindow(window);
    UnregisterClassA("GLTest", GetModuleHandleA(nullptr));
}

std::vector<std::uint8_t> GLContext::readRGB() const {
    std::vector<std::uint8_t> rgb(3u * width * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

std::uint32_t GLContext::pixel(int x, int y) const {
    std::uint8_t rgb[3] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return (std::uint32_t(rgb[0]) << 16) | (std::uint32_t(rgb[1]) << 8) | rgb[2];
}
