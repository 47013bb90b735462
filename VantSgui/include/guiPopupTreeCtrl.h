#pragma once

// The popup tree control: a top-level window that never becomes active and shows a menu level or
// a tree beside an anchor rectangle, with the tree control's content area. Popups form chains: a
// submenu's popup is made by the engine of the popup above it, which is its parent; only the
// first popup of a chain has an owner, the tree control or popup button that opened it. A popup
// goes to the other side of its anchor when that has more room, closes when the focus leaves the
// chain, when its owner moves, or when the mouse has stayed out of the chain for two seconds, and
// passes every item event up the chain to the owner.

#include "guiContainer.h"
#include "guiExport.h"
#include "guiGlobal.h"
#include "guiTreeContent.h"
#include "guiTreeDraw.h"

#include "vbWinClass.h"

// The close timer and the owner watch, posted to the first popup of a chain.
constexpr UINT guiTreeMsgCloseTimer = 0x0400 + 257;
constexpr UINT guiTreeMsgOwnerWatch = 0x0400 + 258;

class GUIAPI guiPopupTreeCtrl : public TControlTemplate<guiCtrlPopUp>, public guiTreeContent {
public:
    // Declared as guiTreeCtrl's in shape only: the shared bodies are guiTreeContent's.
    static vbWinClass s_Class;

    explicit guiPopupTreeCtrl(sIguiTreeAspectEngine* aspects = nullptr);
    // Destroys the engine, the bars' windows and its own window; errors are shown, not passed on.
    ~guiPopupTreeCtrl() override;

    using guiTreeContent::ClientPrint;
    void ClientPrint(guiDrawInfo* info, CDC* dc) override;

    // Its own mask, else the parent popup's, else the owner's, else 0.
    LONG GetFilterMask() override;
    // The owner of a first popup; "Can't set treemain for a popup child" on a popup with a parent.
    void SetTreeMain(sIguiTreeMain* main);
    sIguiTreeMain* GetTreeMain() const { return m_pMain; }
    guiPopupTreeCtrl* GetParentPopup() const { return m_pParent; }

    // Places the popup beside anchor (screen coordinates) on the side dir prefers and shows it
    // once the engine knows the tree's size; nothing when it is open there already.
    void Open(const CRect& anchor, guiPopupDir dir);
    void Close();
    bool IsOpen() const { return m_bOpen; }
    const CRect& GetRectPopup() const { return m_anchor; }
    guiPopupDir GetPopupDir() const { return m_dir; }

    // The chain's close timer, kept by its first popup; it starts only while the whole way up
    // the chain is open.
    void StartCloseTimer();
    void StopCloseTimer();

    bool IsTreeChild(HWND hwnd);
    // rec 1: this popup and those below it; 2: this popup and those above it with the owner; 3: both.
    bool IsChildCtrl(HWND hwnd, guiTreeRec rec);

    guiTREEPOPUPCB& OnTreeCloseCB() { return m_closeCB; }
    guiTREEPOPUPCB& OnTreeOpenCB() { return m_openCB; }

    // --- TControl ---
    // Stops the chain's close timer, then lets the owner keep the focus or takes it.
    void tcSetFocus() override;
    void tcOnMouseOver() override;
    void tcOnMouseOut() override;
    void tcSetVisible(bool visible) override;
    const guiCursor* tcGetMouseCursor() override;
    vbString tcNeedToolTip(const CPoint& point, bool* track, int* delay) override;
    void tcOnDestroy() override;
    void onFontChanged(guiFont*) override { }
    void onSurfaceChanged(guiSurface*) override { }
    void onChar(UINT& character) { contentKey(true, character); }
    void onKeyDown(UINT& key) { contentKey(false, key); }

    // --- what the engine calls ---
    bool onSizeChange(sIguiTreeDraw* draw, const CSize& size, CRect* treeRect) override;
    // Without wholeChain, or on the first popup, closes this popup; else the parent is asked for
    // the whole chain.
    bool askCloseCtrl(sIguiTreeDraw* draw, bool wholeChain) override;
    guiPopupTreeCtrl* createPopupCtrl(sIguiTreeAspectEngine* aspectEngine) override;
    bool onSelectLeft(sIguiTreeDraw* draw) override;
    bool askStopCloseTimer(sIguiTreeDraw* draw) override;
    bool askStartCloseTimer(sIguiTreeDraw* draw) override;
    int GetWidthMax() override;

protected:
    // Gives the chain the focus, tells the owner and starts watching it.
    virtual void onOpen();
    virtual void onClose();

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    bool onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result) override;
    guiContainer* tcGetHostedContainer() override { return &children(); }

    bool frameInside(guiDrawInfo* info, CDC* dc, CRect& inside) override;
    void prepareScrollBar(guiMsScrollBar& bar) override;
    void onCaptionWidthChanged() override;
    bool acceptsClicks() override;
    bool passItemEventUp(const guiTreeItemEvent& event, bool handled) override;

private:
    guiPopupTreeCtrl& first();
    bool chainHasFocus();
    // Places the window beside the anchor; true when it moved. False on a screen without size.
    bool calcWindowPos(bool repaint);
    CSize frameSize();
    void watchOwner();
    void stopTimers();
    void onScrollBarMouse(TControl*, bool left);

    bool m_bOpen = false;
    bool m_bClosing = false;
    CRect m_anchor{0, 0, 0, 0};
    guiPopupDir m_dir = guiPopupDir_Right;
    guiPopupTreeCtrl* m_pParent = nullptr;
    sIguiTreeMain* m_pMain = nullptr;
    guiTimerPostEvent m_closeEvent;
    guiTimerPostEvent m_watchEvent;
    guiTREEPOPUPCB m_closeCB;
    guiTREEPOPUPCB m_openCB;
};
