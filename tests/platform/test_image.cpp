// The BMP loader: hand-made 24-bit and 8-bit files, both row orders, and files it must refuse.
#include "platform/glaux.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
using Bytes = std::vector<unsigned char>;

// A BMP with a 40-byte info header; rows are given as stored, padding included.
Bytes bitmap(std::uint32_t width, std::uint32_t height, std::uint32_t bits, const Bytes& palette,
             const Bytes& rows) {
    const auto offset = static_cast<std::uint32_t>(14 + 40 + palette.size());
    const auto end = static_cast<std::uint32_t>(offset + rows.size());
    const auto colours = static_cast<std::uint32_t>(palette.size() / 4);
    // File header, then the info header: no compression, no resolution.
    const std::uint32_t fields[][2] = {{end, 4},    {0, 4}, {offset, 4},  {40, 4}, {width, 4},
                                       {height, 4}, {1, 2}, {bits, 2},    {0, 4},  {0, 4},
                                       {0, 4},      {0, 4}, {colours, 4}, {0, 4}};
    Bytes out{'B', 'M'};
    for (const auto& [value, bytes] : fields)
        for (std::uint32_t i = 0; i < bytes; ++i)
            out.push_back(static_cast<unsigned char>(value >> (8 * i)));
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

struct Loaded {
    bool ok = false;
    int width = 0;
    int height = 0;
    Bytes pixels;
};

// Writes the file and loads it, freeing the record as the program does.
Loaded load(const Bytes& file) {
    const std::string path = ::testing::TempDir() + "image" + std::to_string(getpid()) + ".bmp";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    Loaded out;
    if (AUX_RGBImageRec* image = auxDIBImageLoadA(path.c_str())) {
        out = {true, image->sizeX, image->sizeY,
               Bytes(image->data, image->data + image->sizeX * image->sizeY * 3)};
        std::free(image->data);
        std::free(image);
    }
    std::remove(path.c_str());
    return out;
}

TEST(ImageLoader, RowsComeBottomFirstAsRgbFromEitherFileOrderAndFromAPalette) {
    // 3 x 2 pixels: rows of 9 bytes padded to 12, stored blue-green-red.
    const Bytes bottomUp = {1,  2,  3,  4,  5,  6,  7,  8,  9,  0, 0, 0,
                            11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
    const Bytes topDown = {11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0,
                           1,  2,  3,  4,  5,  6,  7,  8,  9,  0, 0, 0};
    const Bytes expected = {3, 2, 1, 6, 5, 4, 9, 8, 7, 13, 12, 11, 16, 15, 14, 19, 18, 17};
    for (const Loaded& image :
         {load(bitmap(3, 2, 24, {}, bottomUp)), load(bitmap(3, -2, 24, {}, topDown))}) {
        ASSERT_TRUE(image.ok);
        EXPECT_EQ(image.width, 3);
        EXPECT_EQ(image.height, 2);
        EXPECT_EQ(image.pixels, expected);
    }

    // 5 x 2 indices into blue, red and brown; rows padded to 8 bytes.
    const Bytes palette = {255, 0, 0, 0, 0, 0, 255, 0, 10, 20, 30, 0};
    const Loaded indexed =
        load(bitmap(5, 2, 8, palette, {0, 1, 2, 1, 0, 0, 0, 0, 2, 2, 2, 2, 2, 0, 0, 0}));
    ASSERT_TRUE(indexed.ok);
    EXPECT_EQ(indexed.width, 5);
    EXPECT_EQ(indexed.pixels,
              (Bytes{0,  0,  255, 255, 0,  0,  30, 20, 10, 255, 0,  0,  0,  0,  255,
                     30, 20, 10,  30,  20, 10, 30, 20, 10, 30,  20, 10, 30, 20, 10}));
}

TEST(ImageLoader, RefusesMissingDamagedAndAbsurdFiles) {
    Bytes truncated = bitmap(4, 4, 24, {}, Bytes(48, 7));
    ASSERT_TRUE(load(truncated).ok);
    truncated.resize(truncated.size() - 5);
    Bytes wrongMagic = bitmap(1, 1, 24, {}, {1, 2, 3, 0});
    wrongMagic[0] = 'X';

    EXPECT_EQ(auxDIBImageLoadA(nullptr), nullptr);
    EXPECT_EQ(auxDIBImageLoadA("no/such/file.bmp"), nullptr);
    EXPECT_FALSE(load({}).ok);
    EXPECT_FALSE(load(Bytes(200, 'x')).ok);
    EXPECT_FALSE(load(wrongMagic).ok);
    EXPECT_FALSE(load(truncated).ok);
    // Headers that claim gigabytes: refused by the size limit or by the file's length.
    EXPECT_FALSE(load(bitmap(60000, 60000, 24, {}, {})).ok);
    EXPECT_FALSE(load(bitmap(1, INT_MIN, 24, {}, {})).ok);
    EXPECT_FALSE(load(bitmap(16000, 16000, 32, {}, {})).ok);
}
} // namespace
