// The committed model and bitmap files: that they are exactly what the generator writes, and
// that, read by the program's own reader, they give the scene what it relies on.
//
// Coordinates here are the reader's: a file's (x, y, z) becomes (x, z, -y), so y is up, the
// rider faces -x and the axle runs along z.

#include "model/ase.h"
#include "platform/glaux.h"
#include "platform/testhooks.h"
#include "support/release.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
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

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct BmpInfo {
    bool ok = false;
    int width = 0, height = 0, bits = 0, compression = -1;
};

BmpInfo bmpInfo(const std::string& path) {
    std::string b = readFile(path);
    BmpInfo info;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return info;
    auto u32 = [&](size_t at) {
        return static_cast<int>(
            static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
            static_cast<std::uint8_t>(b[at + 2]) << 16 |
            static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24);
    };
    info.width = u32(18);
    info.height = u32(22);
    info.bits = static_cast<std::uint8_t>(b[28]);
    info.compression = u32(30);
    info.ok = true;
    return info;
}

bool powerOfTwo(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

// Loads a bitmap through the program's loader; returns its size, or 0 x 0 when it fails.
std::pair<int, int> loadedSize(const char* path) {
    AUX_RGBImageRec* image = auxDIBImageLoadA(path);
    if (image == nullptr)
        return {0, 0};
    std::pair<int, int> size{image->sizeX, image->sizeY};
    std::free(image->data);
    std::free(image);
    return size;
}

struct Box {
    CVector3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    void add(const CVector3& p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    CVector3 centre() const { return {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, (lo.z + hi.z) / 2}; }
};

double dot(CVector3 a, CVector3 b) {
    return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}
double distance(CVector3 a, CVector3 b) {
    return std::sqrt(dot(Vector(a, b), Vector(a, b)));
}

// The file gives four decimals, so equal positions read as equal floats; a millimetre grid
// joins corners that meet.
using Key = std::tuple<long, long, long>;
Key keyOf(CVector3 p) {
    return {std::lround(p.x * 1000.0), std::lround(p.y * 1000.0), std::lround(p.z * 1000.0)};
}

class Models : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        SetMessageBoxHook([](const char* text, const char*, UINT) {
            ADD_FAILURE() << "message box: " << text;
            return IDOK;
        });
        for (int i = 0; i < kModelCount; ++i)
            loaded[i] = reader.ImportASE(&models[i], kModelFiles[i]);
        SetMessageBoxHook(nullptr);
    }
    static void TearDownTestSuite() {
        for (t3DModel& m : models)
            releaseModel(m);
    }

    static std::vector<const t3DObject*> withMaterial(int model, const std::string& name) {
        std::vector<const t3DObject*> found;
        const t3DModel& m = models[model];
        for (int k = 0; k < m.objectCount; ++k) {
            int id = m.objects[k].materialId;
            if (id >= 0 && id < m.materialCount && name == m.materials[id].name)
                found.push_back(&m.objects[k]);
        }
        return found;
    }
    static Box bounds(const std::vector<const t3DObject*>& objects) {
        Box box;
        for (const t3DObject* o : objects)
            for (int v = 0; v < o->vertexCount; ++v)
                box.add(o->vertices[v]);
        return box;
    }
    static std::vector<const t3DObject*> all(int model) {
        std::vector<const t3DObject*> found;
        for (int k = 0; k < models[model].objectCount; ++k)
            found.push_back(&models[model].objects[k]);
        return found;
    }

    static ase reader;
    static t3DModel models[kModelCount];
    static bool loaded[kModelCount];
};

ase Models::reader;
t3DModel Models::models[kModelCount];
bool Models::loaded[kModelCount];

