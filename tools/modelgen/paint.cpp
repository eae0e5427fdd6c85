#include "paint.h"

#include <cmath>

namespace modelgen {

namespace {

std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return h;
}

// A lattice index wrapped into the period once: the divisions cost more than the rest of the
// noise, and a period of a power of two, as most are, needs none.
int wrap(int i, int period) {
    return (period & (period - 1)) == 0 ? i & (period - 1) : ((i % period) + period) % period;
}

// Value noise on a lattice that repeats every `period` cells, so textures tile.
double noise(double x, double y, int period, std::uint32_t seed) {
    int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    double fx = x - xi, fy = y - yi;
    const int x0 = wrap(xi, period), y0 = wrap(yi, period);
    const int x1 = x0 + 1 == period ? 0 : x0 + 1, y1 = y0 + 1 == period ? 0 : y0 + 1;
    const double a = rand01(x0, y0, seed), b = rand01(x1, y0, seed);
    const double c = rand01(x0, y1, seed), d = rand01(x1, y1, seed);
    double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    double top = a + (b - a) * sx;
    double bottom = c + (d - c) * sx;
    return top + (bottom - top) * sy;
}

// A 5 x 7 font for the few letters painted on bitmaps; rows from the top.
const char* glyph(char c) {
    switch (c) {
    case '0':
        return " ### #   ##  ### # ### #  ##   # ### ";
    case '1':
        return "  #   ##    #    #    #    #   ### ";
    case '2':
        return " ### #   #    #  ##  #    #    #####";
    case '3':
        return "#####   #   #   ##     ##   # ### ";
    case '4':
        return "   #   ##  # # #  # #####   #    # ";
    case '5':
        return "#####    ####     #    ##   # ### ";
    case '6':
        return "  ##  #   #    #### #   ##   # ### ";
    case '7':
        return "#####    #   #   #   #    #    #   ";
    case '8':
        return " ### #   ##   # ### #   ##   # ### ";
    case '9':
        return " ### #   ##   # ####    #   #  ##  ";
    case 'A':
        return " ### #   ##   #######   ##   ##   #";
    case 'B':
        return "#### #   ##   ##### #   ##   ##### ";
    case 'E':
        return "######    #    #### #    #    #####";
    case 'L':
        return "#    #    #    #    #    #    #####";
    case 'N':
        return "#   ###  ## # ##  ###   ##   ##   #";
    case 'O':
        return " ### #   ##   ##   ##   ##   # ### ";
    case 'R':
        return "#### #   ##   ##### # #  #  # #   #";
    case 'S':
        return " #####    #     ###     #    ##### ";
    case 'T':
        return "#####  #    #    #    #    #    #  ";
    case 'W':
        return "#   ##   ##   ## # ## # ##### #   #";
    default:
        return "                                   ";
    }
}

} // namespace

double rand01(int x, int y, std::uint32_t seed) {
    return (hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), seed) & 0xffffff) /
           16777216.0;
}

double fbm(int px, int py, int size, int cells, int octaves, std::uint32_t seed) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        double scale = static_cast<double>(cells << o) / size;
        sum += amp * noise(px * scale, py * scale, cells << o, seed + o);
        norm += amp;
        amp *= 0.5;
    }
    return sum / norm;
}

void fbmRow(int py, int size, int cells, int octaves, std::uint32_t seed,
            std::vector<double>& out) {
    // The sums are built up in the order fbm() adds its octaves, so each value is the same.
    out.assign(size, 0);
    std::vector<double> top, bottom;
    double amp = 0.5, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        const int period = cells << o;
        const double scale = static_cast<double>(period) / size;
        const double y = py * scale;
        const int yi = static_cast<int>(std::floor(y));
        const double fy = y - yi, sy = fy * fy * (3 - 2 * fy);
        const int y0 = wrap(yi, period), y1 = y0 + 1 == period ? 0 : y0 + 1;
        top.resize(period);
        bottom.resize(period);
        for (int x = 0; x < period; ++x) {
            top[x] = rand01(x, y0, seed + o);
            bottom[x] = rand01(x, y1, seed + o);
        }
        for (int px = 0; px < size; ++px) {
            const double x = px * scale;
            const int xi = static_cast<int>(std::floor(x));
            const double fx = x - xi, sx = fx * fx * (3 - 2 * fx);
            const int x0 = wrap(xi, period), x1 = x0 + 1 == period ? 0 : x0 + 1;
            const double upper = top[x0] + (top[x1] - top[x0]) * sx;
            const double lower = bottom[x0] + (bottom[x1] - bottom[x0]) * sx;
            out[px] += amp * (upper + (lower - upper) * sy);
        }
        norm += amp;
        amp *= 0.5;
    }
    for (double& v : out)
        v /= norm;
}

bool onText(const std::string& text, double x, double y) {
    if (x < 0 || y < 0 || y >= 7)
        return false;
    size_t letter = static_cast<size_t>(x / 6);
    int col = static_cast<int>(x) - static_cast<int>(letter) * 6;
    if (letter >= text.size() || col >= 5)
        return false;
    int rowFromTop = 6 - static_cast<int>(y);
    return glyph(text[letter])[rowFromTop * 5 + col] == '#';
}

double textWidth(const std::string& text) {
    return text.size() * 6.0 - 1;
}

Colour grain(Colour c, int x, int y, int size, int cells, double amount, std::uint32_t seed) {
    return c * (1 + amount * (fbm(x, y, size, cells, 3, seed) - 0.5) * 2);
}

Image paint(const Texture& texture) {
    Image img(texture.size, texture.size);
    for (int y = 0; y < texture.size; ++y)
        for (int x = 0; x < texture.size; ++x)
            img.set(x, y, texture.paint(x, y, texture.size));
    return img;
}

} // namespace modelgen
