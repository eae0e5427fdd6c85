// Builds the vehicle's four ASE models, the bitmaps their materials name and the ground bitmap,
// all from code, so that the committed files can be regenerated and compared byte for byte.
//
// Usage: modelgen DIR [ICONDIR]   writes every model and bitmap into DIR (normally the project's
// models folder), and the icon's pictures into ICONDIR when it is given.
#include "assets.h"
#include "files.h"
#include "icon.h"

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
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: modelgen DIR [ICONDIR]\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";

    const std::vector<Model> models = {buildBar(), buildWheel(), buildRider1(), buildRider2()};
    bool ok = true;
    for (const Model& m : models) {
        ok = writeFile(dir + m.file, aseText(m)) && ok;
        std::printf("%-11s %2zu objects %5zu triangles\n", m.file.c_str(), m.objects.size(),
                    triangles(m));
    }
    std::vector<Texture> textures;
    for (const std::vector<Texture>& some :
         {barTextures(), wheelTextures(), rider1Textures(), rider2Textures()})
        textures.insert(textures.end(), some.begin(), some.end());
    for (const Texture& texture : textures)
        ok = writeFile(dir + texture.file, bmpBytes(paint(texture))) && ok;
    ok = writeFile(dir + "Razedud.bmp", bmpBytes(paintGround())) && ok;
    if (argc == 3) {
        const std::string icons = std::string(argv[2]) + "/";
        const std::vector<Model> vehicle = {models[0], models[1], models[2]};
        std::vector<Icon> ico;
        for (int size : {16, 32, 48, 64, 128, 192, 256, 512}) {
            const Icon icon = drawIcon(size, vehicle, textures);
            ok = writeFile(icons + "balantor-" + std::to_string(size) + ".png", pngBytes(icon)) &&
                 ok;
            if (size <= 48 || size == 256)
                ico.push_back(icon);
        }
        ok = writeFile(icons + "balantor.ico", icoBytes(ico)) && ok;
    }
    return ok ? 0 : 1;
}
