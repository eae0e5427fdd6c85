// Stand-in for the one call of the GLAUX library this program uses: reading a Windows bitmap
// into an image record for texturing.
#pragma once

#include <GL/gl.h>

// The image as GLAUX hands it over: tightly packed 8-bit R, G, B triples, the bottom row first.
// The record and its pixels come from malloc and belong to the caller, who frees both.
struct AUX_RGBImageRec {
    GLint sizeX;
    GLint sizeY;
    unsigned char* data;
};

// Reads the BMP file at the path; null for a null path or a missing, unreadable or absurdly
// large file.
AUX_RGBImageRec* auxDIBImageLoadA(const char* fileName);
