// Span painting with the raster operations drawing needs.

#include "Raster.h"

#include "Pixels.h"

#include <algorithm>
#include <cstring>

namespace plat::gdi {

namespace {

// Pixels left..right-1 of a 32-bit row; a plain loop over 32-bit words that compilers turn into
// vector stores, as fast as memset.
void fillPixels(uint8_t* row, int left, int right, uint32_t pixel)
{
    std::fill(reinterpret_cast<uint32_t*>(row) + left, reinterpret_cast<uint32_t*>(row) + right, pixel);
}

uint32_t apply(Rop rop, uint32_t dst, uint32_t src)
{
    switch (rop) {
    case Rop::Copy: return src;
    case Rop::Invert: return ~dst & 0xFFFFFFu;
    case Rop::Xor: return (dst ^ src) & 0xFFFFFFu;
    case Rop::And: return dst & src;
    case Rop::Or: return dst | src;
    }
    return src;
}

} // namespace

Raster::Raster(DeviceContext& dc) : dc_(dc), surface_(dc.surface()), clip_(dc.drawable()) {}

Raster::~Raster()
{
    if (touched_.left < touched_.right)
        dc_.drew(touched_);
}

void Raster::touch(int y, int x0, int x1)
{
    if (touched_.left >= touched_.right) {
        touched_ = RECT{x0, y, x1, y + 1};
        return;
    }
    touched_.left = std::min<LONG>(touched_.left, x0);
    touched_.right = std::max<LONG>(touched_.right, x1);
    touched_.top = std::min<LONG>(touched_.top, y);
    touched_.bottom = std::max<LONG>(touched_.bottom, y + 1);
}

void Raster::fillRect(const RECT& asked, COLORREF color, Rop rop)
{
    // Rows and columns outside the clip cost nothing, however large the rectangle.
    const RECT b = clip_.bounds();
    const RECT rect{std::max(asked.left, b.left), std::max(asked.top, b.top), std::min(asked.right, b.right),
                    std::min(asked.bottom, b.bottom)};
    if (rect.left >= rect.right || rect.top >= rect.bottom || !clip_.intersects(rect))
        return;
    if (surface_.bitsPerPixel != 32 || rop != Rop::Copy) {
        for (int y = int(rect.top); y < rect.bottom; ++y)
            span(y, rect.left, rect.right, color, rop);
        return;
    }
    // Block by block of the clip, so that no row needs a look-up; each row one 32-bit fill.
    const uint32_t pixel = toPixel(color);
    for (const RECT& c : clip_.rects()) {
        if (c.top >= rect.bottom)
            break;
        const RECT part{std::max(c.left, rect.left), std::max(c.top, rect.top), std::min(c.right, rect.right),
                        std::min(c.bottom, rect.bottom)};
        if (part.left >= part.right || part.top >= part.bottom)
            continue;
        touch(part.top, part.left, part.right);
        touch(part.bottom - 1, part.left, part.right);
        // The first row filled, the others copied from it: the C library's copy moves wider words
        // than a fill loop of 32-bit values does.
        uint8_t* first = surface_.row(int(part.top));
        fillPixels(first, part.left, part.right, pixel);
        const size_t bytes = size_t(part.right - part.left) * 4;
        for (int y = int(part.top) + 1; y < part.bottom; ++y)
            std::memcpy(surface_.row(y) + 4 * int64_t(part.left), first + 4 * int64_t(part.left), bytes);
    }
}

void Raster::span(int y, int x0, int x1, COLORREF color, Rop rop)
{
    const uint32_t src = toPixel(color);
    eachSpan(y, x0, x1, [&](int l, int r) {
        if (surface_.bitsPerPixel == 32 && rop == Rop::Copy) {
            fillPixels(surface_.row(y), l, r, src);
            return;
        }
        for (int x = l; x < r; ++x)
            writePixel(surface_, x, y, apply(rop, readPixel(surface_, x, y), src));
    });
}

void Raster::fillRegion(const Region& region, COLORREF color, Rop rop)
{
    for (const RECT& r : region.rects())
        fillRect(r, color, rop);
}

void Raster::pixel(int x, int y, COLORREF color, Rop rop) { span(y, x, x + 1, color, rop); }

} // namespace plat::gdi
