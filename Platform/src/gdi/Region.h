#pragma once

// A region as a sorted set of rectangles: the engine behind HRGN, clip regions, visible regions
// and update regions.

#include "plat/api.h"
#include "plat/geometry.h"

#include <cstdint>
#include <vector>

namespace plat::gdi {

// Rectangles are kept in bands: sorted by top, then by left; the rectangles of one band share
// top and bottom and never touch or overlap; equal neighbouring bands are merged. So two regions
// that cover the same pixels hold the same rectangles.
class PLATAPI Region {
public:
    Region() = default;
    explicit Region(const RECT& rect);
    // Only rows in [rowsFrom, rowsTo) are made: painters ask for the rows they can show.
    static Region ellipse(const RECT& box, int rowsFrom = INT32_MIN, int rowsTo = INT32_MAX);
    // Corners rounded by ellipses of cornerWidth x cornerHeight.
    static Region roundRect(const RECT& box, int cornerWidth, int cornerHeight, int rowsFrom = INT32_MIN,
                            int rowsTo = INT32_MAX);
    // Rows of spans, one list of [left, right) pairs per row from `top` down; used by the shapes.
    static Region fromRows(int top, const std::vector<std::vector<int>>& rows);

    bool isEmpty() const { return rects_.empty(); }
    // NULLREGION (1), SIMPLEREGION (2) or COMPLEXREGION (3).
    int complexity() const;
    RECT bounds() const;
    bool contains(int x, int y) const;
    bool intersects(const RECT& rect) const;
    const std::vector<RECT>& rects() const { return rects_; }

    void offset(int dx, int dy);
    Region united(const Region& other) const;
    Region intersected(const Region& other) const;
    Region subtracted(const Region& other) const;
    Region xored(const Region& other) const;
    Region intersected(const RECT& rect) const { return intersected(Region(rect)); }

    bool operator==(const Region& other) const;
    bool operator!=(const Region& other) const { return !(*this == other); }

    // The [left, right) spans of row y, for painters that walk a region row by row.
    template <typename Fn> void forEachSpan(int y, int left, int right, Fn&& fn) const;

private:
    enum class Op { Union, Intersect, Subtract, Xor };
    Region combine(const Region& other, Op op) const;
    // Index of the first rectangle of the band holding row y, or of the band after it.
    size_t bandStart(int y) const;

    std::vector<RECT> rects_;
};

template <typename Fn> void Region::forEachSpan(int y, int left, int right, Fn&& fn) const
{
    for (size_t i = bandStart(y); i < rects_.size() && rects_[i].top <= y; ++i) {
        const RECT& r = rects_[i];
        if (r.bottom <= y)
            continue;
        int l = r.left > left ? r.left : left;
        int rr = r.right < right ? r.right : right;
        if (l < rr)
            fn(l, rr);
    }
}

} // namespace plat::gdi
