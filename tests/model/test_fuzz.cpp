// The reader against the literal reference reader on generated and mutated files: every count,
// string, index and float must come out the same, bit for bit. Seeded and bounded in time; a
// failure prints its seed.
#include "model/ase.h"
#include "platform/testhooks.h"
#include "reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> split(const char* text, char delimiter = ' ') {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; std::getline(in, w, delimiter);)
        out.push_back(w);
    return out;
}

// Keywords, and words that come close to them.
const std::vector<std::string> kWords =
    split("*GEOMOBJECT *MATERIAL_COUNT *MATERIAL *MATERIAL_DIFFUSE *BITMAP *MATERIAL_NAME "
          "*UVW_U_TILING *UVW_V_TILING *MESH_NUMVERTEX *MESH_NUMFACES *MESH_NUMTVERTEX "
          "*MATERIAL_REF *MESH_VERTEX *MESH_TVERT *MESH_FACE *MESH_TFACE *MESH_VERTEX_LIST "
          "*MATERIAL_ *GEOMOBJECTS *mesh_vertex { } A: C:");

// Numbers that scanf reads in part or not at all, that no float or int can hold, or that wrap to
// 1, 0 or -1 as glibc stores an int.
const std::vector<std::string> kOdd =
    split("2000000000 99999999999 4294967297 -4294967295 99999999999999999999 "
          "-99999999999999999999 9223372036854775808 0x1p3 0x inf -nan nax 1e 1.2.3 . - x 1e39 "
          "1e-50");

// Lines as an export writes them: %c a count, %n an index (%n: with a colon, mostly), %f a number,
// %u a number that cannot be read, %q a quoted value. Vertex and face lines come twice as often, so
// that many vertices have a face of some area to take a normal from.
const std::vector<std::string> kMaterialLines =
    split("*MATERIAL_NAME %q|*BITMAP %q|*MATERIAL_DIFFUSE %f %f %f|*UVW_U_TILING %f|"
          "*UVW_V_TILING %f|*MAP_DIFFUSE {|*MATERIAL_SHINE 0.1000|"
          "*UVW_U_TILING %f *UVW_U_TILING %u|*UVW_V_TILING %f *UVW_V_TILING %u|"
          "*MATERIAL_DIFFUSE %f %f %f *MATERIAL_DIFFUSE %f %u",
          '|');
const std::vector<std::string> kObjectLines = split(
    "*MESH_NUMVERTEX %c|*MESH_NUMFACES %c|*MESH_NUMTVERTEX %c|*MESH_VERTEX %n %f %f %f|"
    "*MESH_TVERT %n %f %f %f|*MESH_TFACE %n: %n %n %n|*MESH_FACENORMAL 0 0.0 0.0 1.0|"
    "*MESH_FACE %n: A: %n B: %n C: %n AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 1 *MESH_MTLID 0|"
    "*MATERIAL_REF %n|*MATERIAL_REF %f|*MESH_VERTEX %n %f %f %f|*MESH_FACE %n: A: %n B: %n C: %n",
    '|');
const std::vector<std::string> kQuoted =
    split("\"two words\"|\"\"|\"|bare|\"\nx.bmp\"|\" x.bmp\"|\"name7.bmp\"|\"a.bmp\"", '|');

class Generator {
  public:
    explicit Generator(unsigned seed) : random(seed) {}

    int pick(int n) { return n <= 0 ? 0 : static_cast<int>(random() % n); }
    template <typename List> auto any(const List& list) {
        return list[pick(static_cast<int>(std::size(list)))];
    }

    // Files of five shapes: plain exports; materials that end on a quote left open, so that the
    // next "*MATERIAL" is read as a value; lines that hide keywords past the 99th character;
    // objects that repeat their count keywords; and ranges that start where some scans of the
    // range before do not see it, so that those run on and meet the next range's scans.
    std::string file() {
        shape = pick(5);
        std::string out = "*3DSMAX_ASCIIEXPORT\t200\n*MATERIAL_LIST {\n";
        out += line("*MATERIAL_COUNT %c");
        for (int m = 0, materials = pick(shape == kOpenQuotes ? 8 : 4); m < materials; ++m) {
            out += start("*MATERIAL", kMaterialLines) + sep() + std::to_string(m) + " {\n";
            for (int i = pick(8); i > 0; --i)
                out += line(any(kMaterialLines));
            out += shape == kOpenQuotes && pick(4)
                       ? (pick(2) ? "*BITMAP \"\n" : "*MATERIAL_NAME \"\n")
                       : "\t}\n";
        }
        out += "}\n";
        for (int o = shape == kMeetingScans ? 2 + pick(7) : pick(shape == kOpenQuotes ? 5 : 8);
             o > 0; --o) {
            out += start("*GEOMOBJECT", kObjectLines) + " {\n\t*NODE_NAME \"box\"\n\t*MESH {\n";
            for (int i = 0; i < 3; ++i)
                out += line(kObjectLines[i]);
            for (int i = pick(30); i > 0; --i)
                out += line(shape == kRepeatedCounts && pick(3) == 0 ? kObjectLines[pick(3)]
                                                                     : any(kObjectLines));
            out += "\t}\n}\n";
        }
        return out;
    }

    // A few random edits anywhere in the text.
    std::string mutate(std::string text) {
        for (int e = 1 + pick(5); e > 0 && !text.empty(); --e) {
            const std::size_t at = random() % text.size();
            const std::size_t span = 1 + random() % 40;
            const int kind = pick(5);
            if (kind == 0)
                text.erase(at, span);
            else if (kind == 1)
                text.insert(at, text.substr(at, span));
            else if (kind == 2)
                text.insert(at, sep() + any(kWords) + sep());
            else if (kind == 3)
                text[at] = " \n\t\"*:0-.e\0x"[pick(12)];
            else
                text.resize(at);
        }
        return text;
    }

