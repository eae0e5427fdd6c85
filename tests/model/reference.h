// A literal, slow model reader to hold the real one against, and the helpers the model tests share.
#pragma once

#include "model/model.h"
#include "tests/support/release.h"
#include "tests/support/scratch.h"

#include <string>

// Reads `path` into `model` like ase::ImportASE, normals included, without a message box. False
// when it cannot open.
bool ReferenceImport(t3DModel* model, const char* path);

// Empty when equal, else the first difference. Floats compare bit for bit.
std::string CompareModels(const t3DModel& a, const t3DModel& b);
