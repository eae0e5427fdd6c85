// What the model set calls outside the reader, without a window: OpenGL and GLU calls that do
// nothing, a message box that answers OK at once and a bitmap loader that hands out a 1 x 1
// image. The model set's own code then runs unchanged, reading every array entry it would draw.
#include "fuzz/stubs.h"
#include "platform/glaux.h"
#include <windows.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>

namespace fuzzstub {
unsigned long vertices = 0;
unsigned long boxes = 0;
unsigned long textures = 0;
} // namespace fuzzstub

int MessageBoxA(HWND, LPCSTR, LPCSTR, UINT) {
    ++fuzzstub::boxes;
    return IDOK;
}

AUX_RGBImageRec* auxDIBImageLoadA(const char* fileName) {
    if (fileName == nullptr)
        return nullptr;
    auto* image = static_cast<AUX_RGBImageRec*>(std::calloc(1, sizeof(AUX_RGBImageRec)));
    image->sizeX = 1;
    image->sizeY = 1;
    image->data = static_cast<unsigned char*>(std::calloc(3, 1));
    return image;
}

extern "C" {
void glGenTextures(GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i)
        names[i] = static_cast<GLuint>(++fuzzstub::textures);
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
void glVertex3f(GLfloat, GLfloat, GLfloat) {
    ++fuzzstub::vertices;
}
GLint gluBuild2DMipmaps(GLenum, GLint, GLsizei width, GLsizei height, GLenum, GLenum,
                        const void* data) {
    // The upload reads every pixel of the image.
    const auto* bytes = static_cast<const unsigned char*>(data);
    volatile unsigned sum = 0;
    for (long i = 0; i < static_cast<long>(width) * height * 3; ++i)
        sum = sum + bytes[i];
    return 0;
}
}
