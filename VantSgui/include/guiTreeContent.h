#pragma once

// The content area shared by the tree control and the popup tree control: the properties replayed
// into each new draw engine, the root holder, the engine itself, the tree rectangle with its
// scroll bars or arrow strips, painting with the caption strip, mouse routing and the item events.
// A control derives from its window template first and from this second, gives it its window and
// answers the few hooks where the two controls differ.

#include "guiCallbacks.h"
#include "guiContainer.h"
#include "guiExport.h"
#include "guiGlobal.h"
#include "guiMsScrollBar.h"
#include "guiTreeDraw.h"

#include "vbPtr.h"
#include "vbString.h"

#include "plat/afx.h"
#include "plat/afxwin.h"

#include <memory>
#include <vector>

class guiCursor;
class guiDrawInfo;
class guiPopupTreeCtrl;
class guiTreeAspectEngine;
class sIguiTreeAspectEngine;
class vbWinClass;

// The private messages of the tree controls' windows.
constexpr UINT guiTreeMsgAutoScroll = 0x0400 + 256;

// One item event as it travels from an engine through the hosts and popups to the owner.
enum class guiTreeEventKind {
    Checked,
    Clicked,
    DClicked,
    Selected,
    Over,
    ContextMenu,
    Expanded,
    Collapsed,
    ParentExpanded,
    ParentCollapsed,
};

struct guiTreeItemEvent {
    guiTreeEventKind kind;
    sIguiTreeDraw* draw;
    IguiTreeNode* node;
    // The help part for the five selection-like events; engine-held for the check event.
    bool flag;
    bool* checked;
};

// Raises the event on target with pass-to-root true; answers target's handled flag.
GUIAPI bool guiTreeForwardEvent(sIguiTreeItemEvents& target, const guiTreeItemEvent& event, bool handled);

class GUIAPI guiTreeContent : public sIguiTreeEvents {
public:
    guiTreeContent(const guiTreeContent&) = delete;
    guiTreeContent& operator=(const guiTreeContent&) = delete;

    // Setters answer false for the stored value, true before an engine exists, else the engine's
    // answer; the value is replayed into every new engine.
    bool SetCheckBoxes(bool on);
    bool HasCheckBoxes() const { return m_bCheckBoxes; }
    bool SetCheckMode(guiNodeCheckMode mode);
    guiNodeCheckMode GetCheckMode() const { return m_checkMode; }
    bool SetExpandedLevel(int level);
    int GetExpandedLevel() const { return m_expandedLevel; }
    bool SetOnlyOneExpanded(bool only);
    bool GetOnlyOneExpanded() const { return m_bOnlyOneExpanded; }
    bool SetMouseTrack(guiMouseTrack track);
    guiMouseTrack GetMouseTrack() const { return m_mouseTrack; }
    bool SetUserCanExpandAll(bool can);
    bool GetUserCanExpandAll() const { return m_bUserCanExpandAll; }
    bool SetAspectName(const vbString& name);
    const vbString& GetAspectName() const { return m_aspectName; }
    // A new mask relayouts the whole tree.
    bool SetFilterMask(LONG mask);
    LONG GetFilterMask() override { return m_filterMask; }

    // False for the node already held (two nulls, or one object through its IUnknown).
    bool SetRoot(IguiTreeNode* root);
    // For the node already held only the draw type changes.
    bool SetRoot(guiTreeDrawType type, IguiTreeNode* root);
    bool GetRoot(guiTreeNodeRef* out) const;
    bool SetDrawType(guiTreeDrawType type);
    guiTreeDrawType GetDrawType() const { return m_drawType; }
    // Only with a root: the tree-view engine for type 1, the menu engine for any other.
    void CreateDraw();
    void DestroyDraw();
    sIguiTreeDraw* GetDraw() const { return m_pDraw; }
    void UpdateTree(bool all);
    bool GetSelected(guiTreeNodeRef* out, bool* helpPart) const;

    // Frame, caption strip, arrow strips and the engine's tree; clip null for everything.
    void ClientPrint(guiDrawInfo* info, CDC& dc, const CRect* clip);
    // Arrow-strip auto-scrolling: > 0 toward the end, < 0 toward the start, 0 stops.
    void SetScrollSelected(int direction);

    // The engine's latest content size, (-1, -1) before it reported one.
    CSize GetTreeSize() const { return m_treeSize; }
    const CRect& GetTreeRect() const { return m_treeRect; }
    // Width of the caption strip, 0 without caption.
    int GetCaptionWidth() const { return m_captionSize.cx; }
    // Length of the caption's text along the strip, 0 without caption.
    int GetCaptionLength() const { return m_captionSize.cy; }

