#include "guiPopupTreeCtrl.h"

#include "GuiTestBed.h"
#include "TreeTestKit.h"

#include "guiTreeCtrl.h"
#include "menu/guiTreeMenuDraw.h"

#include "vbException.h"

#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace gui::test;
using Lines = std::vector<std::string>;

guiTreeNodePtr itemsRoot(int n)
{
    std::string markup;
    for (int i = 1; i <= n; ++i)
        markup += "<item name=i" + std::to_string(i) + " text=abc/>";
    return loadMarkup(markup);
}

CRect windowRect(CWnd& wnd)
{
    CRect r;
    wnd.GetWindowRect(&r);
    return r;
}

std::string thrownText(const std::function<void()>& f)
{
    try {
        f();
    } catch (vbEsys* e) {
        std::string text = e->GetMsg();
        e->Delete();
        return text;
    }
    return "(nothing thrown)";
}

// Every step of an item event's journey, in order: a root node's owner, or a control's callback.
struct Journey : CObject {
    bool click(sIguiTreeDraw*, IguiTreeNode* node, bool, bool handled)
    {
        lines.push_back(who + " callback " + std::string(static_cast<guiTreeNode*>(node)->GetName()));
        return handled;
    }
    std::string who;
    Lines& lines;
    Journey(std::string who, Lines& lines) : who(std::move(who)), lines(lines) { }
};

// The owner of one level's root node, answering nothing handled.
struct LevelOwner : FakeContainer {
    explicit LevelOwner(Lines& lines) : lines(lines) { }
    bool onClick(guiTreeNode* n, bool) override
    {
        lines.push_back(tag + " root " + std::string(n->GetName()));
        return false;
    }
    Lines& lines;
};

class PopupBed : public GuiTestBed {
protected:
    void SetUp() override
    {
        GuiTestBed::SetUp();
        plat::headless::setScreenSize(400, 300);
    }
    void TearDown() override
    {
        popup.reset();
        tree.reset();
        plat::headless::setScreenSize(0, 0);
        GuiTestBed::TearDown();
    }

    // A popup without owner in the window's container, showing root.
    guiPopupTreeCtrl& makePopup(IguiTreeNode* root)
    {
        popup = std::make_unique<guiPopupTreeCtrl>();
        popup->Create(&window->container, CRect(0, 0, 0, 0), false, true);
        popup->SetRoot(root);
        pump();
        return *popup;
    }
    // A menu-style tree control at (10, 10) of the window showing root.
    guiTreeCtrl& makeTree(IguiTreeNode* root)
    {
        tree = std::make_unique<guiTreeCtrl>();
        tree->Create(&window->container, CRect(10, 10, 110, 110), true, true);
        tree->SetRoot(root);
        pump();
        return *tree;
    }
    static guiPopupTreeCtrl* popupOf(sIguiTreeDraw* draw)
    {
        auto* menu = dynamic_cast<guiTreeMenuDraw*>(draw);
        return menu ? menu->GetPopup() : nullptr;
    }
    // Moves the clock in ticks, as time passes.
    void wait(int ms)
    {
        for (int t = 0; t < ms; t += 10)
            advance(10);
    }

    std::unique_ptr<guiPopupTreeCtrl> popup;
    std::unique_ptr<guiTreeCtrl> tree;
};

TEST_F(PopupBed, TheWindowIsAToolWindowOnTopWithItsClass)
{
    guiTreeNodePtr root = itemsRoot(3);
    guiPopupTreeCtrl& p = makePopup(root.Get());
    EXPECT_STREQ(static_cast<const char*>(guiPopupTreeCtrl::s_Class), "KVX Vantrel guiPopupTreeCtrl V5");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(p.GetSafeHwnd(), GWL_STYLE)), 0x82000000u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrA(p.GetSafeHwnd(), GWL_EXSTYLE)) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW),
        static_cast<DWORD>(WS_EX_TOPMOST | WS_EX_TOOLWINDOW));
    EXPECT_EQ(::GetParent(p.GetSafeHwnd()), nullptr);
    EXPECT_FALSE(p.IsOpen());
    EXPECT_FALSE(p.IsWindowVisible());
}

