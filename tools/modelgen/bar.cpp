// The bar model: chassis, deck, steering column, handlebar and grips, and their bitmaps.
#include "assets.h"

#include <cmath>

namespace modelgen {

namespace {

Colour paintDeck(int x, int y, int size) {
    Colour rubber = grain({38, 38, 42}, x, y, size, 16, 0.25, 11);
    int ry = y % 8;
    if (ry == 0 || ry == 1)
        return rubber * 0.45;
    if (ry == 2)
        return rubber * 1.35;
    return rubber;
}

Colour paintHousing(int x, int y, int size) {
    Colour c = grain({214, 216, 220}, x, y, size, 8, 0.06, 12);
    if (y % 32 == 0)
        return c * 0.82;
    return c;
}

Colour paintTrim(int x, int y, int size) {
    // The housing's coloured band: orange with a dark pin stripe.
    Colour c = grain({235, 110, 25}, x, y, size, 8, 0.08, 13);
    if (y % 16 == 0)
        return {40, 40, 45};
    return c;
}

Colour paintAluminium(int x, int y, int size) {
    double streak = fbm(x / 8, y * 4, size, 16, 2, 14);
    return Colour{188, 192, 198} * (0.88 + 0.24 * streak);
}

Colour paintDarkMetal(int x, int y, int size) {
    return grain({78, 80, 88}, x, y, size, 16, 0.15, 15);
}

Colour paintGrip(int x, int y, int size) {
    int a = (x + y) % 8, b = (x - y + size) % 8;
    Colour c = grain({42, 42, 46}, x, y, size, 16, 0.2, 16);
    if (a == 0 || b == 0)
        return c * 0.5;
    return c;
}

Colour paintReflector(int x, int y, int size) {
    (void)size;
    int cx = x % 8, cy = y % 8;
    double d = std::hypot(cx - 3.5, cy - 3.5);
    return Colour{220, 30, 25} * (1.15 - 0.08 * d);
}

} // namespace

std::vector<Texture> barTextures() {
    return {{"deck.bmp", 64, paintDeck},           {"housing.bmp", 64, paintHousing},
            {"trim.bmp", 64, paintTrim},           {"column.bmp", 64, paintAluminium},
            {"handlebar.bmp", 64, paintDarkMetal}, {"grip.bmp", 64, paintGrip},
            {"reflector.bmp", 32, paintReflector}};
}

Model buildBar() {
    Model m;
    m.file = "stang.ASE";
    int deckMat = m.material("Deck", "deck.bmp", 0.15, 0.15, 0.16);
    int housingMat = m.material("Housing", "housing.bmp", 0.84, 0.85, 0.86);
    int trimMat = m.material("Trim", "trim.bmp", 0.92, 0.43, 0.1);
    int columnMat = m.material("Column", "column.bmp", 0.74, 0.75, 0.78);
    int barMat = m.material("Handlebar", "handlebar.bmp", 0.3, 0.31, 0.34);
    int gripMat = m.material("Grip", "grip.bmp", 0.16, 0.16, 0.18);
    int reflectorMat = m.material("Reflector", "reflector.bmp", 0.86, 0.12, 0.1);

    // Parts come before the parts they cover, so that the hidden pixels fail the depth test
    // instead of being shaded and then painted over: the deck hides the housing's top, the bands
    // and the reflector its ends and back, the grips the bar's ends, the clamp the column's top.

    // Rubber deck on top of the housing.
    {
        Frame f{{0, 0, kDeckTop - 0.4}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        box(m.object("Deck", deckMat), f, {6.2, 13.4, 0.4}, 8.0);
    }
    // Orange bands round the housing's ends, next to the wheels. Frame: a = x, b = z,
    // n = a x b = -y.
    const Frame side{{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}};
    {
        Mesh& trim = m.object("Trim", trimMat);
        for (int s = -1; s <= 1; s += 2) {
            std::vector<V2> outline;
            std::vector<bool> smooth;
            roundedRect(7.3, 2.7, 1.8, 1, outline, smooth);
            for (V2& p : outline)
                p.v -= 1.0;
            double y0 = s < 0 ? -15.0 : 14.0;
            prism(trim, side, outline, smooth, -y0 - 1, -y0, 4.0);
        }
    }
    // A red reflector at the back, where the camera is.
    box(m.object("Reflector", reflectorMat), frameAlong({7.1, 0, -0.6}, {0, 0, 1}, {1, 0, 0}),
        {0.2, 3.5, 0.7}, 1.0);
    // The housing under the deck, a rounded section in the x-z plane swept along the axle, with
    // the fenders over the wheels and the fairing at the foot of the column: one object, as they
    // share a material.
    {
        Mesh& housing = m.object("Housing", housingMat);
        std::vector<V2> outline;
        std::vector<bool> smooth;
        roundedRect(7.0, 2.4, 1.6, 2, outline, smooth);
        for (V2& p : outline)
            p.v -= 1.0; // z from -3.4 to 1.4
        prism(housing, side, outline, smooth, -14.0, 14.0, 6.0);
        // Fenders: bands over the top of each wheel, concentric with it.
        for (int s = -1; s <= 1; s += 2) {
            outline.clear();
            smooth.clear();
            const int steps = 3;
            const double a0 = kPi * 0.12, a1 = kPi * 0.88, rIn = 8.7, rOut = 9.5;
            for (int i = 0; i <= steps; ++i) {
                double t = a0 + (a1 - a0) * i / steps;
                outline.push_back({rOut * std::cos(t), rOut * std::sin(t)});
                smooth.push_back(i != 0 && i != steps);
            }
            for (int i = steps; i >= 0; --i) {
                double t = a0 + (a1 - a0) * i / steps;
                outline.push_back({rIn * std::cos(t), rIn * std::sin(t)});
                smooth.push_back(i != 0 && i != steps);
            }
            double y0 = s < 0 ? -20.2 : 15.0;
            prism(housing, side, outline, smooth, -(y0 + 5.2), -y0, 6.0);
        }
        box(housing, frameAlong({-5.6, 0, 2.6}, {0, 0, 1}, {1, 0, 0}), {1.6, 3.0, 1.4}, 6.0);
    }
    // The grips, then the bar across the column's head with its clamp.
    for (int s = -1; s <= 1; s += 2) {
        V3 centre{kGrip.x, s * kGrip.y, kGrip.z};
        limb(m.object(s < 0 ? "GripLeft" : "GripRight", gripMat),
             {{centre - V3{0, 1.9, 0}, kGripRadius, 0}, {centre + V3{0, 1.9, 0}, kGripRadius, 1}},
             {1, 0, 0}, 4);
    }
    // The steering column runs from the front of the deck up to the clamp, leaning forward.
    const V3 base{-4.6, 0, 0.6}, top{-6.4, 0, 21.2};
    {
        Mesh& bar = m.object("Handlebar", barMat);
        box(bar, frameAlong({-6.6, 0, 22.0}, top - base, {1, 0, 0}), {1.5, 2.6, 1.6}, 4.0);
        limb(bar,
             {{{kGrip.x, -kGrip.y - 2.2, kGrip.z}, 0.65, 0},
              {{kGrip.x, kGrip.y + 2.2, kGrip.z}, 0.65, 1}},
             {1, 0, 0}, 6);
    }
    {
        Frame f = frameAlong(base, top - base, {1, 0, 0});
        std::vector<V2> outline;
        std::vector<bool> smooth;
        roundedRect(1.3, 1.9, 0.9, 1, outline, smooth);
        prism(m.object("Column", columnMat), f, outline, smooth, 0, length(top - base), 6.0);
    }
    return m;
}

} // namespace modelgen
