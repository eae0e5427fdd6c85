// The BMP loader: hand-made 24-bit and 8-bit files, both row orders, and files it must refuse.
#include "platform/glaux.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {
using Bytes = std::vector<unsigned char>;

void put(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// A BMP with a 40-byte info header; rows are given as stored, padding included.
Bytes bitmap(int width, int height, int bitsPerPixel, const Bytes& palette, const Bytes& rows) {
    const std::uint32_t offset = 14 + 40 + static_cast<std::uint32_t>(palette.size());
    Bytes out{'B', 'M'};
    put(out, offset + static_cast<std::uint32_t>(rows.size()), 4);
    put(out, 0, 4);
    put(out, offset, 4);
    put(out, 40, 4);
    put(out, static_cast<std::uint32_t>(width), 4);
    put(out, static_cast<std::uint32_t>(height), 4);
    put(out, 1, 2);
    put(out, static_cast<std::uint32_t>(bitsPerPixel), 2);
    put(out, 0, 4);
    put(out, static_cast<std::uint32_t>(rows.size()), 4);
    put(out, 2835, 4);
    put(out, 2835, 4);
    put(out, static_cast<std::uint32_t>(palette.size() / 4), 4);
    put(out, 0, 4);
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

class ImageLoader : public ::testing::Test {
  protected:
    std::string write(const std::string& name, const Bytes& bytes) {
        const std::string path = ::testing::TempDir() + "platform_image_" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    // Loads the file and hands back its pixels, freeing the record as the program does.
    bool load(const std::string& path, int& width, int& height, Bytes& pixels) {
        AUX_RGBImageRec* image = auxDIBImageLoadA(path.c_str());
        if (!image)
            return false;
        width = image->sizeX;
        height = image->sizeY;
        pixels.assign(image->data, image->data + width * height * 3);
        std::free(image->data);
        std::free(image);
        return true;
    }
};

TEST_F(ImageLoader, TwentyFourBitRowsComeBottomFirstAsRgbInEitherFileOrder) {
    // 3 x 2 pixels: rows of 9 bytes padded to 12, stored blue-green-red.
    const Bytes bottom = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0};
    const Bytes top = {11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
    Bytes bottomUp = bottom;
    bottomUp.insert(bottomUp.end(), top.begin(), top.end());
    Bytes topDown = top;
    topDown.insert(topDown.end(), bottom.begin(), bottom.end());
    const Bytes expected = {3, 2, 1, 6, 5, 4, 9, 8, 7, 13, 12, 11, 16, 15, 14, 19, 18, 17};

    for (const auto& [name, height, rows] :
         {std::make_tuple("up.bmp", 2, bottomUp), std::make_tuple("down.bmp", -2, topDown)}) {
        int width = 0;
        int gotHeight = 0;
        Bytes pixels;
        ASSERT_TRUE(load(write(name, bitmap(3, height, 24, {}, rows)), width, gotHeight, pixels))
            << name;
        EXPECT_EQ(width, 3);
        EXPECT_EQ(gotHeight, 2);
        EXPECT_EQ(pixels, expected) << name;
    }
}

TEST_F(ImageLoader, EightBitIndicesBecomeTheirPaletteColours) {
    const Bytes palette = {255, 0, 0, 0, 0, 0, 255, 0, 10, 20, 30, 0};   // blue, red, brown
    const Bytes rows = {0, 1, 2, 1, 0, 0, 0, 0, 2, 2, 2, 2, 2, 0, 0, 0}; // 5 wide, padded to 8
    int width = 0;
    int height = 0;
    Bytes pixels;
    ASSERT_TRUE(load(write("palette.bmp", bitmap(5, 2, 8, palette, rows)), width, height, pixels));
    EXPECT_EQ(width, 5);
    EXPECT_EQ(height, 2);
    const Bytes blue = {0, 0, 255};
    const Bytes red = {255, 0, 0};
    const Bytes brown = {30, 20, 10};
    Bytes expected;
    for (const Bytes* colour :
         {&blue, &red, &brown, &red, &blue, &brown, &brown, &brown, &brown, &brown})
        expected.insert(expected.end(), colour->begin(), colour->end());
    EXPECT_EQ(pixels, expected);
}

TEST_F(ImageLoader, RefusesMissingDamagedAndAbsurdFilesWithoutAllocatingForThem) {
    const Bytes good = bitmap(1, 1, 24, {}, {1, 2, 3, 0});
    Bytes truncated = bitmap(4, 4, 24, {}, Bytes(48, 7));
    truncated.resize(truncated.size() - 5);
    Bytes wrongMagic = good;
    wrongMagic[0] = 'X';

    EXPECT_EQ(auxDIBImageLoadA(nullptr), nullptr);
    EXPECT_EQ(auxDIBImageLoadA(""), nullptr);
    EXPECT_EQ(auxDIBImageLoadA("no/such/file.bmp"), nullptr);
    EXPECT_EQ(auxDIBImageLoadA(::testing::TempDir().c_str()), nullptr);
    EXPECT_EQ(auxDIBImageLoadA(write("empty.bmp", {}).c_str()), nullptr);
    EXPECT_EQ(auxDIBImageLoadA(write("text.bmp", Bytes(200, 'x')).c_str()), nullptr);
    EXPECT_EQ(auxDIBImageLoadA(write("magic.bmp", wrongMagic).c_str()), nullptr);
    EXPECT_EQ(auxDIBImageLoadA(write("truncated.bmp", truncated).c_str()), nullptr);
    // Headers that claim gigabytes: refused by the size limit or by the file's length.
    EXPECT_EQ(auxDIBImageLoadA(write("huge.bmp", bitmap(60000, 60000, 24, {}, {})).c_str()),
              nullptr);
    EXPECT_EQ(auxDIBImageLoadA(write("tall.bmp", bitmap(1, INT_MIN, 24, {}, {})).c_str()), nullptr);
    EXPECT_EQ(auxDIBImageLoadA(write("big.bmp", bitmap(16000, 16000, 32, {}, {})).c_str()),
              nullptr);
    // The limit itself: 16384 pixels a side loads, one more does not.
    int width = 0;
    int height = 0;
    Bytes pixels;
    EXPECT_TRUE(load(write("limit.bmp", bitmap(16384, 1, 8, Bytes(4, 9), Bytes(16384, 0))), width,
                     height, pixels));
    EXPECT_EQ(width, 16384);
    EXPECT_FALSE(load(write("over.bmp", bitmap(16385, 1, 8, Bytes(4, 9), Bytes(16388, 0))), width,
                      height, pixels));
    EXPECT_TRUE(load(write("good.bmp", good), width, height, pixels));
}
} // namespace
