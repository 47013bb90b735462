#include "TreeViewTestBed.h"

#include "plat/headless.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace gui::test;
using Lines = std::vector<std::string>;

// Hears the events of the nodes it is the container of: "<tag> <event> <item>"; answers `answer`.
class Listener : public IguiTreeNodeContainer {
public:
    Listener(const char* tag, Lines& log) : tag(tag), log(log) { }
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    vbString GetUrlRootForProtocol(const vbString&) override { return vbString(); }
    bool LoadNodeFromRes(vbDnData*, guiTreeNode*, const char*) override { return false; }
    bool onClick(guiTreeNode* n, bool) override { return hear("click", n); }
    bool onDClick(guiTreeNode* n, bool) override { return hear("dclick", n); }
    bool onContextMenu(guiTreeNode* n, bool) override { return hear("menu", n); }
    bool onSelect(guiTreeNode* n, bool) override { return hear("select", n); }
    // Moves of the mouse are not what these tests follow.
    bool onOver(guiTreeNode*, bool) override { return answer; }
    bool onCheck(guiTreeNode* n, bool*) override
    {
        hear("check", n);
        if (throwOnCheck)
            throw std::runtime_error("check refused");
        return answer;
    }
    bool onExpand(guiTreeNode* n) override { return hear("expand", n); }
    bool onCollapse(guiTreeNode* n) override { return hear("collapse", n); }
    bool onExpandParent(guiTreeNode* n) override { return hear("expandParent", n); }
    bool onCollapseParent(guiTreeNode* n) override { return hear("collapseParent", n); }
    void onNodeChange(guiTreeNode*, bool) override { }
    void onSetContainer(guiTreeNode*, bool) override { }

    std::string tag;
    Lines& log;
    bool answer = false;
    bool throwOnCheck = false;

private:
    bool hear(const char* what, guiTreeNode* n)
    {
        log.push_back(tag + " " + what + " " + std::string(n->GetText().c_str()));
        return answer;
    }
};

class TreeViewInput : public TreeViewBed {
protected:
    void SetUp() override
    {
        TreeViewBed::SetUp();
        host.ShowWindow(SW_SHOW);
    }
    // Lays the tree out and paints it, so that rows know their buttons.
    void show(const guiTreeNodePtr& root)
    {
        draw().SetRoot(root);
        pump();
        host.Invalidate(FALSE);
        pump();
    }
    // The host client point dx right of the row column's left, in the row's middle.
    CPoint rowPoint(guiTreeViewLevel& level, int index, int dx)
    {
        const guiTreeViewItem& item = level.Item(index);
        const CPoint origin = draw().toClient();
        return CPoint(level.Placed().left + level.Indent() + dx + origin.x, item.top + item.height / 2 + origin.y);
    }
    void clickAt(const CPoint& p)
    {
        plat::headless::click(p.x, p.y);
        pump();
    }
    void doubleClickAt(const CPoint& p)
    {
        host.SendMessage(WM_LBUTTONDBLCLK, 0, MAKELPARAM(p.x, p.y));
        pump();
    }
    void moveTo(const CPoint& p)
    {
        plat::headless::mouseMove(p.x, p.y);
        pump();
    }
};

TEST_F(TreeViewInput, ItemEventsGoUpTheLevelsUntilOneTakesThemThenToTheHost)
{
    Lines log;
    Listener rootHears("root", log), aHears("A", log), a1Hears("A1", log);
    guiTreeNodePtr a1 = node("A1 leaf");
    guiTreeNodePtr a = node("A", {a1});
    guiTreeNodePtr root = node("root", {a});
    root->SetContainer(&rootHears, false);
    a->SetContainer(&aHears, false);
    a1->SetContainer(&a1Hears, false);
    show(root);
    guiTreeViewLevel& underA = *draw().Root().Item(1).ChildLevel();
    log.clear();
    host.events.clear();

    clickAt(rowPoint(underA, 1, 10));
    EXPECT_TRUE(draw().Selected().Is(&underA, 1));
    EXPECT_EQ(log, (Lines{"A1 select A1 leaf", "A select A1 leaf", "root select A1 leaf", "A1 click A1 leaf",
                       "A click A1 leaf", "root click A1 leaf"}));
    EXPECT_EQ(host.eventsOf({"select", "click"}), (Lines{"select A1 leaf", "click A1 leaf"}));

    // The level's node takes it: the root is not asked, the host learns it was handled.
    aHears.answer = true;
    log.clear();
    host.events.clear();
    doubleClickAt(rowPoint(underA, 1, 10));
    EXPECT_EQ(log, (Lines{"A1 dclick A1 leaf", "A dclick A1 leaf"}));
    EXPECT_EQ(host.eventsOf({"dclick"}), (Lines{"dclick A1 leaf handled"}));
    draw().SetRoot(nullptr);
    pump();
}

