#pragma once

// Pixel memory that device contexts draw into: a window's back surface or a bitmap's bits.

#include <cstdint>

namespace plat::gdi {

// Rows run top-down, `stride` bytes apart. Drawing works on 32-bit B,G,R,X pixels and writes X = 0;
// blits also read and write the other depths bitmaps come in, through `colors` for 1 and 8 bits.
struct Surface {
    uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    int bitsPerPixel = 32;
    const uint32_t* colors = nullptr; // 0x00RRGGBB entries of a 1- or 8-bit surface's table

    bool empty() const { return bits == nullptr || width <= 0 || height <= 0; }
    uint8_t* row(int y) const { return bits + int64_t(y) * stride; }
};

} // namespace plat::gdi
