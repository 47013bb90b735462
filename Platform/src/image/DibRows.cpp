#include "image/DibRows.h"

#include <bit>

namespace plat::image {

namespace {

// A channel of a masked pixel spread over 0..255.
uint32_t channel(uint32_t value, uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const uint64_t top = mask >> shift;
    return uint32_t(uint64_t((value & mask) >> shift) * 255 / top);
}

uint32_t masked(uint32_t value, const uint32_t (&masks)[3])
{
    return channel(value, masks[0]) << 16 | channel(value, masks[1]) << 8 | channel(value, masks[2]);
}

uint32_t paletteAt(const std::vector<uint32_t>& palette, uint32_t index) { return index < palette.size() ? palette[index] : 0; }

} // namespace

bool readPalette(Bytes bytes, size_t offset, uint32_t count, int entrySize, std::vector<uint32_t>& palette)
{
    if (!bytes.holds(offset, uint64_t(count) * uint64_t(entrySize)))
        return false;
    palette.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = bytes.data + offset + size_t(i) * size_t(entrySize);
        palette[i] = uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0];
    }
    return true;
}

bool decodeDibRows(const DibLayout& layout, Bytes rows, Picture& out)
{
    const int64_t stride = layout.stride();
    if (!rows.holds(0, uint64_t(layout.rowsSize())))
        return false;
    static constexpr uint32_t k555[3] = {0x7C00, 0x03E0, 0x001F};
    const uint32_t(&masks)[3] = layout.bitfields || layout.bits != 16 ? layout.masks : k555;
    out.width = layout.width;
    out.height = layout.height;
    out.pixels.assign(size_t(layout.width) * size_t(layout.height), 0);
    for (int y = 0; y < layout.height; ++y) {
        const uint8_t* row = rows.data + stride * (layout.topDown ? y : layout.height - 1 - y);
        uint32_t* to = out.pixels.data() + size_t(y) * size_t(layout.width);
        for (int x = 0; x < layout.width; ++x) {
            switch (layout.bits) {
            case 1:
                to[x] = paletteAt(layout.palette, row[x >> 3] >> (7 - (x & 7)) & 1);
                break;
            case 4:
                to[x] = paletteAt(layout.palette, row[x >> 1] >> (x & 1 ? 0 : 4) & 0xF);
                break;
            case 8:
                to[x] = paletteAt(layout.palette, row[x]);
                break;
            case 16:
                to[x] = masked(uint32_t(row[2 * x] | row[2 * x + 1] << 8), masks);
                break;
            case 24:
                to[x] = uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x];
                break;
            default: {
                const uint32_t v = Bytes{row, 4 * size_t(layout.width)}.u32(4 * size_t(x));
                to[x] = layout.bitfields ? masked(v, masks) : v;
            }
            }
        }
    }
    return true;
}

} // namespace plat::image