TEST_F(TreeViewInput, TheExpandButtonTogglesWithTheLeftButtonOnlyAndReportsAlternately)
{
    guiTreeNodePtr a1 = node("A1 leaf");
    a1->SetExpandParentEvent(true);
    a1->SetCollapseParentEvent(true);
    guiTreeNodePtr a = node("A", {a1});
    show(node("root", {a, node("B")}));
    EXPECT_EQ(host.eventsOf({"expanded", "parentExpanded"}),
        (Lines{"expanded root", "expanded A", "parentExpanded A1 leaf"}));
    guiTreeViewItem& itemA = draw().Root().Item(1);
    ASSERT_TRUE(itemA.hasExpandButton);
    guiTreeViewLevel& root = draw().Root();
    const CPoint button(root.Placed().left + (root.Indent() - 9) / 2 + 4, itemA.top + itemA.height / 2 + 1);
    host.events.clear();

    host.buttonsAct = false;
    clickAt(button);
    EXPECT_TRUE(itemA.ChildLevel()->IsExpanded()) << "without the left button flag nothing happens";
    host.buttonsAct = true;
    doubleClickAt(button);
    EXPECT_TRUE(itemA.ChildLevel()->IsExpanded()) << "a double click on the button does nothing";
    EXPECT_TRUE(host.eventsOf({"expanded", "collapsed", "select", "click", "dclick"}).empty());

    clickAt(button);
    EXPECT_FALSE(itemA.ChildLevel()->IsExpanded());
    host.Invalidate(FALSE);
    pump();
    clickAt(button);
    EXPECT_TRUE(itemA.ChildLevel()->IsExpanded());
    EXPECT_EQ(host.eventsOf({"expanded", "collapsed", "parentExpanded", "parentCollapsed"}),
        (Lines{"collapsed A", "parentCollapsed A1 leaf", "expanded A", "parentExpanded A1 leaf"}));
    EXPECT_FALSE(draw().Selected()) << "the button does not select";
}

TEST_F(TreeViewInput, ClickingTogglesChecksByTheApplicableCheckMode)
{
    enum How { kClick, kDouble, kButton };
    struct Case {
        bool engineBoxes;
        guiNodeCheckMode mode;
        How how;
        bool toggles;
    };
    std::vector<Case> cases;
    for (bool boxes : {false, true}) {
        cases.push_back({boxes, guiNodeCheck_Manual, kClick, false});
        cases.push_back({boxes, guiNodeCheck_Manual, kDouble, false});
        cases.push_back({boxes, guiNodeCheck_Manual, kButton, false});
        cases.push_back({boxes, guiNodeCheck_Auto, kClick, true});
        cases.push_back({boxes, guiNodeCheck_Auto, kDouble, true});
        cases.push_back({boxes, guiNodeCheck_Auto, kButton, true});
        cases.push_back({boxes, guiNodeCheck_Btn, kClick, false});
        cases.push_back({boxes, guiNodeCheck_Btn, kDouble, true});
        cases.push_back({boxes, guiNodeCheck_Btn, kButton, true});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.engineBoxes) + " mode " + std::to_string(c.mode) + " how " + std::to_string(c.how));
        guiTreeNodePtr item = node("Checked item");
        if (!c.engineBoxes) {
            item->SetType(guiNodeType_Check);
            item->SetCheckMode(c.mode);
        }
        draw().SetCheckBoxes(c.engineBoxes);
        draw().SetCheckMode(c.mode);
        show(node("root", {item}));
        guiTreeViewLevel& root = draw().Root();
        const CPoint where = rowPoint(root, 1, c.how == kButton ? 10 : 30);
        if (c.how == kDouble)
            doubleClickAt(where);
        else
            clickAt(where);
        const bool now = c.engineBoxes ? root.Item(1).engineChecked : item->IsChecked();
        EXPECT_EQ(now, c.toggles);
        EXPECT_EQ(host.eventsOf({"checked"}).size(), c.toggles ? 1u : 0u);
        host.events.clear();
        draw().SetRoot(nullptr);
        pump();
    }
}

