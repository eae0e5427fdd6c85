// The model reader against hostile files: every input that ever made the fuzz target fail (kept
// in tests/robust/inputs/) and the fuzz seeds, read and drawn as the program would, and counts
// far larger than the file; the model set outlives static destruction.
#include "model/ase.h"
#include "platform/testhooks.h"
#include "render/load.h"
#include "support/glcontext.h"
#include "support/release.h"
#include "support/scratch.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

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

// Counts that no file of this size could fill: the arrays share the file's budget of entries.
TEST_F(ModelInputs, HugeCountsShareTheFilesBudget) {
    const std::string path =
        WriteScratch("counts.ASE", "*MATERIAL_COUNT 2000000000\n*GEOMOBJECT {\n"
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

} // namespace
