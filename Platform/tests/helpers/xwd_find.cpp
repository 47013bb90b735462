// Looks for a colour in an X window dump: xwd_find FILE RRGGBB [MIN-PIXELS] answers status 0 when
// at least MIN-PIXELS (default 1) pixels have that colour, 1 when fewer do, 2 for a file it
// cannot read. Handles the true-colour dumps of 24- and 32-bit pixels that xwd writes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

enum Field {
    kHeaderSize, kVersion, kFormat, kDepth, kWidth, kHeight, kXOffset, kByteOrder, kBitmapUnit, kBitOrder,
    kBitmapPad, kBitsPerPixel, kBytesPerLine, kVisualClass, kRedMask, kGreenMask, kBlueMask, kBitsPerRgb,
    kColormapEntries, kColorCount, kFieldCount
};

constexpr uint32_t kZPixmap = 2;
constexpr size_t kColorSize = 12;

uint32_t bigEndian(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// The mask's value shifted down to 8 bits.
uint32_t channel(uint32_t pixel, uint32_t mask)
{
    if (!mask)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    const uint32_t value = (pixel & mask) >> shift;
    const uint32_t top = mask >> shift;
    return top == 0xFF ? value : value * 255 / top;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < kFieldCount * 4)
        return 2;
    uint32_t h[kFieldCount];
    for (int i = 0; i < kFieldCount; ++i)
        h[i] = bigEndian(&bytes[size_t(i) * 4]);
    const uint32_t want = uint32_t(std::strtoul(argv[2], nullptr, 16));
    const long minimum = argc > 3 ? std::atol(argv[3]) : 1;
    const uint32_t bpp = h[kBitsPerPixel];
    if (h[kFormat] != kZPixmap || (bpp != 24 && bpp != 32))
        return 2;
    const uint64_t start = uint64_t(h[kHeaderSize]) + uint64_t(h[kColorCount]) * kColorSize;
    const uint64_t need = start + uint64_t(h[kBytesPerLine]) * h[kHeight];
    if (need > bytes.size() || uint64_t(h[kWidth]) * (bpp / 8) > h[kBytesPerLine])
        return 2;
    long found = 0;
    for (uint32_t y = 0; y < h[kHeight]; ++y) {
        const uint8_t* row = &bytes[start + uint64_t(y) * h[kBytesPerLine]];
        for (uint32_t x = 0; x < h[kWidth]; ++x) {
            const uint8_t* p = row + size_t(x) * (bpp / 8);
            uint32_t pixel = 0;
            for (uint32_t b = 0; b < bpp / 8; ++b) // byte order 0: least significant first
                pixel |= uint32_t(p[h[kByteOrder] == 0 ? b : bpp / 8 - 1 - b]) << (8 * b);
            const uint32_t rgb = channel(pixel, h[kRedMask]) << 16 | channel(pixel, h[kGreenMask]) << 8
                | channel(pixel, h[kBlueMask]);
            found += rgb == want;
        }
    }
    return found >= minimum ? 0 : 1;
}
