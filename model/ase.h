// The ASE reader: a keyword scanner that fills a t3DModel from a 3DS Max ASCII export, then
// gives every vertex a normal.
//
// Each question (how many objects, material n, the counts of object n, its vertices, ...) is a
// scan of its own that reads word by word from where its range starts, acts on its keywords and
// skips the rest of any other line in pieces of at most 99 characters. The file is held in memory
// for the duration of one import, and one pass over it notes every line that some scan acts on
// and where the objects' and materials' ranges start. A scan then goes from noted line to noted
// line and reads only where it acts or where a line is too long or too odd for that shortcut. A
// scan's way through the file depends only on where it stands and on its own keywords, so scans
// of one kind (all material scans, all vertex passes, ...) run side by side in file order, and two
// that meet go on as one: every file reads in time linear in its size, whatever its lines hide.
// Scans that met keep their writes for their members until the end, folded to one per entry, so
// that they hold no more than their members' arrays, however many lines they read.
// Kinds that write apart (the four data passes; the counts and the material numbers) also go
// through the file together, so that each page of it is read while it is at hand.
//
// What the reader does with input a plain scanner could not handle:
// - a word or quoted value of any length is read whole; a quoted value keeps its first 254
//   characters;
// - "*MATERIAL_COUNT" is bounded by the number of "*MATERIAL" words plus kMaxEmptyMaterials;
// - the arrays of a file share a budget of entries, the larger of kMinEntries (or a lower floor
//   set with setMinEntries) and the file's size divided by kBytesPerEntry (the shortest data line
//   a file can hold). Objects in file order, and within one its vertex, face and texture vertex
//   counts in this order, take what they declare, a negative count being 0, as long as the budget
//   lasts; a count beyond what is left gets what is left;
// - a data line whose index lies outside its array (or whose array was never declared) is read and
//   dropped;
// - texture vertices of an object without a valid material are kept unscaled;
// - a "*MATERIAL_REF" that is no number an int can hold gives materialId -1;
// - new arrays are zero-filled; an array replaced by a later import or normal computation is
//   freed, and an object's repeated count keywords make one array, of the last count;
// - an import appends no entries behind the ones it fills (see ReadAseFile);
// - a file that opens but cannot be read is reported like one that cannot be opened.
// ComputeNormals skips faces that name a vertex that does not exist, and a vertex without a
// direction (used by no face, or whose faces cancel) gets the zero normal.
#pragma once

#include "model/asescan.h"
#include "model/model.h"
#include "platform/filemap.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <vector>

class ase {
  public:
    // Zero materials a "*MATERIAL_COUNT" may declare beyond the file's "*MATERIAL" words.
    static constexpr int kMaxEmptyMaterials = 1024;
    // The entry budget of a file: at least kMinEntries, else one per kBytesPerEntry bytes.
    static constexpr std::size_t kMinEntries = 1 << 20;
    static constexpr std::size_t kBytesPerEntry = 11;

    ase() {}
    ~ase() {}

    // Lowers the budget's floor for the imports that follow. Only the fuzz target does: there a
    // tiny input declaring a million entries would otherwise fill and draw that many on every run.
    void setMinEntries(std::size_t entries) { minEntries = entries; }

    bool ImportASE(t3DModel* model, const char* path);
    void ReadAseFile(t3DModel* model);
    int GetObjectCount();
    int GetMaterialCount();
    void GetTextureInfo(tMaterialInfo* material, int n);
    void MoveToObject(int n);
    float ReadFloat();
    void ReadObjectInfo(t3DObject* object, int n);
    void GetTextureName(tMaterialInfo* material);
    void GetMaterialName(tMaterialInfo* material);
    void ReadObjectData(t3DModel* model, t3DObject* object, int n);
    void GetData(t3DModel* model, t3DObject* object, const char* keyword, int n);
    void ReadVertex(t3DObject* object);
    void ReadTextureVertex(t3DObject* object, tMaterialInfo material);
    void ReadFace(t3DObject* object);
    void ReadTextureFace(t3DObject* object);
    void ComputeNormals(t3DModel* model);

  private:
    // Where a scan stands: its place in the file, the merge node whose writes it makes, and the
    // first noted line at or after its place.
    struct Cursor {
        const char* pos;
        int node;
        std::size_t line;
    };

    void closeView();
    void noteLines();
    void findStarts();
    bool isLineStart(const char* p) const;
    const char* placeOf(std::size_t line) const;
    Cursor cursorAt(const char* p, int node) const;
    std::vector<Cursor> cursors(const std::vector<std::size_t>& starts, int firstNumber, int count);
    template <typename Kind> bool step(Kind& kind, const bool* passes, Cursor& c);
    template <typename Kind> void advance(Kind& kind, std::vector<Cursor>& heap, const char* until);
    using Walk = std::function<bool(const char* until)>;
    template <typename Kind> Walk walkOf(Kind& kind, std::vector<Cursor> cursors);
    void walk(std::vector<Walk> walks);
    template <typename Kind> void walk(Kind& kind, std::vector<Cursor> cursors);
    void readMaterials(tMaterialInfo* first, int firstNumber, int count);
    void readCounts(t3DObject* first, int firstNumber, int count);
    void readMaterialRefs(t3DObject* first, int firstNumber, int count);
    void readCountsAndMaterialRefs(t3DObject* first, int firstNumber, int count);
    void readData(t3DModel* model, t3DObject* first, int firstNumber, int count,
                  std::initializer_list<int> keywords);
    // The scans hand back the pages behind them in steps of this many bytes, so that a huge file
    // is never resident as a whole.
    static const std::ptrdiff_t kReleaseStep = 2 << 20;

    std::FILE* file = nullptr;
    std::size_t minEntries = kMinEntries;
    // The open file's contents and the read position within them.
    FileView view;
    const char* data = nullptr;
    std::size_t size = 0;
    asescan::Input in = {nullptr, nullptr};
    // The lines some scan acts on, or that are too long or odd to pass over: the place of the
    // line's first word in the low 56 bits, what the line holds in the high 8. Eight bytes a noted
    // line, the most memory an import takes besides the model.
    std::vector<std::uint64_t> lines;
    // Where each object's and material's range starts (the first word after its keyword), and
    // the first word of the file; found once per import, as is the budget of entries left.
    bool startsFound = false;
    std::vector<std::size_t> objectStarts;
    std::vector<std::size_t> materialStarts;
    std::size_t entriesLeft = 0;
    const char* firstWord = nullptr;
};
