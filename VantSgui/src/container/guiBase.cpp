#include "guiBase.h"

#include "vbException.h"
#include "vbExceptionReport.h"

#include "plat/geometry.h"
#include "plat/paint.h"

#include <algorithm>

void guiPurecall()
{
    throw new vbEsys(E_ABORT, "VantSgui: Object of called method is in destruction (purecall)");
}

void sIguiPaintLock::LockPaint() { guiPurecall(); }
void sIguiPaintLock::UnlockPaint() { guiPurecall(); }

// ---------------------------------------------------------------------------------------------

guiDrawInfo::guiDrawInfo(guiDrawCtx kind) : m_kind(kind), m_surface1(nullptr), m_surface2(nullptr) { Init(); }

guiDrawInfo::guiDrawInfo(const guiDrawInfo* parent)
    : m_kind(parent->m_kind), m_winExtX(parent->m_winExtX), m_winExtY(parent->m_winExtY),
      m_viewExtX(parent->m_viewExtX), m_viewExtY(parent->m_viewExtY), m_bBackColor(parent->m_bBackColor),
      m_backColor(parent->m_backColor), m_surface1(nullptr, parent->m_surface1),
      m_bSurface2(parent->m_bSurface2), m_surface2(nullptr, parent->m_surface2)
{
    Init();
}

guiDrawInfo::~guiDrawInfo() = default;

void guiDrawInfo::Init()
{
    m_bOrigin = false;
    m_x = m_y = 0;
    m_bSize = false;
    m_cx = m_cy = 0;
    m_pTextColor = nullptr;
    m_pBackSurface = nullptr;
    m_pFont = nullptr;
    m_bAppearStyle = false;
    m_bBorderStyle = false;
    m_bScaled = false;
    m_bStarted = false;
}

void guiDrawInfo::StartDraw(CDC& dc, bool useOrigin)
{
    if (!m_bScaled && !useOrigin)
        return;
    m_bStarted = true;
    m_oldMapMode = dc.SetMapMode(MM_ANISOTROPIC);
    m_oldWinExt = dc.SetWindowExt(m_winExtX, m_winExtY);
    m_oldViewExt = dc.SetViewportExt(m_viewExtX, m_viewExtY);
    m_oldWinOrg = dc.SetWindowOrg(0, 0);
    m_oldViewOrg = useOrigin ? dc.SetViewportOrg(m_x, m_y) : dc.SetViewportOrg(0, 0);
}

void guiDrawInfo::EndDraw(CDC& dc)
{
    if (!m_bStarted)
        return;
    m_bStarted = false;
    dc.SetViewportOrg(m_oldViewOrg.x, m_oldViewOrg.y);
    dc.SetWindowOrg(m_oldWinOrg.x, m_oldWinOrg.y);
    dc.SetViewportExt(m_oldViewExt.cx, m_oldViewExt.cy);
    dc.SetWindowExt(m_oldWinExt.cx, m_oldWinExt.cy);
    dc.SetMapMode(m_oldMapMode);
}

// ---------------------------------------------------------------------------------------------

