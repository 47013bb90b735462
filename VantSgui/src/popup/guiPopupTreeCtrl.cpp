#include "guiPopupTreeCtrl.h"

#include "popup/guiPopupPlace.h"

#include "vbException.h"
#include "vbExceptionReport.h"

#include "plat/focus.h"
#include "plat/gdi.h"
#include "plat/message.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/window.h"

#include <algorithm>

namespace {

constexpr int kLineStep = 5;
constexpr int kAutoScrollStep = 5;
constexpr DWORD kPopupStyle = WS_POPUP | WS_CLIPCHILDREN;
constexpr guiBorderStyle kBorderStyle = 2;
// How long the mouse may stay out of the chain, and how often the owner is looked at.
constexpr DWORD kCloseDelay = 2000;
constexpr DWORD kWatchPeriod = 300;

CSize screenSize()
{
    HDC dc = GetDC(nullptr);
    const CSize size(GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES));
    ReleaseDC(nullptr, dc);
    return size;
}

} // namespace

guiPopupTreeCtrl::guiPopupTreeCtrl(sIguiTreeAspectEngine* aspects)
    : guiTreeContent(*this, *this, aspects, true, kLineStep, kAutoScrollStep,
          "guiPopupTreeCtrl::WM_PRINTCLIENT failure"),
      m_closeEvent(this, guiTreeMsgCloseTimer), m_watchEvent(this, guiTreeMsgOwnerWatch)
{
    tcSetBorderStyle(kBorderStyle);
    m_closeEvent.SetMinTime(kCloseDelay);
    m_watchEvent.SetMinTime(kWatchPeriod);
}

// Alike in shape to guiTreeCtrl's from here to prepareScrollBar: the shared bodies are guiTreeContent's.
guiPopupTreeCtrl::~guiPopupTreeCtrl()
{
    try {
        closeContent();
        stopTimers();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    }
}

BOOL guiPopupTreeCtrl::PreCreateWindow(CREATESTRUCTA& cs)
{
    return preCreateWindow(s_Class, cs, kPopupStyle, "guiPopupTreeCtrl");
}

void guiPopupTreeCtrl::ClientPrint(guiDrawInfo* info, CDC* dc) { guiTreeContent::ClientPrint(info, *dc, nullptr); }

bool guiPopupTreeCtrl::frameInside(guiDrawInfo* info, CDC* dc, CRect& inside)
{
    return drawFrame(info, dc, inside, frameWidth());
}

void guiPopupTreeCtrl::prepareScrollBar(guiMsScrollBar& bar)
{
    bar.tcGetMouseOverCB() = guiMOUSEOVERCB(this, &guiPopupTreeCtrl::onScrollBarMouse);
}

void guiPopupTreeCtrl::onScrollBarMouse(TControl*, bool left)
{
    if (left)
        StartCloseTimer();
    else
        tcSetFocus();
}

void guiPopupTreeCtrl::onCaptionWidthChanged() { calcWindowPos(true); }

bool guiPopupTreeCtrl::acceptsClicks() { return IsWindowVisible() != FALSE; }

// ---------------------------------------------------------------------------------------------
// The chain.

guiPopupTreeCtrl& guiPopupTreeCtrl::first()
{
    guiPopupTreeCtrl* popup = this;
    while (popup->m_pParent)
        popup = popup->m_pParent;
    return *popup;
}

LONG guiPopupTreeCtrl::GetFilterMask()
{
    if (const LONG own = guiTreeContent::GetFilterMask())
        return own;
    if (m_pParent)
        return m_pParent->GetFilterMask();
    return m_pMain ? m_pMain->GetFilterMask() : 0;
}

void guiPopupTreeCtrl::SetTreeMain(sIguiTreeMain* main)
{
    if (m_pParent)
        throw new vbEsys(E_FAIL, "Can't set treemain for a popup child");
    m_pMain = main;
}

bool guiPopupTreeCtrl::IsTreeChild(HWND hwnd) { return hwnd && IsChildCtrl(hwnd, guiTreeRec_Both); }

bool guiPopupTreeCtrl::IsChildCtrl(HWND hwnd, guiTreeRec rec)
{
    if (isOwnWindow(hwnd))
        return true;
    const bool down = rec == guiTreeRec_Down || rec == guiTreeRec_Both;
    const bool up = rec == guiTreeRec_Up || rec == guiTreeRec_Both;
    if (down && GetDraw() && GetDraw()->IsChildCtrl(hwnd))
        return true;
    if (!up)
        return false;
    if (m_pParent)
        return m_pParent->IsChildCtrl(hwnd, guiTreeRec_Up);
    return m_pMain && m_pMain->IsChildCtrl(hwnd, guiTreeRec_Up);
}

