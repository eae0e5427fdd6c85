// The USER32 message queue on SDL2's events.
//
// PeekMessageA drains SDL's events into a queue of Win32 messages and hands them out in order;
// WM_QUIT comes, as on Win32, once no other message waits. SDL events become:
// - key presses and releases: WM_KEYDOWN and WM_KEYUP with Windows virtual-key codes (an
//   auto-repeated key sends WM_KEYDOWN again); with Alt held (Ctrl not), for Alt itself and for
//   F10 they are WM_SYSKEYDOWN and WM_SYSKEYUP. Keys without a Windows code are dropped. On X, a
//   key goes to the window the server gave it to, from the moment that window has the focus, and
//   a key held while its window is destroyed is let go for the program when it is let go in the
//   next window (SDL loses both; see xkeys.cpp), or, let go before that window had the focus,
//   when it gets the focus, as on Win32, which hands a key to the window that has the focus when
//   the program reads it.
// - focus gained or lost: WM_ACTIVATE, WA_ACTIVE or WA_INACTIVE in the low word of wParam and
//   the minimised flag in the high word; minimising sends WM_ACTIVATE (inactive, minimised) and
//   WM_SIZE (SIZE_MINIMIZED, 0 x 0); restoring sends WM_ACTIVATE (not minimised) and WM_SIZE with
//   the client size; every other size change sends WM_SIZE with the client size.
// - the window's close request: WM_SYSCOMMAND with SC_CLOSE, which DefWindowProcA turns into
//   WM_CLOSE as on Win32. SIGTERM, SIGINT, SIGHUP and SIGQUIT send WM_CLOSE to every window, as a
//   polite taskkill does (signals.cpp).
// - focus lost: no key releases, as on Win32 (SDL releases every held key then); a key released
//   while another window has the focus stays down for the program.
// - a gamepad: the keys it stands for (gamepad.cpp).
// Differs from Win32: SDL has no screen-saver or monitor power-down request, so SC_SCREENSAVE
// and SC_MONITORPOWER never come; SDL keeps the screen saver off itself while its video runs.
// TranslateMessage posts WM_CHAR for letters, digits without Shift, Space, Return, Escape,
// Backspace and Tab only. There are no mouse messages. DefWindowProcA acts only on SC_CLOSE and
// lets WM_NCCREATE go on; WM_CLOSE by default does nothing. WM_ACTIVATE and WM_SIZE come only
// when they tell something new (window.cpp sends the first ones).
#include "internal.h"

#include <deque>
#include <map>