namespace {

// The object's rectangle: the context's own when it has an origin and a size (unless it is scaled
// and drawn), else the window's client area or the given rectangle, moved once by the origin.
RECT frameRect(const guiDrawInfo* info, CWnd* wnd, const CDC* dc, const RECT* rect)
{
    if (info && info->m_bOrigin && info->m_bSize && !(info->m_bScaled && dc))
        return RECT{info->m_x, info->m_y, info->m_x + info->m_cx, info->m_y + info->m_cy};
    RECT r{};
    if (wnd)
        wnd->GetClientRect(&r);
    else
        r = *rect;
    if (info && info->m_bOrigin)
        OffsetRect(&r, info->m_x, info->m_y);
    return r;
}

bool fits(const RECT& r, int minSize) { return r.bottom - r.top >= minSize && r.right - r.left >= minSize; }

void shrink(RECT& r, int by) { InflateRect(&r, -by, -by); }

int cornerDiameter(const RECT& r, int width)
{
    return std::min({width * 2 + 1, static_cast<int>(r.bottom - r.top), static_cast<int>(r.right - r.left)});
}

// Selects a colour setting's pen for the lifetime of the holder.
class PenHolder {
public:
    PenHolder(CDC& dc, vbColorType& color) : m_dc(dc), m_previous(dc.SelectObject(&color.GetPen())) { }
    ~PenHolder() { m_dc.SelectObject(m_previous); }
    PenHolder(const PenHolder&) = delete;
    PenHolder& operator=(const PenHolder&) = delete;

private:
    CDC& m_dc;
    CPen* m_previous;
};

void line(CDC& dc, int x0, int y0, int x1, int y1, int x2, int y2)
{
    dc.MoveTo(x0, y0);
    dc.LineTo(x1, y1);
    dc.LineTo(x2, y2);
}

void drawThreeD(CDC& dc, const RECT& r, guiBorderStyle border)
{
    vbColorType* const sunken[] = {&g_guiClrFrame, &g_guiClrFrameLight, &g_guiClrFrameDark, &g_guiClrFrameClear};
    vbColorType* const raised[] = {&g_guiClrFrameLight, &g_guiClrFrameDark, &g_guiClrFrameClear, &g_guiClrFrame};
    vbColorType* const* pens = border == 1 ? sunken : raised;
    const int l = r.left, t = r.top, rt = r.right, b = r.bottom;
    CPen* const previous = dc.SelectObject(&pens[0]->GetPen());
    line(dc, l, b - 1, l, t, rt - 1, t);
    dc.SelectObject(&pens[1]->GetPen());
    line(dc, rt - 1, t, rt - 1, b - 1, l - 1, b - 1);
    dc.SelectObject(&pens[2]->GetPen());
    line(dc, l + 1, b - 2, l + 1, t + 1, rt - 2, t + 1);
    dc.SelectObject(&pens[3]->GetPen());
    line(dc, rt - 2, t + 1, rt - 2, b - 2, l, b - 2);
    dc.SelectObject(previous);
}

// A rounded outline of the pixels from (r.left, r.top) to (r.right - 1, r.bottom - 1) with the
// current pen: sides as lines between the points at `radius` from each corner, corners as quarter
// arcs of a circle of diameter 2 * radius - 1, convex, or with notched concave around the corner.
void roundOutline(CDC& dc, const RECT& r, int d, bool notched)
{
    const int rad = d / 2 + 1;
    const int l = r.left, t = r.top, rt = r.right - 1, b = r.bottom - 1;
    const int span = 2 * rad - 1;
    dc.MoveTo(l + rad, t);
    dc.LineTo(rt - rad + 1, t);
    dc.MoveTo(rt, t + rad);
    dc.LineTo(rt, b - rad + 1);
    dc.MoveTo(rt - rad, b);
    dc.LineTo(l + rad - 1, b);
    dc.MoveTo(l, b - rad);
    dc.LineTo(l, t + rad - 1);
    if (notched) {
        dc.Arc(l - rad + 1, t - rad + 1, l + rad, t + rad, l, t + rad, l + rad, t);
        dc.Arc(rt - rad + 1, t - rad + 1, rt + rad, t + rad, rt - rad, t, rt, t + rad);
        dc.Arc(l - rad + 1, b - rad + 1, l + rad, b + rad, l + rad, b, l, b - rad);
        dc.Arc(rt - rad + 1, b - rad + 1, rt + rad, b + rad, rt, b - rad, rt - rad, b);
    } else {
        dc.Arc(l, t, l + span, t + span, l + rad, t, l, t + rad);
        dc.Arc(rt - span + 1, t, rt + 1, t + span, rt + 1, t + rad, rt - rad, t);
        dc.Arc(l, b - span + 1, l + span, b + 1, l, b - rad, l + rad, b + 1);
        dc.Arc(rt - span + 1, b - span + 1, rt + 1, b + 1, rt - rad, b + 1, rt + 1, b - rad);
    }
}

} // namespace

