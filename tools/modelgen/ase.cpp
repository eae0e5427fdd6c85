#include "ase.h"

#include <cmath>

namespace modelgen {

namespace {

// Fixed four decimals, written digit by digit so that no locale can change the separator.
std::string num(double value) {
    long long q = std::llround(value * 10000.0);
    std::string s = q < 0 ? "-" : "";
    unsigned long long a = static_cast<unsigned long long>(q < 0 ? -q : q);
    std::string frac = std::to_string(a % 10000);
    s += std::to_string(a / 10000) + "." + std::string(4 - frac.size(), '0') + frac;
    return s;
}

std::string pad(int value, size_t width) {
    std::string s = std::to_string(value);
    return std::string(s.size() < width ? width - s.size() : 0, ' ') + s;
}

} // namespace

std::string aseText(const Model& model) {
    std::string s;
    s += "*3DSMAX_ASCIIEXPORT\t200\n";
    s += "*COMMENT \"Balantor-modelgen\"\n";
    s += "*SCENE {\n";
    s += "\t*SCENE_FILENAME \"" + model.file.substr(0, model.file.find('.')) + ".max\"\n";
    s += "\t*SCENE_FIRSTFRAME 0\n\t*SCENE_LASTFRAME 100\n\t*SCENE_FRAMESPEED 30\n";
    s += "\t*SCENE_TICKSPERFRAME 160\n";
    s += "\t*SCENE_BACKGROUND_STATIC 0.0000\t0.0000\t0.0000\n";
    s += "\t*SCENE_AMBIENT_STATIC 0.0000\t0.0000\t0.0000\n";
    s += "}\n";
    s += "*MATERIAL_LIST {\n";
    s += "\t*MATERIAL_COUNT " + std::to_string(model.materials.size()) + "\n";
    for (size_t i = 0; i < model.materials.size(); ++i) {
        const Material& mat = model.materials[i];
        std::string diffuse = num(mat.r) + "\t" + num(mat.g) + "\t" + num(mat.b);
        s += "\t*MATERIAL " + std::to_string(i) + " {\n";
        s += "\t\t*MATERIAL_NAME \"" + mat.name + "\"\n";
        s += "\t\t*MATERIAL_CLASS \"Standard\"\n";
        s += "\t\t*MATERIAL_AMBIENT " + diffuse + "\n";
        s += "\t\t*MATERIAL_DIFFUSE " + diffuse + "\n";
        s += "\t\t*MATERIAL_SHINE 0.1000\n\t\t*MATERIAL_SHINESTRENGTH 0.0000\n";
        s += "\t\t*MATERIAL_TRANSPARENCY 0.0000\n\t\t*MATERIAL_WIRESIZE 1.0000\n";
        s += "\t\t*MATERIAL_SHADING Blinn\n\t\t*MATERIAL_XP_FALLOFF 0.0000\n";
        s += "\t\t*MATERIAL_SELFILLUM 0.0000\n\t\t*MATERIAL_FALLOFF In\n";
        s += "\t\t*MATERIAL_XP_TYPE Filter\n";
        s += "\t\t*MAP_DIFFUSE {\n";
        s += "\t\t\t*MAP_NAME \"" + mat.name + "Map\"\n";
        s += "\t\t\t*MAP_CLASS \"Bitmap\"\n\t\t\t*MAP_SUBNO 1\n\t\t\t*MAP_AMOUNT 1.0000\n";
        s += "\t\t\t*BITMAP \"" + mat.bitmap + "\"\n";
        s += "\t\t\t*MAP_TYPE Screen\n";
        s += "\t\t\t*UVW_U_OFFSET 0.0000\n\t\t\t*UVW_V_OFFSET 0.0000\n";
        s += "\t\t\t*UVW_U_TILING 1.0000\n\t\t\t*UVW_V_TILING 1.0000\n";
        s += "\t\t\t*UVW_ANGLE 0.0000\n\t\t\t*UVW_BLUR 1.0000\n\t\t\t*UVW_BLUR_OFFSET 0.0000\n";
        s += "\t\t\t*UVW_NOUSE_AMT 1.0000\n\t\t\t*UVW_NOISE_SIZE 1.0000\n";
        s += "\t\t\t*UVW_NOISE_LEVEL 1\n\t\t\t*UVW_NOISE_PHASE 0.0000\n";
        s += "\t\t\t*BITMAP_FILTER Pyramidal\n";
        s += "\t\t}\n";
        s += "\t}\n";
    }
    s += "}\n";
    for (const Mesh& m : model.objects) {
        s += "*GEOMOBJECT {\n";
        s += "\t*NODE_NAME \"" + m.name + "\"\n";
        s += "\t*NODE_TM {\n";
        s += "\t\t*NODE_NAME \"" + m.name + "\"\n";
        s += "\t\t*INHERIT_POS 0 0 0\n\t\t*INHERIT_ROT 0 0 0\n\t\t*INHERIT_SCL 0 0 0\n";
        s += "\t\t*TM_ROW0 1.0000\t0.0000\t0.0000\n\t\t*TM_ROW1 0.0000\t1.0000\t0.0000\n";
        s += "\t\t*TM_ROW2 0.0000\t0.0000\t1.0000\n\t\t*TM_ROW3 0.0000\t0.0000\t0.0000\n";
        s += "\t}\n";
        s += "\t*MESH {\n";
        s += "\t\t*TIMEVALUE 0\n";
        s += "\t\t*MESH_NUMVERTEX " + std::to_string(m.verts.size()) + "\n";
        s += "\t\t*MESH_NUMFACES " + std::to_string(m.faces.size()) + "\n";
        s += "\t\t*MESH_VERTEX_LIST {\n";
        for (size_t i = 0; i < m.verts.size(); ++i) {
            const V3& p = m.verts[i];
            s += "\t\t\t*MESH_VERTEX " + pad(static_cast<int>(i), 4) + "\t" + num(p.x) + "\t" +
                 num(p.y) + "\t" + num(p.z) + "\n";
        }
        s += "\t\t}\n";
        s += "\t\t*MESH_FACE_LIST {\n";
        for (size_t i = 0; i < m.faces.size(); ++i) {
            const Face& f = m.faces[i];
            s += "\t\t\t*MESH_FACE " + pad(static_cast<int>(i), 4) + ":    A: " + pad(f.v[0], 4) +
                 " B: " + pad(f.v[1], 4) + " C: " + pad(f.v[2], 4) +
                 " AB:    1 BC:    1 CA:    1\n";
        }
        s += "\t\t}\n";
        s += "\t\t*MESH_NUMTVERTEX " + std::to_string(m.tverts.size()) + "\n";
        s += "\t\t*MESH_TVERTLIST {\n";
        for (size_t i = 0; i < m.tverts.size(); ++i) {
            s += "\t\t\t*MESH_TVERT " + pad(static_cast<int>(i), 4) + "\t" + num(m.tverts[i].u) +
                 "\t" + num(m.tverts[i].v) + "\t0.0000\n";
        }
        s += "\t\t}\n";
        s += "\t\t*MESH_NUMTVFACES " + std::to_string(m.faces.size()) + "\n";
        s += "\t\t*MESH_TFACELIST {\n";
        for (size_t i = 0; i < m.faces.size(); ++i) {
            const Face& f = m.faces[i];
            s += "\t\t\t*MESH_TFACE " + pad(static_cast<int>(i), 4) + "\t" +
                 std::to_string(f.t[0]) + "\t" + std::to_string(f.t[1]) + "\t" +
                 std::to_string(f.t[2]) + "\n";
        }
        s += "\t\t}\n";
        s += "\t}\n";
        s += "\t*PROP_MOTIONBLUR 0\n\t*PROP_CASTSHADOW 1\n\t*PROP_RECVSHADOW 1\n";
        s += "\t*MATERIAL_REF " + std::to_string(m.material) + "\n";
        s += "}\n";
    }
    return s;
}

} // namespace modelgen
