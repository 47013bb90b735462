#pragma once

// The tree-view draw engine: the visible children of a root node as an indented tree whose items
// expand and collapse in place. One level per node whose children are laid out (the root level is
// the engine's own), one item per shown child; levels mirror the expanded part of the node tree.
// Requests from any thread set flags on a level and post one update to the host; the layout runs
// in OnPostedUpdate on the host's thread.

#include "guiGlobal.h"
#include "guiTreeDraw.h"
#include "guiTreeStyleEngine.h"

#include "vbIcon.h"
#include "vbObjects.h"
#include "vbPtr.h"

#include "plat/afx.h"
#include "plat/afxwin.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class guiTreeDrawLife;
class guiTreeDrawPost;
class guiTreeRootLink;
class guiTreeViewDraw;
class guiTreeViewAspectLink;
class guiTreeViewItem;
class guiTreeViewLevel;
class guiTypedText;

// A place in the tree: item `index` (1-based) of `level`; a null level is none.
struct guiTreeViewPos {
    guiTreeViewLevel* level = nullptr;
    int index = 0;

    bool Is(const guiTreeViewLevel* l, int i) const { return level && level == l && index == i; }
    explicit operator bool() const { return level != nullptr; }
    bool operator==(const guiTreeViewPos&) const = default;
};

// A hit of the type-ahead search: the item and the matched part of its text (1-based start).
struct guiTreeViewFound {
    guiTreeViewPos pos;
    int start = 0;
    int length = 0;
};

// The type-ahead search while it walks the tree.
struct guiTreeViewSearch {
    guiTreeViewPos start;
    vbString pattern;
    bool running = false;
    bool stop = false;
    bool passed = false;
    bool repeat = false;
    bool backward = false;
    // Hits before the start item, and from it on.
    guiTreeViewFound before;
    guiTreeViewFound after;
};

// A level: the items of one node's children, placed in content coordinates.
class GUIAPI guiTreeViewLevel final : public sIguiTreeAspectGet, public sIguiTreeNodeDraw, public sIvbPtrCb {
public:
    // parent null: the root level, whose aspect engine completes from the host's and the engine's.
    guiTreeViewLevel(guiTreeViewDraw* draw, guiTreeViewLevel* parent, sIguiTreeAspectEngine* hostAspects);
    ~guiTreeViewLevel();
    guiTreeViewLevel(const guiTreeViewLevel&) = delete;
    guiTreeViewLevel& operator=(const guiTreeViewLevel&) = delete;

    // --- sIguiTreeAspectGet ---
    bool GetAspect(guiTreeAspectEngine* engine, const vbString* names, int count, guiTreeAspectRef* out) override;
    IguiTreeAspect* GetAspect(guiTreeAspectEngine* engine) override;
    void onAspectListChange(IguiTreeNode* node) override;

    // --- sIguiTreeNodeDraw ---
    bool PostCmd(guiTree_Cmd cmd, const guiTreeNodeRef* path, int count) override;
    bool PostCmdNodes(guiTree_Cmd cmd, IguiTreeNode* const* path, int count) override;
    sIguiTreeDraw* GetDraw() override;
    bool IsSelected(IguiTreeNode* node) override;
    bool IsOver(IguiTreeNode* node) override;
    bool IsExpanded() override { return m_bExpanded; }

    // --- node and aspect links ---
    void onPtrSignal(sIvbPtr* ptr, int signal) override;
    void onPtrUnlink(sIvbPtr* ptr) override;
    void onPtrLink(sIvbPtr* ptr) override;

    // Requests, from any thread.
    enum Request : unsigned {
        kRelayout = 1u << 0,
        kRelayoutAll = 1u << 1,
        kRepaint = 1u << 2,
        kRepaintAll = 1u << 3,
        kStatus = 1u << 4,
        kReset = 1u << 5,
        kExpand = 1u << 6,
        kExpandAll = 1u << 7,
        kCollapse = 1u << 8,
        kCollapseAll = 1u << 9,
    };
    void request(unsigned what);
    // Adds requests that the update running now takes (no update is posted).
    void addRequests(unsigned what);