bool guiDrawFrame(guiDrawInfo* info, CWnd* wnd, CDC* dc, RECT* rect, guiAppearStyle appear, guiBorderStyle border,
    int width)
{
    if (!wnd && !rect)
        throw new vbEsys(E_FAIL, "guiDrawFrame() : arg error");
    RECT local{};
    if (!rect) {
        if (border == 0)
            return true;
        rect = &local;
    }
    *rect = frameRect(info, wnd, dc, rect);
    if (info && info->m_bAppearStyle)
        appear = info->m_appearStyle;
    if (info && info->m_bBorderStyle)
        border = info->m_borderStyle;
    RECT& r = *rect;

    if (border == 0)
        return fits(r, 1);
    if (appear == 1) {
        if (!fits(r, 5))
            return false;
        if (dc)
            drawThreeD(*dc, r, border);
        shrink(r, 2);
    } else if (appear == 3 || appear == 5) {
        if (!fits(r, 5))
            return false;
        const int d = cornerDiameter(r, width);
        if (dc) {
            PenHolder pen(*dc, g_guiClrFrameClear);
            roundOutline(*dc, RECT{r.left + 1, r.top + 1, r.right, r.bottom}, d, appear == 5);
            dc->SelectObject(&g_guiClrFrameDark.GetPen());
            roundOutline(*dc, RECT{r.left, r.top, r.right - 1, r.bottom - 1}, d, appear == 5);
        }
        shrink(r, d / 2);
    } else if (appear == 2 || appear == 4) {
        if (!fits(r, 3))
            return false;
        const int d = cornerDiameter(r, width);
        if (dc) {
            PenHolder pen(*dc, g_guiClrFrameFlat);
            dc->RoundRect(r.left, r.top, r.right, r.bottom, d, d);
        }
        shrink(r, d / 3);
    } else {
        if (!fits(r, 3))
            return false;
        if (dc)
            dc->FrameRect(&r, &g_guiClrFrameFlat.GetBrush());
        shrink(r, 1);
    }
    return true;
}

bool guiClipFrame(guiDrawInfo* info, CWnd* wnd, CDC* dc, RECT* rect, guiAppearStyle, guiBorderStyle, int, bool exclude)
{
    if ((!wnd && !rect) || !dc)
        throw new vbEsys(E_FAIL, "guiClipFrame() : arg error");
    const RECT r = frameRect(info, wnd, dc, rect);
    if (!dc->RectVisible(&r))
        return false;
    if (exclude)
        dc->ExcludeClipRect(&r);
    else
        dc->IntersectClipRect(&r);
    return true;
}

bool guiNoErase(guiAppearStyle appear, guiBorderStyle border) { return border != 0 && (appear == 2 || appear == 4); }

// ---------------------------------------------------------------------------------------------

guiPaintShare::guiPaintShare(CWnd* wnd) : m_pWnd(wnd) { }

guiPaintShare::~guiPaintShare()
{
    if (m_count <= 0)
        return;
    try {
        m_count = 1;
        UnlockPaint();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    }
}

void guiPaintShare::LockPaint()
{
    if (++m_count == 1)
        m_bUpdateLocked = m_pWnd && m_pWnd->GetSafeHwnd() && LockWindowUpdate(m_pWnd->GetSafeHwnd());
}

void guiPaintShare::UnlockPaint()
{
    // Unbalanced calls leave the count at 0, so that the next lock locks again.
    if (m_count <= 0)
        return;
    if (m_count-- == 1 && m_bUpdateLocked) {
        m_bUpdateLocked = false;
        LockWindowUpdate(nullptr);
    }
}

guiPaintLock::guiPaintLock(sIguiPaintLock* lock) { Lock(lock); }

guiPaintLock::~guiPaintLock()
{
    try {
        Unlock();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    }
}

void guiPaintLock::Lock(sIguiPaintLock* lock)
{
    Unlock();
    lock->LockPaint();
    m_pLock = lock;
}

void guiPaintLock::Unlock()
{
    sIguiPaintLock* held = m_pLock;
    m_pLock = nullptr;
    if (held)
        held->UnlockPaint();
}

void guiShowCaught(const char* source, int line)
{
    try {
        throw;
    } catch (CException* e) {
        vbShowException(e, true, source, line);
    } catch (...) {
        vbShowException(nullptr, false, source, line);
    }
}
