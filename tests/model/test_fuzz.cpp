// The reader against the literal reference reader on many generated and mutated files: every
// count, string, index and float must come out the same, bit for bit. Seeded and bounded in time;
// a failing file is kept and its seed printed.
#include "model/ase.h"
#include "platform/testhooks.h"
#include "reference.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kKeywords[] = {"*GEOMOBJECT",
                                 "*MATERIAL_COUNT",
                                 "*MATERIAL",
                                 "*MATERIAL_DIFFUSE",
                                 "*BITMAP",
                                 "*MATERIAL_NAME",
                                 "*UVW_U_TILING",
                                 "*UVW_V_TILING",
                                 "*MESH_NUMVERTEX",
                                 "*MESH_NUMFACES",
                                 "*MESH_NUMTVERTEX",
                                 "*MATERIAL_REF",
                                 "*MESH_VERTEX",
                                 "*MESH_TVERT",
                                 "*MESH_FACE",
                                 "*MESH_TFACE",
                                 "*MESH_VERTEX_LIST",
                                 "*MESH_FACENORMAL",
                                 "*MATERIAL_",
                                 "*GEOMOBJECTS",
                                 "*mesh_vertex",
                                 "{",
                                 "}",
                                 "*MAP_DIFFUSE",
                                 "A:",
                                 "B:",
                                 "C:",
                                 "AB:"};

class Generator {
  public:
    explicit Generator(unsigned seed) : random(seed) {}

    std::string file() {
        std::string out = "*3DSMAX_ASCIIEXPORT\t200\n*MATERIAL_LIST {\n";
        const int materials = pick(4);
        out += "\t*MATERIAL_COUNT" + sep() + count(materials) + "\n";
        for (int m = 0; m < materials; ++m)
            out += material(m);
        out += "}\n";
        const int objects = pick(5);
        for (int o = 0; o < objects; ++o)
            out += object();
        return out;
    }

    // A few random edits anywhere in the text.
    std::string mutate(std::string text) {
        const int edits = 1 + pick(5);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const std::size_t at = random() % text.size();
            const std::size_t span = 1 + random() % 40;
            switch (pick(5)) {
            case 0:
                text.erase(at, span);
                break;
            case 1:
                text.insert(at, text.substr(at, span));
                break;
            case 2:
                text.insert(at, sep() + kKeywords[pick(std::size(kKeywords))] + sep());
                break;
            case 3:
                text[at] = " \n\t\"*:0-.e\0x"[pick(12)];
                break;
            default:
                text.resize(at);
            }
        }
        return text;
    }

    int pick(int n) { return n <= 0 ? 0 : static_cast<int>(random() % n); }

  private:
    std::string sep() {
        static const char* const seps[] = {" ",   "\t", "  ",   "\t\t", "    ",
                                           " \t", "\n", "\r\n", "\v"};
        return seps[pick(10) < 8 ? pick(5) : 5 + pick(4)];
    }

    std::string number() {
        switch (pick(12)) {
        case 0:
            return std::to_string(pick(20) - 3);
        case 1: {
            static const char* const odd[] = {"2000000000", "99999999999", "-5",    "0x1p3", "inf",
                                              "-nan",       "1e",          "1.2.3", ".",     "-",
                                              "nax",        "x",           "1e39",  "1e-50", "0x",
                                              "+.5E+1",     "infinity"};
            return odd[pick(std::size(odd))];
        }
        case 2:
            return std::to_string(random() % 100000) + "." + std::to_string(random() % 1000000000);
        default: {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%.4f", (pick(200001) - 100000) / 100.0);
            return buffer;
        }
        }
    }

    std::string count(int n) {
        switch (pick(14)) {
        case 0:
            return "-" + std::to_string(1 + pick(3));
        case 1:
            return "2000000000";
        case 2:
            return std::to_string(n + 1 + pick(3));
        case 3:
            return "x";
        default:
            return std::to_string(n);
        }
    }

    std::string index(int n) {
        switch (pick(12)) {
        case 0:
            return "-1";
        case 1:
            return std::to_string(n + pick(3));
        case 2:
            return "";
        default:
            return std::to_string(pick(n));
        }
    }

    std::string quoted() {
        switch (pick(8)) {
        case 0:
            return "\"two words\"";
        case 1:
            return "\"" + std::string(240 + pick(40), 'q') + "\"";
        case 2:
            return "\"\"";
        case 3:
            return "bare";
        case 4:
            return "\"" + std::string(1, "\n a"[pick(3)]) + "x.bmp\"";
        default:
            return "\"name" + std::to_string(pick(100)) + ".bmp\"";
        }
    }

    // Sometimes a line gets a word in front (so it is skipped), padding past 99 characters, or
    // a second keyword behind it.
    std::string line(std::string text) {
        const int twist = pick(20);
        if (twist == 0)
            text = "*JUNK" + sep() + text;
        else if (twist == 1)
            text = "*PAD" + std::string(85 + pick(30), ' ') + text;
        else if (twist == 2)
            text += sep() + kKeywords[pick(std::size(kKeywords))] + sep() + number();
        else if (twist == 3)
            text += std::string(1, '\0');
        return "\t\t" + text + "\n";
    }

    std::string material(int m) {
        std::string out = "\t*MATERIAL" + sep() + std::to_string(m) + " {\n";
        const int lines = pick(8);
        for (int i = 0; i < lines; ++i) {
            switch (pick(7)) {
            case 0:
                out += line("*MATERIAL_NAME" + sep() + quoted());
                break;
            case 1:
                out += line("*MATERIAL_DIFFUSE" + sep() + number() + sep() + number() + sep() +
                            number());
                break;
            case 2:
                out += line("*BITMAP" + sep() + quoted());
                break;
            case 3:
                out += line("*UVW_U_TILING" + sep() + number());
                break;
            case 4:
                out += line("*UVW_V_TILING" + sep() + number());
                break;
            case 5:
                out += line("*MAP_DIFFUSE {");
                break;
            default:
                out += line("*MATERIAL_SHINE 0.1000");
            }
        }
        return out + "\t}\n";
    }

    std::string object() {
        const int vertices = pick(8);
        const int faces = pick(8);
        const int tverts = pick(6);
        std::string out = "*GEOMOBJECT {\n\t*NODE_NAME \"box\"\n\t*MESH {\n";
        std::vector<std::string> lines = {line("*MESH_NUMVERTEX" + sep() + count(vertices)),
                                          line("*MESH_NUMFACES" + sep() + count(faces)),
                                          line("*MESH_NUMTVERTEX" + sep() + count(tverts))};
        for (int v = 0; v < vertices + pick(2); ++v)
            lines.push_back(line("*MESH_VERTEX" + sep() + index(vertices) + sep() + number() +
                                 sep() + number() + sep() + number()));
        for (int f = 0; f < faces + pick(2); ++f) {
            const std::string colon = pick(6) ? ":" : "";
            lines.push_back(
                line("*MESH_FACE" + sep() + index(faces) + colon + sep() + "A:" + sep() +
                     index(vertices) + sep() + "B:" + sep() + index(vertices) + sep() +
                     (pick(8) ? "C:" : "D:") + sep() + index(vertices) +
                     " AB:    1 BC:    1 CA:    0\t *MESH_SMOOTHING 1 \t*MESH_MTLID 0"));
            lines.push_back(line("*MESH_TFACE" + sep() + index(faces) + (pick(3) ? "" : ":") +
                                 sep() + index(tverts) + sep() + index(tverts) + sep() +
                                 index(tverts)));
            lines.push_back(line("*MESH_FACENORMAL 0 0.0 0.0 1.0"));
        }
        for (int t = 0; t < tverts + pick(2); ++t)
            lines.push_back(line("*MESH_TVERT" + sep() + index(tverts) + sep() + number() + sep() +
                                 number() + sep() + number()));
        if (pick(4))
            lines.push_back(
                line("*MATERIAL_REF" + sep() + (pick(4) ? std::to_string(pick(4) - 1) : number())));
        // Counts usually come first, but not always.
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (pick(10) == 0)
                std::swap(lines[i], lines[random() % lines.size()]);
        for (const std::string& l : lines)
            out += l;
        return out + "\t}\n}\n";
    }

    std::mt19937 random;
};

