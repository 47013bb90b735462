#include "guiButton.h"

#include "vbException.h"

#include "plat/gdi.h"
#include "plat/paint.h"
#include "plat/window.h"

#include <algorithm>
#include <utility>

namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr int kVertical = 900;

// A size scaled for a print by the context's ratio, in 64-bit arithmetic.
int scaled(int size, int32_t numerator, int32_t denominator)
{
    if (denominator == 0)
        return size;
    return static_cast<int>(static_cast<int64_t>(size) * numerator / denominator);
}

bool isPlain(const guiSurface& surface) { return surface.IsValid() && !surface.IsGrad(); }

} // namespace

guiButton::guiButton()
    : m_selTextColor(0x8000000E), m_selBack(this, 0x8000000D, vbNULLCOLOR, vbNULLCOLOR, false),
      m_icon(this, CSize(16, 16)), m_selIcon(this, CSize(16, 16)), m_animEvent(this, WM_USER)
{
    m_animEvent.SetMinTime(100);
    tcSetBorderStyle(2);
    tcGetFont().SetBold(true, false);
}

guiButton::~guiButton() = default;

// ---------------------------------------------------------------------------------------------
// Look.

vbColor guiButton::recupTextColor(bool enabled, bool selected)
{
    if (!enabled)
        return vbColor(g_guiClrTextGray.GetColor());
    return selected ? m_selTextColor : tcGetTextColor();
}

vbColor guiButton::recupTextShadowColor(bool enabled, bool selected)
{
    if (!enabled)
        return vbColor(g_guiClrTextGrayShadow.GetColor());
    return selected ? m_selTextShadowColor : m_textShadowColor;
}

guiSurface& guiButton::recupBack(bool selected) { return selected ? m_selBack : tcGetBackSurface(); }
guiFont& guiButton::recupFont(bool) { return tcGetFont(); }
vbIcon& guiButton::recupIcon(bool pressed) { return pressed && m_selIcon.IsValid() ? m_selIcon : m_icon; }

vbColor guiButton::getTextColor(const guiDrawInfo* info)
{
    if (info && info->m_pTextColor)
        return *info->m_pTextColor;
    return recupTextColor(tcGetEnabled(), m_bSelected);
}

vbColor guiButton::getTextShadowColor(const guiDrawInfo* info)
{
    if (info && info->m_pTextColor)
        return vbColorNull;
    return recupTextShadowColor(tcGetEnabled(), m_bSelected);
}

// ---------------------------------------------------------------------------------------------
// State and settings.

void guiButton::repaint(bool erase)
{
    if (GetSafeHwnd())
        Invalidate(erase ? TRUE : FALSE);
}

void guiButton::setColor(vbColor& target, const vbColor& color)
{
    if (target == color)
        return;
    target = color;
    repaint(true);
}

void guiButton::tcSetText(const vbString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    repaint(true);
}

void guiButton::tcPrintClient(guiDrawInfo* info, CDC* dc, bool)
{
    printOwnLook(info, dc);
}

void guiButton::tcOnMouseOver()
{
    m_bSelected = true;
    repaint(false);
}

void guiButton::tcOnMouseOut()
{
    m_bSelected = false;
    m_bPressed = false;
    repaint(false);
}

void guiButton::tcOnDestroy()
{
    m_animEvent.Stop(true);
    m_animRect.SetRectEmpty();
}

void guiButton::tcSetEnabled(bool enabled)
{
    if (tcGetEnabled() == enabled)
        return;
    TControlTemplate::tcSetEnabled(enabled);
    repaint(true);
}

void guiButton::onFontChanged(guiFont*)
{
    if (!m_text.IsEmpty())
        repaint(true);
}

void guiButton::onSurfaceChanged(guiSurface*) { repaint(true); }

void guiButton::onIconLoaded(vbIcon* icon)
{
    if (icon && icon->IsValid())
        repaint(true);
}

void guiButton::SetBtnIcon(const vbIcon& icon)
{
    if (m_icon == icon)
        return;
    m_icon.Set(icon, icon.GetSize());
    repaint(true);
}

void guiButton::SetSelBackColor(const vbColor& color)
{
    if (!(m_selBack.GetColor() == color))
        m_selBack.SetColor(color, true);
}

void guiButton::SetTextVert(bool vertical)
{
    if (m_bTextVert == vertical)
        return;
    m_bTextVert = vertical;
    repaint(true);
}

// ---------------------------------------------------------------------------------------------
// Window.

BOOL guiButton::PreCreateWindow(CREATESTRUCTA& cs)
{
    try {
        s_Class.InitCs(cs);
        // A control asked for disabled stays so.
        cs.style = kChildStyle | (cs.style & (WS_VISIBLE | WS_DISABLED));
        return TRUE;
    } catch (...) {
        guiShowCaught("guiButton", 86);
    }
    return FALSE;
}

bool guiButton::onWindowProc(UINT& msg, WPARAM&, LPARAM&, LRESULT& result)
{
    switch (msg) {
    case WM_PAINT: {
        CPaintDC dc(this);
        const CRect clip(dc.m_ps.rcPaint);
        ClientPrint(nullptr, &dc, &clip);
        break;
    }
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_LBUTTONDOWN:
        onLButtonDown();
        break;
    case WM_LBUTTONUP:
        onLButtonUp();
        break;
    case WM_USER:
        ++m_animFrame;
        InvalidateRect(&m_animRect, FALSE);
        break;
    default:
        return false;
    }
    result = 0;
    return true;
}

void guiButton::onLButtonDown()
{
    m_bPressed = true;
    repaint(false);
}

