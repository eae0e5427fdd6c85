// Rider two: broader, in a green t-shirt with a big white 7 on the back (u = 0.5), khaki shorts,
// bare legs, boots and a blue cap.
#include "assets.h"

#include <cmath>

namespace modelgen {

namespace {

Colour paintSkin2(int x, int y, int size) {
    return skin({164, 110, 74}, x, y, size, 22);
}

Colour paintHead2(int x, int y, int size) {
    double u = (x + 0.5) / size, v = headV(y, size);
    Colour c = face({164, 110, 74}, {28, 24, 22}, 0.74, 0.30, x, y, size, 24);
    // A short dark beard along the jaw.
    if (v > 0.1 && v < 0.30 && std::fabs(u - 0.5) < 0.2 && !(std::fabs(u - 0.5) < 0.05 && v > 0.27))
        return grain({40, 32, 28}, x, y, size, 32, 0.4, 25);
    return c;
}

// Arms run from the shoulder (v = 0) to the wrist (1), legs from the ankle (0) to the hip (1),

Colour paintShirt2(int x, int y, int size) {
    double u = (x + 0.5) / size, v = (y + 0.5) / size;
    if (v < torsoV(20.6))
        return grain({192, 166, 112}, x, y, size, 32, 0.12, 33);
    if (v < torsoV(21.2))
        return {70, 45, 25};
    Colour green = grain({44, 160, 78}, x, y, size, 16, 0.1, 34);
    // The number: about 4 units tall on the back.
    double cell = 0.037;
    double tx = (u - 0.5) / cell + 2.5, ty = (v - torsoV(23.6)) / cell;
    if (onText("7", tx, ty))
        return {245, 245, 240};
    if (v > torsoV(31.0))
        return green * 0.75;
    return green;
}

// Short sleeves with a white hem above the elbow, bare forearms.
Colour paintArm2(int x, int y, int size) {
    double v = (y + 0.5) / size;
    if (v < kLimbBendV - 0.14)
        return grain({44, 160, 78}, x, y, size, 16, 0.1, 35);
    if (v < kLimbBendV - 0.06)
        return {245, 245, 240};
    return paintSkin2(x, y, size);
}

// A white sock at the ankle, the bare shin, and the shorts from above the knee, with a pocket.
Colour paintLeg2(int x, int y, int size) {
    double v = (y + 0.5) / size, u = (x + 0.5) / size;
    if (v < 0.16)
        return grain({238, 238, 232}, x, y, size, 8, 0.05, 37) * (y % 4 == 0 ? 0.9 : 1.0);
    if (v < kLimbBendV + 0.08)
        return paintSkin2(x, y, size);
    Colour khaki = grain({192, 166, 112}, x, y, size, 32, 0.12, 36);
    if (v < kLimbBendV + 0.12)
        return khaki * 0.8;
    if (std::fabs(u - 0.25) < 0.1 && v > 0.7 && v < 0.85)
        return khaki * 0.85;
    return khaki;
}

Colour paintBoot(int x, int y, int size) {
    double u = (x + 0.5) / size;
    if (std::fabs(u - 0.5) < 0.16)
        return {40, 30, 24};
    return grain({120, 74, 38}, x, y, size, 16, 0.15, 38);
}

Colour paintCap(int x, int y, int size) {
    double u = (x + 0.5) / size, v = (y + 0.5) / size;
    Colour blue = grain({28, 48, 150}, x, y, size, 16, 0.08, 39);
    if (v < 0.08)
        return blue * 0.7;
    double seam = u * 6 - std::floor(u * 6);
    if (seam < 0.04)
        return blue * 0.65;
    if (v > 0.93)
        return {240, 240, 240};
    return blue;
}

} // namespace

Model buildRider2() {
    return buildRider({"figur2.ASE", 1.2, 0.7, 1.2, 5.3, 2.5, false, false, false});
}

std::vector<Texture> rider2Textures() {
    return {{"skin2.bmp", 32, paintSkin2},    {"head2.bmp", 128, paintHead2},
            {"shirt2.bmp", 128, paintShirt2}, {"arm2.bmp", 64, paintArm2},
            {"leg2.bmp", 64, paintLeg2},      {"boot2.bmp", 64, paintBoot},
            {"cap2.bmp", 64, paintCap}};
}

} // namespace modelgen
