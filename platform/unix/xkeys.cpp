// The X server's own key events behind SDL's, read from SDL's window-system events. SDL makes a
// key event of each but files it under its own idea of the keyboard focus, which trails the X
// server's (keys in a new window's first moments come filed under no window), and drops the
// release of a key it has let go itself (it lets every key go when the window with its focus is
// destroyed, so a key held through the re-creation of a window never comes up). The X event
// tells which window the server gave the key to, and shows the releases SDL drops. Whether a key
// is down at all the server tells too: SDL, gaining the focus, learns of keys held elsewhere
// only for modifiers.
// On other video drivers (Wayland) there are no such events, and SDL's key events are all there is.
#include "internal.h"

#include <SDL_syswm.h>

namespace platform {

void watchXKeys() {
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

bool readXKey(const SDL_Event& event, XKey& key) {
    if (event.type != SDL_SYSWMEVENT || event.syswm.msg->subsystem != SDL_SYSWM_X11)
        return false;
    const XEvent& x = event.syswm.msg->msg.x11.event;
    if (x.type != KeyPress && x.type != KeyRelease)
        return false;
    key.press = x.type == KeyPress;
    key.keycode = x.xkey.keycode;
    key.window = nullptr;
    for (auto& entry : windows()) {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (entry.second.sdl && SDL_GetWindowWMInfo(entry.second.sdl, &info) &&
            info.subsystem == SDL_SYSWM_X11 && info.info.x11.window == x.xkey.window)
            key.window = toHandle<HWND>(entry.first);
    }
    return true;
}

bool xKeyDown(HWND window, unsigned keycode) {
    const platform::Window* held = findWindow(window);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!held || !held->sdl || !SDL_GetWindowWMInfo(held->sdl, &info) ||
        info.subsystem != SDL_SYSWM_X11 || keycode > 255)
        return false;
    char keys[32];
    XQueryKeymap(info.info.x11.display, keys);
    return (keys[keycode / 8] >> (keycode % 8)) & 1;
}

} // namespace platform
