// The model inspection tool, run as model authors run it.
#include "model/ase.h"
#include "reference.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome inspect(const std::string& arguments) {
    const std::string err = ScratchPath("stderr.txt");
    const std::string command = std::string(ASEINSPECT) + " " + arguments + " 2>" + err;
    Outcome run;
    std::FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::FILE* e = std::fopen(err.c_str(), "r");
    while (e && (got = std::fread(buffer, 1, sizeof buffer, e)) > 0)
        run.err.append(buffer, got);
    if (e)
        std::fclose(e);
    return run;
}

TEST(AseInspect, PrintsTheModelAsLoaded) {
    const std::string path = WriteScratch("inspect.ASE", "*MATERIAL_COUNT 1\n*MATERIAL 0 {\n"
                                                         "*MATERIAL_NAME \"a\\\"b\"\n"
                                                         "*BITMAP \"t.bmp\"\n"
                                                         "*MATERIAL_DIFFUSE 0.1 -0 inf\n}\n"
                                                         "*GEOMOBJECT {\n*MESH_NUMVERTEX 1\n"
                                                         "*MESH_NUMFACES 1\n"
                                                         "*MESH_VERTEX 0 1.5 2 3\n"
                                                         "*MESH_FACE 0: A: 0 B: 0 C: 0\n"
                                                         "*MATERIAL_REF 0\n}\n");
    const Outcome run = inspect(path);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, R"({
  "objectCount": 1,
  "materialCount": 1,
  "materials": [
    {"name": "a\\\"b", "textureFile": "t.bmp", "diffuse": [0.1, -0, "Infinity"], "uTile": 0, "vTile": 0, "textureId": 0}
  ],
  "objects": [
    {
      "vertexCount": 1,
      "faceCount": 1,
      "texVertexCount": 0,
      "materialId": 0,
      "hasTexture": false,
      "vertices": [
        [1.5, 3, -2]
      ],
      "normals": [
        [0, 0, 0]
      ],
      "texVertices": null,
      "faces": [
        {"vertexIndex": [0, 0, 0], "texCoordIndex": [0, 0, 0]}
      ]
    }
  ]
}
)");

    const Outcome summary = inspect("--summary " + path);
    EXPECT_EQ(summary.status, 0);
    EXPECT_EQ(summary.out, R"({
  "objectCount": 1,
  "materialCount": 1,
  "objects": [
    {
      "vertexCount": 1,
      "faceCount": 1,
      "texVertexCount": 0
    }
  ]
}
)");
}

TEST(AseInspect, FailuresSayWhatWentWrong) {
    const Outcome missing = inspect(ScratchPath("missing.ASE"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err,
              "aseinspect: Unable to find or open the file: " + ScratchPath("missing.ASE") + "\n");
    EXPECT_EQ(inspect("").status, 2);
    EXPECT_EQ(inspect("--bogus x").status, 2);
    EXPECT_NE(inspect("").err.find("usage"), std::string::npos);
}

// Every float printed reads back to the very float the reader produced.
TEST(AseInspect, FloatsReadBackExactly) {
    std::mt19937 random(5);
    std::string text = "*GEOMOBJECT {\n*MESH_NUMVERTEX 300\n";
    for (int v = 0; v < 300; ++v) {
        char line[128];
        const double scale = std::pow(10.0, static_cast<int>(random() % 40) - 20);
        std::snprintf(line, sizeof line, "*MESH_VERTEX %d %.9g %.9g %.9g\n", v,
                      (random() / 4294967296.0 - 0.5) * scale, random() / 4294967296.0 * scale,
                      (random() % 3) - 1.0);
        text += line;
    }
    const std::string path = WriteScratch("floats.ASE", text + "}\n");
    const Outcome run = inspect(path);
    ASSERT_EQ(run.status, 0);
    t3DModel model;
    ase reader;
    ASSERT_TRUE(reader.ImportASE(&model, path.c_str()));
    std::size_t at = run.out.find("\"vertices\": [");
    ASSERT_NE(at, std::string::npos);
    at = run.out.find('[', at);
    for (int v = 0; v < 300; ++v) {
        at = run.out.find('[', at + 1);
        const char* p = run.out.c_str() + at + 1;
        const float* expected = &model.objects[0].vertices[v].x;
        for (int c = 0; c < 3; ++c) {
            char* end = nullptr;
            const float read = std::strtof(p, &end);
            EXPECT_EQ(std::memcmp(&read, &expected[c], sizeof read), 0) << "vertex " << v;
            p = end + 2;
        }
    }
    FreeModel(&model);
}

} // namespace
