// The committed model and bitmap files: exactly what the generator writes, and, read by the
// program's own reader, what the scene relies on.
//
// Coordinates here are the reader's: a file's (x, y, z) becomes (x, z, -y), so y is up, the
// rider faces -x and the axle runs along z.
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
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

enum { kBar, kWheel, kRider1, kRider2, kModelCount };
const char* const kModelFiles[kModelCount] = {"models/stang.ASE", "models/hjul.ASE",
                                              "models/figur.ASE", "models/figur2.ASE"};
t3DModel models[kModelCount];

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

double dot(CVector3 a, CVector3 b) {
    return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}

CVector3 corner(const t3DObject& o, int face, int c) {
    return o.vertices[o.faces[face].vertexIndex[c]];
}

struct Box {
    CVector3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    CVector3 centre() const { return {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2}; }
};

// The objects of a model, all of them or those whose material has the given name.
std::vector<const t3DObject*> parts(int model, const char* material = nullptr) {
    std::vector<const t3DObject*> found;
    const t3DModel& m = models[model];
    for (int k = 0; k < m.objectCount; ++k)
        if (material == nullptr ||
            std::string(material) == m.materials[m.objects[k].materialId].name)
            found.push_back(&m.objects[k]);
    return found;
}

Box bounds(const std::vector<const t3DObject*>& objects) {
    Box box;
    for (const t3DObject* o : objects)
        for (int v = 0; v < o->vertexCount; ++v) {
            const CVector3& p = o->vertices[v];
            box.lo = {std::min(box.lo.x, p.x), std::min(box.lo.y, p.y), std::min(box.lo.z, p.z)};
            box.hi = {std::max(box.hi.x, p.x), std::max(box.hi.y, p.y), std::max(box.hi.z, p.z)};
        }
    return box;
}

class Models : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        SetMessageBoxHook([](const char* text, const char*, UINT) {
            ADD_FAILURE() << "message box: " << text;
            return IDOK;
        });
        ase reader;
        for (int i = 0; i < kModelCount; ++i)
            reader.ImportASE(&models[i], kModelFiles[i]);
        SetMessageBoxHook(nullptr);
    }
    static void TearDownTestSuite() {
        for (t3DModel& m : models)
            releaseModel(m);
    }
};

TEST(AssetFiles, GeneratorRebuildsEveryCommittedFileByteForByte) {
    const fs::path dir = newTempDirectory("balantor-assets-");
    std::string command = std::string("\"") + MODELGEN + "\" \"" + dir.string() + "\"";
#ifdef _WIN32
    // cmd.exe drops the first and the last quote of a command line that starts with one.
    command = "\"" + command + "\"";
#endif
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::set<std::string> generated;
    for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        generated.insert(name);
        EXPECT_TRUE(readFile(e.path()) == readFile(fs::path("models") / name))
            << name << " differs from what the generator writes";
    }
    for (const fs::directory_entry& e : fs::directory_iterator("models"))
        EXPECT_EQ(generated.count(e.path().filename().string()), 1u)
            << e.path() << " is not made by the generator";
    fs::remove_all(dir);
}

// Every bitmap loads with the program's loader as a square whose side is a power of two, as
// OpenGL 1.1 textures must be.
TEST(AssetFiles, BitmapsLoadAsSquaresOfAPowerOfTwo) {
    for (const fs::directory_entry& e : fs::directory_iterator("models")) {
        if (e.path().extension() != ".bmp")
            continue;
        AUX_RGBImageRec* image = auxDIBImageLoadA(e.path().string().c_str());
        ASSERT_NE(image, nullptr) << e.path();
        const int size = image->sizeX;
        EXPECT_TRUE(image->sizeY == size && size > 0 && (size & (size - 1)) == 0 && size <= 1024)
            << e.path() << " is " << size << " x " << image->sizeY;
        std::free(image->data);
        std::free(image);
    }
}

