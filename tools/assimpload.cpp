// Imports one model file with Assimp, without any post-processing, and prints its number of
// faces: the yardstick of scripts/readbench.sh. Built only where Assimp is installed; nothing of
// the program links it.
#include <assimp/cimport.h>
#include <assimp/scene.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: assimpload FILE\n");
        return 2;
    }
    const aiScene* scene = aiImportFile(argv[1], 0);
    if (scene == nullptr) {
        std::fprintf(stderr, "assimpload: %s\n", aiGetErrorString());
        return 1;
    }
    long faces = 0;
    for (unsigned i = 0; i < scene->mNumMeshes; ++i)
        faces += scene->mMeshes[i]->mNumFaces;
    std::printf("%u meshes, %ld faces\n", scene->mNumMeshes, faces);
    aiReleaseImport(scene);
    return 0;
}
