// The box filters GLU builds mipmaps with.
#include "mipmap.h"

#include <algorithm>
#include <cmath>

namespace platform {

int nearestPower(int side) {
    if (side < 1)
        return 0;
    int power = 1;
    while (side > 3) {
        side >>= 1;
        power <<= 1;
    }
    return side == 3 ? power * 4 : side == 2 ? power * 2 : power;
}

void baseLevel(int width, int height, int largest, int& levelWidth, int& levelHeight) {
    levelWidth = nearestPower(width);
    levelHeight = nearestPower(height);
    while ((levelWidth > largest || levelHeight > largest) && (levelWidth > 1 || levelHeight > 1)) {
        levelWidth = std::max(1, levelWidth / 2);
        levelHeight = std::max(1, levelHeight / 2);
    }
}

Image scaleImage(const Image& image, int width, int height) {
    Image out{width, height, image.components, {}};
    out.pixels.resize(static_cast<std::size_t>(width) * height * image.components);
    const double sx = static_cast<double>(image.width) / width;
    const double sy = static_cast<double>(image.height) / height;
    for (int y = 0; y < height; ++y) {
        const double y0 = y * sy, y1 = (y + 1) * sy;
        for (int x = 0; x < width; ++x) {
            const double x0 = x * sx, x1 = (x + 1) * sx;
            for (int c = 0; c < image.components; ++c) {
                double sum = 0;
                double area = 0;
                // Every source pixel the new one touches, weighted by the part it covers.
                for (int j = static_cast<int>(y0); j < std::min<double>(y1, image.height); ++j) {
                    const double h = std::min<double>(y1, j + 1) - std::max<double>(y0, j);
                    for (int i = static_cast<int>(x0); i < std::min<double>(x1, image.width); ++i) {
                        const double w = std::min<double>(x1, i + 1) - std::max<double>(x0, i);
                        const std::size_t at =
                            (static_cast<std::size_t>(j) * image.width + i) * image.components + c;
                        sum += w * h * image.pixels[at];
                        area += w * h;
                    }
                }
                out.pixels[(static_cast<std::size_t>(y) * width + x) * image.components + c] =
                    static_cast<unsigned char>(area > 0 ? std::lround(sum / area) : 0);
            }
        }
    }
    return out;
}

Image halveImage(const Image& image) {
    const int width = std::max(1, image.width / 2);
    const int height = std::max(1, image.height / 2);
    const int stepX = image.width > 1 ? 2 : 1;
    const int stepY = image.height > 1 ? 2 : 1;
    Image out{width, height, image.components, {}};
    out.pixels.resize(static_cast<std::size_t>(width) * height * image.components);
    auto at = [&](int x, int y, int c) {
        return image.pixels[(static_cast<std::size_t>(y) * image.width + x) * image.components + c];
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < image.components; ++c) {
                const int x0 = x * stepX, y0 = y * stepY;
                const int x1 = x0 + stepX - 1, y1 = y0 + stepY - 1;
                const int count = stepX * stepY;
                const int sum = at(x0, y0, c) + at(x1, y0, c) * (stepX - 1) +
                                at(x0, y1, c) * (stepY - 1) +
                                at(x1, y1, c) * (stepX - 1) * (stepY - 1);
                out.pixels[(static_cast<std::size_t>(y) * width + x) * image.components + c] =
                    static_cast<unsigned char>((sum + count / 2) / count);
            }
    return out;
}

} // namespace platform
