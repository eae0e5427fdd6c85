// USER32, GDI and WGL in a web page: the window is the page's canvas, the rendering context its
// WebGL context under the fixed-function layer (gl.cpp), the message queue the page's keys, and
// message boxes, full screen and the title the page's own (library.js, page/page.js).
//
// Differs from Win32:
// - One window at a time, since the page has one canvas: CreateWindowExA fails while another
//   window lives. The canvas takes the size asked for; a window has no frame, so
//   AdjustWindowRectEx changes nothing. The title becomes the page's title.
// - ShowWindow sends WM_ACTIVATE and WM_SIZE (Win32 sends the size during creation, before a
//   context exists; the window procedure's GL calls need one).
// - The only messages are the page's key presses and releases (WM_KEYDOWN, WM_KEYUP) and what
//   the program posts; a page cannot be minimised or closed from within, so WM_ACTIVATE comes
//   once and WM_CLOSE never. TranslateMessage makes no WM_CHAR.
// - ChangeDisplaySettingsA asks for the browser's full screen, which a browser grants only to a
//   key or click handler: the page asks when F1 is pressed, and this reports whether it got it.
//   The canvas keeps its 640 x 480 pixels and the browser scales it to the screen.
// - One rendering context at a time, on the page's one WebGL context; deleting it deletes what
//   the program made in it. SwapBuffers returns once the browser has shown the frame, so the
//   loop runs at the browser's frame rate.
// - A page's WebGL context can be taken away by the browser (a GPU reset, or too many contexts)
//   and given back empty. Nothing of the program's set-up survives it: its textures and font
//   lists were made once, when its context was made, and OpenGL never loses them. So SwapBuffers
//   waits while the context is lost (the page says why), and when it is back the set-up runs
//   again as after F1's new window, through the program's own steps that follow a context's
//   creation (ReSizeGLScene, InitGL) on the fixed-function layer started afresh. The ride's state
//   is not touched, so the ride goes on where it was. Keys pressed meanwhile wait in the queue.
// - Every font is the bold monospaced face the build rasterised (glyphs.h), whatever CreateFontA
//   asks for.
#include "fixed.h"
#include "glyphs.h"
#include "shell/openwindow.h"
#include "sim/InitGL.h"

#include <windows.h>

#include <emscripten/html5.h>

#include <deque>
#include <map>
#include <set>
#include <string>

extern "C" {
int balantor_present();
int balantor_fullscreen(int on);
int balantor_message_box(const char* text, const char* caption, unsigned type);
int balantor_next_key();
void balantor_show_window(const char* title, int width, int height);
void balantor_show_cursor(int show);
}

