// The ASE reader on small hand-written files: what each keyword sets, the word and line rules of
// the scans, and the defined results for input the scans alone could not survive.
#include "model/ase.h"
#include "platform/testhooks.h"
#include "reference.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <list>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

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
            FreeModel(&m);
    }

    // Imports `content` and checks the result against the reference reader.
    t3DModel& load(const std::string& content) {
        const std::string path = WriteScratch("model.ASE", content);
        models.emplace_back();
        EXPECT_TRUE(reader.ImportASE(&models.back(), path.c_str()));
        t3DModel expected;
        ReferenceImport(&expected, path.c_str());
        EXPECT_EQ(CompareModels(models.back(), expected), "");
        FreeModel(&expected);
        return models.back();
    }

    ase reader;
    std::list<t3DModel> models;
    std::vector<std::string> messages;
};

void expectVector(const CVector3& v, float x, float y, float z) {
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);
}

const char* const kTwoObjects = R"(*3DSMAX_ASCIIEXPORT	200
*MATERIAL_LIST {
	*MATERIAL_COUNT 1
	*MATERIAL 0 {
		*MATERIAL_NAME "wood"
		*MATERIAL_DIFFUSE 0.5000	0.2500	1.0000
		*MAP_DIFFUSE {
			*BITMAP "textures\wood.bmp"
			*UVW_U_TILING 2.0000
			*UVW_V_TILING 4.0000
		}
	}
}
*GEOMOBJECT {
	*NODE_NAME "first"
	*MESH {
		*MESH_NUMVERTEX 4
		*MESH_NUMFACES 1
		*MESH_VERTEX_LIST {
			*MESH_VERTEX    3	1.0000	2.0000	3.0000
		}
		*MESH_FACE_LIST {
			*MESH_FACE    0:    A:    4 B:    5 C:    6 AB:    1 BC:    1 CA:    0	 *MESH_SMOOTHING 1 	*MESH_MTLID 0
		}
		*MESH_NUMTVERTEX 1
		*MESH_TVERTLIST {
			*MESH_TVERT 0	0.5000	0.2500	0.0000
		}
		*MESH_NUMTVFACES 1
		*MESH_TFACELIST {
			*MESH_TFACE 0	7	8	9
		}
	}
	*MATERIAL_REF 0
}
*GEOMOBJECT {
	*MESH {
		*MESH_NUMVERTEX 0
	}
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
    EXPECT_EQ(wood.diffuse[0], 0.5f);
    EXPECT_EQ(wood.diffuse[1], 0.25f);
    EXPECT_EQ(wood.diffuse[2], 1.0f);
    EXPECT_EQ(wood.uTile, 2.0f);
    EXPECT_EQ(wood.vTile, 4.0f);
    EXPECT_EQ(wood.textureId, 0);

    const t3DObject& first = m.objects[0];
    EXPECT_EQ(first.vertexCount, 4);
    EXPECT_EQ(first.faceCount, 1);
    EXPECT_EQ(first.texVertexCount, 1);
    EXPECT_EQ(first.materialId, 0);
    EXPECT_TRUE(first.hasTexture);
    // The file's y and z change places, y negated.
    expectVector(first.vertices[3], 1.0f, 3.0f, -2.0f);
    expectVector(first.vertices[0], 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(first.texVertices[0].x, 1.0f);
    EXPECT_EQ(first.texVertices[0].y, 1.0f);
    const tFace& face = first.faces[0];
    EXPECT_EQ(std::vector<int>(face.vertexIndex, face.vertexIndex + 3),
              (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(std::vector<int>(face.texCoordIndex, face.texCoordIndex + 3),
              (std::vector<int>{7, 8, 9}));

    const t3DObject& second = m.objects[1];
    EXPECT_EQ(second.materialId, 1);
    EXPECT_FALSE(second.hasTexture);
    EXPECT_EQ(second.vertexCount, 0);
    EXPECT_NE(second.normals, nullptr);
    EXPECT_EQ(second.faces, nullptr);
}

TEST_F(AseReader, FirstAndLastOccurrences) {
    const t3DModel& m = load("*MATERIAL_COUNT 2\n*MATERIAL_COUNT 5\n"
                             "*MATERIAL 0 {\n*BITMAP \"a.bmp\"\n*BITMAP \"b.bmp\"\n"
                             "*UVW_U_TILING 3\n*UVW_U_TILING 5\n}\n"
                             "*MATERIAL 1 {\n*MATERIAL_NAME \"last\"\n}\n"
                             "*GEOMOBJECT {\n*MATERIAL_REF 1\n*MESH_NUMVERTEX 1\n"
                             "*MESH_VERTEX 0 1 1 1\n*MESH_NUMVERTEX 3\n*MESH_VERTEX 2 2 2 2\n"
                             "*MATERIAL_DIFFUSE 0.1 0.2 0.3\n*MATERIAL_REF 0\n}\n");
    ASSERT_EQ(m.materialCount, 2);
    EXPECT_STREQ(m.materials[0].textureFile, "b.bmp");
    EXPECT_EQ(m.materials[0].uTile, 5.0f);
    // The last material's range runs to the end of the file, objects included.
    EXPECT_EQ(m.materials[1].diffuse[2], 0.3f);
    EXPECT_EQ(m.materials[0].diffuse[2], 0.0f);
    const t3DObject& o = m.objects[0];
    EXPECT_EQ(o.materialId, 1);
    // The last count wins, and every data line lands in the array of that count.
    ASSERT_EQ(o.vertexCount, 3);
    expectVector(o.vertices[0], 1.0f, 1.0f, -1.0f);
    expectVector(o.vertices[2], 2.0f, 2.0f, -2.0f);
}

TEST_F(AseReader, WordsAreWholeAndCaseMatters) {
    const t3DModel& m = load("*GEOMOBJECT {\n*MESH_NUMVERTEX 2\n*MESH_VERTEX_LIST {\n"
                             "*MESH_VERTEXNORMAL 0 9 9 9\n*mesh_vertex 1 9 9 9\n"
                             "*MESH_VERTEX 1 1 2 3\n}\n}\n*GEOMOBJECTS\n*geomobject\n");
    ASSERT_EQ(m.objectCount, 1);
    expectVector(m.objects[0].vertices[0], 0.0f, 0.0f, 0.0f);
    expectVector(m.objects[0].vertices[1], 1.0f, 3.0f, -2.0f);
}

// A keyword that matches reads its values and the scan goes on with the same line; any other word
// sends the rest of the line away, in pieces of at most 99 characters.
TEST_F(AseReader, LinesAreSkippedInPiecesOf99Characters) {
    const std::string junk = "*JUNK";
    std::string text = "*GEOMOBJECT *GEOMOBJECT\n";
    text += junk + std::string(99, ' ') + "*GEOMOBJECT\n"; // a piece ends just before it
    text += junk + std::string(98, ' ') + "*GEOMOBJECT\n"; // the piece takes its '*'
    text += junk + " " + std::string(200, 'x') + " *GEOMOBJECT trailing\n";
    const t3DModel& m = load(text);
    EXPECT_EQ(m.objectCount, 3);
}

TEST_F(AseReader, DataPassesTokeniseEachInTheirOwnWay) {
    // In the vertex pass the second vertex follows on the same line; a line that starts with any
    // other word is gone, vertex and all.
    const t3DModel& m = load("*GEOMOBJECT {\n*MESH_NUMVERTEX 4\n*MESH_NUMTVERTEX 2\n"
                             "*MESH_VERTEX 0 1 1 1 *MESH_VERTEX 1 2 2 2\n"
                             "*MESH_TVERT *MESH_VERTEX 2 3 3 3\n"
                             "*MESH_NORMALS *MESH_VERTEX 3 4 4 4\n"
                             "*MESH_VERTEX 3 *MESH_TVERT 1 0.5 0.5\n"
                             "*MESH_TVERT 0 0.25 0.75\n}\n");
    const t3DObject& o = m.objects[0];
    expectVector(o.vertices[1], 2.0f, 2.0f, -2.0f);
    expectVector(o.vertices[2], 3.0f, 3.0f, -3.0f);
    expectVector(o.vertices[3], 0.0f, 0.0f, 0.0f);
    // The texture pass goes past "*MESH_VERTEX", and the "3" after it sends the line away.
    EXPECT_EQ(o.texVertices[1].x, 0.0f);
    // Without a material the coordinates stay as the file gives them.
    EXPECT_EQ(o.texVertices[0].x, 0.25f);
    EXPECT_EQ(o.texVertices[0].y, 0.75f);
}

TEST_F(AseReader, ValuesAreReadAsScanfReadsThem) {
    const t3DModel& m = load("*GEOMOBJECT\n*MESH_NUMVERTEX 4\n*MESH_NUMFACES 3\n"
                             "*MESH_VERTEX\n 0\n\t-1.5e1\n +2E-1 0x1p3\n"
                             "*MESH_VERTEX 1 7 x 9\n"
                             "*MESH_VERTEX 2 inf -nan 1.2.3\n"
                             "*MESH_FACE 0 A:1 B:2 C:3\n"
                             "*MESH_FACE 1:A: 1 B: 2 D: 3\n"
                             "*MESH_FACE 2: A:\t3\tB:\t2\tC:\t1\n"
                             "*MESH_TFACE 2 4 5 6 *MESH_TFACE 1: 7 8\n");
    const t3DObject& o = m.objects[0];
    expectVector(o.vertices[0], -15.0f, 8.0f, -0.2f);
    expectVector(o.vertices[1], 7.0f, 0.0f, 0.0f);
    EXPECT_TRUE(std::isinf(o.vertices[2].x));
    EXPECT_TRUE(std::isnan(o.vertices[2].z));
    EXPECT_EQ(o.vertices[2].y, 1.2f);
    // The colon after the face number may be missing; face 1 stops before "D".
    EXPECT_EQ(o.faces[0].vertexIndex[2], 3);
    EXPECT_EQ(o.faces[1].vertexIndex[1], 2);
    EXPECT_EQ(o.faces[1].vertexIndex[2], 0);
    EXPECT_EQ(o.faces[2].vertexIndex[0], 3);
    EXPECT_EQ(o.faces[2].vertexIndex[2], 1);
    EXPECT_EQ(o.faces[2].texCoordIndex[2], 6);
    EXPECT_EQ(o.faces[1].texCoordIndex[1], 8);
    EXPECT_EQ(o.faces[1].texCoordIndex[2], 0);
    for (int v = 0; v < o.vertexCount; ++v)
        EXPECT_TRUE(std::isfinite(o.normals[v].x + o.normals[v].y + o.normals[v].z));
}

// The scan stops when no word is left, so the last word is never compared twice.
TEST_F(AseReader, TheLastWordCountsOnce) {
    EXPECT_EQ(load("*GEOMOBJECT\n\n  ").objectCount, 1);
    EXPECT_EQ(load("*GEOMOBJECT").objectCount, 1);
    const t3DModel& m = load("*MATERIAL_COUNT 1\n*MATERIAL *BITMAP \"x.bmp\"  \n");
    EXPECT_STREQ(m.materials[0].textureFile, "x.bmp");
}

TEST_F(AseReader, QuotedValues) {
    const std::string longName(400, 'n');
    const t3DModel& m = load("*MATERIAL_COUNT 4\n"
                             "*MATERIAL 0 {\n*MATERIAL_NAME \"02 - Default\"\n}\n"
                             "*MATERIAL 1 {\n*MATERIAL_NAME \"" +
                             longName +
                             "\" *BITMAP \"after.bmp\"\n}\n"
                             "*MATERIAL 2 {\n*BITMAP\n\"\n  spaced.bmp\" *MATERIAL_NAME oops\n}\n"
                             "*MATERIAL 3 {\n*MATERIAL_NAME \"\" *BITMAP \"x\n");
    // Only the first word is read, and its last character goes as if it were the quote.
    EXPECT_STREQ(m.materials[0].name, "0");
    // Over-long: the first 254 characters, and the line goes on after the value.
    EXPECT_EQ(std::string(m.materials[1].name), longName.substr(0, 254));
    EXPECT_STREQ(m.materials[1].textureFile, "after.bmp");
    EXPECT_STREQ(m.materials[2].textureFile, "spaced.bmp");
    EXPECT_STREQ(m.materials[2].name, "");
    EXPECT_STREQ(m.materials[3].name, "");
    EXPECT_STREQ(m.materials[3].textureFile, "");
}

TEST_F(AseReader, OverlongWordsAreOneWord) {
    const std::string word(5000, 'w');
    const t3DModel& m =
        load(word + " *GEOMOBJECT\n" + word + "\n*GEOMOBJECT\n*" + word + "*GEOMOBJECT\n");
    EXPECT_EQ(m.objectCount, 1);
}

TEST_F(AseReader, MaterialCounts) {
    const t3DModel& more = load("*MATERIAL_COUNT 3\n*MATERIAL 0 {\n*MATERIAL_NAME \"a\"\n}\n");
    ASSERT_EQ(more.materialCount, 3);
    EXPECT_STREQ(more.materials[2].name, "");
    EXPECT_EQ(more.materials[2].uTile, 0.0f);
    EXPECT_EQ(load("*MATERIAL_COUNT -4\n*MATERIAL 0 {\n}\n").materialCount, 0);
    EXPECT_EQ(load("*MATERIAL_COUNT 2000000000\n*MATERIAL 0 {\n}\n").materialCount,
              1 + ase::kMaxEmptyMaterials);
    EXPECT_EQ(load("*MATERIAL_COUNT x 3\n*MATERIAL 0 {\n}\n").materialCount, 0);
}

TEST_F(AseReader, CountsOutsideWhatTheObjectCouldHold) {
    const std::string object = "*GEOMOBJECT {\n*MESH_NUMVERTEX 2000000000\n"
                               "*MESH_NUMFACES -3\n*MESH_NUMTVERTEX 99999999999\n"
                               "*MESH_VERTEX 1 1 2 3\n*MESH_FACE 0: A: 0 B: 1 C: 1\n"
                               "*MESH_TVERT 0 0.5 0.5\n}\n";
    const t3DModel& m = load(object + std::string(1000, '\n') + "*GEOMOBJECT\n");
    const t3DObject& o = m.objects[0];
    const int range = static_cast<int>(object.size()) - 11 + 1000;
    EXPECT_EQ(o.vertexCount, range / 13);
    EXPECT_EQ(o.faceCount, 0);
    EXPECT_NE(o.faces, nullptr);
    // 99999999999 wraps to 1215752191 as scanf stores it, then is bounded like the others.
    EXPECT_EQ(o.texVertexCount, range / 12);
    expectVector(o.vertices[1], 1.0f, 3.0f, -2.0f);
    EXPECT_EQ(m.objects[1].vertexCount, 0);
}

TEST_F(AseReader, DataOutsideItsArrayIsDropped) {
    const t3DModel& m = load("*GEOMOBJECT {\n*MESH_NUMVERTEX 2\n*MESH_NUMFACES 1\n"
                             "*MESH_VERTEX -1 5 5 5\n*MESH_VERTEX 2 6 6 6\n"
                             "*MESH_VERTEX 99999999999 7 7 7\n*MESH_VERTEX 1 1 2 3\n"
                             "*MESH_FACE 1: A: 0 B: 1 C: 1\n*MESH_TFACE -1 1 2 3\n"
                             "*MESH_FACE 0: A: 0 B: 1 C: 5\n*MESH_TVERT 0 1 1\n}\n"
                             "*GEOMOBJECT {\n*MESH_VERTEX 0 1 2 3\n*MESH_FACE 0: A: 0 B: 0 C: 0\n"
                             "*MESH_TFACE 0 1 2 3\n}\n");
    const t3DObject& o = m.objects[0];
    expectVector(o.vertices[0], 0.0f, 0.0f, 0.0f);
    expectVector(o.vertices[1], 1.0f, 3.0f, -2.0f);
    EXPECT_EQ(o.faces[0].vertexIndex[2], 5);
    EXPECT_EQ(o.faces[0].texCoordIndex[0], 0);
    // A texture vertex with no array to go to still marks the object textured.
    EXPECT_TRUE(o.hasTexture);
    EXPECT_EQ(o.texVertices, nullptr);
    // The face names vertex 5, which does not exist: it gives no normal to anyone.
    expectVector(o.normals[0], 0.0f, 0.0f, 0.0f);
    const t3DObject& empty = m.objects[1];
    EXPECT_EQ(empty.vertices, nullptr);
    EXPECT_EQ(empty.faces, nullptr);
    EXPECT_NE(empty.normals, nullptr);
}

TEST_F(AseReader, TextureVerticesAndMaterials) {
    const t3DModel& m = load("*MATERIAL_COUNT 1\n*MATERIAL 0 {\n*UVW_V_TILING 3\n}\n"
                             "*GEOMOBJECT {\n*MESH_NUMTVERTEX 1\n*MESH_TVERT 0 0.5 0.5\n}\n"
                             "*GEOMOBJECT {\n*MESH_NUMTVERTEX 1\n*MESH_TVERT 0 0.5 0.5\n"
                             "*MATERIAL_REF 0\n}\n"
                             "*GEOMOBJECT {\n*MESH_NUMTVERTEX 1\n*MESH_TVERT 0 0.5 0.5\n"
                             "*MATERIAL_REF 7\n}\n"
                             "*GEOMOBJECT {\n*MATERIAL_REF 1e30\n}\n"
                             "*GEOMOBJECT {\n*MATERIAL_REF nan\n}\n"
                             "*GEOMOBJECT {\n*MATERIAL_REF -2.7\n}\n"
                             "*GEOMOBJECT {\n*MATERIAL_REF {\n}\n");
    ASSERT_EQ(m.objectCount, 7);
    EXPECT_EQ(m.objects[0].texVertices[0].x, 0.5f);
    // The material gives no u tiling, so u becomes 0.
    EXPECT_EQ(m.objects[1].texVertices[0].x, 0.0f);
    EXPECT_EQ(m.objects[1].texVertices[0].y, 1.5f);
    EXPECT_EQ(m.objects[2].materialId, 7);
    EXPECT_EQ(m.objects[2].texVertices[0].y, 0.5f);
    EXPECT_EQ(m.objects[3].materialId, -1);
    EXPECT_EQ(m.objects[4].materialId, -1);
    EXPECT_EQ(m.objects[5].materialId, -2);
    EXPECT_EQ(m.objects[6].materialId, 0);
}

TEST_F(AseReader, MissingFilesAreReportedOnce) {
    t3DModel& m = models.emplace_back();
    EXPECT_FALSE(reader.ImportASE(&m, "models/no such file.ASE"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Error|Unable to find or open the file: models/no such file.ASE|0");
    EXPECT_EQ(m.objectCount, 0);
    EXPECT_TRUE(m.objects.empty() && m.materials.empty());
    EXPECT_FALSE(reader.ImportASE(nullptr, "x"));
    EXPECT_FALSE(reader.ImportASE(&m, nullptr));
    EXPECT_EQ(messages.size(), 1u);

    // A directory opens but cannot be read: reported the same way, the model untouched.
    EXPECT_FALSE(reader.ImportASE(&m, ScratchPath("").c_str()));
    EXPECT_EQ(messages.size(), 2u);

    // A path too long for the message is cut, not overflowed.
    const std::string path = "models/" + std::string(600, 'p') + ".ASE";
    EXPECT_FALSE(reader.ImportASE(&m, path.c_str()));
    ASSERT_EQ(messages.size(), 3u);
    const std::string text = messages[2].substr(6, messages[2].size() - 8);
    EXPECT_EQ(text.size(), 254u);
    EXPECT_EQ(text, ("Unable to find or open the file: " + path).substr(0, 254));

    EXPECT_EQ(load("*GEOMOBJECT\n").objectCount, 1);
}

// A second import appends zero entries behind the ones it fills again. The old arrays are
// freed; LeakSanitizer would see them otherwise.
TEST_F(AseReader, ASecondImportAppends) {
    const std::string path = WriteScratch("twice.ASE", kTwoObjects);
    t3DModel& m = models.emplace_back();
    ASSERT_TRUE(reader.ImportASE(&m, path.c_str()));
    m.materials[0].textureId = 5;
    ASSERT_TRUE(reader.ImportASE(&m, path.c_str()));
    EXPECT_EQ(m.objectCount, 2);
    EXPECT_EQ(m.materialCount, 1);
    ASSERT_EQ(m.objects.size(), 4u);
    ASSERT_EQ(m.materials.size(), 2u);
    expectVector(m.objects[0].vertices[3], 1.0f, 3.0f, -2.0f);
    EXPECT_EQ(m.materials[0].textureId, 5);
    EXPECT_EQ(m.objects[3].vertices, nullptr);
    EXPECT_EQ(m.objects[3].materialId, 0);
    EXPECT_STREQ(m.materials[1].name, "");

    t3DModel expected;
    ReferenceImport(&expected, path.c_str());
    expected.materials[0].textureId = 5;
    ReferenceImport(&expected, path.c_str());
    EXPECT_EQ(CompareModels(m, expected), "");
    FreeModel(&expected);
}

// A scan ends where its own reading meets the stop word, which need not be where the next range
// starts: here the count scan finds the second object at a 99-character boundary, while the vertex
// pass of the first, which reads the line differently, goes on into the second; and a quoted value
// swallows the next "*MATERIAL", so the first material's range takes in the second's lines.
TEST_F(AseReader, ScansRunOnPastTheNextStart) {
    std::string hidden = "*MESH_VERTEX 0 1 2 3 *JUNK";
    hidden += std::string(111 - hidden.size(), ' ') + "*GEOMOBJECT\n";
    const t3DModel& m = load("*MATERIAL_COUNT 2\n*MATERIAL 0 {\n*BITMAP \"\n*MATERIAL 1 {\n"
                             "*MATERIAL_NAME \"second\"\n}\n"
                             "*GEOMOBJECT {\n*MESH_NUMVERTEX 3\n" +
                             hidden + "*MESH_NUMVERTEX 3\n*MESH_VERTEX 2 5 6 7\n}\n");
    ASSERT_EQ(m.objectCount, 2);
    EXPECT_STREQ(m.materials[0].textureFile, "*MATERIA");
    EXPECT_STREQ(m.materials[0].name, "second");
    EXPECT_STREQ(m.materials[1].name, "second");
    expectVector(m.objects[0].vertices[0], 1.0f, 3.0f, -2.0f);
    expectVector(m.objects[0].vertices[2], 5.0f, 7.0f, -6.0f);
    expectVector(m.objects[1].vertices[0], 0.0f, 0.0f, 0.0f);
    expectVector(m.objects[1].vertices[2], 5.0f, 7.0f, -6.0f);
}

// A stream that cannot be mapped is read whole and gives the same model.
TEST_F(AseReader, PipesAreReadLikeFiles) {
    const std::string fifo = ScratchPath("pipe.ASE");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string content = std::string(kTwoObjects) + std::string(100000, '\n');
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << content; });
    t3DModel& piped = models.emplace_back();
    EXPECT_TRUE(reader.ImportASE(&piped, fifo.c_str()));
    writer.join();
    EXPECT_EQ(CompareModels(piped, load(content)), "");
}

// The two exports in the shared test data, when they are there.
TEST_F(AseReader, RealExports) {
    for (const char* name : {"RotatingCube.ASE", "ThreeCubesGreen.ASE"}) {
        std::ifstream file(std::string("../shared/testdata/ase/") + name, std::ios::binary);
        if (!file)
            GTEST_SKIP() << "no shared test data";
        std::stringstream content;
        content << file.rdbuf();
        const t3DModel& m = load(content.str());
        EXPECT_GT(m.objectCount, 0) << name;
        for (int i = 0; i < m.objectCount; ++i)
            for (int v = 0; v < m.objects[i].vertexCount; ++v) {
                const CVector3 n = m.objects[i].normals[v];
                EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0f, 1e-5f) << name;
            }
    }
}

} // namespace
