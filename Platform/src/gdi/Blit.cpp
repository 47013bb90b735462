// Transfers between DCs: straight copies, point-sampled stretches and HALFTONE resampling.

#include "DeviceContext.h"
#include "Pixels.h"
#include "RowPool.h"

#include "plat/bitmap.h"
#include "plat/gdi.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using namespace plat::gdi;

namespace {

enum class SourceRop { Copy, And, Or, Xor };

// One side of a transfer in surface coordinates: a normalised rectangle and whether the extent ran
// backwards. A backward extent counts from its start pixel: x = 3, width -4 covers pixels 0 to 3.
struct Side {
    RECT rect;
    bool reversedX;
    bool reversedY;
};

Side sideOf(const DeviceContext& dc, int x, int y, int w, int h)
{
    const POINT a = dc.toSurface(dc.toDevice(POINT{x, y})), b = dc.toSurface(dc.toDevice(POINT{x + w, y + h}));
    const bool backX = b.x < a.x, backY = b.y < a.y;
    const RECT r{backX ? b.x + 1 : a.x, backY ? b.y + 1 : a.y, backX ? a.x + 1 : b.x, backY ? a.y + 1 : b.y};
    return Side{r, backX, backY};
}

// How a destination pixel gets its value from a source colour.
class PixelWriter {
public:
    PixelWriter(const DeviceContext& dst, const DeviceContext& src, SourceRop rop)
        : target_(dst.surface()), rop_(rop), monoSource_(src.surface().bitsPerPixel == 1 && target_.bitsPerPixel != 1),
          monoTarget_(target_.bitsPerPixel == 1 && src.surface().bitsPerPixel != 1),
          zero_(toPixel(dst.state().textColor)), one_(toPixel(dst.state().bkColor)), sourceBk_(toPixel(src.state().bkColor))
    {
    }

    // The source pixel as the destination sees it.
    uint32_t convert(uint32_t px) const
    {
        if (monoSource_)
            return px ? one_ : zero_;
        if (monoTarget_)
            return px == sourceBk_ ? 0xFFFFFFu : 0u;
        return px;
    }

    void write(int x, int y, uint32_t px) const
    {
        px = convert(px);
        if (rop_ != SourceRop::Copy) {
            const uint32_t d = readPixel(target_, x, y);
            px = rop_ == SourceRop::And ? d & px : rop_ == SourceRop::Or ? d | px : d ^ px;
        }
        writePixel(target_, x, y, px);
    }

