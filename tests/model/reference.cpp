#include "reference.h"

#include "model/ase.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Reader {
    std::FILE* f;
    std::vector<char> word; // room for any word of the file
    std::vector<char> value;

    bool nextWord() { return !std::feof(f) && std::fscanf(f, "%s", word.data()) == 1; }
    bool is(const char* keyword) const { return std::strcmp(word.data(), keyword) == 0; }
    void skipLine() {
        char line[100];
        if (std::fgets(line, sizeof line, f) == nullptr)
            return;
    }

    // The bytes from object n's start to the next object's word (or the end), for the bounds.
    long objectRange(int n) {
        std::rewind(f);
        long start = -1;
        int count = 0;
        while (!std::feof(f)) {
            int before = 0;
            int after = 0;
            if (std::fscanf(f, " %n%s%n", &before, word.data(), &after) != 1)
                break;
            if (is("*GEOMOBJECT")) {
                const long position = std::ftell(f);
                if (++count == n + 1)
                    return position - (after - before) - start;
                if (count == n)
                    start = position;
            } else {
                skipLine();
            }
        }
        std::fseek(f, 0, SEEK_END);
        return start < 0 ? 0 : std::ftell(f) - start;
    }

    int getObjectCount() {
        std::rewind(f);
        int count = 0;
        while (nextWord())
            if (is("*GEOMOBJECT"))
                ++count;
            else
                skipLine();
        return count;
    }

    int countWords(const char* keyword) {
        std::rewind(f);
        int count = 0;
        while (nextWord())
            if (is(keyword))
                ++count;
            else
                skipLine();
        return count;
    }

    int getMaterialCount() {
        std::rewind(f);
        while (nextWord()) {
            if (is("*MATERIAL_COUNT")) {
                int count = 0;
                std::fscanf(f, "%d", &count);
                return count;
            }
            skipLine();
        }
        return 0;
    }

    float readFloat() {
        float v = 0.0f;
        std::fscanf(f, " %f", &v);
        return v;
    }

    void readQuoted(char* field) {
        if (std::fscanf(f, " \"%s", value.data()) != 1)
            return;
        std::size_t n = std::strlen(value.data());
        n = std::min<std::size_t>(n > 0 ? n - 1 : 0, 254);
        std::memcpy(field, value.data(), n);
        field[n] = '\0';
    }

    bool moveTo(const char* keyword, int n) {
        std::rewind(f);
        int count = 0;
        while (nextWord()) {
            if (is(keyword)) {
                if (++count == n)
                    return true;
            } else {
                skipLine();
            }
        }
        return false;
    }

    void getTextureInfo(tMaterialInfo* m, int n) {
        if (!moveTo("*MATERIAL", n))
            return;
        while (nextWord()) {
            if (is("*MATERIAL"))
                break;
            else if (is("*MATERIAL_DIFFUSE"))
                std::fscanf(f, " %f %f %f", &m->diffuse[0], &m->diffuse[1], &m->diffuse[2]);
            else if (is("*BITMAP"))
                readQuoted(m->textureFile);
            else if (is("*MATERIAL_NAME"))
                readQuoted(m->name);
            else if (is("*UVW_U_TILING"))
                m->uTile = readFloat();
            else if (is("*UVW_V_TILING"))
                m->vTile = readFloat();
            else
                skipLine();
        }
    }

    template <typename T> void readCount(int& count, T*& array, long range, const char* data) {
        int v = 0;
        if (std::fscanf(f, "%d", &v) == 1)
            count = std::clamp<long>(v, 0, range / long(std::strlen(data) + 1));
        delete[] array;
        array = new T[count]();
    }

    void readObjectInfo(t3DObject* o, int n) {
        const long range = objectRange(n);
        moveTo("*GEOMOBJECT", n);
        while (nextWord()) {
            if (is("*MESH_NUMVERTEX"))
                readCount(o->vertexCount, o->vertices, range, "*MESH_VERTEX");
            else if (is("*MESH_NUMFACES"))
                readCount(o->faceCount, o->faces, range, "*MESH_FACE");
            else if (is("*MESH_NUMTVERTEX"))
                readCount(o->texVertexCount, o->texVertices, range, "*MESH_TVERT");
            else if (is("*GEOMOBJECT"))
                break;
            else
                skipLine();
        }
    }

    void getData(t3DModel* model, t3DObject* o, const char* keyword, int n) {
        static const char* const data[] = {"*MESH_VERTEX", "*MESH_TVERT", "*MESH_FACE",
                                           "*MESH_TFACE", "*MATERIAL_REF"};
        moveTo("*GEOMOBJECT", n);
        while (nextWord()) {
            if (is("*GEOMOBJECT"))
                break;
            bool isData = false;
            for (const char* d : data)
                isData = isData || is(d);
            if (!isData) {
                skipLine();
                continue;
            }
            if (!is(keyword))
                continue;
            if (is("*MESH_VERTEX")) {
                int i = 0;
                float a, b, c;
                std::fscanf(f, "%d", &i);
                const int r = std::fscanf(f, "%f %f %f", &a, &b, &c);
                if (i >= 0 && i < o->vertexCount) {
                    if (r >= 1)
                        o->vertices[i].x = a;
                    if (r >= 2)
                        o->vertices[i].z = -b;
                    if (r >= 3)
                        o->vertices[i].y = c;
                }
            } else if (is("*MESH_TVERT")) {
                int i = 0;
                float u, v;
                std::fscanf(f, "%d", &i);
                const int r = std::fscanf(f, "%f %f", &u, &v);
                o->hasTexture = true;
                float uTile = 1.0f;
                float vTile = 1.0f;
                if (o->materialId >= 0 && o->materialId < model->materialCount) {
                    uTile = model->materials[o->materialId].uTile;
                    vTile = model->materials[o->materialId].vTile;
                }
                if (i >= 0 && i < o->texVertexCount) {
                    if (r >= 1)
                        o->texVertices[i].x = u * uTile;
                    if (r >= 2)
                        o->texVertices[i].y = v * vTile;
                }
            } else if (is("*MESH_FACE") || is("*MESH_TFACE")) {
                const bool corners = is("*MESH_FACE");
                int i = 0;
                int v[3];
                std::fscanf(f, "%d:", &i);
                const int r = corners
                                  ? std::fscanf(f, "\tA:\t%d B:\t%d C:\t%d", &v[0], &v[1], &v[2])
                                  : std::fscanf(f, "%d %d %d", &v[0], &v[1], &v[2]);
                if (i >= 0 && i < o->faceCount)
                    for (int k = 0; k < r; ++k)
                        (corners ? o->faces[i].vertexIndex : o->faces[i].texCoordIndex)[k] = v[k];
            } else {
                const float id = readFloat();
                o->materialId = id >= -2147483648.0f && id < 2147483648.0f ? int(id) : -1;
                return;
            }
        }
    }

    void readAseFile(t3DModel* model) {
        model->objectCount = getObjectCount();
        const int blocks = countWords("*MATERIAL");
        model->materialCount = std::clamp(getMaterialCount(), 0, blocks + ase::kMaxEmptyMaterials);
        for (int i = 1; i <= model->materialCount; ++i) {
            model->materials.push_back(tMaterialInfo{});
            getTextureInfo(&model->materials[i - 1], i);
        }
        for (int i = 1; i <= model->objectCount; ++i) {
            model->objects.push_back(t3DObject{});
            t3DObject* o = &model->objects[i - 1];
            o->materialId = -1;
            readObjectInfo(o, i);
            for (const char* keyword :
                 {"*MATERIAL_REF", "*MESH_VERTEX", "*MESH_TVERT", "*MESH_FACE", "*MESH_TFACE"})
                getData(model, o, keyword, i);
        }
    }
};

