// The models as the files hold them, and the ASE text the program reads.
#pragma once

#include "mesh.h"

#include <string>
#include <vector>

namespace modelgen {

struct Material {
    std::string name, bitmap;
    double r, g, b;
};

struct Model {
    std::string file;
    std::vector<Material> materials;
    std::vector<Mesh> objects;

    int material(const std::string& name, const std::string& bitmap, double r, double g, double b) {
        materials.push_back({name, "models/" + bitmap, r, g, b});
        return static_cast<int>(materials.size()) - 1;
    }
    Mesh& object(const std::string& name, int materialIndex) {
        objects.emplace_back();
        objects.back().name = name;
        objects.back().material = materialIndex;
        return objects.back();
    }
};

std::string aseText(const Model& model);

} // namespace modelgen
