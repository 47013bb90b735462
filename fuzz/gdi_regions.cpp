// Regions are built from whatever rectangles and shapes callers pass: every operation's result
// must hold exactly the points its operands say, in canonical bands.
//
// Input: a list of operations on four regions, each one opcode byte and its argument bytes.
//
// Every operation's result is checked at each of the 96 x 96 points of the field: it runs a
// few hundred inputs a second.

#include "gdi/Region.h"

#include <algorithm>

#include <array>
#include <cstdint>
#include <cstdlib>

namespace {

using plat::gdi::Region;

constexpr int kField = 64;
constexpr int kMargin = 16; // points around the field, where offsets move shapes

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool more() const { return at < size; }
    int byte() { return at < size ? data[at++] : 0; }
    // A coordinate around the 64 x 64 field.
    int coord() { return byte() % (kField + 2 * kMargin) - kMargin; }
};

// Sorted bands of sorted, separate rectangles; equal touching bands merged.
void checkCanonical(const Region& r)
{
    const auto& rects = r.rects();
    for (size_t i = 0; i < rects.size(); ++i) {
        const RECT& a = rects[i];
        if (a.left >= a.right || a.top >= a.bottom)
            std::abort();
        if (i == 0)
            continue;
        const RECT& p = rects[i - 1];
        const bool sameBand = p.top == a.top;
        if (sameBand ? (p.bottom != a.bottom || p.right >= a.left) : p.bottom > a.top)
            std::abort();
    }
}

constexpr int kSide = kField + 2 * kMargin;
using Raster = std::array<bool, size_t(kSide) * kSide>;

// The points of the field and its margin that the region's rectangles cover.
Raster raster(const Region& r)
{
    Raster points{};
    for (const RECT& rect : r.rects())
        for (int y = std::max<int>(rect.top, -kMargin); y < std::min<int>(rect.bottom, kField + kMargin); ++y)
            for (int x = std::max<int>(rect.left, -kMargin); x < std::min<int>(rect.right, kField + kMargin); ++x)
                points[size_t((y + kMargin) * kSide + x + kMargin)] = true;
    return points;
}

// The operands are compared as their rectangles cover points, the result also by its own
// hit test: once per point instead of three times.
template <class Op>
void checkPointwise(const Region& result, const Region& a, const Region& b, Op op)
{
    checkCanonical(result);
    const Raster pa = raster(a), pb = raster(b), pr = raster(result);
    for (int y = -kMargin; y < kField + kMargin; ++y)
        for (int x = -kMargin; x < kField + kMargin; ++x) {
            const size_t at = size_t((y + kMargin) * kSide + x + kMargin);
            if (pr[at] != op(pa[at], pb[at]) || result.contains(x, y) != pr[at])
                std::abort();
        }
}

void checkShape(const Region& shape, const RECT& box)
{
    checkCanonical(shape);
    for (const RECT& r : shape.rects())
        if (r.left < box.left || r.right > box.right || r.top < box.top || r.bottom > box.bottom)
            std::abort();
}

RECT box(Reader& in)
{
    const int x1 = in.coord(), y1 = in.coord(), x2 = in.coord(), y2 = in.coord();
    return RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader in{data, size};
    std::array<Region, 4> regions;
    for (int steps = 0; in.more() && steps < 64; ++steps) {
        const int op = in.byte();
        Region& target = regions[size_t(op >> 4 & 3)];
        switch (op % 8) {
        case 0: {
            const RECT b = box(in);
            target = Region(b);
            checkShape(target, b);
            break;
        }
        case 1: {
            const RECT b = box(in);
            target = Region::roundRect(b, in.byte() % 80, in.byte() % 80);
            checkShape(target, b);
            break;
        }
        case 2: {
            const RECT b = box(in);
            target = Region::ellipse(b);
            checkShape(target, b);
            break;
        }
        case 3: {
            const int dx = in.byte() % 33 - 16, dy = in.byte() % 33 - 16;
            const Raster before = raster(target);
            target.offset(dx, dy);
            checkCanonical(target);
            for (int y = 0; y < kField; ++y)
                for (int x = 0; x < kField; ++x)
                    if (target.contains(x, y) != before[size_t((y - dy + kMargin) * kSide + x - dx + kMargin)])
                        std::abort();
            break;
        }
        default: {
            const int operands = in.byte();
            const Region a = regions[size_t(operands & 3)], b = regions[size_t(operands >> 2 & 3)];
            switch (op % 8) {
            case 4: target = a.united(b); checkPointwise(target, a, b, [](bool p, bool q) { return p || q; }); break;
            case 5: target = a.intersected(b); checkPointwise(target, a, b, [](bool p, bool q) { return p && q; }); break;
            case 6: target = a.subtracted(b); checkPointwise(target, a, b, [](bool p, bool q) { return p && !q; }); break;
            default: target = a.xored(b); checkPointwise(target, a, b, [](bool p, bool q) { return p != q; }); break;
            }
        }
        }
    }
    return 0;
}