// Every part has a material of its own model with a bitmap of its own, texture coordinates, and
// faces whose corners all exist. A frame draws every triangle one call at a time, so the bar, the
// wheel twice and either rider stay within a budget that leaves the frame rate to the rest.
TEST_F(Models, PartsAreTexturedAndIndexedWithinTheTriangleBudget) {
    int triangles[kModelCount] = {};
    for (int i = 0; i < kModelCount; ++i) {
        SCOPED_TRACE(kModelFiles[i]);
        const t3DModel& m = models[i];
        ASSERT_GT(m.objectCount, 0);
        ASSERT_TRUE(m.materialCount > 0 && m.materialCount <= 100); // the model set's texture slots
        std::set<std::string> bitmaps;
        for (int j = 0; j < m.materialCount; ++j) {
            const tMaterialInfo& mat = m.materials[j];
            EXPECT_TRUE(bitmaps.insert(mat.textureFile).second) << mat.textureFile << " is shared";
            EXPECT_TRUE(fs::is_regular_file(mat.textureFile)) << mat.name;
            EXPECT_TRUE(mat.uTile == 1.0f && mat.vTile == 1.0f) << mat.name;
        }
        for (int k = 0; k < m.objectCount; ++k) {
            const t3DObject& o = m.objects[k];
            ASSERT_TRUE(o.materialId >= 0 && o.materialId < m.materialCount) << "object " << k;
            EXPECT_TRUE(o.hasTexture && o.faceCount > 0) << "object " << k;
            triangles[i] += o.faceCount;
            for (int f = 0; f < o.faceCount; ++f)
                for (int c = 0; c < 3; ++c) {
                    const tFace& face = o.faces[f];
                    ASSERT_TRUE(face.vertexIndex[c] >= 0 && face.vertexIndex[c] < o.vertexCount &&
                                face.texCoordIndex[c] >= 0 &&
                                face.texCoordIndex[c] < o.texVertexCount)
                        << "object " << k << " face " << f;
                }
        }
    }
    EXPECT_LE(triangles[kBar] + 2 * triangles[kWheel] +
                  std::max(triangles[kRider1], triangles[kRider2]),
              1000);
}

// Back faces are culled and lighting uses the reader's normals, so every part must be a closed
// surface wound counter-clockwise from outside: each edge met once in each direction, a positive
// volume for each connected piece, and unit normals on the outer side of every face they serve.
TEST_F(Models, EveryPartIsClosedWithOutwardNormals) {
    for (int i = 0; i < kModelCount; ++i) {
        for (const t3DObject* o : parts(i)) {
            SCOPED_TRACE(std::string(kModelFiles[i]) + " " +
                         models[i].materials[o->materialId].name);
            // Corners that meet are joined on a millimetre grid.
            using Key = std::tuple<long, long, long>;
            const auto key = [&](int f, int c) {
                const CVector3 p = corner(*o, f, c);
                return Key{std::lround(p.x * 1e3), std::lround(p.y * 1e3), std::lround(p.z * 1e3)};
            };
            std::map<std::pair<Key, Key>, std::vector<int>> edges;
            for (int f = 0; f < o->faceCount; ++f)
                for (int c = 0; c < 3; ++c)
                    edges[{key(f, c), key(f, (c + 1) % 3)}].push_back(f);
            std::vector<int> piece(o->faceCount);
            for (int f = 0; f < o->faceCount; ++f)
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
            for (int f = 0; f < o->faceCount; ++f) {
                const CVector3 a = corner(*o, f, 0), b = corner(*o, f, 1), c = corner(*o, f, 2);
                volume[root(f)] += dot(a, Cross(b, c)) / 6;
                for (int k = 0; k < 3; ++k) {
                    const CVector3 normal = o->normals[o->faces[f].vertexIndex[k]];
                    ASSERT_NEAR(dot(normal, normal), 1.0, 1e-4);
                    ASSERT_GT(dot(normal, Cross(Vector(b, a), Vector(c, a))), 0) << "face " << f;
                }
            }
            for (const auto& [p, v] : volume)
                EXPECT_GT(v, 1e-3) << "a piece is inside out";
        }
    }
}

