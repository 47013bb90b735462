#include "TreeViewTestBed.h"

#include "plat/msgbox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace gui::test;

using Rows = std::vector<std::string>;

class TreeViewInput : public TreeViewBed {
protected:
    void show(const guiTreeNodePtr& root, int expandedLevel)
    {
        draw().SetExpandedLevel(expandedLevel);
        draw().SetRoot(root);
        pump();
    }
};

// --- node commands ---

TEST_F(TreeViewInput, AnExpandCommandOpensEveryLevelDownToTheNodeAndItsOwnChildren)
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

TEST_F(TreeViewInput, CommandsForNodesNotShownAreDropped)
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