TEST(AssetFiles, GeneratorRebuildsEveryCommittedFileByteForByte) {
    char pattern[] = "/tmp/balantor-assets-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path dir = pattern;
    std::string command = std::string("\"") + MODELGEN + "\" \"" + dir.string() + "\" >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);

    std::set<std::string> generated;
    for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
        std::string name = e.path().filename().string();
        generated.insert(name);
        EXPECT_TRUE(readFile(e.path()) == readFile(fs::path("models") / name))
            << name << " differs from what the generator writes";
    }
    EXPECT_EQ(generated.size(), 33u);
    for (const fs::directory_entry& e : fs::directory_iterator("models"))
        EXPECT_EQ(generated.count(e.path().filename().string()), 1u)
            << e.path() << " is not made by the generator";
    fs::remove_all(dir);
}

// What a real export looks like, and what a word-by-word scanner needs: lines it can skip in
// one piece, quoted values without white space, bitmaps named relative to the working folder.
TEST(AssetFiles, ModelFilesKeepTheExportLayoutWithinTheReadersSubset) {
    for (const char* file : kModelFiles) {
        SCOPED_TRACE(file);
        std::istringstream text(readFile(file));
        std::string line, first;
        std::getline(text, first);
        EXPECT_EQ(first.rfind("*3DSMAX_ASCIIEXPORT", 0), 0u);
        int declaredMaterials = -1, materials = 0, objects = 0, names = 0;
        long faces = -1, tfaces = -1;
        while (std::getline(text, line)) {
            EXPECT_LT(line.size(), 99u) << line;
            std::istringstream words(line);
            std::string word;
            words >> word;
            if (word == "*MATERIAL_COUNT")
                words >> declaredMaterials;
            else if (word == "*MATERIAL")
                ++materials;
            else if (word == "*GEOMOBJECT")
                ++objects;
            else if (word == "*NODE_NAME" && line.find("\t*NODE_NAME") == 0)
                ++names;
            else if (word == "*MESH_NUMFACES")
                words >> faces;
            else if (word == "*MESH_NUMTVFACES") {
                words >> tfaces;
                EXPECT_EQ(tfaces, faces);
            }
            size_t open = line.find('"');
            if (open != std::string::npos) {
                std::string value = line.substr(open + 1, line.rfind('"') - open - 1);
                EXPECT_EQ(value.find_first_of(" \t"), std::string::npos) << line;
                if (word == "*BITMAP") {
                    EXPECT_EQ(value.rfind("models/", 0), 0u) << value;
                    EXPECT_EQ(value.substr(value.size() - 4), ".bmp") << value;
                }
            }
        }
        EXPECT_EQ(declaredMaterials, materials);
        EXPECT_GT(objects, 0);
        EXPECT_EQ(names, objects);
    }
}

TEST_F(Models, EveryPartIsTexturedWithItsOwnLoadableBitmap) {
    for (int i = 0; i < kModelCount; ++i) {
        SCOPED_TRACE(kModelFiles[i]);
        ASSERT_TRUE(loaded[i]);
        const t3DModel& m = models[i];
        ASSERT_GT(m.objectCount, 0);
        ASSERT_GT(m.materialCount, 0);
        ASSERT_LE(m.materialCount, 100); // the model set's texture slots
        std::set<std::string> bitmaps;
        for (int j = 0; j < m.materialCount; ++j) {
            const tMaterialInfo& mat = m.materials[j];
            SCOPED_TRACE(mat.name);
            EXPECT_TRUE(bitmaps.insert(mat.textureFile).second) << "bitmap shared";
            EXPECT_EQ(mat.uTile, 1.0f);
            EXPECT_EQ(mat.vTile, 1.0f);
            BmpInfo info = bmpInfo(mat.textureFile);
            ASSERT_TRUE(info.ok) << mat.textureFile;
            EXPECT_EQ(info.bits, 24);
            EXPECT_EQ(info.compression, 0);
            EXPECT_EQ(info.width, info.height);
            EXPECT_TRUE(powerOfTwo(info.width) && info.width <= 256) << info.width;
            EXPECT_EQ(loadedSize(mat.textureFile), std::make_pair(info.width, info.height));
        }
        for (int k = 0; k < m.objectCount; ++k) {
            const t3DObject& o = m.objects[k];
            EXPECT_TRUE(o.materialId >= 0 && o.materialId < m.materialCount) << "object " << k;
            EXPECT_TRUE(o.hasTexture) << "object " << k;
            EXPECT_GT(o.faceCount, 0) << "object " << k;
        }
    }
}

