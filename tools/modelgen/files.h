// The files the generator writes: the bitmaps the program reads, and writing them out.
#pragma once

#include "paint.h"

#include <string>

namespace modelgen {

// A bottom-up 24-bit Windows bitmap with BITMAPINFOHEADER.
std::string bmpBytes(const Image& img);

bool writeFile(const std::string& path, const std::string& bytes);

} // namespace modelgen
