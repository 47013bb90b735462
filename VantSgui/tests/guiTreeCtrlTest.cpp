#include "guiTreeCtrl.h"

#include "GuiTestBed.h"
#include "LogFileReader.h"
#include "TreeTestKit.h"

#include "guiPopupTreeCtrl.h"
#include "guiTreeStyle.h"
#include "guiTreeViewDraw.h"

#include "vbException.h"

#include "plat/gdi.h"
#include "plat/msgbox.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace gui::test;

// n items "i1" .. "in", each with text of `width` characters.
guiTreeNodePtr itemsRoot(int n, int width = 3)
{
    std::string markup;
    for (int i = 1; i <= n; ++i)
        markup += "<item name=i" + std::to_string(i) + " text=" + std::string(size_t(width), 'x') + "/>";
    return loadMarkup(markup);
}

class TreeCtrlBed : public GuiTestBed {
protected:
    static inline const CRect kPlace{10, 10, 210, 160};

    void SetUp() override
    {
        GuiTestBed::SetUp();
        tree = std::make_unique<guiTreeCtrl>();
        tree->Create(&window->container, kPlace, true, true);
        pump();
    }
    void TearDown() override
    {
        tree.reset();
        GuiTestBed::TearDown();
    }

    // Shows root (in tree-view style unless told) and runs the engine's update.
    void showTree(IguiTreeNode* root, guiTreeDrawType type = guiTreeDraw_TreeView)
    {
        tree->SetRoot(type, root);
        pump();
    }
    // Sizes the control so that the area inside its frame is w x h.
    void setInside(int w, int h)
    {
        CRect client;
        tree->GetClientRect(&client);
        const CRect& inside = tree->getBackRect();
        const int fw = client.Width() - inside.Width();
        const int fh = client.Height() - inside.Height();
        tree->MoveWindow(kPlace.left, kPlace.top, w + fw, h + fh, TRUE);
        pump();
    }
    // The bar windows of the control, shown or not.
    std::vector<HWND> bars(bool visibleOnly = true) const
    {
        std::vector<HWND> out;
        for (HWND h = GetWindow(tree->GetSafeHwnd(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
            if (!visibleOnly || IsWindowVisible(h))
                out.push_back(h);
        return out;
    }
    HWND bar(bool vertical) const
    {
        for (HWND h : bars())
            if (((GetWindowLongPtrA(h, GWL_STYLE) & SBS_VERT) != 0) == vertical)
                return h;
        return nullptr;
    }
    COLORREF treePixel(int x, int y) const { return pixel(*tree, x, y); }

    std::unique_ptr<guiTreeCtrl> tree;
};

TEST_F(TreeCtrlBed, TheWindowHasItsClassAndChildStyle)
{
    EXPECT_STREQ(static_cast<const char*>(guiTreeCtrl::s_Class), "KVX Vantrel guiTreeCtrl V5");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(tree->GetSafeHwnd(), GWL_STYLE)), 0x56000000u);

    guiTreeCtrl hidden;
    hidden.Create(&window->container, kPlace, false, true);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(hidden.GetSafeHwnd(), GWL_STYLE)), 0x46000000u);
}

TEST_F(TreeCtrlBed, PropertiesAnswerChangesAndReachEachNewEngine)
{
    EXPECT_FALSE(tree->SetCheckMode(guiNodeCheck_Btn)) << "the default";
    EXPECT_FALSE(tree->SetExpandedLevel(1));
    EXPECT_FALSE(tree->SetUserCanExpandAll(true));
    EXPECT_TRUE(tree->SetCheckBoxes(true)) << "no engine yet";
    EXPECT_TRUE(tree->SetCheckMode(guiNodeCheck_Manual));
    EXPECT_TRUE(tree->SetExpandedLevel(2));
    EXPECT_TRUE(tree->SetOnlyOneExpanded(true));
    EXPECT_TRUE(tree->SetMouseTrack(guiMouseTrack_Select));
    EXPECT_TRUE(tree->SetUserCanExpandAll(false));
    EXPECT_TRUE(tree->SetAspectName("big"));
    EXPECT_FALSE(tree->SetAspectName("big"));
    EXPECT_EQ(tree->GetDraw(), nullptr);

    guiTreeNodePtr root = itemsRoot(2);
    showTree(root.Get());
    sIguiTreeDraw* draw = tree->GetDraw();
    ASSERT_NE(draw, nullptr);
    EXPECT_TRUE(draw->HasCheckBoxes());
    EXPECT_EQ(draw->GetCheckMode(), guiNodeCheck_Manual);
    EXPECT_EQ(draw->GetExpandedLevel(), 2);
    EXPECT_TRUE(draw->GetOnlyOneExpanded());
    EXPECT_EQ(draw->GetMouseTrack(), guiMouseTrack_Select);
    EXPECT_FALSE(draw->GetUserCanExpandAll());
    EXPECT_EQ(std::string(draw->GetAspectName()), "big");

    // With an engine the engine answers: the menu engine ignores the expanded level.
    EXPECT_TRUE(tree->SetDrawType(guiTreeDraw_Menu));
    EXPECT_FALSE(tree->SetExpandedLevel(3));
    EXPECT_EQ(tree->GetExpandedLevel(), 3) << "stored all the same";
    EXPECT_TRUE(tree->SetCheckBoxes(false));
}

