// The reader on hand-written files, for the defined results that a random file seldom spells:
// overlong words, the budget of entries, a second import, unreadable files and pipes. Every file
// is also read by the reference reader and must give the same model; what each keyword sets is
// pinned there.
#include "model/ase.h"
#include "platform/testhooks.h"
#include "reference.h"
#include "tools/asegen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <list>
#include <new>
#include <string>
#include <vector>

// Heap bytes in use and their peak, counted by every form of operator new and delete below. Each
// block carries its size in front of it.
namespace {
std::size_t g_heapInUse = 0;
std::size_t g_heapPeak = 0;
constexpr std::size_t kHeader = 16;

void* counted(std::size_t size) noexcept {
    char* block = static_cast<char*>(std::malloc(size + kHeader));
    if (block == nullptr)
        return nullptr;
    std::memcpy(block, &size, sizeof size);
    g_heapInUse += size;
    g_heapPeak = std::max(g_heapPeak, g_heapInUse);
    return block + kHeader;
}

void uncounted(void* p) noexcept {
    if (p == nullptr)
        return;
    char* block = static_cast<char*>(p) - kHeader;
    std::size_t size;
    std::memcpy(&size, block, sizeof size);
    g_heapInUse -= size;
    std::free(block);
}

void* countedOrThrow(std::size_t size) {
    if (void* p = counted(size))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size) {
    return countedOrThrow(size);
}
void* operator new[](std::size_t size) {
    return countedOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return counted(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return counted(size);
}
void operator delete(void* p) noexcept {
    uncounted(p);
}
void operator delete[](void* p) noexcept {
    uncounted(p);
}
void operator delete(void* p, std::size_t) noexcept {
    uncounted(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    uncounted(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    uncounted(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    uncounted(p);
}

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
            releaseModel(m);
    }

    // Imports the file `imports` times into one model, and the reference likewise.
    t3DModel& load(const std::string& content, int imports = 1) {
        const std::string path = WriteScratch("model.ASE", content);
        t3DModel& m = models.emplace_back();
        t3DModel expected;
        for (int i = 0; i < imports; ++i) {
            EXPECT_TRUE(reader.ImportASE(&m, path.c_str()));
            ReferenceImport(&expected, path.c_str());
        }
        EXPECT_EQ(CompareModels(m, expected), "");
        releaseModel(expected);
        return m;
    }

    // The most heap an import of the file takes at once, over what was in use before it.
    std::size_t peakOfImport(const std::string& content) {
        const std::string path = WriteScratch("model.ASE", content);
        t3DModel& m = models.emplace_back();
        const std::size_t before = g_heapInUse;
        g_heapPeak = before;
        EXPECT_TRUE(reader.ImportASE(&m, path.c_str()));
        return g_heapPeak - before;
    }

    ase reader;
    std::list<t3DModel> models;
    std::vector<std::string> messages;
};

// A quoted value keeps its first 254 characters and the line goes on after it; words of any
// length are one word, and what follows one on its line is skipped. The normals of faces of
// different sizes that share corners, with a corner that does not exist, or one named twice, are
// compared too.
const std::string kLongName(400, 'n');
const std::string kLongWord(5000, 'w');
const std::string kTwoObjects = "*MATERIAL_COUNT 1\n*MATERIAL 0 {\n*MATERIAL_NAME \"" + kLongName +
                                "\" *BITMAP \"textures\\wood.bmp\"\n" + R"(}
*GEOMOBJECT {
	*MESH_NUMVERTEX 4
	*MESH_NUMFACES 4
	*MESH_VERTEX    0	0.0000	0.0000	0.0000
	*MESH_VERTEX    1	2.0000	0.0000	0.0000
	*MESH_VERTEX    2	0.0000	1.0000	0.0000
	*MESH_VERTEX    3	0.0000	0.0000	3.0000
	*MESH_FACE    0:    A:    0 B:    1 C:    2 AB:    1 BC:    1 CA:    0	 *MESH_SMOOTHING 1
	*MESH_FACE    1:    A:    0 B:    3 C:    1
	*MESH_FACE    2:    A:    4 B:    5 C:    6
	*MESH_FACE    3:    A:    1 B:    1 C:    2
	*MATERIAL_REF 0
}
*GEOMOBJECT {
}
)" + kLongWord + " *GEOMOBJECT\n*" +
                                kLongWord + "*GEOMOBJECT\n";

// A second import fills the first entries again in place and appends nothing behind them; the
// arrays it replaces are freed, which LeakSanitizer checks.
TEST_F(AseReader, OverlongWordsQuotedValuesAndASecondImport) {
    const t3DModel& m = load(kTwoObjects, 2);
    EXPECT_EQ(m.objectCount, 2);
    EXPECT_EQ(m.objects.size(), 2u);
    EXPECT_EQ(m.materials.size(), 1u);
    EXPECT_EQ(m.materials[0].name, kLongName.substr(0, 254));
    EXPECT_STREQ(m.materials[0].textureFile, "textures\\wood.bmp");
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
    EXPECT_EQ(sparse.faceCount, 7);
    const t3DObject& o = m.objects[1];
    EXPECT_EQ(o.vertexCount, static_cast<int>(ase::kMinEntries) - 100 - 7);
    EXPECT_EQ(o.faceCount, 0);
    // 99999999999 wraps to 1215752191 as scanf stores it; nothing is left for it.
    EXPECT_EQ(o.texVertexCount, 0);
}

// A file that cannot be opened or read is reported once, the path cut to fit the message, and the
// model is left untouched. A pipe, which cannot be mapped, is read like a file.
TEST_F(AseReader, UnreadableFilesAreReportedAndPipesRead) {
    t3DModel& m = models.emplace_back();
    const std::string directory = ScratchPath("");
    const std::string path = "models/" + std::string(600, 'p') + ".ASE";
    EXPECT_FALSE(reader.ImportASE(nullptr, "x"));
    EXPECT_FALSE(reader.ImportASE(&m, nullptr));
    for (const std::string& file : {directory, path})
        EXPECT_FALSE(reader.ImportASE(&m, file.c_str()));
    // The caption, then the first 254 characters of the text.
    const std::string text = "Error|Unable to find or open the file: ";
    EXPECT_EQ(messages, (std::vector<std::string>{text + directory + "|0",
                                                  (text + path).substr(0, 260) + "|0"}));
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

// Scans that meet read on as one and keep their writes for their members until the end: no more
// of them than the members' arrays hold. Two objects whose face passes meet before a megabyte of
// face lines take no more memory than the same lines in one object.
TEST_F(AseReader, PassesThatMeetKeepNoMoreThanOnePass) {
    const std::size_t plain = peakOfImport(asegen::faceLines(1 << 20, false));
    const std::size_t merged = peakOfImport(asegen::faceLines(1 << 20, true));
    EXPECT_LE(merged, plain + plain / 16) << "one object: " << plain << " bytes";
}

// Three objects whose face passes meet one after the other: a line that reads only some values
// leaves the others as the lines before it wrote them, and every member gets the last of each.
TEST_F(AseReader, PassesThatMeetKeepTheLastOfEachValue) {
    const std::string faces = "\t*MESH_NUMFACES 2\n";
    const t3DModel& m = load("*GEOMOBJECT {\n" + faces + asegen::hiddenObject() + faces +
                             "*MESH_FACE 1: A: 7 B: 8 C: 9\n*MESH_FACE 1: A: 5\n" +
                             asegen::hiddenObject() + faces + "*MESH_FACE 1: A: 4\n");
    ASSERT_EQ(m.objectCount, 3);
    for (int i = 0; i < 3; ++i) {
        const int* corners = m.objects[i].faces[1].vertexIndex;
        EXPECT_EQ(std::vector<int>(corners, corners + 3),
                  (i < 2 ? std::vector<int>{4, 8, 9} : std::vector<int>{4, 0, 0}))
            << "object " << i;
    }
}

} // namespace
