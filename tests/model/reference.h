// A literal, slow model reader to hold the real one against: every scan rewinds the FILE* and
// reads with fscanf and fgets exactly as the scans are described, with the same bounds on counts,
// indices and materials. Plus the helpers the model tests share.
#pragma once

#include "model/model.h"

#include <string>

// Reads `path` into `model` like ase::ImportASE, without a message box. False when it cannot open.
bool ReferenceImport(t3DModel* model, const char* path);

// The vertex-by-face double loop: for every vertex, every face in order.
void ReferenceNormals(t3DModel* model);

// Frees every array of every entry of both containers and empties the model.
void FreeModel(t3DModel* model);

// Empty when equal, else the first difference. Floats compare bit for bit.
std::string CompareModels(const t3DModel& a, const t3DModel& b);

// A scratch directory for the model tests, removed with its files at exit.
std::string ScratchPath(const std::string& name);
std::string WriteScratch(const std::string& name, const std::string& content);