bool guiPopupTreeCtrl::chainHasFocus() { return IsTreeChild(::GetFocus()); }

bool guiPopupTreeCtrl::passItemEventUp(const guiTreeItemEvent& event, bool handled)
{
    if (m_pParent)
        return guiTreeForwardEvent(*m_pParent, event, handled) || handled;
    if (m_pMain)
        return guiTreeForwardEvent(*m_pMain, event, handled) || handled;
    return handled;
}

// ---------------------------------------------------------------------------------------------
// Placement, opening and closing.

// What the frame takes, measured on a rectangle of its own.
CSize guiPopupTreeCtrl::frameSize()
{
    CRect probe(0, 0, 100, 100);
    guiDrawFrame(nullptr, nullptr, nullptr, &probe, tcGetAppearStyle(), tcGetBorderStyle(), frameWidth());
    return CSize(100 - probe.Width(), 100 - probe.Height());
}

// Rows wrap only where the screen leaves no more room. The popup's own width would feed one
// layout into the next: rows measured again when late icons arrived wrapped at the width the
// icon-less rows had left.
int guiPopupTreeCtrl::GetWidthMax()
{
    const CSize screen = screenSize();
    return screen.cx > 0 ? std::max(0, static_cast<int>(screen.cx - GetCaptionWidth() - frameSize().cx)) : 0;
}

bool guiPopupTreeCtrl::calcWindowPos(bool repaint)
{
    saveCaptionSize();
    const CSize screen = screenSize();
    if (screen.cx <= 0 || screen.cy <= 0)
        return false;
    const CSize frame = frameSize();
    const int frameW = frame.cx;
    const int frameH = frame.cy;
    const CSize tree = GetTreeSize();
    // A short menu is as tall as its caption, which it would cut otherwise.
    const CSize wanted(tree.cx + GetCaptionWidth() + frameW, std::max<int>(tree.cy + 2, GetCaptionLength()) + frameH);
    guiPopupPlacement placed = guiPlacePopup(screen, m_anchor, m_dir, wanted);
    CRect& rect = placed.rect;
    if (!m_pParent && m_pMain && m_pMain->onChangePopupSize(placed.dir, rect))
        guiClampToScreen(rect, screen);
    // A tree that will scroll with a bar rather than with arrow strips gets the bar's room.
    const int visible = rect.Height() - frameH - 2;
    if (visible < tree.cy && (rect.Width() - frameW < tree.cx || 3 * visible < tree.cy))
        rect.right = std::min<LONG>(rect.right + verticalBarWidth(), screen.cx);
    CRect now;
    GetWindowRect(&now);
    if (rect != now) {
        if (m_bOpen)
            MoveWindow(&rect, repaint ? TRUE : FALSE);
        return true;
    }
    return calcTreeRect(repaint);
}

void guiPopupTreeCtrl::Open(const CRect& anchor, guiPopupDir dir)
{
    if (m_bOpen && anchor == m_anchor && dir == m_dir)
        return;
    resetLastMouse();
    m_anchor = anchor;
    m_dir = dir;
    m_bOpen = true;
    if (GetTreeSize() == CSize(-1, -1))
        return;
    calcWindowPos(true);
    tcSetVisible(true);
    onOpen();
    tcSetFocus();
}

void guiPopupTreeCtrl::onOpen()
{
    if (!chainHasFocus())
        tcSetFocus();
    if (guiContainer* container = tcGetContainer())
        container->ForeGroundToolTip();
    if (m_pMain)
        m_pMain->onPopupOpened(*this);
    m_openCB.Call(*this);
    if (m_pMain && m_pMain->GetRectPopupChanges(*this, nullptr, nullptr))
        m_watchEvent.Start(&g_guiTimer);
}

void guiPopupTreeCtrl::Close()
{
    // Hiding a window that holds the focus closes the chain again from WM_KILLFOCUS.
    if (m_bClosing || (!m_bOpen && !(GetSafeHwnd() && IsWindowVisible())))
        return;
    m_bClosing = true;
    try {
        if (GetSafeHwnd()) {
            tcSetVisible(false);
            MoveWindow(0, 0, 0, 0, FALSE);
        }
        m_bOpen = false;
        onClose();
    } catch (...) {
        m_bClosing = false;
        throw;
    }
    m_bClosing = false;
}