TEST_F(TreeCtrlBed, RootsAndDrawTypes)
{
    guiTreeNodePtr root = itemsRoot(2);
    EXPECT_TRUE(tree->SetRoot(root.Get()));
    sIguiTreeDraw* menu = tree->GetDraw();
    ASSERT_NE(menu, nullptr) << "a root creates the engine";
    EXPECT_EQ(dynamic_cast<guiTreeViewDraw*>(menu), nullptr);
    EXPECT_FALSE(tree->SetRoot(root.Get())) << "the same root twice";

    guiTreeNodeRef held;
    ASSERT_TRUE(tree->GetRoot(&held));
    EXPECT_EQ(held.Get(), static_cast<IguiTreeNode*>(root.Get()));

    // The same root with a type only changes the type, with a new engine.
    EXPECT_TRUE(tree->SetRoot(guiTreeDraw_TreeView, root.Get()));
    EXPECT_NE(dynamic_cast<guiTreeViewDraw*>(tree->GetDraw()), nullptr);
    EXPECT_FALSE(tree->SetRoot(guiTreeDraw_TreeView, root.Get()));
    pump();

    // A new root keeps the engine.
    sIguiTreeDraw* view = tree->GetDraw();
    guiTreeNodePtr other = itemsRoot(1);
    EXPECT_TRUE(tree->SetRoot(other.Get()));
    EXPECT_EQ(tree->GetDraw(), view);
    EXPECT_EQ(tree->GetTreeSize(), CSize(-1, -1)) << "until the engine reports";
    pump();
    EXPECT_NE(tree->GetTreeSize(), CSize(-1, -1));

    tree->DestroyDraw();
    EXPECT_EQ(tree->GetDraw(), nullptr);
    guiTreeNodeRef none;
    EXPECT_FALSE(tree->GetSelected(&none, nullptr)) << "no engine, nothing selected";
}

TEST_F(TreeCtrlBed, TheFilterMaskRelayoutsTheTree)
{
    guiTreeNodePtr root = itemsRoot(3);
    guiTreeNodeRef second;
    ASSERT_TRUE(root->GetChild(2, &second));
    static_cast<guiTreeNode*>(second.Get())->SetFilterMask(2);
    showTree(root.Get());
    const int allRows = tree->GetTreeSize().cy;

    EXPECT_TRUE(tree->SetFilterMask(1));
    EXPECT_FALSE(tree->SetFilterMask(1));
    EXPECT_EQ(tree->GetFilterMask(), 1);
    pump();
    EXPECT_EQ(tree->GetTreeSize().cy * 3, allRows * 2) << "the second row left out";
}

