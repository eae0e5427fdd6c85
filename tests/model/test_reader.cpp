// The reader on small hand-written files: what the keywords set, and the defined results for input
// a plain scanner could not survive. Every file is also read by the reference reader and must give
// the same model.
#include "model/ase.h"
#include "platform/testhooks.h"
#include "reference.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

namespace {

std::vector<float> xyz(const CVector3& v) {
    return {v.x, v.y, v.z};
}
std::vector<int> corners(const int* c) {
    return {c[0], c[1], c[2]};
}

class AseReader : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMessageBoxHook([this](const char* text, const char* caption, UINT type) {
            messages.push_back(std::string(caption) + "|" + text + "|" + std::to_string(type));
            return IDOK;
        });
    }
    void TearDown() override {
        SetMessageBoxHook(nullptr);
        for (t3DModel& m : models)
            releaseModel(m);
    }

    t3DModel& load(const std::string& content) {
        const std::string path = WriteScratch("model.ASE", content);
        t3DModel& m = models.emplace_back();
        t3DModel expected;
        EXPECT_TRUE(reader.ImportASE(&m, path.c_str()));
        ReferenceImport(&expected, path.c_str());
        EXPECT_EQ(CompareModels(m, expected), "");
        releaseModel(expected);
        return m;
    }

    ase reader;
    std::list<t3DModel> models;
    std::vector<std::string> messages;
};

const char* const kTwoObjects = R"(*MATERIAL_COUNT 1
*MATERIAL 0 {
	*MATERIAL_NAME "wood"
	*MATERIAL_DIFFUSE 0.5000	0.2500	1.0000
	*BITMAP "textures\wood.bmp"
	*UVW_U_TILING 2.0000
	*UVW_V_TILING 4.0000
	*UVW_U_TILING -
	*UVW_V_TILING x
}
*GEOMOBJECT {
	*MESH_NUMVERTEX 4
	*MESH_NUMFACES 1
	*MESH_VERTEX    3	1.0000	2.0000	3.0000
	*MESH_FACE    0:    A:    4 B:    5 C:    6 AB:    1 BC:    1 CA:    0	 *MESH_SMOOTHING 1
	*MESH_NUMTVERTEX 1
	*MESH_TVERT 0	0.5000	0.2500	0.0000
	*MESH_TFACE 0	7	8	9
	*MATERIAL_REF 0
}
*GEOMOBJECT {
	*MATERIAL_REF 1.9
}
)";