TEST_F(PopupBed, OpensBesideTheAnchorSizedToTheTree)
{
    guiTreeNodePtr root = itemsRoot(3);
    guiPopupTreeCtrl& p = makePopup(root.Get());
    p.Open(CRect(50, 40, 90, 60), guiPopupDir_Right);
    pump();
    ASSERT_TRUE(p.IsWindowVisible());
    const CRect r = windowRect(p);
    EXPECT_EQ(r.TopLeft(), CPoint(90, 40));
    EXPECT_EQ(p.GetTreeRect().Size(), CSize(p.GetTreeSize().cx, p.GetTreeSize().cy + 2)) << "the tree fits whole";
    EXPECT_EQ(p.GetRectPopup(), CRect(50, 40, 90, 60));

    // Near the right edge with more room on the left it goes left; the same place again does nothing.
    p.Open(CRect(340, 40, 380, 60), guiPopupDir_Right);
    pump();
    EXPECT_EQ(windowRect(p), CRect(340 - r.Width(), 40, 340, 40 + r.Height()));
    MessageCounter moves(p.GetSafeHwnd());
    p.Open(CRect(340, 40, 380, 60), guiPopupDir_Right);
    pump();
    EXPECT_EQ(moves.count(WM_MOVE) + moves.count(WM_SIZE), 0);
    // A new direction places it again.
    p.Open(CRect(340, 40, 380, 60), guiPopupDir_Below);
    pump();
    EXPECT_EQ(windowRect(p).TopLeft(), CPoint(340, 60));
}

TEST_F(PopupBed, ACaptionThatComesLaterWidensThePopupInPlace)
{
    guiTreeNodePtr root = itemsRoot(3);
    auto look = makeAspect("treemenu");
    root->AddAspect(look.Get());
    guiPopupTreeCtrl& p = makePopup(root.Get());
    p.Open(CRect(340, 40, 380, 60), guiPopupDir_Right);
    pump();
    const CRect before = windowRect(p);
    look->SetCaption("Files", true);
    p.UpdateTree(true);
    pump();
    EXPECT_EQ(p.GetCaptionWidth(), 13);
    EXPECT_EQ(windowRect(p), CRect(before.left - 13, before.top, before.right, before.bottom))
        << "still left of the anchor, 13 px wider";
    EXPECT_EQ(p.GetTreeRect().left, p.getBackRect().left + 13);
}

// A row wraps only where the 400 px screen leaves no room, never at the popup's own last width
// or the menu aspect's 200 px, so every opening has the same size.
TEST_F(PopupBed, RowsWrapOnlyAtTheScreensWidthAndEveryOpeningHasOneSize)
{
    const std::string word(10, 'w'); // 70 px
    const std::string wide = word + " " + word + " " + word + " " + word; // 301 px
    const std::string wider = wide + " " + wide; // five words a line
    guiTreeNodePtr root = loadMarkup("<item name=a text='" + wide + "'/><item name=b text='" + wider + "'/>");
    guiPopupTreeCtrl& p = makePopup(root.Get());
    CSize first;
    for (int opening = 0; opening < 3; ++opening) {
        p.Open(CRect(0, 40, 0, 60), guiPopupDir_Right);
        pump();
        if (opening == 0)
            first = windowRect(p).Size();
        EXPECT_EQ(windowRect(p).Size(), first) << opening;
        auto* menu = dynamic_cast<guiTreeMenuDraw*>(p.GetDraw());
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->GetItemRect(1), CRect(0, 0, 6 + 301, 15)) << "one line";
        EXPECT_EQ(menu->GetItemRect(2), CRect(0, 15, 6 + 5 * 70 + 4 * 7, 15 + 28)) << "two lines";
        p.Close();
        pump();
    }
}

TEST_F(PopupBed, AShortMenuIsAsTallAsItsCaption)
{
    guiTreeNodePtr root = itemsRoot(1);
    auto look = makeAspect("treemenu");
    look->SetCaption("Actions...", true); // 70 px along the strip
    root->AddAspect(look.Get());
    guiPopupTreeCtrl& p = makePopup(root.Get());
    p.Open(CRect(50, 40, 90, 60), guiPopupDir_Right);
    pump();
    EXPECT_EQ(p.GetCaptionLength(), 70);
    EXPECT_EQ(p.getBackRect().Height(), 70);
}