// Imports into one model: the reader's and the reference's results must agree.
::testing::AssertionResult sameImports(const std::vector<std::string>& paths, unsigned seed) {
    ase reader;
    t3DModel ours;
    t3DModel expected;
    for (const std::string& path : paths) {
        reader.ImportASE(&ours, path.c_str());
        ReferenceImport(&expected, path.c_str());
    }
    const std::string difference = CompareModels(ours, expected);
    FreeModel(&ours);
    FreeModel(&expected);
    if (difference.empty())
        return ::testing::AssertionSuccess();
    const std::string kept = "/tmp/model-fuzz-" + std::to_string(seed) + ".ASE";
    std::ifstream in(paths.back(), std::ios::binary);
    std::ofstream(kept, std::ios::binary) << in.rdbuf();
    return ::testing::AssertionFailure()
           << "seed " << seed << ": " << difference << " (file kept as " << kept << ")";
}

void run(const char* what, bool mutated, std::chrono::milliseconds budget) {
    SetMessageBoxHook([](const char*, const char*, UINT) { return IDOK; });
    std::vector<std::string> seeds;
    for (const char* name : {"RotatingCube.ASE", "ThreeCubesGreen.ASE"}) {
        std::ifstream file(std::string("../shared/testdata/ase/") + name, std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        if (file)
            seeds.push_back(content.str());
    }
    const auto deadline = std::chrono::steady_clock::now() + budget;
    int files = 0;
    for (unsigned seed = 1; std::chrono::steady_clock::now() < deadline; ++seed, ++files) {
        Generator g(seed);
        std::string text = g.file();
        if (mutated) {
            if (!seeds.empty() && g.pick(3) == 0)
                text = seeds[g.pick(static_cast<int>(seeds.size()))];
            text = g.mutate(text);
        }
        const std::string path = WriteScratch(std::string(what) + ".ASE", text);
        std::vector<std::string> paths = {path};
        // Now and then a second import into the same model, of the same file or another one.
        if (g.pick(8) == 0)
            paths.push_back(g.pick(2) ? path
                                      : WriteScratch(std::string(what) + "-2.ASE",
                                                     Generator(seed + 100000).file()));
        ASSERT_TRUE(sameImports(paths, seed));
    }
    SetMessageBoxHook(nullptr);
    std::printf("%s: %d files compared\n", what, files);
}

TEST(AseReaderAgainstReference, GeneratedFiles) {
    run("generated", false, std::chrono::milliseconds(2500));
}

TEST(AseReaderAgainstReference, MutatedFiles) {
    run("mutated", true, std::chrono::milliseconds(2500));
}

} // namespace
