// MessageBoxA on SDL2's message box.
//
// Differs from Win32: the owner window is ignored (every box of this program has none), only the
// OK and Yes/No button sets exist, and the icon flags choose SDL's error, warning or information
// look. When no display can show a box, the text goes to standard error and the box answers
// as a user who closed it would: OK, or No for a question.
#include "platform/testhooks.h"
#include <windows.h>

#include <SDL.h>

#include <cstdio>
#include <utility>

namespace {
MessageBoxHook g_hook;

Uint32 iconFlags(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONSTOP:
        return SDL_MESSAGEBOX_ERROR;
    case MB_ICONEXCLAMATION:
        return SDL_MESSAGEBOX_WARNING;
    default:
        return SDL_MESSAGEBOX_INFORMATION;
    }
}
} // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    g_hook = std::move(hook);
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    if (!text)
        text = "";
    if (!caption)
        caption = "Error";
    const bool question = (type & MB_TYPEMASK) == MB_YESNO;
    if (g_hook)
        return g_hook(text, caption, type);

    SDL_MessageBoxButtonData yesNo[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"},
    };
    SDL_MessageBoxButtonData ok[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK,
         "OK"},
    };
    SDL_MessageBoxData box = {};
    box.flags = iconFlags(type);
    box.title = caption;
    box.message = text;
    box.numbuttons = question ? 2 : 1;
    box.buttons = question ? yesNo : ok;
    int answer = -1;
    if (SDL_ShowMessageBox(&box, &answer) != 0)
        std::fprintf(stderr, "%s: %s\n", caption, text);
    if (answer == -1)
        return question ? IDNO : IDOK;
    return answer;
}
