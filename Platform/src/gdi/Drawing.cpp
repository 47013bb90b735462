// Rectangles, lines and pixels on a DC, in logical coordinates.

#include "DeviceContext.h"
#include "PenStroke.h"
#include "Pixels.h"
#include "Raster.h"

#include "plat/gdi.h"

#include <algorithm>
#include <vector>

using namespace plat::gdi;

namespace {

// A logical rectangle in surface coordinates.
RECT surfaceRect(const DeviceContext& dc, const RECT& logical) { return dc.rectToSurface(dc.rectToDevice(logical)); }

POINT surfacePoint(const DeviceContext& dc, POINT logical) { return dc.toSurface(dc.toDevice(logical)); }


BOOL strokePath(HDC hdc, const POINT* points, int count, bool updatePosition)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc || !points || count < 2)
        return dc && count < 2 && count >= 0 ? TRUE : FALSE;
    {
        Raster raster(*dc);
        PenStroke stroke(raster, selectedPen(dc->state()), dc->state());
        for (int i = 0; i + 1 < count; ++i)
            stroke.segment(surfacePoint(*dc, points[i]), surfacePoint(*dc, points[i + 1]), false);
    }
    if (updatePosition)
        dc->state().position = points[count - 1];
    return TRUE;
}

} // namespace

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    auto dc = DeviceContext::find(hDC);
    COLORREF color;
    if (!dc || !lprc || !brushColor(hbr, &color))
        return 0;
    Raster raster(*dc);
    raster.fillRect(surfaceRect(*dc, *lprc), color);
    return 1;
}

int FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr)
{
    auto dc = DeviceContext::find(hDC);
    COLORREF color;
    if (!dc || !lprc || !brushColor(hbr, &color))
        return 0;
    const RECT r = surfaceRect(*dc, *lprc);
    if (r.left >= r.right || r.top >= r.bottom)
        return 1;
    Raster raster(*dc);
    raster.fillRegion(Region(r).subtracted(Region(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1})), color);
    return 1;
}

BOOL InvertRect(HDC hDC, const RECT* lprc)
{
    auto dc = DeviceContext::find(hDC);
    if (!dc || !lprc)
        return FALSE;
    Raster raster(*dc);
    raster.fillRect(surfaceRect(*dc, *lprc), 0, Rop::Invert);
    return TRUE;
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc)
        return FALSE;
    COLORREF color = 0;
    Rop op = Rop::Copy;
    switch (rop) {
    case PATCOPY:
    case PATINVERT:
        if (!selectedBrush(dc->state(), &color))
            return TRUE;
        op = rop == PATCOPY ? Rop::Copy : Rop::Xor;
        break;
    case DSTINVERT: op = Rop::Invert; break;
    case BLACKNESS: color = 0x000000; break;
    case WHITENESS: color = 0xFFFFFF; break;
    default: return FALSE;
    }
    Raster raster(*dc);
    raster.fillRect(surfaceRect(*dc, RECT{x, y, x + w, y + h}), color, op);
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc)
        return FALSE;
    const POINT path[2] = {dc->state().position, POINT{x, y}};
    return strokePath(hdc, path, 2, true);
}

BOOL Polyline(HDC hdc, const POINT* apt, int cpt) { return strokePath(hdc, apt, cpt, false); }

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc)
        return CLR_INVALID;
    const POINT p = surfacePoint(*dc, POINT{x, y});
    Raster raster(*dc);
    if (!raster.visible(p.x, p.y))
        return CLR_INVALID;
    raster.pixel(p.x, p.y, color);
    return toColor(readPixel(raster.surface(), p.x, p.y));
}

COLORREF GetPixel(HDC hdc, int x, int y)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc)
        return CLR_INVALID;
    const POINT p = surfacePoint(*dc, POINT{x, y});
    if (!dc->drawable().contains(p.x, p.y))
        return CLR_INVALID;
    return toColor(readPixel(dc->surface(), p.x, p.y));
}
