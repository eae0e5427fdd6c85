// The check both sides' bitmap loaders make before they read a BMP file: what its header claims,
// held against its size, so that a damaged or hostile header cannot make them allocate gigabytes
// or read past the end of the file.
#pragma once

#include <cstddef>

namespace platform {

// The bytes the check needs from the start of the file: the file header and the beginning of the
// info header.
const std::size_t kBmpHeaderBytes = 34;

// Whether a file of `fileSize` bytes that starts with `header` (`got` bytes of it, fewer when the
// file is shorter) may be handed to the decoder. Refused: no "BM", more than 16384 pixels a side,
// pixels that start past the end, unknown compressions and depths, uncompressed rows the file is
// too short for, and run-length files that claim more than 128 pixels per byte of pixel data.
bool plausibleBmp(const unsigned char* header, std::size_t got, long long fileSize);

} // namespace platform
