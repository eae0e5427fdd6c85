#include "sim/object.h"

#include "sim/constants.h"

#include <cmath>

// Each step stores single-precision results but does the arithmetic of one assignment in double,
// which is what the model's figures were taken from.

namespace {
float pos, thetaVel, thetaAcc;

// (M+m)/M, formed as 1/M times 93 and rounded to a float before use.
const float invM = 1 / M;
const float massRatio = static_cast<float>(static_cast<double>(invM) * 93);

// S/M: the controller sum over the cart mass.
double controllerTerm() {
    return (static_cast<double>(L1) * pos + static_cast<double>(L2) * vel +
            static_cast<double>(L3) * theta + static_cast<double>(L4) * thetaVel) /
           M;
}
} // namespace

float vel, acc, theta;
float L1, L2, L3, L4;

object::object() {
    L1 = -18.8f;
    L2 = -16.2f;
    L3 = -1126.7f;
    L4 = -103.3f;
}

void object::resetAll() {
    pos = 0;
    vel = 0;
    acc = 0;
    theta = 0;
    thetaVel = 0;
    thetaAcc = 0;
}

float object::bend() {
    const double F = calculateForce();
    thetaAcc = static_cast<float>(static_cast<double>(massRatio) * g * theta -
                                  static_cast<double>(massRatio) * f * thetaVel - F / M);
    // Strictly inside 30 degrees the controller still corrects the tilt.
    if (std::fabs(theta) < 0.5235988f)
        thetaAcc = static_cast<float>(thetaAcc + controllerTerm());
    thetaVel = static_cast<float>(thetaVel + static_cast<double>(thetaAcc) * dt);
    theta = static_cast<float>(theta + static_cast<double>(thetaVel) * dt);
    return static_cast<float>(static_cast<double>(theta) * radToGrad);
}

float object::move() {
    const double F = calculateForce();
    acc = static_cast<float>(-0.1 * vel - static_cast<double>(m) * g / M * theta +
                             static_cast<double>(m) * f / M * thetaVel + F / M);
    // Strictly inside 45 degrees the controller still drives the cart.
    if (std::fabs(theta) < 0.7853982f)
        acc = static_cast<float>(acc - controllerTerm());
    vel = static_cast<float>(vel + static_cast<double>(acc) * dt);
    return vel;
}

float object::calculateForce() {
    return 0.0f;
}
