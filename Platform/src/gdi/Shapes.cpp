// Ellipses, rounded rectangles, polygons and arcs.

#include "DeviceContext.h"
#include "PenStroke.h"
#include "Raster.h"

#include "plat/gdi.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

using namespace plat::gdi;

namespace {

RECT surfaceBox(const DeviceContext& dc, int left, int top, int right, int bottom)
{
    return dc.rectToSurface(dc.rectToDevice(RECT{left, top, right, bottom}));
}

RECT shrunk(const RECT& r, int by) { return RECT{r.left + by, r.top + by, r.right - by, r.bottom - by}; }

// Fills the shape the maker gives for a box with the brush, and its outer ring, as wide as the
// pen, with the pen's colour; with a null pen the shape is one pixel smaller right and bottom.
template <typename Shape> BOOL drawClosedShape(HDC hdc, int left, int top, int right, int bottom, Shape&& shape)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc)
        return FALSE;
    RECT box = surfaceBox(*dc, left, top, right, bottom);
    const LOGPEN pen = selectedPen(dc->state());
    COLORREF fill;
    const bool filled = selectedBrush(dc->state(), &fill);
    Raster raster(*dc);
    const RECT reach = raster.clip().bounds();
    auto made = [&](const RECT& b, int inset) { return shape(b, inset, int(reach.top), int(reach.bottom)); };
    if (pen.lopnStyle == PS_NULL) {
        if (filled)
            raster.fillRegion(made(RECT{box.left, box.top, box.right - 1, box.bottom - 1}, 0), fill);
        return TRUE;
    }
    const int w = std::max<int>(1, pen.lopnWidth.x);
    const Region outer = made(box, 0);
    const Region inner = made(shrunk(box, w), w);
    if (filled)
        raster.fillRegion(inner, fill);
    raster.fillRegion(outer.subtracted(inner), pen.lopnColor);
    return TRUE;
}

// The pixels whose centres lie inside the polygon, row by row, by the fill mode; only rows of
// [rowsFrom, rowsTo) are looked at.
Region polygonRegion(const std::vector<POINT>& pts, bool winding, int rowsFrom, int rowsTo)
{
    if (pts.size() < 3)
        return Region();
    int top = pts[0].y, bottom = pts[0].y;
    for (const POINT& p : pts) {
        top = std::min<int>(top, p.y);
        bottom = std::max<int>(bottom, p.y);
    }
    top = std::max(top, rowsFrom);
    bottom = std::min(bottom, rowsTo);
    std::vector<std::vector<int>> rows;
    std::vector<std::pair<double, int>> crossings;
    for (int y = top; y < bottom; ++y) {
        const double yc = y + 0.5;
        crossings.clear();
        for (size_t i = 0; i < pts.size(); ++i) {
            const POINT a = pts[i], b = pts[(i + 1) % pts.size()];
            if (a.y == b.y || yc < std::min(a.y, b.y) || yc >= std::max(a.y, b.y))
                continue;
            const double x = a.x + (yc - a.y) * double(b.x - a.x) / double(b.y - a.y);
            crossings.emplace_back(x, b.y > a.y ? 1 : -1);
        }
        std::sort(crossings.begin(), crossings.end());
        std::vector<int> spans;
        int count = 0;
        for (size_t i = 0; i + 1 < crossings.size(); ++i) {
            count += winding ? crossings[i].second : 1;
            const bool inside = winding ? count != 0 : count % 2 == 1;
            if (!inside)
                continue;
            const int x0 = int(std::ceil(crossings[i].first - 0.5)), x1 = int(std::ceil(crossings[i + 1].first - 0.5));
            if (x0 >= x1)
                continue;
            if (!spans.empty() && spans.back() >= x0)
                spans.back() = std::max(spans.back(), x1);
            else
                spans.insert(spans.end(), {x0, x1});
        }
        rows.push_back(std::move(spans));
    }
    return Region::fromRows(top, rows);
}

} // namespace

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc)
        return FALSE;
    const LOGPEN pen = selectedPen(dc->state());
    const bool dashed = pen.lopnWidth.x <= 1 && pen.lopnStyle >= PS_DASH && pen.lopnStyle <= PS_DASHDOTDOT;
    if (!dashed)
        return drawClosedShape(hdc, left, top, right, bottom, [](const RECT& box, int, int from, int to) {
            return Region(RECT{box.left, std::max<int>(box.top, from), box.right, std::min<int>(box.bottom, to)});
        });
    // A dashed outline runs round the box's edge pixels, its pattern going on from side to side.
    const RECT box = surfaceBox(*dc, left, top, right, bottom);
    Raster raster(*dc);
    COLORREF fill;
    if (selectedBrush(dc->state(), &fill))
        raster.fillRect(shrunk(box, 1), fill);
    if (box.left >= box.right || box.top >= box.bottom)
        return TRUE;
    PenStroke stroke(raster, pen, dc->state());
    const POINT corners[5] = {{box.left, box.top}, {box.right - 1, box.top}, {box.right - 1, box.bottom - 1},
                              {box.left, box.bottom - 1}, {box.left, box.top}};
    for (int i = 0; i < 4; ++i)
        stroke.segment(corners[i], corners[i + 1], false);
    return TRUE;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom)
{
    return drawClosedShape(hdc, left, top, right, bottom, [](const RECT& box, int, int from, int to) { return Region::ellipse(box, from, to); });
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height)
{
    return drawClosedShape(hdc, left, top, right, bottom, [&](const RECT& box, int inset, int from, int to) {
        return Region::roundRect(box, std::abs(width) - 2 * inset, std::abs(height) - 2 * inset, from, to);
    });
}

