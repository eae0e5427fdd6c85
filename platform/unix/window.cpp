// USER32 and KERNEL32 window calls on SDL2: window classes, windows, their device contexts, the
// cursor and the display-mode change.
//
// As on Win32, AdjustWindowRectEx grows a client rectangle by the frame of the style (the classic
// metrics: a sizing border of 4 pixels, a caption of 19), and CreateWindowExA places the frame
// at the position given, so the client area lies inside it. Creating, showing and destroying a
// window send the window procedure its messages at once, in Win32's order (WM_NCCREATE,
// WM_CREATE and, for a popup, WM_SIZE and WM_MOVE; WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS and,
// on the first show, WM_SIZE and WM_MOVE; WM_ACTIVATE, WM_KILLFOCUS, WM_DESTROY, WM_NCDESTROY);
// giving a display mode back sends WM_DISPLAYCHANGE.
//
// Differs from Win32:
// - SDL draws no frame: where no window manager adds one, the frame's place stays empty, and a
//   window manager's frame has its own size. Windows are not made smaller to fit the screen.
// - Of Win32's messages only those above are sent (no WM_NCCALCSIZE, WM_GETMINMAXINFO,
//   WM_ACTIVATEAPP, WM_NCACTIVATE, painting or position-changing messages).
// - A window is decorated when its style has a caption, resizable when it has a sizing frame.
//   A WS_POPUP window made while ChangeDisplaySettingsA has a mode in force is an SDL full-screen
//   window over that mode: the X server switches when the window is shown and switches back, to
//   the desktop's mode at the change, when the mode is undone, the window goes or the process
//   ends.
// - ChangeDisplaySettingsA matches width and height only (an X server keeps one colour depth),
//   on the first display; its flags are not looked at, every change lasts until undone.
// - Until SetPixelFormat the window has no GL visual; SetPixelFormat makes its SDL window anew
//   (see wgl.cpp). Windows are created hidden, as Win32 windows without WS_VISIBLE.
// - Instance handles are not looked at: there is one module. Icons and cursors are stock
//   handles that change nothing; SDL keeps its arrow cursor.
// - Later changes of focus and size come from SDL's events through PeekMessageA.
// - Windows are made only on a video driver that shows them to a person: without a display,
//   CreateWindowExA fails and standard error says what is missing, unless SDL_VIDEODRIVER
//   names a driver.
#include "internal.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {
std::map<std::string, WNDPROC> g_classes; // by lower-case name
ATOM g_nextAtom = 0xC000;
bool g_modeChanged = false;
SDL_DisplayMode g_changedMode{};
int g_cursorCount = 0;

// The frame Win32 puts around a client area of this style.
RECT frameOf(DWORD style) {
    const LONG border = (style & WS_THICKFRAME) ? 4 : (style & WS_CAPTION) ? 3 : 0;
    const LONG caption = (style & WS_CAPTION) == WS_CAPTION ? 19 : 0;
    return {border, border + caption, border, border};
}

// Win32 class names ignore case.
std::string classKey(const char* name) {
    std::string key = name;
    for (char& c : key)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

void applyCursor() {
    SDL_ShowCursor(g_cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

// Without a display SDL falls back to drivers that draw where nobody sees ("offscreen", "dummy"):
// the program would run unseen and never end. A driver named by the person still wins.
bool visibleDriver() {
    const char* chosen = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (chosen != nullptr && *chosen != '\0')
        return true;
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && std::strcmp(driver, "offscreen") != 0 &&
           std::strcmp(driver, "dummy") != 0;
}

void noDisplay() {
    static bool said = false;
    if (!said)
        std::fputs("No display found: set DISPLAY (or WAYLAND_DISPLAY) to a running X or Wayland "
                   "server, or run under a desktop session or Xvfb (xvfb-run).\n",
                   stderr);
    said = true;
}

// An X server keeps a changed mode after its client is gone.
void restoreDisplay() {
    ChangeDisplaySettingsA(nullptr, 0);
}
} // namespace

std::uintptr_t newHandleId() {
    static std::uintptr_t next = 0x10000;
    return ++next;
}

std::map<std::uintptr_t, Window>& windows() {
    // Never destroyed, so the exit handler above can still look at the windows.
    static auto* all = new std::map<std::uintptr_t, Window>;
    return *all;
}

std::vector<HWND> windowHandles() {
    std::vector<HWND> handles;
    for (auto& entry : windows())
        handles.push_back(toHandle<HWND>(entry.first));
    return handles;
}

Window* findWindow(HWND window) {
    auto it = windows().find(handleId(window));
    return it == windows().end() ? nullptr : &it->second;
}

Window* findWindowByDC(HDC dc) {
    if (!dc)
        return nullptr;
    for (auto& entry : windows())
        if (entry.second.dc == handleId(dc))
            return &entry.second;
    return nullptr;
}

HWND findWindowBySdlId(Uint32 sdlId) {
    for (auto& entry : windows())
        if (entry.second.sdl && SDL_GetWindowID(entry.second.sdl) == sdlId)
            return toHandle<HWND>(entry.first);
    return nullptr;
}

bool ensureVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO))
        return true;
    // Signals are ours (signals.cpp); closing windows is the program's business; a full-screen
    // window stays full screen when a message box takes the focus, as on Win32.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0 || !visibleDriver()) {
        if (SDL_WasInit(SDL_INIT_VIDEO))
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        noDisplay();
        return false;
    }
    watchSignals();
    // However the process exits, a changed display mode is given back: registered after the
    // signals' exit handler, so that it runs before the process ends by a signal there.
    static bool registered = false;
    if (!registered)
        registered = std::atexit(restoreDisplay) == 0;
    watchXKeys();
    // Loaded once for the whole run: SDL would unload OpenGL with the last window of a
    // full-screen switch and load it again with the next, each time leaving a colormap of its
    // tests on the X server.
    SDL_GL_LoadLibrary(nullptr);
    applyCursor();
    return true;
}

