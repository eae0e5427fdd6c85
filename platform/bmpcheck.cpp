// The bitmap loaders' shared check: what a BMP header claims, against the size of its file.
#include "platform/bmpcheck.h"

namespace platform {
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
} // namespace

bool plausibleBmp(const unsigned char* header, std::size_t got, long long fileSize) {
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
        if (got < kBmpHeaderBytes)
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
    if (fileSize < 0 || offset > fileSize)
        return false;
    // Run-length files: a two-byte run gives at most 255 pixels, so a file that claims more
    // pixels than that is refused before the decoder makes an image of the claimed size.
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

} // namespace platform