void guiPopupTreeCtrl::onClose()
{
    resetLastMouse();
    if (!m_pParent)
        StopCloseTimer();
    m_watchEvent.Stop(true);
    if (m_pMain)
        m_pMain->onPopupClosed(*this);
    m_closeCB.Call(*this);
}

void guiPopupTreeCtrl::StartCloseTimer()
{
    for (guiPopupTreeCtrl* popup = this; popup; popup = popup->m_pParent)
        if (!popup->m_bOpen)
            return;
    first().m_closeEvent.Start(&g_guiTimer);
}

void guiPopupTreeCtrl::StopCloseTimer() { first().m_closeEvent.Stop(true); }

void guiPopupTreeCtrl::watchOwner()
{
    CRect moved;
    if (m_bOpen && m_pMain && m_pMain->GetRectPopupChanges(*this, &m_anchor, &moved) && moved != m_anchor)
        askCloseCtrl(nullptr, true);
}

void guiPopupTreeCtrl::stopTimers()
{
    stopAutoScroll();
    m_closeEvent.Stop(true);
    m_watchEvent.Stop(true);
}

// ---------------------------------------------------------------------------------------------
// TControl.

void guiPopupTreeCtrl::tcSetFocus()
{
    first().StopCloseTimer();
    sIguiTreeMain* owner = first().m_pMain;
    if (!(owner && owner->askSetFocus(*this)))
        SetFocus();
}

void guiPopupTreeCtrl::tcOnMouseOver() { tcSetFocus(); }

void guiPopupTreeCtrl::tcOnMouseOut()
{
    contentMouseOut();
    StartCloseTimer();
}

void guiPopupTreeCtrl::tcSetVisible(bool visible) { contentSetVisible(visible); }

const guiCursor* guiPopupTreeCtrl::tcGetMouseCursor() { return contentCursor(); }

vbString guiPopupTreeCtrl::tcNeedToolTip(const CPoint& point, bool* track, int*)
{
    return contentToolTip(point, track);
}

void guiPopupTreeCtrl::tcOnDestroy()
{
    contentDestroy();
    stopTimers();
}

// ---------------------------------------------------------------------------------------------
// What the engine calls.

bool guiPopupTreeCtrl::onSizeChange(sIguiTreeDraw*, const CSize& size, CRect* treeRect)
{
    setTreeSize(size);
    if (!m_bOpen)
        return false;
    if (size == CSize(-1, -1)) {
        if (treeRect)
            treeRect->SetRectEmpty();
        Close();
        return false;
    }
    calcWindowPos(true);
    if (!IsWindowVisible()) {
        tcSetVisible(true);
        onOpen();
    }
    if (treeRect)
        *treeRect = GetTreeRect();
    return false;
}

bool guiPopupTreeCtrl::askCloseCtrl(sIguiTreeDraw* draw, bool wholeChain)
{
    if (!wholeChain || !m_pParent) {
        Close();
        return true;
    }
    return m_pParent->askCloseCtrl(draw, true);
}

guiPopupTreeCtrl* guiPopupTreeCtrl::createPopupCtrl(sIguiTreeAspectEngine* aspectEngine)
{
    guiPopupTreeCtrl* popup = makePopup(aspectEngine);
    popup->m_pParent = this;
    return popup;
}

bool guiPopupTreeCtrl::onSelectLeft(sIguiTreeDraw* draw)
{
    if (m_pParent) {
        if (draw)
            draw->ClearSelection();
        return true;
    }
    return m_pMain && m_pMain->onSelectLeftChild(*this, draw);
}

bool guiPopupTreeCtrl::askStopCloseTimer(sIguiTreeDraw*)
{
    StopCloseTimer();
    return true;
}

bool guiPopupTreeCtrl::askStartCloseTimer(sIguiTreeDraw*)
{
    StartCloseTimer();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Messages.

bool guiPopupTreeCtrl::onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    switch (msg) {
    case WM_MOUSEACTIVATE:
        result = MA_NOACTIVATEANDEAT;
        return true;
    case WM_KILLFOCUS:
        if (!IsTreeChild(reinterpret_cast<HWND>(wParam)))
            askCloseCtrl(nullptr, true);
        return false;
    case WM_SIZE:
        result = classWindowProc(msg, wParam, lParam);
        calcTreeRect(false);
        onResized();
        return true;
    case WM_MOUSEWHEEL:
        result = TRUE;
        return true;
    case guiTreeMsgCloseTimer:
        m_closeEvent.Stop(true);
        Close();
        result = 0;
        return true;
    case guiTreeMsgOwnerWatch:
        watchOwner();
        result = 0;
        return true;
    default:
        return contentMessage(msg, wParam, lParam, result);
    }
}
