#pragma once

// Reading and writing single pixels of a surface in any of its depths, and colour conversions.

#include "Surface.h"
#include "plat/types.h"

#include <cstring>

namespace plat::gdi {

// COLORREF (0x00BBGGRR) and a 32-bit surface pixel (bytes B, G, R, X: 0x00RRGGBB) are mirror images.
inline uint32_t toPixel(COLORREF c) { return (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu); }
inline COLORREF toColor(uint32_t px) { return (px & 0xFFu) << 16 | (px & 0xFF00u) | (px >> 16 & 0xFFu); }

// The table entry nearest to a 0x00RRGGBB pixel.
inline int nearestIndex(const Surface& s, uint32_t px)
{
    if (!s.colors) {
        const int grey = int((px >> 16 & 0xFF) + (px >> 8 & 0xFF) + (px & 0xFF)) / 3;
        return s.bitsPerPixel == 1 ? grey >= 128 : grey;
    }
    const int count = s.bitsPerPixel == 1 ? 2 : 256;
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < count; ++i) {
        const uint32_t e = s.colors[i];
        const long dr = long(e >> 16 & 0xFF) - long(px >> 16 & 0xFF), dg = long(e >> 8 & 0xFF) - long(px >> 8 & 0xFF),
                   db = long(e & 0xFF) - long(px & 0xFF);
        const long d = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// The pixel at (x, y) as 0x00RRGGBB; the caller keeps (x, y) inside the surface.
inline uint32_t readPixel(const Surface& s, int x, int y)
{
    const uint8_t* row = s.row(y);
    switch (s.bitsPerPixel) {
    case 32: {
        uint32_t px;
        std::memcpy(&px, row + 4 * x, 4);
        return px & 0xFFFFFFu;
    }
    case 24: return uint32_t(row[3 * x]) | uint32_t(row[3 * x + 1]) << 8 | uint32_t(row[3 * x + 2]) << 16;
    case 8: return s.colors ? s.colors[row[x]] & 0xFFFFFFu : uint32_t(row[x]) * 0x010101u;
    default: {
        const int bit = row[x >> 3] >> (7 - (x & 7)) & 1;
        return s.colors ? s.colors[bit] & 0xFFFFFFu : (bit ? 0xFFFFFFu : 0u);
    }
    }
}

inline void writePixel(const Surface& s, int x, int y, uint32_t px)
{
    uint8_t* row = s.row(y);
    switch (s.bitsPerPixel) {
    case 32: {
        const uint32_t v = px & 0xFFFFFFu;
        std::memcpy(row + 4 * x, &v, 4);
        break;
    }
    case 24:
        row[3 * x] = uint8_t(px);
        row[3 * x + 1] = uint8_t(px >> 8);
        row[3 * x + 2] = uint8_t(px >> 16);
        break;
    case 8: row[x] = uint8_t(nearestIndex(s, px)); break;
    default: {
        const uint8_t mask = uint8_t(0x80 >> (x & 7));
        if (nearestIndex(s, px))
            row[x >> 3] |= mask;
        else
            row[x >> 3] &= uint8_t(~mask);
    }
    }
}

} // namespace plat::gdi
