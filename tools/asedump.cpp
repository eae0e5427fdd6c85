// Shows a model file as the program sees it: loads it with the program's own reader (normals
// included) and prints the model as JSON.
//
// Usage: asedump [--summary] FILE
//
// Floats are printed in the shortest form that reads back to the same float; infinities and NaN,
// which JSON has no numbers for, as the strings "Infinity", "-Infinity" and "NaN". Bytes of names
// outside ASCII are shown as \u00XX (read as Latin-1). An array the file never declared is null.
// --summary prints only the counts. Exit status: 0 when the model loaded, 1 when the file could
// not be read, 2 for a wrong command line.
#include "model/ase.h"
#include "platform/testhooks.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

class Json {
  public:
    ~Json() { flush(); }
    void raw(const char* text) { out += text; }
    void number(long value) { out += std::to_string(value); }
    void number(float value) {
        if (std::isnan(value)) {
            out += "\"NaN\"";
        } else if (std::isinf(value)) {
            out += value > 0 ? "\"Infinity\"" : "\"-Infinity\"";
        } else {
            char text[32];
            for (int digits = 1; digits <= 9; ++digits) {
                std::snprintf(text, sizeof text, "%.*g", digits, value);
                if (std::strtof(text, nullptr) == value &&
                    std::signbit(std::strtof(text, nullptr)) == std::signbit(value))
                    break;
            }
            out += text;
        }
        if (out.size() > (1 << 16))
            flush();
    }
    void string(const char* text) {
        out += '"';
        for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c) {
            if (*c == '"' || *c == '\\') {
                out += '\\';
                out += static_cast<char>(*c);
            } else if (*c < 0x20 || *c >= 0x7f) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", *c);
                out += escaped;
            } else {
                out += static_cast<char>(*c);
            }
        }
        out += '"';
    }
    void key(const char* name) {
        string(name);
        out += ": ";
    }
    void floats(const float* values, int count) {
        out += '[';
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                out += ", ";
            number(values[i]);
        }
        out += ']';
    }
    void ints(const int* values, int count) {
        out += '[';
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                out += ", ";
            number(static_cast<long>(values[i]));
        }
        out += ']';
    }
    void flush() {
        std::fwrite(out.data(), 1, out.size(), stdout);
        out.clear();
    }

  private:
    std::string out;
};

// An array of `count` entries, one per line, or null when it does not exist.
template <typename T, typename Print>
void array(Json& json, const char* name, const T* entries, int count, Print print) {
    json.raw(",\n      ");
    json.key(name);
    if (entries == nullptr) {
        json.raw("null");
        return;
    }
    json.raw("[");
    for (int i = 0; i < count; ++i) {
        json.raw(i > 0 ? ",\n        " : "\n        ");
        print(entries[i]);
    }
    json.raw(count > 0 ? "\n      ]" : "]");
}

void print(const t3DModel& model, bool summary) {
    Json json;
    json.raw("{\n  ");
    json.key("objectCount");
    json.number(static_cast<long>(model.objectCount));
    json.raw(",\n  ");
    json.key("materialCount");
    json.number(static_cast<long>(model.materialCount));
    if (!summary) {
        json.raw(",\n  ");
        json.key("materials");
        json.raw("[");
        for (int i = 0; i < model.materialCount; ++i) {
            const tMaterialInfo& m = model.materials[i];
            json.raw(i > 0 ? ",\n    {" : "\n    {");
            json.key("name");
            json.string(m.name);
            json.raw(", ");
            json.key("textureFile");
            json.string(m.textureFile);
            json.raw(", ");
            json.key("diffuse");
            json.floats(m.diffuse, 3);
            json.raw(", ");
            json.key("uTile");
            json.number(m.uTile);
            json.raw(", ");
            json.key("vTile");
            json.number(m.vTile);
            json.raw(", ");
            json.key("textureId");
            json.number(static_cast<long>(m.textureId));
            json.raw("}");
        }
        json.raw(model.materialCount > 0 ? "\n  ]" : "]");
    }
    json.raw(",\n  ");
    json.key("objects");
    json.raw("[");
    for (int i = 0; i < model.objectCount; ++i) {
        const t3DObject& o = model.objects[i];
        json.raw(i > 0 ? ",\n    {\n      " : "\n    {\n      ");
        json.key("vertexCount");
        json.number(static_cast<long>(o.vertexCount));
        json.raw(",\n      ");
        json.key("faceCount");
        json.number(static_cast<long>(o.faceCount));
        json.raw(",\n      ");
        json.key("texVertexCount");
        json.number(static_cast<long>(o.texVertexCount));
        if (!summary) {
            json.raw(",\n      ");
            json.key("materialId");
            json.number(static_cast<long>(o.materialId));
            json.raw(",\n      ");
            json.key("hasTexture");
            json.raw(o.hasTexture ? "true" : "false");
            const auto vector3 = [&](const CVector3& v) { json.floats(&v.x, 3); };
            array(json, "vertices", o.vertices, o.vertexCount, vector3);
            array(json, "normals", o.normals, o.vertexCount, vector3);
            array(json, "texVertices", o.texVertices, o.texVertexCount,
                  [&](const CVector2& t) { json.floats(&t.x, 2); });
            array(json, "faces", o.faces, o.faceCount, [&](const tFace& f) {
                json.raw("{");
                json.key("vertexIndex");
                json.ints(f.vertexIndex, 3);
                json.raw(", ");
                json.key("texCoordIndex");
                json.ints(f.texCoordIndex, 3);
                json.raw("}");
            });
        }
        json.raw("\n    }");
    }
    json.raw(model.objectCount > 0 ? "\n  ]\n}\n" : "]\n}\n");
}

} // namespace

int main(int argc, char** argv) {
    bool summary = false;
    const char* path = nullptr;
    bool usable = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--summary") == 0 && !summary)
            summary = true;
        else if (path == nullptr && argv[i][0] != '-')
            path = argv[i];
        else
            usable = false;
    }
    if (!usable || path == nullptr) {
        std::fprintf(stderr, "usage: asedump [--summary] FILE\n");
        return 2;
    }
    // The reader reports a file it cannot open in a message box; here it goes to standard error.
    SetMessageBoxHook([](const char* text, const char*, UINT) {
        std::fprintf(stderr, "asedump: %s\n", text);
        return IDOK;
    });
    t3DModel model;
    ase reader;
    if (!reader.ImportASE(&model, path))
        return 1;
    print(model, summary);
    for (t3DObject& o : model.objects) {
        delete[] o.vertices;
        delete[] o.normals;
        delete[] o.texVertices;
        delete[] o.faces;
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
