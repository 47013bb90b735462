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

// How a destination pixel gets its value from a source pixel.
class PixelWriter {
public:
    PixelWriter(const DeviceContext& dst, const DeviceContext& src, SourceRop rop)
        : target_(dst.surface()), rop_(rop), monoSource_(src.surface().bitsPerPixel == 1 && target_.bitsPerPixel != 1),
          monoTarget_(target_.bitsPerPixel == 1 && src.surface().bitsPerPixel != 1),
          zero_(toPixel(dst.state().textColor)), one_(toPixel(dst.state().bkColor)), sourceBk_(toPixel(src.state().bkColor))
    {
    }

    // The source pixel in the destination's colours: a monochrome source's bit 0 is the text
    // colour and bit 1 the background colour, whatever its table says.
    uint32_t read(const Surface& source, int x, int y) const
    {
        if (monoSource_)
            return source.row(y)[x >> 3] >> (7 - (x & 7)) & 1 ? one_ : zero_;
        return readPixel(source, x, y);
    }

    void write(int x, int y, uint32_t px) const
    {
        if (monoTarget_) // the source's background colour becomes 1, all else 0
            px = px == sourceBk_ ? 0xFFFFFFu : 0u;
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

// Weights are fixed-point with kWeightBits fraction bits, summing to exactly 1 per destination
// pixel and axis, so two axes and an 8-bit channel fit in 32 bits.
constexpr int kWeightBits = 12;
constexpr uint32_t kWeightOne = 1u << kWeightBits;

// The source pixels each destination index along one axis draws on, with their weights, kept
// flat: destination i takes count[i] neighbours from first[i], weights from weights[offset[i]].
struct AxisTaps {
    std::vector<int> first, count, offset;
    std::vector<uint32_t> weights;
};

// The covered area when shrinking, the two neighbours when enlarging. Weights of taps off the
// source rectangle (or the surface, 0..limit, which the rectangle meets) go to its edge pixel, so
// every run of taps stays inside both.
AxisTaps axisTaps(int dstCount, int srcCount, bool reversed, int srcStart, int limit)
{
    AxisTaps taps;
    const double scale = double(srcCount) / dstCount;
    std::vector<std::pair<int, float>> raw;
    for (int i = 0; i < dstCount; ++i) {
        const int k = reversed ? dstCount - 1 - i : i;
        raw.clear();
        if (scale >= 1.0) {
            const double from = k * scale, to = (k + 1) * scale;
            for (int s = int(std::floor(from)); s < to; ++s)
                raw.emplace_back(s, float((std::min<double>(s + 1, to) - std::max<double>(s, from)) / scale));
        } else {
            const double u = (k + 0.5) * scale - 0.5;
            const int s = int(std::floor(u));
            const float f = float(u - s);
            raw = {{s, 1.0f - f}, {s + 1, f}};
        }
        const int low = std::max(srcStart, 0), high = std::min(srcStart + srcCount, limit) - 1;
        const int lo = std::clamp(raw.front().first + srcStart, low, high);
        const int hi = std::clamp(raw.back().first + srcStart, low, high);
        taps.first.push_back(lo);
        taps.count.push_back(hi - lo + 1);
        taps.offset.push_back(int(taps.weights.size()));
        std::vector<float> merged(size_t(hi - lo + 1), 0.0f);
        for (const auto& [index, weight] : raw)
            merged[size_t(std::clamp(index + srcStart, lo, hi) - lo)] += weight;
        // Rounded to fixed point; what rounding lost or gained goes to the heavier end tap, so the
        // inner taps (whole source pixels when shrinking) keep one equal weight.
        uint32_t sum = 0;
        for (float weight : merged) {
            taps.weights.push_back(uint32_t(std::lround(weight * kWeightOne)));
            sum += taps.weights.back();
        }
        const size_t end = merged.front() >= merged.back() ? 0 : merged.size() - 1;
        taps.weights[size_t(taps.offset.back()) + end] += kWeightOne - sum;
    }
    return taps;
}

// One destination column's taps in a source row: the first pixel, how many, and the weights of
// the end pixels and of each inner one (inner taps cover whole source pixels, so they share one).
struct Column {
    int first;
    int count;
    uint32_t firstWeight, innerWeight, lastWeight;
};

std::vector<Column> columnsOf(const AxisTaps& x)
{
    std::vector<Column> columns;
    for (size_t i = 0; i < x.first.size(); ++i) {
        const uint32_t* w = &x.weights[size_t(x.offset[i])];
        const int n = x.count[i];
        columns.push_back(Column{x.first[i], n, w[0], n > 2 ? w[1] : 0, n > 1 ? w[n - 1] : 0});
    }
    return columns;
}

// The horizontally filtered source row for destination columns [i0, i1) into out, three sums per
// column, blue first; the row holds Bytes bytes per pixel.
template <int Bytes>
void filterRow(const uint8_t* row, const std::vector<Column>& columns, int i0, int i1, uint32_t* out)
{
    for (int i = i0; i < i1; ++i) {
        const Column& c = columns[size_t(i)];
        const uint8_t* p = row + size_t(c.first) * Bytes;
        uint32_t b = c.firstWeight * p[0], g = c.firstWeight * p[1], r = c.firstWeight * p[2];
        if (c.count > 1) {
            uint32_t sb = 0, sg = 0, sr = 0;
            const uint8_t* q = p + Bytes;
            for (const uint8_t* end = p + size_t(c.count - 1) * Bytes; q < end; q += Bytes) {
                sb += q[0];
                sg += q[1];
                sr += q[2];
            }
            b += c.innerWeight * sb + c.lastWeight * q[0];
            g += c.innerWeight * sg + c.lastWeight * q[1];
            r += c.innerWeight * sr + c.lastWeight * q[2];
        }
        uint32_t* o = out + size_t(i) * 3;
        o[0] = b;
        o[1] = g;
        o[2] = r;
    }
}

// HALFTONE: separable weights, rows shared among the row pool when the work is large.
void halftone(const Surface& source, const Surface& target, const Side& src, const Side& dst, const Region& clip,
              const PixelWriter& writer)
{
    const bool directRow = target.bitsPerPixel == 32 && writer.plainCopy();
    const int dW = dst.rect.right - dst.rect.left, dH = dst.rect.bottom - dst.rect.top;
    const int sW = src.rect.right - src.rect.left, sH = src.rect.bottom - src.rect.top;
    const std::vector<Column> columns = columnsOf(axisTaps(dW, sW, dst.reversedX != src.reversedX, src.rect.left, source.width));
    const AxisTaps yTaps = axisTaps(dH, sH, dst.reversedY != src.reversedY, src.rect.top, source.height);
    const int bytes = source.bitsPerPixel / 8;

    // Columns drawn anywhere: every source row is filtered over them once, then rows combine.
    const RECT reach = clip.intersected(dst.rect).bounds();
    const int i0 = reach.left - dst.rect.left, i1 = reach.right - dst.rect.left;
    int maxTaps = 0;
    for (int n : yTaps.count)
        maxTaps = std::max(maxTaps, n);

    auto rows = [&](int begin, int end) {
        struct Filtered {
            int sy = -1;
            std::vector<uint32_t> sums;
        };
        std::vector<Filtered> cache(static_cast<size_t>(maxTaps) + 1);
        std::vector<uint32_t> acc(static_cast<size_t>(dW) * 3);
        std::vector<uint32_t> converted; // a row of a 1- or 8-bit source as 32-bit pixels
        // Rows outside the taps of the destination row being made are free: its taps are fewer
        // than the slots, and turned over the rows go upwards, so what went before lies above.
        auto filtered = [&](int sy, int firstNeeded, int lastNeeded) -> const std::vector<uint32_t>& {
            Filtered* slot = nullptr;
            for (Filtered& f : cache) {
                if (f.sy == sy)
                    return f.sums;
                if (!slot && (f.sy < firstNeeded || f.sy > lastNeeded))
                    slot = &f;
            }
            slot->sy = sy;
            slot->sums.resize(static_cast<size_t>(dW) * 3);
            const uint8_t* row = source.row(sy);
            if (bytes == 3) {
                filterRow<3>(row, columns, i0, i1, slot->sums.data());
            } else if (bytes == 4) {
                filterRow<4>(row, columns, i0, i1, slot->sums.data());
            } else {
                converted.resize(size_t(source.width));
                for (int x = 0; x < source.width; ++x)
                    converted[size_t(x)] = writer.read(source, x, sy);
                filterRow<4>(reinterpret_cast<const uint8_t*>(converted.data()), columns, i0, i1, slot->sums.data());
            }
            return slot->sums;
        };
        for (int j = begin; j < end; ++j) {
            const int y = dst.rect.top + j;
            if (!clip.intersects(RECT{reach.left, y, reach.right, y + 1}))
                continue;
            std::fill(acc.begin() + 3 * i0, acc.begin() + 3 * i1, 0u);
            const int first = yTaps.first[size_t(j)], count = yTaps.count[size_t(j)];
            for (int k = 0; k < count; ++k) {
                const std::vector<uint32_t>& sums = filtered(first + k, first, first + count - 1);
                const uint32_t weightY = yTaps.weights[size_t(yTaps.offset[size_t(j)] + k)];
                for (int c = 3 * i0; c < 3 * i1; ++c)
                    acc[size_t(c)] += weightY * sums[size_t(c)];
            }
            clip.forEachSpan(y, reach.left, reach.right, [&](int l, int r) {
                auto* direct = directRow ? reinterpret_cast<uint32_t*>(target.row(y)) : nullptr;
                for (int x = l; x < r; ++x) {
                    const uint32_t* a = &acc[size_t(x - dst.rect.left) * 3];
                    auto channel = [](uint32_t v) {
                        return std::min<uint32_t>(255, (v + (1u << (2 * kWeightBits - 1))) >> (2 * kWeightBits));
                    };
                    const uint32_t px = channel(a[2]) << 16 | channel(a[1]) << 8 | channel(a[0]);
                    if (direct)
                        direct[x] = px;
                    else
                        writer.write(x, y, px);
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
                    writer.write(x, y, writer.read(source, sx, sy));
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
    const bool sourceInside = from.rect.left < source.width && from.rect.right > 0 && from.rect.top < source.height
                              && from.rect.bottom > 0;
    if (!sourceInside)
        return TRUE;
    if (dst->state().stretchMode == HALFTONE && !sameSize)
        halftone(source, dst->surface(), from, to, clip, writer);
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