// Geometry: the tree's height against the visible height H (inside height - 2). The tree-view
// engine wraps its texts to the control's width, so each case first settles the width.
TEST_F(TreeCtrlBed, StripsOrBarsByHowMuchTooTallOrWideTheTreeIs)
{
    guiTreeNodePtr root = itemsRoot(30, 20);
    showTree(root.Get());
    const int cxv = GetSystemMetrics(SM_CXVSCROLL);
    const int cyh = GetSystemMetrics(SM_CYHSCROLL);
    constexpr int kWide = 220;
    constexpr int kNarrow = 40;

    struct Case {
        const char* what;
        int width;
        int (*height)(int treeHeight);
        bool strips;
        bool vBar;
        bool hBar;
    };
    const Case cases[] = {
        {"2.9 times", kWide, [](int t) { return t * 10 / 29 + 2; }, true, false, false},
        {"3.1 times", kWide, [](int t) { return t * 10 / 31 + 2; }, false, true, false},
        {"2.9 times and too wide", kNarrow, [](int t) { return t * 10 / 29 + 2; }, false, true, true},
        {"2 px shorter than the inside", kWide, [](int t) { return t + 2; }, false, false, false},
        {"1 px taller", kWide, [](int t) { return t + 1; }, true, false, false},
        {"too wide, then too tall under the bar", kNarrow, [](int t) { return t + 2; }, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setInside(c.width, 2000);
        const CSize size = tree->GetTreeSize();
        ASSERT_GT(size.cy, 300);
        EXPECT_EQ(size.cx > c.width, c.hBar);
        setInside(c.width, c.height(size.cy));
        ASSERT_EQ(tree->GetTreeSize(), size) << "the height changes no layout";
        EXPECT_EQ(bar(true) != nullptr, c.vBar);
        EXPECT_EQ(bar(false) != nullptr, c.hBar);
        CRect expected = tree->getBackRect();
        if (c.strips)
            expected.DeflateRect(0, 12);
        if (c.vBar)
            expected.right -= cxv;
        if (c.hBar)
            expected.bottom -= cyh;
        EXPECT_EQ(tree->GetTreeRect(), expected);
    }
}

TEST_F(TreeCtrlBed, TheBarsCarryRangePageAndPosition)
{
    guiTreeNodePtr root = itemsRoot(30, 20);
    showTree(root.Get());
    setInside(40, 100);
    const CSize size = tree->GetTreeSize();
    const HWND vertical = bar(true);
    const HWND horizontal = bar(false);
    ASSERT_NE(vertical, nullptr);
    ASSERT_NE(horizontal, nullptr);
    const CRect treeRect = tree->GetTreeRect();

    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(vertical, SB_CTL, &si));
    EXPECT_EQ(si.nMin, 0);
    EXPECT_EQ(si.nMax, size.cy);
    EXPECT_EQ(int(si.nPage), treeRect.Height() - 2);
    EXPECT_EQ(si.nPos, 0);
    ASSERT_TRUE(GetScrollInfo(horizontal, SB_CTL, &si));
    EXPECT_EQ(si.nMax, size.cx);
    EXPECT_EQ(int(si.nPage), treeRect.Width());

    // Growing the control again hides what is no longer needed.
    setInside(220, 2000);
    EXPECT_TRUE(bars().empty());
    EXPECT_EQ(bars(false).size(), 2u) << "hidden, kept for later";
}

// Painting.
TEST_F(TreeCtrlBed, WithoutAnEngineTheInsideIsButtonFace)
{
    const CRect inside = tree->getBackRect();
    EXPECT_EQ(treePixel(inside.CenterPoint().x, inside.CenterPoint().y), GetSysColor(COLOR_BTNFACE));
}

TEST_F(TreeCtrlBed, TheCaptionStripIsAsWideAsItsTextIsHigh)
{
    guiTreeNodePtr root = itemsRoot(2);
    auto look = makeAspect("treeview");
    look->SetCaption("Files", true);
    root->AddAspect(look.Get());
    showTree(root.Get());
    const CRect inside = tree->getBackRect();
    EXPECT_EQ(tree->GetCaptionWidth(), 13) << "the test font's cell height";
    EXPECT_EQ(tree->GetTreeRect().left, inside.left + 13);

    // Removing the caption text removes the strip.
    look->SetCaption("", true);
    tree->UpdateTree(true);
    pump();
    EXPECT_EQ(tree->GetCaptionWidth(), 0);
    EXPECT_EQ(tree->GetTreeRect().left, inside.left);
}

TEST_F(TreeCtrlBed, PrintingIntoAMemoryDcGivesThePaintedPixels)
{
    guiTreeNodePtr root = itemsRoot(3);
    showTree(root.Get());
    CRect client;
    tree->GetClientRect(&client);

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.Width(), client.Height());
    HGDIOBJ old = SelectObject(memory, bitmap);
    tree->SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    int differing = 0;
    for (int y = 0; y < client.Height(); y += 3)
        for (int x = 0; x < client.Width(); x += 3)
            differing += GetPixel(memory, x, y) != treePixel(x, y);
    EXPECT_EQ(differing, 0);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// Scrolling: 30 rows of 16 px in a control 100 px high inside, with a vertical bar.
class TreeCtrlScroll : public TreeCtrlBed {
protected:
    void SetUp() override
    {
        TreeCtrlBed::SetUp();
        root = itemsRoot(30, 20);
        showTree(root.Get(), type);
        setInside(220, 100);
        visible = tree->GetTreeRect().Height() - 2;
        total = tree->GetTreeSize().cy;
    }
    int offset() const { return tree->GetDraw()->GetOffset().y; }
    void scrollTo(int y)
    {
        tree->GetDraw()->SetOffset(CPoint(0, y), false);
        pump();
    }

