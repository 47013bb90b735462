// Device context calls: making and deleting memory DCs, selections, saved states, attributes and
// the mapping of coordinates.

#include "Bitmap.h"
#include "DeviceContext.h"

#include "plat/errors.h"
#include "plat/gdi.h"
#include "plat/region.h"
#include "plat/sysmetrics.h"

#include <utility>

using namespace plat::gdi;

namespace {

// Runs fn on the DC's state, or answers fallback for a dead handle.
template <typename T, typename Fn> T withDc(HDC hdc, T fallback, Fn&& fn)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc)
        return fallback;
    return fn(*dc);
}

// Replaces a state value and answers the old one.
template <typename T> T exchange(T& field, T value) { return std::exchange(field, value); }

BOOL setPoint(HDC hdc, POINT DcState::*field, int x, int y, LPPOINT old)
{
    return withDc(hdc, FALSE, [&](DeviceContext& dc) {
        POINT& p = dc.state().*field;
        if (old)
            *old = p;
        p = POINT{x, y};
        dc.clipChanged();
        return TRUE;
    });
}

// Extents count only in MM_ANISOTROPIC; a zero extent is refused.
BOOL setExtent(HDC hdc, SIZE DcState::*field, int x, int y, LPSIZE old)
{
    return withDc(hdc, FALSE, [&](DeviceContext& dc) {
        SIZE& s = dc.state().*field;
        if (old)
            *old = s;
        if (dc.state().mapMode == MM_TEXT)
            return TRUE;
        if (x == 0 || y == 0)
            return FALSE;
        s = SIZE{x, y};
        return TRUE;
    });
}

BOOL mapPoints(HDC hdc, LPPOINT points, int count, bool toDevice)
{
    return withDc(hdc, FALSE, [&](DeviceContext& dc) {
        if (!points && count > 0)
            return FALSE;
        for (int i = 0; i < count; ++i)
            points[i] = toDevice ? dc.toDevice(points[i]) : dc.toLogical(points[i]);
        return TRUE;
    });
}

} // namespace

HDC CreateCompatibleDC(HDC) { return createDeviceContext(DeviceContext::Type::Memory)->hdc(); }

BOOL DeleteDC(HDC hdc)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc || dc->type == DeviceContext::Type::Window) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return destroyDeviceContext(hdc) ? TRUE : FALSE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc)
        return nullptr;
    std::shared_ptr<Object> object = systemBrush(static_cast<HBRUSH>(h));
    if (!object)
        object = findObject(h);
    if (!object)
        return nullptr;
    DcState& s = dc->state();
    switch (object->kind) {
    case Kind::Pen: return exchange(s.pen, object)->handle();
    case Kind::Brush: return exchange(s.brush, object)->handle();
    case Kind::Font: {
        s.fontObject = object;
        HFONT previous = exchange(s.font, static_cast<HFONT>(h));
        return previous ? previous : GetStockObject(SYSTEM_FONT); // a fresh DC's font
    }
    case Kind::Bitmap: {
        auto previous = dc->selectBitmap(std::static_pointer_cast<Bitmap>(object));
        return previous ? previous->handle() : nullptr;
    }
    case Kind::Region: return reinterpret_cast<HGDIOBJ>(intptr_t(SelectClipRgn(hdc, static_cast<HRGN>(h))));
    default: SetLastError(ERROR_INVALID_HANDLE); return nullptr;
    }
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
    return withDc(hdc, HGDIOBJ(nullptr), [&](DeviceContext& dc) -> HGDIOBJ {
        switch (type) {
        case OBJ_PEN: return dc.state().pen->handle();
        case OBJ_BRUSH: return dc.state().brush->handle();
        case OBJ_FONT: return dc.state().font ? dc.state().font : GetStockObject(SYSTEM_FONT);
        case OBJ_BITMAP: return dc.bitmap() ? dc.bitmap()->handle() : nullptr;
        default: return nullptr;
        }
    });
}

DWORD GetObjectType(HGDIOBJ h)
{
    if (systemBrush(static_cast<HBRUSH>(h)))
        return OBJ_BRUSH;
    auto object = findObject(h);
    if (!object)
        return 0;
    switch (object->kind) {
    case Kind::Pen: return OBJ_PEN;
    case Kind::Brush: return OBJ_BRUSH;
    case Kind::Font: return OBJ_FONT;
    case Kind::Bitmap: return OBJ_BITMAP;
    case Kind::Region: return OBJ_REGION;
    case Kind::DC: return static_cast<DeviceContext&>(*object).type == DeviceContext::Type::Memory ? OBJ_MEMDC : OBJ_DC;
    default: return 0;
    }
}

int SaveDC(HDC hdc)
{
    return withDc(hdc, 0, [](DeviceContext& dc) { return dc.save(); });
}

BOOL RestoreDC(HDC hdc, int nSavedDC)
{
    return withDc(hdc, FALSE, [&](DeviceContext& dc) { return dc.restore(nSavedDC) ? TRUE : FALSE; });
}

