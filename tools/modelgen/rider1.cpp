// Rider one: slim, in a red jacket with a white reflective band, jeans, white shoes, gloves and a
// yellow helmet.
#include "assets.h"

#include <cmath>

namespace modelgen {

namespace {

Colour paintHead1(int x, int y, int size) {
    return face({240, 196, 165}, {120, 72, 36}, 0.78, 0.42, x, y, size, 23);
}

Colour paintJacket1(int x, int y, int size) {
    double u = (x + 0.5) / size, v = (y + 0.5) / size;
    if (v < torsoV(20.8))
        return grain({52, 78, 140}, x, y, size, 32, 0.2, 26);
    if (v < torsoV(21.4))
        return {30, 24, 20};
    Colour red = grain({205, 34, 38}, x, y, size, 16, 0.12, 27);
    if (std::fabs(v - torsoV(26.4)) < 0.025)
        return {240, 240, 235};
    if (u < 0.012 || u > 0.988)
        return {40, 40, 44};
    if (v > torsoV(30.9))
        return red * 0.7;
    return red;
}

// The jacket's sleeves, with a reflective band above the elbow.
Colour paintSleeve1(int x, int y, int size) {
    double v = (y + 0.5) / size;
    if (v > kLimbBendV - 0.08 && v < kLimbBendV - 0.04)
        return {240, 240, 235};
    return grain({205, 34, 38}, x, y, size, 16, 0.12, 28);
}

Colour paintJeans(int x, int y, int size) {
    double twill = ((x + y) % 4 < 2) ? 1.06 : 0.94;
    return grain({52, 78, 140}, x, y, size, 32, 0.2, 29) * twill;
}

Colour paintShoe1(int x, int y, int size) {
    double v = (y + 0.5) / size, u = (x + 0.5) / size;
    // u = 0.5 is the sole; a grey sole and a blue stripe along the sides.
    if (std::fabs(u - 0.5) < 0.16)
        return {120, 120, 125};
    if (std::fabs(std::fabs(u - 0.5) - 0.24) < 0.03 && v > 0.2 && v < 0.8)
        return {40, 90, 200};
    return grain({240, 240, 240}, x, y, size, 8, 0.05, 30);
}

Colour paintGlove(int x, int y, int size) {
    return grain({36, 36, 40}, x, y, size, 16, 0.25, 31);
}

Colour paintHelmet(int x, int y, int size) {
    double u = (x + 0.5) / size, v = (y + 0.5) / size;
    if (v < 0.07)
        return {30, 30, 34};
    Colour yellow = grain({250, 206, 28}, x, y, size, 8, 0.06, 32);
    // Vents: dark slots running up from the brow, six of them round the shell.
    double slot = u * 6 - std::floor(u * 6);
    if (v > 0.32 && v < 0.84 && std::fabs(slot - 0.5) < 0.09)
        return {25, 25, 28};
    if (std::fabs(v - 0.22) < 0.02)
        return {30, 30, 34};
    return yellow;
}

} // namespace

Model buildRider1() {
    return buildRider({"figur.ASE", 1.0, 0.56, 1.0, 4.6, 2.1, true, true, true});
}

std::vector<Texture> rider1Textures() {
    return {{"head1.bmp", 128, paintHead1},    {"jacket1.bmp", 128, paintJacket1},
            {"sleeve1.bmp", 64, paintSleeve1}, {"jeans1.bmp", 64, paintJeans},
            {"shoe1.bmp", 64, paintShoe1},     {"glove1.bmp", 32, paintGlove},
            {"helmet1.bmp", 128, paintHelmet}};
}

} // namespace modelgen