TEST_F(Models, FacesNameExistingCornersAndStayWithinTheTriangleBudget) {
    for (int i = 0; i < kModelCount; ++i) {
        SCOPED_TRACE(kModelFiles[i]);
        const t3DModel& m = models[i];
        int triangles = 0;
        for (int k = 0; k < m.objectCount; ++k) {
            const t3DObject& o = m.objects[k];
            triangles += o.faceCount;
            for (int f = 0; f < o.faceCount; ++f) {
                const tFace& face = o.faces[f];
                for (int c = 0; c < 3; ++c) {
                    ASSERT_TRUE(face.vertexIndex[c] >= 0 && face.vertexIndex[c] < o.vertexCount)
                        << "object " << k << " face " << f;
                    ASSERT_TRUE(face.texCoordIndex[c] >= 0 &&
                                face.texCoordIndex[c] < o.texVertexCount)
                        << "object " << k << " face " << f;
                }
                CVector3 a = o.vertices[face.vertexIndex[0]], b = o.vertices[face.vertexIndex[1]],
                         c = o.vertices[face.vertexIndex[2]];
                CVector3 n = Cross(Vector(b, a), Vector(c, a));
                EXPECT_GT(dot(n, n), 1e-10) << "object " << k << " face " << f << " has no area";
            }
        }
        EXPECT_LT(triangles, 5000);
    }
}

// Back faces are culled and lighting uses the reader's normals, so every part must be a closed
// surface wound counter-clockwise from outside: each edge met once in each direction, a
// positive enclosed volume for each connected piece, and unit normals that agree with the
// winding of every face they serve.
TEST_F(Models, EveryPartIsClosedWithOutwardNormals) {
    for (int i = 0; i < kModelCount; ++i) {
        const t3DModel& m = models[i];
        for (int k = 0; k < m.objectCount; ++k) {
            SCOPED_TRACE(std::string(kModelFiles[i]) + " object " + std::to_string(k) + " (" +
                         m.materials[m.objects[k].materialId].name + ")");
            const t3DObject& o = m.objects[k];
            std::vector<Key> key(o.vertexCount);
            for (int v = 0; v < o.vertexCount; ++v)
                key[v] = keyOf(o.vertices[v]);

            std::map<std::pair<Key, Key>, std::vector<int>> edges;
            for (int f = 0; f < o.faceCount; ++f)
                for (int c = 0; c < 3; ++c)
                    edges[{key[o.faces[f].vertexIndex[c]],
                           key[o.faces[f].vertexIndex[(c + 1) % 3]]}]
                        .push_back(f);
            std::vector<int> piece(o.faceCount);
            for (int f = 0; f < o.faceCount; ++f)
                piece[f] = f;
            auto root = [&](int f) {
                while (piece[f] != f)
                    f = piece[f] = piece[piece[f]];
                return f;
            };
            int open = 0;
            for (const auto& [edge, faces] : edges) {
                auto back = edges.find({edge.second, edge.first});
                if (faces.size() != 1 || back == edges.end() || back->second.size() != 1) {
                    ++open;
                    continue;
                }
                piece[root(faces[0])] = root(back->second[0]);
            }
            EXPECT_EQ(open, 0) << "edges without exactly one opposite";

            std::map<int, double> volume;
            for (int f = 0; f < o.faceCount; ++f) {
                const tFace& face = o.faces[f];
                CVector3 a = o.vertices[face.vertexIndex[0]], b = o.vertices[face.vertexIndex[1]],
                         c = o.vertices[face.vertexIndex[2]];
                CVector3 n = Cross(Vector(b, a), Vector(c, a));
                volume[root(f)] += dot(a, Cross(b, c)) / 6;
                for (int corner = 0; corner < 3; ++corner) {
                    CVector3 normal = o.normals[face.vertexIndex[corner]];
                    ASSERT_NEAR(dot(normal, normal), 1.0, 1e-4);
                    ASSERT_GT(dot(normal, n), 0) << "face " << f << " corner " << corner;
                }
            }
            for (const auto& [p, v] : volume)
                EXPECT_GT(v, 1e-3) << "a piece is inside out";
        }
    }
}

