#include "sim/InitGL.h"

#include "sim/object.h"

float vinkel = 0;
float vel2 = 0;
float deadAngle = 90.0f;

object o;
