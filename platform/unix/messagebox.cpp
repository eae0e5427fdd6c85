// MessageBoxA on a window of the stand-in's own: an SDL window drawn with SDL's software renderer
// and the desktop's user-interface face through FreeType, so that it needs neither the X server's
// core fonts nor OpenGL.
//
// It answers the keyboard and the mouse as Win32's box does: Return and Space press the button
// that has the focus (at first the first one, Yes or OK); Tab, Shift+Tab and the arrow keys move
// the focus; Y and N answer a Yes/No box; Escape and the close button answer an OK box with IDOK
// and do nothing in a Yes/No box, which has no Cancel. A key answers when it is let go, so that
// no key of the box reaches the program's window; while the box is up, every key is its own.
// As Win32's, the box keeps to the screen: its text wraps at spaces, a word longer than a line
// breaks where it runs over, and lines that would push the buttons off the screen are left out.
// Messages for the program's windows that come while the box is up are queued for PeekMessageA, as
// Win32's modal loop dispatches them. A termination signal closes the box at once (signals.cpp).
//
// Differs from Win32: the owner window is ignored (every box of this program has none); only the
// OK and Yes/No button sets exist; the icon is a coloured sign. Where the box cannot be made (no
// face found), SDL's own message box asks instead; without a display, or once a termination
// signal has come, the text goes to standard error and the box answers as a user who closed it
// would: OK, or No for a question.
#include "internal.h"
#include "platform/testhooks.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace platform {
namespace {
MessageBoxHook g_hook;

const int kTextHeight = 15;
const int kLineGap = 4;
const int kMargin = 20;
const int kIcon = 32;
const int kButtonWidth = 88;
const int kButtonHeight = 26;
const int kButtonGap = 10;
const int kStrip = kButtonHeight + 2 * 12;

struct Button {
    int answer;
    char mnemonic; // the key that presses it, 0 for none
    const char* label;
    SDL_Rect rect;
};

struct Box {
    UINT type = 0;
    std::vector<TextImage> lines;
    std::vector<Button> buttons;
    int focus = 0;
    int pressed = -1; // the button under a mouse press, -1 for none
    // A key that answers does so when it is let go, so that its release does not reach the
    // window that gets the focus back (as a press it would act there).
    SDL_Keycode heldKey = SDLK_UNKNOWN;
    int heldAnswer = 0;
    int width = 0;
    int height = 0;
    int textLeft = 0;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;

    bool question() const { return (type & MB_TYPEMASK) == MB_YESNO; }
};

bool hasIcon(UINT type) {
    const UINT icon = type & MB_ICONMASK;
    return icon == MB_ICONSTOP || icon == MB_ICONEXCLAMATION || icon == MB_ICONINFORMATION;
}

std::vector<std::string> splitLines(const char* text) {
    std::vector<std::string> lines(1);
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\n')
            lines.emplace_back();
        else if (*p != '\r')
            lines.back() += *p;
    }
    return lines;
}

bool fits(const std::string& text, int width) {
    TextImage image;
    // Text that cannot be drawn is left for the layout to find.
    return !renderText(text, kTextHeight, image) || image.width <= width;
}

// Breaks a line into lines no wider than the width, at spaces, and a word wider than a line
// where it runs over, as Win32 wraps a box's text.
void wrap(const std::string& text, int width, std::vector<std::string>& lines) {
    std::string line;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t space = std::min(text.find(' ', at), text.size());
        std::string word = text.substr(at, space - at);
        at = space + 1;
        const std::string longer = line.empty() ? word : line + ' ' + word;
        if (fits(longer, width)) {
            line = longer;
            continue;
        }
        if (!line.empty())
            lines.push_back(line);
        while (!fits(word, width)) {
            std::size_t length = 1;
            while (length < word.size() && fits(word.substr(0, length + 1), width))
                ++length;
            lines.push_back(word.substr(0, length));
            word.erase(0, length);
        }
        line = word;
    }
    lines.push_back(line);
}