    // Links node (null detaches) and refreshes the status.
    void SetNode(IguiTreeNode* node);
    IguiTreeNode* GetNode() const;
    guiTreeAspectEngine& AspectEngine() { return m_aspects; }
    // Forgets the resolved aspect of the level, of its item classes and of every level below.
    void resetAspects();

    // Paints the rows meeting clip (content coordinates); false once a row below clip was met.
    // animated is set when a painted row shows an animated icon.
    bool paint(CDC& dc, const CRect& clip, bool& animated);
    // An animation tick over area (content coordinates): frames advance and animated icons are
    // invalidated in the levels that have some; answers whether any was.
    bool tick(const CRect& area);
    // Animated icons shown in this level or below.
    bool HasAnimation() const { return m_animated > 0 || m_animatedBelow > 0; }
    // An item's icon became animated or still; the levels above learn whether some below are.
    void setAnimated(bool& flag, bool animated);
    // Places the level at (x, y); answers whether it shows anything.
    bool place(bool visible, int x, int& y, int& right, int& rows);
    // Drops every item (and the levels below).
    void clearItems();

    // A node command waiting for the level's next update; the path runs from the target up to an
    // item of this level (empty: the item showing this level).
    struct Command {
        guiTree_Cmd cmd;
        std::vector<guiTreeNodeRef> path;
    };

    int Number() const { return m_number; }
    guiTreeViewLevel* Parent() const { return m_pParent; }
    guiTreeViewDraw* Draw() const { return m_pDraw; }
    const vbString& Status() const { return m_status; }
    int ItemCount() const { return static_cast<int>(m_items.size()); }
    // 1-based, in display order.
    guiTreeViewItem& Item(int index) { return *m_items[size_t(index - 1)]; }
    const CRect& Placed() const { return m_placed; }
    int Indent() const { return m_indent; }
    int TreeLineEnd() const { return m_treeLineEnd; }
    bool IsLoaded() const { return m_bLoaded; }
    void setExpanded(bool expanded) { m_bExpanded = expanded; }
    void setParentItemTop(int top) { m_parentItemTop = top; }

    // The 1-based index of node's item, 0 when it has none here.
    int IndexOf(IguiTreeNode* node) const;
    // The index of the item showing this level in the parent level (0 for the root level).
    int IndexInParent() const;

private:
    friend class guiTreeViewItem;
    friend class guiTreeViewDraw;

    // Takes the requests; answers whether the level shows anything. visible becomes false for a
    // collapsed level; expandAll tells whether the levels below are to expand too.
    bool update(bool& visible, bool& expandAll);
    void refreshStatus();
    void parentEvents(guiTreeViewItem& item, bool visible);
    // The row under p (content coordinates): 1 hit, -1 no hit, 0 not in this level.
    int hit(const CPoint& p, guiTreeViewPos& pos, guiTreeHit& part);
    bool hitRow(guiTreeViewItem& item, const CPoint& p, guiTreeHit& part);
    bool loadAndMeasure(bool visible, bool force);
    void loadItem(guiTreeViewItem& item, IguiTreeNode* child, CDC& dc, LONG mask, bool force);
    void measure(guiTreeViewItem& item, IguiTreeNode* child, CDC& dc, bool force);
    void sortItems(bool byText);
    // The vertical tree line being drawn down the indent column.
    struct Lines {
        bool shown;
        int x;
        int start;
    };
    void drawLine(CDC& dc, const CRect& clip, CPoint from, CPoint to);
    void paintLineAndButton(CDC& dc, const CRect& clip, guiTreeViewItem& item, Lines& lines);
    void paintRow(CDC& dc, const CRect& clip, guiTreeViewItem& item, int index, bool& animated);
    void fillState(CDC& dc, const CRect& rect, guiTreeAspectEngine& a, bool selected, bool over);
    void belowChanged(bool up);
    // Where the row's main icon is drawn, in content coordinates.
    CRect iconPlace(guiTreeViewItem& item);
    void queue(Command command);
    void runCommand(Command& command);
    void showInParent(guiTree_Cmd cmd);
    void selectHere(Command& command);
    void unmark(guiTree_Cmd cmd, IguiTreeNode* node);
    // Expansion for this level and each collapsed level above it.
    void requestExpansion();

