#pragma once

// A child window control showing a tree of nodes through a draw engine (menu style or tree-view
// style): the content area with its scroll bars or arrow strips and caption strip, the item events
// with their callbacks, and the owner side of the popups its engine opens for submenus.

#include "guiContainer.h"
#include "guiExport.h"
#include "guiTreeContent.h"
#include "guiTreeDraw.h"

#include "vbWinClass.h"

class GUIAPI guiTreeCtrl : public TControlTemplate<guiCtrl>, public guiTreeContent, public sIguiTreeMain {
public:
    static vbWinClass s_Class;

    explicit guiTreeCtrl(sIguiTreeAspectEngine* aspects = nullptr);
    // Destroys the engine, the bars' windows and its own window; errors are shown, not passed on.
    ~guiTreeCtrl() override;

    using guiTreeContent::ClientPrint;
    void ClientPrint(guiDrawInfo* info, CDC* dc) override;
    using guiTreeContent::GetFilterMask;
    // Whether hwnd is this control, one of its bars or a window of its open popups.
    bool IsTreeChild(HWND hwnd);

    // --- TControl ---
    void tcSetVisible(bool visible) override;
    void tcSetEnabled(bool enabled) override;
    const guiCursor* tcGetMouseCursor() override;
    void tcOnMouseOut() override;
    vbString tcNeedToolTip(const CPoint& point, bool* track, int* delay) override;
    void tcOnDestroy() override;
    void onFontChanged(guiFont*) override { }
    void onSurfaceChanged(guiSurface*) override { }
    void onChar(UINT& character) { contentKey(true, character); }
    void onKeyDown(UINT& key) { contentKey(false, key); }

    // --- item events, from the engine and from the popups ---
    bool onItemChecked(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool* checked, bool engineHeld,
        bool handled) override;
    bool onItemClicked(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled) override;
    bool onItemDClicked(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled) override;
    bool onItemSelected(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled) override;
    bool onItemOver(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart, bool handled) override;
    bool onItemContextMenu(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool helpPart,
        bool handled) override;
    bool onItemExpanded(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled) override;
    bool onItemCollapsed(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled) override;
    bool onItemParentExpanded(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled) override;
    bool onItemParentCollapsed(bool toRoot, sIguiTreeDraw* draw, IguiTreeNode* node, bool handled) override;
    LONG GetFilterMask() override;

    // --- what the engine calls ---
    bool onSizeChange(sIguiTreeDraw* draw, const CSize& size, CRect* treeRect) override;
    bool askCloseCtrl(sIguiTreeDraw*, bool) override { return false; }
    guiPopupTreeCtrl* createPopupCtrl(sIguiTreeAspectEngine* aspectEngine) override;
    bool onSelectLeft(sIguiTreeDraw*) override { return false; }
    bool askStopCloseTimer(sIguiTreeDraw*) override { return false; }
    bool askStartCloseTimer(sIguiTreeDraw*) override { return false; }

    // --- the owner side of its popups ---
    bool IsChildCtrl(HWND window, guiTreeRec rec) override;
    // With both rectangles given: out is anchor while the control has not moved since the popup
    // opened, else empty. Always true.
    bool GetRectPopupChanges(guiPopupTreeCtrl& popup, const CRect* anchor, CRect* out) override;
    bool askSetFocus(guiPopupTreeCtrl& popup) override;
    void onPopupClosed(guiPopupTreeCtrl& popup) override;
    void onPopupOpened(guiPopupTreeCtrl& popup) override;
    bool onSelectLeftChild(guiPopupTreeCtrl& popup, sIguiTreeDraw* draw) override;
    bool onChangePopupSize(guiPopupDir, CRect&) override { return false; }

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    bool onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result) override;
    guiContainer* tcGetHostedContainer() override { return &children(); }

    bool frameInside(guiDrawInfo* info, CDC* dc, CRect& inside) override;
    void prepareScrollBar(guiMsScrollBar& bar) override;
    void onCaptionWidthChanged() override;

private:
    void onScrollBarMouse(TControl*, bool) { }
    CRect screenRect();

    CRect m_popupAnchor{0, 0, 0, 0};
};
