// The balance model: a linearised inverted pendulum on a two-wheeled cart, held upright by a
// state-feedback controller. The state lives in globals so that the ride step and the main loop
// can reach it.
#pragma once

// Cart velocity and acceleration, tilt in radians; single precision like the whole model.
extern float vel, acc, theta;
// Controller gains on pos, vel, theta and thetaVel; set by the constructor of the one instance.
extern float L1, L2, L3, L4;

class object {
  public:
    object();
    ~object() {}
    void resetAll();
    float bend();
    float move();
    float calculateForce();
};