namespace platform {
namespace {
std::deque<MSG> g_queue;
// Where the messages of the SDL events drained by the current PeekMessageA begin.
std::size_t g_drainStart = 0;
bool g_quitPosted = false;
int g_quitCode = 0;

// A key the program was told is down and not yet up: SDL's scancode, the message that told it,
// WM_KEYDOWN or WM_SYSKEYDOWN, with its key code, and the window it told. Kept by X keycode across
// the program's windows, as Win32 keeps a key down for the program until the window with the
// focus hears it let go.
struct HeldKey {
    SDL_Scancode scancode;
    UINT message;
    WPARAM key;
    HWND window;
};
std::map<unsigned, HeldKey> g_held;
// The lParam of a key's release that SDL made no event of: once, down before, going up.
const LPARAM kLetGo = 1 | (1L << 30) | (1L << 31);
// The X key event whose SDL key event may come next.
XKey g_xkey;
bool g_xkeyWaiting = false;

UINT keyFromSymbol(SDL_Keycode sym) {
    if (sym >= SDLK_a && sym <= SDLK_z)
        return static_cast<UINT>('A' + (sym - SDLK_a));
    if (sym >= SDLK_0 && sym <= SDLK_9)
        return static_cast<UINT>(sym);
    if (sym >= SDLK_F1 && sym <= SDLK_F12)
        return static_cast<UINT>(VK_F1 + (sym - SDLK_F1));
    if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9)
        return static_cast<UINT>(VK_NUMPAD0 + 1 + (sym - SDLK_KP_1));
    switch (sym) {
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return VK_RETURN;
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_INSERT:
        return VK_INSERT;
    case SDLK_DELETE:
        return VK_DELETE;
    case SDLK_HOME:
        return VK_HOME;
    case SDLK_END:
        return VK_END;
    case SDLK_PAGEUP:
        return VK_PRIOR;
    case SDLK_PAGEDOWN:
        return VK_NEXT;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
        return VK_MENU;
    case SDLK_PAUSE:
        return VK_PAUSE;
    case SDLK_CAPSLOCK:
        return VK_CAPITAL;
    case SDLK_NUMLOCKCLEAR:
        return VK_NUMLOCK;
    case SDLK_SCROLLLOCK:
        return VK_SCROLL;
    case SDLK_KP_0:
        return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY:
        return VK_MULTIPLY;
    case SDLK_KP_PLUS:
        return VK_ADD;
    case SDLK_KP_MINUS:
        return VK_SUBTRACT;
    case SDLK_KP_PERIOD:
        return VK_DECIMAL;
    case SDLK_KP_DIVIDE:
        return VK_DIVIDE;
    case SDLK_SEMICOLON:
        return VK_OEM_1;
    case SDLK_EQUALS:
    case SDLK_PLUS:
        return VK_OEM_PLUS;
    case SDLK_COMMA:
        return VK_OEM_COMMA;
    case SDLK_MINUS:
        return VK_OEM_MINUS;
    case SDLK_PERIOD:
        return VK_OEM_PERIOD;
    case SDLK_SLASH:
        return VK_OEM_2;
    case SDLK_BACKQUOTE:
        return VK_OEM_3;
    case SDLK_LEFTBRACKET:
        return VK_OEM_4;
    case SDLK_BACKSLASH:
        return VK_OEM_5;
    case SDLK_RIGHTBRACKET:
        return VK_OEM_6;
    case SDLK_QUOTE:
        return VK_OEM_7;
    default:
        return 0;
    }
}

// For layouts whose letters are not Latin, the key's position decides, as Windows does.
UINT keyFromPosition(SDL_Scancode code) {
    if (code >= SDL_SCANCODE_A && code <= SDL_SCANCODE_Z)
        return static_cast<UINT>('A' + (code - SDL_SCANCODE_A));
    if (code >= SDL_SCANCODE_1 && code <= SDL_SCANCODE_9)
        return static_cast<UINT>('1' + (code - SDL_SCANCODE_1));
    switch (code) {
    case SDL_SCANCODE_0:
        return '0';
    case SDL_SCANCODE_SEMICOLON:
        return VK_OEM_1;
    case SDL_SCANCODE_EQUALS:
        return VK_OEM_PLUS;
    case SDL_SCANCODE_COMMA:
        return VK_OEM_COMMA;
    case SDL_SCANCODE_MINUS:
        return VK_OEM_MINUS;
    case SDL_SCANCODE_PERIOD:
        return VK_OEM_PERIOD;
    case SDL_SCANCODE_SLASH:
        return VK_OEM_2;
    case SDL_SCANCODE_GRAVE:
        return VK_OEM_3;
    case SDL_SCANCODE_LEFTBRACKET:
        return VK_OEM_4;
    case SDL_SCANCODE_BACKSLASH:
        return VK_OEM_5;
    case SDL_SCANCODE_RIGHTBRACKET:
        return VK_OEM_6;
    case SDL_SCANCODE_APOSTROPHE:
        return VK_OEM_7;
    default:
        return 0;
    }
}

void post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = SDL_GetTicks();
    g_queue.push_back(msg);
}

LPARAM clientSize(SDL_Window* window) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window, &width, &height);
    return static_cast<LPARAM>((width & 0xffff) | ((height & 0xffff) << 16));
}

// SDL's key event, with the X event it was made of when there is one: the window the server
// gave the key to gets it, whatever window SDL filed it under.
void postKey(const SDL_KeyboardEvent& key, const XKey* x) {
    const HWND window = x && x->window ? x->window : findWindowBySdlId(key.windowID);
    UINT vk = keyFromSymbol(key.keysym.sym);
    if (!vk)
        vk = keyFromPosition(key.keysym.scancode);
    if (!window || !vk)
        return;
    const bool down = key.type == SDL_KEYDOWN;
    const bool alt = (key.keysym.mod & KMOD_ALT) != 0;
    const bool system = (alt || vk == VK_MENU || vk == VK_F10) && !(key.keysym.mod & KMOD_CTRL);
    // lParam as Win32 fills it: repeat count 1, Alt held, previous state, transition.
    LPARAM lParam = 1;
    if (alt)
        lParam |= 1L << 29;
    if (!down || key.repeat)
        lParam |= 1L << 30;
    if (!down)
        lParam |= 1L << 31;
    const UINT message =
        down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    if (keyboardKeyHeard(vk, down))
        post(window, message, vk, lParam);
    if (x && down)
        g_held[x->keycode] = {key.keysym.scancode, message, vk, window};
    else if (x)
        g_held.erase(x->keycode);
}

