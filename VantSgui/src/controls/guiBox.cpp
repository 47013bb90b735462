#include "guiBox.h"

#include "vbEngine.h"
#include "vbExceptionReport.h"
#include "vbWinClass.h"

#include "plat/gdi.h"
#include "plat/window.h"

#include <algorithm>

namespace {

vbWinClass& boxClass()
{
    static vbWinClass cls("KVX Vantrel guiBox", 0x2B, DefWindowProcA, vbEngineDeps());
    return cls;
}

} // namespace

guiBox::guiBox() { tcSetMouseCursor(&guiCursor_Arrow, false); }

guiBox::~guiBox() = default;

BOOL guiBox::PreCreateWindow(CREATESTRUCTA& cs)
{
    try {
        boxClass().InitCs(cs);
        cs.style = (cs.style & WS_VISIBLE) | WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        return TRUE;
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
        return FALSE;
    }
}

bool guiBox::onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    if (msg == WM_PAINT) {
        CPaintDC dc(this);
        ClientPrint(nullptr, &dc);
        result = 0;
        return true;
    }
    if (msg == WM_SIZE) {
        result = classWindowProc(msg, wParam, lParam);
        onResized();
        return true;
    }
    return false;
}

void guiBox::tcSetText(const vbString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    if (!m_picture.IsValid() && GetSafeHwnd())
        Invalidate();
}

void guiBox::tcSetPicture(const guiPicture& picture)
{
    m_picture = picture;
    if (m_picture.IsValid())
        m_picture.PrepareRender();
    if (GetSafeHwnd())
        Invalidate();
}

const guiCursor* guiBox::tcGetMouseCursor()
{
    if (const guiCursor* cursor = TControlTemplate::tcGetMouseCursor())
        return cursor;
    return m_pAssociated ? m_pAssociated->GetMouseCursor() : nullptr;
}

void guiBox::tcPrintChildren(guiDrawInfo* info, CDC& dc, bool erase)
{
    if (m_pAssociated)
        m_pAssociated->PrintChildren(info, dc, erase);
}

void guiBox::tcOnDestroy()
{
    if (m_pAssociated)
        m_pAssociated->ClearCtrls();
}

void guiBox::tcPrintClient(guiDrawInfo* info, CDC* dc, bool)
{
    if (info) {
        // A picture or a bare surface is drawn in device pixels.
        if (m_picture.IsValid() || m_text.IsEmpty())
            info->m_bScaled = false;
        info->StartDraw(*dc, false);
    }
    ClientPrint(info, dc);
    if (info)
        info->EndDraw(*dc);
}

void guiBox::onFontChanged(guiFont*)
{
    if (GetSafeHwnd() && !m_text.IsEmpty())
        Invalidate();
}

void guiBox::SetTextVert(bool vertical)
{
    if (m_bVertical == vertical)
        return;
    m_bVertical = vertical;
    if (GetSafeHwnd())
        Invalidate();
}

void guiBox::SetTextShadowColor(const vbColor& color)
{
    if (m_shadowColor == color)
        return;
    m_shadowColor = color;
    if (GetSafeHwnd() && !m_text.IsEmpty())
        Invalidate();
}

void guiBox::ClientPrint(guiDrawInfo* info, CDC* dc)
{
    CRect inner;
    guiDrawFrame(info, this, dc, &inner, tcGetAppearStyle(), tcGetBorderStyle(), frameWidth());
    int saved = 0;
    if (m_picture.IsValid()) {
        m_picture.Render(info, dc, inner.left, inner.top, inner.Width(), inner.Height(), 0, 0, -1, -1);
    } else {
        saved = dc->SaveDC();
        tcGetBackSurface().Fill(dc->GetSafeHdc(), inner, nullptr);
    }
    if (!m_text.IsEmpty()) {
        if (!saved)
            saved = dc->SaveDC();
        printText(info, *dc, inner);
    }
    if (saved)
        dc->RestoreDC(saved);
}

void guiBox::printText(guiDrawInfo* info, CDC& dc, const CRect& inner)
{
    const bool colorGiven = info && info->m_pTextColor;
    const vbColor& textColor = colorGiven ? *info->m_pTextColor : tcGetTextColor();
    const vbColor* shadowColor = colorGiven || m_shadowColor.IsNull() ? nullptr : &m_shadowColor;

    guiFont& font = tcGetFont();
    font.SetOrientation(m_bVertical ? 900 : 0, false);
    const int available = (m_bVertical ? inner.Height() : inner.Width()) - 4;
    CSize extent = font.GetTextSize(dc, available, m_text, shadowColor != nullptr);
    if (m_bVertical)
        std::swap(extent.cx, extent.cy);
    CRect rc(inner);
    rc.DeflateRect(std::max(0, inner.Width() - extent.cx) / 2, std::max(0, inner.Height() - extent.cy) / 2);
    rc.IntersectRect(&rc, &inner);
    dc.SetBkMode(TRANSPARENT);
    font.DrawText(dc, rc, m_text, &textColor, shadowColor, false);
}
