#include "TreeViewTestBed.h"

#include "plat/headless.h"
#include "plat/msgbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace gui::test;

using Rows = std::vector<std::string>;

class TreeViewKeys : public TreeViewBed {
protected:
    void show(const guiTreeNodePtr& root, int expandedLevel)
    {
        draw().SetExpandedLevel(expandedLevel);
        draw().SetRoot(root);
        pump();
        host.ShowWindow(SW_SHOW);
        host.SetFocus();
        pump();
    }
    // The text of the selected item ("-" for none), with " help" for the help part.
    std::string selected()
    {
        guiTreeNodeRef node;
        bool help = false;
        if (!draw().GetSelected(&node, &help))
            return "-";
        return std::string(node->GetText().c_str()) + (help ? " help" : "");
    }
    // Selects the row shown with text (depth first through expanded levels).
    void selectRow(const char* text) { ASSERT_TRUE(selectIn(draw().Root(), text)) << text; }
    bool selectIn(guiTreeViewLevel& level, const char* text)
    {
        for (int i = 1; level.IsExpanded() && i <= level.ItemCount(); ++i) {
            if (level.Item(i).text == text)
                return draw().select(&level, i, 0, 0, 0) || true;
            if (guiTreeViewLevel* child = level.Item(i).ChildLevel(); child && selectIn(*child, text))
                return true;
        }
        return false;
    }
    static guiTreeNodePtr flat(std::initializer_list<const char*> texts)
    {
        guiTreeNodePtr root = node("root");
        for (const char* text : texts)
            root->AddChild(node(text), 0);
        return root;
    }
};

// --- type-ahead ---

TEST_F(TreeViewKeys, TypeAheadFindsFromTheCurrentItemOnAndPrefersEarlierPositions)
{
    struct Case {
        const char* current;
        const char* typed;
        const char* found;
        int start;
        int length;
    };
    // Walk order: xbc, bob, abc, bill, zzbc, "a b".
    const Case cases[] = {
        {"abc", "b", "bill", 1, 1},   // the first prefix match from the current item on
        {"zzbc", "b", "bob", 1, 1},   // wraps to the items before it
        {"bob", "b", "bob", 1, 1},    // the current item is included
        {"bill", "bc", "xbc", 2, 2},  // "bc" at 3 after the current item loses to 2 before it
        {"xbc", "bc", "abc", 2, 2},   // equal positions: the item from the current one on wins
        {"a b", "ab", "a b", 1, 3},   // the blank of the text is taken into the match
        {"xbc", "bq", "bob", 1, 1},   // "bq" nowhere: "q" alone neither, "b" stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current) + " + " + c.typed);
        show(flat({"xbc", "bob", "abc", "bill", "zzbc", "a b"}), 1);
        selectRow(c.current);
        type(c.typed);
        EXPECT_EQ(selected(), c.found);
        EXPECT_EQ(draw().MatchStart(), c.start);
        EXPECT_EQ(draw().MatchLength(), c.length);
        keys({VK_ESCAPE});
        EXPECT_EQ(draw().MatchStart(), 0) << "Escape clears the search";
    }
}

TEST_F(TreeViewKeys, BackspaceAndControlArrowsWorkOnTheTypedText)
{
    show(flat({"xbc", "bob", "abc", "bill"}), 1);
    selectRow("xbc");
    type("b");
    ASSERT_EQ(selected(), "bob");
    const unsigned beeps = plat::messageBeepCount();
    plat::headless::key(VK_CONTROL, true);
    keys({VK_DOWN});
    EXPECT_EQ(selected(), "bill") << "the next item starting with b";
    keys({VK_DOWN});
    EXPECT_EQ(selected(), "bob") << "around the end";
    keys({VK_UP});
    EXPECT_EQ(selected(), "bill");
    plat::headless::key(VK_CONTROL, false);
    EXPECT_EQ(plat::messageBeepCount(), beeps);

    keys({VK_BACK});
    EXPECT_EQ(draw().MatchStart(), 0) << "no text left: the search is cleared";
    keys({VK_BACK});
    EXPECT_EQ(plat::messageBeepCount(), beeps + 1) << "nothing left to remove";
    plat::headless::key(VK_CONTROL, true);
    keys({VK_DOWN});
    plat::headless::key(VK_CONTROL, false);
    EXPECT_EQ(plat::messageBeepCount(), beeps + 2) << "no typed text to search again";
    EXPECT_EQ(selected(), "bill");
}