void guiButton::onLButtonUp()
{
    if (!m_bPressed)
        return;
    m_bPressed = false;
    repaint(false);
    if (!m_bSelected)
        return;
    try {
        m_clickCB.Call(*this);
    } catch (...) {
        guiShowCaught("guiButton", 339);
    }
}

// ---------------------------------------------------------------------------------------------
// Drawing.

CRect guiButton::iconRect(const guiDrawInfo* info, const CRect& r, vbIcon& icon)
{
    CSize size = icon.GetSize();
    if (info) {
        size.cx = scaled(size.cx, info->m_viewExtX, info->m_winExtX);
        size.cy = scaled(size.cy, info->m_viewExtY, info->m_winExtY);
    }
    const bool noText = m_text.IsEmpty();
    CPoint at;
    if (!m_bTextVert) {
        if (size.cx > r.Width() - 1)
            size.cx = r.Width() - 1;
        if (size.cy >= r.Height() - 1)
            size.cy = r.Height() - 2;
        at = CPoint(r.left + 1, r.top + (r.Height() - size.cy) / 2);
        if (noText)
            at.x += (r.Width() - size.cx) / 2;
    } else {
        if (size.cx >= r.Width() - 1)
            size.cx = r.Width() - 2;
        if (size.cy > r.Height() - 1)
            size.cy = r.Height() - 1;
        at = CPoint(r.left + (r.Width() - size.cx) / 2, r.bottom - size.cy - 1);
        if (noText)
            at.y -= (r.Height() - size.cy) / 2;
    }
    if (IsClicked())
        at.Offset(-1, -1);
    return CRect(at, size);
}

void guiButton::ClientPrint(guiDrawInfo* info, CDC* dc, const CRect* clip)
{
    guiSurface back(nullptr, info && info->m_pBackSurface ? *info->m_pBackSurface : recupBack(m_bSelected));
    const vbColor textColor = getTextColor(info);
    const vbColor shadowColor = getTextShadowColor(info);
    const bool pressed = IsClicked();
    const int saved = dc->SaveDC();

    CRect r;
    guiDrawFrame(info, this, dc, &r, tcGetAppearStyle(), pressed ? 1 : tcGetBorderStyle(), frameWidth());

    guiFont font(nullptr, info && info->m_pFont ? *info->m_pFont : recupFont(m_bSelected));
    font.SetOrientation(m_bTextVert ? kVertical : 0, false);

    vbIcon& icon = recupIcon(pressed);
    const bool hasIcon = icon.IsValid();
    const CRect place = hasIcon ? iconRect(info, r, icon) : CRect();

    const bool plain = isPlain(back);
    {
        const int beforeFill = dc->SaveDC();
        if (hasIcon && plain)
            dc->ExcludeClipRect(&place);
        back.Fill(dc->GetSafeHdc(), r, clip);
        dc->RestoreDC(beforeFill);
    }
    dc->IntersectClipRect(clip ? clip : &r);

    CRect area = r;
    if (hasIcon) {
        HBRUSH brush = plain ? static_cast<HBRUSH>(back.GetBrush().GetSafeHandle()) : nullptr;
        const bool drawn = icon.DrawIcon(dc->GetSafeHdc(), place, m_animFrame, brush, DI_NORMAL);
        animateAt(place, drawn && icon.IsAnimated());
        if (m_bTextVert)
            area.bottom = place.top;
        else
            area.left = place.right;
    } else {
        animateAt(place, false);
    }

    if (!m_text.IsEmpty() && !area.IsRectEmpty()) {
        const bool withShadow = !shadowColor.IsNull();
        dc->SelectObject(static_cast<CFont*>(font));
        dc->SetTextColor(textColor);
        CSize size = font.GetTextSize(*dc, (m_bTextVert ? area.Height() : area.Width()) - 2, m_text, withShadow);
        if (m_bTextVert)
            std::swap(size.cx, size.cy);
        const int dx = std::max(0, (area.Width() - size.cx) / 2);
        int dy = std::max(0, (area.Height() - size.cy) / 2);
        if (m_bTextVert)
            dy = std::min(dy, 5);
        CRect text(area.left + dx, area.top + dy, area.right - dx, area.bottom - dy);
        if (pressed)
            text.OffsetRect(-1, -1);
        text.IntersectRect(&text, &area);
        dc->SetBkMode(TRANSPARENT);
        font.DrawText(*dc, text, m_text, &textColor, withShadow ? &shadowColor : nullptr, !m_bTextVert);
    }
    dc->RestoreDC(saved);
}

void guiButton::animateAt(const CRect& place, bool animated)
{
    if (!animated) {
        if (!m_animRect.IsRectEmpty()) {
            m_animRect.SetRectEmpty();
            m_animEvent.Stop(true);
        }
        return;
    }
    if (m_animRect.IsRectEmpty())
        m_animEvent.Start(&g_guiTimer);
    m_animRect = place;
}

int guiButton::GetBtnHeightForWidth(int width)
{
    CRect r(0, 0, width - 2, 100);
    if (m_icon.IsValid())
        r.right -= m_icon.GetSize().cx;
    guiDrawFrame(nullptr, nullptr, nullptr, &r, tcGetAppearStyle(), tcGetBorderStyle(), frameWidth());
    const vbString text = m_text.IsEmpty() ? vbString("Mp") : m_text;
    const CSize size = tcGetFont().GetTextSize(r.Width() - 2, text, !m_textShadowColor.IsNull());
    return size.cy + (100 - r.Height()) + 5;
}
