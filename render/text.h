// Bitmap text: the overlay font as display lists, and printing at the raster position.
#pragma once

#include <GL/gl.h>

// First of the font's 96 display lists; list base + i draws character 32 + i.
extern GLuint base;

class text {
  public:
    text() {}
    ~text() {}
    void BuildFont();
    void KillFont();
    void glPrint(const char* fmt, ...);
};