int GetDeviceCaps(HDC hdc, int index)
{
    return withDc(hdc, 0, [&](DeviceContext&) {
        switch (index) {
        case HORZRES: return GetSystemMetrics(SM_CXSCREEN);
        case VERTRES: return GetSystemMetrics(SM_CYSCREEN);
        case BITSPIXEL: return 32;
        case PLANES: return 1;
        case LOGPIXELSX:
        case LOGPIXELSY: return 96;
        default: return 0;
        }
    });
}

COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    return withDc(hdc, COLORREF(CLR_INVALID), [&](DeviceContext& dc) { return exchange(dc.state().textColor, color); });
}

COLORREF GetTextColor(HDC hdc)
{
    return withDc(hdc, COLORREF(CLR_INVALID), [](DeviceContext& dc) { return dc.state().textColor; });
}

COLORREF SetBkColor(HDC hdc, COLORREF color)
{
    return withDc(hdc, COLORREF(CLR_INVALID), [&](DeviceContext& dc) { return exchange(dc.state().bkColor, color); });
}

COLORREF GetBkColor(HDC hdc)
{
    return withDc(hdc, COLORREF(CLR_INVALID), [](DeviceContext& dc) { return dc.state().bkColor; });
}

int SetBkMode(HDC hdc, int mode)
{
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    return withDc(hdc, 0, [&](DeviceContext& dc) { return exchange(dc.state().bkMode, mode); });
}

int GetBkMode(HDC hdc)
{
    return withDc(hdc, 0, [](DeviceContext& dc) { return dc.state().bkMode; });
}

UINT SetTextAlign(HDC hdc, UINT align)
{
    return withDc(hdc, UINT(GDI_ERROR), [&](DeviceContext& dc) { return UINT(exchange(dc.state().textAlign, int(align))); });
}

UINT GetTextAlign(HDC hdc)
{
    return withDc(hdc, UINT(GDI_ERROR), [](DeviceContext& dc) { return UINT(dc.state().textAlign); });
}

int SetStretchBltMode(HDC hdc, int mode)
{
    if (mode < BLACKONWHITE || mode > HALFTONE)
        return 0;
    return withDc(hdc, 0, [&](DeviceContext& dc) { return exchange(dc.state().stretchMode, mode); });
}

int GetStretchBltMode(HDC hdc)
{
    return withDc(hdc, 0, [](DeviceContext& dc) { return dc.state().stretchMode; });
}

int SetPolyFillMode(HDC hdc, int mode)
{
    if (mode != ALTERNATE && mode != WINDING)
        return 0;
    return withDc(hdc, 0, [&](DeviceContext& dc) { return exchange(dc.state().polyFillMode, mode); });
}

int GetPolyFillMode(HDC hdc)
{
    return withDc(hdc, 0, [](DeviceContext& dc) { return dc.state().polyFillMode; });
}

BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT lppt) { return setPoint(hdc, &DcState::brushOrigin, x, y, lppt); }
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) { return setPoint(hdc, &DcState::position, x, y, lppt); }

BOOL GetCurrentPositionEx(HDC hdc, LPPOINT lppt)
{
    return withDc(hdc, FALSE, [&](DeviceContext& dc) {
        if (!lppt)
            return FALSE;
        *lppt = dc.state().position;
        return TRUE;
    });
}

int SetMapMode(HDC hdc, int mode)
{
    if (mode != MM_TEXT && mode != MM_ANISOTROPIC)
        return 0;
    return withDc(hdc, 0, [&](DeviceContext& dc) {
        DcState& s = dc.state();
        if (mode == MM_TEXT)
            s.windowExtent = s.viewportExtent = SIZE{1, 1};
        return exchange(s.mapMode, mode);
    });
}

int GetMapMode(HDC hdc)
{
    return withDc(hdc, 0, [](DeviceContext& dc) { return dc.state().mapMode; });
}

BOOL SetWindowExtEx(HDC hdc, int x, int y, LPSIZE lpsz) { return setExtent(hdc, &DcState::windowExtent, x, y, lpsz); }
BOOL SetViewportExtEx(HDC hdc, int x, int y, LPSIZE lpsz) { return setExtent(hdc, &DcState::viewportExtent, x, y, lpsz); }
BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt) { return setPoint(hdc, &DcState::windowOrigin, x, y, lppt); }
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) { return setPoint(hdc, &DcState::viewportOrigin, x, y, lppt); }

BOOL OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt)
{
    return withDc(hdc, FALSE, [&](DeviceContext& dc) {
        POINT& p = dc.state().viewportOrigin;
        if (lppt)
            *lppt = p;
        p.x += x;
        p.y += y;
        return TRUE;
    });
}

BOOL LPtoDP(HDC hdc, LPPOINT lppt, int c) { return mapPoints(hdc, lppt, c, true); }
BOOL DPtoLP(HDC hdc, LPPOINT lppt, int c) { return mapPoints(hdc, lppt, c, false); }
