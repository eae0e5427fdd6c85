// The committed model and bitmap files: exactly what the generator writes, and, read by the
// program's own reader, what the scene relies on.
#include "model/ase.h"
#include "platform/glaux.h"
#include "platform/testhooks.h"
#include "support/release.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

enum { kBar, kWheel, kRider1, kRider2, kModelCount };
const char* const kModelFiles[kModelCount] = {"models/stang.ASE", "models/hjul.ASE",
                                              "models/figur.ASE", "models/figur2.ASE"};

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

double dot(CVector3 a, CVector3 b) {
    return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}

// Every committed file is what the generator writes, and every bitmap loads with the program's
// loader as a square whose side is a power of two, as OpenGL 1.1 textures must be.
TEST(AssetFiles, GeneratorRebuildsEveryFileAndBitmapsAreSquaresOfAPowerOfTwo) {
    const fs::path dir = newTempDirectory("balantor-assets-");
    fs::create_directory(dir / "models");
    fs::create_directory(dir / "icons");
    std::string command = std::string("\"") + MODELGEN + "\" \"" + (dir / "models").string() +
                          "\" \"" + (dir / "icons").string() + "\"";
#ifdef _WIN32
    // cmd.exe drops the first and the last quote of a command line that starts with one.
    command = "\"" + command + "\"";
#endif
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const auto& [committed, written] :
         {std::pair<fs::path, fs::path>{"models", dir / "models"},
          {"packaging/icons", dir / "icons"}}) {
        long files = 0;
        for (const fs::directory_entry& e : fs::directory_iterator(committed)) {
            ++files;
            EXPECT_TRUE(readFile(e.path()) == readFile(written / e.path().filename()))
                << e.path() << " differs from what the generator writes";
            if (e.path().extension() != ".bmp")
                continue;
            AUX_RGBImageRec* image = auxDIBImageLoadA(e.path().string().c_str());
            ASSERT_NE(image, nullptr) << e.path();
            const int size = image->sizeX;
            EXPECT_TRUE(image->sizeY == size && size > 0 && (size & (size - 1)) == 0 &&
                        size <= 1024)
                << e.path() << " is " << size << " x " << image->sizeY;
            std::free(image->data);
            std::free(image);
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(written), fs::directory_iterator()), files)
            << "the generator writes files that are not committed in " << committed;
    }
    fs::remove_all(dir);
}

// Back faces are culled and lighting uses the reader's normals, so every part must be a closed
// surface wound counter-clockwise from outside: each edge met once in each direction, a positive
// volume for each connected piece, and unit normals on the outer side of every face they serve.
void expectClosedWithOutwardNormals(const t3DObject& o) {
    const auto corner = [&](int f, int c) { return o.vertices[o.faces[f].vertexIndex[c]]; };
    // Corners that meet are joined on a millimetre grid.
    using Key = std::tuple<long, long, long>;
    const auto key = [&](int f, int c) {
        const CVector3 p = corner(f, c);
        return Key{std::lround(p.x * 1e3), std::lround(p.y * 1e3), std::lround(p.z * 1e3)};
    };
    std::map<std::pair<Key, Key>, std::vector<int>> edges;
    for (int f = 0; f < o.faceCount; ++f)
        for (int c = 0; c < 3; ++c)
            edges[{key(f, c), key(f, (c + 1) % 3)}].push_back(f);
    std::vector<int> piece(o.faceCount);
    for (int f = 0; f < o.faceCount; ++f)
        piece[f] = f;
    const auto root = [&](int f) {
        while (piece[f] != f)
            f = piece[f] = piece[piece[f]];
        return f;
    };
    for (const auto& [edge, faces] : edges) {
        const auto back = edges.find({edge.second, edge.first});
        ASSERT_TRUE(faces.size() == 1 && back != edges.end() && back->second.size() == 1)
            << "an edge of face " << faces[0] << " has no single opposite";
        piece[root(faces[0])] = root(back->second[0]);
    }
    std::map<int, double> volume;
    for (int f = 0; f < o.faceCount; ++f) {
        const CVector3 a = corner(f, 0), b = corner(f, 1), c = corner(f, 2);
        volume[root(f)] += dot(a, Cross(b, c)) / 6;
        for (int n = 0; n < 3; ++n) {
            const CVector3 normal = o.normals[o.faces[f].vertexIndex[n]];
            ASSERT_NEAR(dot(normal, normal), 1.0, 1e-4);
            ASSERT_GT(dot(normal, Cross(Vector(b, a), Vector(c, a))), 0) << "face " << f;
        }
    }
    for (const auto& [p, v] : volume)
        EXPECT_GT(v, 1e-3) << "a piece is inside out";
}

// Every part has a material of its own model with a bitmap no other part of the set uses (so the
// two riders wear different things), texture coordinates, faces whose corners all exist, and a
// closed surface. A frame draws every triangle one call at a time, so the bar, the wheel twice and
// either rider stay within a budget that leaves the frame rate to the rest.
TEST(Models, PartsAreTexturedClosedAndWithinTheTriangleBudget) {
    SetMessageBoxHook([](const char*, const char*, UINT) { return IDOK; });
    t3DModel models[kModelCount];
    int triangles[kModelCount] = {};
    std::set<std::string> bitmaps;
    for (int i = 0; i < kModelCount; ++i) {
        SCOPED_TRACE(kModelFiles[i]);
        const t3DModel& m = models[i];
        ASSERT_TRUE(ase().ImportASE(&models[i], kModelFiles[i]));
        ASSERT_GT(m.objectCount, 0);
        ASSERT_TRUE(m.materialCount > 0 && m.materialCount <= 100); // the model set's texture slots
        for (int j = 0; j < m.materialCount; ++j) {
            const tMaterialInfo& mat = m.materials[j];
            EXPECT_TRUE(bitmaps.insert(mat.textureFile).second) << mat.textureFile << " is shared";
            EXPECT_TRUE(fs::is_regular_file(mat.textureFile)) << mat.name;
            EXPECT_TRUE(mat.uTile == 1.0f && mat.vTile == 1.0f) << mat.name;
        }
        for (int k = 0; k < m.objectCount; ++k) {
            const t3DObject& o = m.objects[k];
            ASSERT_TRUE(o.materialId >= 0 && o.materialId < m.materialCount) << "object " << k;
            SCOPED_TRACE(m.materials[o.materialId].name);
            EXPECT_TRUE(o.hasTexture && o.faceCount > 0);
            triangles[i] += o.faceCount;
            for (int f = 0; f < o.faceCount * 3; ++f) {
                const int v = o.faces[f / 3].vertexIndex[f % 3];
                const int t = o.faces[f / 3].texCoordIndex[f % 3];
                ASSERT_TRUE(v >= 0 && v < o.vertexCount && t >= 0 && t < o.texVertexCount)
                    << "face " << f / 3;
            }
            expectClosedWithOutwardNormals(o);
        }
    }
    EXPECT_LE(triangles[kBar] + 2 * triangles[kWheel] +
                  std::max(triangles[kRider1], triangles[kRider2]),
              1000);
    for (t3DModel& m : models)
        releaseModel(m);
    SetMessageBoxHook(nullptr);
}

} // namespace
