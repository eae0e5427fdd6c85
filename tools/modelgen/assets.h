// The assets: the four models, the bitmaps their materials name, the ground and the icon. Each
// has a file of its own; what they share is here.
#pragma once

#include "ase.h"
#include "paint.h"

#include <vector>

namespace modelgen {

// The bar: the deck top is at z = kDeckTop; the grips' centres are where the riders' hands go.
const double kDeckTop = 1.8;
const V3 kGrip{-6.8, 6.0, 22.0}; // right grip; the left one is mirrored in y
const double kGripRadius = 1.05;

Model buildBar();
std::vector<Texture> barTextures();

Model buildWheel();
std::vector<Texture> wheelTextures();

// Riders: about 35 units tall, feet on the deck, facing -x, hands on the grips.
struct Build {
    const char* file;
    double width;      // torso width factor
    double depth;      // torso depth over width
    double limb;       // limb thickness factor
    double shoulderY;  // half the shoulder width
    double hipY;       // half the hip width
    bool helmet;       // else a cap
    bool longSleeves;  // else a t-shirt and bare forearms
    bool longTrousers; // else shorts and bare shins
};

Model buildRider(const Build& b);

// Arms run from the shoulder (v = 0) to the wrist (1), legs from the ankle (0) to the hip (1),
// with the elbow or knee at kLimbBendV.
const double kLimbV0 = 0.04, kLimbBendV = 0.5, kLimbV1 = 0.96;

// The torso's v is height, so that waistbands, belts and bands sit at fixed heights.
const double kTorsoBottom = 17.4, kTorsoTop = 32.0;
inline double torsoV(double z) {
    return (z - kTorsoBottom) / (kTorsoTop - kTorsoBottom);
}

Colour skin(Colour tone, int x, int y, int size, std::uint32_t seed);

// Heads: u = 0.5 is the face (-x in the file), v is height from the neck's foot to the crown.
// The face is drawn in the head's own height, from the chin (0) to the crown (1).
const double kHeadRadius = 2.75, kNeckFoot = -3.55;
double headV(int y, int size);
Colour face(Colour tone, Colour hair, double hairLine, double backHair, int x, int y, int size,
            std::uint32_t seed);

Model buildRider1();
std::vector<Texture> rider1Textures();
Model buildRider2();
std::vector<Texture> rider2Textures();

// The ground: a square of kGroundSize pixels. Painters that share the work paint rows
// [from, to) each into an image of that size.
const int kGroundSize = 1024;
Image paintGround();
void paintGroundRows(Image& img, int from, int to);

} // namespace modelgen
