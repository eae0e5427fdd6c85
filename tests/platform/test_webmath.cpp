// The web page's own OpenGL arithmetic: the matrices that light the scene, and the mipmaps.
// WebGL 1 mipmaps only power-of-two textures, so the page brings a bitmap to such sides first,
// as GLU does, and halves it level by level.
#include "platform/web/matrix.h"
#include "platform/web/mipmap.h"

#include <gtest/gtest.h>

using platform::Image;
using platform::Matrix;

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

TEST(WebMipmap, TheFirstLevelFitsTheLargestSideEvenOnALostContext) {
    int w = 0, h = 0;
    platform::baseLevel(1000, 600, 512, w, h);
    EXPECT_EQ(w, 512);
    EXPECT_EQ(h, 256);
    platform::baseLevel(1024, 1024, 4096, w, h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 1024);
    // A lost context answers 0 for the largest side: this must end, not halve for ever.
    platform::baseLevel(1024, 4, 0, w, h);
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
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

TEST(WebMatrix, NormalsTurnWithTheModelAndGrowWhereItShrinks) {
    // A quarter turn about x, as glRotatef(90, 1, 0, 0) makes it: up becomes towards the eye.
    Matrix turn;
    turn.m[5] = 0;
    turn.m[6] = 1;
    turn.m[9] = -1;
    turn.m[10] = 0;
    float n[9];
    platform::normalMatrix(turn, n);
    // Column-major: the up normal (0, 1, 0) comes out as column 1.
    EXPECT_NEAR(n[3], 0, 1e-6);
    EXPECT_NEAR(n[4], 0, 1e-6);
    EXPECT_NEAR(n[5], 1, 1e-6);
    // Scaled by 0.05 and moved: normals are 20 times longer, as OpenGL leaves them unnormalised,
    // and the move does not touch them.
    Matrix scale;
    scale.m[0] = scale.m[5] = scale.m[10] = 0.05f;
    Matrix move;
    move.m[12] = 3;
    platform::normalMatrix(platform::multiply(move, platform::multiply(turn, scale)), n);
    EXPECT_NEAR(n[5], 20, 1e-4);
    const float corner[4] = {1, 1, 0, 1};
    float out[4];
    platform::transform(platform::multiply(move, platform::multiply(turn, scale)), corner, out);
    EXPECT_NEAR(out[0], 3.05f, 1e-6);
    EXPECT_NEAR(out[1], 0, 1e-6);
    EXPECT_NEAR(out[2], 0.05f, 1e-6);
}