    guiTreeNodePtr root;
    guiTreeDrawType type = guiTreeDraw_TreeView;
    int visible = 0;
    int total = 0;
};

TEST_F(TreeCtrlScroll, ScrollBarCommandsMoveTheOffset)
{
    ASSERT_NE(bar(true), nullptr);
    struct Case {
        const char* what;
        int from;
        UINT code;
        int expected;
    };
    const int bottom = total - visible;
    const Case cases[] = {
        {"line down", 0, SB_LINEDOWN, 10},
        {"line up", 25, SB_LINEUP, 15},
        {"line up at the top", 0, SB_LINEUP, 0},
        {"page down", 0, SB_PAGEDOWN, visible - 20},
        {"page up", 100, SB_PAGEUP, 100 - (visible - 20)},
        {"bottom", 0, SB_BOTTOM, bottom},
        {"top", 50, SB_TOP, 0},
        {"line down at the bottom", bottom, SB_LINEDOWN, bottom},
        {"no command", 40, SB_ENDSCROLL, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scrollTo(c.from);
        tree->SendMessage(WM_VSCROLL, MAKEWPARAM(c.code, 0), reinterpret_cast<LPARAM>(bar(true)));
        EXPECT_EQ(offset(), c.expected);
        SCROLLINFO si{sizeof(SCROLLINFO), SIF_POS, 0, 0, 0, 0, 0};
        ASSERT_TRUE(GetScrollInfo(bar(true), SB_CTL, &si));
        if (c.expected != c.from) {
            EXPECT_EQ(si.nPos, c.expected) << "the bar follows";
        }
    }
}

TEST_F(TreeCtrlScroll, DraggingTheThumbScrollsAlong)
{
    CRect barRect;
    ::GetWindowRect(bar(true), &barRect);
    const int arrow = GetSystemMetrics(SM_CYVSCROLL);
    const int x = barRect.CenterPoint().x;
    plat::headless::mouseMove(x, barRect.top + arrow + 2);
    plat::headless::mouseButton(0, true);
    pump();
    plat::headless::mouseMove(x, barRect.top + arrow + 22);
    pump();
    const int dragged = offset();
    EXPECT_GT(dragged, 0);
    plat::headless::mouseButton(0, false);
    pump();
    EXPECT_EQ(offset(), dragged) << "the release keeps the dragged place";
}

TEST_F(TreeCtrlScroll, TheWheelScrolls10PixelsANotch)
{
    scrollTo(50);
    tree->SetFocus();
    pump();
    plat::headless::wheel(120);
    pump();
    EXPECT_EQ(offset(), 40) << "a notch away from the user scrolls toward the start";
    plat::headless::wheel(-240);
    pump();
    EXPECT_EQ(offset(), 60);
}

TEST_F(TreeCtrlScroll, WithoutAnEngineScrollMessagesDoNothing)
{
    tree->DestroyDraw();
    EXPECT_EQ(tree->SendMessage(WM_VSCROLL, SB_LINEDOWN, 0), 0);
    EXPECT_EQ(tree->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0), 0);
}

// Arrow strips: 30 rows in 2.9 times less height, in menu style (whose items the mouse leaves
// alone while it scrolls).
class TreeCtrlStrips : public TreeCtrlScroll {
protected:
    void SetUp() override
    {
        type = guiTreeDraw_Menu;
        TreeCtrlScroll::SetUp();
        setInside(220, total * 10 / 29 + 2);
        const CRect back = tree->getBackRect();
        upper = CRect(back.left, back.top, back.right, back.top + 12);
        lower = CRect(back.left, back.bottom - 12, back.right, back.bottom);
        visible = tree->GetTreeRect().Height() - 2;
        ASSERT_TRUE(bars().empty());
    }
    // The mouse to a point of the control's client area.
    void moveInTree(const CPoint& p)
    {
        CPoint screen = p;
        tree->ClientToScreen(&screen);
        plat::headless::mouseMove(screen.x, screen.y);
        pump();
    }

    CRect upper;
    CRect lower;
};

TEST_F(TreeCtrlStrips, TheLowerStripScrolls10PixelsPerTickToTheEnd)
{
    moveInTree(lower.CenterPoint());
    advance(30);
    const int first = offset();
    advance(30);
    EXPECT_EQ(offset(), first + 10);
    advance(30);
    EXPECT_EQ(offset(), first + 20);
    for (int i = 0; i < 100; ++i)
        advance(30);
    EXPECT_EQ(offset(), total - visible) << "to the end and no further";

    // At the end the upper strip scrolls back; leaving the window stops it.
    moveInTree(upper.CenterPoint());
    advance(30);
    advance(30);
    const int moving = offset();
    EXPECT_LT(moving, total - visible);
    plat::headless::mouseMove(0, 0);
    pump();
    advance(30);
    advance(30);
    EXPECT_EQ(offset(), moving);
}