// An X release that SDL made no event of: SDL had let the key go itself, but the program still
// holds it, so the window the server gave the release to is told. (A release SDL passes over
// because the key repeats leaves the key down for SDL.)
void settleXKey() {
    if (!g_xkeyWaiting)
        return;
    g_xkeyWaiting = false;
    auto held = g_held.find(g_xkey.keycode);
    if (g_xkey.press || !g_xkey.window || held == g_held.end() ||
        SDL_GetKeyboardState(nullptr)[held->second.scancode])
        return;
    // WM_KEYUP and WM_SYSKEYUP come right after their down messages.
    if (keyboardKeyHeard(held->second.key, false))
        post(g_xkey.window, held->second.message + 1, held->second.key, kLetGo);
    g_held.erase(held);
}

// Keys held in a window since destroyed and let go before the window now given the focus had it:
// the X server gave the release to the window on its way out or to none, so the window with the
// focus hears it now. A key let go while another program had the focus stays down.
void settleOrphanedKeys(HWND focused) {
    for (auto held = g_held.begin(); held != g_held.end();) {
        if (findWindow(held->second.window) || xKeyDown(focused, held->first)) {
            ++held;
            continue;
        }
        if (keyboardKeyHeard(held->second.key, false))
            post(focused, held->second.message + 1, held->second.key, kLetGo);
        held = g_held.erase(held);
    }
}

// Posts WM_ACTIVATE and WM_SIZE only when they tell the window something new.
void postActivation(HWND handle, Window& window, bool active, WPARAM minimised) {
    if (window.active == active && !minimised)
        return;
    window.active = active;
    post(handle, WM_ACTIVATE, (active ? WA_ACTIVE : WA_INACTIVE) | minimised, 0);
}

void postSize(HWND handle, Window& window, WPARAM kind, LPARAM size) {
    if (window.size == size)
        return;
    window.size = size;
    post(handle, WM_SIZE, kind, size);
}

void postWindowEvent(const SDL_WindowEvent& event) {
    const HWND handle = findWindowBySdlId(event.windowID);
    Window* window = findWindow(handle);
    if (!window)
        return;
    const Uint32 flags = SDL_GetWindowFlags(window->sdl);
    const WPARAM minimised = (flags & SDL_WINDOW_MINIMIZED) ? 1u << 16 : 0;
    switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        postActivation(handle, *window, true, minimised);
        settleOrphanedKeys(handle);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        // SDL releases every held key just before it reports the focus lost; Win32 sends no
        // release then, and the key stays down for the program.
        while (g_queue.size() > g_drainStart && g_queue.back().hwnd == handle &&
               g_queue.back().message == WM_KEYUP)
            g_queue.pop_back();
        postActivation(handle, *window, false, minimised);
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        postActivation(handle, *window, false, 1u << 16);
        postSize(handle, *window, SIZE_MINIMIZED, 0);
        break;
    case SDL_WINDOWEVENT_RESTORED:
        // Always told: the window is no longer minimised.
        window->active = (flags & SDL_WINDOW_INPUT_FOCUS) != 0;
        post(handle, WM_ACTIVATE, window->active ? WA_ACTIVE : WA_INACTIVE, 0);
        postSize(handle, *window, SIZE_RESTORED, clientSize(window->sdl));
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        if (!minimised)
            postSize(handle, *window,
                     (flags & SDL_WINDOW_MAXIMIZED) ? SIZE_MAXIMIZED : SIZE_RESTORED,
                     clientSize(window->sdl));
        break;
    case SDL_WINDOWEVENT_CLOSE:
        post(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    default:
        break;
    }
}

bool matches(const MSG& msg, HWND window, UINT first, UINT last) {
    if (window && msg.hwnd != window)
        return false;
    return (first == 0 && last == 0) || (msg.message >= first && msg.message <= last);
}
} // namespace

