#include "guiTreeCtrl.h"

#include "guiPopupTreeCtrl.h"

#include "vbExceptionReport.h"

#include "plat/dialog.h"
#include "plat/focus.h"
#include "plat/message.h"
#include "plat/window.h"

namespace {

constexpr int kLineStep = 10;
constexpr int kAutoScrollStep = 10;
constexpr DWORD kChildStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr int kWheelNotch = 12;

} // namespace

guiTreeCtrl::guiTreeCtrl(sIguiTreeAspectEngine* aspects)
    : guiTreeContent(*this, *this, aspects, false, kLineStep, kAutoScrollStep, "guiTreeCtrl::WM_PRINTCLIENT failure")
{
}

guiTreeCtrl::~guiTreeCtrl()
{
    try {
        closeContent();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    }
}

BOOL guiTreeCtrl::PreCreateWindow(CREATESTRUCTA& cs)
{
    return preCreateWindow(s_Class, cs, kChildStyle, "guiTreeCtrl");
}

void guiTreeCtrl::ClientPrint(guiDrawInfo* info, CDC* dc) { guiTreeContent::ClientPrint(info, *dc, nullptr); }

bool guiTreeCtrl::frameInside(guiDrawInfo* info, CDC* dc, CRect& inside)
{
    return drawFrame(info, dc, inside, frameWidth());
}

void guiTreeCtrl::prepareScrollBar(guiMsScrollBar& bar)
{
    bar.tcGetMouseOverCB() = guiMOUSEOVERCB(this, &guiTreeCtrl::onScrollBarMouse);
}

void guiTreeCtrl::onCaptionWidthChanged()
{
    calcTreeRect(true);
    checkOffset(true);
}

bool guiTreeCtrl::onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result)
{
    switch (msg) {
    case WM_SIZE:
        result = classWindowProc(msg, wParam, lParam);
        calcTreeRect(false);
        checkOffset(false);
        onResized();
        return true;
    case WM_MOUSEWHEEL:
        if (sIguiTreeDraw* draw = GetDraw()) {
            CPoint offset = draw->GetOffset();
            offset.y += -static_cast<short>(HIWORD(wParam)) / kWheelNotch;
            scrollTo(offset);
        }
        result = 0;
        return true;
    case WM_LBUTTONDOWN:
        // The tree's keys reach it only with the focus, and in a dialog nothing else gives it the
        // focus: a click does, unless the focus is already in the tree or one of its popups.
        if (!IsTreeChild(::GetFocus()))
            SetFocus();
        return false;
    case WM_GETDLGCODE:
        // In a dialog the arrows would move the focus to the next control: they move the selection.
        result = classWindowProc(msg, wParam, lParam) | DLGC_WANTARROWS;
        return true;
    case WM_KILLFOCUS:
        if (GetDraw() && !IsTreeChild(reinterpret_cast<HWND>(wParam)))
            GetDraw()->CancelSelection();
        return false;
    default:
        return contentMessage(msg, wParam, lParam, result);
    }
}

// ---------------------------------------------------------------------------------------------
// TControl.

void guiTreeCtrl::tcSetVisible(bool visible) { contentSetVisible(visible); }

void guiTreeCtrl::tcSetEnabled(bool enabled)
{
    if (!GetSafeHwnd() || (IsWindowEnabled() != FALSE) == enabled)
        return;
    EnableWindow(enabled ? TRUE : FALSE);
    Invalidate(TRUE);
}

const guiCursor* guiTreeCtrl::tcGetMouseCursor() { return contentCursor(); }

void guiTreeCtrl::tcOnMouseOut() { contentMouseOut(); }

vbString guiTreeCtrl::tcNeedToolTip(const CPoint& point, bool* track, int*) { return contentToolTip(point, track); }

void guiTreeCtrl::tcOnDestroy() { contentDestroy(); }

// ---------------------------------------------------------------------------------------------
// Item events: the same two steps whether they come from the engine or from a popup.

