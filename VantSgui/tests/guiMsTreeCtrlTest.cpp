#include "MsControlBed.h"

#include "guiMsTreeCtrl.h"

#include <gtest/gtest.h>

namespace {

using gui::test::MsControlBed;

// A tree whose own message map takes the reflected click, as a derived class may: it sees what the
// callback leaves to the normal course.
class Tree : public guiMsTreeCtrl {
public:
    bool onClick(guiMsTreeCtrl&)
    {
        ++calls;
        return handle;
    }

    int calls = 0;
    bool handle = false;
    int reflectedClicks = 0;

protected:
    void OnClick(NMHDR*, LRESULT*) { ++reflectedClicks; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Tree, guiMsTreeCtrl)
ON_NOTIFY_REFLECT(NM_CLICK, OnClick)
END_MESSAGE_MAP()

TEST_F(MsControlBed, TreeClickGoesToTheCallbackThatMayEndIt)
{
    Tree tree;
    place(tree, {10, 10, 210, 160});
    tree.InsertItem("root");

    clickAt(100, 120);
    EXPECT_EQ(tree.reflectedClicks, 1) << "no callback: not handled";

    // Clicks apart in time, so that none makes a double click.
    tree.OnTreeClickCB() = guiMSTREECLICKCB(&tree, &Tree::onClick);
    advance(1000);
    clickAt(100, 120);
    EXPECT_EQ(tree.calls, 1);
    EXPECT_EQ(tree.reflectedClicks, 2) << "a false answer leaves it unhandled";

    tree.handle = true;
    advance(1000);
    clickAt(100, 120);
    EXPECT_EQ(tree.calls, 2);
    EXPECT_EQ(tree.reflectedClicks, 2) << "a true answer ends it";
    NMHDR click{tree.GetSafeHwnd(), 0, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(window->SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click)), 0);
    EXPECT_EQ(tree.calls, 3);

    // Other notifications never reach the callback.
    NMHDR other{tree.GetSafeHwnd(), 0, static_cast<UINT>(NM_DBLCLK)};
    window->SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(tree.calls, 3);
}

TEST_F(MsControlBed, TreeCreationStyleWaitsForTheNextCreation)
{
    guiMsTreeCtrl tree;
    place(tree, {10, 10, 210, 160});
    EXPECT_EQ(tree.GetStyle() & TVS_HASBUTTONS, 0u);
    tree.SetCreationStyle(TVS_HASBUTTONS);
    EXPECT_EQ(tree.GetStyle() & TVS_HASBUTTONS, 0u);
    tree.tcDestroy();
    place(tree, {10, 10, 210, 160});
    EXPECT_NE(tree.GetStyle() & TVS_HASBUTTONS, 0u);
}

} // namespace
