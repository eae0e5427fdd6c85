// auxDIBImageLoadA in a web page, where neither GDI nor SDL's reader is at hand: a reader of the
// uncompressed Windows BMP files the program's models come with.
//
// Reads the info header of Windows 3 and later (not OS/2's) with 1, 4, 8, 24 or 32 bits per
// pixel, palettes, and either row order; the record's rows come bottom first, as a DIB stores
// them. Differs from GLAUX: the header is checked first (platform/bmpcheck.h), so a damaged
// header cannot ask for gigabytes; run-length compression, bit fields and 16 bits per pixel are
// refused.
#include "platform/glaux.h"
#include "platform/bmpcheck.h"
#include "platform/filemap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

// Returns once the page has the file, if it is still painting it (page/loader.js); at once for
// any other (library.js).
extern "C" void balantor_file_ready(const char* path);

namespace {
unsigned long readLE(const unsigned char* p, int bytes) {
    unsigned long value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return value;
}

AUX_RGBImageRec* decode(const unsigned char* file, std::size_t size) {
    if (!platform::plausibleBmp(file,
                                size < platform::kBmpHeaderBytes ? size : platform::kBmpHeaderBytes,
                                static_cast<long long>(size)))
        return nullptr;
    const unsigned long infoSize = readLE(file + 14, 4);
    const int bits = static_cast<int>(readLE(file + 28, 2));
    if (infoSize < 40 || readLE(file + 30, 4) != 0 || bits == 16)
        return nullptr;
    const int width = static_cast<int>(static_cast<std::int32_t>(readLE(file + 18, 4)));
    const int signedHeight = static_cast<int>(static_cast<std::int32_t>(readLE(file + 22, 4)));
    const int height = signedHeight < 0 ? -signedHeight : signedHeight;
    const std::size_t offset = readLE(file + 10, 4);
    const std::size_t paletteAt = 14 + infoSize;
    unsigned long colours = readLE(file + 46, 4);
    if (bits <= 8 && colours == 0)
        colours = 1ul << bits;
    if (bits <= 8 && (colours > (1ul << bits) || paletteAt + colours * 4 > offset))
        return nullptr;

    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    auto* record = static_cast<AUX_RGBImageRec*>(std::malloc(sizeof(AUX_RGBImageRec)));
    auto* data =
        static_cast<unsigned char*>(std::malloc(static_cast<std::size_t>(width) * height * 3));
    if (!record || !data) {
        std::free(record);
        std::free(data);
        return nullptr;
    }
    for (int y = 0; y < height; ++y) {
        // Bottom row first, whichever way the file stores its rows.
        const int fileRow = signedHeight < 0 ? height - 1 - y : y;
        const unsigned char* row = file + offset + stride * fileRow;
        unsigned char* out = data + static_cast<std::size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x, out += 3) {
            const unsigned char* bgr;
            if (bits >= 24) {
                bgr = row + static_cast<std::size_t>(x) * (bits / 8);
            } else {
                const int bit = x * bits;
                const int index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
                bgr = static_cast<unsigned long>(index) < colours ? file + paletteAt + index * 4
                                                                  : file + paletteAt;
            }
            out[0] = bgr[2];
            out[1] = bgr[1];
            out[2] = bgr[0];
        }
    }
    record->sizeX = width;
    record->sizeY = height;
    record->data = data;
    return record;
}
} // namespace

AUX_RGBImageRec* auxDIBImageLoadA(const char* fileName) {
    if (!fileName)
        return nullptr;
    balantor_file_ready(fileName);
    std::FILE* file = std::fopen(fileName, "rb");
    if (!file)
        return nullptr;
    FileView view;
    AUX_RGBImageRec* record = nullptr;
    if (view.open(file) && view.size() >= 54)
        record = decode(reinterpret_cast<const unsigned char*>(view.data()), view.size());
    std::fclose(file);
    return record;
}