TEST_F(PopupBed, ATreeNeedingABarWidensThePopupArrowStripsDoNot)
{
    struct Case {
        int items;
        bool bar;
    };
    for (const Case c : {Case{3, false}, Case{40, false}, Case{80, true}}) {
        guiTreeNodePtr root = itemsRoot(c.items);
        guiPopupTreeCtrl& p = makePopup(root.Get());
        p.Open(CRect(50, 0, 90, 20), guiPopupDir_Right);
        pump();
        const CRect r = windowRect(p);
        CRect client;
        p.GetClientRect(&client);
        const int frame = client.Width() - p.getBackRect().Width();
        const int widened = c.bar ? GetSystemMetrics(SM_CXVSCROLL) : 0;
        EXPECT_EQ(r.Width(), p.GetTreeSize().cx + frame + widened) << c.items << " items";
        EXPECT_LE(r.bottom, 300) << c.items << " items";
    }
}

TEST_F(PopupBed, NothingToShowWhileOpenClosesAndOnlyAFirstPopupTakesAnOwner)
{
    guiTreeNodePtr root = itemsRoot(2);
    guiPopupTreeCtrl& p = makePopup(root.Get());
    int closes = 0;
    struct Count : CObject {
        int& n;
        explicit Count(int& n) : n(n) { }
        bool closed(guiPopupTreeCtrl&)
        {
            ++n;
            return true;
        }
    } counter(closes);
    p.OnTreeCloseCB() = guiTREEPOPUPCB(&counter, &Count::closed);
    p.Open(CRect(50, 40, 90, 60), guiPopupDir_Right);
    pump();
    ASSERT_TRUE(p.IsOpen());
    // The root loses its children: the engine reports nothing to show.
    root->ClearChildren();
    pump();
    EXPECT_FALSE(p.IsOpen());
    EXPECT_FALSE(p.IsWindowVisible());
    EXPECT_EQ(closes, 1);

    // An engine that forgets its layout reports no size: the tree rectangle goes and so does the popup.
    guiTreeNodePtr other = itemsRoot(2);
    p.SetRoot(other.Get());
    p.Open(CRect(50, 40, 90, 60), guiPopupDir_Right);
    pump();
    ASSERT_TRUE(p.IsWindowVisible());
    CRect out(1, 1, 2, 2);
    p.onSizeChange(p.GetDraw(), CSize(-1, -1), &out);
    EXPECT_TRUE(out.IsRectEmpty());
    EXPECT_FALSE(p.IsOpen());
    EXPECT_EQ(closes, 2);

    guiPopupTreeCtrl* sub = p.createPopupCtrl(nullptr);
    EXPECT_EQ(sub->GetParentPopup(), &p);
    EXPECT_EQ(thrownText([&] { sub->SetTreeMain(nullptr); }), "Can't set treemain for a popup child");
}

// A menu whose first item opens two levels of submenus.
const char* const kChainMenu =
    "<item name=a text=Alpha><item name=b text=Beta><item name=c text=Gamma/></item></item><item name=z text=Zed/>";

class ChainBed : public PopupBed {
protected:
    void SetUp() override
    {
        PopupBed::SetUp();
        root = loadMarkup(kChainMenu);
        static_cast<guiTreeNode*>(root.Get())->GetChild(1, &a);
        a->GetChild(1, &b);
        b->GetChild(1, &c);
        makeTree(root.Get());
        // Hovering selects, so that the selected items' submenus open.
        tree->SetMouseTrack(guiMouseTrack_Select);
    }
    void TearDown() override
    {
        tree.reset();
        PopupBed::TearDown();
    }
    // Opens the submenus down to c's level with the mouse on a, then on b.
    void openChain()
    {
        hover(*tree);
        first = popupOf(tree->GetDraw());
        ASSERT_NE(first, nullptr);
        hover(*first);
        second = popupOf(first->GetDraw());
        ASSERT_NE(second, nullptr);
        ASSERT_TRUE(first->IsWindowVisible());
        ASSERT_TRUE(second->IsWindowVisible());
    }
    template <class Control>
    static void hover(Control& control)
    {
        CPoint at = control.GetTreeRect().TopLeft() + CPoint(5, 5);
        control.ClientToScreen(&at);
        // The control left behind holds the capture until the first move away from it.
        for (int dx : {0, 1}) {
            plat::headless::mouseMove(at.x + dx, at.y);
            pump();
        }
        pump();
    }
    // Opens the chain through an expand command for c, as c.Expand() would.
    void expandChain()
    {
        IguiTreeNode* path[] = {c.Get(), b.Get(), a.Get()};
        tree->GetDraw()->PostCmdNodes(guiTreeCmd_Expand, path, 3);
        for (int i = 0; i < 5; ++i)
            pump();
        first = popupOf(tree->GetDraw());
        ASSERT_NE(first, nullptr);
        second = popupOf(first->GetDraw());
        ASSERT_NE(second, nullptr);
    }
    // The mouse into the first popup, out of the chain, and a second passes.
    void leaveForASecond()
    {
        openChain();
        const CPoint inside = firstItem(*first);
        plat::headless::mouseMove(inside.x, inside.y);
        pump();
        moveTo(20, 250);
        wait(1000);
        ASSERT_TRUE(first->IsOpen());
    }
    // A point on the first item of a popup, in screen coordinates.
    static CPoint firstItem(guiPopupTreeCtrl& p)
    {
        CPoint at = p.GetTreeRect().TopLeft() + CPoint(5, 5);
        p.ClientToScreen(&at);
        return at;
    }