    guiTREESUBOPCB& OnTreeClickCB() { return m_clickCB; }
    guiTREESUBOPCB& OnTreeDClickCB() { return m_dClickCB; }
    guiTREESUBOPCB& OnTreeOverCB() { return m_overCB; }
    guiTREESUBOPCB& OnTreeSelectCB() { return m_selectCB; }
    guiTREESUBOPCB& OnTreeContextMenuCB() { return m_contextMenuCB; }
    guiTREEOPCB& OnTreeExpandCB() { return m_expandCB; }
    guiTREEOPCB& OnTreeCollapseCB() { return m_collapseCB; }
    guiTREEOPCB& OnTreeExpandParentCB() { return m_expandParentCB; }
    guiTREEOPCB& OnTreeCollapseParentCB() { return m_collapseParentCB; }
    guiTREECHECKCB& OnTreeCheckCB() { return m_checkCB; }

    // --- what the engine calls ---
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
    void askOffsetChange(sIguiTreeDraw* draw, const CPoint& offset, const CSize& size, const CSize& visible) override;
    void onToolTipChange(sIguiTreeDraw* draw) override;
    void onTreeRootUpdate(sIguiTreeDraw* draw, bool reload) override;
    void onTreeRootRedraw(sIguiTreeDraw* draw, bool all) override;
    void cancelScrollSelect() override;
    const CRect& getBackRect() override { return m_backRect; }
    void onMouseMove(sIguiTreeDraw* draw, IguiTreeNode* node, guiTreeHit hit,
        const guiTreeAspectEngine& aspectEngine) override;
    bool onPageUp(sIguiTreeDraw* draw) override;
    bool onPageDn(sIguiTreeDraw* draw) override;
    int GetWidthMax() override { return m_treeRect.Width(); }

protected:
    // wnd and control are the deriving control's own window and control faces; lineStep is the
    // vertical scroll line, autoStep the pixels of one auto-scroll step; printFailure the text of
    // WM_PRINTCLIENT without a device context.
    guiTreeContent(CWnd& wnd, TControlBase& control, sIguiTreeAspectEngine* aspects, bool inPopup, int lineStep,
        int autoStep, const char* printFailure);
    ~guiTreeContent();

    // What both controls do alike in their own overrides and destructors.
    // PreCreateWindow: windowClass's creation data with the given style (WS_VISIBLE kept as asked);
    // a failure is shown under source's name and answers FALSE.
    BOOL preCreateWindow(vbWinClass& windowClass, CREATESTRUCTA& cs, DWORD style, const char* source);
    // frameInside: the control's frame with its appearance and border style.
    bool drawFrame(guiDrawInfo* info, CDC* dc, CRect& inside, int frameWidth);
    // tcGetMouseCursor: the cursor of the item under the mouse, else the control's own.
    const guiCursor* contentCursor();
    // The destructor's part: the engine, the bars' windows and the own window go.
    void closeContent();

    // --- hooks of the deriving control ---
    // Draws the frame into dc (null: only measures) and gives the rectangle inside it; false when
    // the window is too small for one.
    virtual bool frameInside(guiDrawInfo* info, CDC* dc, CRect& inside);
    // Sets the callbacks of a scroll bar just created in the child container.
    virtual void prepareScrollBar(guiMsScrollBar& bar);
    // After an update changed the caption strip's width.
    virtual void onCaptionWidthChanged();
    // Whether clicks and context menus reach the engine now.
    virtual bool acceptsClicks() { return true; }
    // Between the root node and the own callback; answers the handled flag.
    virtual bool passItemEventUp(const guiTreeItemEvent& event, bool handled);

    // Steps 1-5 of the tree rectangle; true when it or the strip mode changed.
    bool calcTreeRect(bool repaint);
    void updateScrolls(bool positionOnly);
    // Hands the tree rectangle to the engine.
    void checkOffset(bool repaint);
    // Moves the engine's offset; true when it moved (the bars then follow).
    bool scrollTo(CPoint offset);
    void scrollCommand(bool vertical, UINT code, int position);
    void stopAutoScroll();

    // The messages both controls handle alike; true: handled, with result.
    bool contentMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Parts of the TControl answers.
    vbString contentToolTip(const CPoint& point, bool* shown);
    void contentMouseOut();
    void contentDestroy();
    void contentKey(bool character, UINT& key);
    // The control's own window or one of its existing scroll bars.
    bool isOwnWindow(HWND hwnd);
    void invalidate(bool erase);