TEST_F(TreeViewInput, AFailingCheckHandlerIsShownAndTheCheckStillChanges)
{
    Lines log;
    Listener hears("item", log);
    hears.throwOnCheck = true;
    guiTreeNodePtr item = node("Checked item");
    item->SetType(guiNodeType_Check);
    item->SetCheckMode(guiNodeCheck_Btn);
    item->SetContainer(&hears, false);
    show(node("root", {item}));
    clickAt(rowPoint(draw().Root(), 1, 10));
    EXPECT_TRUE(item->IsChecked());
    EXPECT_EQ(log, (Lines{"item check Checked item"}));
    EXPECT_EQ(host.eventsOf({"checked"}), (Lines{"checked on Checked item"}));

    // The host's answer decides the engine-held state.
    draw().SetCheckBoxes(true);
    pump();
    host.checkAnswer = 0;
    clickAt(rowPoint(draw().Root(), 1, 10));
    EXPECT_FALSE(draw().Root().Item(1).engineChecked);
    EXPECT_EQ(host.eventsOf({"checked"}).back(), "checked on engine Checked item");
    draw().SetRoot(nullptr);
    pump();
}

TEST_F(TreeViewInput, HitPartsFollowTheRowsLayout)
{
    guiTreeNodePtr check = node("Check item");
    check->SetType(guiNodeType_Check);
    guiTreeNodePtr text = node("Just text");
    text->SetType(guiNodeType_Text);
    show(node("root", {node("A", {node("A1")}), check, text}));
    guiTreeViewLevel& root = draw().Root();
    const guiTreeViewItem& a = root.Item(1);
    const guiTreeViewItem& c = root.Item(2);
    const int buttonLeft = root.Placed().left + (root.Indent() - 9) / 2;
    const int rowLeft = root.Placed().left + root.Indent();
    struct Case {
        CPoint at;
        bool hits;
        guiTreeHit part;
        int index;
    };
    const Case cases[] = {
        {CPoint(buttonLeft + 4, a.top + a.height / 2 + 1), true, guiTreeHit_Expand, 1},
        {CPoint(buttonLeft - 1, a.top + a.height / 2 + 1), false, guiTreeHit_Expand, 0},
        {CPoint(rowLeft + 2, a.top + a.height / 2 + 1), true, guiTreeHit_Item, 1},
        {CPoint(rowLeft + 3, c.top + c.height / 2 + 1), true, guiTreeHit_Check, 2},
        {CPoint(rowLeft + 2, c.top + c.height / 2 + 1), false, guiTreeHit_Check, 0},
        {CPoint(rowLeft + 17, c.top + c.height / 2 + 1), false, guiTreeHit_Check, 0},
        {CPoint(rowLeft + 20, c.top + c.height / 2 + 1), true, guiTreeHit_Item, 2},
        {CPoint(rowLeft + 5, root.Item(3).top + 2), false, guiTreeHit_Item, 0},
        {CPoint(rowLeft + 5, draw().GetSize().cy + 5), false, guiTreeHit_Item, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.at.x) + "," + std::to_string(k.at.y));
        guiTreeViewPos pos;
        guiTreeHit part = guiTreeHit_Item;
        ASSERT_EQ(draw().hitTest(k.at, pos, part), k.hits);
        if (k.hits) {
            EXPECT_EQ(part, k.part);
            EXPECT_TRUE(pos.Is(&root, k.index));
        }
    }
}

TEST_F(TreeViewInput, MovingOverRowsSetsTheOverPositionAndTellsTheHostHitTwo)
{
    show(node("root", {node("First"), node("Second")}));
    guiTreeViewLevel& root = draw().Root();
    moveTo(rowPoint(root, 2, 5));
    EXPECT_TRUE(draw().Over().Is(&root, 2));
    EXPECT_FALSE(draw().Selected());
    moveTo(CPoint(250, 190));
    EXPECT_TRUE(draw().Over().Is(&root, 2)) << "off the items the over position stays";
    EXPECT_EQ(host.moves, (Lines{"Second 2", "- 2"}));
    EXPECT_EQ(host.eventsOf({"over"}), (Lines{"over Second"}));
    EXPECT_GT(host.scrollCancels, 0);

    draw().SetMouseTrack(guiMouseTrack_Select);
    moveTo(rowPoint(root, 1, 5));
    EXPECT_TRUE(draw().Selected().Is(&root, 1)) << "tracking by selection";
    EXPECT_FALSE(draw().Over());
}

