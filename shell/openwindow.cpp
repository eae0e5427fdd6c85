#include "shell/openwindow.h"

#include "sim/InitGL.h"

bool svangV = false;
bool svangH = false;
bool modelbyte = true;
float hjulrot = 0;

initGL start;
