// GDI pixel formats and WGL rendering contexts on SDL2's OpenGL support.
//
// Differs from Win32:
// - ChoosePixelFormat does not enumerate the device's formats: it records the descriptor's
//   request (double buffering, colour, alpha, depth and stencil bits) and returns its number.
//   The sizes are minimums; the window system may give more, as Win32's closest match may.
// - On X11 a window's visual is fixed when the window is made, so SetPixelFormat makes the
//   window's SDL window anew with that format. It fails, leaving the window as it was, when no
//   visual offers the format; a window keeps its first format, as on Win32.
// - Contexts are SDL's default: a compatibility context that runs OpenGL 1.1 calls. They share
//   nothing with each other, as wglCreateContext's contexts before wglShareLists.
// - Making a context current asks for a swap interval of 1, so SwapBuffers waits for the
//   display's refresh where the driver offers it.
// - SwapBuffers needs a context current on the window (SDL swaps only then).
#include "internal.h"

#include <algorithm>
#include <vector>

namespace platform {
namespace {
struct Context {
    SDL_GLContext gl;
    int pixelFormat;
};

std::vector<PixelFormat> g_formats;
// Never destroyed: a context the program left undeleted stays reachable until the process ends.
std::map<std::uintptr_t, Context>& g_contexts = *new std::map<std::uintptr_t, Context>;

Context* findContext(HGLRC context) {
    auto it = g_contexts.find(handleId(context));
    return it == g_contexts.end() ? nullptr : &it->second;
}

void releaseCurrent() {
    if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GL_GetCurrentContext())
        SDL_GL_MakeCurrent(nullptr, nullptr);
}
} // namespace

const PixelFormat* pixelFormatAt(int index) {
    if (index < 1 || index > static_cast<int>(g_formats.size()))
        return nullptr;
    return &g_formats[index - 1];
}

void applyGlAttributes(const PixelFormat& format) {
    SDL_GL_ResetAttributes();
    // Green takes the odd bit, as in the 5-6-5 layout of 16-bit colour.
    const int colour = std::min(format.colorBits, 24);
    const int green = (colour + 2) / 3;
    const int redBlue = (colour - green) / 2;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, redBlue);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, green);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, redBlue);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, format.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, format.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, format.doubleBuffer ? 1 : 0);
}

} // namespace platform

using namespace platform;

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd) {
    if (!findWindowByDC(dc) || !pfd || pfd->iPixelType != PFD_TYPE_RGBA)
        return 0;
    PixelFormat format;
    format.doubleBuffer = (pfd->dwFlags & PFD_DOUBLEBUFFER) != 0;
    format.colorBits = pfd->cColorBits;
    format.alphaBits = pfd->cAlphaBits;
    format.depthBits = pfd->cDepthBits;
    format.stencilBits = pfd->cStencilBits;
    auto it = std::find(g_formats.begin(), g_formats.end(), format);
    if (it == g_formats.end())
        it = g_formats.insert(g_formats.end(), format);
    return static_cast<int>(it - g_formats.begin()) + 1;
}

BOOL SetPixelFormat(HDC dc, int index, const PIXELFORMATDESCRIPTOR*) {
    Window* window = findWindowByDC(dc);
    const PixelFormat* format = pixelFormatAt(index);
    if (!window || !format)
        return FALSE;
    if (window->pixelFormat)
        return window->pixelFormat == index ? TRUE : FALSE;
    if (!recreateSdlWindow(*window, format))
        return FALSE;
    window->pixelFormat = index;
    return TRUE;
}

HGLRC wglCreateContext(HDC dc) {
    Window* window = findWindowByDC(dc);
    if (!window || !window->pixelFormat)
        return nullptr;
    // SDL makes a new context current; Win32 leaves the current one alone.
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    applyGlAttributes(*pixelFormatAt(window->pixelFormat));
    SDL_GLContext gl = SDL_GL_CreateContext(window->sdl);
    if (previous)
        SDL_GL_MakeCurrent(previousWindow, previous);
    else
        releaseCurrent();
    if (!gl)
        return nullptr;
    const std::uintptr_t id = newHandleId();
    g_contexts[id] = Context{gl, window->pixelFormat};
    return toHandle<HGLRC>(id);
}

BOOL wglMakeCurrent(HDC dc, HGLRC handle) {
    if (!handle) {
        releaseCurrent();
        return TRUE;
    }
    Context* context = findContext(handle);
    Window* window = findWindowByDC(dc);
    // As on Win32, a failed call leaves no context current.
    if (!context || !window || window->pixelFormat != context->pixelFormat ||
        SDL_GL_MakeCurrent(window->sdl, context->gl) != 0) {
        releaseCurrent();
        return FALSE;
    }
    SDL_GL_SetSwapInterval(1);
    return TRUE;
}

BOOL wglDeleteContext(HGLRC handle) {
    Context* context = findContext(handle);
    if (!context)
        return FALSE;
    if (SDL_GL_GetCurrentContext() == context->gl)
        releaseCurrent();
    SDL_GL_DeleteContext(context->gl);
    g_contexts.erase(handleId(handle));
    return TRUE;
}

BOOL SwapBuffers(HDC dc) {
    Window* window = findWindowByDC(dc);
    if (!window || !window->pixelFormat || SDL_GL_GetCurrentWindow() != window->sdl)
        return FALSE;
    SDL_GL_SwapWindow(window->sdl);
    return TRUE;
}