    guiContainer& children() { return m_children; }
    // A popup on aspectEngine, its window hidden in the child container, with this content's
    // check boxes, check mode, mouse track and expanded level; it lives as long as this content.
    guiPopupTreeCtrl* makePopup(sIguiTreeAspectEngine* aspectEngine);
    // Shows without activating, or hides and lets the engine hide its own popups.
    void contentSetVisible(bool visible);
    // The vertical bar's width, from the system until a bar was needed.
    int verticalBarWidth() const;
    void resetLastMouse() { m_lastMouse = CPoint(-1, -1); }
    // The caption before an update, against which the update's caption is compared.
    void saveCaptionSize() { m_savedCaptionSize = m_captionSize; }
    CWnd& wnd() { return m_wnd; }
    void setTreeSize(const CSize& size) { m_treeSize = size; }

private:
    class RootHolder : public sIguiPaintLock {
    public:
        void LockPaint() override { m_sect.Lock(); }
        void UnlockPaint() override { m_sect.Unlock(); }
        bool Get(guiTreeNodeRef* out);
        bool Is(IguiTreeNode* node);
        void Set(IguiTreeNode* node);

    private:
        CCriticalSection m_sect;
        vbPtr<IguiTreeNode, &IID_IguiTreeNode> m_ptr;
    };

    template <class T, class Pass>
    bool setProperty(T& field, const T& value, Pass pass);
    bool itemEvent(const guiTreeItemEvent& event, bool toRoot, bool handled);
    bool rootStep(const guiTreeItemEvent& event, bool handled);
    bool callbackStep(const guiTreeItemEvent& event, bool handled);
    void storeRoot(IguiTreeNode* root);
    void updateCaption();
    void paintStrip(CDC& dc, const CRect& strip, int direction, const CRect* clip);
    void paintCaption(CDC& dc, const CRect& inside, const CRect* clip);
    void showBar(guiMsScrollBar& bar, bool& shown, const CRect& rect);
    void hideBar(guiMsScrollBar& bar, bool& shown);
    void setBarInfo(guiMsScrollBar& bar, bool positionOnly, int total, int page, int position);
    void clearStrips();
    void autoScrollStep();
    void postedUpdate();
    void printClient(WPARAM hdc);
    void routeMouse(UINT msg, WPARAM flags, const CPoint& point);
    void contextMenu(LPARAM screenPoint);

    CWnd& m_wnd;
    TControlBase& m_control;
    const bool m_bInPopup;
    const int m_lineStep;
    const int m_autoStep;
    const char* const m_printFailure;

    bool m_bCheckBoxes = false;
    guiNodeCheckMode m_checkMode = guiNodeCheck_Btn;
    int m_expandedLevel = 1;
    vbString m_aspectName;
    guiMouseTrack m_mouseTrack = guiMouseTrack_Over;
    bool m_bOnlyOneExpanded = false;
    bool m_bUserCanExpandAll = true;
    mutable RootHolder m_root;
    sIguiTreeAspectEngine* m_pAspects;
    LONG m_filterMask = 0;
    sIguiTreeDraw* m_pDraw = nullptr;
    guiTreeDrawType m_drawType = guiTreeDraw_Menu;
    CSize m_treeSize{-1, -1};
    CPoint m_lastMouse{-1, -1};
    // Strip width and text length, and the pair before the running update.
    CSize m_captionSize{0, 0};
    CSize m_savedCaptionSize{0, 0};
    vbString m_caption;
    CRect m_backRect{0, 0, 0, 0};
    CRect m_treeRect{0, 0, 0, 0};
    CSize m_visible{0, 0};
    guiMsScrollBar m_vBar{true};
    guiMsScrollBar m_hBar{false};
    // After the bars: it destroys their windows while they still exist.
    guiContainer m_children;
    // After the container: their windows lie in it.
    std::vector<std::unique_ptr<guiPopupTreeCtrl>> m_popups;
    int m_vBarWidth = -1;
    int m_hBarHeight = -1;
    bool m_bVBarShown = false;
    bool m_bHBarShown = false;
    bool m_bArrowMode = false;
    CRect m_lowerStrip{0, 0, 0, 0};
    CRect m_upperStrip{0, 0, 0, 0};
    int m_scrollDir = 0;
    bool m_bCanScrollDown = false;
    bool m_bCanScrollUp = false;
    guiTimer m_autoTimer{30};
    guiTimerPostEvent m_autoEvent;
    guiTREESUBOPCB m_clickCB;
    guiTREESUBOPCB m_dClickCB;
    guiTREESUBOPCB m_overCB;
    guiTREESUBOPCB m_selectCB;
    guiTREESUBOPCB m_contextMenuCB;
    guiTREEOPCB m_expandCB;
    guiTREEOPCB m_collapseCB;
    guiTREEOPCB m_expandParentCB;
    guiTREEOPCB m_collapseParentCB;
    guiTREECHECKCB m_checkCB;
    const guiCursor* m_pItemCursor = nullptr;
};