TEST_F(TreeViewKeys, ArrowsHomeAndEndWalkTheShownRows)
{
    // Rows: A, A1, A2, A21, (separator), B; C's children stay collapsed.
    guiTreeNodePtr sep = node("");
    sep->SetType(guiNodeType_Sep);
    show(node("root", {node("A", {node("A1"), node("A2", {node("A21")})}), sep, node("B"), node("C", {node("C1")})}), 2);
    draw().Root().Item(4).ChildLevel()->request(guiTreeViewLevel::kCollapse);
    pump();
    struct Step {
        UINT key;
        const char* selected;
        bool beep;
    };
    const Step steps[] = {
        {VK_DOWN, "A", false},   // nothing selected: the first
        {VK_DOWN, "A1", false},  // into the expanded children
        {VK_DOWN, "A2", false},
        {VK_DOWN, "A21", false},
        {VK_DOWN, "B", false},   // up and on, past the separator
        {VK_UP, "A21", false},   // the last row under the previous item
        {VK_UP, "A2", false},    // to the parent
        {VK_END, "C", false},    // the last shown row
        {VK_DOWN, "C", true},    // nothing after it
        {VK_RIGHT, "C", false},  // expands C
        {VK_RIGHT, "C1", false}, // into the now expanded level
        {VK_RIGHT, "C1", true},  // no children
        {VK_LEFT, "C", false},   // to the parent item
        {VK_LEFT, "C", false},   // collapses it
        {VK_HOME, "A", false},
        {VK_UP, "A", true},      // nothing before the first row
        {VK_LEFT, "A", false},   // collapses A
        {VK_LEFT, "A", true},    // a root item without open children: the host's onSelectLeft, false here
        {VK_RETURN, "A", false}, // activates: A opens again
        {VK_DOWN, "A1", false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.key);
        SCOPED_TRACE(step.selected);
        const unsigned beeps = plat::messageBeepCount();
        keys({step.key});
        EXPECT_EQ(selected(), step.selected);
        EXPECT_EQ(plat::messageBeepCount(), beeps + (step.beep ? 1 : 0));
    }
    EXPECT_EQ(host.eventsOf({"selectLeft"}), (Rows{"selectLeft -"}));
}

TEST_F(TreeViewKeys, PlusStarMinusAndSlashOpenAndCloseTheCurrentItem)
{
    struct Step {
        const char* typed;
        Rows rows;
        bool beep;
    };
    for (bool all : {true, false}) {
        SCOPED_TRACE(all);
        show(node("root", {node("A", {node("A1", {node("A11", {node("A111")})})}), node("B")}), 0);
        draw().SetUserCanExpandAll(all);
        selectRow("A");
        const Step steps[] = {
            {"*", all ? Rows{"A", "  A1", "    A11", "      A111", "B"} : Rows{"A", "  A1", "B"}, false},
            {"/", {"A", "B"}, false},
            {"+", {"A", "  A1", "B"}, false},
            {"+", {"A", "  A1", "B"}, true},
            {"-", {"A", "B"}, false},
            {"-", {"A", "B"}, true},
        };
        for (const Step& step : steps) {
            SCOPED_TRACE(step.typed);
            const unsigned beeps = plat::messageBeepCount();
            type(step.typed);
            EXPECT_EQ(rows(), step.rows);
            EXPECT_EQ(plat::messageBeepCount(), beeps + (step.beep ? 1 : 0));
        }
        selectRow("B");
        const unsigned beeps = plat::messageBeepCount();
        type("+");
        EXPECT_EQ(plat::messageBeepCount(), beeps + 1) << "B has no children";
    }
}

