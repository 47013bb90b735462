#include "guiTreeViewDraw.h"

#include "TreeViewTestBed.h"
#include "vbIconTestUtil.h"

#include "guiTreeStyle.h"

#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace gui::test;

using Rows = std::vector<std::string>;

TEST_F(TreeViewBed, TheExpandedLevelDecidesHowDeepTheTreeOpens)
{
    struct Case {
        int level;
        Rows expected;
    };
    const Case cases[] = {
        {0, {"A", "B"}},
        {1, {"A", "  A1", "B", "  B1"}},
        {2, {"A", "  A1", "    A11", "B", "  B1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        guiTreeNodePtr root = node("root", {node("A", {node("A1", {node("A11")})}), node("B", {node("B1")})});
        draw().SetExpandedLevel(c.level);
        draw().SetRoot(root);
        pump();
        EXPECT_EQ(rows(), c.expected);
        draw().SetRoot(nullptr);
        pump();
    }
}

TEST_F(TreeViewBed, ACollapsedLevelHoldsNoItemsUntilItIsShown)
{
    guiTreeNodePtr root = node("root", {node("A", {node("A1", {node("A11")})})});
    draw().SetRoot(root);
    pump();
    guiTreeViewLevel* a1 = draw().Root().Item(1).ChildLevel()->Item(1).ChildLevel();
    ASSERT_NE(a1, nullptr);
    EXPECT_FALSE(a1->IsExpanded());
    EXPECT_EQ(a1->ItemCount(), 0);
    a1->request(guiTreeViewLevel::kExpand);
    pump();
    EXPECT_EQ(rows(), (Rows{"A", "  A1", "    A11"}));
}

TEST_F(TreeViewBed, SortedChildrenShowInTextOrderIgnoringCase)
{
    guiTreeNodePtr root = node("root", {node("beta"), node("Alpha"), node("gamma")});
    root->SetSorted(true);
    draw().SetRoot(root);
    pump();
    EXPECT_EQ(rows(), (Rows{"Alpha", "beta", "gamma"}));
}

TEST_F(TreeViewBed, ACheckItemsRowAndTheContentSize)
{
    guiTreeNodePtr check = node("Mp");
    check->SetType(guiNodeType_Check);
    guiTreeNodePtr root = node("root", {check});
    draw().SetRoot(root);
    pump();
    guiTreeViewItem& item = draw().Root().Item(1);
    const CSize sizes[] = {item.size, item.selSize, item.overSize, item.selOverSize};
    CSize largest(0, 0);
    for (const CSize& s : sizes) {
        largest.cx = std::max(largest.cx, s.cx);
        largest.cy = std::max(largest.cy, s.cy);
    }
    EXPECT_GT(largest.cx, 0);
    EXPECT_EQ(item.width, 6 + 20 + largest.cx);
    EXPECT_EQ(item.height, std::max<int>(14, largest.cy) + 2) << "spacing 2";
    // The built-in root indentation 4, with room for the button.
    EXPECT_EQ(draw().Root().Indent(), 4 + 9);
    EXPECT_EQ(draw().GetSize(), CSize(13 + item.width, item.height));
    ASSERT_FALSE(host.sizes.empty());
    EXPECT_EQ(host.sizes.back(), draw().GetSize());
}

TEST_F(TreeViewBed, TheHostsWidthLimitLessTheLevelsPlaceLimitsTheText)
{
    host.widthMax = 100;
    draw().SetExpandedLevel(2);
    guiTreeNodePtr root = node("root", {node("A", {node("A1", {node("A11")})})});
    draw().SetRoot(root);
    pump();
    guiTreeViewLevel& first = *draw().Root().Item(1).ChildLevel();
    guiTreeViewLevel& second = *first.Item(1).ChildLevel();
    EXPECT_EQ(first.Placed().left, 13);
    EXPECT_EQ(first.Indent(), 8 + 9);
    EXPECT_EQ(first.Item(1).widthLimit, 100 - 13 - 17 - 6);
    EXPECT_EQ(second.Placed().left, 30);
    EXPECT_EQ(second.Item(1).widthLimit, 50) << "53 - 6, raised to 50";
    EXPECT_EQ(draw().Root().Item(1).widthLimit, 100 - 0 - 13 - 6);
}

TEST_F(TreeViewBed, ChangesBeforeTheUpdateAreLaidOutOnce)
{
    guiTreeNodePtr a = node("A");
    guiTreeNodePtr root = node("root", {a});
    draw().SetRoot(root);
    pump();
    const int before = host.updates;
    a->SetText("A one");
    a->SetText("A two");
    pump();
    EXPECT_EQ(host.updates, before + 1);
    EXPECT_EQ(rows(), Rows{"A two"});

    std::thread([&] { draw().UpdateTree(true); }).join();
    pump();
    EXPECT_EQ(host.updates, before + 2) << "a worker's request is one update on the host's thread";
}

// Workers ask for updates while the host's thread places the levels (and changes a node between
// its updates): a request that comes during a placing is laid out by a later update, none is lost.
TEST_F(TreeViewBed, WorkersPostingWhileTheLevelsArePlacedLoseNoUpdate)
{
    guiTreeNodePtr a = node("A");
    guiTreeNodePtr root = node("root", {a});
    draw().SetRoot(root);
    pump();
    std::atomic<int> running{4};
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w)
        workers.emplace_back([&] {
            for (int i = 0; i < 300; ++i)
                draw().UpdateTree(i % 2 == 0);
            --running;
        });
    for (int i = 0; running > 0; ++i) {
        a->SetText(vbString(("A" + std::to_string(i)).c_str()));
        pump();
    }
    for (std::thread& worker : workers)
        worker.join();
    a->SetText("A last");
    pump();
    EXPECT_EQ(rows(), Rows{"A last"});
}

TEST_F(TreeViewBed, TheEngineAnswersItsBuiltInLook)
{
    guiTreeAspectEngine& aspects = draw().GetAspectEngine();
    EXPECT_EQ(aspects.GetIndentation(true), 4);
    EXPECT_EQ(aspects.GetIndentation(false), 8);
    EXPECT_EQ(aspects.GetWidthMax(), 200);
    const vbString names[] = {"other", "treeview.default"};
    guiTreeAspectRef found;
    EXPECT_TRUE(draw().GetAspect(&draw().OwnAspects(), names, 2, &found));
    EXPECT_TRUE(found);
    EXPECT_FALSE(draw().GetAspect(&draw().OwnAspects(), names, 1, &found));

    // A node's own aspect for the tree view wins over the built-in one.
    auto mine = makeAspect("treeview");
    mine->SetIndentation(20, false);
    guiTreeNodePtr root = node("root", {node("A")});
    root->AddAspect(mine);
    draw().SetRoot(root);
    pump();
    EXPECT_EQ(draw().Root().AspectEngine().GetIndentation(false), 20);
    EXPECT_EQ(draw().Root().AspectEngine().GetWidthMax(), 200) << "the rest from the built-in look";
}

TEST_F(TreeViewBed, GeometryWithoutRootAndTheOffsetsLimits)
{
    draw().UpdateTree(true);
    pump();
    EXPECT_EQ(draw().GetSize(), CSize(-1, -1));
    ASSERT_FALSE(host.sizes.empty());
    EXPECT_EQ(host.sizes.back(), CSize(-1, -1));

    std::vector<guiTreeNodePtr> many;
    guiTreeNodePtr root = node("root");
    for (int k = 0; k < 40; ++k) {
        many.push_back(node(("row " + std::to_string(k)).c_str()));
        root->AddChild(many.back(), 0);
    }
    draw().SetRoot(root);
    pump();
    const CSize content = draw().GetSize();
    ASSERT_GT(content.cy, 200);
    struct Case {
        CPoint asked;
        CPoint expected;
    };
    const Case cases[] = {
        {{0, 50}, {0, 50}},
        {{0, 100000}, {0, content.cy - 198}},
        {{-5, -5}, {0, 0}},
        {{500, 0}, {std::max<int>(0, content.cx - 300), 0}},
    };
    for (const Case& c : cases) {
        draw().SetOffset(c.asked, false);
        EXPECT_EQ(draw().GetOffset(), c.expected);
    }
    EXPECT_FALSE(draw().SetTreeRect(CRect(0, 0, 300, 200), false)) << "the same rectangle";
    EXPECT_TRUE(draw().SetTreeRect(CRect(0, 0, 300, 100), false));
}

TEST_F(TreeViewBed, SettersAnswerWhetherTheyChangedAnything)
{
    EXPECT_TRUE(draw().SetCheckBoxes(true));
    EXPECT_FALSE(draw().SetCheckBoxes(true));
    EXPECT_TRUE(draw().SetAspectName("big"));
    EXPECT_FALSE(draw().SetAspectName("big"));
    EXPECT_TRUE(draw().SetExpandedLevel(3));
    EXPECT_EQ(draw().GetExpandedLevel(), 3);
    EXPECT_FALSE(draw().IsChildCtrl(nullptr));
}

TEST_F(TreeViewBed, TreeLinesRunBesideTheRowsAndButtonsShowTheChildLevelsState)
{
    host.ShowWindow(SW_SHOW);
    guiTreeNodePtr root = node("root", {node("A", {node("A1")}), node("B", {node("B1", {node("B11")})})});
    draw().SetRoot(root);
    pump();
    host.Invalidate(FALSE);
    pump();
    const COLORREF line = GetSysColor(COLOR_BTNSHADOW);
    auto at = [&](int x, int y) { return plat::headless::windowPixel(host.GetSafeHwnd(), x, y); };
    guiTreeViewItem& a = draw().Root().Item(1);
    guiTreeViewLevel& underA = *a.ChildLevel();
    guiTreeViewItem& a1 = underA.Item(1);
    // Client y = content y + 1 (tree rectangle at 0, no offset).
    const int buttonTop = a.top + (a.height - 9) / 2 + 1;
    EXPECT_EQ(at(2, buttonTop), line) << "the expand button's frame, left of the root indent";
    EXPECT_TRUE(a.hasExpandButton);
    EXPECT_FALSE(a1.hasExpandButton);
    // The child level's lines: vertical at its left + indent / 2, horizontal to the row.
    const int lineX = underA.Placed().left + underA.Indent() / 2;
    const int a1Middle = a1.top + a1.height / 2 + 1;
    EXPECT_EQ(at(lineX + 3, a1Middle), line);
    EXPECT_EQ(at(lineX, a1.top + 1), line);
    EXPECT_NE(at(lineX + 3, a1Middle - 3), line) << "only the one horizontal line";
    // B1 has a collapsed child level: a button, and the line stops above it.
    guiTreeViewItem& b1 = draw().Root().Item(2).ChildLevel()->Item(1);
    EXPECT_TRUE(b1.hasExpandButton);
    EXPECT_FALSE(b1.ChildLevel()->IsExpanded());
}

TEST_F(TreeViewBed, AHostDestroyingTheEngineInsideTheUpdateIsSafe)
{
    guiTreeNodePtr root = node("root", {node("A", {node("A1")}), node("B")});
    draw().SetRoot(root);
    host.destroyOnRootUpdate = true;
    pump();
    EXPECT_EQ(host.draw, nullptr);
    EXPECT_EQ(host.rootUpdates, 1);
    root->SetText("changed");
    pump();
}

TEST_F(TreeViewBed, ANodeStillLoadingShowsItsStatus)
{
    guiTreeNodePtr root = makeNode("root");
    root->SetVisible(true);
    const int tipsBefore = host.tips;
    draw().SetRoot(root);
    pump();
    EXPECT_EQ(std::string(draw().Root().Status().c_str()), "Loading...");
    EXPECT_FALSE(draw().Root().IsLoaded());
    EXPECT_GT(host.tips, tipsBefore) << "the host hears that the tip text changed";
    root->SetLoaded(true, true);
    pump();
    EXPECT_EQ(std::string(draw().Root().Status().c_str()), "");

    // A failed load shows its error; an aborted one nothing.
    struct Case {
        ULONG code;
        const char* status;
    };
    for (Case c : {Case{0x80004005, "Error during download :\nno such tree"}, Case{0x80004004, ""}}) {
        root->SetDnError(c.code, "no such tree");
        root->SetLoaded(true, true);
        pump();
        EXPECT_EQ(std::string(draw().Root().Status().c_str()), c.status);
    }
}

TEST_F(TreeViewBed, AResetFollowedByAChangeInOneBatchIsLaidOutAgain)
{
    guiTreeNodePtr a = node("A", {node("A1")});
    guiTreeNodePtr root = node("root", {a});
    draw().SetRoot(root);
    pump();
    guiTreeViewLevel& underA = *draw().Root().Item(1).ChildLevel();
    const int updates = host.updates;
    underA.request(guiTreeViewLevel::kReset);
    underA.request(guiTreeViewLevel::kRelayout);
    pump();
    EXPECT_EQ(host.updates, updates + 1);
    EXPECT_EQ(rows(), (Rows{"A", "  A1"})) << "the relayout cancelled the reset";

    underA.request(guiTreeViewLevel::kReset);
    pump();
    EXPECT_EQ(rows(), (Rows{"A"})) << "a reset alone drops the rows";
}

TEST_F(TreeViewBed, CheckBoxesFollowTheCheckModeAndSeparatorsShowOnlyTheBack)
{
    host.ShowWindow(SW_SHOW);
    struct Case {
        guiNodeCheckMode mode;
        bool box;
    };
    for (const Case c : {Case{guiNodeCheck_Manual, false}, Case{guiNodeCheck_Btn, true}}) {
        SCOPED_TRACE(c.mode);
        guiTreeNodePtr check = node("Mp");
        check->SetType(guiNodeType_Check);
        check->SetCheckMode(c.mode);
        check->SetChecked(true);
        guiTreeNodePtr sep = node("");
        sep->SetType(guiNodeType_Sep);
        guiTreeNodePtr root = node("root", {check, sep, node("B")});
        draw().SetRoot(root);
        pump();
        host.Invalidate(FALSE);
        pump();
        const COLORREF back = GetSysColor(COLOR_WINDOW);
        auto at = [&](int x, int y) { return plat::headless::windowPixel(host.GetSafeHwnd(), x, y); };
        guiTreeViewItem& item = draw().Root().Item(1);
        EXPECT_TRUE(item.hasCheckButton);
        const int boxLeft = draw().Root().Placed().left + draw().Root().Indent() + 4;
        const int boxMiddle = item.top + item.height / 2 + 1;
        EXPECT_EQ(at(boxLeft, boxMiddle) != back, c.box) << "the box's left side";

        guiTreeViewItem& separator = draw().Root().Item(2);
        EXPECT_EQ(separator.height, 8);
        for (int y = separator.top + 1; y < separator.top + separator.height + 1; ++y)
            for (int x = 0; x < 100; x += 3)
                ASSERT_EQ(at(x, y), back) << x << "," << y;
        draw().SetRoot(nullptr);
        pump();
    }
}

TEST_F(TreeViewBed, AnAnimatedIconDeepDownRunsTheTimerWhileItIsShown)
{
    host.ShowWindow(SW_SHOW);
    draw().SetExpandedLevel(2);
    guiTreeNodePtr deep = node("A11");
    guiTreeNodePtr root = node("root", {node("A", {node("A1", {deep})})});
    draw().SetRoot(root);
    pump();
    guiTreeViewLevel& l1 = *draw().Root().Item(1).ChildLevel();
    guiTreeViewLevel& l2 = *l1.Item(1).ChildLevel();
    giveIcon(deep, l2.Item(1), vbicontest::animation(5), "tree.ani");
    MessageCounter ticks(host.GetSafeHwnd());
    host.Invalidate(FALSE);
    pump();
    EXPECT_TRUE(l2.Item(1).animatedIcon);
    EXPECT_TRUE(l2.HasAnimation());
    EXPECT_TRUE(l1.HasAnimation()) << "raised below";
    EXPECT_TRUE(draw().Root().HasAnimation());
    advance(150);
    advance(150);
    advance(150);
    EXPECT_GE(ticks.count(guiTreeMsgTimer), 1);

    giveIcon(deep, l2.Item(1), vbicontest::stillIcon(), "still.ico");
    host.Invalidate(FALSE);
    pump();
    EXPECT_FALSE(draw().Root().HasAnimation()) << "lowered up the chain";
    const int before = ticks.count(guiTreeMsgTimer);
    advance(150);
    advance(150);
    advance(150);
    EXPECT_EQ(ticks.count(guiTreeMsgTimer), before) << "a full repaint without animation stops the timer";
}

} // namespace