BOOL Polygon(HDC hdc, const POINT* apt, int cpt)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc || !apt || cpt < 2)
        return FALSE;
    std::vector<POINT> pts;
    for (int i = 0; i < cpt; ++i)
        pts.push_back(dc->toSurface(dc->toDevice(apt[i])));
    Raster raster(*dc);
    COLORREF fill;
    if (selectedBrush(dc->state(), &fill))
        raster.fillRegion(polygonRegion(pts, dc->state().polyFillMode == WINDING, raster.clip().bounds().top,
                                        raster.clip().bounds().bottom),
                          fill);
    PenStroke stroke(raster, selectedPen(dc->state()), dc->state());
    for (size_t i = 0; i < pts.size(); ++i)
        stroke.segment(pts[i], pts[(i + 1) % pts.size()], false);
    return TRUE;
}

BOOL Arc(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc)
        return FALSE;
    const RECT box = surfaceBox(*dc, x1, y1, x2, y2);
    if (box.right - box.left < 1 || box.bottom - box.top < 1)
        return TRUE;
    const POINT start = dc->toSurface(dc->toDevice(POINT{x3, y3})), end = dc->toSurface(dc->toDevice(POINT{x4, y4}));
    // On the pixel grid of the box's outline: centres from left to right - 1.
    const double cx = (box.left + box.right - 1) / 2.0, cy = (box.top + box.bottom - 1) / 2.0;
    const double a = (box.right - box.left - 1) / 2.0, b = (box.bottom - box.top - 1) / 2.0;
    // Angles grow counter-clockwise on the screen, where y grows downwards.
    const double from = std::atan2(cy - start.y, start.x - cx);
    double to = std::atan2(cy - end.y, end.x - cx);
    if (to <= from)
        to += 2 * std::numbers::pi;
    // Half a pixel per step along the outline; a huge arc takes coarser steps rather than endless ones.
    const double step = 0.5 / std::clamp(std::max(a, b), 1.0, 65536.0);
    Raster raster(*dc);
    PenStroke stroke(raster, selectedPen(dc->state()), dc->state());
    if (!stroke.visible())
        return TRUE;
    POINT last{INT32_MIN, INT32_MIN};
    for (double t = from; t <= to + step / 2; t += step) {
        const double th = std::min(t, to);
        const POINT p{LONG(std::lround(cx + a * std::cos(th))), LONG(std::lround(cy - b * std::sin(th)))};
        if (p.x != last.x || p.y != last.y)
            stroke.dot(p.x, p.y);
        last = p;
    }
    return TRUE;
}
