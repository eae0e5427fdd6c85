// The files the generator writes: the bitmaps the program reads, the icon's PNG and ICO files,
// and writing them out.
#pragma once

#include "paint.h"

#include <cstdint>
#include <string>
#include <vector>

namespace modelgen {

// A bottom-up 24-bit Windows bitmap with BITMAPINFOHEADER.
std::string bmpBytes(const Image& img);

// A square picture with alpha, rows from the top.
struct Icon {
    int size;
    std::vector<std::uint8_t> rgba;
};

// An 8-bit RGBA PNG, compressed with fixed-code deflate.
std::string pngBytes(const Icon& icon);

// A Windows icon holding each picture: those under 256 pixels as 32-bit bitmaps, which every
// Windows reads, the 256 one as a PNG, as Windows stores its large icons.
std::string icoBytes(const std::vector<Icon>& icons);

bool writeFile(const std::string& path, const std::string& bytes);

} // namespace modelgen