    guiTreeNodePtr root, a, b, c;
    guiPopupTreeCtrl* first = nullptr;
    guiPopupTreeCtrl* second = nullptr;
};

TEST_F(ChainBed, AnExpandCommandTwoLevelsDownOpensTheChainAndIsPassedOn)
{
    expandChain();
    guiTreeNodeRef shown;
    ASSERT_TRUE(second->GetRoot(&shown));
    EXPECT_EQ(shown.Get(), b.Get());
    EXPECT_FALSE(second->GetRectPopup().IsRectEmpty()) << "opened beside b's row";
}

TEST_F(ChainBed, EachPopupOpensBesideTheItemThatOpenedIt)
{
    openChain();
    EXPECT_EQ(first->GetTreeMain(), static_cast<sIguiTreeMain*>(tree.get()));
    EXPECT_EQ(second->GetParentPopup(), first);
    EXPECT_EQ(second->GetTreeMain(), nullptr);
    guiTreeNodeRef shown;
    ASSERT_TRUE(second->GetRoot(&shown));
    EXPECT_EQ(shown.Get(), b.Get());
    // Each popup to the right of the item that opened it, in screen coordinates.
    EXPECT_EQ(windowRect(*first).left, windowRect(*tree).left + tree->GetTreeRect().right);
    EXPECT_EQ(windowRect(*second).left, windowRect(*first).left + first->GetTreeRect().right);
}

