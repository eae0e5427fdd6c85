// auxDIBImageLoadA on SDL2's BMP reader.
//
// Any BMP that SDL reads (1, 4, 8, 16, 24 and 32 bits per pixel, palettes, bit fields,
// top-down or bottom-up) becomes the record, rows bottom first as a DIB stores them.
// Differs from GLAUX: before anything is allocated the header is checked, and a file is refused
// when it claims more than 16384 pixels a side, or when an uncompressed file is shorter than its
// pixel rows, so a damaged header cannot ask for gigabytes. Run-length files may claim at most 128
// pixels per byte of pixel data; unknown compressions and pixel depths are refused.
#include "platform/glaux.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace {
const long long maxSide = 16384;
const long long rle8 = 1;
const long long rle4 = 2;
const long long rlePixelsPerByte = 128;

long long readLE(const unsigned char* p, int bytes) {
    unsigned long long value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | p[i];
    return static_cast<long long>(value);
}

long long readSigned32(const unsigned char* p) {
    const long long value = readLE(p, 4);
    return value >= 0x80000000LL ? value - 0x100000000LL : value;
}

// The file header and the start of the info header: the size the pixels claim, against the file.
bool plausible(SDL_RWops* file) {
    unsigned char header[34] = {};
    const size_t got = SDL_RWread(file, header, 1, sizeof header);
    if (got < 26 || header[0] != 'B' || header[1] != 'M')
        return false;
    const long long offset = readLE(header + 10, 4);
    const long long infoSize = readLE(header + 14, 4);
    long long width;
    long long height;
    long long bitsPerPixel;
    long long compression = 0;
    if (infoSize == 12) {
        width = readLE(header + 18, 2);
        height = readLE(header + 20, 2);
        bitsPerPixel = readLE(header + 24, 2);
    } else {
        if (got < sizeof header)
            return false;
        width = readSigned32(header + 18);
        height = readSigned32(header + 22);
        bitsPerPixel = readLE(header + 28, 2);
        compression = readLE(header + 30, 4);
    }
    if (height < 0)
        height = -height;
    if (width < 1 || width > maxSide || height < 1 || height > maxSide)
        return false;
    const Sint64 fileSize = SDL_RWsize(file);
    if (fileSize < 0 || offset > fileSize)
        return false;
    // Run-length files: a two-byte run gives at most 255 pixels, so a file that claims more
    // pixels than that is refused before SDL makes a surface of the claimed size.
    if ((compression == rle8 && bitsPerPixel == 8) || (compression == rle4 && bitsPerPixel == 4))
        return width * height <= rlePixelsPerByte * (fileSize - offset);
    const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
    const bool knownDepth = bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 ||
                            bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
    if (!uncompressed || !knownDepth)
        return false;
    const long long rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    return fileSize >= offset + rowBytes * height;
}

AUX_RGBImageRec* toRecord(SDL_Surface* rgb) {
    const size_t rowBytes = static_cast<size_t>(rgb->w) * 3;
    auto* record = static_cast<AUX_RGBImageRec*>(std::malloc(sizeof(AUX_RGBImageRec)));
    auto* data = static_cast<unsigned char*>(std::malloc(rowBytes * rgb->h));
    if (!record || !data || SDL_LockSurface(rgb) != 0) {
        std::free(record);
        std::free(data);
        return nullptr;
    }
    const auto* pixels = static_cast<const unsigned char*>(rgb->pixels);
    for (int row = 0; row < rgb->h; ++row)
        std::memcpy(data + rowBytes * row,
                    pixels + static_cast<size_t>(rgb->pitch) * (rgb->h - 1 - row), rowBytes);
    SDL_UnlockSurface(rgb);
    record->sizeX = rgb->w;
    record->sizeY = rgb->h;
    record->data = data;
    return record;
}
} // namespace

AUX_RGBImageRec* auxDIBImageLoadA(const char* fileName) {
    if (!fileName)
        return nullptr;
    SDL_RWops* file = SDL_RWFromFile(fileName, "rb");
    if (!file)
        return nullptr;
    if (!plausible(file) || SDL_RWseek(file, 0, RW_SEEK_SET) != 0) {
        SDL_RWclose(file);
        return nullptr;
    }
    SDL_Surface* loaded = SDL_LoadBMP_RW(file, 1);
    if (!loaded)
        return nullptr;
    SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
    SDL_FreeSurface(loaded);
    if (!rgb)
        return nullptr;
    AUX_RGBImageRec* record = toRecord(rgb);
    SDL_FreeSurface(rgb);
    return record;
}