    guiTreeViewDraw* m_pDraw;
    guiTreeViewLevel* m_pParent;
    std::unique_ptr<guiTreeRootLink> m_node;
    std::unique_ptr<guiTreeViewAspectLink> m_aspect;
    bool m_bAspectResolved = false;
    guiTreeAspectEngine m_aspects;
    int m_number;
    bool m_bExpanded = true;
    CCriticalSection m_sect;
    unsigned m_requests = 0;
    std::vector<Command> m_commands;
    std::vector<std::unique_ptr<guiTreeViewItem>> m_items;
    bool m_bShows = false;
    CRect m_placed{0, 0, 0, 0};
    int m_treeLineEnd = 0;
    int m_indent = 0;
    int m_parentItemTop = 0;
    vbString m_status;
    bool m_bLoaded = false;
    bool m_bMustLoad = false;
    vbIcon m_loadingIcon;
    uint16_t m_frame = 0;
    int m_animated = 0;
    int m_animatedBelow = 0;
    // Expanded and collapsed are reported alternately.
    bool m_bExpandSent = false;
};

// An item: one shown child of a level's node, with its measured sizes and icons.
class GUIAPI guiTreeViewItem final : public sIvbIconLoaded {
public:
    guiTreeViewItem(guiTreeViewLevel* level, IguiTreeNode* node);
    ~guiTreeViewItem();
    guiTreeViewItem(const guiTreeViewItem&) = delete;
    guiTreeViewItem& operator=(const guiTreeViewItem&) = delete;

    void onIconLoaded(vbIcon* icon) override;

    IguiTreeNode* Node() const { return m_node; }
    guiTreeViewLevel* ChildLevel() const { return m_child.get(); }
    // The aspects of the item: its class's when it has one, else its level's.
    guiTreeAspectEngine& Aspects();

    int childIndex = 0;
    CSize size;
    CSize selSize;
    CSize overSize;
    CSize selOverSize;
    int width = 0;
    int height = 0;
    int top = -1;
    vbString text;
    vbString selText;
    int widthLimit = 0;
    guiNodeType type = guiNodeType_Text;
    guiNodeCheckMode checkMode = guiNodeCheck_Btn;
    bool engineChecked = false;
    vbIcon icon;
    vbIcon selIcon;
    vbIcon helpIcon;
    vbIcon selHelpIcon;
    vbIcon expIcon;
    vbIcon selExpIcon;
    bool enabled = true;
    bool expandParentArmed = false;
    bool collapseParentArmed = false;
    bool seen = false;
    // Set by the last paint of the row.
    bool hasExpandButton = false;
    bool hasCheckButton = false;
    bool hasHelpIcon = false;
    bool drawnSelected = false;
    bool drawnHelpSelected = false;
    bool animatedIcon = false;
    bool animatedHelpIcon = false;

    guiTreeViewLevel* Level() const { return m_pLevel; }

private:
    friend class guiTreeViewLevel;
    class ClassAspect;

    // Which of the two icon groups (main icons 1, help icons 2) are loaded now.
    unsigned loadedIconGroups() const;

    guiTreeViewLevel* m_pLevel;
    guiTreeNodeRef m_node;
    std::unique_ptr<guiTreeViewLevel> m_child;
    std::unique_ptr<ClassAspect> m_class;
    // The icon groups the last measure made room for; icons report their loading from any thread.
    std::atomic<unsigned> m_measuredIcons{0};
};

class GUIAPI guiTreeViewDraw final : public sIguiTreeAspectGet, public sIguiTreeDraw, public sIvbPtrCb {
public:
    guiTreeViewDraw(CWnd* host, sIguiTreeEvents* events, sIguiTreeAspectEngine* hostAspects, bool inPopup);
    guiTreeViewDraw(const guiTreeViewDraw&) = delete;
    guiTreeViewDraw& operator=(const guiTreeViewDraw&) = delete;

