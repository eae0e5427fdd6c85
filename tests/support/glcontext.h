// A window with a current OpenGL context for tests that draw, made through the platform calls the
// program itself uses.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

class GLContext {
  public:
    GLContext(int width = 640, int height = 480);
    ~GLContext();
    bool ok() const { return context != nullptr; }
    // RGB of a pixel of the back buffer, origin at the bottom left.
    std::uint32_t pixel(int x, int y) const;
    std::vector<std::uint8_t> readRGB() const;

    int width, height;
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
};
