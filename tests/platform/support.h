// What the platform tests share: a private X server, shell commands, and a window with a
// current GL context made the way the program makes its own.
#pragma once

#include "platform/win32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Starts Xvfb with the given screen (e.g. "1024x768x24") for this process and points DISPLAY at
// it, so the tests' windows and key presses meet no other process's, before any test runs. The
// server stops when the process ends. It has no window manager, so the atom that tells one
// about borders is made beforehand: SDL then records a borderless window where xprop sees it.
::testing::Environment* PrivateDisplay(const char* screen);

// Runs a shell command and gives its standard output.
std::string Shell(const std::string& command);

// The X window id of our window with this (unique) title, as a decimal string; "" if none.
std::string XWindowId(const std::string& title);

// Asks the window to close, as a window manager's close button does.
void RequestClose(const std::string& xid);

// What xdotool and xprop report of the window.
struct XWindowState {
    int x = -1, y = -1, width = 0, height = 0;
    bool decorated = true;
    bool resizable = true;
};
XWindowState QueryWindow(const std::string& xid);

// Handles queued messages for a while, dispatching them to their window procedures.
void PumpMessages(int milliseconds);

// The window procedure of the test class: records every message it receives.
struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
extern std::vector<Received> g_received;
LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class "Test" (once), creates a window of it with the style, a double-buffered
// 16-bit-colour 16-bit-depth pixel format and a current context, and shows it.
struct GLWindow {
    HWND wnd = nullptr;
    HDC dc = nullptr;
    HGLRC rc = nullptr;
    bool Create(const char* title, DWORD style, int width, int height);
    void Destroy();
};

PIXELFORMATDESCRIPTOR ProgramPixelFormat(int colorBits, int depthBits);
