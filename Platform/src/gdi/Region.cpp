// Regions as banded rectangle sets; every operation sweeps the bands of both operands.

#include "Region.h"

#include <algorithm>
#include <cmath>

namespace plat::gdi {

namespace {

using Spans = std::vector<int>; // [left, right) pairs, sorted, apart

// Appends bands from top to bottom, merging a band into the one above when they touch and
// hold the same spans.
class BandBuilder {
public:
    explicit BandBuilder(std::vector<RECT>& out) : out_(out) {}

    void add(int top, int bottom, const Spans& spans)
    {
        if (spans.empty() || top >= bottom)
            return;
        if (lastBottom_ == top && spans == lastSpans_) {
            for (size_t i = lastStart_; i < out_.size(); ++i)
                out_[i].bottom = bottom;
        } else {
            lastStart_ = out_.size();
            for (size_t i = 0; i + 1 < spans.size(); i += 2)
                out_.push_back(RECT{spans[i], top, spans[i + 1], bottom});
            lastSpans_ = spans;
        }
        lastBottom_ = bottom;
    }

private:
    std::vector<RECT>& out_;
    Spans lastSpans_;
    size_t lastStart_ = 0;
    int lastBottom_ = 0;
};

bool insideSpans(const Spans& spans, size_t& cursor, int x)
{
    while (cursor < spans.size() && spans[cursor + 1] <= x)
        cursor += 2;
    return cursor < spans.size() && spans[cursor] <= x;
}

// The half-open span [x0, x1) of row y inside the ellipse inscribed in box: pixels whose centre
// lies in it, so the shape is symmetric in its box.
bool ellipseSpan(const RECT& box, int y, int& x0, int& x1)
{
    const double a = (box.right - box.left) / 2.0, b = (box.bottom - box.top) / 2.0;
    if (a <= 0 || b <= 0)
        return false;
    const double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
    const double dy = (y + 0.5 - cy) / b;
    if (dy * dy > 1.0)
        return false;
    const double hw = a * std::sqrt(1.0 - dy * dy);
    x0 = int(std::ceil(cx - hw - 0.5));
    x1 = int(std::floor(cx + hw - 0.5)) + 1;
    return x0 < x1;
}

} // namespace

Region::Region(const RECT& rect)
{
    if (rect.left < rect.right && rect.top < rect.bottom)
        rects_.push_back(rect);
}

Region Region::fromRows(int top, const std::vector<std::vector<int>>& rows)
{
    Region out;
    BandBuilder builder(out.rects_);
    for (size_t i = 0; i < rows.size(); ++i)
        builder.add(top + int(i), top + int(i) + 1, rows[i]);
    return out;
}

Region Region::ellipse(const RECT& box, int rowsFrom, int rowsTo)
{
    return roundRect(box, box.right - box.left, box.bottom - box.top, rowsFrom, rowsTo);
}

Region Region::roundRect(const RECT& box, int cornerWidth, int cornerHeight, int rowsFrom, int rowsTo)
{
    const int w = std::clamp(cornerWidth, 0, std::max(0, int(box.right - box.left)));
    const int h = std::clamp(cornerHeight, 0, std::max(0, int(box.bottom - box.top)));
    const int top = std::max<int>(box.top, rowsFrom), bottom = std::min<int>(box.bottom, rowsTo);
    if (w < 2 || h < 2)
        return Region(RECT{box.left, top, box.right, bottom});
    std::vector<std::vector<int>> rows;
    for (int y = top; y < bottom; ++y) {
        // Above the middle the top corners' ellipses shape the row, below it the bottom ones'.
        const int cornerTop = y < box.top + h / 2 ? box.top : box.bottom - h;
        int x0 = box.left, x1 = box.right;
        if (y < box.top + h / 2 || y >= box.bottom - h / 2) {
            int l0, l1, r0, r1;
            const bool left = ellipseSpan(RECT{box.left, cornerTop, box.left + w, cornerTop + h}, y, l0, l1);
            const bool right = ellipseSpan(RECT{box.right - w, cornerTop, box.right, cornerTop + h}, y, r0, r1);
            if (!left || !right) {
                rows.emplace_back();
                continue;
            }
            x0 = l0;
            x1 = r1;
        }
        rows.push_back({x0, x1});
    }
    return fromRows(top, rows);
}

int Region::complexity() const { return rects_.empty() ? 1 : rects_.size() == 1 ? 2 : 3; }

RECT Region::bounds() const
{
    if (rects_.empty())
        return RECT{0, 0, 0, 0};
    RECT b{rects_.front().left, rects_.front().top, rects_.front().right, rects_.back().bottom};
    for (const RECT& r : rects_) {
        b.left = std::min(b.left, r.left);
        b.right = std::max(b.right, r.right);
    }
    return b;
}

size_t Region::bandStart(int y) const
{
    auto it = std::partition_point(rects_.begin(), rects_.end(), [y](const RECT& r) { return r.bottom <= y; });
    return size_t(it - rects_.begin());
}

bool Region::contains(int x, int y) const
{
    bool found = false;
    forEachSpan(y, x, x + 1, [&](int, int) { found = true; });
    return found;
}

bool Region::intersects(const RECT& rect) const
{
    for (size_t i = bandStart(rect.top); i < rects_.size() && rects_[i].top < rect.bottom; ++i)
        if (rects_[i].left < rect.right && rects_[i].right > rect.left)
            return true;
    return false;
}

void Region::offset(int dx, int dy)
{
    for (RECT& r : rects_) {
        r.left += dx;
        r.right += dx;
        r.top += dy;
        r.bottom += dy;
    }
}

Region Region::united(const Region& other) const { return combine(other, Op::Union); }
Region Region::intersected(const Region& other) const { return combine(other, Op::Intersect); }
Region Region::subtracted(const Region& other) const { return combine(other, Op::Subtract); }
Region Region::xored(const Region& other) const { return combine(other, Op::Xor); }

bool Region::operator==(const Region& other) const
{
    if (rects_.size() != other.rects_.size())
        return false;
    for (size_t i = 0; i < rects_.size(); ++i) {
        const RECT &a = rects_[i], &b = other.rects_[i];
        if (a.left != b.left || a.top != b.top || a.right != b.right || a.bottom != b.bottom)
            return false;
    }
    return true;
}

Region Region::combine(const Region& other, Op op) const
{
    std::vector<int> ys;
    ys.reserve(2 * (rects_.size() + other.rects_.size()));
    for (const auto* set : {&rects_, &other.rects_})
        for (const RECT& r : *set) {
            ys.push_back(r.top);
            ys.push_back(r.bottom);
        }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

    auto keep = [op](bool a, bool b) {
        switch (op) {
        case Op::Union: return a || b;
        case Op::Intersect: return a && b;
        case Op::Subtract: return a && !b;
        case Op::Xor: return a != b;
        }
        return false;
    };

    Region out;
    BandBuilder builder(out.rects_);
    Spans a, b, xs, result;
    for (size_t k = 0; k + 1 < ys.size(); ++k) {
        const int y = ys[k];
        a.clear();
        b.clear();
        forEachSpan(y, INT32_MIN, INT32_MAX, [&](int l, int r) { a.insert(a.end(), {l, r}); });
        other.forEachSpan(y, INT32_MIN, INT32_MAX, [&](int l, int r) { b.insert(b.end(), {l, r}); });
        xs.assign(a.begin(), a.end());
        xs.insert(xs.end(), b.begin(), b.end());
        std::sort(xs.begin(), xs.end());
        xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
        result.clear();
        size_t ca = 0, cb = 0;
        for (size_t i = 0; i + 1 < xs.size(); ++i) {
            if (!keep(insideSpans(a, ca, xs[i]), insideSpans(b, cb, xs[i])))
                continue;
            if (!result.empty() && result.back() == xs[i])
                result.back() = xs[i + 1];
            else
                result.insert(result.end(), {xs[i], xs[i + 1]});
        }
        builder.add(y, ys[k + 1], result);
    }
    return out;
}

} // namespace plat::gdi
