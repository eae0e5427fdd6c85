// The ground: one bitmap for a 400 x 400 quad. Pixel column c runs towards world -z, pixel row
// r towards world -x, so each pixel is 400 / 1024 world units. The ride starts at the origin
// heading -z; the painter works in world x and z.
#include "assets.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace modelgen {

namespace {

const double kHalfGround = 200;

// The grass's noise, which most pixels of most rows need, worked out for a whole row of pixels
// the first time a pixel of the row asks for it.
class GrassNoise {
  public:
    void startRow(int r) {
        row_ = r;
        values_ = nullptr;
    }
    double at(int c) {
        if (!values_)
            values_ = &rows_.row(row_);
        return (*values_)[c];
    }

  private:
    FbmRows rows_{kGroundSize, 128, 3, 40};
    int row_ = 0;
    const std::vector<double>* values_ = nullptr;
};

struct Ground {
    double x, z;       // world position of the pixel centre
    int c, r;          // pixel
    GrassNoise* grass; // of the pixel's row
};

// Paint letters flat on the ground, readable for someone travelling along `dir`.
bool groundText(const Ground& g, const std::string& text, double cx, double cz, double dirX,
                double dirZ, double cell) {
    double rightX = -dirZ, rightZ = dirX;
    double px = g.x - cx, pz = g.z - cz;
    double tx = (px * rightX + pz * rightZ) / cell + textWidth(text) / 2;
    double ty = (px * dirX + pz * dirZ) / cell + 3.5;
    return onText(text, tx, ty);
}

Colour grass(const Ground& g) {
    double n = g.grass->at(g.c);
    double fine = rand01(g.c, g.r, 41);
    Colour c = mix(Colour{70, 140, 48}, Colour{110, 172, 62}, n);
    c = c * (0.93 + 0.14 * fine);
    // Mowing stripes, 8 units wide, across x in two quadrants and across z in the others.
    double along = (g.x * g.z > 0) ? g.x : g.z;
    bool light = static_cast<long>(std::floor(along / 8)) % 2 == 0;
    return c * (light ? 1.3 : 0.7);
}

Colour paving(const Ground& g) {
    // Square slabs of 6 pixels with dark one-pixel joints, laid in light and dark blocks of
    // two by two, each slab its own shade: the pattern has to show through the fog.
    int tc = g.c / 6, tr = g.r / 6;
    if (g.c % 6 == 0 || g.r % 6 == 0)
        return {40, 40, 44};
    double shade = rand01(tc, tr, 42);
    bool dark = ((tc / 2) + (tr / 2)) % 2 == 1;
    Colour c = dark ? mix(Colour{92, 88, 84}, Colour{118, 112, 104}, shade)
                    : mix(Colour{222, 216, 204}, Colour{248, 244, 234}, shade);
    if (rand01(tc, tr, 43) < 0.06)
        c = Colour{178, 96, 70};
    return c * (0.96 + 0.08 * rand01(g.c, g.r, 44));
}

Colour asphalt(const Ground& g) {
    double n = fbm(g.c, g.r, kGroundSize, 256, 2, 45);
    return Colour{44, 44, 50} * (0.85 + 0.3 * n) * (0.92 + 0.16 * rand01(g.c, g.r, 46));
}

Colour brick(const Ground& g, double radius, double angle) {
    // Running bond round the promenade: rows 1.6 wide, bricks 3.2 long.
    double rowPos = (radius - 80) / 1.6;
    int row = static_cast<int>(std::floor(rowPos));
    double along = angle * 84 / 3.2 + (row % 2) * 0.5;
    int index = static_cast<int>(std::floor(along));
    double fr = rowPos - row, fa = along - index;
    if (fr < 0.22 || fa < 0.11)
        return {150, 140, 128};
    double shade = rand01(index, row, 47);
    Colour c = mix(Colour{150, 58, 40}, Colour{190, 86, 56}, shade);
    return c * (0.94 + 0.12 * rand01(g.c, g.r, 48));
}

// Bushes on a jittered 16-unit grid, each cell's drawn once for the whole picture: its centre,
// radius, and whether it grows there at all (paths and the plaza are kept clear).
struct Bush {
    bool grows;
    double cx, cz, r;
};

class Bushes {
  public:
    Bushes() {
        for (int i = kFirst; i < kFirst + kCells; ++i) {
            for (int j = kFirst; j < kFirst + kCells; ++j) {
                Bush& b = cells_[i - kFirst][j - kFirst];
                b.cx = (i + 0.2 + 0.6 * rand01(i, j, 54)) * 16;
                b.cz = (j + 0.2 + 0.6 * rand01(i, j, 55)) * 16;
                b.r = 1.5 + 2 * rand01(i, j, 56);
                const double cr = std::hypot(b.cx, b.cz);
                b.grows = rand01(i, j, 53) <= 0.35 &&
                          !(std::fabs(b.cx) < 34 + b.r && std::fabs(b.cz) < 34 + b.r) &&
                          !(std::fabs(b.cx) < 8 + b.r || std::fabs(b.cz) < 8 + b.r ||
                            std::fabs(cr - 84) < 7 + b.r);
            }
        }
    }
    // The bushes of the cells next to row x's (the cells across x from floor(x / 16) - 1 to
    // + 1), in that order and then by cell along z, that reach the row with their leaves or their
    // shadow: most rows meet none of them.
    struct Near {
        int j; // the cell along z
        const Bush* bush;
    };
    void startRow(double x) {
        near_.clear();
        const int bx = static_cast<int>(std::floor(x / 16));
        for (int i = bx - 1; i <= bx + 1; ++i) {
            for (int j = kFirst; j < kFirst + kCells; ++j) {
                const Bush& b = cells_[i - kFirst][j - kFirst];
                if (b.grows &&
                    (std::fabs(x - b.cx) < b.r || std::fabs(x - b.cx - b.r * 0.4) < b.r * 1.05))
                    near_.push_back({j, &b});
            }
        }
    }
    const std::vector<Near>& row() const { return near_; }

