// What the model set calls outside the reader, without a window: OpenGL and GLU calls that do
// nothing, a message box that answers OK at once and a bitmap loader that hands out a 1 x 1
// image. The model set's own code then runs unchanged, reading every array entry it would draw.
#include "platform/glaux.h"
#include <windows.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdlib>

int MessageBoxA(HWND, LPCSTR, LPCSTR, UINT) {
    return IDOK;
}

AUX_RGBImageRec* auxDIBImageLoadA(const char* fileName) {
    if (fileName == nullptr)
        return nullptr;
    auto* image = static_cast<AUX_RGBImageRec*>(std::malloc(sizeof(AUX_RGBImageRec)));
    *image = {1, 1, static_cast<unsigned char*>(std::calloc(3, 1))};
    return image;
}

extern "C" {
void glGenTextures(GLsizei n, GLuint* names) {
    std::fill(names, names + n, 1u);
}
void glPixelStorei(GLenum, GLint) {}
void glBindTexture(GLenum, GLuint) {}
void glTexParameteri(GLenum, GLenum, GLint) {}
void glEnable(GLenum) {}
void glDisable(GLenum) {}
void glColor3ub(GLubyte, GLubyte, GLubyte) {}
void glColor3f(GLfloat, GLfloat, GLfloat) {}
void glBegin(GLenum) {}
void glEnd() {}
void glNormal3f(GLfloat, GLfloat, GLfloat) {}
void glTexCoord2f(GLfloat, GLfloat) {}
void glVertex3f(GLfloat, GLfloat, GLfloat) {}
GLint gluBuild2DMipmaps(GLenum, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*) {
    return 0;
}
}
