#include "model/ase.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

using asescan::Word;

namespace {

enum Keyword {
    kOther,
    kGeomObject,
    kMaterialCount,
    kMaterial,
    kDiffuse,
    kBitmap,
    kMaterialName,
    kUTiling,
    kVTiling,
    kNumVertex,
    kNumFaces,
    kNumTVertex,
    kMaterialRef,
    kVertex,
    kTexVertex,
    kFace,
    kTexFace
};

struct KeywordName {
    const char* text;
    std::size_t length;
    Keyword keyword;
};

#define KEYWORD(text, keyword)                                                                     \
    { text, sizeof text - 1, keyword }
const KeywordName kKeywords[] = {KEYWORD("*GEOMOBJECT", kGeomObject),
                                 KEYWORD("*MATERIAL_COUNT", kMaterialCount),
                                 KEYWORD("*MATERIAL", kMaterial),
                                 KEYWORD("*MATERIAL_DIFFUSE", kDiffuse),
                                 KEYWORD("*BITMAP", kBitmap),
                                 KEYWORD("*MATERIAL_NAME", kMaterialName),
                                 KEYWORD("*UVW_U_TILING", kUTiling),
                                 KEYWORD("*UVW_V_TILING", kVTiling),
                                 KEYWORD("*MESH_NUMVERTEX", kNumVertex),
                                 KEYWORD("*MESH_NUMFACES", kNumFaces),
                                 KEYWORD("*MESH_NUMTVERTEX", kNumTVertex),
                                 KEYWORD("*MATERIAL_REF", kMaterialRef),
                                 KEYWORD("*MESH_VERTEX", kVertex),
                                 KEYWORD("*MESH_TVERT", kTexVertex),
                                 KEYWORD("*MESH_FACE", kFace),
                                 KEYWORD("*MESH_TFACE", kTexFace)};
#undef KEYWORD

// Which keyword a word is, if any: a whole, case-sensitive match of what C code sees of it.
Keyword classify(const char* text, std::size_t length) {
    if (length < 7 || length > 17 || text[0] != '*')
        return kOther;
    for (const KeywordName& k : kKeywords)
        if (k.length == length && std::memcmp(k.text, text, length) == 0)
            return k.keyword;
    return kOther;
}

bool isDataKeyword(Keyword k) {
    return k >= kMaterialRef;
}

// What a scan does after a word: send the rest of the line away, go on with the next word of
// the same line, or end.
enum Step { kSkipLine, kNextWord, kStop };

// How many entries a range of `bytes` could set: each needs a line of its own that starts with
// the keyword and a separator.
template <std::size_t N> int capacity(std::size_t bytes, const char (&)[N]) {
    return static_cast<int>(std::min<std::size_t>(bytes / N, INT_MAX));
}

// Replaces an array with a new, zero-filled one of `count` entries. Without the memory for it the
// count becomes 0.
template <typename T> void replaceArray(T*& array, int& count) {
    delete[] array;
    if (count < 0)
        count = 0;
    array = new (std::nothrow) T[static_cast<std::size_t>(count)]();
    if (array == nullptr)
        count = 0;
}

// A count keyword: "%d" sets the count (a value that cannot be read leaves it), and the array is
// created anew with that many entries.
template <typename T> void readCount(asescan::Input& in, int& count, T*& array, int limit) {
    int value = 0;
    if (asescan::readInt(in, value))
        count = std::clamp(value, 0, limit);
    replaceArray(array, count);
}

bool inRange(int index, int count) {
    return index >= 0 && index < count;
}

// The file gives the material number as a float, taken truncated toward zero; one that no int can
// hold names no material.
int materialNumber(float value) {
    if (!(value >= -2147483648.0f && value < 2147483648.0f))
        return -1;
    return static_cast<int>(value);
}

} // namespace

bool ase::ImportASE(t3DModel* model, const char* path) {
    if (model == nullptr || path == nullptr)
        return false;
    file = std::fopen(path, "r");
    if (file != nullptr && !view.open(file)) {
        std::fclose(file);
        file = nullptr;
    }
    if (file == nullptr) {
        char message[255];
        std::snprintf(message, sizeof message, "Unable to find or open the file: %s", path);
        MessageBoxA(nullptr, message, "Error", MB_OK);
        return false;
    }
    data = view.data();
    size = view.size();
    rewind();
    ReadAseFile(model);
    ComputeNormals(model);
    closeView();
    std::fclose(file);
    file = nullptr;
    return true;
}

void ase::closeView() {
    view.close();
    std::vector<std::size_t>().swap(objectStarts);
    std::vector<std::size_t>().swap(objectWords);
    std::vector<std::size_t>().swap(materialStarts);
    startsFound = false;
    data = nullptr;
    size = 0;
    in = {nullptr, nullptr};
}