TEST_F(TreeViewKeys, SelectionQuestionsAndToolTips)
{
    guiTreeNodePtr a = node("A", {node("A1")});
    a->SetHint("the hint");
    show(node("root", {a}), 1);
    EXPECT_FALSE(draw().HasSelection());
    EXPECT_EQ(selected(), "-");
    EXPECT_TRUE(draw().SelectFirst());
    EXPECT_TRUE(draw().HasSelection());
    EXPECT_EQ(selected(), "A");
    host.ShowWindow(SW_HIDE);
    EXPECT_FALSE(draw().HasSelection()) << "a hidden host has none";
    host.ShowWindow(SW_SHOW);
    draw().ClearSelection();
    EXPECT_FALSE(draw().HasSelection());

    bool shown = false;
    INT_PTR object = 0;
    const guiTreeViewItem& row = draw().Root().Item(1);
    const CPoint onA(row.width / 2 + draw().Root().Indent(), row.top + row.height / 2 + 1);
    EXPECT_EQ(std::string(draw().tcNeedToolTip(onA, &shown, &object).c_str()), "the hint");
    EXPECT_TRUE(shown);
    EXPECT_EQ(object, reinterpret_cast<INT_PTR>(static_cast<IguiTreeNode*>(a.Get())));
    EXPECT_EQ(std::string(draw().tcNeedToolTip(CPoint(290, 190), &shown, &object).c_str()), "");
    EXPECT_EQ(object, reinterpret_cast<INT_PTR>(static_cast<sIguiTreeDraw*>(&draw()))) << "below the rows: the engine";
}

TEST_F(TreeViewKeys, TypingDuringASearchRestartsItAndTheLayoutWaitsForItsEnd)
{
    show(flat({"bob", "abe", "bell", "item", "item", "item"}), 1);
    // As the first character arrives: a second one is on its way, and the tree is to be laid out.
    host.onStopCloseTimer = [&] {
        host.onStopCloseTimer = nullptr;
        host.PostMessage(WM_CHAR, 'e', 0);
        draw().UpdateTree(true);
    };
    const int updates = host.updates;
    type("b");
    EXPECT_EQ(selected(), "bell") << "one search, for the text typed meanwhile";
    EXPECT_EQ(draw().MatchStart(), 1);
    EXPECT_EQ(draw().MatchLength(), 2);
    EXPECT_GE(host.updates, updates + 1);
    EXPECT_EQ(rows(), (Rows{"bob", "abe", "bell", "item", "item", "item"})) << "laid out after the search";

    const unsigned beeps = plat::messageBeepCount();
    keys({VK_NEXT});
    EXPECT_EQ(plat::messageBeepCount(), beeps + 1) << "the host's page down answered false";
    EXPECT_EQ(draw().MatchStart(), 0) << "page down clears the search";
}

// --- the engine destroyed during a search ---

// Destroys the engine of the host it watches when it gets kDestroy; counts what it gets.
class Destroyer : public CWnd {
public:
    static constexpr UINT kDestroy = WM_USER + 70;
    static constexpr UINT kLater = WM_USER + 71;
    explicit Destroyer(Host& host) : m_host(host) {}
    int destroyed = 0;
    int later = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == kDestroy && m_host.draw) {
            m_host.draw->Destroy();
            m_host.draw = nullptr;
            ++destroyed;
            return 0;
        }
        if (msg == kLater) {
            ++later;
            return 0;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }

private:
    Host& m_host;
};

