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
#include <utility>

namespace {

// The exit status, and what the tool wrote to standard output and error.
std::pair<int, std::string> inspect(const std::string& arguments) {
    std::FILE* pipe = popen((std::string(ASEDUMP) + " " + arguments + " 2>&1").c_str(), "r");
    std::string out;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, got);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

// Every float printed reads back to the very float the reader produced; strings are escaped and
// infinities spelled out; --summary keeps only the counts.
TEST(AseDump, PrintsTheModelAsLoaded) {
    std::mt19937 random(5);
    std::string text = "*MATERIAL_COUNT 1\n*MATERIAL 0 {\n*MATERIAL_NAME \"a\\\"b\"\n"
                       "*MATERIAL_DIFFUSE 0.1 -0 inf\n}\n*GEOMOBJECT {\n*MESH_NUMVERTEX 300\n";
    for (int v = 0; v < 300; ++v) {
        char line[128];
        const double scale = std::pow(10.0, static_cast<int>(random() % 40) - 20);
        std::snprintf(line, sizeof line, "*MESH_VERTEX %d %.9g %.9g %.9g\n", v,
                      (random() / 4294967296.0 - 0.5) * scale, random() / 4294967296.0 * scale,
                      (random() % 3) - 1.0);
        text += line;
    }
    const std::string path = WriteScratch("floats.ASE", text + "}\n");
    const auto [status, out] = inspect(path);
    ASSERT_EQ(status, 0);
    EXPECT_NE(out.find(R"({"name": "a\\\"b", "textureFile": "", "diffuse": [0.1, -0, "Infinity"])"),
              std::string::npos);
    t3DModel model;
    ASSERT_TRUE(ase().ImportASE(&model, path.c_str()));
    std::size_t at = out.find('[', out.find("\"vertices\": ["));
    for (int v = 0; v < 300; ++v) {
        at = out.find('[', at + 1);
        const char* p = out.c_str() + at + 1;
        for (int c = 0; c < 3; ++c) {
            char* end = nullptr;
            const float read = std::strtof(p, &end);
            EXPECT_EQ(std::memcmp(&read, &model.objects[0].vertices[v].x + c, sizeof read), 0)
                << "vertex " << v;
            p = end + 2;
        }
    }
    releaseModel(model);
    const std::string summary = inspect("--summary " + path).second;
    EXPECT_EQ(summary.find("\"vertices\""), std::string::npos);
    EXPECT_NE(
        summary.find("\"materialCount\": 1,\n  \"objects\": [\n    {\n      \"vertexCount\": 300"),
        std::string::npos);
}

TEST(AseDump, FailuresExitWithTheirStatus) {
    const std::string missing = ScratchPath("missing.ASE");
    EXPECT_EQ(inspect(missing),
              std::make_pair(1, "asedump: Unable to find or open the file: " + missing + "\n"));
    EXPECT_EQ(inspect("").first, 2);
    EXPECT_NE(inspect("--bogus x").second.find("usage"), std::string::npos);
}

} // namespace