    bool plainCopy() const { return rop_ == SourceRop::Copy && !monoSource_ && !monoTarget_; }

private:
    const Surface& target_;
    const SourceRop rop_;
    const bool monoSource_, monoTarget_;
    const uint32_t zero_, one_, sourceBk_;
};

// Source pixels that a destination index draws on, with their weights.
struct Taps {
    int first = 0;
    std::vector<float> weights;
};

// For each of dstCount destination pixels, its taps along one axis of srcCount source pixels:
// the covered area when shrinking, the two neighbours when enlarging. Taps off the source's edges
// are clamped onto its edge pixels where they are used.
std::vector<Taps> axisTaps(int dstCount, int srcCount, bool reversed, int srcStart)
{
    std::vector<Taps> taps(static_cast<size_t>(dstCount));
    const double scale = double(srcCount) / dstCount;
    for (int i = 0; i < dstCount; ++i) {
        const int k = reversed ? dstCount - 1 - i : i;
        Taps& t = taps[size_t(i)];
        if (scale >= 1.0) {
            const double from = k * scale, to = (k + 1) * scale;
            t.first = int(std::floor(from));
            for (int s = t.first; s < to; ++s)
                t.weights.push_back(float((std::min<double>(s + 1, to) - std::max<double>(s, from)) / scale));
        } else {
            const double u = (k + 0.5) * scale - 0.5;
            t.first = int(std::floor(u));
            const float f = float(u - t.first);
            t.weights = {1.0f - f, f};
        }
        t.first += srcStart;
    }
    return taps;
}

// HALFTONE: separable weights, rows shared among the row pool when the work is large.
void halftone(const Surface& source, const Side& src, const Side& dst, const Region& clip, const PixelWriter& writer)
{
    const int dW = dst.rect.right - dst.rect.left, dH = dst.rect.bottom - dst.rect.top;
    const int sW = src.rect.right - src.rect.left, sH = src.rect.bottom - src.rect.top;
    const std::vector<Taps> xTaps = axisTaps(dW, sW, dst.reversedX != src.reversedX, src.rect.left);
    const std::vector<Taps> yTaps = axisTaps(dH, sH, dst.reversedY != src.reversedY, src.rect.top);
    const int bytes = source.bitsPerPixel / 8;
    const bool direct = bytes == 3 || bytes == 4;

    auto rows = [&](int begin, int end) {
        std::vector<float> acc(static_cast<size_t>(dW) * 3);
        for (int j = begin; j < end; ++j) {
            const int y = dst.rect.top + j;
            int minX = INT32_MAX, maxX = INT32_MIN;
            clip.forEachSpan(y, dst.rect.left, dst.rect.right, [&](int l, int r) {
                minX = std::min(minX, l);
                maxX = std::max(maxX, r);
            });
            if (minX >= maxX)
                continue;
            const int i0 = minX - dst.rect.left, i1 = maxX - dst.rect.left;
            std::fill(acc.begin() + 3 * i0, acc.begin() + 3 * i1, 0.0f);
            const Taps& ty = yTaps[size_t(j)];
            for (size_t wy = 0; wy < ty.weights.size(); ++wy) {
                const int sy = std::clamp(ty.first + int(wy), 0, source.height - 1);
                const float weightY = ty.weights[wy];
                const uint8_t* row = source.row(sy);
                for (int i = i0; i < i1; ++i) {
                    const Taps& tx = xTaps[size_t(i)];
                    float b = 0, g = 0, r = 0;
                    for (size_t wx = 0; wx < tx.weights.size(); ++wx) {
                        const int sx = std::clamp(tx.first + int(wx), 0, source.width - 1);
                        const float w = tx.weights[wx];
                        if (direct) {
                            const uint8_t* p = row + size_t(sx) * size_t(bytes);
                            b += w * p[0];
                            g += w * p[1];
                            r += w * p[2];
                        } else {
                            const uint32_t px = readPixel(source, sx, sy);
                            b += w * float(px & 0xFF);
                            g += w * float(px >> 8 & 0xFF);
                            r += w * float(px >> 16 & 0xFF);
                        }
                    }
                    float* a = &acc[size_t(i) * 3];
                    a[0] += weightY * b;
                    a[1] += weightY * g;
                    a[2] += weightY * r;
                }
            }
            clip.forEachSpan(y, minX, maxX, [&](int l, int r) {
                for (int x = l; x < r; ++x) {
                    const float* a = &acc[size_t(x - dst.rect.left) * 3];
                    auto channel = [](float v) { return uint32_t(std::clamp(std::lround(v), 0L, 255L)); };
                    writer.write(x, y, channel(a[2]) << 16 | channel(a[1]) << 8 | channel(a[0]));
                }
            });
        }
    };
    const int64_t work = int64_t(sW) * sH + int64_t(dW) * dH;
    if (work >= (int64_t(1) << 20))
        runRows(dH, rows);
    else
        rows(0, dH);
}

// Straight copies and COLORONCOLOR: each destination pixel takes the source pixel under its centre.
void sample(const Surface& source, const Surface& target, const Side& src, const Side& dst, const Region& clip,
            const PixelWriter& writer)
{
    const int64_t dW = dst.rect.right - dst.rect.left, dH = dst.rect.bottom - dst.rect.top;
    const int64_t sW = src.rect.right - src.rect.left, sH = src.rect.bottom - src.rect.top;
    const bool flipX = dst.reversedX != src.reversedX, flipY = dst.reversedY != src.reversedY;
    const bool straight = dW == sW && !flipX && source.bitsPerPixel == target.bitsPerPixel && writer.plainCopy();
    std::vector<int> columns(static_cast<size_t>(dW));
    for (int64_t i = 0; i < dW; ++i) {
        const int64_t k = flipX ? dW - 1 - i : i;
        columns[size_t(i)] = int(src.rect.left + (2 * k + 1) * sW / (2 * dW));
    }
    for (int64_t j = 0; j < dH; ++j) {
        const int y = int(dst.rect.top + j);
        const int64_t k = flipY ? dH - 1 - j : j;
        const int sy = int(src.rect.top + (2 * k + 1) * sH / (2 * dH));
        if (sy < 0 || sy >= source.height)
            continue;
        clip.forEachSpan(y, dst.rect.left, dst.rect.right, [&](int l, int r) {
            const int first = columns[size_t(l - dst.rect.left)];
            if (straight && source.bitsPerPixel >= 24 && first >= 0 && first + (r - l) <= source.width) {
                const int bytes = source.bitsPerPixel / 8;
                std::memmove(target.row(y) + size_t(l) * size_t(bytes), source.row(sy) + size_t(first) * size_t(bytes),
                             size_t(r - l) * size_t(bytes));
                return;
            }
            for (int x = l; x < r; ++x) {
                const int sx = columns[size_t(x - dst.rect.left)];
                if (sx >= 0 && sx < source.width)
                    writer.write(x, y, readPixel(source, sx, sy));
            }
        });
    }
}

} // namespace

BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc, int wSrc,
                int hSrc, DWORD rop)
{
    SourceRop op;
    switch (rop) {
    case SRCCOPY: op = SourceRop::Copy; break;
    case SRCAND: op = SourceRop::And; break;
    case SRCPAINT: op = SourceRop::Or; break;
    case SRCINVERT: op = SourceRop::Xor; break;
    default: return PatBlt(hdcDest, xDest, yDest, wDest, hDest, rop);
    }
    auto dst = DeviceContext::find(hdcDest);
    auto src = DeviceContext::find(hdcSrc);
    if (!dst || !src)
        return FALSE;
    const Side to = sideOf(*dst, xDest, yDest, wDest, hDest), from = sideOf(*src, xSrc, ySrc, wSrc, hSrc);
    const Surface& source = src->surface();
    const Region& clip = dst->drawable();
    if (source.empty() || clip.isEmpty() || from.rect.left >= from.rect.right || from.rect.top >= from.rect.bottom
        || to.rect.left >= to.rect.right || to.rect.top >= to.rect.bottom)
        return TRUE;
    const PixelWriter writer(*dst, *src, op);
    const bool sameSize =
        to.rect.right - to.rect.left == from.rect.right - from.rect.left && to.rect.bottom - to.rect.top == from.rect.bottom - from.rect.top;
    if (dst->state().stretchMode == HALFTONE && !sameSize)
        halftone(source, from, to, clip, writer);
    else
        sample(source, dst->surface(), from, to, clip, writer);
    RECT touched = clip.intersected(to.rect).bounds();
    if (touched.left < touched.right)
        dst->drew(touched);
    return TRUE;
}

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop)
{
    return StretchBlt(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop);
}