    // --- sIguiTreeAspectGet: the built-in default aspect ---
    bool GetAspect(guiTreeAspectEngine* engine, const vbString* names, int count, guiTreeAspectRef* out) override;
    IguiTreeAspect* GetAspect(guiTreeAspectEngine* engine) override;
    void onAspectListChange(IguiTreeNode* node) override;

    // --- sIguiTreeDraw ---
    bool SetRoot(IguiTreeNode* node) override;
    bool GetRoot(guiTreeNodeRef* out) override;
    bool SetCheckBoxes(bool on) override;
    bool HasCheckBoxes() override { return m_bCheckBoxes; }
    bool SetCheckMode(guiNodeCheckMode mode) override;
    guiNodeCheckMode GetCheckMode() override { return m_checkMode; }
    bool SetExpandedLevel(int level) override;
    int GetExpandedLevel() override { return m_expandedLevel; }
    bool SetOnlyOneExpanded(bool only) override;
    bool GetOnlyOneExpanded() override { return m_bOnlyOneExpanded; }
    bool SetMouseTrack(guiMouseTrack track) override;
    guiMouseTrack GetMouseTrack() override { return m_mouseTrack; }
    bool SetUserCanExpandAll(bool can) override;
    bool GetUserCanExpandAll() override { return m_bUserCanExpandAll; }
    bool SetAspectName(const vbString& name) override;
    vbString GetAspectName() override { return m_aspectName; }
    void OnPostedUpdate() override;
    void OnTimer() override;
    // Tree rectangle in host client coordinates; clip null for all of it.
    void Draw(const CRect& treeRect, CDC& dc, const CRect* clip) override;
    void MoveCursorToSelection() override { }
    void Redraw(bool all) override;
    void UpdateTree(bool all) override;
    bool AskClose(bool wholeChain) override;
    void CancelSelection() override { }
    void Destroy() override;
    void Hide() override { m_treeRect.SetRectEmpty(); }
    void PaintBack(CDC& dc, const CRect& rect) override;
    const guiSurface& GetBack() override;
    guiTreeAspectEngine& GetAspectEngine() override { return m_root.AspectEngine(); }
    CPoint GetOffset() override { return m_offset; }
    bool SetOffset(const CPoint& offset, bool repaint) override;
    CSize GetSize() override { return m_content; }
    bool IsChildCtrl(HWND) override { return false; }
    bool SetTreeRect(const CRect& rect, bool repaint) override;
    // Queued on the root level.
    bool PostCmd(guiTree_Cmd cmd, const guiTreeNodeRef* path, int count) override;
    bool PostCmdNodes(guiTree_Cmd cmd, IguiTreeNode* const* path, int count) override;

    // --- the links to the root node (kept by the root level) and to the built-in aspect ---
    void onPtrSignal(sIvbPtr* ptr, int signal) override;
    void onPtrUnlink(sIvbPtr*) override { }
    void onPtrLink(sIvbPtr*) override { }

    sIguiTreeEvents* Events() const { return m_pEvents; }
    CWnd* Host() const { return m_pHost; }
    bool InPopup() const { return m_bInPopup; }
    guiTreeViewLevel& Root() { return m_root; }
    guiTreeAspectEngine& OwnAspects() { return m_ownAspects; }
    // The host's width limit taken at the start of the current update (0 or less: none).
    int WidthMax() const { return m_widthMax; }
    // Marks the line from which the host is repainted after the update.
    void markRepaintLine(int y);
    // Destroyed from inside one of its entries: it calls its host no more.
    bool IsDestroyPending() const;
    // Called by a level with pending requests: posts the update unless one is in flight.
    void post();
    // Invalidates a band given in content coordinates, within the tree rectangle.
    void invalidateContent(const CRect& band);
    // Content coordinates plus this are host client coordinates.
    CPoint toClient() const;
    // A level goes: the positions, search hits and pending make-visible into it are cleared.
    void forgetLevel(guiTreeViewLevel* level);
    // A level now holds count items: positions past them move back and are reported.
    void clampPositions(guiTreeViewLevel* level, int count);

