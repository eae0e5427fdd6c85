// The image arithmetic behind gluBuild2DMipmaps, apart from OpenGL so it can be checked on its own.
#pragma once

#include <vector>

namespace platform {

// Tightly packed 8-bit pixels of 1 to 4 components, rows in the order they came.
struct Image {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<unsigned char> pixels;
};

// The power of two GLU picks for a side: the one below, or the one above when the side is at
// least three quarters of it (3 -> 4, 5 -> 4, 6 -> 8, 600 -> 512, 800 -> 1024). 0 for sides < 1.
int nearestPower(int side);

// The sides of the first mipmap level: the nearest powers of two, both halved until they fit the
// largest texture side. A lost context tells no largest side (0): then they halve down to 1 x 1,
// for nothing is uploaded to it anyway.
void baseLevel(int width, int height, int largest, int& levelWidth, int& levelHeight);

// The image resampled to the size: each new pixel is the mean of the source area it covers.
Image scaleImage(const Image& image, int width, int height);

// The next mipmap level: half the size on each side that is more than 1, each pixel the rounded
// mean of the 2 x 2 (or 2 x 1) pixels it replaces.
Image halveImage(const Image& image);

} // namespace platform