// The scene rolls the wheel about its own centre, one unit either side of the vehicle, scaled
// 0.05 with the reference point 0.4 above the ground; the same model serves both sides.
TEST_F(Models, WheelIsCentredWithRadiusEightAndAlikeOnBothSides) {
    const std::vector<const t3DObject*> parts = all(kWheel);
    double radius = 0;
    for (const t3DObject* o : parts)
        for (int v = 0; v < o->vertexCount; ++v)
            radius =
                std::max(radius, std::hypot(double(o->vertices[v].x), double(o->vertices[v].y)));
    EXPECT_NEAR(radius, 8.0, 0.01);

    Box box = bounds(parts);
    EXPECT_NEAR(box.centre().x, 0, 0.01);
    EXPECT_NEAR(box.centre().y, 0, 0.01);
    EXPECT_NEAR(box.hi.z - box.lo.z, 5.0, 0.25);
    for (const t3DObject* o : parts) {
        Box part = bounds({o});
        EXPECT_NEAR(part.lo.z, -part.hi.z, 0.01) << "a part sits off the wheel's middle plane";
    }
    // A tyre round the rim and something on the spokes that shows the wheel turning.
    EXPECT_EQ(withMaterial(kWheel, "Tyre").size(), 1u);
    EXPECT_EQ(withMaterial(kWheel, "SpokeMark").size(), 1u);
    EXPECT_GE(withMaterial(kWheel, "Rim").size(), 2u);
}

TEST_F(Models, DeckAndGripsSitWhereTheRidersFeetAndHandsAre) {
    Box deck = bounds(withMaterial(kBar, "Deck"));
    const double deckTop = deck.hi.y;
    EXPECT_GT(deckTop, 0.5) << "the deck sits just above the axle";
    EXPECT_LT(deckTop, 4.0);
    EXPECT_NEAR(deck.lo.z, -13.4, 1.5);
    EXPECT_NEAR(deck.hi.z, 13.4, 1.5);

    std::vector<const t3DObject*> grips = withMaterial(kBar, "Grip");
    ASSERT_EQ(grips.size(), 2u);
    Box column = bounds(withMaterial(kBar, "Column"));
    EXPECT_LT(column.hi.x, deck.centre().x) << "the column stands in front of the rider";
    EXPECT_NEAR(column.hi.y, 20, 3.0);

    for (int rider : {kRider1, kRider2}) {
        SCOPED_TRACE(kModelFiles[rider]);
        const std::vector<const t3DObject*> body = all(rider);
        Box box = bounds(body);
        Box head = bounds(withMaterial(rider, "Head"));
        EXPECT_NEAR(box.hi.y - box.lo.y, 35, 2.0) << "height";
        EXPECT_NEAR(box.lo.y, deckTop, 0.25) << "the soles stand on the deck";
        for (const t3DObject* o : body) {
            for (int v = 0; v < o->vertexCount; ++v) {
                const CVector3& p = o->vertices[v];
                if (p.y < deckTop + 1.0) {
                    ASSERT_TRUE(p.x > deck.lo.x && p.x < deck.hi.x && p.z > deck.lo.z &&
                                p.z < deck.hi.z)
                        << "a foot leaves the deck at " << p.x << ", " << p.z;
                }
            }
        }
        for (const t3DObject* grip : grips) {
            CVector3 centre = bounds({grip}).centre();
            // A fist closes round the grip: the rider's surface passes close above, below,
            // in front of and behind the grip's middle.
            bool above = false, below = false, front = false, behind = false;
            for (const t3DObject* o : body) {
                for (int v = 0; v < o->vertexCount; ++v) {
                    const CVector3& p = o->vertices[v];
                    if (distance(p, centre) > 2.0)
                        continue;
                    above = above || p.y > centre.y + 0.8;
                    below = below || p.y < centre.y - 0.8;
                    front = front || p.x < centre.x - 0.8;
                    behind = behind || p.x > centre.x + 0.8;
                }
            }
            EXPECT_TRUE(above && below && front && behind)
                << "no hand round the grip at z " << centre.z;
            EXPECT_LT(centre.x, head.centre().x - 3) << "the grips are ahead of the rider";
        }
    }
}

