#include "curve/picCurveGeometry.h"

#include "plat/mouse.h"

#include <cmath>
#include <cstdlib>

namespace picCurveGeometry {

CRect fitAspect(const CRect& area, int margin, double ax, double ay)
{
    const double aw = area.Width() - margin;
    const double ah = area.Height() - margin;
    if (!(ax > 0) || !(ay > 0) || aw <= 0 || ah <= 0)
        return CRect();
    double w = aw;
    double h = aw * ay / ax;
    if (h > ah) {
        h = ah;
        w = ah * ax / ay;
    }
    const int top = int(std::trunc((area.Height() - h) * 0.5 + area.top));
    const int left = int(std::trunc((area.Width() - w) * 0.5 + area.left));
    return CRect(left, top, int(std::trunc(w + left)), int(std::trunc(h + top)));
}

CRect refToPixels(const CRect& w, const picCurveData& c, double left, double right, double top, double bottom)
{
    auto px = [&](double r) { return w.left + int(std::trunc(w.Width() * r / c.sizeRefX)); };
    auto py = [&](double r) { return w.top + int(std::trunc(w.Height() * r / c.sizeRefY)); };
    return CRect(px(left), py(top), px(right), py(bottom));
}

void pixelsToRef(const CRect& w, const picCurveData& c, const CRect& r, double* left, double* right, double* top,
    double* bottom)
{
    auto rx = [&](int px) { return double(px - w.left) * c.sizeRefX / w.Width(); };
    auto ry = [&](int py) { return double(py - w.top) * c.sizeRefY / w.Height(); };
    *left = rx(r.left);
    *right = rx(r.right);
    *top = ry(r.top);
    *bottom = ry(r.bottom);
}

CPoint percentToPixel(const CRect& p, double x, double y)
{
    return CPoint(p.left + int(std::trunc(p.Width() * x * 0.01)), p.bottom - int(std::trunc(p.Height() * y * 0.01)));
}

void pixelToPercent(const CRect& p, CPoint pixel, double* x, double* y)
{
    *x = double(pixel.x - p.left) * 100 / p.Width();
    *y = double(p.bottom - pixel.y) * 100 / p.Height();
}

void pixelToValue(const CRect& p, const picCurveData& c, CPoint pixel, double* x, double* y)
{
    *x = c.xmin + (c.xmax - c.xmin) * (pixel.x - p.left) / p.Width();
    *y = c.ymin + (p.bottom - pixel.y) * (c.ymax - c.ymin) / p.Height();
}

namespace {

int edgeCode(bool left, bool right, bool top, bool bottom)
{
    if (top)
        return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
    if (bottom)
        return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
    return left ? HTLEFT : right ? HTRIGHT : HTCLIENT;
}

} // namespace

int hitRect(const CRect& r, CPoint point, bool extendedEdges)
{
    const bool left = std::abs(point.x - r.left) <= kGrip;
    const bool right = std::abs(point.x - r.right) <= kGrip;
    const bool top = std::abs(point.y - r.top) <= kGrip;
    const bool bottom = std::abs(point.y - r.bottom) <= kGrip;
    const bool inside = point.x >= r.left - kGrip && point.x <= r.right + kGrip && point.y >= r.top - kGrip
        && point.y <= r.bottom + kGrip;
    if (inside)
        return edgeCode(left, right, top, bottom);
    if (extendedEdges && (left || right || top || bottom))
        return left ? HTLEFT : right ? HTRIGHT : top ? HTTOP : HTBOTTOM;
    return kNoHit;
}

CRect dragRect(const CRect& r, int code, CSize delta)
{
    CRect moved = r;
    if (code == HTCLIENT) {
        moved.OffsetRect(delta);
        return moved;
    }
    if (code == HTLEFT || code == HTTOPLEFT || code == HTBOTTOMLEFT)
        moved.left += delta.cx;
    if (code == HTRIGHT || code == HTTOPRIGHT || code == HTBOTTOMRIGHT)
        moved.right += delta.cx;
    if (code == HTTOP || code == HTTOPLEFT || code == HTTOPRIGHT)
        moved.top += delta.cy;
    if (code == HTBOTTOM || code == HTBOTTOMLEFT || code == HTBOTTOMRIGHT)
        moved.bottom += delta.cy;
    return moved;
}

bool isAcceptable(const CRect& r)
{
    return r.Width() >= kMinSide && r.Height() >= kMinSide && r.Width() <= kMaxSide && r.Height() <= kMaxSide;
}

} // namespace picCurveGeometry
