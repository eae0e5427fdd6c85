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

FbmRows::FbmRows(int size, int cells, int octaves, std::uint32_t seed)
    : size_(size), seed_(seed), values_(size) {
    // Along a row, each octave's lattice columns and weights are the same for every row.
    for (int o = 0; o < octaves; ++o) {
        Octave oct;
        oct.period = cells << o;
        oct.scale = static_cast<double>(oct.period) / size;
        for (int px = 0; px < size; ++px) {
            const double x = px * oct.scale;
            const int xi = static_cast<int>(std::floor(x));
            const double fx = x - xi;
            const int x0 = wrap(xi, oct.period);
            oct.x0.push_back(x0);
            oct.x1.push_back(x0 + 1 == oct.period ? 0 : x0 + 1);
            oct.sx.push_back(fx * fx * (3 - 2 * fx));
        }
        octaves_.push_back(std::move(oct));
    }
}

const std::vector<double>& FbmRows::row(int py) {
    // The sums are built up in the order fbm() adds its octaves, so each value is the same.
    std::fill(values_.begin(), values_.end(), 0.0);
    double amp = 0.5, norm = 0;
    for (std::size_t o = 0; o < octaves_.size(); ++o) {
        const Octave& oct = octaves_[o];
        const std::uint32_t seed = seed_ + static_cast<std::uint32_t>(o);
        const double y = py * oct.scale;
        const int yi = static_cast<int>(std::floor(y));
        const double fy = y - yi, sy = fy * fy * (3 - 2 * fy);
        const int y0 = wrap(yi, oct.period), y1 = y0 + 1 == oct.period ? 0 : y0 + 1;
        top_.resize(oct.period);
        bottom_.resize(oct.period);
        for (int x = 0; x < oct.period; ++x) {
            top_[x] = rand01(x, y0, seed);
            bottom_[x] = rand01(x, y1, seed);
        }
        for (int px = 0; px < size_; ++px) {
            const int x0 = oct.x0[px], x1 = oct.x1[px];
            const double sx = oct.sx[px];
            const double upper = top_[x0] + (top_[x1] - top_[x0]) * sx;
            const double lower = bottom_[x0] + (bottom_[x1] - bottom_[x0]) * sx;
            values_[px] += amp * (upper + (lower - upper) * sy);
        }
        norm += amp;
        amp *= 0.5;
    }
    for (double& v : values_)
        v /= norm;
    return values_;
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