bool validFace(const t3DObject& o, const tFace& face) {
    for (int c = 0; c < 3; ++c)
        if (face.vertexIndex[c] < 0 || face.vertexIndex[c] >= o.vertexCount)
            return false;
    return o.vertices != nullptr;
}

std::string floats(const char* what, int index, const void* a, const void* b, std::size_t size) {
    if (std::memcmp(a, b, size) == 0)
        return "";
    return std::string(what) + " " + std::to_string(index) + " differs";
}

template <typename T> std::string arrays(const char* what, const T* a, const T* b, int count) {
    if ((a == nullptr) != (b == nullptr))
        return std::string(what) + ": one array is missing";
    for (int i = 0; a != nullptr && i < count; ++i) {
        std::string d = floats(what, i, &a[i], &b[i], sizeof(T));
        if (!d.empty())
            return d;
    }
    return "";
}

std::string g_scratch;

} // namespace

bool ReferenceImport(t3DModel* model, const char* path) {
    Reader r;
    r.f = std::fopen(path, "r");
    if (r.f == nullptr)
        return false;
    std::fseek(r.f, 0, SEEK_END);
    const std::size_t size = static_cast<std::size_t>(std::ftell(r.f));
    r.word.resize(size + 2);
    r.value.resize(size + 2);
    r.readAseFile(model);
    ReferenceNormals(model);
    std::fclose(r.f);
    return true;
}

