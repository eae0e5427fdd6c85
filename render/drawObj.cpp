#include "render/drawObj.h"

#include "render/load.h"
#include "shell/openwindow.h"
#include "sim/InitGL.h"
#include "sim/constants.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

float newPos[2] = {0, 0};
float vVanster = 0;
float vHoger = 0;
float newVVanster = 0;
float newVHoger = 0;
float svangRadie = 0;

namespace {
// A wheel angle that passes a full turn either way starts again from zero.
float roll(float angle, float groundSpeed, float radius) {
    angle = angle + groundSpeed * dt / radius;
    if (angle > 6.2831855f || angle < -6.2831855f)
        angle = 0;
    return angle;
}
} // namespace

void drawObj::drawScene(float speed, float tilt, float radius) {
    const float step = speed * dt;
    const float heading = hjulrot * gradToRad;
    newPos[0] = newPos[0] + step * std::sin(heading);
    newPos[1] = newPos[1] - step * std::cos(heading);

    const double x = newPos[0];
    const double z = newPos[1];
    gluLookAt(x + 3.0, 4.0, z, x, 1.0, z - 6.0, 0, 1, 0);

    // Both lights stay fixed in the world, whatever the camera does.
    glPushMatrix();
    glTranslatef(0, 10, 0);
    glLightfv(GL_LIGHT1, GL_POSITION, LightPosition);
    glTranslatef(-50, 0, -50);
    glLightfv(GL_LIGHT0, GL_POSITION, LightPosition);
    glPopMatrix();

    glEnable(GL_LIGHT2);
    glBindTexture(GL_TEXTURE_2D, texture[2]);
    drawTextPlane(200, 200);
    glDisable(GL_LIGHT2);

    glTranslatef(0, 0.4f, -6);

    if (svangV || svangH) {
        svangRadie = static_cast<float>(std::fabs(speed * 0.2 + 1));
        const float omega = speed / (svangRadie + 0.5f);
        if (svangV) {
            hjulrot = hjulrot - omega * 0.57295775f;
            vVanster = omega * svangRadie;
            vHoger = omega * (svangRadie + 1);
        } else {
            hjulrot = hjulrot + omega * 0.57295775f;
            vHoger = omega * svangRadie;
            vVanster = omega * (svangRadie + 1);
        }
        if (hjulrot > 360 || hjulrot < -360)
            hjulrot = 0;
    } else {
        vHoger = speed;
        vVanster = speed;
    }

    newVVanster = roll(newVVanster, vVanster, radius);
    newVHoger = roll(newVHoger, vHoger, radius);

    glTranslatef(newPos[0], 0, newPos[1]);
    glRotatef(90 - hjulrot, 0, 1, 0);

    glPushMatrix();
    glRotatef(-tilt, 0, 0, 1);
    glScalef(0.05f, 0.05f, 0.057f);
    glRotatef(-180, 0, 1, 0);
    ld.RenderScene(0);
    ld.RenderScene(modelbyte ? 2 : 3);
    glPopMatrix();

    glColor3f(0, 0, 0);

    glPushMatrix();
    glRotatef(newVHoger * -57.295776f, 0, 0, 1);
    glTranslatef(0, 0, 1);
    glScalef(0.05f, 0.05f, 0.05f);
    ld.RenderScene(1);
    glPopMatrix();

    glRotatef(newVVanster * -57.295776f, 0, 0, 1);
    glTranslatef(0, 0, -1);
    glScalef(0.05f, 0.05f, 0.05f);
    ld.RenderScene(1);
}

void drawObj::drawTextPlane(float halfX, float halfZ) {
    // One textured quad spanning the whole ground, cut into a grid of equal cells. OpenGL may
    // work fog out per vertex: the corners of a single quad lie hundreds of units away, some
    // behind the eye, and the ground would drown in fog everywhere. The cells keep the quad's
    // corners, winding, normal and texture mapping.
    const int cells = 40;
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glNormal3f(0, 1, 0);
    for (int i = 0; i < cells; ++i) {
        const float u0 = static_cast<float>(i) / cells;
        const float u1 = static_cast<float>(i + 1) / cells;
        const float z0 = halfZ - 2 * halfZ * u0;
        const float z1 = halfZ - 2 * halfZ * u1;
        for (int j = 0; j < cells; ++j) {
            const float v0 = static_cast<float>(j) / cells;
            const float v1 = static_cast<float>(j + 1) / cells;
            const float x0 = halfX - 2 * halfX * v0;
            const float x1 = halfX - 2 * halfX * v1;
            glTexCoord2f(u0, v0);
            glVertex3f(x0, 0, z0);
            glTexCoord2f(u1, v0);
            glVertex3f(x0, 0, z1);
            glTexCoord2f(u1, v1);
            glVertex3f(x1, 0, z1);
            glTexCoord2f(u0, v1);
            glVertex3f(x1, 0, z0);
        }
    }
    glEnd();
}
