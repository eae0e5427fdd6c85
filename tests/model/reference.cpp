// Every scan rewinds the FILE* and reads with fscanf and fgets word by word and line by line, with
// the real reader's bounds on counts, indices and materials written out in the plainest way.
#include "reference.h"

#include "model/ase.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool in(int index, int count) {
    return index >= 0 && index < count;
}

struct Reader {
    std::FILE* f;
    std::vector<char> word; // room for any word of the file
    long left = 0;          // entries of the file's budget not given to an array yet

    bool is(const char* keyword) const { return std::strcmp(word.data(), keyword) == 0; }

    // `act` answers each word: 1 when it read the word's values, 0 to skip the rest of the line in
    // pieces of 99 characters, -1 to stop.
    template <typename Act> void scan(Act act) {
        char line[100];
        while (!std::feof(f) && std::fscanf(f, " %s", word.data()) == 1) {
            const int step = act();
            if (step < 0 || (step == 0 && std::fgets(line, sizeof line, f) == nullptr))
                return;
        }
    }

    // Stops right after the n-th `keyword` (n 0: never); returns how many it met.
    int moveTo(const char* keyword, int n) {
        std::rewind(f);
        int count = 0;
        scan([&] { return !is(keyword) ? 0 : ++count == n ? -1 : 1; });
        return count;
    }

    void readQuoted(char* field) {
        if (std::fscanf(f, " \"%s", word.data()) != 1)
            return;
        std::size_t n = std::strlen(word.data());
        n = std::min<std::size_t>(n > 0 ? n - 1 : 0, 254);
        std::memcpy(field, word.data(), n);
        field[n] = '\0';
    }

    void material(tMaterialInfo* m, int n) {
        if (moveTo("*MATERIAL", n) < n)
            return;
        scan([&] {
            if (is("*MATERIAL"))
                return -1;
            if (is("*MATERIAL_DIFFUSE"))
                std::fscanf(f, " %f %f %f", &m->diffuse[0], &m->diffuse[1], &m->diffuse[2]);
            else if (is("*BITMAP") || is("*MATERIAL_NAME"))
                readQuoted(is("*BITMAP") ? m->textureFile : m->name);
            else if (is("*UVW_U_TILING") || is("*UVW_V_TILING"))
                std::fscanf(f, " %f", is("*UVW_U_TILING") ? &m->uTile : &m->vTile);
            else
                return 0;
            return 1;
        });
    }

    // Every count keyword sets its count when a number follows; after the scan each kind met gets
    // one array of its last count, out of what is left of the file's budget of entries.
    void counts(t3DObject* o, int n) {
        const char* const keywords[3] = {"*MESH_NUMVERTEX", "*MESH_NUMFACES", "*MESH_NUMTVERTEX"};
        int* count[3] = {&o->vertexCount, &o->faceCount, &o->texVertexCount};
        bool seen[3] = {false, false, false};
        moveTo("*GEOMOBJECT", n);
        scan([&] {
            for (int k = 0; k < 3; ++k)
                if (is(keywords[k])) {
                    seen[k] = true;
                    std::fscanf(f, "%d", count[k]);
                    return 1;
                }
            return is("*GEOMOBJECT") ? -1 : 0;
        });
        for (int k = 0; k < 3; ++k)
            if (seen[k]) {
                *count[k] = static_cast<int>(std::min<long>(std::max(*count[k], 0), left));
                left -= *count[k];
            }
        if (seen[0])
            renew(o->vertices, o->vertexCount);
        if (seen[1])
            renew(o->faces, o->faceCount);
        if (seen[2])
            renew(o->texVertices, o->texVertexCount);
    }

    template <typename T> static void renew(T*& array, int count) {
        delete[] array;
        array = new T[count]();
    }

    // One data pass; data outside its array is read into a spare entry.
    void data(const t3DModel* model, t3DObject* o, const char* keyword, int n) {
        moveTo("*GEOMOBJECT", n);
        scan([&] {
            if (is("*GEOMOBJECT"))
                return -1;
            if (!is("*MESH_VERTEX") && !is("*MESH_TVERT") && !is("*MESH_FACE") &&
                !is("*MESH_TFACE") && !is("*MATERIAL_REF"))
                return 0;
            if (!is(keyword))
                return 1;
            int i = 0;
            if (is("*MATERIAL_REF")) {
                float id = 0.0f;
                std::fscanf(f, " %f", &id);
                o->materialId = id >= -2147483648.0f && id < 2147483648.0f ? int(id) : -1;
                return -1;
            }
            if (is("*MESH_VERTEX")) {
                CVector3 spare;
                float z;
                std::fscanf(f, "%d", &i);
                CVector3& v = in(i, o->vertexCount) ? o->vertices[i] : spare;
                if (std::fscanf(f, "%f %f %f", &v.x, &z, &v.y) >= 2)
                    v.z = -z;
            } else if (is("*MESH_TVERT")) {
                CVector2 spare;
                std::fscanf(f, "%d", &i);
                o->hasTexture = true;
                // Without a valid material the coordinates stay as the file gives them.
                CVector2 tile = {1.0f, 1.0f};
                if (in(o->materialId, model->materialCount))
                    tile = {model->materials[o->materialId].uTile,
                            model->materials[o->materialId].vTile};
                CVector2& t = in(i, o->texVertexCount) ? o->texVertices[i] : spare;
                const int r = std::fscanf(f, "%f %f", &t.x, &t.y);
                if (r >= 1)
                    t.x *= tile.x;
                if (r >= 2)
                    t.y *= tile.y;
            } else {
                tFace spare;
                std::fscanf(f, "%d:", &i);
                tFace& face = in(i, o->faceCount) ? o->faces[i] : spare;
                int* v = is("*MESH_FACE") ? face.vertexIndex : face.texCoordIndex;
                std::fscanf(f, is("*MESH_FACE") ? "\tA:\t%d B:\t%d C:\t%d" : "%d %d %d", &v[0],
                            &v[1], &v[2]);
            }
            return 1;
        });
    }

