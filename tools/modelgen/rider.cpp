// The figure both riders share, built to each one's measures, and the painting of skin and faces.
#include "assets.h"

#include <algorithm>
#include <cmath>

namespace modelgen {

namespace {

// Elbow or knee between a and b for segment lengths l1 and l2, bending towards `pole`.
V3 joint(V3 a, V3 b, double l1, double l2, V3 pole) {
    V3 d = b - a;
    double dist = std::min(length(d), l1 + l2 - 1e-3);
    V3 dir = unit(d);
    double along = (l1 * l1 - l2 * l2 + dist * dist) / (2 * dist);
    double out = std::sqrt(std::max(0.0, l1 * l1 - along * along));
    V3 side = unit(pole - dir * dot(pole, dir));
    return a + dir * along + side * out;
}

} // namespace

Model buildRider(const Build& b) {
    Model m;
    m.file = b.file;
    const bool one = b.helmet;
    int headMat = m.material("Head", one ? "head1.bmp" : "head2.bmp", 0.9, 0.75, 0.6);
    int torsoMat = m.material(one ? "Jacket" : "Shirt", one ? "jacket1.bmp" : "shirt2.bmp",
                              one ? 0.8 : 0.17, one ? 0.13 : 0.63, one ? 0.15 : 0.3);
    int armMat = m.material(one ? "Sleeve" : "Arm", one ? "sleeve1.bmp" : "arm2.bmp",
                            one ? 0.8 : 0.17, one ? 0.13 : 0.63, one ? 0.15 : 0.3);
    int legMat = m.material(one ? "Jeans" : "Leg", one ? "jeans1.bmp" : "leg2.bmp",
                            one ? 0.2 : 0.64, one ? 0.3 : 0.43, one ? 0.55 : 0.29);
    int shoeMat = m.material("Shoe", one ? "shoe1.bmp" : "boot2.bmp", one ? 0.94 : 0.47,
                             one ? 0.94 : 0.29, one ? 0.94 : 0.15);
    int handMat = one ? m.material("Glove", "glove1.bmp", 0.14, 0.14, 0.16)
                      : m.material("Skin", "skin2.bmp", 0.9, 0.75, 0.6);
    int hatMat = m.material(one ? "Helmet" : "Cap", one ? "helmet1.bmp" : "cap2.bmp",
                            one ? 0.98 : 0.11, one ? 0.8 : 0.19, one ? 0.11 : 0.59);

    const double cx = 0.8; // the body's centre line, a little behind the axle
    const double L = b.limb;

    // As on the bar, parts come before the parts they cover: the torso first, as the neck, the
    // shoulders and the hips end inside it, the hat before the head, the fists before the arms
    // and the shoes before the legs.

    // Torso from the crotch to the neck, with hips, waist, chest and shoulders. Frame: a = -x
    // (front, u = 0) so that the back is the middle of the bitmap.
    {
        const double w = b.width;
        std::vector<ProfilePoint> prof = {
            {0, kTorsoBottom, false}, {2.9 * w, 18.1, false},  {3.45 * w, 20.4, false},
            {3.15 * w, 22.8, false},  {3.75 * w, 27.2, false}, {b.shoulderY - 0.2, 29.3, false},
            {0, kTorsoTop, false}};
        Frame f{{cx, 0, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}};
        Lathe o;
        o.segments = 8;
        o.vMode = VMode::Height;
        o.sa = b.depth;
        lathe(m.object("Torso", torsoMat), f, prof, o);
    }
    const V3 headCentre{cx - 0.5, 0, 34.35};
    // Helmet or cap over the crown of the head. The frame tips back so the rim sits low at the
    // nape.
    {
        Mesh& hat = m.object(one ? "Helmet" : "Cap", hatMat);
        const double rim = one ? 2.55 : 2.35, dome = one ? 2.75 : 2.45;
        const double base = one ? 0.15 : 0.0, lift = 0.2, rise = one ? 2.75 : 2.25;
        std::vector<ProfilePoint> prof = {{0, base, false}, {rim, base, true}};
        for (int i = 1; i <= 3; ++i) {
            double t = kPi / 2 * i / 3;
            prof.push_back(
                {i == 3 ? 0 : dome * std::cos(t), base + lift + rise * std::sin(t), false});
        }
        Lathe o;
        o.segments = 8;
        o.sa = one ? 1.17 : 1.08;
        o.vMode = VMode::Height;
        Frame f = one ? frameAlong(headCentre + V3{0.15, 0, 0.15}, {0.22, 0, 1}, {1, 0, 0})
                      : frameAlong(headCentre + V3{0.05, 0, 0.55}, {0.12, 0, 1}, {1, 0, 0});
        lathe(hat, f, prof, o);
        if (!one) {
            // The peak: a flat half disc in front, tipped down a little.
            Frame peak = frameAlong(headCentre + V3{-1.6, 0, 0.75}, {-0.18, 0, 1}, {-1, 0, 0});
            std::vector<V2> outline;
            std::vector<bool> smooth;
            for (int i = 0; i <= 5; ++i) {
                double t = -kPi / 2 + kPi * i / 5;
                outline.push_back({2.5 * std::cos(t), 2.3 * std::sin(t)});
                smooth.push_back(i != 0 && i != 5);
            }
            prism(hat, peak, outline, smooth, -0.12, 0.12, 4.0);
        }
    }
    // Head and neck in one piece, the neck's foot inside the torso. Frame: a = +x, so the face
    // (-x) is u = 0.5.
    {
        std::vector<ProfilePoint> prof = {{0, kNeckFoot, false}, {0.46, -2.3, false}};
        for (double deg : {-50.0, -15.0, 20.0, 55.0}) {
            double phi = deg * kPi / 180;
            prof.push_back({std::cos(phi), kHeadRadius * std::sin(phi), false});
        }
        prof.push_back({0, kHeadRadius, false});
        Lathe o;
        o.segments = 8;
        o.vMode = VMode::Height;
        o.sa = 2.45;
        o.sb = 2.1;
        lathe(m.object("Head", headMat), {headCentre, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, prof, o);
    }
    // Fists round the grips, then the arms from the shoulder to the wrist, elbows out and back.
    {
        Mesh& hands = m.object("Hands", handMat);
        for (int s = -1; s <= 1; s += 2) {
            V3 grip{kGrip.x, s * kGrip.y, kGrip.z};
            Frame hand = frameAlong(grip + V3{0.15, 0, 0.35}, {0, 0, 1}, {1, 0, 0});
            ellipsoid(hands, hand, 1.45, 1.15 * L, 1.45, 6, 3);
        }
    }
    {
        Mesh& arms = m.object("Arms", armMat);
        for (int s = -1; s <= 1; s += 2) {
            V3 shoulder{cx + 0.1, s * (b.shoulderY - 0.4), 29.3};
            V3 wrist = V3{kGrip.x, s * kGrip.y, kGrip.z} + V3{1.3, 0, 0.9};
            V3 elbow = joint(shoulder, wrist, 6.4, 5.6, {0.55, s * 0.8, -0.25});
            double sleeve = b.longSleeves ? 1.0 : 1.15;
            limb(arms,
                 {{shoulder, 1.25 * L * sleeve, kLimbV0},
                  {elbow, 0.98 * L, kLimbBendV},
                  {wrist, 0.72 * L, kLimbV1}},
                 {1, 0, 0}, 6);
        }
    }
    // Shoes flat on the deck, then the legs: ankle, knee a little forward, hip.
    {
        // An oval body from heel to toe, u = 0.5 along the sole.
        Mesh& shoes = m.object("Shoes", shoeMat);
        for (int s = -1; s <= 1; s += 2) {
            Frame shoe{
                {cx + 1.7, s * (b.hipY + 1.1), kDeckTop + 0.85}, {0, 0, 1}, {0, 1, 0}, {-1, 0, 0}};
            std::vector<ProfilePoint> prof = {
                {0, 0, false}, {1.05, 0.9, false}, {1.12, 4.4, false}, {0, 6.0, false}};
            Lathe o;
            o.segments = 6;
            o.sa = 0.78;
            o.sb = 0.95 * L;
            lathe(shoes, shoe, prof, o);
        }
    }
    {
        Mesh& legs = m.object("Legs", legMat);
        for (int s = -1; s <= 1; s += 2) {
            V3 hip{cx, s * b.hipY, 19.4};
            V3 ankle{cx - 0.2, s * (b.hipY + 1.0), 3.9};
            V3 knee = joint(hip, ankle, 7.9, 7.85, {-1, s * 0.15, 0});
            double thigh = b.longTrousers ? 1.0 : 1.12;
            limb(legs,
                 {{ankle, 0.85 * L, kLimbV0},
                  {knee, 1.3 * L, kLimbBendV},
                  {hip, 1.8 * L * thigh, kLimbV1}},
                 {1, 0, 0}, 6);
        }
    }
    return m;
}

Colour skin(Colour tone, int x, int y, int size, std::uint32_t seed) {
    return grain(tone, x, y, size, 8, 0.05, seed);
}

double headV(int y, int size) {
    double h = kNeckFoot + (y + 0.5) / size * (kHeadRadius - kNeckFoot);
    return (h + kHeadRadius) / (2 * kHeadRadius);
}

Colour face(Colour tone, Colour hair, double hairLine, double backHair, int x, int y, int size,
            std::uint32_t seed) {
    double u = (x + 0.5) / size, v = headV(y, size);
    Colour c = skin(tone, x, y, size, seed);
    double du = u - 0.5;
    // Hair: over the crown, and down the back of the head to backHair.
    double back = std::fabs(du) > 0.25 ? (std::fabs(du) - 0.25) / 0.25 : 0;
    double limit = hairLine - (hairLine - backHair) * back;
    if (v > limit)
        return grain(hair, x, y, size, 32, 0.35, seed + 7);
    // Eyes, brows, nose shadow, mouth.
    for (int side = -1; side <= 1; side += 2) {
        double ex = du - side * 0.055, ey = v - 0.56;
        double e = (ex * ex) / (0.028 * 0.028) + (ey * ey) / (0.022 * 0.022);
        if (e < 1)
            return e < 0.35 ? Colour{30, 30, 40} : Colour{245, 245, 245};
        if (std::fabs(ex) < 0.035 && std::fabs(v - 0.615) < 0.008)
            return hair * 0.8;
    }
    if (std::fabs(du) < 0.045 && std::fabs(v - 0.33) < 0.012)
        return Colour{170, 70, 70};
    if (std::fabs(du) < 0.012 && v > 0.40 && v < 0.52)
        return c * 0.85;
    // Ears on the sides, cheeks with a little colour.
    if (std::hypot((std::fabs(du) - 0.25) / 0.03, (v - 0.5) / 0.09) < 1)
        return c * 0.85;
    if (std::hypot(std::fabs(du) - 0.09, v - 0.42) < 0.035)
        return mix(c, {230, 120, 110}, 0.25);
    return c;
}

} // namespace modelgen