  private:
    // The cells next to those of the ground's pixels.
    static const int kFirst = -14, kCells = 28;
    Bush cells_[kCells][kCells];
    std::vector<Near> near_;
};

// hypot and atan2 are most of the painter's time, so each region's test first looks whether the
// pixel lies within the region's bounding square, where hypot cannot be less than either side.
Colour groundColour(const Ground& g, const Bushes& bushes) {
    const double ax = std::fabs(g.x), az = std::fabs(g.z);

    // The edge of the world: gravel, then a hedge.
    double edge = std::max(ax, az);
    if (edge > 197)
        return Colour{150, 146, 138} * (0.85 + 0.3 * rand01(g.c, g.r, 49));
    if (edge > 192)
        return Colour{34, 78, 30} * (0.75 + 0.5 * fbm(g.c, g.r, kGroundSize, 256, 2, 50));

    // Central plaza.
    if (ax < 30 && az < 30) {
        if (ax > 29 || az > 29)
            return {120, 118, 112};
        Colour c = paving(g);
        const double radius = std::hypot(g.x, g.z);
        // Compass mosaic at the start: an eight-point star, the main points longer.
        if (radius < 4.6) {
            if (radius > 4.2)
                return {60, 60, 66};
            double sector = std::atan2(g.x, -g.z) / (kPi / 4);
            long k = std::lround(sector);
            double off = sector - k; // -0.5 .. 0.5 from the nearest point
            double tip = (k % 2 == 0) ? 4.1 : 2.6;
            double reach = tip + (0.8 - tip) * std::fabs(off) * 2;
            if (radius < reach)
                return off < 0 ? Colour{236, 232, 220} : Colour{168, 64, 44};
            return {44, 70, 120};
        }
        const char* letters[4] = {"N", "E", "S", "W"};
        const double dirs[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
        for (int k = 0; k < 4; ++k) {
            if (groundText(g, letters[k], dirs[k][0] * 6.5, dirs[k][1] * 6.5, dirs[k][0],
                           dirs[k][1], 0.55))
                return {40, 40, 46};
        }
        // A chequered start line ahead of the vehicle and the name beyond it.
        if (g.z < -9.5 && g.z > -11.1 && ax < 7.8) {
            int cx = static_cast<int>(std::floor((g.x + 7.8) / 0.8));
            int cz = static_cast<int>(std::floor((g.z + 11.1) / 0.8));
            return ((cx + cz) % 2 == 0) ? Colour{240, 240, 240} : Colour{25, 25, 25};
        }
        if (groundText(g, "BALANTOR", 0, -16, 0, -1, 0.62))
            return {24, 30, 60};
        // Painted guide lines along the avenues' axes through the plaza.
        if ((ax < 0.3 && az > 20) || (az < 0.3 && ax > 9))
            return {232, 200, 40};
        return c;
    }

    // Four avenues out of the plaza, with lane markings, arrows and distances every 50 units.
    if (ax < 5 || az < 5) {
        double dirX = 0, dirZ = 0;
        if (ax < 5)
            dirZ = g.z < 0 ? -1 : 1;
        else
            dirX = g.x < 0 ? -1 : 1;
        double run = g.x * dirX + g.z * dirZ;
        double side = -g.x * dirZ + g.z * dirX; // to the right of someone riding outwards
        double across = std::fabs(side);
        if (across > 4.5)
            return {170, 168, 160};
        const Colour paint{250, 250, 246};
        if (across > 3.6 && across < 4.0)
            return paint;
        static const std::string distances[] = {"50", "100", "150"};
        for (int k = 0; k < 3; ++k) {
            const int d = 50 * (k + 1);
            if (groundText(g, distances[k], dirX * d, dirZ * d, dirX, dirZ, 0.38))
                return paint;
        }
        if (across < 0.25 && std::fmod(run, 6) < 3 && std::fabs(std::fmod(run + 25, 50) - 25) > 3)
            return paint;
        // An arrow in the right-hand lane, pointing outwards, halfway between the distances.
        double mod = std::fmod(run, 50);
        if (mod > 20 && mod < 30) {
            double t = (mod - 20) / 10; // 0 at the tail, 1 at the tip
            double halfWidth = t < 0.6 ? 0.35 : (1 - t) / 0.4 * 1.1;
            if (std::fabs(side - 1.9) < halfWidth)
                return paint;
        }
        return asphalt(g);
    }

    // The promenade ring round the park, with kerbs. Within 56 of both axes the radius is below
    // 79.2.
    if (edge < 88.6 && edge > 56) {
        const double radius = std::hypot(g.x, g.z);
        if (radius > 79.4 && radius < 88.6) {
            if (radius < 80 || radius > 88)
                return {190, 188, 180};
            return brick(g, radius, std::atan2(g.x, -g.z));
        }
    }

    // A pond, flower beds and bushes in the grass. The pond's wobble is at most 0.12.
    double pdx = (g.x + 52) / 16, pdz = (g.z - 50) / 10;
    if (std::fabs(pdx) < 1.2 && std::fabs(pdz) < 1.2) {
        double wobble = 0.12 * std::sin(std::atan2(pdz, pdx) * 5);
        double pond = std::hypot(pdx, pdz) - wobble;
        if (pond < 1) {
            if (pond > 0.9)
                return {150, 140, 120};
            double ripple = 0.5 + 0.5 * std::sin(std::hypot(g.x + 52, g.z - 50) * 2.2);
            return mix(Colour{40, 90, 140}, Colour{70, 130, 180}, ripple * (1 - pond * 0.5));
        }
    }
    const double beds[3][2] = {{48, 48}, {48, -48}, {-48, -48}};
    for (const auto& bed : beds) {
        if (std::fabs(g.x - bed[0]) >= 7 || std::fabs(g.z - bed[1]) >= 7)
            continue;
        double d = std::hypot(g.x - bed[0], g.z - bed[1]);
        if (d < 7) {
            if (d > 6.4)
                return {200, 196, 186};
            double pick = rand01(g.c / 2, g.r / 2, 51);
            if (pick < 0.18)
                return {220, 40, 60};
            if (pick < 0.30)
                return {250, 210, 40};
            if (pick < 0.38)
                return {240, 240, 250};
            return Colour{92, 64, 40} * (0.85 + 0.3 * rand01(g.c, g.r, 52));
        }
    }
    // Bushes, each with a shadow towards +x, from the cells next to the pixel's.
    const int bz = static_cast<int>(std::floor(g.z / 16));
    for (const Bushes::Near& near : bushes.row()) {
        if (near.j < bz - 1 || near.j > bz + 1)
            continue;
        const Bush& b = *near.bush;
        const double dx = g.x - b.cx, dz = std::fabs(g.z - b.cz);
        if (std::fabs(dx) < b.r && dz < b.r) {
            double d = std::hypot(dx, g.z - b.cz);
            if (d < b.r) {
                double n = fbm(g.c, g.r, kGroundSize, 256, 2, 57);
                return mix(Colour{30, 84, 32}, Colour{60, 120, 46}, n * (1 - d / b.r * 0.5));
            }
        }
        const double shadowX = g.x - b.cx - b.r * 0.4, shadow = b.r * 1.05;
        if (std::fabs(shadowX) < shadow && dz < shadow && std::hypot(shadowX, g.z - b.cz) < shadow)
            return grass(g) * 0.6;
    }
    return grass(g);
}

} // namespace

void paintGroundRows(Image& img, int from, int to) {
    Bushes bushes;
    GrassNoise grass;
    const double step = 2 * kHalfGround / kGroundSize;
    for (int r = from; r < to; ++r) {
        const double x = kHalfGround - (r + 0.5) * step;
        grass.startRow(r);
        bushes.startRow(x);
        for (int c = 0; c < kGroundSize; ++c) {
            Ground g{x, kHalfGround - (c + 0.5) * step, c, r, &grass};
            img.set(c, r, groundColour(g, bushes));
        }
    }
}

Image paintGround() {
    Image img(kGroundSize, kGroundSize);
    paintGroundRows(img, 0, kGroundSize);
    return img;
}

} // namespace modelgen
