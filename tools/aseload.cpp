// Imports one model file with the program's reader, normals included, and prints its number of
// faces: the process that scripts/readbench.sh times against Assimp's.
#include "model/ase.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: aseload FILE\n");
        return 2;
    }
    t3DModel model;
    if (!ase().ImportASE(&model, argv[1]))
        return 1;
    long faces = 0;
    for (int i = 0; i < model.objectCount; ++i)
        faces += model.objects[i].faceCount;
    std::printf("%d objects, %ld faces\n", model.objectCount, faces);
    return 0;
}
