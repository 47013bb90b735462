// The icon control: a child window that shows one icon and animates an animated cursor.

#include "vbIcon.h"

#include "vbExceptionReport.h"

#include "plat/paint.h"

namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
// The system colour of a dialog's face.
constexpr DWORD kBackColor = 0x8000000F;

} // namespace

vbWinClass vbIconCtrl::s_Class("KVX VantBase Icon Ctrl", 0x23, DefWindowProcA, vbEngineDeps());

vbIconCtrl::vbIconCtrl() : m_icon(this, CSize(32, 32)), m_back(kBackColor) { }

vbIconCtrl::~vbIconCtrl()
{
    m_icon.SetIconLoadedCB(nullptr);
    // Destroyed here, while the control's own handlers still run: its timer goes with it.
    if (m_hWnd)
        DestroyWindow();
}

BOOL vbIconCtrl::PreCreateWindow(CREATESTRUCTA& cs)
{
    try {
        s_Class.InitCs(cs);
        cs.style = LONG((DWORD(cs.style) & WS_VISIBLE) | kChildStyle);
        return TRUE;
    } catch (CException* e) {
        vbShowException(e, true, "vbIcon", __LINE__);
        return FALSE;
    }
}

void vbIconCtrl::SetUrl(const vbString& url)
{
    if (m_icon.SetUrl(url, vbDnPriority1))
        onIconLoaded(&m_icon);
}

void vbIconCtrl::onIconLoaded(vbIcon*)
{
    if (HWND hwnd = m_hWnd)
        ::InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT vbIconCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        paint();
        return 0;
    case WM_TIMER:
        if (wParam != kTimerId)
            break;
        ++m_step;
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
    case WM_DESTROY:
        stopAnimation();
        break;
    default:
        break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void vbIconCtrl::paint()
{
    PAINTSTRUCT ps;
    HDC hdc = ::BeginPaint(m_hWnd, &ps);
    // The icon fills the control's own client area, wherever the control sits in its parent.
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    if (m_icon.IsValid()) {
        if (m_icon.DrawIcon(hdc, rc, m_step, m_back.GetBrush(), DI_NORMAL) && m_icon.IsAnimated())
            startAnimation();
        else
            stopAnimation();
    } else {
        stopAnimation();
        ::FillRect(hdc, &rc, m_back.GetBrush());
    }
    ::EndPaint(m_hWnd, &ps);
}

void vbIconCtrl::startAnimation()
{
    if (m_bAnimRunning)
        return;
    m_timer = SetTimer(kTimerId, kTimerMs);
    m_bAnimRunning = m_timer != 0;
}

void vbIconCtrl::stopAnimation()
{
    if (!m_bAnimRunning)
        return;
    m_bAnimRunning = false;
    KillTimer(kTimerId);
    m_timer = 0;
}