// Lays the box out to fit the screen, which it keeps to as Win32 does: its text wraps within
// three quarters of the screen's width, and lines that would push the buttons off the screen's
// foot are left out.
bool layOut(Box& box, const char* text) {
    SDL_Rect screen = {0, 0, 640, 480};
    SDL_GetDisplayUsableBounds(0, &screen);
    box.textLeft = hasIcon(box.type) ? kMargin + kIcon + 14 : kMargin;
    const int wrapWidth = std::max(kIcon, screen.w * 3 / 4 - box.textLeft - 2 * kMargin);
    const int lineHeight = kTextHeight + kLineGap + 4;
    const std::size_t maxLines =
        static_cast<std::size_t>(std::max(1, (screen.h - 2 * kMargin - kStrip) / lineHeight));
    std::vector<std::string> lines;
    for (const std::string& line : splitLines(text))
        wrap(line, wrapWidth, lines);
    lines.resize(std::min(lines.size(), maxLines));
    int textWidth = 0;
    for (const std::string& line : lines) {
        TextImage image;
        if (!renderText(line, kTextHeight, image))
            return false;
        textWidth = std::max(textWidth, image.width);
        box.lines.push_back(std::move(image));
    }
    if (box.question())
        box.buttons = {{IDYES, 'y', "Yes", {}}, {IDNO, 'n', "No", {}}};
    else
        box.buttons = {{IDOK, 0, "OK", {}}};
    const int textHeight = static_cast<int>(box.lines.size()) * lineHeight - kLineGap;
    const int buttonsWidth = static_cast<int>(box.buttons.size()) * (kButtonWidth + kButtonGap);
    box.width = std::max(box.textLeft + textWidth + 2 * kMargin, buttonsWidth + kMargin);
    box.width = std::max(box.width, 240);
    box.height = kMargin + std::max(kIcon, textHeight) + kMargin + kStrip;
    int right = box.width - kMargin + kButtonGap;
    for (auto it = box.buttons.rbegin(); it != box.buttons.rend(); ++it) {
        right -= kButtonWidth + kButtonGap;
        it->rect = {right, box.height - kStrip + 12, kButtonWidth, kButtonHeight};
    }
    return true;
}

void fill(SDL_Renderer* renderer, const SDL_Rect& rect, Uint32 rgb) {
    SDL_SetRenderDrawColor(renderer, rgb >> 16, (rgb >> 8) & 0xff, rgb & 0xff, 255);
    SDL_RenderFillRect(renderer, &rect);
}

void frame(SDL_Renderer* renderer, const SDL_Rect& rect, Uint32 rgb) {
    SDL_SetRenderDrawColor(renderer, rgb >> 16, (rgb >> 8) & 0xff, rgb & 0xff, 255);
    SDL_RenderDrawRect(renderer, &rect);
}

void drawText(SDL_Renderer* renderer, const TextImage& image, int x, int y, Uint32 rgb) {
    if (image.width == 0)
        return;
    SDL_Texture* texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888,
                                             SDL_TEXTUREACCESS_STATIC, image.width, image.height);
    if (texture == nullptr)
        return;
    std::vector<Uint32> pixels(image.coverage.size());
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (static_cast<Uint32>(image.coverage[i]) << 24) | rgb;
    SDL_UpdateTexture(texture, nullptr, pixels.data(), image.width * 4);
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
    const SDL_Rect to = {x, y, image.width, image.height};
    SDL_RenderCopy(renderer, texture, nullptr, &to);
    SDL_DestroyTexture(texture);
}

