// What the files of the platform stand-in share: handles, the live windows and their device
// contexts, and the pixel formats. Included only by platform/unix/*.cpp, never by the rest of
// the program, since it brings in SDL.
#pragma once

#include <windows.h>

#include <SDL.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace platform {

// Every handle is a number that is never reused, so a stale or foreign handle finds nothing
// instead of someone else's object. Windows, device contexts, contexts and fonts draw from one
// counter, so a handle of one kind never matches an object of another.
std::uintptr_t newHandleId();

template <typename Handle> Handle toHandle(std::uintptr_t id) {
    return reinterpret_cast<Handle>(id);
}
template <typename Handle> std::uintptr_t handleId(Handle handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

// What SetPixelFormat can ask of the window system. The colour bits are split into the
// smallest red, green and blue sizes that hold them; the others are minimum sizes.
struct PixelFormat {
    bool doubleBuffer = false;
    int colorBits = 0;
    int alphaBits = 0;
    int depthBits = 0;
    int stencilBits = 0;
    bool operator==(const PixelFormat& o) const {
        return doubleBuffer == o.doubleBuffer && colorBits == o.colorBits &&
               alphaBits == o.alphaBits && depthBits == o.depthBits && stencilBits == o.stencilBits;
    }
};

// The format behind a ChoosePixelFormat index, or null for an index it never gave.
const PixelFormat* pixelFormatAt(int index);

// Resets SDL's GL attributes to its defaults (a compatibility context) and asks for the format.
// SDL on X11 reads them both when it picks a window's visual and when it makes a context, so
// they are set right before each.
void applyGlAttributes(const PixelFormat& format);

struct Window {
    std::uintptr_t dc = 0;
    WNDPROC proc = nullptr;
    std::string className;
    std::string title;
    int x = 0;
    int y = 0;
    int width = 1;
    int height = 1;
    Uint32 flags = 0; // SDL window flags other than SDL_WINDOW_OPENGL
    bool fullscreen = false;
    SDL_DisplayMode mode{}; // the changed display mode of a full-screen window
    SDL_Window* sdl = nullptr;
    int pixelFormat = 0;    // 0 until SetPixelFormat
    HGDIOBJ font = nullptr; // the font selected into the device context
    // What the window procedure was last told: active or not, and the client size (-1: none
    // yet), so that SDL's later events repeat nothing.
    bool active = false;
    LPARAM size = -1;
};

// Calls the window's procedure at once, as SendMessage does; 0 for a window that is gone.
LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Tells the window procedure of a change of activation or client size, unless it knows already.
void sendActivation(HWND window, bool active, bool minimised);
void sendSize(HWND window, WPARAM kind, int width, int height);

// Starts SDL's video subsystem on first use; false when no display can be opened.
bool ensureVideo();

Window* findWindow(HWND window);
// The live windows' handles, for a walk during which window procedures may make or destroy some.
std::vector<HWND> windowHandles();
Window* findWindowByDC(HDC dc);
HWND findWindowBySdlId(Uint32 sdlId);
std::map<std::uintptr_t, Window>& windows();

// Makes the window's SDL window anew with the given format (null: a window without GL). The
// old SDL window is destroyed only when the new one exists, so a failure changes nothing.
bool recreateSdlWindow(Window& window, const PixelFormat* format);

// Drops queued messages of a window that is being destroyed.
void forgetMessages(HWND window);

// The font every device context starts with, as Win32's stock system font.
HGDIOBJ stockFont();

// A line of text in the desktop's user-interface face, as 8-bit coverage, rows top first, for
// what the stand-in draws itself (message boxes). False when no face can be found.
struct TextImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> coverage;
};
bool renderText(const std::string& text, int pixelHeight, TextImage& image);

// Queues the Win32 messages of an SDL event that belongs to one of the program's windows.
void translate(const SDL_Event& event);

// Key events as the X server delivered them (xkeys.cpp): each comes into SDL's queue just before
// the key event SDL makes of it, if SDL makes one.
struct XKey {
    bool press = false;
    unsigned keycode = 0;
    HWND window = nullptr; // the program's window that got it; null for any other
};
// Asks SDL for the X events; started with the video.
void watchXKeys();
// True for SDL's wrapping of an X key press or release, which it reads into the key.
bool readXKey(const SDL_Event& event, XKey& key);
// True while the X server has the key down, asked through the window's connection.
bool xKeyDown(HWND window, unsigned keycode);

// The gamepad (gamepad.cpp): after each drain of SDL's events, its keys posted to the program's
// window that has the focus; each key from the keyboard asks first whether the program hears it
// (not while the pad holds that key too).
void pollPad(void (*post)(HWND window, UINT message, WPARAM wParam, LPARAM lParam));
bool keyboardKeyHeard(UINT vk, bool down);

// Signals (signals.cpp): installed with the video; a termination signal makes every window
// close and every message box answer at once.
void watchSignals();
bool terminationRequested();
// True once per termination signal that has not yet been turned into WM_CLOSE messages.
bool takeCloseRequest();

// X11 (x11.cpp): the desktop's display mode kept, before a change, by a guardian process that
// puts it back at giveDesktopModeBack() (which waits for it) or when the process ends; SDL
// windows destroyed together with the colormap SDL made for them.
void saveDesktopMode();
void giveDesktopModeBack();
void destroySdlWindow(SDL_Window* window);

} // namespace platform
