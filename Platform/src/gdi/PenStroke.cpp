// Pen strokes: Bresenham steps with dash patterns, or a disc along the path for wide pens.

#include "PenStroke.h"

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
    int at = patternStep_++ % total;
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
    int x = from.x, y = from.y;
    const int dx = std::abs(int(to.x - from.x)), dy = -std::abs(int(to.y - from.y));
    const int sx = from.x < to.x ? 1 : -1, sy = from.y < to.y ? 1 : -1;
    int err = dx + dy;
    while (x != to.x || y != to.y) {
        dot(x, y);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    if (withEnd)
        dot(x, y);
}

} // namespace plat::gdi
