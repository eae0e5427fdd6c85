// The class initGL: the GL set-up of each rendering context, and the ride step with its restart.
#pragma once

class object;
class text;
class drawObj;
class load;

// Ride state: the tilt in degrees and the speed last returned by the dynamics, and the fall angle.
extern float vinkel, vel2, deadAngle;

extern object o;
extern text t;
extern drawObj obj;
extern load ld;

class initGL {
  public:
    initGL() {}
    ~initGL() {}
    int InitGL();
    void ReSizeGLScene(int width, int height);
    int LoadGLTextures();
    void reset();
    int DrawGLScene();

    bool running = false; // a ride was started and has not yet ended in a fall
};