    // --- positions (host thread) ---
    const guiTreeViewPos& Selected() const { return m_sel; }
    const guiTreeViewPos& HelpSelected() const { return m_helpSel; }
    const guiTreeViewPos& Over() const { return m_over; }
    const guiTreeViewPos& HelpOver() const { return m_helpOver; }
    // The match marked in the selected item's text: 1-based start (0: none) and length.
    int MatchStart() const { return m_matchStart; }
    int MatchLength() const { return m_matchLength; }
    // The selected item, else the help-selected one (help set); none without either.
    guiTreeViewPos Current(bool* help) const;
    // Over positions count only while the mouse is tracked (mouse track 1).
    bool IsOverShown() const { return m_mouseTrack == guiMouseTrack_Over; }
    // Scroll mode 0 brings a horizontally cut row into view, 1 leaves it when it is partly seen.
    // Each answers false for a bad index or when nothing changes; null level: none.
    bool select(guiTreeViewLevel* level, int index, int matchStart, int matchLength, int scrollMode);
    bool helpSelect(guiTreeViewLevel* level, int index, int scrollMode);
    bool setOver(guiTreeViewLevel* level, int index);
    bool setHelpOver(guiTreeViewLevel* level, int index);
    // Marks another match in the selected item (0: none) and repaints it; false when unchanged.
    bool setMatch(int start, int length);
    // Scrolls the item into view; an item not placed yet is scrolled to at the end of the
    // running update. repaint: invalidate the row when nothing scrolled.
    bool makeVisible(guiTreeViewLevel* level, int scrollMode, bool help, int index, bool repaint);
    // rect in content coordinates; asks the host for the new offset; false when nothing moves.
    bool scrollIntoView(int scrollMode, const CRect& rect);
    void repaintRow(guiTreeViewLevel* level, int index);
    guiTreeViewSearch& Search() { return m_search; }

    // --- item events: the item's node, each level's node up to the root, then the host ---
    using NodeEvent = bool (IguiTreeNode::*)(IguiTreeNode*, bool);
    using HostEvent = bool (sIguiTreeItemEvents::*)(bool, sIguiTreeDraw*, IguiTreeNode*, bool, bool);
    using NodeNotice = bool (IguiTreeNode::*)(IguiTreeNode*);
    using HostNotice = bool (sIguiTreeItemEvents::*)(bool, sIguiTreeDraw*, IguiTreeNode*, bool);
    // node in level (null level: the root's handler and the host, with node null).
    bool itemEvent(guiTreeViewLevel* level, IguiTreeNode* node, bool help, NodeEvent onNode, HostEvent onHost);
    bool itemNotice(guiTreeViewLevel* level, IguiTreeNode* node, NodeNotice onNode, HostNotice onHost);
    // A level became expanded or collapsed: reported once per change.
    void levelExpanded(guiTreeViewLevel* level);
    void levelCollapsed(guiTreeViewLevel* level);

    // --- item operations (host thread) ---
    // Requests expand (recursive: expand-all) of the item's child level.
    bool expandItem(guiTreeViewLevel* level, int index, bool recursive);
    bool collapseItem(guiTreeViewLevel* level, int index, bool recursive);
    bool activateClick(guiTreeViewLevel* level, int index, bool help);
    bool activateDClick(guiTreeViewLevel* level, int index, bool help);
    bool toggleCheck(guiTreeViewLevel* level, int index);
    bool contextMenu(guiTreeViewLevel* level, int index, bool help);

    // The item under a host client point and the part hit; false for none.
    bool hitTest(const CPoint& point, guiTreeViewPos& pos, guiTreeHit& part);

    // --- sIguiTreeDraw mouse input ---
    void OnMouseMove(const CPoint& point, UINT flags) override;
    void OnLButtonUp(const CPoint& point, UINT flags) override;
    void OnLButtonDblClk(const CPoint& point, UINT flags) override;
    bool OnContextMenu(const CPoint& point) override;