namespace {
struct Window {
    WNDPROC proc = nullptr;
    std::string title;
    int width = 0;
    int height = 0;
    int pixelFormat = 0;
    HGDIOBJ font = nullptr;
};

// Handles are numbers from one counter, never reused, so a stale handle finds nothing.
std::uintptr_t g_nextHandle = 2;
const std::uintptr_t kStockFont = 1;
std::map<std::string, WNDPROC> g_classes;
std::uintptr_t g_window = 0; // 0: no window
Window g_windowRecord;
std::uintptr_t g_context = 0; // 0: no rendering context
bool g_contextCurrent = false;
std::set<std::uintptr_t> g_fonts;
std::deque<MSG> g_queue;
bool g_quitPosted = false;
int g_quitCode = 0;
int g_cursorCount = 0;
EMSCRIPTEN_WEBGL_CONTEXT_HANDLE g_webgl = 0;

template <typename Handle> Handle toHandle(std::uintptr_t id) {
    return reinterpret_cast<Handle>(id);
}
template <typename Handle> std::uintptr_t handleId(Handle handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

// The device context of the window is the window's number plus one: both come from the counter,
// which hands out two numbers per window.
Window* windowOf(HWND window) {
    return g_window != 0 && handleId(window) == g_window ? &g_windowRecord : nullptr;
}
Window* windowOfDC(HDC dc) {
    return g_window != 0 && handleId(dc) == g_window + 1 ? &g_windowRecord : nullptr;
}

LRESULT send(UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = windowOf(toHandle<HWND>(g_window));
    return window ? window->proc(toHandle<HWND>(g_window), message, wParam, lParam) : 0;
}

// The context came back empty after the browser took it: set up again in it (see above).
void setUpAgain() {
    platform::restartFixedFunction();
    start.ReSizeGLScene(g_windowRecord.width, g_windowRecord.height);
    if (!start.InitGL()) {
        MessageBoxA(nullptr, "Initialization Failed.", "ERROR", MB_OK | MB_ICONEXCLAMATION);
        PostQuitMessage(1);
    }
}

void takeKeys() {
    for (int key; (key = balantor_next_key()) != 0;) {
        if (!g_window)
            continue;
        MSG msg{};
        msg.hwnd = toHandle<HWND>(g_window);
        msg.message = (key & 0x100) ? WM_KEYDOWN : WM_KEYUP;
        msg.wParam = static_cast<WPARAM>(key & 0xff);
        g_queue.push_back(msg);
    }
}
} // namespace

HMODULE GetModuleHandleA(LPCSTR) {
    return toHandle<HMODULE>(0x400000);
}

HICON LoadIconA(HINSTANCE, LPCSTR name) {
    return toHandle<HICON>(handleId(name));
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
    return toHandle<HCURSOR>(handleId(name));
}

ATOM RegisterClassA(const WNDCLASSA* wndClass) {
    if (!wndClass || !wndClass->lpszClassName || !wndClass->lpfnWndProc ||
        g_classes.count(wndClass->lpszClassName))
        return 0;
    g_classes[wndClass->lpszClassName] = wndClass->lpfnWndProc;
    return static_cast<ATOM>(g_classes.size());
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    return className && g_classes.erase(className) ? TRUE : FALSE;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD, BOOL, DWORD) {
    return rect ? TRUE : FALSE;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD, int, int, int width,
                     int height, HWND, HMENU, HINSTANCE, void*) {
    if (g_window || !className || !g_classes.count(className) || width < 1 || height < 1)
        return nullptr;
    g_window = g_nextHandle;
    g_nextHandle += 2;
    g_windowRecord = Window();
    g_windowRecord.proc = g_classes[className];
    g_windowRecord.title = windowName ? windowName : "";
    g_windowRecord.width = width;
    g_windowRecord.height = height;
    balantor_show_window(g_windowRecord.title.c_str(), width, height);
    return toHandle<HWND>(g_window);
}

BOOL DestroyWindow(HWND window) {
    if (!windowOf(window))
        return FALSE;
    g_window = 0;
    for (auto it = g_queue.begin(); it != g_queue.end();)
        it = it->hwnd == window ? g_queue.erase(it) : it + 1;
    return TRUE;
}

BOOL ShowWindow(HWND window, int command) {
    Window* w = windowOf(window);
    if (!w || command == SW_HIDE)
        return FALSE;
    send(WM_ACTIVATE, WA_ACTIVE, 0);
    send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->width, w->height));
    return FALSE;
}

BOOL SetForegroundWindow(HWND window) {
    return windowOf(window) ? TRUE : FALSE;
}

HWND SetFocus(HWND window) {
    return windowOf(window) ? window : nullptr;
}

int ShowCursor(BOOL show) {
    g_cursorCount += show ? 1 : -1;
    balantor_show_cursor(g_cursorCount >= 0);
    return g_cursorCount;
}

LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags) {
    if (!mode)
        return balantor_fullscreen(0) ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_FAILED;
    if (!(flags & CDS_FULLSCREEN))
        return DISP_CHANGE_BADMODE;
    return balantor_fullscreen(1) ? DISP_CHANGE_SUCCESSFUL : DISP_CHANGE_FAILED;
}

HDC GetDC(HWND window) {
    return windowOf(window) ? toHandle<HDC>(g_window + 1) : nullptr;
}

int ReleaseDC(HWND window, HDC dc) {
    return windowOf(window) && windowOfDC(dc) ? 1 : 0;
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    return balantor_message_box(text ? text : "", caption ? caption : "Error", type);
}

BOOL PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT removeMsg) {
    takeKeys();
    if (g_queue.empty()) {
        if (!g_quitPosted)
            return FALSE;
        *msg = MSG{};
        msg->message = WM_QUIT;
        msg->wParam = static_cast<WPARAM>(g_quitCode);
        if (removeMsg & PM_REMOVE)
            g_quitPosted = false;
        return TRUE;
    }
    *msg = g_queue.front();
    if (removeMsg & PM_REMOVE)
        g_queue.pop_front();
    return TRUE;
}