// An icon still on its way when its item is measured makes room for itself once it arrives: the
// row takes the icon's height and width, and the text beside it is shown, not cut off at the
// level's edge.
TEST_F(TreeViewBed, AnIconArrivingAfterTheLayoutMakesRoomForItselfAndTheText)
{
    host.ShowWindow(SW_SHOW);
    guiTreeNodePtr late = node("r");
    draw().SetRoot(node("root", {late}));
    pump();
    guiTreeViewItem& item = draw().Root().Item(1);
    giveIcon(late, item, vbicontest::stillIcon(0x00FF00), "late.ico");
    EXPECT_EQ(item.width, 6 + 16 + 3 + int(item.size.cx));
    EXPECT_GE(item.height, 16);
    host.Invalidate(FALSE);
    pump();
    const COLORREF text = static_cast<DWORD>(draw().GetAspectEngine().GetTextColor(false, false, false));
    int icon = 0, letter = 0;
    for (int y = 0; y < item.height; ++y)
        for (int x = 0; x < 100; ++x) {
            const COLORREF c = pixel(host, x, y);
            icon += c == 0x00FF00 ? 1 : 0;
            letter += c == text ? 1 : 0;
        }
    EXPECT_GT(icon, 0);
    EXPECT_GT(letter, 0);
}

// Download workers replace a node's texts while the host's thread lays out and paints its level:
// the level must never read a text that is being replaced (with the sanitizer such a read is a
// use of freed memory) and always shows one of the texts whole, in the end the last one.
TEST_F(TreeViewBed, AWorkerChangingTextsWhileTheLevelIsLaidOutIsReadWhole)
{
    host.ShowWindow(SW_SHOW);
    guiTreeNodePtr a = node("a");
    draw().SetRoot(node("root", {a}));
    pump();
    auto whole = [](const std::string& s) {
        return !s.empty() && s.size() == size_t(s[0] - 'a' + 1) && s.find_first_not_of(s[0]) == std::string::npos;
    };
    std::atomic<bool> running;
    std::thread worker = changeTexts(a, running);
    std::vector<std::string> torn;
    while (running) {
        host.Invalidate(FALSE);
        pump();
        const guiTreeViewItem& item = draw().Root().Item(1);
        for (const vbString* shown : {&item.text, &item.selText})
            if (!whole(shown->c_str()))
                torn.emplace_back(shown->c_str());
    }
    worker.join();
    pump();
    EXPECT_TRUE(torn.empty()) << torn.front();
    EXPECT_EQ(rows(), Rows{changingText(kTextChanges - 1)});
}
