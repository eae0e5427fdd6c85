// The BMP loader: hand-made files in both row orders, with palettes and run-length data, the
// fuzz seeds and saved findings, and files it must refuse before allocating what they claim.
#include "platform/glaux.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {
using Bytes = std::vector<unsigned char>;
using Image = std::vector<int>;

// A BMP with a 40-byte info header; rows (or run-length data) are given as stored.
Bytes bitmap(std::uint32_t width, std::uint32_t height, std::uint32_t bits, const Bytes& palette,
             const Bytes& rows, std::uint32_t compression = 0) {
    const auto offset = static_cast<std::uint32_t>(14 + 40 + palette.size());
    const auto size = static_cast<std::uint32_t>(rows.size());
    const auto colours = static_cast<std::uint32_t>(palette.size() / 4);
    const std::uint32_t fields[] = {
        offset + size, 0,    offset, 40, width,   height, 1 | bits << 16,
        compression,   size, 0,      0,  colours, 0};
    Bytes out{'B', 'M'};
    for (const std::uint32_t value : fields)
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<unsigned char>(value >> (8 * i)));
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

// The width, the height and the pixels of the file, read and freed as the program does; nothing
// when the file is refused.
Image loadFile(const std::string& path) {
    Image out;
    if (AUX_RGBImageRec* image = auxDIBImageLoadA(path.c_str())) {
        out = {image->sizeX, image->sizeY};
        out.insert(out.end(), image->data, image->data + image->sizeX * image->sizeY * 3);
        std::free(image->data);
        std::free(image);
    }
    return out;
}

Image load(const Bytes& file) {
    return loadFile(WriteScratch("image.bmp", std::string(file.begin(), file.end())));
}

TEST(ImageLoader, RowsComeBottomFirstAsRgbFromEitherFileOrderAPaletteOrRuns) {
    // 1 x 2 pixels: rows of 3 bytes padded to 4, stored blue-green-red.
    const Image expected = {1, 2, 3, 2, 1, 6, 5, 4};
    EXPECT_EQ(load(bitmap(1, 2, 24, {}, {1, 2, 3, 0, 4, 5, 6, 0})), expected);
    EXPECT_EQ(load(bitmap(1, -2, 24, {}, {4, 5, 6, 0, 1, 2, 3, 0})), expected);
    // 3 x 2 indices into blue, red and brown; rows padded to 4 bytes.
    const Bytes palette = {255, 0, 0, 0, 0, 0, 255, 0, 10, 20, 30, 0};
    EXPECT_EQ(load(bitmap(3, 2, 8, palette, {0, 1, 2, 0, 2, 2, 1, 0})),
              (Image{3, 2, 0, 0, 255, 255, 0, 0, 30, 20, 10, 30, 20, 10, 30, 20, 10, 255, 0, 0}));
    // Run-length: the bottom row two pixels of red, the top row one of blue and one of brown.
    EXPECT_EQ(load(bitmap(2, 2, 8, palette, {2, 1, 0, 0, 1, 0, 1, 2, 0, 1}, 1)),
              (Image{2, 2, 255, 0, 0, 255, 0, 0, 0, 0, 255, 30, 20, 10}));
    // Every seed of the fuzz target is a valid bitmap.
    for (const auto& seed : std::filesystem::directory_iterator("fuzz/seeds/bmp"))
        EXPECT_FALSE(loadFile(seed.path().string()).empty()) << seed.path();
}

// Missing and damaged files, and headers that claim far more pixels than their file could hold:
// refused before anything of that size is allocated, never a crash. Run-length data too short
// for its image and unknown compressions were found by the fuzz target.
TEST(ImageLoader, RefusesMissingDamagedAndAbsurdFiles) {
    Bytes truncated = bitmap(4, 4, 24, {}, Bytes(48, 7));
    ASSERT_FALSE(load(truncated).empty());
    truncated.resize(truncated.size() - 5);
    Bytes pastEnd = bitmap(2, 2, 24, {}, Bytes(16, 0));
    pastEnd[10] = 0xff;
    const Bytes run = {0, 1};

    EXPECT_EQ(auxDIBImageLoadA(nullptr), nullptr);
    EXPECT_EQ(auxDIBImageLoadA("no/such/file.bmp"), nullptr);
    for (const Bytes& file :
         {Bytes{}, Bytes(200, 'x'), truncated, pastEnd, bitmap(60000, 60000, 24, {}, {}),
          bitmap(1, INT_MIN, 24, {}, {}), bitmap(16000, 16000, 32, {}, {}),
          bitmap(16384, 16384, 8, {}, run, 1), bitmap(16384, 16384, 4, {}, run, 2),
          bitmap(64, 64, 24, {}, run, 1), bitmap(13824, 10240, 24, {}, run, 0xfe000000),
          bitmap(4096, 4096, 24, {}, Bytes(64, 0), 4), bitmap(64, 64, 7, {}, Bytes(4096, 0))})
        EXPECT_TRUE(load(file).empty()) << file.size() << " bytes";
    for (const auto& saved : std::filesystem::directory_iterator("tests/robust/inputs"))
        EXPECT_TRUE(saved.path().extension() != ".bmp" || loadFile(saved.path().string()).empty())
            << saved.path();
}
} // namespace