void ase::ReadAseFile(t3DModel* model) {
    model->objectCount = GetObjectCount();
    const long declared = GetMaterialCount();
    model->materialCount = static_cast<int>(std::clamp<long>(
        declared, 0, static_cast<long>(materialStarts.size()) + kMaxEmptyMaterials));

    model->materials.reserve(model->materials.size() + model->materialCount);
    for (int i = 1; i <= model->materialCount; ++i) {
        model->materials.push_back(tMaterialInfo{});
        GetTextureInfo(&model->materials[i - 1], i);
    }
    model->objects.reserve(model->objects.size() + model->objectCount);
    for (int i = 1; i <= model->objectCount; ++i) {
        model->objects.push_back(t3DObject{});
        t3DObject* object = &model->objects[i - 1];
        object->materialId = -1;
        ReadObjectInfo(object, i);
        ReadObjectData(model, object, i);
    }
}

// The one scan loop. Each of the `count` scans keeps its own place in the file (at[i], null once
// it has ended) and reacts to words through `act`, which reads any values from `in`. Scans that
// change different things can run side by side: while several stand at the same place the word is
// read, and the line skipped, once for all of them. A scan's way through the file depends only on
// where it is and on its own keywords, so each still reads exactly what it would read alone.
template <typename Act> void ase::scan(const char** at, int count, Act act) {
    const char* const end = data + size;
    const char* behind = nullptr;
    for (;;) {
        const char* here = nullptr;
        for (int i = 0; i < count; ++i)
            if (at[i] != nullptr && (here == nullptr || at[i] < here))
                here = at[i];
        if (here == nullptr)
            return;
        if (behind == nullptr)
            behind = here;
        if (here - behind >= kReleaseStep) {
            view.release(behind, here);
            behind = here;
        }
        asescan::Input afterWord = {here, end};
        Word w;
        const bool any = asescan::readWord(afterWord, w);
        const Keyword keyword = any ? classify(w.text, w.length) : kOther;
        const char* nextLine = nullptr;
        for (int i = 0; i < count; ++i) {
            if (at[i] != here)
                continue;
            if (!any) {
                at[i] = nullptr;
                continue;
            }
            in = afterWord;
            const Step step = act(i, keyword, w);
            if (step == kStop) {
                at[i] = nullptr;
            } else if (step == kNextWord) {
                asescan::skipSpace(in);
                at[i] = in.pos;
            } else {
                if (nextLine == nullptr) {
                    in = afterWord;
                    asescan::skipLinePiece(in);
                    asescan::skipSpace(in);
                    nextLine = in.pos;
                }
                at[i] = nextLine;
            }
        }
    }
}

// One pass over the whole file remembers where each object and each material starts: the
// object count and "*MATERIAL" scans, side by side.
void ase::findStarts() {
    objectStarts.clear();
    objectWords.clear();
    materialStarts.clear();
    const char* at[2] = {data, data};
    scan(at, 2, [&](int i, Keyword keyword, const Word& w) {
        if (i == 0 && keyword == kGeomObject) {
            objectWords.push_back(static_cast<std::size_t>(w.text - data));
            objectStarts.push_back(static_cast<std::size_t>(in.pos - data));
            return kNextWord;
        }
        if (i == 1 && keyword == kMaterial) {
            materialStarts.push_back(static_cast<std::size_t>(in.pos - data));
            return kNextWord;
        }
        return kSkipLine;
    });
    startsFound = true;
}

int ase::GetObjectCount() {
    findStarts();
    return static_cast<int>(std::min<std::size_t>(objectStarts.size(), INT_MAX));
}

int ase::GetMaterialCount() {
    int count = 0;
    const char* at[1] = {data};
    scan(at, 1, [&](int, Keyword keyword, const Word&) {
        if (keyword != kMaterialCount)
            return kSkipLine;
        asescan::readInt(in, count);
        return kStop;
    });
    return count;
}

void ase::GetTextureInfo(tMaterialInfo* material, int n) {
    if (!startsFound)
        findStarts();
    if (n < 1 || static_cast<std::size_t>(n) > materialStarts.size())
        return;
    const char* at[1] = {data + materialStarts[n - 1]};
    scan(at, 1, [&](int, Keyword keyword, const Word&) {
        switch (keyword) {
        case kMaterial:
            return kStop;
        case kDiffuse:
            for (int c = 0; c < 3; ++c)
                if (!asescan::readFloat(in, material->diffuse[c]))
                    break;
            return kNextWord;
        case kBitmap:
            GetTextureName(material);
            return kNextWord;
        case kMaterialName:
            GetMaterialName(material);
            return kNextWord;
        // A value that cannot be read leaves the tiling as it was.
        case kUTiling:
            asescan::readFloat(in, material->uTile);
            return kNextWord;
        case kVTiling:
            asescan::readFloat(in, material->vTile);
            return kNextWord;
        default:
            return kSkipLine;
        }
    });
}