bool guiTreeCtrl::onItemChecked(
    bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool* checked, bool engineHeld, bool handled)
{
    return guiTreeContent::onItemChecked(toRoot, draw, node, checked, engineHeld, handled);
}

bool guiTreeCtrl::onItemClicked(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool help, bool handled)
{
    return guiTreeContent::onItemClicked(toRoot, draw, node, help, handled);
}

bool guiTreeCtrl::onItemDClicked(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool help, bool handled)
{
    return guiTreeContent::onItemDClicked(toRoot, draw, node, help, handled);
}

bool guiTreeCtrl::onItemSelected(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool help, bool handled)
{
    return guiTreeContent::onItemSelected(toRoot, draw, node, help, handled);
}

bool guiTreeCtrl::onItemOver(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool help, bool handled)
{
    return guiTreeContent::onItemOver(toRoot, draw, node, help, handled);
}

bool guiTreeCtrl::onItemContextMenu(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool help, bool handled)
{
    return guiTreeContent::onItemContextMenu(toRoot, draw, node, help, handled);
}

bool guiTreeCtrl::onItemExpanded(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled)
{
    return guiTreeContent::onItemExpanded(toRoot, draw, node, handled);
}

bool guiTreeCtrl::onItemCollapsed(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled)
{
    return guiTreeContent::onItemCollapsed(toRoot, draw, node, handled);
}

bool guiTreeCtrl::onItemParentExpanded(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled)
{
    return guiTreeContent::onItemParentExpanded(toRoot, draw, node, handled);
}

bool guiTreeCtrl::onItemParentCollapsed(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled)
{
    return guiTreeContent::onItemParentCollapsed(toRoot, draw, node, handled);
}

LONG guiTreeCtrl::GetFilterMask() { return guiTreeContent::GetFilterMask(); }

// ---------------------------------------------------------------------------------------------
// What the engine calls.

bool guiTreeCtrl::onSizeChange(sIguiTreeDraw*, const CSize& size, CRect* treeRect)
{
    setTreeSize(size);
    calcTreeRect(true);
    if (treeRect)
        *treeRect = GetTreeRect();
    // An engine that keeps its own copy of the rectangle learns the new one here.
    checkOffset(true);
    return false;
}

guiPopupTreeCtrl* guiTreeCtrl::createPopupCtrl(sIguiTreeAspectEngine* aspectEngine)
{
    guiPopupTreeCtrl* popup = makePopup(aspectEngine);
    popup->SetTreeMain(this);
    return popup;
}

// ---------------------------------------------------------------------------------------------
// The owner side.

bool guiTreeCtrl::IsTreeChild(HWND hwnd) { return hwnd && IsChildCtrl(hwnd, guiTreeRec_Both); }

bool guiTreeCtrl::IsChildCtrl(HWND window, guiTreeRec rec)
{
    if (isOwnWindow(window))
        return true;
    const bool down = rec == guiTreeRec_Down || rec == guiTreeRec_Both;
    return down && GetDraw() && GetDraw()->IsChildCtrl(window);
}

CRect guiTreeCtrl::screenRect()
{
    CRect rect;
    return tcGetRect(rect, true);
}

bool guiTreeCtrl::GetRectPopupChanges(guiPopupTreeCtrl&, const CRect* anchor, CRect* out)
{
    if (anchor && out)
        *out = screenRect() == m_popupAnchor ? *anchor : CRect(0, 0, 0, 0);
    return true;
}

bool guiTreeCtrl::askSetFocus(guiPopupTreeCtrl&)
{
    SetFocus();
    return true;
}

void guiTreeCtrl::onPopupClosed(guiPopupTreeCtrl&) { m_popupAnchor.SetRectEmpty(); }

void guiTreeCtrl::onPopupOpened(guiPopupTreeCtrl&) { m_popupAnchor = screenRect(); }

bool guiTreeCtrl::onSelectLeftChild(guiPopupTreeCtrl&, sIguiTreeDraw* draw)
{
    if (draw)
        draw->ClearSelection();
    return true;
}
