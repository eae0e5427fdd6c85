// What the files of the web stand-in share about the fixed-function layer (gl.cpp) that they
// draw through. Included only by platform/web/*.cpp.
#pragma once

#include <GL/gl.h>

#include <vector>

namespace platform {

// One glBitmap as a display list keeps it: rows bottom first, one bit a pixel, most significant
// bit first, each row whole bytes.
struct Bitmap {
    int width = 0;
    int rows = 0;
    float xorig = 0;
    float yorig = 0;
    float xmove = 0;
    float ymove = 0;
    std::vector<unsigned char> bits;
};

// Sets up the layer's shaders and buffers in the context just made current, which starts with
// OpenGL 1.1's initial state; forgets the context's objects when it goes.
void startFixedFunction();
void stopFixedFunction();
// The context was lost and has come back empty, as a new one: what the layer knew of its objects
// is forgotten, and the layer set up in it again.
void restartFixedFunction();
// A frame has been shown: the next draw is the first of a new frame.
void frameShown();

// The unpack alignment that glPixelStorei last set, as glBitmap reads its rows.
int unpackAlignment();

} // namespace platform
