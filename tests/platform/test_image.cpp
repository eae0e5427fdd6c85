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

// A BMP with a 40-byte info header; rows (or run-length data) are given as stored.
Bytes bitmap(std::uint32_t width, std::uint32_t height, std::uint32_t bits, const Bytes& palette,
             const Bytes& rows, std::uint32_t compression = 0) {
    const auto offset = static_cast<std::uint32_t>(14 + 40 + palette.size());
    const auto end = static_cast<std::uint32_t>(offset + rows.size());
    const auto colours = static_cast<std::uint32_t>(palette.size() / 4);
    const std::uint32_t fields[][2] = {
        {end, 4},         {0, 4},
        {offset, 4},      {40, 4},
        {width, 4},       {height, 4},
        {1, 2},           {bits, 2},
        {compression, 4}, {static_cast<std::uint32_t>(rows.size()), 4},
        {0, 4},           {0, 4},
        {colours, 4},     {0, 4}};
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

// Loads the file, reading every pixel and freeing the record as the program does.
Loaded loadFile(const std::string& path) {
    Loaded out;
    if (AUX_RGBImageRec* image = auxDIBImageLoadA(path.c_str())) {
        out = {true, image->sizeX, image->sizeY,
               Bytes(image->data, image->data + image->sizeX * image->sizeY * 3)};
        std::free(image->data);
        std::free(image);
    }
    return out;
}

Loaded load(const Bytes& file) {
    return loadFile(WriteScratch("image.bmp", std::string(file.begin(), file.end())));
}

TEST(ImageLoader, RowsComeBottomFirstAsRgbFromEitherFileOrderAPaletteOrRuns) {
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

    // Run-length: the bottom row four pixels of red, the top row two of blue and two of brown.
    const Loaded runs = load(bitmap(4, 2, 8, palette, {4, 1, 0, 0, 2, 0, 2, 2, 0, 1}, 1));
    ASSERT_TRUE(runs.ok);
    EXPECT_EQ(runs.pixels, (Bytes{255, 0, 0,   255, 0, 0,   255, 0,  0,  255, 0,  0,
                                  0,   0, 255, 0,   0, 255, 30,  20, 10, 30,  20, 10}));

    // Every seed of the fuzz target is a valid bitmap.
    for (const auto& seed : std::filesystem::directory_iterator("fuzz/seeds/bmp"))
        EXPECT_TRUE(loadFile(seed.path().string()).ok) << seed.path();
}

// Missing and damaged files, and headers that claim far more pixels than their file could hold:
// refused before anything of that size is allocated, never a crash. Run-length data too short
// for its image and unknown compressions were found by the fuzz target.
TEST(ImageLoader, RefusesMissingDamagedAndAbsurdFiles) {
    Bytes truncated = bitmap(4, 4, 24, {}, Bytes(48, 7));
    ASSERT_TRUE(load(truncated).ok);
    truncated.resize(truncated.size() - 5);
    Bytes wrongMagic = bitmap(1, 1, 24, {}, {1, 2, 3, 0});
    wrongMagic[0] = 'X';
    Bytes pastEnd = bitmap(2, 2, 24, {}, Bytes(16, 0));
    pastEnd[10] = 0xff;
    const Bytes run = {0, 1};

    EXPECT_EQ(auxDIBImageLoadA(nullptr), nullptr);
    EXPECT_EQ(auxDIBImageLoadA("no/such/file.bmp"), nullptr);
    for (const Bytes& file :
         {Bytes{}, Bytes(200, 'x'), wrongMagic, truncated, pastEnd,
          bitmap(60000, 60000, 24, {}, {}), bitmap(1, INT_MIN, 24, {}, {}),
          bitmap(16000, 16000, 32, {}, {}), bitmap(16384, 16384, 8, {}, run, 1),
          bitmap(16384, 16384, 4, {}, run, 2), bitmap(64, 64, 24, {}, run, 1),
          bitmap(13824, 10240, 24, {}, run, 0xfe000000),
          bitmap(4096, 4096, 24, {}, Bytes(64, 0), 4), bitmap(64, 64, 7, {}, Bytes(4096, 0))})
        EXPECT_FALSE(load(file).ok) << file.size() << " bytes";
    for (const auto& saved : std::filesystem::directory_iterator("tests/robust/inputs"))
        EXPECT_TRUE(saved.path().extension() != ".bmp" || !loadFile(saved.path().string()).ok)
            << saved.path();

    // A run-length file that does hold the runs for its size still loads.
    Bytes runs;
    for (int row = 0; row < 64; ++row)
        runs.insert(runs.end(), {255, 1, 255, 2, 2, 3, 0, 0});
    runs.insert(runs.end(), {0, 1});
    EXPECT_TRUE(load(bitmap(512, 64, 8, Bytes(16, 0), runs, 1)).ok);
}
} // namespace
