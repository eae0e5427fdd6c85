// SetMessageBoxHook on Windows, where MessageBoxA is the system's own and cannot be replaced: a
// hook on the calling thread's window procedures finds each message box as its dialog is set up,
// reads its caption, text and buttons, asks the test's hook and ends the box with the hook's
// answer, so no box waits for a user.
//
// Differs from the stand-in: the box is really made (Wine even shows it for a moment), and the
// type the hook gets is read back from the box's buttons: MB_YESNO or MB_OK, the program's only
// two kinds; the icon is not seen.
#include "platform/testhooks.h"

#include <string>
#include <utility>

namespace {
MessageBoxHook g_hook;
HHOOK g_watch = nullptr;

// The item of a message box that holds its text.
const int kTextItem = 0xffff;

std::string textOf(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, &text[0], int(text.size()))));
    return text;
}

// Runs after each message a window procedure of the thread has handled: a message box has its
// caption, text and buttons once its dialog is initialised.
LRESULT CALLBACK watch(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    char className[8] = {};
    if (code == HC_ACTION && g_hook && call->message == WM_INITDIALOG &&
        GetClassNameA(call->hwnd, className, sizeof className) &&
        std::string(className) == "#32770") {
        HWND box = call->hwnd;
        const UINT type = GetDlgItem(box, IDYES) ? MB_YESNO : MB_OK;
        EndDialog(box,
                  g_hook(textOf(GetDlgItem(box, kTextItem)).c_str(), textOf(box).c_str(), type));
    }
    return CallNextHookEx(g_watch, code, wParam, lParam);
}
} // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    g_hook = std::move(hook);
    if (g_hook && !g_watch)
        g_watch = SetWindowsHookExA(WH_CALLWNDPROCRET, watch, nullptr, GetCurrentThreadId());
    if (!g_hook && g_watch) {
        UnhookWindowsHookEx(g_watch);
        g_watch = nullptr;
    }
}