TEST_F(TreeViewInput, SelectingScrollsTheRowIntoViewAndAnUnplacedRowAfterTheUpdate)
{
    host.followOffsets = true;
    std::vector<guiTreeNodePtr> leaves;
    guiTreeNodePtr root = node("root");
    for (int i = 1; i <= 40; ++i) {
        leaves.push_back(node(("Row " + std::to_string(i)).c_str()));
        root->AddChild(leaves.back(), 0);
    }
    show(root);
    guiTreeViewLevel& level = draw().Root();
    const guiTreeViewItem& last = level.Item(40);
    ASSERT_GT(draw().GetSize().cy, 198);
    EXPECT_TRUE(draw().select(&level, 40, 0, 0, 0));
    EXPECT_EQ(draw().GetOffset().y, last.top + last.height - 198) << "the row's bottom at the visible bottom";
    EXPECT_TRUE(draw().select(&level, 1, 0, 0, 0));
    EXPECT_EQ(draw().GetOffset().y, 0);
    EXPECT_FALSE(draw().select(&level, 1, 0, 0, 0)) << "unchanged";
    EXPECT_FALSE(draw().select(&level, 41, 0, 0, 0)) << "no such item";

    // A row added now has no place until the update lays it out: it is scrolled to at the end.
    root->AddChild(node("Row 41"), 0);
    host.onRootUpdate = [&] { EXPECT_TRUE(draw().select(&draw().Root(), 41, 0, 0, 0)); };
    pump();
    host.onRootUpdate = nullptr;
    const guiTreeViewItem& added = draw().Root().Item(41);
    EXPECT_EQ(draw().GetOffset().y, added.top + added.height - 198);
}

TEST_F(TreeViewInput, ChildrenShrinkingUnderTheSelectionMoveItToTheLastAndReportItOnce)
{
    guiTreeNodePtr a = node("A", {node("A1"), node("A2"), node("A3")});
    guiTreeNodePtr root = node("root", {a});
    show(root);
    guiTreeViewLevel& underA = *draw().Root().Item(1).ChildLevel();
    ASSERT_TRUE(draw().select(&underA, 3, 0, 0, 0));
    host.events.clear();
    a->RemoveChild(3);
    a->RemoveChild(2);
    pump();
    EXPECT_TRUE(draw().Selected().Is(&underA, 1));
    EXPECT_EQ(host.eventsOf({"select"}), (Lines{"select A1"}));

    // The level going takes the positions with it.
    host.events.clear();
    root->RemoveChild(1);
    pump();
    EXPECT_FALSE(draw().Selected());
}

TEST_F(TreeViewInput, TheSelectedRowIsAPillAsWideAsTheLevelsWidestItem)
{
    show(node("root", {node("Short"), node("A rather longer item")}));
    guiTreeViewLevel& root = draw().Root();
    ASSERT_TRUE(draw().select(&root, 1, 0, 0, 0));
    pump();
    const guiTreeViewItem& item = root.Item(1);
    const int left = root.Placed().left + root.Indent();
    const int right = root.Placed().right;
    const int top = item.top + 1;
    const int middle = top + item.height / 2;
    auto at = [&](int x, int y) { return plat::headless::windowPixel(host.GetSafeHwnd(), x, y); };
    const COLORREF sel = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF back = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(at(left, middle), back) << "the bar starts one pixel in";
    EXPECT_EQ(at(left + 1, top), sel);
    EXPECT_EQ(at(right - 3, middle), sel) << "as wide as the widest item, though this one is short";
    EXPECT_EQ(at(right - 2, top), back) << "the round end leaves the corner";
    EXPECT_EQ(at(right + 2, middle), back);
    EXPECT_TRUE(item.drawnSelected);
    EXPECT_EQ(at(left + 1, root.Item(2).top + 2), back) << "the other row is not selected";
}

