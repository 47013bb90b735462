#include "guiToolTip.h"

#include "vbEngine.h"
#include "vbExceptionReport.h"
#include "vbWinClass.h"

#include "plat/cursor.h"
#include "plat/gdi.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/region.h"
#include "plat/sysmetrics.h"
#include "plat/window.h"

#include <algorithm>

namespace {

vbWinClass& toolTipClass()
{
    static vbWinClass cls("KVX Vantrel guiToolTip", 0x23, DefWindowProcA, vbEngineDeps());
    return cls;
}

// How far below the cursor's position its image ends, from the hot spot of the current cursor.
int cursorDrop()
{
    const int height = GetSystemMetrics(SM_CYCURSOR);
    ICONINFO info{};
    HCURSOR cursor = GetCursor();
    if (!cursor || !GetIconInfo(cursor, &info))
        return height / 2;
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.fIcon || info.yHotspot == 0)
        return height / 2;
    return height - static_cast<int>(info.yHotspot);
}

} // namespace

guiToolTip::guiToolTip() : m_timerEvent(this, kDelayMsg)
{
    m_timerEvent.SetMinTime(300);
    tcSetBorderStyle(1);
    tcSetAppearStyle(2);
    setFrameWidth(4);
    tcGetBackSurface().SetColor(0x80000018, false);
    tcSetTextColor(vbColor(0x80000017));
    tcGetFont().SetSize(-10, false);
}

guiToolTip::~guiToolTip()
{
    try {
        if (GetSafeHwnd())
            DestroyWindow();
        if (guiContainer* container = tcGetContainer())
            container->ToolTipDestroyed(this);
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    }
}

BOOL guiToolTip::PreCreateWindow(CREATESTRUCTA& cs)
{
    try {
        toolTipClass().InitCs(cs);
        cs.style = (cs.style & WS_VISIBLE) | WS_POPUP;
        return TRUE;
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
        return FALSE;
    }
}