// A round sign in the icon's colour with its letter: a stop, an exclamation or information.
void drawIcon(SDL_Renderer* renderer, UINT type, int x, int y) {
    Uint32 colour = 0x1e6fd9;
    const char* letter = "i";
    if ((type & MB_ICONMASK) == MB_ICONSTOP) {
        colour = 0xd13438;
        letter = "x";
    } else if ((type & MB_ICONMASK) == MB_ICONEXCLAMATION) {
        colour = 0xe8a200;
        letter = "!";
    }
    SDL_SetRenderDrawColor(renderer, colour >> 16, (colour >> 8) & 0xff, colour & 0xff, 255);
    const int r = kIcon / 2;
    for (int dy = -r; dy < r; ++dy) {
        int half = 0;
        while ((half + 1) * (half + 1) + (dy + 0.5) * (dy + 0.5) <= r * r)
            ++half;
        SDL_RenderDrawLine(renderer, x + r - half, y + r + dy, x + r + half - 1, y + r + dy);
    }
    TextImage mark;
    if (renderText(letter, 2 * kTextHeight, mark))
        drawText(renderer, mark, x + r - mark.width / 2, y + r - mark.height / 2, 0xffffff);
}

void draw(Box& box) {
    SDL_Renderer* r = box.renderer;
    fill(r, {0, 0, box.width, box.height}, 0xffffff);
    fill(r, {0, box.height - kStrip, box.width, kStrip}, 0xf0f0f0);
    if (hasIcon(box.type))
        drawIcon(r, box.type, kMargin, kMargin);
    int y = kMargin + std::max(0, (kIcon - kTextHeight - 4) / 2) -
            (box.lines.size() > 1 ? (kTextHeight + 4) / 2 : 0);
    for (const TextImage& line : box.lines) {
        drawText(r, line, box.textLeft, std::max(kMargin / 2, y), 0x000000);
        y += kTextHeight + kLineGap + 4;
    }
    for (std::size_t i = 0; i < box.buttons.size(); ++i) {
        const Button& b = box.buttons[i];
        const bool focused = static_cast<int>(i) == box.focus;
        fill(r, b.rect, box.pressed == static_cast<int>(i) ? 0xcce4f7 : 0xe1e1e1);
        frame(r, b.rect, focused ? 0x0078d7 : 0xadadad);
        if (focused)
            frame(r, {b.rect.x + 1, b.rect.y + 1, b.rect.w - 2, b.rect.h - 2}, 0x0078d7);
        TextImage label;
        if (renderText(b.label, kTextHeight, label))
            drawText(r, label, b.rect.x + (b.rect.w - label.width) / 2,
                     b.rect.y + (b.rect.h - label.height) / 2, 0x000000);
    }
    SDL_RenderPresent(r);
}

int buttonAt(const Box& box, int x, int y) {
    const SDL_Point point = {x, y};
    for (std::size_t i = 0; i < box.buttons.size(); ++i)
        if (SDL_PointInRect(&point, &box.buttons[i].rect))
            return static_cast<int>(i);
    return -1;
}

// The answer a key gives, or 0 when it gives none (it may move the focus).
int answerKey(Box& box, const SDL_Keysym& key) {
    const int count = static_cast<int>(box.buttons.size());
    switch (key.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_SPACE:
        return box.buttons[box.focus].answer;
    case SDLK_ESCAPE:
        return box.question() ? 0 : IDOK;
    case SDLK_TAB:
        box.focus = (box.focus + ((key.mod & KMOD_SHIFT) ? count - 1 : 1)) % count;
        return 0;
    case SDLK_LEFT:
    case SDLK_UP:
        box.focus = (box.focus + count - 1) % count;
        return 0;
    case SDLK_RIGHT:
    case SDLK_DOWN:
        box.focus = (box.focus + 1) % count;
        return 0;
    default:
        for (const Button& b : box.buttons)
            if (b.mnemonic != 0 && key.sym == b.mnemonic)
                return b.answer;
        return 0;
    }
}

