#include "guiMsButton.h"

#include "plat/gdi.h"

#include <cstring>

BOOL _guiButton::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return Create("", style, rect, parent, id);
}

BOOL _guiButton::Create(LPCSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CButton::Create(text, style, rect, parent, id);
}

template class TControlTemplate<_guiButton>;

guiMsButton::guiMsButton() { tcSetBorderStyle(0); }
guiMsButton::~guiMsButton() = default;

int guiMsButton::tcGetValue() { return static_cast<int>(SendMessage(BM_GETCHECK, 0, 0)); }
void guiMsButton::tcSetValue(int value) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(value), 0); }

bool guiMsButton::tcOnCommand(UINT, LRESULT& result)
{
    if (!m_buttonCB.Call(*this))
        return false;
    result = 0;
    return true;
}

void guiMsButton::tcOnMouseOver()
{
    if (m_bBoldOnHover)
        tcGetFont().SetBold(true, true);
}

void guiMsButton::tcOnMouseOut()
{
    if (m_bBoldOnHover)
        tcGetFont().SetBold(false, true);
}

BOOL guiMsButton::PreCreateWindow(CREATESTRUCTA& cs)
{
    layoutPreCreate(cs);
    return _guiButton::PreCreateWindow(cs);
}

LRESULT guiMsButton::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return wrapperWindowProc(msg, wParam, lParam, "guiMsButton", __LINE__);
}

void guiMsButton::tcPrintClient(guiDrawInfo* info, CDC* dc, bool erase)
{
    if (!info || info->m_kind == 0) {
        TControlTemplate::tcPrintClient(info, dc, erase);
        return;
    }
    info->StartDraw(*dc, false);
    const guiSurface& surface = info->m_pBackSurface ? *info->m_pBackSurface : tcGetBackSurface();
    const vbColor& textColor = info->m_pTextColor ? *info->m_pTextColor : tcGetTextColor();
    const guiFont& font = info->m_pFont ? *info->m_pFont : tcGetFont();
    vbColor back(surface.GetColor());
    const HDC hdc = dc->GetSafeHdc();

    const COLORREF oldBack = SetBkColor(hdc, static_cast<DWORD>(back));
    const HGDIOBJ oldBrush = SelectObject(hdc, static_cast<HBRUSH>(back.GetBrush().GetSafeHandle()));
    CRect r;
    guiDrawFrame(info, this, dc, &r, tcGetAppearStyle(), tcGetBorderStyle(), frameWidth());

    // A control without a font of its own writes in the context's.
    const HGDIOBJ oldFont = font.IsEmpty() ? nullptr : SelectObject(hdc, static_cast<HFONT>(font));
    const COLORREF oldText = SetTextColor(hdc, static_cast<DWORD>(textColor));
    const vbString text = tcGetText();
    const int length = static_cast<int>(std::strlen(text.c_str()));
    SIZE size{};
    GetTextExtentPoint32A(hdc, text.c_str(), length, &size);
    const int x = r.left + (r.right - size.cx - r.left) / 2;
    const int y = r.top + (r.bottom - size.cy - r.top) / 2;
    ExtTextOutA(hdc, x, y, ETO_CLIPPED, &r, text.c_str(), static_cast<UINT>(length), nullptr);

    if (oldFont)
        SelectObject(hdc, oldFont);
    SelectObject(hdc, oldBrush);
    SetTextColor(hdc, oldText);
    SetBkColor(hdc, oldBack);
    info->EndDraw(*dc);
}
