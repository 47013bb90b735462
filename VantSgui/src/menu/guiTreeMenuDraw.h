#pragma once

// The menu-style draw engine: the visible children of one root node as a vertical list of rows
// (items, check and radio items, text rows, separators), each with optional icon, help icon and
// submenu arrow; a row whose node has visible children opens them in a popup that runs another
// menu engine.
//
// Styles: a base aspect engine answers the built-in default aspect; the main aspect engine
// (parent: the host's engine, default: the base engine) resolves the aspect-name cascade on the
// root node; items of a class get a class engine of their own on top of the main one.

#include "guiTreeDraw.h"
#include "guiTreeStyle.h"
#include "guiTreeStyleEngine.h"
// Relative: the benchmarks include this header without the library's source folder on their path.
#include "../draw/guiTreeDrawPost.h"
#include "../draw/guiTreeTypeAhead.h"

#include "guiGlobal.h"

#include "vbIcon.h"

#include <memory>
#include <vector>

class GUIAPI guiTreeMenuDraw final : public sIguiTreeAspectGet,
                              public sIguiTreeDraw,
                              public sIguiTreeNodeDraw,
                              private sIvbPtrCb {
public:
    guiTreeMenuDraw(CWnd* host, sIguiTreeEvents* events, sIguiTreeAspectEngine* hostEngine, bool inPopup);

    // --- sIguiTreeAspectGet ---
    bool GetAspect(guiTreeAspectEngine* engine, const vbString* names, int count, guiTreeAspectRef* out) override;
    IguiTreeAspect* GetAspect(guiTreeAspectEngine* engine) override;
    void onAspectListChange(IguiTreeNode* node) override;
    virtual ~guiTreeMenuDraw();

    // --- sIguiTreeDraw ---
    bool SetRoot(IguiTreeNode* node) override;
    bool GetRoot(guiTreeNodeRef* out) override;
    bool SetCheckBoxes(bool on) override;
    bool HasCheckBoxes() override { return m_checkBoxes; }
    bool SetCheckMode(guiNodeCheckMode mode) override;
    guiNodeCheckMode GetCheckMode() override { return m_checkMode; }
    bool SetExpandedLevel(int) override { return false; }
    int GetExpandedLevel() override { return 0; }
    bool SetOnlyOneExpanded(bool) override { return false; }
    bool GetOnlyOneExpanded() override { return false; }
    bool SetMouseTrack(guiMouseTrack track) override;
    guiMouseTrack GetMouseTrack() override { return m_mouseTrack; }
    bool SetUserCanExpandAll(bool) override { return false; }
    bool GetUserCanExpandAll() override { return false; }
    bool SetAspectName(const vbString& name) override;
    vbString GetAspectName() override { return m_aspectName; }
    void Draw(const CRect& treeRect, CDC& dc, const CRect* clip) override;
    void OnPostedUpdate() override;
    void OnTimer() override;
    void OnMouseMove(const CPoint& point, UINT flags) override;
    void OnLButtonUp(const CPoint& point, UINT flags) override;
    void OnLButtonDblClk(const CPoint& point, UINT flags) override;
    vbString tcNeedToolTip(const CPoint& point, bool* shown, INT_PTR* identity) override;
    void onChar(UINT& character) override;
    void onKeyDown(UINT& key) override;
    void MoveCursorToSelection() override;
    bool OnContextMenu(const CPoint& point) override;
    void Redraw(bool all) override;
    void UpdateTree(bool all) override;
    bool AskClose(bool wholeChain) override;
    void CancelSelection() override;
    void ClearSelection() override;
    bool HasSelection() override;
    void ClearOver() override;
    bool SelectFirst() override;
    void Destroy() override;
    void Hide() override;
    void PaintBack(CDC& dc, const CRect& rect) override;
    const guiSurface& GetBack() override;
    guiTreeAspectEngine& GetAspectEngine() override { return m_mainEngine; }
    CPoint GetOffset() override { return m_offset; }
    bool SetOffset(const CPoint& offset, bool repaint) override;
    CSize GetSize() override { return m_size; }
    bool IsChildCtrl(HWND window) override;
    bool SetTreeRect(const CRect& rect, bool repaint) override;
    bool PostCmd(guiTree_Cmd cmd, const guiTreeNodeRef* path, int count) override;
    bool PostCmdNodes(guiTree_Cmd cmd, IguiTreeNode* const* path, int count) override;
    bool GetSelected(guiTreeNodeRef* out, bool* helpPart) override;

    // --- sIguiTreeNodeDraw ---
    sIguiTreeDraw* GetDraw() override { return this; }
    bool IsSelected(IguiTreeNode* node) override;
    bool IsOver(IguiTreeNode* node) override;
    bool IsExpanded() override { return !m_treeRect.IsRectEmpty(); }

    // --- the laid-out rows ---
    int GetItemCount() const { return static_cast<int>(m_items.size()); }
    // Content coordinates: (0, top, row width, top + row height); empty outside 1..count.
    CRect GetItemRect(int pos) const;
    const vbString& GetStatusText() const { return m_status; }
    int GetSelection() const { return m_sel; }
    int GetOver() const { return m_over; }
    // The submenu popup the host made for this engine; null before the first submenu.
    guiPopupTreeCtrl* GetPopup() const { return m_popup; }
    // The type-ahead match in the selected item's text (1-based bytes).
    int GetMatchStart() const { return m_matchStart; }
    int GetMatchLength() const { return m_matchLength; }

private:
    struct Item;
    class ClassEngine;
    struct Command {
        guiTree_Cmd cmd;
        std::vector<guiTreeNodeRef> path;
        bool requeued = false;
    };
    // Recorded under the post lock, taken whole by OnPostedUpdate.
    struct Requests {
        bool relayout = false, repaint = false, reloadAspect = false, repaintAll = false, statusRefresh = false,
             statusOnly = false;
        int popup = -1;
        std::vector<Command> commands;
    };

    struct Hit {
        int pos = 0;
        guiTreeHit part = guiTreeHit_Item;
    };
    struct Slot {
        int pos = 0, start = 0, length = 0;
    };
    // One type-ahead search; the slots hold the matches before and after passing the start.
    struct Search {
        int start = 0;
        std::string text;
        bool cancel = false;
        Slot before, after;
        bool passed = false, skipStart = false, backward = false;
    };

    // --- sIvbPtrCb: the root link and the aspect links ---
    void onPtrSignal(sIvbPtr* ptr, int signal) override;
    void onPtrLink(sIvbPtr* ptr) override;
    void onPtrUnlink(sIvbPtr* ptr) override;

    // --- requests (any thread) ---
    void requestRelayout();
    void requestFullUpdate();
    void requestRepaint();
    void requestFullRepaint();
    void requestStatusOnly();
    void requestStatusRefresh();
    void requestPopup(int pos);
    void queue(Command command);

    // --- the window thread ---
    void refreshStatus();
    void forgetLayout();
    bool relayoutPass(bool reload, bool repaintAll);
    void repaint(bool all);
    bool layout(bool reload);
    void reportRootExpanded();
    void walkChildren(IguiTreeNode* root, LONG mask, bool reload);
    void sortItems(IguiTreeNode* root);
    void measureItems(bool reload);
    void measureItem(CDC& dc, Item& item, bool reload);
    void takeSelectionFromRoot(IguiTreeNode* root, bool reload);
    void execute(Command& command, std::vector<Command>& again);
    void openPopup(int pos);
    void closePopup();
    bool clampOffset(CPoint& offset) const;
    CSize visibleSize() const { return CSize(m_treeRect.Width(), m_treeRect.Height() - 2); }
    bool scrollIntoView(int pos, bool help, bool invalidate);
    void invalidate(const CRect& client);
    void invalidateItem(int pos);
    int positionOf(IguiTreeNode* node) const;
    Item* itemAt(int pos) const;
    const guiTreeAspectEngine& engineOf(const Item& item) const;
    int helpColumn(const Item& item) const;
    CRect rowRect(const Item& item) const;
    CRect toClient(const CRect& content) const;
    sIguiTreeDraw* popupDraw() const;
    void stopTimer();

    // --- selection and over ---
    bool select(int pos, int matchStart, int matchLength);
    bool setOver(int pos);
    using NodeEvent = bool (IguiTreeNode::*)(IguiTreeNode*, bool);
    using HostEvent = bool (sIguiTreeItemEvents::*)(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool);
    // To the node, else the root, then the host; the host's answer.
    bool itemEvent(IguiTreeNode* node, bool help, NodeEvent onNode, HostEvent onHost);
    IguiTreeNode* nodeAt(int pos) const;
    void reportSelect(int pos);
    void reportOver(int pos);

    // --- input ---
    Hit hitTest(const CPoint& point) const;
    static bool isSelectable(const Item& item);
    bool click(int n, bool help);
    bool doubleClick(int n, bool help);
    bool clickEvent(int n, bool help, NodeEvent onNode, HostEvent onHost, guiNodeCheckMode needed);
    bool toggleOnClick(int n, guiNodeCheckMode needed);
    bool contextMenu(int n, bool help);
    bool toggleCheck(int n);
    bool right(int n, bool help);
    bool upDown(bool down, int n);
    bool backspace();
    void typeAhead(const std::string& ch);
    void clearTyped();
    bool search(const std::string& text, bool skipStart, bool backward);
    bool matchItem(int pos);

    // --- painting ---
    void fillState(CDC& dc, const CRect& rect, const guiTreeAspectEngine& engine, bool sel, bool over);
    bool paintRows(CDC& dc, const CRect& area);
    bool paintRow(CDC& dc, int n, Item& item, const CRect& area);

    // --- aspects ---
    std::vector<vbString> mainNames();
    IguiTreeAspect* defaultAspect();

    static void deleteEngine(void* engine);

    CWnd* m_host;
    sIguiTreeEvents* m_events;
    const bool m_inPopup;
    guiTreeDrawLife m_life{this, &guiTreeMenuDraw::deleteEngine};
    guiTreeDrawPost m_post;
    Requests m_requests;

    guiMouseTrack m_mouseTrack = guiMouseTrack_Over;
    bool m_checkBoxes = false;
    guiNodeCheckMode m_checkMode = guiNodeCheck_Btn;
    vbString m_aspectName;

    guiTreeAspectEngine m_baseEngine;
    guiTreeAspectEngine m_mainEngine;
    vbRefPtr<guiTreeAspect, &CLSID_guiTreeAspect> m_defaultAspect;
    guiTreeAspectLink m_mainAspect;
    bool m_mainResolved = false;

    guiTreeRootLink m_root;

    std::vector<std::unique_ptr<Item>> m_items;
    bool m_anySubmenu = false;
    int m_widest = 0;
    int m_totalHeight = 0;
    int m_widestIcon = 0;
    CSize m_size{-1, -1};
    CPoint m_offset{0, 0};
    CRect m_treeRect{0, 0, 0, 0};
    int m_hostLimit = 0;

    int m_sel = 0;
    int m_over = 0;
    int m_openPopup = 0;
    guiPopupTreeCtrl* m_popup = nullptr;
    int m_matchStart = 0;
    int m_matchLength = 0;

    vbString m_status;
    bool m_rootLoaded = false;
    bool m_rootExpanded = false;

    guiTypedText m_typed;
    Search m_search;
    bool m_searchRunning = false;

    vbIcon m_loadingIcon;
    WORD m_frame = 0;
    guiTimerPostEvent m_timer;
    bool m_timerRunning = false;
};