TEST_F(TreeViewKeys, AnEngineDestroyedDuringTheSearchIsDeletedOnceWhenTheKeyReturns)
{
    guiTreeNodePtr root = node("root");
    for (int i = 0; i < 3000; ++i)
        root->AddChild(node(("item " + std::to_string(i)).c_str()), 0);
    guiTreeNodePtr last = node("zebra");
    root->AddChild(last, 0);
    auto refs = [](IguiTreeNode* n) {
        n->AddRef();
        return n->Release();
    };
    const ULONG before = refs(last.Get());
    show(root, 1);
    ASSERT_GT(refs(last.Get()), before) << "the engine's item holds the node";

    Destroyer destroyer(host);
    ASSERT_TRUE(destroyer.CreateEx(0, nullptr, "destroyer", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    // Posted as the character arrives: the search's first pump destroys the engine.
    host.onStopCloseTimer = [&] {
        destroyer.PostMessage(Destroyer::kDestroy, 0, 0);
        destroyer.PostMessage(Destroyer::kLater, 0, 0);
        host.onStopCloseTimer = nullptr;
    };
    type("z");
    EXPECT_EQ(destroyer.destroyed, 1);
    EXPECT_EQ(host.draw, nullptr);
    EXPECT_EQ(destroyer.later, 1) << "the message loop goes on";
    EXPECT_EQ(refs(last.Get()), before) << "the engine and its items are gone";
    destroyer.DestroyWindow();
}

// --- node commands ---

TEST_F(TreeViewKeys, ASelectCommandOpensTheLevelsDownToTheNodeAndSelectsIt)
{
    guiTreeNodePtr a11 = node("A11");
    guiTreeNodePtr a1 = node("A1", {a11, node("A12")});
    guiTreeNodePtr a = node("A", {a1});
    show(node("root", {a, node("B")}), 0);
    IguiTreeNode* const path[] = {a11.Get(), a1.Get(), a.Get()};
    EXPECT_TRUE(draw().PostCmdNodes(guiTreeCmd_Select, path, 3));
    pump();
    EXPECT_EQ(rows(), (Rows{"A", "  A1", "    A11", "    A12", "B"}));
    EXPECT_EQ(selected(), "A11");
    EXPECT_EQ(host.eventsOf({"select"}), (Rows{"select A11"}));

    // Unselect goes to the level showing the node: only the selected node clears it.
    guiTreeViewLevel& underA1 = *draw().Root().Item(1).ChildLevel()->Item(1).ChildLevel();
    IguiTreeNode* const other[] = {underA1.Item(2).Node()};
    underA1.PostCmdNodes(guiTreeCmd_Unselect, other, 1);
    pump();
    EXPECT_EQ(selected(), "A11");
    IguiTreeNode* const target[] = {a11.Get()};
    underA1.PostCmdNodes(guiTreeCmd_Unselect, target, 1);
    pump();
    EXPECT_EQ(selected(), "-");

    // An empty path: the item showing the level.
    underA1.PostCmdNodes(guiTreeCmd_Select, nullptr, 0);
    pump();
    EXPECT_EQ(selected(), "A1");
    // Both commands of one batch are carried out, in order.
    underA1.PostCmdNodes(guiTreeCmd_Select, target, 1);
    underA1.PostCmdNodes(guiTreeCmd_Collapse, nullptr, 0);
    pump();
    EXPECT_EQ(rows(), (Rows{"A", "  A1", "B"}));
    EXPECT_EQ(selected(), "A11") << "the selection stays on the hidden row";
}

TEST_F(TreeViewKeys, AnExpandCommandOpensEveryLevelDownToTheNodeAndItsOwnChildren)
{
    guiTreeNodePtr a11 = node("A11", {node("A111")});
    guiTreeNodePtr a1 = node("A1", {a11});
    guiTreeNodePtr a = node("A", {a1});
    show(node("root", {a, node("B", {node("B1")})}), 0);
    ASSERT_EQ(rows(), (Rows{"A", "B"}));

    IguiTreeNode* const path[] = {a11.Get(), a1.Get(), a.Get()};
    EXPECT_TRUE(draw().PostCmdNodes(guiTreeCmd_Expand, path, 3));
    pump();
    EXPECT_EQ(rows(), (Rows{"A", "  A1", "    A11", "      A111", "B"}));

    // A collapse command reaches the level showing the node's children, with no path.
    EXPECT_TRUE(draw().Root().Item(1).ChildLevel()->PostCmdNodes(guiTreeCmd_Collapse, nullptr, 0));
    pump();
    EXPECT_EQ(rows(), (Rows{"A", "B"}));
}

TEST_F(TreeViewKeys, CommandsForNodesNotShownAreDropped)
{
    guiTreeNodePtr stranger = node("X");
    show(node("root", {node("A", {node("A1")})}), 0);
    IguiTreeNode* const path[] = {stranger.Get()};
    EXPECT_TRUE(draw().PostCmdNodes(guiTreeCmd_Expand, path, 1));
    EXPECT_TRUE(draw().PostCmdNodes(guiTreeCmd_Expand, nullptr, 0)) << "the root level: nothing to open";
    pump();
    pump();
    EXPECT_EQ(rows(), (Rows{"A"}));
}

} // namespace