BOOL TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    Window* window = msg ? windowOf(msg->hwnd) : nullptr;
    return window ? window->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}

void PostQuitMessage(int exitCode) {
    g_quitPosted = true;
    g_quitCode = exitCode;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd) {
    return windowOfDC(dc) && pfd && pfd->iPixelType == PFD_TYPE_RGBA ? 1 : 0;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) {
    Window* window = windowOfDC(dc);
    if (!window || format != 1 || window->pixelFormat)
        return FALSE;
    window->pixelFormat = format;
    return TRUE;
}

HGLRC wglCreateContext(HDC dc) {
    Window* window = windowOfDC(dc);
    if (!window || !window->pixelFormat || g_context)
        return nullptr;
    if (!g_webgl) {
        EmscriptenWebGLContextAttributes attributes;
        emscripten_webgl_init_context_attributes(&attributes);
        attributes.alpha = EM_FALSE;
        attributes.depth = EM_TRUE;
        attributes.stencil = EM_FALSE;
        attributes.antialias = EM_FALSE;
        // As the page's loader asked for it first, while the page loaded: that context is the
        // one given.
        // Kept after it is shown, so that a held frame can be read back as it was drawn.
        attributes.preserveDrawingBuffer = EM_TRUE;
        attributes.majorVersion = 1;
        // The layer draws with WebGL 1 alone; switching on Emscripten's default extensions costs
        // the first frame a quarter of a second on a busy machine.
        attributes.enableExtensionsByDefault = EM_FALSE;
        g_webgl = emscripten_webgl_create_context("#canvas", &attributes);
        if (g_webgl <= 0) {
            g_webgl = 0;
            return nullptr;
        }
    }
    g_context = g_nextHandle++;
    emscripten_webgl_make_context_current(g_webgl);
    platform::startFixedFunction();
    g_contextCurrent = false;
    return toHandle<HGLRC>(g_context);
}

BOOL wglMakeCurrent(HDC dc, HGLRC context) {
    if (!context) {
        g_contextCurrent = false;
        return TRUE;
    }
    g_contextCurrent = handleId(context) == g_context && windowOfDC(dc) != nullptr;
    return g_contextCurrent ? TRUE : FALSE;
}

BOOL wglDeleteContext(HGLRC context) {
    if (!context || handleId(context) != g_context)
        return FALSE;
    platform::stopFixedFunction();
    g_context = 0;
    g_contextCurrent = false;
    return TRUE;
}

BOOL SwapBuffers(HDC dc) {
    if (!windowOfDC(dc) || !g_contextCurrent)
        return FALSE;
    platform::frameShown();
    if (balantor_present())
        setUpAgain();
    return TRUE;
}

HFONT CreateFontA(int, int, int, int, int, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                  LPCSTR) {
    const std::uintptr_t id = g_nextHandle++;
    g_fonts.insert(id);
    return toHandle<HFONT>(id);
}

// A device context starts with the stock font selected, as on Win32.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    Window* window = windowOfDC(dc);
    if (!window || (handleId(object) != kStockFont && !g_fonts.count(handleId(object))))
        return nullptr;
    const HGDIOBJ previous = window->font ? window->font : toHandle<HGDIOBJ>(kStockFont);
    window->font = object;
    return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (handleId(object) == kStockFont)
        return TRUE;
    if (g_window && g_windowRecord.font == object)
        return FALSE;
    return g_fonts.erase(handleId(object)) ? TRUE : FALSE;
}

BOOL wglUseFontBitmapsA(HDC dc, DWORD first, DWORD count, DWORD listBase) {
    if (!windowOfDC(dc) || !g_contextCurrent)
        return FALSE;
    const int alignment = platform::unpackAlignment();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (DWORD i = 0; i < count; ++i) {
        const platform::Glyph& glyph = platform::glyph(first + i);
        glNewList(listBase + i, GL_COMPILE);
        glBitmap(glyph.width, glyph.rows, glyph.xorig, glyph.yorig, glyph.advance, 0, glyph.bits);
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return TRUE;
}
