// A gamepad on SDL2's game controller API, turned into the keys the program knows (platform/pad.h):
// WM_KEYDOWN and WM_KEYUP to the program's window that has the keyboard's focus, as a keyboard's
// keys would come. Windows has no such thing in USER32; its side reads XInput
// (platform/win32/xinput.cpp).
//
// The first pad SDL knows as a game controller is used; one connected later is taken at the next
// look, and one disconnected is let go at once, releasing what it held. Besides SDL's own database,
// mappings come from a gamecontrollerdb.txt beside the program and from the file that
// SDL_GAMECONTROLLERCONFIG names (SDL itself takes mapping lines there, and
// SDL_GAMECONTROLLERCONFIG_FILE). While no window of the program has the focus, SDL holds the pad's
// state and nothing is told.
#include "internal.h"
#include "platform/pad.h"

#include <cstdlib>
#include <string>

namespace platform {
namespace {
pad::Keys g_keys;
SDL_GameController* g_pad = nullptr;

void start() {
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
        return;
    if (char* base = SDL_GetBasePath()) {
        SDL_GameControllerAddMappingsFromFile((std::string(base) + "gamecontrollerdb.txt").c_str());
        SDL_free(base);
    }
    if (const char* named = std::getenv("SDL_GAMECONTROLLERCONFIG"))
        SDL_GameControllerAddMappingsFromFile(named);
}

// The pad in use, after letting go of one that is gone and taking the first there is.
SDL_GameController* currentPad() {
    if (g_pad && !SDL_GameControllerGetAttached(g_pad)) {
        SDL_GameControllerClose(g_pad);
        g_pad = nullptr;
    }
    for (int i = 0; !g_pad && i < SDL_NumJoysticks(); ++i)
        if (SDL_IsGameController(i))
            g_pad = SDL_GameControllerOpen(i);
    return g_pad;
}

pad::State stateOf(SDL_GameController* c) {
    pad::State s;
    if (!c)
        return s;
    const auto button = [c](SDL_GameControllerButton b) {
        return SDL_GameControllerGetButton(c, b) != 0;
    };
    s.south = button(SDL_CONTROLLER_BUTTON_A);
    s.west = button(SDL_CONTROLLER_BUTTON_X);
    s.start = button(SDL_CONTROLLER_BUTTON_START);
    s.up = button(SDL_CONTROLLER_BUTTON_DPAD_UP);
    s.down = button(SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    s.left = button(SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    s.right = button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    s.x = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX) / 32767.0f;
    s.y = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY) / 32767.0f;
    return s;
}
} // namespace

void pollPad(void (*post)(HWND, UINT, WPARAM, LPARAM)) {
    static bool started = false;
    if (!started) {
        started = true;
        start();
    }
    if (!SDL_WasInit(SDL_INIT_GAMECONTROLLER))
        return;
    SDL_Window* focus = SDL_GetKeyboardFocus();
    const HWND window = focus ? findWindowBySdlId(SDL_GetWindowID(focus)) : nullptr;
    if (!window)
        return;
    for (const pad::Key& key : g_keys.pad(stateOf(currentPad())))
        post(window, key.down ? WM_KEYDOWN : WM_KEYUP, key.vk,
             key.down ? 1 : 1 | (1L << 30) | (1L << 31));
}

bool keyboardKeyHeard(UINT vk, bool down) {
    return g_keys.keyboard(vk, down);
}

} // namespace platform