TEST_F(TreeCtrlStrips, AtTheTopTheUpperArrowIsFramedAndEnteringItDoesNothing)
{
    tree->UpdateWindow();
    const COLORREF frame = static_cast<DWORD>(vbColor(g_guiClrFrame));
    bool arrowInFrameColour = false;
    for (int x = upper.left; x < upper.right; ++x)
        for (int y = upper.top; y < upper.bottom; ++y)
            arrowInFrameColour = arrowInFrameColour || treePixel(x, y) == frame;
    EXPECT_TRUE(arrowInFrameColour);

    moveInTree(upper.CenterPoint());
    for (int i = 0; i < 5; ++i)
        advance(30);
    EXPECT_EQ(offset(), 0);
}

TEST_F(TreeCtrlStrips, CancellingTheScrollSelectionStopsIt)
{
    moveInTree(lower.CenterPoint());
    advance(30);
    advance(30);
    tree->cancelScrollSelect();
    const int stopped = offset();
    EXPECT_GT(stopped, 0);
    advance(30);
    advance(30);
    EXPECT_EQ(offset(), stopped);
}

// Events and the owner side.

// Records the control's ten callbacks as "<event> <node> <flag> <handled>".
struct Callbacks : CObject {
    explicit Callbacks(guiTreeCtrl& tree)
    {
        tree.OnTreeClickCB() = guiTREESUBOPCB(this, &Callbacks::click);
        tree.OnTreeDClickCB() = guiTREESUBOPCB(this, &Callbacks::dclick);
        tree.OnTreeOverCB() = guiTREESUBOPCB(this, &Callbacks::over);
        tree.OnTreeSelectCB() = guiTREESUBOPCB(this, &Callbacks::select);
        tree.OnTreeContextMenuCB() = guiTREESUBOPCB(this, &Callbacks::context);
        tree.OnTreeExpandCB() = guiTREEOPCB(this, &Callbacks::expand);
        tree.OnTreeCollapseCB() = guiTREEOPCB(this, &Callbacks::collapse);
        tree.OnTreeExpandParentCB() = guiTREEOPCB(this, &Callbacks::expandParent);
        tree.OnTreeCollapseParentCB() = guiTREEOPCB(this, &Callbacks::collapseParent);
        tree.OnTreeCheckCB() = guiTREECHECKCB(this, &Callbacks::check);
    }
    bool record(const char* what, sIguiTreeDraw* draw, IguiTreeNode* node, bool flag, bool handled)
    {
        lastDraw = draw;
        calls.push_back(std::string(what) + " " + std::string(node->GetName()) + (flag ? " 1" : " 0") +
            (handled ? " 1" : " 0"));
        return answer;
    }
    bool click(sIguiTreeDraw* d, IguiTreeNode* n, bool f, bool h) { return record("click", d, n, f, h); }
    bool dclick(sIguiTreeDraw* d, IguiTreeNode* n, bool f, bool h) { return record("dclick", d, n, f, h); }
    bool over(sIguiTreeDraw* d, IguiTreeNode* n, bool f, bool h) { return record("over", d, n, f, h); }
    bool select(sIguiTreeDraw* d, IguiTreeNode* n, bool f, bool h) { return record("select", d, n, f, h); }
    bool context(sIguiTreeDraw* d, IguiTreeNode* n, bool f, bool h) { return record("context", d, n, f, h); }
    bool expand(sIguiTreeDraw* d, IguiTreeNode* n, bool h) { return record("expand", d, n, false, h); }
    bool collapse(sIguiTreeDraw* d, IguiTreeNode* n, bool h) { return record("collapse", d, n, false, h); }
    bool expandParent(sIguiTreeDraw* d, IguiTreeNode* n, bool h) { return record("expandParent", d, n, false, h); }
    bool collapseParent(sIguiTreeDraw* d, IguiTreeNode* n, bool h)
    {
        return record("collapseParent", d, n, false, h);
    }
    bool check(sIguiTreeDraw* d, IguiTreeNode* n, bool* checked, bool held, bool h)
    {
        return record(*checked ? "check+" : "check-", d, n, held, h);
    }

    std::vector<std::string> calls;
    sIguiTreeDraw* lastDraw = nullptr;
    bool answer = false;
};

