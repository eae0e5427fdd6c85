// Writes ASE text shaped like a modelling package's export, for measuring the reader: a material
// list, then objects that are flat grids of quads with texture coordinates, face lines with edge
// flags and smoothing groups, and the normals block the reader skips.
#pragma once

#include <cstdio>
#include <string>

namespace asegen {

inline void appendf(std::string& out, const char* format, double a = 0, double b = 0, double c = 0,
                    double d = 0) {
    char line[256];
    const int n = std::snprintf(line, sizeof line, format, a, b, c, d);
    out.append(line, n > 0 ? static_cast<std::size_t>(n) : 0);
}

// One grid object of columns x rows quads, two triangles each; `normals`: with the file's own
// normals block.
inline void object(std::string& out, int columns, int rows, int material, bool normals = true) {
    const int vertices = (columns + 1) * (rows + 1);
    const int faces = 2 * columns * rows;
    out += "*GEOMOBJECT {\n\t*NODE_NAME \"Grid\"\n\t*NODE_TM {\n\t\t*NODE_NAME \"Grid\"\n"
           "\t\t*TM_ROW0 1.0000\t0.0000\t0.0000\n\t\t*TM_POS 0.0000\t0.0000\t0.0000\n\t}\n"
           "\t*MESH {\n\t\t*TIMEVALUE 0\n";
    appendf(out, "\t\t*MESH_NUMVERTEX %.0f\n\t\t*MESH_NUMFACES %.0f\n", vertices, faces);
    out += "\t\t*MESH_VERTEX_LIST {\n";
    for (int y = 0; y <= rows; ++y)
        for (int x = 0; x <= columns; ++x)
            appendf(out, "\t\t\t*MESH_VERTEX %5.0f\t%.4f\t%.4f\t%.4f\n", y * (columns + 1) + x,
                    x * 1.25 - 40.0, y * 0.75 - 30.0, (x * 7 + y * 3) % 11 * 0.0625);
    out += "\t\t}\n\t\t*MESH_FACE_LIST {\n";
    for (int f = 0; f < faces; ++f) {
        const int quad = f / 2;
        const int corner = quad / columns * (columns + 1) + quad % columns;
        const int a = corner;
        const int b = f % 2 ? corner + columns + 2 : corner + 1;
        const int c = f % 2 ? corner + columns + 1 : corner + columns + 2;
        appendf(out, "\t\t\t*MESH_FACE %5.0f:    A: %5.0f B: %5.0f C: %5.0f", f, a, b, c);
        out += " AB:    1 BC:    1 CA:    0\t *MESH_SMOOTHING 1 \t*MESH_MTLID 0\n";
    }
    appendf(out, "\t\t}\n\t\t*MESH_NUMTVERTEX %.0f\n\t\t*MESH_TVERTLIST {\n", vertices);
    for (int v = 0; v < vertices; ++v)
        appendf(out, "\t\t\t*MESH_TVERT %.0f\t%.4f\t%.4f\t0.0000\n", v,
                double(v % (columns + 1)) / columns, double(v / (columns + 1)) / rows);
    appendf(out, "\t\t}\n\t\t*MESH_NUMTVFACES %.0f\n\t\t*MESH_TFACELIST {\n", faces);
    for (int f = 0; f < faces; ++f) {
        const int quad = f / 2;
        const int corner = quad / columns * (columns + 1) + quad % columns;
        appendf(out, "\t\t\t*MESH_TFACE %.0f\t%.0f\t%.0f\t%.0f\n", f, corner,
                f % 2 ? corner + columns + 2 : corner + 1,
                f % 2 ? corner + columns + 1 : corner + columns + 2);
    }
    out += "\t\t}\n";
    if (normals) {
        out += "\t\t*MESH_NORMALS {\n";
        for (int f = 0; f < faces; ++f) {
            appendf(out, "\t\t\t*MESH_FACENORMAL %.0f\t0.0000\t0.0000\t1.0000\n", f);
            for (int k = 0; k < 3; ++k)
                appendf(out, "\t\t\t\t*MESH_VERTEXNORMAL %.0f\t0.0000\t0.0000\t1.0000\n",
                        f / 2 + k);
        }
        out += "\t\t}\n";
    }
    out += "\t}\n\t*PROP_MOTIONBLUR 0\n\t*PROP_CASTSHADOW 1\n\t*PROP_RECVSHADOW 1\n";
    appendf(out, "\t*MATERIAL_REF %.0f\n}\n", material);
}

// A whole file: `materials` materials with a bitmap each, then `objects` grid objects.
inline std::string model(int objects, int columns, int rows, int materials = 2,
                         bool normals = true) {
    std::string out = "*3DSMAX_ASCIIEXPORT\t200\n*COMMENT \"generated\"\n*SCENE {\n"
                      "\t*SCENE_FILENAME \"grid.max\"\n\t*SCENE_FIRSTFRAME 0\n}\n"
                      "*MATERIAL_LIST {\n";
    appendf(out, "\t*MATERIAL_COUNT %.0f\n", materials);
    for (int m = 0; m < materials; ++m) {
        appendf(out, "\t*MATERIAL %.0f {\n\t\t*MATERIAL_NAME \"Material%.0f\"\n", m, m);
        out += "\t\t*MATERIAL_CLASS \"Standard\"\n\t\t*MATERIAL_AMBIENT 0.1000\t0.1000\t0.1000\n";
        appendf(out, "\t\t*MATERIAL_DIFFUSE %.4f\t%.4f\t0.5000\n", 0.25 * m, 1 - 0.125 * m);
        out += "\t\t*MATERIAL_SHINE 0.1000\n\t\t*MAP_DIFFUSE {\n\t\t\t*MAP_NAME \"Map #1\"\n";
        appendf(out, "\t\t\t*BITMAP \"maps\\texture%.0f.bmp\"\n", m);
        out += "\t\t\t*UVW_U_OFFSET 0.0000\n\t\t\t*UVW_U_TILING 1.0000\n"
               "\t\t\t*UVW_V_TILING 2.0000\n\t\t}\n\t}\n";
    }
    out += "}\n";
    for (int o = 0; o < objects; ++o)
        object(out, columns, rows, o % (materials > 0 ? materials : 1), normals);
    return out;
}

// Files of about `bytes` shaped to cost a naive scanner the square of their size.
// One object that repeats its count keywords over and over.
inline std::string repeatedCounts(std::size_t bytes) {
    std::string out = "*GEOMOBJECT {\n";
    while (out.size() < bytes)
        out += "\t*MESH_NUMVERTEX 999999999\n\t*MESH_NUMFACES 999999999\n"
               "\t*MESH_NUMTVERTEX 999999999\n";
    return out + "}\n";
}

// Materials that end on an open quote, so that each material scan reads the next "*MATERIAL"
// as its value.
inline std::string openQuotes(std::size_t bytes) {
    std::string out = "*MATERIAL_LIST {\n\t*MATERIAL_COUNT 999999\n";
    for (int m = 0; out.size() < bytes; ++m)
        appendf(out,
                m % 2 ? "\t*MATERIAL %.0f {\n\t\t*BITMAP \"\n"
                      : "\t*MATERIAL %.0f {\n\t\t*MATERIAL_NAME \"\n",
                m);
    return out + "}\n";
}

// A vertex line with a "*GEOMOBJECT" past its 99th character, where the object walk and the
// count scan find it and the other data passes skip over it.
inline std::string hiddenObject() {
    const std::string hider = "\t*MESH_VERTEX 0 1.0 2.0 3.0";
    return hider + std::string(111 + 1 - hider.size(), ' ') + "*GEOMOBJECT {\n";
}

// Objects that each start behind a vertex line that hides the start from most data passes.
inline std::string hiddenKeywords(std::size_t bytes) {
    std::string out;
    while (out.size() < bytes)
        out +=
            "\t*MESH_NUMVERTEX 1\n\t*MESH_NUMTVERTEX 1\n\t*MESH_TVERT 0 0.5 0.5\n" + hiddenObject();
    return "*GEOMOBJECT {\n" + out + "}\n";
}

// About `bytes` of "*MESH_FACE 0" lines in an object of four faces. `merged`: a first object of
// four faces stands before it, and the start of the second is hidden from the first one's face
// pass by a long vertex line, so that the two objects' face passes meet and read the lines as one.
inline std::string faceLines(std::size_t bytes, bool merged) {
    std::string out = "*GEOMOBJECT {\n\t*MESH_NUMFACES 4\n";
    if (merged)
        out += hiddenObject() + "\t*MESH_NUMFACES 4\n";
    while (out.size() < bytes)
        out += "*MESH_FACE 0\n";
    return out + "}\n";
}

} // namespace asegen