bool guiToolTip::onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    switch (msg) {
    case kDelayMsg:
        m_timerEvent.Stop(true);
        askToolTip(false);
        update();
        result = 0;
        return true;
    case WM_CREATE:
    case WM_SIZE:
        result = classWindowProc(msg, wParam, lParam);
        setRegion();
        return true;
    case WM_ERASEBKGND:
        result = eraseBackground(reinterpret_cast<HDC>(wParam));
        return true;
    case WM_PAINT: {
        CPaintDC dc(this);
        ClientPrint(nullptr, &dc);
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// The controls' side.

bool guiToolTip::SetCtrl(TControl* control, const CPoint& point)
{
    if (control && (!control->tcGetHwnd() || !control->tcHasToolTip()))
        return false;
    m_pCurrent = control;
    m_point = point;
    if (!m_bEnabled)
        return true;
    if (IsWindowVisible()) {
        if (askToolTip(false))
            update();
    } else if (m_pCurrent && askToolTip(false)) {
        m_timerEvent.Start(&g_guiTimer);
    }
    return true;
}

void guiToolTip::RemoveCtrl(TControl* control)
{
    bool known = false;
    if (m_pLastAsked == control) {
        m_pLastAsked = nullptr;
        known = true;
    }
    if (m_pCurrent == control) {
        m_pCurrent = nullptr;
        known = true;
    }
    if (known && m_bEnabled && askToolTip(false))
        update();
}

void guiToolTip::ResetTip()
{
    m_timerEvent.Stop(true);
    m_pCurrent = nullptr;
    m_pLastAsked = nullptr;
    m_text.Empty();
    m_tipId = -1;
    hide();
}

void guiToolTip::HideTip()
{
    m_timerEvent.Stop(true);
    askToolTip(false);
    hide();
}

void guiToolTip::UpdateTip(TControl* control)
{
    if (!m_bEnabled || !control || control != m_pCurrent || !control->tcGetHwnd() || !control->tcHasToolTip())
        return;
    if (askToolTip(true) && IsWindowVisible())
        update();
}

void guiToolTip::ForeGroundTip()
{
    if (IsWindowVisible())
        tcBringToTop();
}

// ---------------------------------------------------------------------------------------------
// Control operations.

void guiToolTip::tcSetText(const vbString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    if (IsWindowVisible())
        update();
}

void guiToolTip::tcSetVisible(bool visible) { ShowWindow(visible ? SW_SHOWNA : SW_HIDE); }

void guiToolTip::tcSetEnabled(bool enabled)
{
    m_bEnabled = enabled;
    if (enabled) {
        if (m_pCurrent)
            m_timerEvent.Start(&g_guiTimer);
        return;
    }
    m_timerEvent.Stop(true);
    m_pLastAsked = nullptr;
    m_text.Empty();
    m_tipId = -1;
    hide();
}

void guiToolTip::tcOnDestroy()
{
    if (guiContainer* container = tcGetContainer())
        container->ToolTipDestroyed(this);
    m_timerEvent.Stop(true);
}

void guiToolTip::onFontChanged(guiFont*)
{
    if (IsWindowVisible())
        update();
}

// ---------------------------------------------------------------------------------------------
// Asking, placing and drawing.

bool guiToolTip::askToolTip(bool force)
{
    if (!force && m_pCurrent == m_pLastAsked && !m_bAskAgain)
        return false;
    m_bAskAgain = false;
    int id = -1;
    const vbString text = m_pCurrent ? m_pCurrent->tcNeedToolTip(m_point, &m_bAskAgain, &id) : vbString();
    m_pLastAsked = m_pCurrent;
    if (text == m_text && id == m_tipId)
        return false;
    m_text = text;
    m_tipId = id;
    return true;
}

void guiToolTip::hide()
{
    if (GetSafeHwnd())
        ShowWindow(SW_HIDE);
}

CSize guiToolTip::tipSize()
{
    CRect frame(0, 0, 200, 100);
    guiDrawFrame(nullptr, nullptr, nullptr, &frame, tcGetAppearStyle(), tcGetBorderStyle(), frameWidth());
    const CSize frameSpace(200 - frame.Width(), 100 - frame.Height());
    CClientDC dc(this);
    CFont* previous = dc.SelectObject(static_cast<CFont*>(tcGetFont()));
    CRect text(0, 0, m_maxWidth - frameSpace.cx, 0);
    dc.DrawText(m_text, m_text.GetLength(), &text, DT_CALCRECT | DT_WORDBREAK);
    dc.SelectObject(previous);
    return CSize(text.Width() + frameSpace.cx, text.Height() + frameSpace.cy);
}

void guiToolTip::update()
{
    if (!m_bEnabled || m_text.IsEmpty()) {
        hide();
        return;
    }
    hide();
    const CSize size = tipSize();
    HDC screen = ::GetDC(nullptr);
    const int screenWidth = GetDeviceCaps(screen, HORZRES);
    const int screenHeight = GetDeviceCaps(screen, VERTRES);
    ::ReleaseDC(nullptr, screen);
    if (screenWidth <= 0 || screenHeight <= 0)
        return;
    CPoint cursor;
    GetCursorPos(&cursor);
    int left = cursor.x;
    int top = cursor.y + cursorDrop() + 1;
    if (top + size.cy > screenHeight)
        top = cursor.y - size.cy - 1;
    if (left + size.cx > screenWidth)
        left = screenWidth - size.cx;
    SetWindowPos(nullptr, left, top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(SW_SHOWNA);
}

void guiToolTip::setRegion()
{
    CRect client;
    GetClientRect(&client);
    const int corner = std::min({frameWidth() * 2 + 1, client.Width(), client.Height()});
    SetWindowRgn(GetSafeHwnd(), CreateRoundRectRgn(0, 0, client.Width() + 1, client.Height() + 1, corner, corner), TRUE);
}

bool guiToolTip::eraseBackground(HDC dc)
{
    if (guiNoErase(tcGetAppearStyle(), tcGetBorderStyle()))
        return true;
    CRect clip;
    const int kind = GetClipBox(dc, &clip);
    if (kind == ERROR)
        GetClientRect(&clip);
    if (kind != NULLREGION)
        tcGetBackSurface().Fill(dc, clip, nullptr);
    return true;
}

void guiToolTip::ClientPrint(guiDrawInfo* info, CDC* dc)
{
    const COLORREF back = static_cast<DWORD>(tcGetBackSurface().GetColor());
    const COLORREF previousBack = dc->SetBkColor(back);
    CBrush brush(back);
    CBrush* previousBrush = dc->SelectObject(&brush);
    CRect inner;
    guiDrawFrame(info, this, dc, &inner, tcGetAppearStyle(), tcGetBorderStyle(), frameWidth());
    CFont* previousFont = dc->SelectObject(static_cast<CFont*>(tcGetFont()));
    const COLORREF previousText = dc->SetTextColor(static_cast<DWORD>(tcGetTextColor()));
    dc->DrawText(m_text, m_text.GetLength(), &inner, DT_CENTER | DT_WORDBREAK);
    dc->SetTextColor(previousText);
    dc->SelectObject(previousFont);
    dc->SelectObject(previousBrush);
    dc->SetBkColor(previousBack);
}

vbString guiCutTextTip(const vbString& text, int width, int room, const vbString& ownTip)
{
    return width > room ? text : ownTip;
}