bool recreateSdlWindow(Window& window, const PixelFormat* format) {
    Uint32 flags = window.flags | SDL_WINDOW_HIDDEN;
    if (format) {
        applyGlAttributes(*format);
        flags |= SDL_WINDOW_OPENGL;
    }
    bool shown = false;
    if (window.sdl) {
        shown = (SDL_GetWindowFlags(window.sdl) & SDL_WINDOW_SHOWN) != 0;
        if (!window.fullscreen) {
            SDL_GetWindowPosition(window.sdl, &window.x, &window.y);
            SDL_GetWindowSize(window.sdl, &window.width, &window.height);
        }
    }
    SDL_Window* made = SDL_CreateWindow(window.title.c_str(), window.x, window.y, window.width,
                                        window.height, flags);
    if (!made)
        return false;
    if (window.fullscreen)
        SDL_SetWindowDisplayMode(made, &window.mode);
    if (window.sdl)
        destroySdlWindow(window.sdl);
    window.sdl = made;
    if (shown)
        SDL_ShowWindow(made);
    return true;
}

} // namespace platform

using namespace platform;

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    static const std::uintptr_t module = newHandleId();
    return moduleName ? nullptr : toHandle<HMODULE>(module);
}

HICON LoadIconA(HINSTANCE instance, LPCSTR) {
    static const std::uintptr_t icon = newHandleId();
    return instance ? nullptr : toHandle<HICON>(icon);
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR) {
    static const std::uintptr_t cursor = newHandleId();
    return instance ? nullptr : toHandle<HCURSOR>(cursor);
}