    // The containers grow to the counts; no entries are appended behind them.
    void read(t3DModel* model, long bytes) {
        left = std::max<long>(ase::kMinEntries, bytes / long(ase::kBytesPerEntry));
        model->objectCount = moveTo("*GEOMOBJECT", 0);
        int declared = 0;
        if (moveTo("*MATERIAL_COUNT", 1) == 1)
            std::fscanf(f, "%d", &declared);
        model->materialCount =
            std::clamp(declared, 0, moveTo("*MATERIAL", 0) + ase::kMaxEmptyMaterials);
        if (model->materials.size() < std::size_t(model->materialCount))
            model->materials.resize(model->materialCount);
        for (int i = 1; i <= model->materialCount; ++i)
            material(&model->materials[i - 1], i);
        if (model->objects.size() < std::size_t(model->objectCount))
            model->objects.resize(model->objectCount);
        for (int i = 1; i <= model->objectCount; ++i) {
            t3DObject* o = &model->objects[i - 1];
            o->materialId = -1;
            counts(o, i);
            for (const char* keyword :
                 {"*MATERIAL_REF", "*MESH_VERTEX", "*MESH_TVERT", "*MESH_FACE", "*MESH_TFACE"})
                data(model, o, keyword, i);
        }
    }
};

// The vertex-by-face double loop: for every vertex, every face in order.
void ReferenceNormals(t3DModel* model) {
    for (int i = 0; i < model->objectCount; ++i) {
        t3DObject& o = model->objects[i];
        delete[] o.normals;
        o.normals = new CVector3[o.vertexCount]();
        for (int v = 0; v < o.vertexCount; ++v) {
            CVector3 sum = {0.0f, 0.0f, 0.0f};
            int shared = 0;
            for (int f = 0; f < o.faceCount; ++f) {
                const int* c = o.faces[f].vertexIndex;
                // A face that names a vertex that does not exist counts for nobody.
                if (!in(c[0], o.vertexCount) || !in(c[1], o.vertexCount) ||
                    !in(c[2], o.vertexCount) || (c[0] != v && c[1] != v && c[2] != v))
                    continue;
                const CVector3* p = o.vertices;
                sum = AddVector(sum, Cross(Vector(p[c[0]], p[c[2]]), Vector(p[c[2]], p[c[1]])));
                ++shared;
            }
            o.normals[v] = Normalize(DivideVectorByScaler(sum, -float(shared)));
        }
    }
}

template <typename T> bool same(const T* a, const T* b, int count) {
    return a == nullptr ? b == nullptr : b != nullptr && std::memcmp(a, b, sizeof(T) * count) == 0;
}

} // namespace

bool ReferenceImport(t3DModel* model, const char* path) {
    Reader r{std::fopen(path, "rb"), {}};
    if (r.f == nullptr)
        return false;
    std::fseek(r.f, 0, SEEK_END);
    const long bytes = std::ftell(r.f);
    r.word.resize(static_cast<std::size_t>(bytes) + 2);
    r.read(model, bytes);
    ReferenceNormals(model);
    std::fclose(r.f);
    return true;
}

std::string CompareModels(const t3DModel& a, const t3DModel& b) {
    if (a.objectCount != b.objectCount || a.materialCount != b.materialCount ||
        a.objects.size() != b.objects.size() || a.materials.size() != b.materials.size())
        return "counts differ";
    for (std::size_t i = 0; i < a.materials.size(); ++i) {
        const tMaterialInfo& x = a.materials[i];
        const tMaterialInfo& y = b.materials[i];
        if (std::strcmp(x.name, y.name) != 0 || std::strcmp(x.textureFile, y.textureFile) != 0 ||
            !same(x.diffuse, y.diffuse, 3) || !same(&x.uTile, &y.uTile, 1) ||
            !same(&x.vTile, &y.vTile, 1) || x.textureId != y.textureId)
            return "material " + std::to_string(i) + " differs";
    }
    for (std::size_t i = 0; i < a.objects.size(); ++i) {
        const t3DObject& x = a.objects[i];
        const t3DObject& y = b.objects[i];
        if (x.vertexCount != y.vertexCount || x.faceCount != y.faceCount ||
            x.texVertexCount != y.texVertexCount || x.materialId != y.materialId ||
            x.hasTexture != y.hasTexture || !same(x.vertices, y.vertices, x.vertexCount) ||
            !same(x.normals, y.normals, x.vertexCount) ||
            !same(x.texVertices, y.texVertices, x.texVertexCount) ||
            !same(x.faces, y.faces, x.faceCount))
            return "object " + std::to_string(i) + " differs";
    }
    return "";
}
