// The model set: the four models of the vehicle, the textures of their materials, and drawing.
#pragma once

#include "model/model.h"
#include "sim/constants.h"

class ase;

extern char filnamn[antalObjekt][30];
// Made once and never destroyed: the models live until the process ends, and their arrays stay
// reachable for a leak checker that looks after static destruction.
extern t3DModel (&modeller)[antalObjekt];
extern unsigned int texturer[antalObjekt][100];
extern ase g_LoadASE;
extern int g_ViewMode;

class load {
  public:
    load() {}
    ~load() {}
    void Init();
    void CreateTexture(unsigned int* textureArray, char* strFileName, int textureID);
    void RenderScene(int n);
};
