// Physical and conversion constants shared by the simulation, the scene and the model set.
// Each unit gets its own copy; all are single precision, as the model is.
#pragma once

static constexpr float M = 23.0f;    // mass of the cart
static constexpr float m = 70.0f;    // mass of the rider standing on it
static constexpr float l = 1.0f;     // pendulum length; the dynamics' coefficients assume 1
static constexpr float axel = 1.0f;  // axle length
static constexpr float radie = 0.3f; // wheel radius
static constexpr float f = 0.4f;     // damping of the tilt
static constexpr float g = 9.81f;    // gravity
static constexpr float pi = 3.1415927f;
static constexpr float radToGrad = 180 / pi; // 57.295776
static constexpr float gradToRad = pi / 180; // 0.017453292
static constexpr float dt = 0.01f;           // one frame
static constexpr int antalObjekt = 4;        // models in the model set