ATOM RegisterClassA(const WNDCLASSA* wndClass) {
    if (!wndClass || !wndClass->lpfnWndProc || !wndClass->lpszClassName ||
        !*wndClass->lpszClassName)
        return 0;
    const std::string key = classKey(wndClass->lpszClassName);
    if (g_classes.count(key))
        return 0;
    g_classes[key] = wndClass->lpfnWndProc;
    return g_nextAtom++;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
    if (!className)
        return FALSE;
    const std::string key = classKey(className);
    auto it = g_classes.find(key);
    if (it == g_classes.end())
        return FALSE;
    // As on Win32, a class cannot go while windows of it exist.
    for (auto& entry : windows())
        if (entry.second.className == key)
            return FALSE;
    g_classes.erase(it);
    return TRUE;
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD) {
    if (!rect)
        return FALSE;
    const RECT frame = frameOf(style);
    rect->left -= frame.left;
    rect->top -= frame.top + (menu ? 19 : 0);
    rect->right += frame.right;
    rect->bottom += frame.bottom;
    return TRUE;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, void*) {
    if (!className)
        return nullptr;
    auto cls = g_classes.find(classKey(className));
    if (cls == g_classes.end() || !ensureVideo())
        return nullptr;

    const RECT frame = frameOf(style);
    Window window;
    window.proc = cls->second;
    window.className = cls->first;
    window.title = windowName ? windowName : "";
    window.x = x + frame.left;
    window.y = y + frame.top;
    window.width = std::max<LONG>(1, width - frame.left - frame.right);
    window.height = std::max<LONG>(1, height - frame.top - frame.bottom);
    if (!(style & WS_CAPTION))
        window.flags |= SDL_WINDOW_BORDERLESS;
    if (style & WS_THICKFRAME)
        window.flags |= SDL_WINDOW_RESIZABLE;
    if ((style & WS_POPUP) && g_modeChanged) {
        window.fullscreen = true;
        window.mode = g_changedMode;
        window.flags |= SDL_WINDOW_FULLSCREEN;
        window.width = g_changedMode.w;
        window.height = g_changedMode.h;
    }
    if (!recreateSdlWindow(window, nullptr))
        return nullptr;
    window.dc = newHandleId();
    window.font = stockFont();
    const std::uintptr_t id = newHandleId();
    windows()[id] = window;
    const HWND handle = toHandle<HWND>(id);
    if (!sendMessage(handle, WM_NCCREATE, 0, 0) || sendMessage(handle, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    // A popup learns its size at once; an overlapped window when it is first shown.
    if ((style & WS_POPUP) && findWindow(handle)) {
        sendSize(handle, SIZE_RESTORED, window.width, window.height);
        sendMessage(handle, WM_MOVE, 0, MAKELPARAM(window.x, window.y));
    }
    return findWindow(handle) ? handle : nullptr;
}

BOOL DestroyWindow(HWND handle) {
    Window* window = findWindow(handle);
    if (!window)
        return FALSE;
    if (window->active) {
        sendActivation(handle, false, false);
        sendMessage(handle, WM_KILLFOCUS, 0, 0);
    }
    sendMessage(handle, WM_DESTROY, 0, 0);
    sendMessage(handle, WM_NCDESTROY, 0, 0);
    window = findWindow(handle);
    if (!window)
        return TRUE;
    forgetMessages(handle);
    // SDL releases a context that is current on this window; the context itself lives on.
    if (window->sdl)
        destroySdlWindow(window->sdl);
    windows().erase(handleId(handle));
    return TRUE;
}

BOOL ShowWindow(HWND handle, int command) {
    Window* window = findWindow(handle);
    if (!window)
        return FALSE;
    const bool wasVisible = (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_SHOWN) != 0;
    const bool show = command != SW_HIDE;
    if (show != wasVisible)
        sendMessage(handle, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    window = findWindow(handle);
    if (!window)
        return wasVisible ? TRUE : FALSE;
    if (!show) {
        SDL_HideWindow(window->sdl);
        return wasVisible ? TRUE : FALSE;
    }
    SDL_ShowWindow(window->sdl);
    // The window shown becomes the active one, as it would on Win32.
    if (!wasVisible) {
        for (HWND other : windowHandles())
            if (other != handle && findWindow(other) && findWindow(other)->active)
                sendActivation(other, false, false);
        sendActivation(handle, true, false);
        sendMessage(handle, WM_SETFOCUS, 0, 0);
    }
    window = findWindow(handle);
    if (window && window->size == -1) {
        sendSize(handle, SIZE_RESTORED, window->width, window->height);
        sendMessage(handle, WM_MOVE, 0, MAKELPARAM(window->x, window->y));
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL SetForegroundWindow(HWND handle) {
    Window* window = findWindow(handle);
    if (!window)
        return FALSE;
    SDL_RaiseWindow(window->sdl);
    return TRUE;
}

HWND SetFocus(HWND handle) {
    SDL_Window* focused = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetKeyboardFocus() : nullptr;
    const HWND previous = focused ? findWindowBySdlId(SDL_GetWindowID(focused)) : nullptr;
    if (!handle)
        return previous;
    Window* window = findWindow(handle);
    if (!window)
        return nullptr;
    // X refuses the focus for an unmapped window with an error that ends the process.
    const Uint32 flags = SDL_GetWindowFlags(window->sdl);
    if ((flags & SDL_WINDOW_SHOWN) && !(flags & SDL_WINDOW_MINIMIZED))
        SDL_SetWindowInputFocus(window->sdl);
    return previous;
}

int ShowCursor(BOOL show) {
    g_cursorCount += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO))
        applyCursor();
    return g_cursorCount;
}

LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD) {
    if (!mode) {
        const bool changed = g_modeChanged;
        g_modeChanged = false;
        for (auto& entry : windows()) {
            Window& window = entry.second;
            if (!window.fullscreen)
                continue;
            SDL_SetWindowFullscreen(window.sdl, 0);
            window.fullscreen = false;
            window.flags &= ~SDL_WINDOW_FULLSCREEN;
        }
        giveDesktopModeBack();
        SDL_DisplayMode desktop;
        if (changed && SDL_GetDesktopDisplayMode(0, &desktop) == 0)
            for (HWND window : windowHandles())
                sendMessage(window, WM_DISPLAYCHANGE, SDL_BITSPERPIXEL(desktop.format),
                            MAKELPARAM(desktop.w, desktop.h));
        return DISP_CHANGE_SUCCESSFUL;
    }
    SDL_DisplayMode desktop;
    if (!ensureVideo() || SDL_GetDesktopDisplayMode(0, &desktop) != 0)
        return DISP_CHANGE_FAILED;
    const long long width = (mode->dmFields & DM_PELSWIDTH) ? mode->dmPelsWidth : desktop.w;
    const long long height = (mode->dmFields & DM_PELSHEIGHT) ? mode->dmPelsHeight : desktop.h;
    // SDL lists the modes best first, so the first match of the size is the one to use.
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode offered;
        if (SDL_GetDisplayMode(0, i, &offered) == 0 && offered.w == width && offered.h == height) {
            saveDesktopMode();
            g_modeChanged = true;
            g_changedMode = offered;
            return DISP_CHANGE_SUCCESSFUL;
        }
    }
    return DISP_CHANGE_BADMODE;
}

HDC GetDC(HWND handle) {
    Window* window = findWindow(handle);
    return window ? toHandle<HDC>(window->dc) : nullptr;
}

int ReleaseDC(HWND handle, HDC dc) {
    // The class's own device context stays with its window; releasing it only checks it.
    Window* window = findWindowByDC(dc);
    return window && findWindow(handle) == window ? 1 : 0;
}