TEST_F(ChainBed, IsChildCtrlLooksDownUpOrBoth)
{
    openChain();
    const HWND t = tree->GetSafeHwnd(), p1 = first->GetSafeHwnd(), p2 = second->GetSafeHwnd();
    struct Case {
        guiPopupTreeCtrl* asked;
        HWND window;
        guiTreeRec rec;
        bool expected;
    };
    const Case cases[] = {
        {first, p1, guiTreeRec_Down, true},
        {first, p2, guiTreeRec_Down, true},
        {first, t, guiTreeRec_Down, false},
        {first, p2, guiTreeRec_Up, false},
        {first, t, guiTreeRec_Up, true},
        {second, p1, guiTreeRec_Up, true},
        {second, t, guiTreeRec_Up, true},
        {second, p1, guiTreeRec_Down, false},
        {second, t, guiTreeRec_Both, true},
        {first, p2, guiTreeRec_Both, true},
        {first, window->GetSafeHwnd(), guiTreeRec_Both, false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(k.asked->IsChildCtrl(k.window, k.rec), k.expected)
            << (k.asked == first ? "first" : "second") << " rec " << k.rec;
    EXPECT_FALSE(first->IsTreeChild(nullptr));
    EXPECT_TRUE(tree->IsTreeChild(p2)) << "the owner looks down the chain";
}

TEST_F(ChainBed, AnItemEventTravelsUpTheChainToTheOwnerThenBackToEachCallback)
{
    Lines lines;
    LevelOwner rootOwner(lines), aOwner(lines), bOwner(lines);
    rootOwner.tag = "root";
    aOwner.tag = "a";
    bOwner.tag = "b";
    static_cast<guiTreeNode*>(root.Get())->SetContainer(&rootOwner, false);
    a->SetContainer(&aOwner, false);
    b->SetContainer(&bOwner, false);
    Journey treeCb("tree", lines), firstCb("first", lines), secondCb("second", lines);
    tree->OnTreeClickCB() = guiTREESUBOPCB(&treeCb, &Journey::click);
    openChain();
    first->OnTreeClickCB() = guiTREESUBOPCB(&firstCb, &Journey::click);
    second->OnTreeClickCB() = guiTREESUBOPCB(&secondCb, &Journey::click);

    const CPoint at = firstItem(*second);
    plat::headless::click(at.x, at.y);
    pump();
    EXPECT_EQ(lines, (Lines{"b root c", "a root c", "root root c", "tree callback c", "first callback c",
                          "second callback c"}));
    for (guiTreeNode* n : {static_cast<guiTreeNode*>(root.Get()), a.Get(), b.Get()})
        n->SetContainer(nullptr, false);
}

TEST_F(ChainBed, AClickIsAnsweredWithoutActivationAndThePopupNeverBecomesActive)
{
    openChain();
    const HWND active = GetActiveWindow();
    EXPECT_EQ(SendMessageA(second->GetSafeHwnd(), WM_MOUSEACTIVATE, WPARAM(second->GetSafeHwnd()),
                  MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
        MA_NOACTIVATEANDEAT);
    const CPoint at = firstItem(*first);
    plat::headless::click(at.x, at.y);
    pump();
    EXPECT_EQ(GetActiveWindow(), active);
    EXPECT_NE(GetActiveWindow(), first->GetSafeHwnd());
}

TEST_F(ChainBed, FocusInTheChainKeepsItFocusOutsideClosesItAll)
{
    openChain();
    TestControl& outside = addControl(CRect(250, 10, 300, 60));
    second->SetFocus();
    pump();
    first->SetFocus();
    pump();
    EXPECT_TRUE(first->IsOpen());
    EXPECT_TRUE(second->IsWindowVisible());
    outside.SetFocus();
    pump();
    EXPECT_FALSE(first->IsOpen());
    EXPECT_FALSE(first->IsWindowVisible());
    EXPECT_FALSE(second->IsWindowVisible());
}

TEST_F(ChainBed, LeftInASubmenuGivesTheSelectionBack)
{
    openChain();
    auto* secondMenu = dynamic_cast<guiTreeMenuDraw*>(second->GetDraw());
    ASSERT_NE(secondMenu, nullptr);
    secondMenu->SelectFirst();
    pump();
    ASSERT_EQ(secondMenu->GetSelection(), 1);
    second->SetFocus();
    pump();
    plat::headless::keyPress(VK_LEFT);
    pump();
    EXPECT_EQ(secondMenu->GetSelection(), 0);
    EXPECT_TRUE(first->IsOpen()) << "the level above keeps its menu";
}

TEST_F(ChainBed, TheMouseAwayFromTheChainClosesItAfterTwoSeconds)
{
    openChain();
    const CPoint inside = firstItem(*second);
    plat::headless::mouseMove(inside.x, inside.y);
    pump();
    // Out into the window, below the tree control.
    moveTo(20, 250);
    wait(2000);
    EXPECT_TRUE(first->IsOpen());
    wait(250);
    EXPECT_FALSE(first->IsOpen());
    EXPECT_FALSE(second->IsWindowVisible());
}

TEST_F(ChainBed, ComingBackIntoAnyPopupOfTheChainCancelsTheClosing)
{
    leaveForASecond();
    const CPoint back = firstItem(*second);
    plat::headless::mouseMove(back.x, back.y);
    pump();
    wait(3000);
    EXPECT_TRUE(first->IsOpen());
}

TEST_F(ChainBed, FocusOnAPopupOfTheChainCancelsTheClosing)
{
    leaveForASecond();
    second->tcSetFocus();
    pump();
    wait(3000);
    EXPECT_TRUE(first->IsOpen());
}

TEST_F(ChainBed, AnEngineThatGoesTakesItsOpenSubmenusDown)
{
    openChain();
    first->SetDrawType(guiTreeDraw_TreeView);
    pump();
    EXPECT_FALSE(second->IsOpen());
    EXPECT_FALSE(second->IsWindowVisible());
}

TEST_F(ChainBed, MovingTheOwningTreeClosesItsPopupWithinOneWatch)
{
    openChain();
    wait(500);
    ASSERT_TRUE(first->IsOpen());
    tree->MoveWindow(12, 10, 100, 100, TRUE);
    pump();
    wait(450);
    EXPECT_FALSE(first->IsOpen());
}

} // namespace