// At the scene's scale the wheels sit between 0.875 and 1.125 world units either side of the
// centre, within 0.4 of the axle; the bar and riders are scaled 0.057 across and 0.05 otherwise.
TEST_F(Models, ChassisAndRidersClearTheWheels) {
    for (int model : {kBar, kRider1, kRider2}) {
        SCOPED_TRACE(kModelFiles[model]);
        for (const t3DObject* o : all(model)) {
            for (int v = 0; v < o->vertexCount; ++v) {
                const CVector3& p = o->vertices[v];
                double across = std::fabs(p.z) * 0.057;
                bool inWheel = std::hypot(p.x, p.y) * 0.05 < 0.41 && across > 0.87 && across < 1.13;
                ASSERT_FALSE(inWheel) << "at " << p.x << ", " << p.y << ", " << p.z;
            }
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
    EXPECT_EQ(withMaterial(kRider1, "Helmet").size(), 1u);
    EXPECT_EQ(withMaterial(kRider2, "Helmet").size(), 0u);
    Box slim = bounds(withMaterial(kRider1, "Jacket"));
    Box broad = bounds(withMaterial(kRider2, "Shirt"));
    EXPECT_GT(broad.hi.z - broad.lo.z, 1.1 * (slim.hi.z - slim.lo.z));
}

// The ground is one quad carrying the bitmap once, seen from a few units away under fog: it has
// to be a loadable square and show enough contrast, most of all where the ride starts.
TEST(Ground, BitmapIsASquarePowerOfTwoWithContrastWhereTheRideStarts) {
    BmpInfo info = bmpInfo("models/Razedud.bmp");
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(info.bits, 24);
    EXPECT_EQ(info.compression, 0);
    EXPECT_EQ(info.width, info.height);
    EXPECT_TRUE(powerOfTwo(info.width) && info.width <= 1024);

    AUX_RGBImageRec* image = auxDIBImageLoadA("models/Razedud.bmp");
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->sizeX, info.width);
    // Luminance spread over the whole ground and over the 40 x 40 units round the start.
    auto spread = [&](int x0, int y0, int x1, int y1) {
        double sum = 0, sq = 0;
        int n = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                const unsigned char* p =
                    image->data + (static_cast<size_t>(y) * image->sizeX + x) * 3;
                double l = 0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2];
                sum += l;
                sq += l * l;
                ++n;
            }
        }
        double mean = sum / n;
        return std::sqrt(sq / n - mean * mean);
    };
    const int size = image->sizeX, quarter = size / 20;
    EXPECT_GT(spread(0, 0, size, size), 25.0);
    EXPECT_GT(
        spread(size / 2 - quarter, size / 2 - quarter, size / 2 + quarter, size / 2 + quarter),
        40.0);
    std::free(image->data);
    std::free(image);
}

} // namespace
