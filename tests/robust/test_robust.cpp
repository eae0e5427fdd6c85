// The readers against hostile files: every input that ever made a fuzz target fail (kept in
// tests/robust/inputs/) and the fuzz seeds, read and drawn as the program would; lines, words,
// counts and files far larger than any real model; bitmaps that claim huge sizes.
#include "model/ase.h"
#include "platform/glaux.h"
#include "platform/testhooks.h"
#include "render/load.h"
#include "support/glcontext.h"
#include "support/release.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Run-time limits, far above what a reader linear in its input needs even in the sanitizer
// build, and far below what a reader that rescans the file per object or per line would need.
const double kLongLineSeconds = 10;
const double kManyObjectsSeconds = 20;
const double kHugeModelSecondsPerMB = 2;

// A field of /proc/self/status in kB, such as "VmHWM" (peak resident memory).
long statusKB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.compare(0, key.size(), key) == 0)
            return std::atol(line.c_str() + key.size());
    return -1;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string scratchPath(const std::string& name) {
    return ::testing::TempDir() + "robust_" + name;
}

std::string writeFile(const std::string& name, const std::string& content) {
    const std::string path = scratchPath(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::vector<fs::path> filesIn(const std::vector<std::string>& dirs, const std::string& ext) {
    std::vector<fs::path> files;
    for (const std::string& dir : dirs)
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().extension() == ext)
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Reads a model into the model set's slot 0 and draws it in a real context, twice, as a
// full-screen toggle does. Under the sanitizers any read outside an array fails the test.
class ModelInputs : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        SetMessageBoxHook([this](const char* text, const char*, UINT) {
            boxes.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override {
        releaseModel(modeller[0]);
        SetMessageBoxHook(nullptr);
    }
    bool importAndDraw(const std::string& path) {
        bool ok = true;
        for (int pass = 0; pass < 2; ++pass) {
            ok = g_LoadASE.ImportASE(&modeller[0], path.c_str()) && ok;
            models.RenderScene(0);
        }
        glFinish();
        return ok;
    }

    GLContext gl;
    load models;
    std::vector<std::string> boxes;
};

TEST_F(ModelInputs, SavedAndSeedInputsReadAndDrawWithinTheirArrays) {
    const auto files = filesIn({"tests/robust/inputs", "fuzz/seeds/ase"}, ".ASE");
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        EXPECT_TRUE(importAndDraw(file.string()));
        const t3DModel& model = modeller[0];
        ASSERT_LE(static_cast<std::size_t>(model.objectCount), model.objects.size());
        ASSERT_LE(static_cast<std::size_t>(model.materialCount), model.materials.size());
        for (int i = 0; i < model.objectCount; ++i) {
            const t3DObject& object = model.objects[i];
            EXPECT_GE(object.vertexCount, 0);
            EXPECT_GE(object.faceCount, 0);
            EXPECT_GE(object.texVertexCount, 0);
            EXPECT_TRUE(object.vertexCount == 0 || object.normals != nullptr);
        }
        releaseModel(modeller[0]);
    }
    EXPECT_TRUE(boxes.empty());
}

// The seed model: two objects, two materials, tiling, a material number given as 1.9.
TEST_F(ModelInputs, HandMadeSeedReadsAsWritten) {
    ASSERT_TRUE(importAndDraw("fuzz/seeds/ase/two_objects.ASE"));
    const t3DModel& model = modeller[0];
    ASSERT_EQ(model.objectCount, 2);
    ASSERT_EQ(model.materialCount, 2);
    EXPECT_STREQ(model.materials[0].textureFile, "models/deck.bmp");
    EXPECT_EQ(model.objects[0].texVertices[1].x, 2.0f);
    EXPECT_EQ(model.objects[1].materialId, 1);
    EXPECT_EQ(model.objects[1].vertices[2].x, -15.0f);
    EXPECT_EQ(model.objects[1].vertices[2].z, -8.0f);
}

TEST_F(ModelInputs, MillionCharacterLinesAndWordsReadInTime) {
    const std::string million(1000000, 'a');
    std::string text = "*MATERIAL_COUNT 1\n*MATERIAL 0 {\n*BITMAP \"" + million + "\"\n";
    text += "*MATERIAL_NAME \"" + million + "\n}\n";
    text += "*GEOMOBJECT {\n*MESH_NUMVERTEX 1\n*MESH_NUMFACES 1\n";
    text += "*MESH_VERTEX 0 1 2 3";
    for (int i = 0; i < 250000; ++i)
        text += " 4.5";
    text += "\n*" + million + "\n" + std::string(1000000, ' ') + "*MESH_FACE 0: A: 0 B: 0 C: 0\n";
    text += "*MESH_TFACE " + std::string(1000000, '7') + "\n}\n";
    const std::string path = writeFile("long.ASE", text);

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(importAndDraw(path));
    EXPECT_LT(secondsSince(start), kLongLineSeconds);
    const t3DModel& model = modeller[0];
    ASSERT_EQ(model.materialCount, 1);
    EXPECT_EQ(std::string(model.materials[0].textureFile), million.substr(0, 254));
    EXPECT_EQ(std::string(model.materials[0].name), million.substr(0, 254));
    ASSERT_EQ(model.objectCount, 1);
    const t3DObject& object = model.objects[0];
    ASSERT_EQ(object.vertexCount, 1);
    EXPECT_EQ(object.vertices[0].x, 1.0f);
    EXPECT_EQ(object.vertices[0].y, 3.0f);
    EXPECT_EQ(object.vertices[0].z, -2.0f);
    ASSERT_EQ(object.faceCount, 1);
    EXPECT_EQ(object.faces[0].vertexIndex[2], 0);
    std::remove(path.c_str());
}

// Counts that no file of this size could fill: the arrays share the file's budget of entries.
TEST_F(ModelInputs, HugeCountsShareTheFilesBudget) {
    const std::string path =
        writeFile("counts.ASE", "*MATERIAL_COUNT 2000000000\n*GEOMOBJECT {\n"
                                "*MESH_NUMVERTEX 2000000000\n*MESH_NUMFACES 2147483647\n"
                                "*MESH_NUMTVERTEX 99999999999\n*MESH_VERTEX 5 1 2 3\n}\n");
    ASSERT_TRUE(importAndDraw(path));
    const t3DModel& model = modeller[0];
    EXPECT_LE(model.materialCount, +ase::kMaxEmptyMaterials);
    ASSERT_EQ(model.objectCount, 1);
    const t3DObject& object = model.objects[0];
    EXPECT_EQ(static_cast<std::size_t>(object.vertexCount) + object.faceCount +
                  object.texVertexCount,
              ase::kMinEntries);
    std::remove(path.c_str());
}

// Writes a model of about `megabytes`, objects of 1000 vertices and 1000 faces each, and gives
// the number of objects.
int writeHugeModel(const std::string& path, long megabytes) {
    std::string object = "*GEOMOBJECT {\n\t*MESH {\n\t\t*MESH_NUMVERTEX 1000\n"
                         "\t\t*MESH_NUMFACES 1000\n\t\t*MESH_VERTEX_LIST {\n";
    char line[128];
    for (int v = 0; v < 1000; ++v) {
        std::snprintf(line, sizeof line, "\t\t\t*MESH_VERTEX %5d\t%.4f\t%.4f\t%.4f\n", v, v * 0.01,
                      (v % 7) * 0.5, (v % 13) * 0.25);
        object += line;
    }
    object += "\t\t}\n\t\t*MESH_FACE_LIST {\n";
    for (int f = 0; f < 1000; ++f) {
        std::snprintf(line, sizeof line,
                      "\t\t\t*MESH_FACE %5d:    A: %5d B: %5d C: %5d AB: 1 BC: 1 CA: 0\n", f, f,
                      (f + 1) % 1000, (f + 2) % 1000);
        object += line;
    }
    object += "\t\t}\n\t}\n}\n";
    std::ofstream out(path, std::ios::binary);
    const long objects = std::max<long>(1, megabytes * 1000000 / static_cast<long>(object.size()));
    for (long i = 0; i < objects; ++i)
        out << object;
    return static_cast<int>(objects);
}

// A model file far larger than any real one reads in time proportional to its size. The size is
// BALANTOR_HUGE_MODEL_MB (default 16); tests/robust/hugemodel.sh runs it with hundreds.
TEST_F(ModelInputs, HugeModelFileReadsInTimeProportionalToItsSize) {
    const char* env = std::getenv("BALANTOR_HUGE_MODEL_MB");
    const long megabytes = env != nullptr ? std::max(1L, std::atol(env)) : 16;
    const std::string path = scratchPath("huge.ASE");
    const int objects = writeHugeModel(path, megabytes);
    const double fileMB = static_cast<double>(fs::file_size(path)) / 1e6;

    const long residentBefore = statusKB("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    const bool ok = g_LoadASE.ImportASE(&modeller[0], path.c_str());
    const double seconds = secondsSince(start);
    std::remove(path.c_str());
    ASSERT_TRUE(ok);
    std::printf("huge model: %.1f MB, %d objects, read in %.2f s (%.1f MB/s); resident memory "
                "%.0f MB before, %.0f MB after, peak %.0f MB\n",
                fileMB, objects, seconds, fileMB / seconds, residentBefore / 1024.0,
                statusKB("VmRSS") / 1024.0, statusKB("VmHWM") / 1024.0);
    EXPECT_LT(seconds, kHugeModelSecondsPerMB * fileMB);
    ASSERT_EQ(modeller[0].objectCount, objects);
    const t3DObject& last = modeller[0].objects[objects - 1];
    EXPECT_EQ(last.vertexCount, 1000);
    EXPECT_EQ(last.faceCount, 1000);
    EXPECT_EQ(last.faces[999].vertexIndex[2], 1);
}

TEST_F(ModelInputs, ManySmallObjectsAndMaterialsReadInTime) {
    const int count = 20000;
    std::string text = "*MATERIAL_COUNT " + std::to_string(count) + "\n";
    for (int i = 0; i < count; ++i)
        text += "*MATERIAL " + std::to_string(i) + " {\n*MATERIAL_DIFFUSE 0.5 0.5 0.5\n}\n";
    for (int i = 0; i < count; ++i)
        text += "*GEOMOBJECT {\n*MESH_NUMVERTEX 3\n*MESH_NUMFACES 1\n*MESH_VERTEX 0 0 0 0\n"
                "*MESH_VERTEX 1 1 0 0\n*MESH_VERTEX 2 0 1 0\n"
                "*MESH_FACE 0: A: 0 B: 1 C: 2\n*MATERIAL_REF " +
                std::to_string(i) + "\n}\n";
    const std::string path = writeFile("many.ASE", text);

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(importAndDraw(path));
    EXPECT_LT(secondsSince(start), kManyObjectsSeconds);
    EXPECT_EQ(modeller[0].objectCount, count);
    EXPECT_EQ(modeller[0].materialCount, count);
    EXPECT_EQ(modeller[0].objects[count - 1].materialId, count - 1);
    std::remove(path.c_str());
}

// The program never frees its models; they must still be reachable when a leak checker looks at
// exit, after static destruction. In the sanitizer build a leak report makes the child fail.
TEST(ModelSet, OutlivesStaticDestruction) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            g_LoadASE.ImportASE(&modeller[1], "fuzz/seeds/ase/two_objects.ASE");
            std::exit(modeller[1].objectCount == 2 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// The bitmap loader: a record it gives has a sane size and all its pixels, else null.
class BitmapInputs : public ::testing::Test {
  protected:
    using Bytes = std::vector<unsigned char>;
    static void put(Bytes& out, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<unsigned char>(value >> (8 * i)));
    }
    // File and info header (40 bytes), a 4-entry palette when bits <= 8, then `pixels`.
    static Bytes header(std::int32_t width, std::int32_t height, int bits,
                        std::uint32_t compression, const Bytes& pixels) {
        const std::uint32_t palette = bits <= 8 ? 16 : 0;
        const std::uint32_t offset = 14 + 40 + palette;
        Bytes out{'B', 'M'};
        put(out, offset + static_cast<std::uint32_t>(pixels.size()), 4);
        put(out, 0, 4);
        put(out, offset, 4);
        put(out, 40, 4);
        put(out, static_cast<std::uint32_t>(width), 4);
        put(out, static_cast<std::uint32_t>(height), 4);
        put(out, 1, 2);
        put(out, static_cast<std::uint32_t>(bits), 2);
        put(out, compression, 4);
        put(out, static_cast<std::uint32_t>(pixels.size()), 4);
        put(out, 2835, 4);
        put(out, 2835, 4);
        put(out, palette / 4, 4);
        put(out, 0, 4);
        for (std::uint32_t i = 0; i < palette; ++i)
            out.push_back(static_cast<unsigned char>(i * 16));
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
    static std::string write(const std::string& name, const Bytes& bytes) {
        return writeFile(name, std::string(bytes.begin(), bytes.end()));
    }
    // Loads, checks and frees; the pixels come back when the file was accepted.
    static bool load(const std::string& path, Bytes* pixels = nullptr) {
        AUX_RGBImageRec* image = auxDIBImageLoadA(path.c_str());
        if (image == nullptr)
            return false;
        EXPECT_GE(image->sizeX, 1);
        EXPECT_GE(image->sizeY, 1);
        const std::size_t bytes = static_cast<std::size_t>(image->sizeX) * image->sizeY * 3;
        const Bytes data(image->data, image->data + bytes);
        if (pixels != nullptr)
            *pixels = data;
        std::free(image->data);
        std::free(image);
        return true;
    }
};

TEST_F(BitmapInputs, SavedAndSeedInputsLoadWholeOrNotAtAll) {
    const auto files = filesIn({"tests/robust/inputs", "fuzz/seeds/bmp"}, ".bmp");
    ASSERT_FALSE(files.empty());
    int loaded = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        loaded += load(file.string());
    }
    // Every hand-made seed is a valid bitmap.
    EXPECT_GE(loaded, static_cast<int>(filesIn({"fuzz/seeds/bmp"}, ".bmp").size()));
}

TEST_F(BitmapInputs, RunLengthBitmapsDecode) {
    // Bottom row: four pixels of colour 1; top row: two of colour 2, two of colour 3.
    const Bytes rle8 = {4, 1, 0, 0, 2, 2, 2, 3, 0, 1};
    Bytes pixels;
    ASSERT_TRUE(load(write("rle8.bmp", header(4, 2, 8, 1, rle8)), &pixels));
    // Palette entry i holds the bytes 64i, 64i + 16 and 64i + 32 as blue, green and red.
    const Bytes expected = {0x60, 0x50, 0x40, 0x60, 0x50, 0x40, 0x60, 0x50, 0x40, 0x60, 0x50, 0x40,
                            0xa0, 0x90, 0x80, 0xa0, 0x90, 0x80, 0xe0, 0xd0, 0xc0, 0xe0, 0xd0, 0xc0};
    EXPECT_EQ(pixels, expected);
}

// Headers that claim far more pixels than their file holds are refused before any allocation of
// that size: run-length data that could not cover the image, unknown compressions and depths,
// pixel data past the end of the file. The first two were found by the fuzz target.
TEST_F(BitmapInputs, ClaimsOfHugeSizesAreRefused) {
    const Bytes rle = {0, 1};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(load(write("rle8-huge.bmp", header(16384, 16384, 8, 1, rle))));
    EXPECT_FALSE(load(write("rle4-huge.bmp", header(16384, 16384, 4, 2, rle))));
    EXPECT_FALSE(load(write("rle8-24bit.bmp", header(64, 64, 24, 1, rle))));
    EXPECT_FALSE(load(write("compression.bmp", header(13824, 10240, 24, 0xfe000000, rle))));
    EXPECT_FALSE(load(write("jpeg.bmp", header(4096, 4096, 24, 4, Bytes(64, 0)))));
    EXPECT_FALSE(load(write("depth0.bmp", header(16384, 16384, 0, 0, rle))));
    EXPECT_FALSE(load(write("depth7.bmp", header(64, 64, 7, 0, Bytes(4096, 0)))));
    EXPECT_FALSE(load(write("full-header.bmp", header(16384, 16384, 24, 0, Bytes(1024, 0)))));
    Bytes pastEnd = header(2, 2, 24, 0, Bytes(16, 0));
    pastEnd[10] = 0xff;
    EXPECT_FALSE(load(write("offset.bmp", pastEnd)));
    EXPECT_LT(secondsSince(start), 5.0);
    // A run-length file that does hold the runs for its size still loads.
    Bytes runs;
    for (int row = 0; row < 64; ++row)
        runs.insert(runs.end(), {255, 1, 255, 2, 2, 3, 0, 0});
    runs.insert(runs.end(), {0, 1});
    EXPECT_TRUE(load(write("rle8-wide.bmp", header(512, 64, 8, 1, runs))));
}

} // namespace