TEST_F(TreeViewInput, OverTheHelpIconTheHelpOverPositionIsSetAndFramed)
{
    const vbicontest::Bytes bytes = vbicontest::stillIcon(0x0000FF);
    guiTreeNodePtr helped = node("Helped item");
    helped->SetHelpIcon(vbicontest::writeFile("help.ico", bytes).c_str());
    show(node("root", {helped, node("Other item")}));
    guiTreeViewLevel& root = draw().Root();
    loadIcon(root.Item(1).helpIcon, bytes, "help.ico");
    draw().UpdateTree(true);
    pump();
    host.Invalidate(FALSE);
    pump();
    const guiTreeViewItem& item = root.Item(1);
    ASSERT_TRUE(item.hasHelpIcon);
    const CRect icon(CPoint(root.Placed().right - 16 - 5, item.top + (item.height - 16) / 2 + 1), CSize(16, 16));

    moveTo(rowPoint(root, 1, 5));
    EXPECT_TRUE(draw().Over().Is(&root, 1));
    moveTo(icon.CenterPoint());
    EXPECT_TRUE(draw().HelpOver().Is(&root, 1));
    EXPECT_FALSE(draw().Over()) << "over and help-over exclude each other";
    EXPECT_EQ(host.moves.back(), "Helped item 2") << "the host hears hit 2 for any part";
    EXPECT_EQ(host.eventsOf({"over"}).back(), "over Helped item help");
    pump();
    const COLORREF frame = RGB(138, 43, 226);
    EXPECT_EQ(plat::headless::windowPixel(host.GetSafeHwnd(), icon.left - 1, icon.top + 8), frame);
    EXPECT_EQ(plat::headless::windowPixel(host.GetSafeHwnd(), icon.right, icon.top + 8), frame);

    clickAt(icon.CenterPoint());
    EXPECT_TRUE(draw().HelpSelected().Is(&root, 1));
    EXPECT_EQ(host.eventsOf({"click"}).back(), "click Helped item help");
}

TEST_F(TreeViewInput, AContextMenuSelectsTheRowAndReportsIt)
{
    show(node("root", {node("First"), node("Second")}));
    guiTreeViewLevel& root = draw().Root();
    const CPoint second = rowPoint(root, 2, 5);
    host.SendMessage(WM_CONTEXTMENU, WPARAM(host.GetSafeHwnd()), MAKELPARAM(second.x, second.y));
    host.SendMessage(WM_CONTEXTMENU, WPARAM(host.GetSafeHwnd()), MAKELPARAM(250, 190));
    EXPECT_EQ(host.contextAnswers, (std::vector<bool>{true, false}));
    EXPECT_TRUE(draw().Selected().Is(&root, 2));
    EXPECT_EQ(host.eventsOf({"select", "menu"}), (Lines{"select Second", "menu Second"}));
}

TEST_F(TreeViewInput, AHostDestroyingTheEngineFromAnItemEventEndsTheClickSafely)
{
    show(node("root", {node("First", {node("Inner")}), node("Second")}));
    host.events.clear();
    host.duringEvent = [&](const std::string& line) {
        if (line.rfind("select ", 0) == 0 && host.draw) {
            host.draw->Destroy();
            host.draw = nullptr;
        }
    };
    clickAt(rowPoint(draw().Root(), 1, 5));
    EXPECT_EQ(host.draw, nullptr);
    EXPECT_TRUE(host.eventsOf({"click", "expanded", "collapsed"}).empty()) << "the destroyed engine calls nobody";
}

// Bringing a rectangle into view, without painting (the tree rectangle stays as set).
TEST_F(TreeViewBed, ScrollingIntoViewFollowsTheVisibleShareOfTheRow)
{
    guiTreeNodePtr root = node("root");
    for (int i = 0; i < 12; ++i)
        root->AddChild(node("An item whose text runs far to the right of the tree"), 0);
    draw().SetRoot(root);
    pump();
    ASSERT_TRUE(draw().SetTreeRect(CRect(0, 0, 100, 60), false));
    pump();
    ASSERT_GE(draw().GetSize().cx, 200);
    ASSERT_GE(draw().GetSize().cy, 140);
    struct Case {
        int mode;
        CRect rect;
        bool scrolls;
        CPoint offset;
    };
    const Case cases[] = {
        {0, CRect(0, 0, 50, 16), false, {}},        // inside
        {1, CRect(80, 0, 160, 16), false, {}},      // cut sideways, partly seen
        {0, CRect(60, 0, 100, 16), false, {}},      // 40 seen of 40: enough
        {0, CRect(80, 0, 160, 16), true, {80, 0}},  // 20 seen, less than half of 80
        {0, CRect(0, 100, 50, 116), true, {0, 58}}, // below: its bottom at the visible bottom
        {1, CRect(80, 100, 160, 116), true, {80, 58}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rect.left) + "," + std::to_string(c.rect.top) + " mode " + std::to_string(c.mode));
        host.offsets.clear();
        EXPECT_EQ(draw().scrollIntoView(c.mode, c.rect), c.scrolls);
        if (c.scrolls) {
            ASSERT_EQ(host.offsets.size(), 1u);
            EXPECT_EQ(host.offsets.back(), c.offset);
        }
    }
}

} // namespace
