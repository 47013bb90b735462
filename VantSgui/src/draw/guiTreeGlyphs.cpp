#include "guiTreeGlyphs.h"

#include "guiBase.h"

namespace {

// A colour's pen and brush are caches of its value, made on first use.
CPen* penOf(const vbColor& color) { return &const_cast<vbColor&>(color).GetPen(); }
CBrush* brushOf(const vbColor& color) { return &const_cast<vbColor&>(color).GetBrush(); }

void chevron(CDC& dc, int x0, int xm, int x1, int base, int apex)
{
    dc.MoveTo(x0, base);
    dc.LineTo(xm, apex);
    dc.LineTo(x1, base);
}

} // namespace

void vbDrawScroll(const vbColor& color, CDC& dc, const CRect& rect, bool up)
{
    const int s = rect.Height() - 4;
    if (s <= 4 || s > rect.Width())
        return;
    const int y0 = rect.top + (rect.Height() - s) / 2;
    const int x0 = rect.left + (rect.Width() - s) / 2;
    const int xm = rect.left + rect.Width() / 2;
    const int x1 = x0 + s;
    const int base = up ? y0 + s - 4 : y0;
    const int apex = up ? y0 : y0 + s - 4;
    dc.SelectObject(penOf(color));
    chevron(dc, x0, xm, x1, base, apex);
    chevron(dc, x0, xm, x1, base + 4, apex + 4);
}

void vbDrawExpandBtn(const vbColor& rectColor, const vbColor& signColor, CDC& dc, const CRect& rect, bool expanded)
{
    dc.SetBkMode(OPAQUE);
    dc.FillRect(rect, &g_guiClrFrameLight.GetBrush());
    dc.FrameRect(rect, brushOf(rectColor));
    dc.SelectObject(penOf(signColor));
    const int y = rect.top + rect.Height() / 2;
    dc.MoveTo(rect.left + 2, y);
    dc.LineTo(rect.right - 2, y);
    if (!expanded) {
        const int x = rect.left + rect.Width() / 2;
        dc.MoveTo(x, rect.top + 2);
        dc.LineTo(x, rect.bottom - 2);
    }
}

void vbDrawCheckBtn(const vbColor& rectColor, const vbColor& markColor, CDC& dc, const CRect& rect, bool checked,
    bool box)
{
    if (box) {
        dc.SetBkMode(OPAQUE);
        dc.SelectObject(penOf(rectColor));
        dc.SelectObject(&g_guiClrFrameLight.GetBrush());
        dc.Rectangle(rect);
    }
    if (checked) {
        dc.SelectObject(penOf(markColor));
        const int qx = rect.Width() / 4;
        const int qy = rect.Height() / 4;
        dc.MoveTo(rect.left + qx, rect.top + 2 * qy);
        dc.LineTo(rect.left + 2 * qx, rect.top + 3 * qy);
        dc.LineTo(rect.left + 3 * qx, rect.top + qy);
    }
}

void vbDrawRadioBtn(const vbColor& rectColor, const vbColor& markColor, CDC& dc, const CRect& rect, bool checked,
    bool box)
{
    if (box) {
        dc.SetBkMode(OPAQUE);
        dc.SelectObject(penOf(rectColor));
        dc.SelectObject(&g_guiClrFrameLight.GetBrush());
        dc.Ellipse(rect);
    }
    if (checked) {
        dc.SetBkMode(OPAQUE);
        dc.SelectObject(penOf(markColor));
        dc.SelectObject(brushOf(markColor));
        dc.Ellipse(rect.left + 2, rect.top + 2, rect.right - 2, rect.bottom - 2);
    }
}

void vbClipToPill(CDC& dc, int left, int right, int top, int bottom, const CRect& limit)
{
    const int height = bottom - top;
    CRgn shape, end, within;
    shape.CreateRectRgn(left + 1, top, right - 1 - height / 2, bottom);
    end.CreateEllipticRgn(right - height - 3, top - 1, right - 1, bottom + 1);
    shape.CombineRgn(&shape, &end, RGN_OR);
    within.CreateRectRgnIndirect(limit);
    shape.CombineRgn(&shape, &within, RGN_AND);
    dc.SelectClipRgn(&shape);
}
