#pragma once

// A decoded picture: 0xAARRGGBB pixels (B, G, R, A in memory), rows top-down.

#include <cstdint>
#include <vector>

namespace plat::image {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// Nearest-neighbour resampling, sampling the source at the centres of the new pixels.
template <class T> std::vector<T> scaleNearest(const std::vector<T>& from, int width, int height, int newWidth, int newHeight)
{
    std::vector<T> to(size_t(newWidth) * size_t(newHeight));
    for (int y = 0; y < newHeight; ++y) {
        const int sy = int(int64_t(2 * y + 1) * height / (2 * int64_t(newHeight)));
        for (int x = 0; x < newWidth; ++x) {
            const int sx = int(int64_t(2 * x + 1) * width / (2 * int64_t(newWidth)));
            to[size_t(y) * size_t(newWidth) + size_t(x)] = from[size_t(sy) * size_t(width) + size_t(sx)];
        }
    }
    return to;
}

} // namespace plat::image
