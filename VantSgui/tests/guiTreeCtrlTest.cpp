#include "guiTreeCtrl.h"

#include "GuiTestBed.h"
#include "TreeTestKit.h"

#include "guiTreeStyle.h"
#include "guiTreeViewDraw.h"

#include "vbException.h"

#include "plat/gdi.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

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

    // Shows root in tree-view style and runs the engine's update.
    void showTree(IguiTreeNode* root)
    {
        tree->SetRoot(guiTreeDraw_TreeView, root);
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

} // namespace
