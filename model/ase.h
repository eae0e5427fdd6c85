// The ASE reader: a keyword scanner that fills a t3DModel from a 3DS Max ASCII export, then
// gives every vertex a normal.
//
// Each question (how many objects, material n, the counts of object n, its vertices, ...) is a
// scan of its own that reads word by word from where its range starts, acts on its keywords and
// skips the rest of any other line in pieces of at most 99 characters. The file is held in memory
// for the duration of one import and each object and material start is remembered, so that no scan
// has to count its way from the start of the file.
//
// What the reader does with input a plain scanner could not handle:
// - a word or quoted value of any length is read whole; a quoted value keeps its first 254
//   characters;
// - a negative count is taken as 0; a count is bounded by the number of data lines the object's
//   range (up to the next "*GEOMOBJECT") could hold, and "*MATERIAL_COUNT" by the number of
//   "*MATERIAL" words plus kMaxEmptyMaterials;
// - a data line whose index lies outside its array (or whose array was never declared) is read and
//   dropped;
// - texture vertices of an object without a valid material are kept unscaled;
// - a "*MATERIAL_REF" that is no number an int can hold gives materialId -1;
// - new arrays are zero-filled; an array replaced by a later count, import or normal computation
//   is freed;
// - a file that opens but cannot be read is reported like one that cannot be opened.
// ComputeNormals skips faces that name a vertex that does not exist, and a vertex without a
// direction (used by no face, or whose faces cancel) gets the zero normal.
#pragma once

#include "model/asescan.h"
#include "model/model.h"
#include "platform/filemap.h"

#include <cstddef>
#include <cstdio>
#include <vector>

class ase {
  public:
    // Zero materials a "*MATERIAL_COUNT" may declare beyond the file's "*MATERIAL" words.
    static const int kMaxEmptyMaterials = 1024;

    ase() {}
    ~ase() {}

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
    void rewind() { in = {data, data + size}; }
    void closeView();
    template <typename Act> void scan(const char** at, int count, Act act);
    void findStarts();
    std::size_t objectRange(int n) const;
    void readQuoted(char* field);
    void readTexVertex(t3DObject* object, float uTile, float vTile);
    void dataPasses(t3DModel* model, t3DObject* object, int n, const char* const* keywords,
                    int count);

    std::FILE* file = nullptr;
    // The open file's contents and the read position within them.
    FileView view;
    const char* data = nullptr;
    std::size_t size = 0;
    asescan::Input in = {nullptr, nullptr};
    static const std::ptrdiff_t kReleaseStep = 8 << 20;
    // Where each object's and material's range starts (just after its word), and where each
    // object's word begins; found once per import.
    bool startsFound = false;
    std::vector<std::size_t> objectStarts;
    std::vector<std::size_t> objectWords;
    std::vector<std::size_t> materialStarts;
};
