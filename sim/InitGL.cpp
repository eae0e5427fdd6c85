#include "sim/InitGL.h"

#include "platform/glaux.h"
#include "render/drawObj.h"
#include "render/load.h"
#include "render/text.h"
#include "sim/object.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>

float vinkel = 0;
float vel2 = 0;
float deadAngle = 90.0f;

float LightAmbient[4] = {0.7f, 0.7f, 0.7f, 1.0f};
float LightDiffuse[4] = {0.5f, 0.5f, 0.5f, 1.0f};
float LightPosition[4] = {0.2f, 0.2f, 0.2f, 1.0f};
unsigned int fogMode[3] = {GL_EXP, GL_EXP2, GL_LINEAR};
float fogColor[4] = {0.5f, 0.5f, 0.5f, 1.0f};
unsigned int texture[3];

object o;
text t;
drawObj obj;
load ld;

int initGL::LoadGLTextures() {
    int status = 0;
    AUX_RGBImageRec* image = auxDIBImageLoadA("models/Razedud.bmp");
    if (image) {
        status = 1;
        glGenTextures(3, texture);
        // The loader packs its rows tightly; read them so whatever was uploaded before, or else
        // a width that is no multiple of 4 pixels reads past the end of the pixels.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

        glBindTexture(GL_TEXTURE_2D, texture[0]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, image->sizeX, image->sizeY, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     image->data);

        glBindTexture(GL_TEXTURE_2D, texture[1]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, 3, image->sizeX, image->sizeY, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     image->data);

        glBindTexture(GL_TEXTURE_2D, texture[2]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
        gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image->sizeX, image->sizeY, GL_RGB, GL_UNSIGNED_BYTE,
                          image->data);

        if (image->data)
            std::free(image->data);
        std::free(image);
    }
    return status;
}

void initGL::ReSizeGLScene(int width, int height) {
    if (height == 0)
        height = 1;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, static_cast<double>(width) / static_cast<double>(height), 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

int initGL::InitGL() {
    ld.Init();
    if (!LoadGLTextures())
        return 0;
    glShadeModel(GL_SMOOTH);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    t.BuildFont();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_CULL_FACE);

    glLightfv(GL_LIGHT1, GL_AMBIENT, LightAmbient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, LightDiffuse);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, LightDiffuse);
    glLightfv(GL_LIGHT2, GL_DIFFUSE, LightDiffuse);
    glEnable(GL_LIGHT1);
    glEnable(GL_LIGHT0);

    glFogi(GL_FOG_MODE, fogMode[0]);
    glFogfv(GL_FOG_COLOR, fogColor);
    glFogf(GL_FOG_DENSITY, 0.03f);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    glFogf(GL_FOG_START, 15.0f);
    glFogf(GL_FOG_END, 20.0f);
    glEnable(GL_FOG);

    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    return 1;
}

void initGL::reset() {
    vel2 = 0;
    vinkel = 0;
    deadAngle = 90.0f;
    o.resetAll();
    running = true;
}

int initGL::DrawGLScene() {
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glDisable(GL_LIGHTING);
    glColor3f(0.2f, 0.2f, 0.2f);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -6.0f);

    if (vinkel < deadAngle && vinkel > -deadAngle) {
        vinkel = o.bend();
        vel2 = o.move();
    } else {
        vel2 = 0;
        glRasterPos2f(-3.0f, 2.6f);
        t.glPrint("Du suger pa att aka segway!");
        glRasterPos2f(-2.0f, 2.2f);
        t.glPrint("(tryck mellanslag)");
        running = false;
    }

    glRasterPos2f(-4.5f, 3.2f);
    t.glPrint("Vinkel:");
    glRasterPos2f(-4.3f, 2.8f);
    t.glPrint("%4.2f", static_cast<double>(vinkel));
    glRasterPos2f(3.2f, 3.2f);
    t.glPrint("Km/h:");
    glRasterPos2f(3.2f, 2.8f);
    t.glPrint("%4.2f", static_cast<double>(vel2));

    glLoadIdentity();
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    obj.drawScene(vel2, vinkel, 0.3f);
    return 1;
}
