// The wheel: one surface of revolution about the axle, radius 8 and 5 wide. Its sides are
// shallow dishes that carry the sidewall, rim, spokes and hub as paint; the tread and its bevelled
// shoulders run between them. v runs from the hub of one side to the hub of the other.
#include "assets.h"

#include <cmath>

namespace modelgen {

namespace {

const double kWheelRadius = 8, kWheelHalfWidth = 2.5, kDishRadius = 7;
const int kWheelSegments = 12, kSpokes = 4;

std::vector<ProfilePoint> wheelProfile() {
    const double w = kWheelHalfWidth, R = kWheelRadius;
    return {{0, -1.9, false}, {kDishRadius, -w, true}, {R, -1.5, false},
            {R, 1.5, false},  {kDishRadius, w, true},  {0, 1.9, false}};
}

const std::vector<double> kWheelV = profileV(wheelProfile(), VMode::ArcLength);
const double kDishV = kWheelV[1], kTreadV0 = kWheelV[2];

Colour paintWheel(int x, int y, int size) {
    double u = (x + 0.5) / size, v = (y + 0.5) / size;
    Colour rubber = grain({46, 46, 50}, x, y, size, 16, 0.18, 17);
    if (v > kDishV && v < 1 - kDishV) {
        // Chevron tread blocks, 24 round the wheel, with a groove down the middle.
        double across = (v - 0.5) / (0.5 - kTreadV0); // -1 .. 1 over the tread
        if (std::fabs(across) >= 1)
            return rubber;
        double shifted = u * 24 + 0.3 * std::fabs(across);
        if (shifted - std::floor(shifted) < 0.32 || std::fabs(across) < 0.08)
            return {18, 18, 20};
        return rubber * 1.9;
    }
    // A side: v grows with the distance from the hub, the same on both sides. Spokes are bands
    // of u centred on a segment, which the hub's fan of triangles draws as straight bars.
    double r = kDishRadius * (v < 0.5 ? v : 1 - v) / kDishV;
    if (r > 5.8)
        return std::fabs(r - 6.4) < 0.06 ? rubber * 1.6 : rubber;
    if (r > 4.5) {
        Colour metal = Colour{205, 208, 214} * (0.9 + 0.2 * fbm(x * 4, y / 4, size, 16, 2, 18));
        return r < 4.75 ? metal * 0.75 : metal;
    }
    if (r < 1.7) {
        if (r < 0.5)
            return {190, 192, 198};
        Colour hub = grain({200, 32, 28}, x, y, size, 8, 0.1, 19);
        return r > 1.45 ? hub * 0.7 : hub;
    }
    double spoke = u * kSpokes;
    double off = spoke - std::floor(spoke) - 0.5 / (kWheelSegments / kSpokes);
    if (std::fabs(off) < 0.07)
        return spoke < 1 ? grain({250, 205, 20}, x, y, size, 8, 0.08, 20)
                         : Colour{205, 208, 214} * 0.92;
    return {34, 34, 38};
}

} // namespace

std::vector<Texture> wheelTextures() {
    return {{"wheel.bmp", 256, paintWheel}};
}

// Centred on the origin, axis along y, alike on both sides.
Model buildWheel() {
    Model m;
    m.file = "hjul.ASE";
    // Axis y: a = x, n = y, b = n x a = -z.
    const Frame axle{{0, 0, 0}, {1, 0, 0}, {0, 0, -1}, {0, 1, 0}};
    int wheelMat = m.material("Wheel", "wheel.bmp", 0.18, 0.18, 0.2);
    Lathe o;
    o.segments = kWheelSegments;
    lathe(m.object("Wheel", wheelMat), axle, wheelProfile(), o);
    return m;
}

} // namespace modelgen
