// What the platform tests share: a private X server, shell commands for xdotool and xprop, and a
// window with a current GL context made the way the program makes its own.
#pragma once

#include "support/display.h"

#include <windows.h>

#include <string>
#include <vector>

// The geometry of our X window with this (unique) title, as "640x480+0+0".
std::string Geometry(const std::string& title);

// Every message the windows of the class "Test" received, in order.
extern std::vector<MSG> g_received;

// A shown window of the class "Test" with a client area of the given size, as the program makes
// its own, with the program's pixel format (double-buffered, 16 colour and 16 depth bits) and a
// current context.
struct GLWindow {
    HWND wnd = nullptr;
    HDC dc = nullptr;
    HGLRC rc = nullptr;
    bool Create(const char* title, DWORD style, int width, int height);
    void Destroy();
};
