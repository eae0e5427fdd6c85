// What the platform tests share: a private X server, shell commands for xdotool and xprop, and a
// window with a current GL context made the way the program makes its own.
#pragma once

#include "support/display.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Shell words for the X window id of our window with this (unique) title, and its geometry as
// "640x480+0+0".
std::string Xid(const std::string& title);
std::string Geometry(const std::string& title);

// How many resources of a type ("COLORMAP", "WINDOW") this process holds on the X server.
int ServerResources(const char* type);

// The program's display mode: 640 x 480 in 16 bits.
DEVMODEA ProgramMode();

// Every message the test class's windows received, in order.
struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
extern std::vector<Received> g_received;

// Handles queued messages until the window has received this message (with any lParam when it
// is -1), for 3 s at most.
bool Await(HWND window, UINT message, WPARAM wParam, LPARAM lParam = -1);

// A shown window of the class "Test" with a client area of the given size, as the program makes
// its own, with the program's pixel format (double-buffered, 16 colour
// and 16 depth bits) and a current context.
struct GLWindow {
    HWND wnd = nullptr;
    HDC dc = nullptr;
    HGLRC rc = nullptr;
    bool Create(const char* title, DWORD style, int width, int height);
    void Destroy();
};
