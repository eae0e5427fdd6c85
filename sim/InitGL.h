// The class initGL: the GL set-up of each rendering context, and the ride step with its restart.
#pragma once

class object;
class text;
class drawObj;
class load;

// Ride state: the tilt in degrees and the speed last returned by the dynamics, and the fall angle.
extern float vinkel, vel2, deadAngle;

// Light colours, the light position the scene sets each frame, the fog, and the three ground
// textures (nearest, linear, mipmapped).
extern float LightAmbient[4], LightDiffuse[4], LightPosition[4];
extern unsigned int fogMode[3];
extern float fogColor[4];
extern unsigned int texture[3];

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