TEST_F(AseReader, ReadsWhatEachKeywordSays) {
    const t3DModel& m = load(kTwoObjects);
    ASSERT_EQ(m.objectCount, 2);
    ASSERT_EQ(m.materialCount, 1);
    const tMaterialInfo& wood = m.materials[0];
    EXPECT_STREQ(wood.name, "wood");
    EXPECT_STREQ(wood.textureFile, "textures\\wood.bmp");
    EXPECT_EQ(std::vector<float>(wood.diffuse, wood.diffuse + 3),
              (std::vector<float>{0.5f, 0.25f, 1.0f}));
    const t3DObject& o = m.objects[0];
    // The file's y and z change places, y negated; texture coordinates are scaled by the tiling,
    // which a later tiling keyword without a number leaves as it was.
    EXPECT_EQ(xyz(o.vertices[3]), (std::vector<float>{1, 3, -2}));
    EXPECT_EQ(o.texVertices[0].x, 1.0f);
    EXPECT_EQ(o.texVertices[0].y, 1.0f);
    EXPECT_EQ(corners(o.faces[0].vertexIndex), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(corners(o.faces[0].texCoordIndex), (std::vector<int>{7, 8, 9}));
    EXPECT_TRUE(o.hasTexture);
    EXPECT_EQ(o.materialId, 0);
    EXPECT_EQ(m.objects[1].materialId, 1);
    EXPECT_FALSE(m.objects[1].hasTexture);
}

// Words of any length are one word; a quoted value keeps its first 254 characters and the line
// goes on after it.
TEST_F(AseReader, OverlongWordsAndQuotedValues) {
    const std::string word(5000, 'w');
    const std::string name(400, 'n');
    const t3DModel& m = load("*MATERIAL_COUNT 1\n*MATERIAL 0 {\n*MATERIAL_NAME \"" + name +
                             "\" *BITMAP \"after.bmp\"\n}\n" + word + " *GEOMOBJECT\n*" + word +
                             "*GEOMOBJECT\n*GEOMOBJECT\n");
    EXPECT_EQ(m.objectCount, 1);
    EXPECT_EQ(m.materials[0].name, name.substr(0, 254));
    EXPECT_STREQ(m.materials[0].textureFile, "after.bmp");
}

// A negative count is 0, "*MATERIAL_COUNT" is bounded by the "*MATERIAL" words plus
// kMaxEmptyMaterials, and the file's arrays share one budget of entries: declared counts are
// honoured while it lasts, sparse indices included, and a repeated count keyword makes one array
// of the last count.
TEST_F(AseReader, CountsWithinTheFilesBudget) {
    EXPECT_EQ(load("*MATERIAL_COUNT -4\n*MATERIAL 0 {\n}\n").materialCount, 0);
    EXPECT_EQ(load("*MATERIAL_COUNT 2000000000\n*MATERIAL 0 {\n}\n").materialCount,
              1 + ase::kMaxEmptyMaterials);
    const t3DModel& m =
        load("*GEOMOBJECT {\n*MESH_NUMVERTEX 100\n*MESH_VERTEX 0 1 2 3\n*MESH_VERTEX 50 4 5 6\n"
             "*MESH_VERTEX 99 7 8 9\n*MESH_NUMFACES 5 *MESH_NUMFACES 7\n*MESH_NUMFACES x\n}\n"
             "*GEOMOBJECT {\n*MESH_NUMVERTEX 2000000000\n*MESH_NUMFACES -3\n"
             "*MESH_NUMTVERTEX 99999999999\n*MESH_VERTEX 1 1 2 3\n}\n");
    const t3DObject& sparse = m.objects[0];
    EXPECT_EQ(sparse.vertexCount, 100);
    EXPECT_EQ(xyz(sparse.vertices[99]), (std::vector<float>{7, 9, -8}));
    EXPECT_EQ(sparse.faceCount, 7);
    const t3DObject& o = m.objects[1];
    const int left = static_cast<int>(ase::kMinEntries) - 100 - 7;
    EXPECT_EQ(o.vertexCount, left);
    EXPECT_EQ(o.faceCount, 0);
    // 99999999999 wraps to 1215752191 as scanf stores it; nothing is left for it.
    EXPECT_EQ(o.texVertexCount, 0);
    EXPECT_NE(o.texVertices, nullptr);
    EXPECT_EQ(xyz(o.vertices[1]), (std::vector<float>{1, 3, -2}));
}

// Data lines whose index lies outside their array, or whose array was never declared, are dropped.
TEST_F(AseReader, DataOutsideItsArrayIsDropped) {
    const t3DModel& m = load("*GEOMOBJECT {\n*MESH_NUMVERTEX 2\n*MESH_NUMFACES 1\n"
                             "*MESH_VERTEX -1 5 5 5\n*MESH_VERTEX 2 6 6 6\n"
                             "*MESH_VERTEX 99999999999 7 7 7\n*MESH_FACE 1: A: 0 B: 1 C: 1\n"
                             "*MESH_TFACE -1 1 2 3\n*MESH_TVERT 0 1 1\n}\n"
                             "*GEOMOBJECT {\n*MESH_VERTEX 0 1 2 3\n*MESH_FACE 0: A: 0 B: 0 C: 0\n"
                             "*MESH_TFACE 0 1 2 3\n}\n");
    const t3DObject& o = m.objects[0];
    EXPECT_EQ(xyz(o.vertices[0]), xyz(o.vertices[1]));
    EXPECT_EQ(xyz(o.vertices[0]), (std::vector<float>{0, 0, 0}));
    EXPECT_EQ(corners(o.faces[0].vertexIndex), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(corners(o.faces[0].texCoordIndex), (std::vector<int>{0, 0, 0}));
    // A texture vertex with no array to go to still marks the object textured.
    EXPECT_TRUE(o.hasTexture);
    EXPECT_EQ(o.texVertices, nullptr);
    EXPECT_EQ(m.objects[1].vertices, nullptr);
    EXPECT_EQ(m.objects[1].faces, nullptr);
}

// Without a valid material texture coordinates stay as the file gives them; a "*MATERIAL_REF"
// that no int can hold names no material.
TEST_F(AseReader, TextureVerticesWithoutAMaterial) {
    const std::string object = "*GEOMOBJECT {\n*MESH_NUMTVERTEX 1\n*MESH_TVERT 0 0.5 0.25\n";
    const t3DModel& m = load("*MATERIAL_COUNT 1\n*MATERIAL 0 {\n*UVW_U_TILING 2\n}\n" + object +
                             "}\n" + object + "*MATERIAL_REF 7\n}\n" + object +
                             "*MATERIAL_REF 1e30\n}\n*GEOMOBJECT {\n*MATERIAL_REF -nan\n}\n");
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(m.objects[k].texVertices[0].x, 0.5f);
        EXPECT_EQ(m.objects[k].texVertices[0].y, 0.25f);
    }
    EXPECT_EQ(m.objects[1].materialId, 7);
    EXPECT_EQ(m.objects[2].materialId, -1);
    EXPECT_EQ(m.objects[3].materialId, -1);
}

// A second import fills the first entries again in place and appends nothing behind them; the
// arrays it replaces are freed, which LeakSanitizer checks.
TEST_F(AseReader, ASecondImportFillsTheSameEntries) {
    const std::string path = WriteScratch("twice.ASE", kTwoObjects);
    t3DModel& m = models.emplace_back();
    t3DModel expected;
    ASSERT_TRUE(reader.ImportASE(&m, path.c_str()));
    ASSERT_TRUE(ReferenceImport(&expected, path.c_str()));
    m.materials[0].textureId = expected.materials[0].textureId = 5;
    ASSERT_TRUE(reader.ImportASE(&m, path.c_str()));
    ReferenceImport(&expected, path.c_str());
    EXPECT_EQ(CompareModels(m, expected), "");
    releaseModel(expected);
    EXPECT_EQ(m.objects.size(), 2u);
    EXPECT_EQ(m.materials.size(), 1u);
    EXPECT_EQ(m.materials[0].textureId, 5);
}

// A file that cannot be opened or read is reported once, the path cut to fit the message, and the
// model is left untouched. A pipe, which cannot be mapped, is read like a file.
TEST_F(AseReader, UnreadableFilesAreReportedAndPipesRead) {
    t3DModel& m = models.emplace_back();
    const std::string directory = ScratchPath("");
    const std::string path = "models/" + std::string(600, 'p') + ".ASE";
    EXPECT_FALSE(reader.ImportASE(nullptr, "x"));
    EXPECT_FALSE(reader.ImportASE(&m, nullptr));
    for (const std::string& file : {std::string("models/no such file.ASE"), directory, path})
        EXPECT_FALSE(reader.ImportASE(&m, file.c_str()));
    const std::string text = "Unable to find or open the file: ";
    EXPECT_EQ(messages, (std::vector<std::string>{"Error|" + text + "models/no such file.ASE|0",
                                                  "Error|" + text + directory + "|0",
                                                  "Error|" + (text + path).substr(0, 254) + "|0"}));
    EXPECT_TRUE(m.objectCount == 0 && m.objects.empty() && m.materials.empty());

    // Past the first read of the stream, and after a Ctrl-Z and a CR, at which a stream read as
    // text on Windows would end or which it would drop.
    const std::string content = "\x1a\r\n" + std::string(100000, '\n') + kTwoObjects;
    t3DModel& piped = models.emplace_back();
    {
        const ContentPipe pipe(content);
        ASSERT_TRUE(pipe.ok());
        EXPECT_TRUE(reader.ImportASE(&piped, pipe.path.c_str()));
    }
    EXPECT_EQ(CompareModels(piped, load(content)), "");
}

} // namespace
