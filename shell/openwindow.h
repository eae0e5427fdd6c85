// The application shell: the window, its contexts, the window procedure and the main loop.
#pragma once

#include "platform/win32.h"

class initGL;
class text;

// Flags shared with the scene: turn left, turn right, which rider, heading in degrees.
extern bool svangV, svangH, modelbyte;
extern float hjulrot;

extern initGL start;
extern text slut;
