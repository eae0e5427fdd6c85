// The scene: the vehicle's travel over the ground, the camera, the lights, the ground and the
// vehicle itself.
#pragma once

// Travel state of the scene: position on the ground (world x, z), wheel speeds and rolling
// angles, and the inner wheel's turn radius.
extern float newPos[2];
extern float vVanster, vHoger;
extern float newVVanster, newVHoger;
extern float svangRadie;

class drawObj {
  public:
    drawObj() {}
    ~drawObj() {}
    void drawScene(float speed, float tilt, float radius);
    void drawTextPlane(float halfX, float halfZ);
};
