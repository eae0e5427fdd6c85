// Builds the vehicle's four ASE models, the bitmaps their materials name and the ground bitmap,
// all from code, so that the committed files can be regenerated and compared byte for byte.
//
// Usage: modelgen DIR   writes every file into DIR (normally the project's models folder).
#include "assets.h"
#include "files.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace modelgen;

namespace {

size_t triangles(const Model& m) {
    size_t n = 0;
    for (const Mesh& o : m.objects)
        n += o.faces.size();
    return n;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: modelgen DIR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";

    const Model models[] = {buildBar(), buildWheel(), buildRider1(), buildRider2()};
    bool ok = true;
    for (const Model& m : models) {
        ok = writeFile(dir + m.file, aseText(m)) && ok;
        std::printf("%-11s %2zu objects %5zu triangles\n", m.file.c_str(), m.objects.size(),
                    triangles(m));
    }
    for (const auto& textures :
         {barTextures(), wheelTextures(), rider1Textures(), rider2Textures()})
        for (const Texture& texture : textures)
            ok = writeFile(dir + texture.file, bmpBytes(paint(texture))) && ok;
    ok = writeFile(dir + "Razedud.bmp", bmpBytes(paintGround())) && ok;
    return ok ? 0 : 1;
}
