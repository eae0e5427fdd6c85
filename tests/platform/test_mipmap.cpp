// The web page's mipmaps: WebGL 1 mipmaps only power-of-two textures, so the page brings a
// bitmap to such sides first, as GLU does, and halves it level by level.
#include "platform/web/mipmap.h"

#include <gtest/gtest.h>

using platform::Image;

namespace {
Image row(std::vector<unsigned char> pixels, int components = 1) {
    const int width = static_cast<int>(pixels.size()) / components;
    return Image{width, 1, components, std::move(pixels)};
}
} // namespace

TEST(WebMipmap, SidesRoundToTheNearestPowerAsGluDoes) {
    const int sides[][2] = {{1, 1},   {2, 2},     {3, 4},      {5, 4},       {6, 8}, {7, 8},
                            {64, 64}, {600, 512}, {800, 1024}, {1024, 1024}, {0, 0}, {-5, 0}};
    for (const auto& side : sides)
        EXPECT_EQ(platform::nearestPower(side[0]), side[1]) << side[0];
}

TEST(WebMipmap, ScalingAveragesTheAreaEachPixelCovers) {
    // Three pixels over four: the middle two each take parts of two neighbours.
    EXPECT_EQ(platform::scaleImage(row({0, 90, 180}), 4, 1).pixels,
              (std::vector<unsigned char>{0, 60, 120, 180}));
    // Down to one pixel: the mean of all, each component on its own.
    const Image rgb = platform::scaleImage(row({10, 200, 0, 30, 100, 255, 50, 0, 0}, 3), 1, 1);
    EXPECT_EQ(rgb.pixels, (std::vector<unsigned char>{30, 100, 85}));
}

TEST(WebMipmap, HalvingEndsAtOnePixelWithRoundedMeans) {
    Image image{4, 2, 1, {1, 2, 3, 4, 5, 6, 7, 9}};
    image = platform::halveImage(image);
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 1);
    // (1 + 2 + 5 + 6) / 4 = 3.5 rounds up; (3 + 4 + 7 + 9) / 4 = 5.75.
    EXPECT_EQ(image.pixels, (std::vector<unsigned char>{4, 6}));
    image = platform::halveImage(image);
    EXPECT_EQ(image.width, 1);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.pixels, (std::vector<unsigned char>{5}));
}