void ase::MoveToObject(int n) {
    if (!startsFound)
        findStarts();
    if (n < 1 || static_cast<std::size_t>(n) > objectStarts.size())
        in = {data + size, data + size};
    else
        in = {data + objectStarts[n - 1], data + size};
}

float ase::ReadFloat() {
    float value = 0.0f;
    asescan::readFloat(in, value);
    return value;
}

// The bytes from object n's start to the next object's word, or to the end of the file.
std::size_t ase::objectRange(int n) const {
    if (n < 1 || static_cast<std::size_t>(n) > objectStarts.size())
        return 0;
    const std::size_t end =
        static_cast<std::size_t>(n) < objectWords.size() ? objectWords[n] : size;
    return end - objectStarts[n - 1];
}

void ase::ReadObjectInfo(t3DObject* object, int n) {
    MoveToObject(n);
    const std::size_t range = objectRange(n);
    const char* at[1] = {in.pos};
    scan(at, 1, [&](int, Keyword keyword, const Word&) {
        switch (keyword) {
        case kNumVertex:
            readCount(in, object->vertexCount, object->vertices, capacity(range, "*MESH_VERTEX"));
            return kNextWord;
        case kNumFaces:
            readCount(in, object->faceCount, object->faces, capacity(range, "*MESH_FACE"));
            return kNextWord;
        case kNumTVertex:
            readCount(in, object->texVertexCount, object->texVertices,
                      capacity(range, "*MESH_TVERT"));
            return kNextWord;
        case kGeomObject:
            return kStop;
        default:
            return kSkipLine;
        }
    });
}

void ase::readQuoted(char* field) {
    asescan::skipSpace(in);
    Word w;
    if (!asescan::literal(in, '"') || !asescan::readWord(in, w))
        return;
    // The word's last character is the closing quote.
    const std::size_t length = std::min<std::size_t>(w.length > 0 ? w.length - 1 : 0, 254);
    std::memcpy(field, w.text, length);
    field[length] = '\0';
}

void ase::GetTextureName(tMaterialInfo* material) {
    readQuoted(material->textureFile);
}

void ase::GetMaterialName(tMaterialInfo* material) {
    readQuoted(material->name);
}

void ase::ReadObjectData(t3DModel* model, t3DObject* object, int n) {
    GetData(model, object, "*MATERIAL_REF", n);
    // The other four passes each change their own part of the object, so they run side by side.
    static const char* const passes[] = {"*MESH_VERTEX", "*MESH_TVERT", "*MESH_FACE",
                                         "*MESH_TFACE"};
    dataPasses(model, object, n, passes, 4);
}

void ase::GetData(t3DModel* model, t3DObject* object, const char* keyword, int n) {
    dataPasses(model, object, n, &keyword, 1);
}

// Data passes over object n, each acting on its own keyword. A data keyword of another pass is
// passed over without skipping the line.
void ase::dataPasses(t3DModel* model, t3DObject* object, int n, const char* const* keywords,
                     int count) {
    Keyword passes[4];
    count = std::min(count, 4);
    for (int i = 0; i < count; ++i)
        passes[i] = keywords[i] ? classify(keywords[i], std::strlen(keywords[i])) : kOther;
    // Texture coordinates are scaled by the tiling of the object's material; without a material
    // there is no tiling, and they are kept as the file gives them.
    float uTile = 1.0f;
    float vTile = 1.0f;
    if (inRange(object->materialId, model->materialCount) &&
        static_cast<std::size_t>(object->materialId) < model->materials.size()) {
        uTile = model->materials[object->materialId].uTile;
        vTile = model->materials[object->materialId].vTile;
    }
    MoveToObject(n);
    const char* at[4];
    for (int i = 0; i < count; ++i)
        at[i] = isDataKeyword(passes[i]) ? in.pos : nullptr;
    scan(at, count, [&](int i, Keyword keyword, const Word&) {
        if (keyword == kGeomObject)
            return kStop;
        if (!isDataKeyword(keyword))
            return kSkipLine;
        if (keyword != passes[i])
            return kNextWord;
        switch (keyword) {
        case kVertex:
            ReadVertex(object);
            return kNextWord;
        case kTexVertex:
            readTexVertex(object, uTile, vTile);
            return kNextWord;
        case kFace:
            ReadFace(object);
            return kNextWord;
        case kTexFace:
            ReadTextureFace(object);
            return kNextWord;
        default:
            object->materialId = materialNumber(ReadFloat());
            return kStop;
        }
    });
}