  private:
    // Now and then a long decimal, which the reader converts without strtof and must round as
    // strtof does.
    std::string number() {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*f", pick(6) ? 4 : pick(16),
                      (pick(200001) - 100000) / (pick(6) ? 100.0 : 7.0));
        return pick(12) == 0 ? any(kOdd) : buffer;
    }

    std::string sep() {
        static const char* const seps[] = {" ",   "\t", "  ",   "\t\t", "    ",
                                           " \t", "\n", "\r\n", "\v"};
        return pick(50) == 0 ? "" : seps[pick(10) < 8 ? pick(5) : 5 + pick(4)];
    }

    // A range's keyword. Now and then, and in the meeting shape mostly, it ends a line of the range
    // before, padded so that a skip of 99 characters from the end of one of the line's words (most
    // often the first) ends right before it or inside it: scans that skip from later words read on
    // past the range's start and meet the scans of the next range.
    std::string start(const std::string& keyword, const std::vector<std::string>& lines) {
        if (shape == kMeetingScans ? pick(4) == 0 : pick(4) != 0)
            return "\t" + keyword;
        const std::string text = "\t\t" + fill(any(lines));
        std::vector<std::size_t> ends;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (!std::isspace(static_cast<unsigned char>(text[i])) &&
                (i + 1 == text.size() || std::isspace(static_cast<unsigned char>(text[i + 1]))))
                ends.push_back(i + 1);
        const std::size_t end = ends.empty() ? 0 : pick(2) ? ends[0] : any(ends);
        const std::size_t at =
            std::max(text.size() + 1, end + 99 - (pick(4) ? 0 : pick(int(keyword.size()))));
        return text + std::string(at - text.size(), ' ') + keyword;
    }

    // The pattern's words with random separators; now and then a word is replaced by another
    // keyword.
    std::string fill(const std::string& pattern) {
        std::istringstream words(pattern);
        std::string text;
        std::string w;
        // Lines cut short, in the meeting shape, so that scans that met hold values read in part.
        for (int n = 0; words >> w && !(shape == kMeetingScans && n > 1 && pick(8) == 0); ++n) {
            if (w == "%c" || w.substr(0, 2) == "%n")
                w = (pick(12) == 0   ? any(kOdd)
                     : pick(12) == 0 ? "-1"
                                     : std::to_string(w == "%c" ? 3 + pick(6) : pick(6))) +
                    (w.size() > 2 && pick(6) ? ":" : "");
            else if (w == "%f")
                w = number();
            else if (w == "%u")
                w = any(split("- + x . nax -x"));
            else if (w == "%q")
                w = pick(8) ? any(kQuoted) : "\"" + std::string(240 + pick(40), 'q') + "\"";
            else if (pick(40) == 0)
                w = any(kWords);
            text += (text.empty() ? "" : sep()) + w;
        }
        return text;
    }

    // A filled pattern; now and then the line gets a word in front (so it is skipped), padding
    // past 99 characters, or a keyword behind it, often where one scan sees it and another does
    // not.
    std::string line(const std::string& pattern) {
        std::string text = fill(pattern);
        if (pick(20) == 0)
            text = "*JUNK" + sep() + text;
        const bool hide = shape == kHiddenKeywords;
        if (pick(hide ? 3 : 20) == 0)
            text = "*PAD" + std::string(85 + pick(30), ' ') + text;
        if (pick(hide ? 3 : 10) == 0)
            text += sep() + (pick(2) ? "" : "*JUNK" + std::string(80 + pick(40), ' ')) +
                    (pick(2) ? any(kWords) : "*GEOMOBJECT") + sep() + number();
        if (pick(30) == 0)
            text += '\0';
        return "\t\t" + text + "\n";
    }

    enum { kPlain, kOpenQuotes, kHiddenKeywords, kRepeatedCounts, kMeetingScans };
    std::mt19937 random;
    int shape = kPlain;
};

// Imports into one model: empty when the reader's and the reference's results agree and no normal
// is NaN or infinite, whatever the coordinates.
std::string importDifference(const std::vector<std::string>& paths) {
    ase reader;
    t3DModel ours;
    t3DModel expected;
    for (const std::string& path : paths) {
        reader.ImportASE(&ours, path.c_str());
        ReferenceImport(&expected, path.c_str());
    }
    std::string difference = CompareModels(ours, expected);
    for (int i = 0; i < ours.objectCount; ++i)
        for (int v = 0; v < ours.objects[i].vertexCount; ++v) {
            const CVector3& n = ours.objects[i].normals[v];
            if (!std::isfinite(n.x + n.y + n.z))
                difference = "a normal is not finite";
        }
    releaseModel(ours);
    releaseModel(expected);
    return difference;
}

// Every other file gets a few random edits; now and then a second import into the same model
// follows, of the same file or another one.
TEST(AseReaderAgainstReference, GeneratedAndMutatedFiles) {
    SetMessageBoxHook([](const char*, const char*, UINT) { return IDOK; });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    for (unsigned seed = 1; std::chrono::steady_clock::now() < deadline; ++seed) {
        Generator g(seed);
        const std::string path =
            WriteScratch("generated.ASE", seed % 2 ? g.mutate(g.file()) : g.file());
        std::vector<std::string> paths = {path};
        if (g.pick(8) == 0)
            paths.push_back(g.pick(2) ? path : WriteScratch("second.ASE", Generator(~seed).file()));
        ASSERT_EQ(importDifference(paths), "") << "seed " << seed;
    }
}

} // namespace
