// A gamepad on Windows: XInput, loaded at run time, turned into the keys the program knows
// (platform/pad.h). Linked into the exe only; its static start hooks the main thread before
// WinMain runs. Where no XInput DLL loads, nothing is hooked and the program runs as it always did;
// the exe still imports only the DLLs every Windows has.
//
// A thread timer polls the pad about 60 times a second (an idle message loop is the one place
// where the timer comes, and the program's loop dispatches every message, so the poll runs on the
// main thread with no locks). The pad's presses and releases go to the thread's active window with
// SendMessageA, as WM_KEYDOWN and WM_KEYUP; never to a message box. Keys from the keyboard pass a
// hook on the thread's messages that tells the shared unit who holds what: a keyboard release
// while the pad holds the key (or a press while only the pad holds it) becomes WM_NULL, and the
// pad's release while the keyboard holds the key is not sent, so a key is down while either holds
// it. While no window of the program is active, the pad is not read.
//
// The first connected pad of the four XInput slots is used; while there is none, the slots are
// looked at once a second (asking an empty slot costs time on Windows). A pad disconnected is let
// go at once, releasing what it held.
#include "platform/pad.h"

#include <windows.h>

#include <xinput.h>

#include <cstring>

namespace {
using GetState = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);
GetState g_getState = nullptr;
pad::Keys g_keys;
DWORD g_slot = 0;
bool g_connected = false;
unsigned g_ticks = 0;

pad::State stateOf(const XINPUT_GAMEPAD& p) {
    pad::State s;
    s.south = p.wButtons & XINPUT_GAMEPAD_A;
    s.west = p.wButtons & XINPUT_GAMEPAD_X;
    s.start = p.wButtons & XINPUT_GAMEPAD_START;
    s.up = p.wButtons & XINPUT_GAMEPAD_DPAD_UP;
    s.down = p.wButtons & XINPUT_GAMEPAD_DPAD_DOWN;
    s.left = p.wButtons & XINPUT_GAMEPAD_DPAD_LEFT;
    s.right = p.wButtons & XINPUT_GAMEPAD_DPAD_RIGHT;
    // XInput's y points up.
    s.x = p.sThumbLX / 32767.0f;
    s.y = -p.sThumbLY / 32767.0f;
    return s;
}

// The pad's state now; empty while there is none.
pad::State readPad() {
    XINPUT_STATE state{};
    if (g_connected && g_getState(g_slot, &state) == ERROR_SUCCESS)
        return stateOf(state.Gamepad);
    g_connected = false;
    if (g_ticks % 60 == 0)
        for (DWORD slot = 0; slot < XUSER_MAX_COUNT && !g_connected; ++slot)
            if (g_getState(slot, &state) == ERROR_SUCCESS) {
                g_slot = slot;
                g_connected = true;
                return stateOf(state.Gamepad);
            }
    return {};
}

bool isMessageBox(HWND window) {
    char name[8] = {};
    return GetClassNameA(window, name, sizeof name) && std::strcmp(name, "#32770") == 0;
}

void CALLBACK poll(HWND, UINT, UINT_PTR, DWORD) {
    ++g_ticks;
    const HWND window = GetActiveWindow();
    if (!window || isMessageBox(window))
        return;
    for (const pad::Key& key : g_keys.pad(readPad()))
        SendMessageA(window, key.down ? WM_KEYDOWN : WM_KEYUP, key.vk,
                     key.down ? 1 : 1 | (1L << 30) | (1UL << 31));
}

LRESULT CALLBACK watchKeys(int code, WPARAM removed, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && removed == PM_REMOVE && msg->message >= WM_KEYDOWN &&
        msg->message <= WM_SYSKEYUP && msg->message != WM_CHAR && msg->message != WM_DEADCHAR) {
        const bool down = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
        if (!g_keys.keyboard(static_cast<unsigned>(msg->wParam), down))
            msg->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, removed, lParam);
}

struct Start {
    Start() {
        for (const char* name : {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"}) {
            if (HMODULE dll = LoadLibraryA(name)) {
                g_getState = reinterpret_cast<GetState>(
                    reinterpret_cast<void*>(GetProcAddress(dll, "XInputGetState")));
                if (g_getState)
                    break;
                FreeLibrary(dll);
            }
        }
        if (!g_getState)
            return;
        SetWindowsHookExA(WH_GETMESSAGE, watchKeys, nullptr, GetCurrentThreadId());
        SetTimer(nullptr, 0, 16, poll);
    }
} g_start;
} // namespace