// "%d" then "%f %f %f": the file's second and third coordinates change places, the second negated.
void ase::ReadVertex(t3DObject* object) {
    int index = 0;
    asescan::readInt(in, index);
    CVector3 dropped;
    CVector3& v = inRange(index, object->vertexCount) && object->vertices != nullptr
                      ? object->vertices[index]
                      : dropped;
    float value;
    if (!asescan::readFloat(in, value))
        return;
    v.x = value;
    if (!asescan::readFloat(in, value))
        return;
    v.z = -value;
    if (asescan::readFloat(in, value))
        v.y = value;
}

void ase::ReadTextureVertex(t3DObject* object, tMaterialInfo material) {
    readTexVertex(object, material.uTile, material.vTile);
}

// "%d" then "%f %f"; a third value is left to the line skip.
void ase::readTexVertex(t3DObject* object, float uTile, float vTile) {
    int index = 0;
    asescan::readInt(in, index);
    object->hasTexture = true;
    CVector2 dropped;
    CVector2& t = inRange(index, object->texVertexCount) && object->texVertices != nullptr
                      ? object->texVertices[index]
                      : dropped;
    float value;
    if (!asescan::readFloat(in, value))
        return;
    t.x = value * uTile;
    if (asescan::readFloat(in, value))
        t.y = value * vTile;
}

// The face a data line names, or a scratch record when the index is outside the object's faces:
// the line's values are still read, so the scan goes on as it would, and then dropped.
static tFace& faceOrDropped(t3DObject* object, int index, tFace& dropped) {
    return inRange(index, object->faceCount) && object->faces != nullptr ? object->faces[index]
                                                                         : dropped;
}

// "%d:" then "\tA:\t%d B:\t%d C:\t%d"; white space in the pattern takes spaces as well as tabs.
void ase::ReadFace(t3DObject* object) {
    int index = 0;
    if (asescan::readInt(in, index))
        asescan::literal(in, ':');
    tFace dropped;
    tFace& face = faceOrDropped(object, index, dropped);
    static const char corners[] = {'A', 'B', 'C'};
    for (int c = 0; c < 3; ++c) {
        asescan::skipSpace(in);
        if (!asescan::literal(in, corners[c]) || !asescan::literal(in, ':') ||
            !asescan::readInt(in, face.vertexIndex[c]))
            return;
    }
}

// "%d:" (the colon optional) then "%d %d %d".
void ase::ReadTextureFace(t3DObject* object) {
    int index = 0;
    if (asescan::readInt(in, index))
        asescan::literal(in, ':');
    tFace dropped;
    tFace& face = faceOrDropped(object, index, dropped);
    for (int c = 0; c < 3; ++c)
        if (!asescan::readInt(in, face.texCoordIndex[c]))
            return;
}

// One pass over the faces per object. Each face's normal is added to its corners in face order,
// so every sum is the very one the vertex-by-face loop builds, bit for bit.
void ase::ComputeNormals(t3DModel* model) {
    if (model == nullptr || model->objectCount <= 0)
        return;
    const int objectCount =
        static_cast<int>(std::min<std::size_t>(model->objectCount, model->objects.size()));
    std::vector<int> shared;
    for (int i = 0; i < objectCount; ++i) {
        t3DObject& object = model->objects[i];
        const int vertexCount = std::max(object.vertexCount, 0);
        const CVector3* vertices = object.vertices;
        delete[] object.normals;
        object.normals = new (std::nothrow) CVector3[static_cast<std::size_t>(vertexCount)]();
        if (object.normals == nullptr) {
            object.vertexCount = 0;
            continue;
        }
        CVector3* sums = object.normals;
        shared.assign(static_cast<std::size_t>(vertexCount), 0);
        const int faceCount = object.faces != nullptr ? object.faceCount : 0;
        for (int f = 0; f < faceCount && vertices != nullptr; ++f) {
            const int* corner = object.faces[f].vertexIndex;
            if (!inRange(corner[0], vertexCount) || !inRange(corner[1], vertexCount) ||
                !inRange(corner[2], vertexCount))
                continue;
            const CVector3 p0 = vertices[corner[0]];
            const CVector3 p1 = vertices[corner[1]];
            const CVector3 p2 = vertices[corner[2]];
            const CVector3 normal = Cross(Vector(p0, p2), Vector(p2, p1));
            for (int c = 0; c < 3; ++c) {
                const int v = corner[c];
                if ((c > 0 && v == corner[0]) || (c > 1 && v == corner[1]))
                    continue;
                sums[v] = AddVector(sums[v], normal);
                ++shared[v];
            }
        }
        for (int v = 0; v < vertexCount; ++v)
            sums[v] = Normalize(DivideVectorByScaler(sums[v], -static_cast<float>(shared[v])));
    }
}
