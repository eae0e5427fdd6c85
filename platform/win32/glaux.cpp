// auxDIBImageLoadA on the Win32 API, since Windows no longer ships GLAUX.
//
// The file is viewed whole (platform/filemap.h) and GDI decodes it: SetDIBits turns whatever it
// holds (1 to 32 bits per pixel, palettes, bit fields, run-length compression, either row order,
// the OS/2 header) into a 24-bit DIB section, whose rows, bottom row first, are then packed
// tightly as RGB. LoadImageA with LR_LOADFROMFILE would read the file itself, but under Wine its
// DIB section of a file stored top row first comes back black.
// Differs from GLAUX: the header is checked first (platform/bmpcheck.h), so a damaged header
// cannot ask for gigabytes; unknown compressions and pixel depths, and palettes larger than the
// depth allows, are refused. GDI reads only what the file holds: the info header and colour table
// are copied into a zero-filled record of the largest size GDI reads, and run-length data is said
// to end where the file ends.
#include "platform/glaux.h"
#include "platform/bmpcheck.h"
#include "platform/filemap.h"
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
const std::size_t kFileHeaderBytes = 14;

// The info header and colour table as GDI reads them.
struct Info {
    BITMAPV5HEADER header;
    RGBQUAD colours[256];
};

// The OS/2 header, or one from BITMAPINFOHEADER up to BITMAPV5HEADER: any colour table then lies
// within Info.
bool readableInfoSize(DWORD size) {
    return size == sizeof(BITMAPCOREHEADER) ||
           (size >= sizeof(BITMAPINFOHEADER) && size <= sizeof(BITMAPV5HEADER));
}

// GDI's 24-bit rows, BGR and padded to four bytes, as the record's tightly packed RGB rows.
AUX_RGBImageRec* toRecord(const unsigned char* pixels, int width, int height) {
    const std::size_t row = static_cast<std::size_t>(width) * 3;
    const std::size_t paddedRow = (row + 3) & ~static_cast<std::size_t>(3);
    auto* record = static_cast<AUX_RGBImageRec*>(std::malloc(sizeof(AUX_RGBImageRec)));
    auto* data = static_cast<unsigned char*>(std::malloc(row * height));
    if (!record || !data) {
        std::free(record);
        std::free(data);
        return nullptr;
    }
    for (int y = 0; y < height; ++y) {
        const unsigned char* from = pixels + paddedRow * y;
        unsigned char* to = data + row * y;
        for (std::size_t x = 0; x < row; x += 3) {
            to[x] = from[x + 2];
            to[x + 1] = from[x + 1];
            to[x + 2] = from[x];
        }
    }
    record->sizeX = width;
    record->sizeY = height;
    record->data = data;
    return record;
}

AUX_RGBImageRec* decode(const unsigned char* file, std::size_t size) {
    if (!platform::plausibleBmp(file, std::min(size, platform::kBmpHeaderBytes),
                                static_cast<long long>(size)))
        return nullptr;
    Info info = {};
    std::memcpy(&info, file + kFileHeaderBytes, std::min(size - kFileHeaderBytes, sizeof info));
    BITMAPV5HEADER& header = info.header;
    if (!readableInfoSize(header.bV5Size))
        return nullptr;
    int width;
    int height;
    if (header.bV5Size == sizeof(BITMAPCOREHEADER)) {
        BITMAPCOREHEADER core;
        std::memcpy(&core, &header, sizeof core);
        width = core.bcWidth;
        height = core.bcHeight;
    } else {
        width = header.bV5Width;
        height = std::abs(header.bV5Height);
        if (header.bV5BitCount <= 8 && header.bV5ClrUsed > (1u << header.bV5BitCount))
            return nullptr;
        if (header.bV5BitCount > 8)
            header.bV5ClrUsed = 0; // a palette for display only, which GDI need not read
    }
    DWORD offset;
    std::memcpy(&offset, file + 10, sizeof offset);
    if (header.bV5Size != sizeof(BITMAPCOREHEADER) &&
        (header.bV5Compression == BI_RLE8 || header.bV5Compression == BI_RLE4))
        header.bV5SizeImage = static_cast<DWORD>(size - offset);

    BITMAPINFO target = {};
    target.bmiHeader.biSize = sizeof target.bmiHeader;
    target.bmiHeader.biWidth = width;
    target.bmiHeader.biHeight = height; // positive: bottom row first
    target.bmiHeader.biPlanes = 1;
    target.bmiHeader.biBitCount = 24;
    target.bmiHeader.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    void* pixels = nullptr;
    HBITMAP bitmap =
        dc ? CreateDIBSection(dc, &target, DIB_RGB_COLORS, &pixels, nullptr, 0) : nullptr;
    AUX_RGBImageRec* record = nullptr;
    if (bitmap && SetDIBits(dc, bitmap, 0, height, file + offset,
                            reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS) == height)
        record = toRecord(static_cast<const unsigned char*>(pixels), width, height);
    if (bitmap)
        DeleteObject(bitmap);
    if (dc)
        DeleteDC(dc);
    return record;
}
} // namespace

AUX_RGBImageRec* auxDIBImageLoadA(const char* fileName) {
    if (!fileName)
        return nullptr;
    std::FILE* file = std::fopen(fileName, "rb");
    if (!file)
        return nullptr;
    FileView view;
    AUX_RGBImageRec* record =
        view.open(file) ? decode(reinterpret_cast<const unsigned char*>(view.data()), view.size())
                        : nullptr;
    view.close();
    std::fclose(file);
    return record;
}
