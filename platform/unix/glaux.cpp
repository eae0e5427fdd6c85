// auxDIBImageLoadA on SDL2's BMP reader.
//
// Any BMP that SDL reads (1, 4, 8, 16, 24 and 32 bits per pixel, palettes, bit fields,
// top-down or bottom-up) becomes the record, rows bottom first as a DIB stores them.
// Differs from GLAUX: before anything is allocated the header is checked (platform/bmpcheck.h), so
// a damaged header cannot ask for gigabytes; unknown compressions and pixel depths are refused.
#include "platform/glaux.h"
#include "platform/bmpcheck.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace {
bool plausible(SDL_RWops* file) {
    unsigned char header[platform::kBmpHeaderBytes] = {};
    const size_t got = SDL_RWread(file, header, 1, sizeof header);
    return platform::plausibleBmp(header, got, SDL_RWsize(file));
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