// Runs the box until it is answered; 0 when a termination signal ended it.
int runBox(Box& box) {
    const Uint32 id = SDL_GetWindowID(box.window);
    draw(box);
    int answer = 0;
    while (answer == 0 && !terminationRequested()) {
        // Polled rather than waited for: SDL's wait wakes itself by sending to a window, and with
        // the program's windows coming and going that once ended the process with an X error.
        SDL_Event event;
        if (!SDL_PollEvent(&event)) {
            SDL_Delay(10);
            continue;
        }
        // Keys are the box's while it is up: SDL files them under its own idea of the focus,
        // which trails the X server's by a fifth of a second.
        const bool key = event.type == SDL_KEYDOWN || event.type == SDL_KEYUP;
        const bool mouse = event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP;
        const Uint32 windowId = event.type == SDL_WINDOWEVENT ? event.window.windowID
                                : mouse                       ? event.button.windowID
                                                              : 0;
        if (!key && windowId != id) {
            translate(event);
            continue;
        }
        if (event.type == SDL_KEYDOWN && !event.key.repeat) {
            box.heldAnswer = answerKey(box, event.key.keysym);
            box.heldKey = box.heldAnswer != 0 ? event.key.keysym.sym : SDLK_UNKNOWN;
        } else if (event.type == SDL_KEYUP && event.key.keysym.sym == box.heldKey) {
            answer = box.heldAnswer;
        } else if (event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BUTTON_LEFT) {
            box.pressed = buttonAt(box, event.button.x, event.button.y);
            if (box.pressed >= 0)
                box.focus = box.pressed;
        } else if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT) {
            if (box.pressed >= 0 && buttonAt(box, event.button.x, event.button.y) == box.pressed)
                answer = box.buttons[box.pressed].answer;
            box.pressed = -1;
        } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) {
            answer = box.question() ? 0 : IDOK;
        } else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_SHOWN) {
            SDL_RaiseWindow(box.window);
        }
        draw(box);
    }
    return answer;
}

// The box of our own; -1 when it cannot be made.
int ownBox(const char* text, const char* caption, UINT type) {
    Box box;
    box.type = type;
    if (!layOut(box, text))
        return -1;
    box.window = SDL_CreateWindow(caption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                  box.width, box.height, SDL_WINDOW_ALWAYS_ON_TOP);
    if (box.window == nullptr)
        return -1;
    SDL_Window* focused = SDL_GetKeyboardFocus();
    SDL_Window* glWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext context = SDL_GL_GetCurrentContext();
    // The window's pixels go to X as they are: SDL would otherwise draw them through an OpenGL
    // context of its own, made current in place of the program's.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    box.renderer = SDL_CreateRenderer(box.window, -1, SDL_RENDERER_SOFTWARE);
    int answer = -1;
    if (box.renderer != nullptr) {
        SDL_RaiseWindow(box.window);
        answer = runBox(box);
        SDL_DestroyRenderer(box.renderer);
    }
    destroySdlWindow(box.window);
    if (context != nullptr && SDL_GL_GetCurrentContext() != context)
        SDL_GL_MakeCurrent(glWindow, context);
    // As on Win32, the window that had the focus gets it back. X refuses the focus to a window
    // that is not shown, with an error that ends the process.
    const HWND previous =
        focused != nullptr ? findWindowBySdlId(SDL_GetWindowID(focused)) : nullptr;
    if (previous != nullptr && (SDL_GetWindowFlags(focused) &
                                (SDL_WINDOW_SHOWN | SDL_WINDOW_MINIMIZED)) == SDL_WINDOW_SHOWN)
        SDL_SetWindowInputFocus(focused);
    return answer;
}

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

// SDL's own box, drawn with the X server's core fonts; -1 when it cannot be shown.
int sdlBox(const char* text, const char* caption, UINT type, bool question) {
    SDL_MessageBoxButtonData yesNo[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
        {0, IDNO, "No"},
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
        return -1;
    return answer;
}
} // namespace
} // namespace platform

using namespace platform;

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

    int answer = -1;
    if (!terminationRequested() && ensureVideo()) {
        answer = ownBox(text, caption, type);
        if (answer < 0 && !terminationRequested())
            answer = sdlBox(text, caption, type, question);
    }
    if (answer < 0)
        std::fprintf(stderr, "%s: %s\n", caption, text);
    if (answer <= 0)
        return question ? IDNO : IDOK;
    return answer;
}
