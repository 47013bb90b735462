// Region handles and the clipping of device contexts.

#include "DeviceContext.h"
#include "Raster.h"
#include "RegionObject.h"

#include "plat/errors.h"
#include "plat/gdi.h"
#include "plat/region.h"

#include <algorithm>
#include <cstdlib>

using namespace plat::gdi;

namespace {

// Far enough out for any surface, and far from overflowing when offset.
constexpr RECT kEverything{-(1 << 28), -(1 << 28), 1 << 28, 1 << 28};

HRGN insertRegion(Region region)
{
    return static_cast<HRGN>(insertObject(std::make_shared<RegionObject>(std::move(region))));
}

std::shared_ptr<RegionObject> findRegion(HRGN h) { return findAs<RegionObject>(h); }

// A region of logical coordinates in the DC's device coordinates.
Region toDevice(const DeviceContext& dc, const Region& logical)
{
    const DcState& s = dc.state();
    if (s.mapMode == MM_TEXT) {
        Region r = logical;
        r.offset(s.viewportOrigin.x - s.windowOrigin.x, s.viewportOrigin.y - s.windowOrigin.y);
        return r;
    }
    Region out;
    for (const RECT& rect : logical.rects())
        out = out.united(Region(dc.rectToDevice(rect)));
    return out;
}

int clipType(DeviceContext& dc) { return dc.drawable().complexity(); }

int changeClip(HDC hdc, int left, int top, int right, int bottom, bool exclude)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc)
        return ERROR;
    const Region rect(dc->rectToDevice(RECT{left, top, right, bottom}));
    DcState& s = dc->state();
    const Region current = s.clip ? *s.clip : Region(kEverything);
    s.clip = exclude ? current.subtracted(rect) : current.intersected(rect);
    dc->clipChanged();
    return clipType(*dc);
}

} // namespace

HRGN CreateRectRgn(int x1, int y1, int x2, int y2)
{
    return insertRegion(Region(RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)}));
}

HRGN CreateRectRgnIndirect(const RECT* r)
{
    if (!r) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateRectRgn(r->left, r->top, r->right, r->bottom);
}

HRGN CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h)
{
    const RECT box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    return insertRegion(Region::roundRect(box, std::abs(w), std::abs(h)));
}

HRGN CreateEllipticRgn(int x1, int y1, int x2, int y2)
{
    return insertRegion(Region::ellipse(RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)}));
}

BOOL SetRectRgn(HRGN hrgn, int left, int top, int right, int bottom)
{
    auto r = findRegion(hrgn);
    if (!r)
        return FALSE;
    r->region = Region(RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)});
    return TRUE;
}

int CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode)
{
    auto dst = findRegion(hrgnDst), a = findRegion(hrgnSrc1);
    if (!dst || !a)
        return ERROR;
    if (iMode == RGN_COPY) {
        dst->region = a->region;
        return dst->region.complexity();
    }
    auto b = findRegion(hrgnSrc2);
    if (!b)
        return ERROR;
    switch (iMode) {
    case RGN_AND: dst->region = a->region.intersected(b->region); break;
    case RGN_OR: dst->region = a->region.united(b->region); break;
    case RGN_XOR: dst->region = a->region.xored(b->region); break;
    case RGN_DIFF: dst->region = a->region.subtracted(b->region); break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return ERROR;
    }
    return dst->region.complexity();
}

int OffsetRgn(HRGN hrgn, int x, int y)
{
    auto r = findRegion(hrgn);
    if (!r)
        return ERROR;
    r->region.offset(x, y);
    return r->region.complexity();
}

int GetRgnBox(HRGN hrgn, LPRECT lprc)
{
    auto r = findRegion(hrgn);
    if (!r || !lprc)
        return ERROR;
    *lprc = r->region.bounds();
    return r->region.complexity();
}

BOOL PtInRegion(HRGN hrgn, int x, int y)
{
    auto r = findRegion(hrgn);
    return r && r->region.contains(x, y) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN hrgn, const RECT* lprect)
{
    auto r = findRegion(hrgn);
    return r && lprect && r->region.intersects(*lprect) ? TRUE : FALSE;
}

BOOL EqualRgn(HRGN hrgn1, HRGN hrgn2)
{
    auto a = findRegion(hrgn1), b = findRegion(hrgn2);
    return a && b && a->region == b->region ? TRUE : FALSE;
}

BOOL FillRgn(HDC hdc, HRGN hrgn, HBRUSH hbr)
{
    auto dc = DeviceContext::find(hdc);
    auto r = findRegion(hrgn);
    COLORREF color;
    if (!dc || !r || !brushColor(hbr, &color))
        return FALSE;
    Region device = toDevice(*dc, r->region);
    device.offset(dc->origin().x, dc->origin().y);
    Raster raster(*dc);
    for (const RECT& rect : device.rects())
        raster.fillRect(rect, color);
    return TRUE;
}

int SelectClipRgn(HDC hdc, HRGN hrgn)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc)
        return ERROR;
    if (!hrgn) {
        dc->state().clip.reset();
    } else {
        auto r = findRegion(hrgn);
        if (!r)
            return ERROR;
        dc->state().clip = r->region;
    }
    dc->clipChanged();
    return clipType(*dc);
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    return changeClip(hdc, left, top, right, bottom, false);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    return changeClip(hdc, left, top, right, bottom, true);
}

int GetClipBox(HDC hdc, LPRECT lprect)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc || !lprect)
        return ERROR;
    const Region& drawable = dc->drawable();
    if (drawable.isEmpty()) {
        *lprect = RECT{0, 0, 0, 0};
        return NULLREGION;
    }
    RECT b = drawable.bounds();
    const POINT o = dc->origin();
    const POINT a = dc->toLogical(POINT{b.left - o.x, b.top - o.y}), c = dc->toLogical(POINT{b.right - o.x, b.bottom - o.y});
    *lprect = RECT{std::min(a.x, c.x), std::min(a.y, c.y), std::max(a.x, c.x), std::max(a.y, c.y)};
    return drawable.complexity();
}

BOOL RectVisible(HDC hdc, const RECT* lprect)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc || !lprect)
        return FALSE;
    return dc->drawable().intersects(dc->rectToSurface(dc->rectToDevice(*lprect))) ? TRUE : FALSE;
}