TEST_F(TreeCtrlBed, ItemEventsReachTheRootOnlyWhenPassedToItThenTheCallback)
{
    guiTreeNodePtr root = itemsRoot(2);
    FakeContainer owner;
    root->SetContainer(&owner, true);
    showTree(root.Get(), guiTreeDraw_Menu);
    guiTreeNodeRef item;
    ASSERT_TRUE(root->GetChild(1, &item));
    sIguiTreeMain& main = *tree;
    sIguiTreeDraw* draw = tree->GetDraw();

    // Unset callbacks answer false.
    EXPECT_FALSE(main.onItemClicked(false, draw, item.Get(), false, false));
    EXPECT_TRUE(main.onItemClicked(false, draw, item.Get(), false, true)) << "handled stays handled";

    Callbacks cb(*tree);
    bool checked = true;
    using Raise = bool (*)(sIguiTreeMain&, sIguiTreeDraw*, IguiTreeNode*, bool toRoot, bool handled, bool* checked);
    struct Case {
        Raise raise;
        const char* root;
        const char* callback;
    };
    const Case cases[] = {
        {[](sIguiTreeMain& m, sIguiTreeDraw* d, IguiTreeNode* n, bool r, bool h, bool*) {
             return m.onItemClicked(r, d, n, true, h);
         },
            "onClick i1 1", "click i1 1"},
        {[](sIguiTreeMain& m, sIguiTreeDraw* d, IguiTreeNode* n, bool r, bool h, bool*) {
             return m.onItemDClicked(r, d, n, false, h);
         },
            "onDClick i1 0", "dclick i1 0"},
        {[](sIguiTreeMain& m, sIguiTreeDraw* d, IguiTreeNode* n, bool r, bool h, bool*) {
             return m.onItemSelected(r, d, n, false, h);
         },
            "onSelect i1 0", "select i1 0"},
        {[](sIguiTreeMain& m, sIguiTreeDraw* d, IguiTreeNode* n, bool r, bool h, bool*) {
             return m.onItemOver(r, d, n, true, h);
         },
            "onOver i1 1", "over i1 1"},
        {[](sIguiTreeMain& m, sIguiTreeDraw* d, IguiTreeNode* n, bool r, bool h, bool*) {
             return m.onItemContextMenu(r, d, n, false, h);
         },
            "onContextMenu i1 0", "context i1 0"},
        {[](sIguiTreeMain& m, sIguiTreeDraw* d, IguiTreeNode* n, bool r, bool h, bool*) {
             return m.onItemExpanded(r, d, n, h);
         },
            "onExpand i1 1", "expand i1 0"},
        {[](sIguiTreeMain& m, sIguiTreeDraw* d, IguiTreeNode* n, bool r, bool h, bool*) {
             return m.onItemCollapsed(r, d, n, h);
         },
            "onCollapse i1 1", "collapse i1 0"},
        {[](sIguiTreeMain& m, sIguiTreeDraw* d, IguiTreeNode* n, bool r, bool h, bool*) {
             return m.onItemParentExpanded(r, d, n, h);
         },
            "onExpandParent i1 1", "expandParent i1 0"},
        {[](sIguiTreeMain& m, sIguiTreeDraw* d, IguiTreeNode* n, bool r, bool h, bool*) {
             return m.onItemParentCollapsed(r, d, n, h);
         },
            "onCollapseParent i1 1", "collapseParent i1 0"},
        {[](sIguiTreeMain& m, sIguiTreeDraw* d, IguiTreeNode* n, bool r, bool h, bool* c) {
             return m.onItemChecked(r, d, n, c, false, h);
         },
            "onCheck i1 1", "check+ i1 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.callback);
        // From an engine: no root, the callback sees it unhandled.
        owner.calls.clear();
        cb.calls.clear();
        EXPECT_FALSE(c.raise(main, draw, item.Get(), false, false, &checked));
        EXPECT_TRUE(owner.calls.empty());
        EXPECT_EQ(cb.calls, std::vector<std::string>{std::string(c.callback) + " 0"});
        EXPECT_EQ(cb.lastDraw, draw);

        // Passed to the root: the root's owner answers true, the callback sees it handled.
        cb.calls.clear();
        EXPECT_TRUE(c.raise(main, draw, item.Get(), true, false, &checked));
        EXPECT_EQ(owner.calls, std::vector<std::string>{std::string(" ") + c.root});
        EXPECT_EQ(cb.calls, std::vector<std::string>{std::string(c.callback) + " 1"});

        // Already handled: the root is not asked.
        owner.calls.clear();
        EXPECT_TRUE(c.raise(main, draw, item.Get(), true, true, &checked));
        EXPECT_TRUE(owner.calls.empty());
    }

    // A check state the engine holds is not the root's business.
    owner.calls.clear();
    cb.calls.clear();
    cb.answer = true;
    EXPECT_TRUE(main.onItemChecked(true, draw, item.Get(), &checked, true, false));
    EXPECT_TRUE(owner.calls.empty());
    EXPECT_EQ(cb.calls, std::vector<std::string>{"check+ i1 1 0"});
    root->SetContainer(nullptr, true);
}

TEST_F(TreeCtrlBed, AClickOnAMenuItemReachesTheClickCallback)
{
    guiTreeNodePtr root = itemsRoot(2);
    showTree(root.Get(), guiTreeDraw_Menu);
    Callbacks cb(*tree);
    const CRect treeRect = tree->GetTreeRect();
    CPoint at(treeRect.left + 10, treeRect.top + 6);
    tree->ClientToScreen(&at);
    plat::headless::click(at.x, at.y);
    pump();
    EXPECT_NE(std::find(cb.calls.begin(), cb.calls.end(), "click i1 0 0"), cb.calls.end());
    EXPECT_EQ(cb.lastDraw, tree->GetDraw());
}

TEST_F(TreeCtrlBed, LosingTheFocusOutsideCancelsAMenuSelectionButNotToItsOwnBar)
{
    guiTreeNodePtr root = itemsRoot(40);
    showTree(root.Get(), guiTreeDraw_Menu);
    setInside(120, 100);
    const HWND vertical = bar(true);
    ASSERT_NE(vertical, nullptr);
    sIguiTreeDraw* draw = tree->GetDraw();

    tree->SetFocus();
    ASSERT_TRUE(draw->SelectFirst());
    pump();
    ::SetFocus(vertical);
    pump();
    EXPECT_TRUE(draw->HasSelection()) << "its own scroll bar";

    tree->SetFocus();
    window->SetFocus();
    pump();
    EXPECT_FALSE(draw->HasSelection()) << "an outside window";
}

TEST_F(TreeCtrlBed, ItsChildrenAreItsWindowAndBars)
{
    guiTreeNodePtr root = itemsRoot(40);
    showTree(root.Get(), guiTreeDraw_Menu);
    EXPECT_TRUE(tree->IsChildCtrl(tree->GetSafeHwnd(), guiTreeRec_Up));
    EXPECT_FALSE(tree->IsTreeChild(nullptr));
    EXPECT_FALSE(tree->IsTreeChild(window->GetSafeHwnd()));
    setInside(120, 100);
    ASSERT_NE(bar(true), nullptr);
    EXPECT_TRUE(tree->IsTreeChild(bar(true)));
    EXPECT_FALSE(tree->onChangePopupSize(guiPopupDir_Right, *std::make_unique<CRect>()));
}

// Painting of the caption strip: the shadow 2 px off for a bold caption font, else 1.
TEST_F(TreeCtrlBed, TheCaptionShadowLiesOffByTheFontsWeight)
{
    const COLORREF text = RGB(0, 0, 255);
    const COLORREF shadow = RGB(255, 0, 0);
    for (bool bold : {true, false}) {
        SCOPED_TRACE(bold);
        guiTreeNodePtr root = itemsRoot(2);
        auto look = makeAspect("treeview");
        look->SetCaption("WWW", true);
        look->SetCaptionColor(vbColor(text), true);
        look->SetCaptionShadowColor(vbColor(shadow), true);
        look->SetCaptionBack(guiSurface(nullptr, RGB(0, 255, 0), -1, -1, false), true);
        guiFont font(nullptr, false);
        font.SetBold(bold, false);
        look->SetCaptionFont(font, true);
        root->AddAspect(look.Get());
        showTree(root.Get());
        tree->UpdateWindow();

        const CRect inside = tree->getBackRect();
        const CRect strip(inside.left, inside.top, inside.left + tree->GetCaptionWidth(), inside.bottom);
        ASSERT_GT(strip.Width(), 0);
        int textRight = -1;
        int shadowRight = -1;
        for (int x = strip.left; x < strip.right; ++x)
            for (int y = strip.top; y < strip.bottom; ++y) {
                const COLORREF p = treePixel(x, y);
                if (p == text)
                    textRight = x;
                if (p == shadow)
                    shadowRight = x;
            }
        ASSERT_GE(textRight, 0);
        const bool drawnBold = tree->GetDraw()->GetAspectEngine().GetCaptionFont().GetBold();
        EXPECT_EQ(shadowRight - textRight, drawnBold ? 2 : 1);
        if (bold) {
            EXPECT_TRUE(drawnBold);
        }
        tree->SetRoot(nullptr);
    }
}

TEST_F(TreeCtrlBed, PrintingIntoAHandleThatIsNoDcFails)
{
    plat::resetMessageBoxPolicy();
    EXPECT_EQ(tree->SendMessage(WM_PRINTCLIENT, 0x1234, PRF_CLIENT), 0);
    EXPECT_NE(readLogFile().find("guiTreeCtrl::WM_PRINTCLIENT failure"), std::string::npos);
}

// The rest of the control's own answers.
TEST_F(TreeCtrlBed, PageKeysScrollByTheVisibleHeightLess20)
{
    guiTreeNodePtr root = itemsRoot(40);
    showTree(root.Get(), guiTreeDraw_Menu);
    setInside(120, 100);
    const int page = tree->GetTreeRect().Height() - 2 - 20;
    tree->SetFocus();
    pump();
    plat::headless::keyPress(VK_NEXT);
    pump();
    EXPECT_EQ(tree->GetDraw()->GetOffset().y, page);
    plat::headless::keyPress(VK_PRIOR);
    pump();
    EXPECT_EQ(tree->GetDraw()->GetOffset().y, 0);
}

TEST_F(TreeCtrlBed, TheItemUnderTheMouseChoosesTheCursor)
{
    guiTreeNodePtr root = itemsRoot(2);
    showTree(root.Get(), guiTreeDraw_Menu);
    EXPECT_EQ(tree->tcGetMouseCursor(), nullptr) << "the control has no cursor of its own";
    const CRect treeRect = tree->GetTreeRect();
    auto moveTo = [this](CPoint p) {
        tree->ClientToScreen(&p);
        plat::headless::mouseMove(p.x, p.y);
        pump();
    };
    moveTo(CPoint(treeRect.left + 10, treeRect.top + 6));
    EXPECT_NE(tree->tcGetMouseCursor(), nullptr);
    moveTo(CPoint(treeRect.left + 10, treeRect.bottom - 3));
    EXPECT_EQ(tree->tcGetMouseCursor(), nullptr) << "below the items";
}

TEST_F(TreeCtrlBed, HidingHidesTheEngineAndDisablingRepaints)
{
    guiTreeNodePtr root = itemsRoot(2);
    showTree(root.Get(), guiTreeDraw_Menu);
    sIguiTreeDraw* draw = tree->GetDraw();
    ASSERT_TRUE(draw->SelectFirst());
    pump();
    ASSERT_TRUE(draw->HasSelection());
    tree->tcSetVisible(false);
    EXPECT_FALSE(tree->IsWindowVisible());
    EXPECT_FALSE(draw->HasSelection()) << "a hidden menu has no place";
    tree->tcSetVisible(true);
    EXPECT_TRUE(tree->IsWindowVisible());

    tree->tcSetEnabled(false);
    EXPECT_FALSE(tree->IsWindowEnabled());
    tree->tcSetEnabled(true);
    EXPECT_TRUE(tree->IsWindowEnabled());
}

TEST_F(TreeCtrlBed, APopupsPlaceComesBackEmptyOnceTheControlMoved)
{
    guiPopupTreeCtrl popup(nullptr);
    sIguiTreeMain& owner = *tree;
    const CRect wanted(300, 200, 400, 260);
    CRect out(1, 2, 3, 4);
    EXPECT_TRUE(owner.GetRectPopupChanges(popup, &wanted, nullptr));
    EXPECT_TRUE(owner.GetRectPopupChanges(popup, nullptr, &out));
    EXPECT_EQ(out, CRect(1, 2, 3, 4)) << "nothing written without both";

    owner.onPopupOpened(popup);
    EXPECT_TRUE(owner.GetRectPopupChanges(popup, &wanted, &out));
    EXPECT_EQ(out, wanted) << "the control stays where it was";

    tree->MoveWindow(kPlace.left + 5, kPlace.top, kPlace.Width(), kPlace.Height(), TRUE);
    pump();
    EXPECT_TRUE(owner.GetRectPopupChanges(popup, &wanted, &out));
    EXPECT_TRUE(out.IsRectEmpty()) << "moved: no place for the popup";

    owner.onPopupClosed(popup);
    EXPECT_TRUE(owner.GetRectPopupChanges(popup, &wanted, &out));
    EXPECT_TRUE(out.IsRectEmpty()) << "no popup open";
}

} // namespace
