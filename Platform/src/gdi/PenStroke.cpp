// Pen strokes: Bresenham steps with dash patterns, or a disc along the path for wide pens.

#include "PenStroke.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace plat::gdi {

namespace {

// On and off runs in pixels, starting with on.
const std::vector<int>& pattern(int style)
{
    static const std::vector<int> solid{1};
    static const std::vector<int> dash{18, 6}, dot{3, 3}, dashDot{9, 6, 3, 6}, dashDotDot{9, 3, 3, 3, 3, 3};
    switch (style) {
    case PS_DASH: return dash;
    case PS_DOT: return dot;
    case PS_DASHDOT: return dashDot;
    case PS_DASHDOTDOT: return dashDotDot;
    default: return solid;
    }
}

} // namespace

LOGPEN selectedPen(const DcState& state)
{
    if (auto pen = std::dynamic_pointer_cast<Pen>(state.pen))
        return pen->log;
    return LOGPEN{PS_SOLID, POINT{1, 0}, 0};
}

bool selectedBrush(const DcState& state, COLORREF* color)
{
    auto brush = std::dynamic_pointer_cast<Brush>(state.brush);
    if (!brush || brush->log.lbStyle != BS_SOLID)
        return false;
    *color = brush->log.lbColor;
    return true;
}

PenStroke::PenStroke(Raster& raster, const LOGPEN& pen, const DcState& state)
    : raster_(raster), color_(pen.lopnColor), gapColor_(state.bkColor), fillGaps_(state.bkMode == 2),
      style_(pen.lopnWidth.x > 1 && pen.lopnStyle != PS_NULL ? PS_SOLID : int(pen.lopnStyle)),
      width_(pen.lopnWidth.x > 1 ? pen.lopnWidth.x : 1)
{
}

bool PenStroke::patternOn()
{
    const std::vector<int>& runs = pattern(style_);
    int total = 0;
    for (int r : runs)
        total += r;
    int at = int(patternStep_++ % total);
    for (size_t i = 0; i < runs.size(); ++i) {
        if (at < runs[i])
            return i % 2 == 0;
        at -= runs[i];
    }
    return true;
}

void PenStroke::dot(int x, int y)
{
    if (width_ == 1) {
        if (patternOn())
            raster_.pixel(x, y, color_);
        else if (fillGaps_)
            raster_.pixel(x, y, gapColor_);
        return;
    }
    // A disc of the pen's width, centred on the pixel (between pixels for even widths).
    const double c = (width_ - 1) / 2.0, r2 = width_ * width_ / 4.0;
    for (int ky = 0; ky < width_; ++ky) {
        int first = -1, last = -1;
        for (int kx = 0; kx < width_; ++kx)
            if ((kx - c) * (kx - c) + (ky - c) * (ky - c) <= r2) {
                if (first < 0)
                    first = kx;
                last = kx;
            }
        if (first >= 0)
            raster_.span(y + ky - width_ / 2, x + first - width_ / 2, x + last + 1 - width_ / 2, color_);
    }
}

void PenStroke::segment(POINT from, POINT to, bool withEnd)
{
    if (!visible())
        return;
    // Steps along the longer axis; the other coordinate of step i is the line's, rounded. Only
    // steps whose long-axis coordinate lies near the clip are visited, however long the line.
    const int64_t dx = int64_t(to.x) - from.x, dy = int64_t(to.y) - from.y;
    const bool alongX = std::llabs(dx) >= std::llabs(dy);
    const int64_t n = std::max(std::llabs(dx), std::llabs(dy));
    const int64_t major = alongX ? dx : dy, minor = alongX ? dy : dx;
    const int64_t start = alongX ? from.x : from.y, minorStart = alongX ? from.y : from.x;
    const int64_t step = major < 0 ? -1 : 1;
    const RECT b = raster_.clip().bounds();
    const int64_t low = int64_t(alongX ? b.left : b.top) - width_, high = int64_t(alongX ? b.right : b.bottom) + width_;
    const int64_t minorLow = int64_t(alongX ? b.top : b.left) - width_;
    const int64_t minorHigh = int64_t(alongX ? b.bottom : b.right) + width_;
    // i such that start + i * step lies in [low, high).
    int64_t first = step > 0 ? low - start : start - (high - 1), last = step > 0 ? high - 1 - start : start - low;
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, withEnd ? n : n - 1);
    const int64_t base = patternStep_;
    for (int64_t i = first; i <= last && !raster_.clip().isEmpty(); ++i) {
        const __int128 scaled = __int128(2) * i * minor + n;
        const int64_t offset = n == 0 ? 0 : int64_t(scaled >= 0 ? scaled / (2 * n) : -((-scaled + 2 * n - 1) / (2 * n)));
        const int64_t a = start + i * step, m = minorStart + offset;
        patternStep_ = base + i;
        if (m < minorLow || m >= minorHigh)
            continue;
        if (alongX)
            dot(int(a), int(m));
        else
            dot(int(m), int(a));
    }
    patternStep_ = base + n + (withEnd ? 1 : 0);
}

} // namespace plat::gdi