// The scene rolls the wheel about its own centre, and the same model serves both sides.
TEST_F(Models, WheelIsCentredWithRadiusEightAndAlikeOnBothSides) {
    double radius = 0;
    for (const t3DObject* o : parts(kWheel)) {
        for (int v = 0; v < o->vertexCount; ++v)
            radius = std::max(radius, std::hypot(double(o->vertices[v].x), o->vertices[v].y));
        const Box part = bounds({o});
        EXPECT_NEAR(part.lo.z, -part.hi.z, 0.01) << "a part sits off the wheel's middle plane";
    }
    EXPECT_NEAR(radius, 8.0, 0.01);
    const Box box = bounds(parts(kWheel));
    EXPECT_NEAR(box.centre().x, 0, 0.01);
    EXPECT_NEAR(box.centre().y, 0, 0.01);
    EXPECT_NEAR(box.hi.z - box.lo.z, 5.0, 0.25);
}

TEST_F(Models, DeckAndGripsSitWhereTheRidersFeetAndHandsAre) {
    const Box deck = bounds(parts(kBar, "Deck"));
    EXPECT_TRUE(deck.hi.y > 0.5 && deck.hi.y < 4.0) << "the deck sits just above the axle";
    EXPECT_NEAR(deck.hi.z, 13.4, 1.5);
    EXPECT_NEAR(deck.lo.z, -13.4, 1.5);
    const std::vector<const t3DObject*> grips = parts(kBar, "Grip");
    ASSERT_EQ(grips.size(), 2u);
    for (int rider : {kRider1, kRider2}) {
        SCOPED_TRACE(kModelFiles[rider]);
        const Box body = bounds(parts(rider));
        EXPECT_NEAR(body.hi.y - body.lo.y, 35, 2.0) << "height";
        EXPECT_NEAR(body.lo.y, deck.hi.y, 0.25) << "the soles stand on the deck";
        for (const t3DObject* o : parts(rider))
            for (int v = 0; v < o->vertexCount; ++v) {
                const CVector3& p = o->vertices[v];
                ASSERT_TRUE(p.y >= deck.hi.y + 1.0 || (p.x > deck.lo.x && p.x < deck.hi.x &&
                                                       p.z > deck.lo.z && p.z < deck.hi.z))
                    << "a foot leaves the deck at " << p.x << ", " << p.z;
            }
        // A fist closes round each grip: the rider's surface passes close above, below, in front
        // of and behind the grip's middle, which is ahead of the head.
        for (const t3DObject* grip : grips) {
            const CVector3 centre = bounds({grip}).centre();
            int sides = 0;
            for (const t3DObject* o : parts(rider))
                for (int v = 0; v < o->vertexCount; ++v) {
                    const CVector3 d = Vector(o->vertices[v], centre);
                    if (dot(d, d) < 4.0)
                        sides |=
                            (d.y > 0.8) | (d.y < -0.8) << 1 | (d.x < -0.8) << 2 | (d.x > 0.8) << 3;
                }
            EXPECT_EQ(sides, 15) << "no hand round the grip at z " << centre.z;
            EXPECT_LT(centre.x, bounds(parts(rider, "Head")).centre().x - 3);
        }
    }
}

TEST_F(Models, TheTwoRidersWearDifferentThings) {
    std::set<std::string> first;
    for (int j = 0; j < models[kRider1].materialCount; ++j)
        first.insert(models[kRider1].materials[j].textureFile);
    for (int j = 0; j < models[kRider2].materialCount; ++j)
        EXPECT_EQ(first.count(models[kRider2].materials[j].textureFile), 0u)
            << models[kRider2].materials[j].textureFile;
    EXPECT_EQ(parts(kRider1, "Helmet").size(), 1u);
    EXPECT_EQ(parts(kRider2, "Helmet").size(), 0u);
    const Box slim = bounds(parts(kRider1, "Jacket"));
    const Box broad = bounds(parts(kRider2, "Shirt"));
    EXPECT_GT(broad.hi.z - broad.lo.z, 1.1 * (slim.hi.z - slim.lo.z));
}

} // namespace
