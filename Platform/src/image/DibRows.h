#pragma once

// The uncompressed rows of a device-independent bitmap, as .bmp files and icon images store them.

#include "image/Bytes.h"
#include "image/Picture.h"

namespace plat::image {

struct DibLayout {
    int width = 0;  // 1 or more
    int height = 0; // 1 or more
    int bits = 0;   // 1, 4, 8, 16, 24 or 32
    bool topDown = false;
    std::vector<uint32_t> palette; // 0x00RRGGBB; indices past it read as black
    bool bitfields = false;        // 16 and 32 bits: the masks below, else 555 or B,G,R,A
    uint32_t masks[3] = {};        // red, green, blue

    int64_t stride() const { return (int64_t(bits) * width + 31) / 32 * 4; }
    int64_t rowsSize() const { return stride() * height; }
};

// False when the rows do not fit in the bytes. Plain 32-bit rows keep their fourth byte as alpha;
// every other form gives alpha 0.
bool decodeDibRows(const DibLayout& layout, Bytes rows, Picture& out);

// The palette of `count` entries of `entrySize` bytes (B, G, R[, reserved]) at `offset`; false
// when it lies past the bytes.
bool readPalette(Bytes bytes, size_t offset, uint32_t count, int entrySize, std::vector<uint32_t>& palette);

} // namespace plat::image
