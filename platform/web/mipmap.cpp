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
    const int n = image.components;
    // The next pixel across and the next row down, or the same ones where a side is one pixel:
    // counted twice, they weigh as the two they stand for.
    const std::size_t right = image.width > 1 ? n : 0;
    const std::size_t row = static_cast<std::size_t>(image.width) * n;
    const std::size_t below = image.height > 1 ? row : 0;
    Image out{width, height, n, {}};
    out.pixels.resize(static_cast<std::size_t>(width) * height * n);
    // By pointers along the rows: the ground's mipmaps are made while the first frame waits.
    unsigned char* to = out.pixels.data();
    for (int y = 0; y < height; ++y) {
        const unsigned char* from = image.pixels.data() + (below ? 2 * y : y) * row;
        for (int x = 0; x < width; ++x, from += 2 * right)
            for (int c = 0; c < n; ++c) {
                const int sum =
                    from[c] + from[right + c] + from[below + c] + from[below + right + c];
                *to++ = static_cast<unsigned char>((sum + 2) / 4);
            }
    }
    return out;
}

} // namespace platform
