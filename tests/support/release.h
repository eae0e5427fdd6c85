// Frees what an import gave a model and empties it, so that tests leave no leaks behind.
#pragma once

#include "model/model.h"

inline void releaseModel(t3DModel& model) {
    for (t3DObject& object : model.objects) {
        delete[] object.vertices;
        delete[] object.normals;
        delete[] object.texVertices;
        delete[] object.faces;
    }
    model = t3DModel();
}