void ReferenceNormals(t3DModel* model) {
    for (int i = 0; i < model->objectCount; ++i) {
        t3DObject& o = model->objects[i];
        std::vector<CVector3> faceNormals(o.faceCount);
        for (int f = 0; f < o.faceCount; ++f) {
            if (!validFace(o, o.faces[f]))
                continue;
            const int* v = o.faces[f].vertexIndex;
            faceNormals[f] = Cross(Vector(o.vertices[v[0]], o.vertices[v[2]]),
                                   Vector(o.vertices[v[2]], o.vertices[v[1]]));
        }
        delete[] o.normals;
        o.normals = new CVector3[o.vertexCount]();
        for (int v = 0; v < o.vertexCount; ++v) {
            CVector3 sum = {0.0f, 0.0f, 0.0f};
            int shared = 0;
            for (int f = 0; f < o.faceCount; ++f) {
                const int* c = o.faces[f].vertexIndex;
                if (validFace(o, o.faces[f]) && (c[0] == v || c[1] == v || c[2] == v)) {
                    sum = AddVector(sum, faceNormals[f]);
                    ++shared;
                }
            }
            o.normals[v] = Normalize(DivideVectorByScaler(sum, -float(shared)));
        }
    }
}

void FreeModel(t3DModel* model) {
    for (t3DObject& o : model->objects) {
        delete[] o.vertices;
        delete[] o.normals;
        delete[] o.texVertices;
        delete[] o.faces;
    }
    *model = t3DModel();
}

std::string CompareModels(const t3DModel& a, const t3DModel& b) {
    if (a.objectCount != b.objectCount || a.materialCount != b.materialCount)
        return "counts differ";
    if (a.objects.size() != b.objects.size() || a.materials.size() != b.materials.size())
        return "container sizes differ";
    for (std::size_t i = 0; i < a.materials.size(); ++i) {
        const tMaterialInfo& x = a.materials[i];
        const tMaterialInfo& y = b.materials[i];
        const int n = static_cast<int>(i);
        if (std::strcmp(x.name, y.name) != 0 || std::strcmp(x.textureFile, y.textureFile) != 0)
            return "material " + std::to_string(i) + " strings differ";
        std::string d = floats("diffuse of material", n, x.diffuse, y.diffuse, sizeof x.diffuse);
        if (d.empty())
            d = floats("uTile of material", n, &x.uTile, &y.uTile, sizeof x.uTile);
        if (d.empty())
            d = floats("vTile of material", n, &x.vTile, &y.vTile, sizeof x.vTile);
        if (d.empty() && x.textureId != y.textureId)
            d = "textureId differs";
        if (!d.empty())
            return d;
    }
    for (std::size_t i = 0; i < a.objects.size(); ++i) {
        const t3DObject& x = a.objects[i];
        const t3DObject& y = b.objects[i];
        const std::string at = "object " + std::to_string(i) + ": ";
        if (x.vertexCount != y.vertexCount || x.faceCount != y.faceCount ||
            x.texVertexCount != y.texVertexCount)
            return at + "counts differ";
        if (x.materialId != y.materialId || x.hasTexture != y.hasTexture)
            return at + "material or texture flag differs";
        std::string d = arrays("vertex", x.vertices, y.vertices, x.vertexCount);
        if (d.empty())
            d = arrays("normal", x.normals, y.normals, x.vertexCount);
        if (d.empty())
            d = arrays("texture vertex", x.texVertices, y.texVertices, x.texVertexCount);
        if (d.empty())
            d = arrays("face", x.faces, y.faces, x.faceCount);
        if (!d.empty())
            return at + d;
    }
    return "";
}

std::string ScratchPath(const std::string& name) {
    if (g_scratch.empty()) {
        char pattern[] = "/tmp/balantor-model-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            std::abort();
        g_scratch = pattern;
        std::atexit([] { std::system(("rm -rf '" + g_scratch + "'").c_str()); });
    }
    return g_scratch + "/" + name;
}

std::string WriteScratch(const std::string& name, const std::string& content) {
    const std::string path = ScratchPath(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        std::abort();
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    return path;
}