    // --- sIguiTreeDraw keyboard, selection questions and tool tips ---
    void onChar(UINT& character) override;
    void onKeyDown(UINT& key) override;
    vbString tcNeedToolTip(const CPoint& point, bool* shown, INT_PTR* identity) override;
    void ClearSelection() override;
    bool HasSelection() override;
    void ClearOver() override;
    bool SelectFirst() override;
    bool GetSelected(guiTreeNodeRef* out, bool* helpPart) override;

private:
    ~guiTreeViewDraw();
    static void deleteEngine(void* engine);
    template <class T>
    bool store(T& field, const T& value, bool relayout);
    CPoint clampOffset(const CPoint& offset) const;
    void repaintFromLine();
    void resize(const CSize& content);
    void stopAnimation();
    void moveTo(guiTreeViewPos& pos, guiTreeViewPos& other, guiTreeViewLevel* level, int index, bool help,
        int scrollMode);
    void reportSelected();
    void reportOver();
    void clearPositions();
    void makePendingVisible();
    bool activate(guiTreeViewLevel* level, int index, bool help, bool doubleClick);
    // Keyboard navigation and the type-ahead search.
    // What a character or key did: whether it was handled, failed (a beep) and is used up.
    struct Outcome {
        bool handled = true;
        bool ok = true;
        bool consumed = true;
    };
    using InputAction = Outcome (guiTreeViewDraw::*)(UINT code, const guiTreeViewPos& at, bool help);
    void input(UINT& code, InputAction action);
    Outcome charAction(UINT character, const guiTreeViewPos& at, bool help);
    Outcome keyAction(UINT key, const guiTreeViewPos& at, bool help);
    bool selectAt(guiTreeViewLevel* level, int index);
    bool selectAt(const guiTreeViewPos& pos);
    bool keyLeft(const guiTreeViewPos& at, bool help);
    bool keyRight(const guiTreeViewPos& at, bool help);
    bool keyUpDown(bool down, const guiTreeViewPos& at);
    bool selectPrevious(const guiTreeViewPos& at);
    bool selectNext(const guiTreeViewPos& at);
    void typeAhead(const std::string& ch);
    bool backspace();
    void clearSearch();
    bool search(const std::string& text, bool repeat, bool backward);
    bool walk(guiTreeViewLevel& level);
    bool matchItem(guiTreeViewLevel& level, int index);

    CWnd* m_pHost;
    sIguiTreeEvents* m_pEvents;
    bool m_bInPopup;
    vbString m_aspectName;
    bool m_bCheckBoxes = false;
    guiNodeCheckMode m_checkMode = guiNodeCheck_Btn;
    int m_expandedLevel = 1;
    bool m_bOnlyOneExpanded = false;
    guiMouseTrack m_mouseTrack = guiMouseTrack_Over;
    bool m_bUserCanExpandAll = true;
    guiTreeAspectEngine m_ownAspects;
    std::unique_ptr<guiTreeDrawPost> m_post;
    std::unique_ptr<guiTreeDrawLife> m_life;
    guiTreeViewLevel m_root;
    std::unique_ptr<guiTreeViewAspectLink> m_default;
    // Both under m_post's lock: whether the host's thread is placing the levels, and whether a
    // request came meanwhile.
    bool m_bPlacing = false;
    bool m_bRepost = false;
    // Posts guiTreeMsgTimer to the host while animated icons are shown.
    guiTimerPostEvent m_timer;
    bool m_bAnimating = false;
    CPoint m_offset{0, 0};
    CSize m_content{-1, -1};
    CRect m_treeRect{0, 0, 0, 0};
    int m_repaintLine = -1;
    int m_widthMax = 0;
    guiTreeViewPos m_sel;
    guiTreeViewPos m_helpSel;
    guiTreeViewPos m_over;
    guiTreeViewPos m_helpOver;
    int m_matchStart = 0;
    int m_matchLength = 0;
    bool m_bSelReported = true;
    guiTreeViewSearch m_search;
    std::unique_ptr<guiTypedText> m_typed;
    // A posted update met a running search: posted again when the search ends.
    bool m_bUpdateOwed = false;
    // A make-visible request waiting for its item to be placed.
    struct PendingVisible {
        guiTreeViewPos pos;
        bool help = false;
        int scrollMode = 0;
    };
    PendingVisible m_pendingVisible;
};
