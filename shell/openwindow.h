// The application shell: the window, its device and rendering contexts, the window procedure and
// the main loop.
#pragma once

#include <windows.h>

class initGL;
class text;

extern HDC hDC;
extern HGLRC hRC;
extern HWND hWnd;
extern HINSTANCE hInstance;
extern bool active;     // false while the window is minimised
extern bool fullscreen; // the current window is full screen
extern bool keys[256];  // held keys by virtual-key code

// Flags shared with the scene: turn left, turn right, which rider, heading in degrees.
extern bool svangV, svangH, modelbyte;
extern float hjulrot;

extern initGL start;
extern text slut;

class openwindow {};

bool CreateGLWindow(const char* title, int width, int height, int bits, bool fullscreenflag);
void KillGLWindow();
// The held keys' effect on the ride, applied once per drawn frame before the frame step.
void applyKeys();
LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR cmdLine, int cmdShow);
