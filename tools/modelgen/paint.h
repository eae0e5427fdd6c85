// The paint toolkit: colours, images, noise that tiles, letters, and the bitmaps the materials
// name, each painted pixel by pixel.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace modelgen {

struct Colour {
    double r, g, b;
};
inline Colour operator*(Colour c, double s) {
    return {c.r * s, c.g * s, c.b * s};
}
inline Colour mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

struct Image {
    int w, h;
    std::vector<std::uint8_t> rgb; // row 0 is the bottom row, as the bitmap stores it
    Image(int width, int height)
        : w(width), h(height), rgb(static_cast<size_t>(width) * height * 3) {}
    void set(int x, int y, Colour c) {
        std::uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
        const double ch[3] = {c.r, c.g, c.b};
        // Rounded half away from zero, as lround does, without its cost in WebAssembly: for a
        // value in [0, 255] the fraction v - whole is exact.
        for (int k = 0; k < 3; ++k) {
            const double v = std::clamp(ch[k], 0.0, 255.0);
            const int whole = static_cast<int>(v);
            p[k] = static_cast<std::uint8_t>(v - whole >= 0.5 ? whole + 1 : whole);
        }
    }
};

double rand01(int x, int y, std::uint32_t seed);

// Fractal noise in [0, 1) over a texture of side `size` pixels, `cells` lattice cells across.
double fbm(int px, int py, int size, int cells, int octaves, std::uint32_t seed);

// fbm() for each pixel of a row, px = 0 .. size - 1: the same values, for a small part of the
// cost, since along a row each octave's lattice corners and weights repeat, and the columns'
// part of them is the same in every row.
class FbmRows {
  public:
    FbmRows(int size, int cells, int octaves, std::uint32_t seed);
    const std::vector<double>& row(int py);

  private:
    struct Octave {
        int period;
        double scale;
        std::vector<int> x0, x1; // lattice columns left and right of each pixel
        std::vector<double> sx;  // and the smoothed weight between them
    };
    int size_;
    std::uint32_t seed_;
    std::vector<Octave> octaves_;
    std::vector<double> top_, bottom_, values_;
};

// Whether the point (x, y), in glyph cells with y up and the text's start at the origin, falls
// on a letter of `text`. Letters are 5 cells wide with one cell between them.
bool onText(const std::string& text, double x, double y);
double textWidth(const std::string& text);

// Textures of the parts. Each painter receives pixel coordinates; u grows with x, v with y.
using Painter = Colour (*)(int x, int y, int size);

Colour grain(Colour c, int x, int y, int size, int cells, double amount, std::uint32_t seed);

struct Texture {
    const char* file;
    int size;
    Painter paint;
};

Image paint(const Texture& texture);

} // namespace modelgen