void translate(const SDL_Event& event) {
    XKey x;
    if (readXKey(event, x)) {
        settleXKey();
        g_xkey = x;
        g_xkeyWaiting = true;
        return;
    }
    const bool key = event.type == SDL_KEYDOWN || event.type == SDL_KEYUP;
    const bool made = key && g_xkeyWaiting && g_xkey.press == (event.type == SDL_KEYDOWN);
    if (made)
        g_xkeyWaiting = false;
    settleXKey();
    if (key)
        postKey(event.key, made ? &g_xkey : nullptr);
    else if (event.type == SDL_WINDOWEVENT)
        postWindowEvent(event.window);
}

LRESULT sendMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* window = findWindow(handle);
    return window ? window->proc(handle, message, wParam, lParam) : 0;
}

void sendActivation(HWND handle, bool active, bool minimised) {
    Window* window = findWindow(handle);
    if (!window || (window->active == active && !minimised))
        return;
    window->active = active;
    sendMessage(handle, WM_ACTIVATE,
                (active ? WA_ACTIVE : WA_INACTIVE) | (minimised ? 1u << 16 : 0), 0);
}

void sendSize(HWND handle, WPARAM kind, int width, int height) {
    Window* window = findWindow(handle);
    const LPARAM size = MAKELPARAM(width, height);
    if (!window || window->size == size)
        return;
    window->size = size;
    sendMessage(handle, WM_SIZE, kind, size);
}

void forgetMessages(HWND window) {
    for (auto it = g_queue.begin(); it != g_queue.end();)
        it = it->hwnd == window ? g_queue.erase(it) : it + 1;
}

} // namespace platform

using namespace platform;

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMsg) {
    if (!msg)
        return FALSE;
    SDL_Event event;
    g_drainStart = g_queue.size();
    if (SDL_WasInit(SDL_INIT_VIDEO))
        while (SDL_PollEvent(&event))
            translate(event);
    settleXKey();
    if (SDL_WasInit(SDL_INIT_VIDEO))
        pollPad(post);
    if (!windows().empty() && takeCloseRequest())
        for (auto& entry : windows())
            post(toHandle<HWND>(entry.first), WM_CLOSE, 0, 0);
    for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
        if (!matches(*it, window, filterMin, filterMax))
            continue;
        *msg = *it;
        if (removeMsg & PM_REMOVE)
            g_queue.erase(it);
        return TRUE;
    }
    MSG quit{};
    quit.message = WM_QUIT;
    quit.wParam = static_cast<WPARAM>(g_quitCode);
    if (!g_quitPosted || window || !matches(quit, nullptr, filterMin, filterMax))
        return FALSE;
    quit.time = SDL_GetTicks();
    *msg = quit;
    if (removeMsg & PM_REMOVE)
        g_quitPosted = false;
    return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg)
        return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN: {
        // The character a key types comes next, before any other message.
        const WPARAM key = msg->wParam;
        const SDL_Keymod mod = SDL_GetModState();
        const bool upper = ((mod & KMOD_SHIFT) != 0) != ((mod & KMOD_CAPS) != 0);
        WPARAM character = 0;
        if (key >= 'A' && key <= 'Z')
            character = upper ? key : key - 'A' + 'a';
        else if ((key >= '0' && key <= '9' && !(mod & KMOD_SHIFT)) || key == VK_SPACE ||
                 key == VK_RETURN || key == VK_ESCAPE || key == VK_BACK || key == VK_TAB)
            character = key;
        if (character != 0) {
            MSG typed = *msg;
            typed.message = WM_CHAR;
            typed.wParam = character;
            g_queue.push_front(typed);
        }
        return TRUE;
    }
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT DispatchMessageA(const MSG* msg) {
    Window* window = msg ? findWindow(msg->hwnd) : nullptr;
    if (!window)
        return 0;
    const WNDPROC proc = window->proc;
    return proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
    g_quitPosted = true;
    g_quitCode = exitCode;
}

LRESULT DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_NCCREATE)
        return TRUE;
    Window* window = findWindow(handle);
    if (window && message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
        const WNDPROC proc = window->proc;
        return proc(handle, WM_CLOSE, 0, 0);
    }
    return 0;
}
