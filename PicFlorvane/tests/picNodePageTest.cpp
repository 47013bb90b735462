#include "PicTestKit.h"

#include "GuiTestBed.h"
#include "TreeTestKit.h"

#include "guiButton.h"
#include "guiMsEdit.h"

#include "plat/headless.h"
#include "plat/mouse.h"

using namespace pic::test;
using gui::test::GuiTestBed;

namespace {

class PicNodePage : public GuiTestBed {
protected:
    void TearDown() override
    {
        window->container.ClearCtrls();
        node.Release();
        GuiTestBed::TearDown();
    }

    // The control of the page whose window lies at a client point of the test window.
    guiButton* buttonAt(int x, int y)
    {
        CWnd* hit = CWnd::FromHandlePermanent(WindowFromPoint(POINT{kLeft + x, kTop + y}));
        return dynamic_cast<guiButton*>(hit);
    }
    static std::string textOf(CWnd* control)
    {
        char text[64] = {};
        control->GetWindowText(text, sizeof text);
        return text;
    }
    static CRect placeOf(CWnd* control)
    {
        CRect r;
        control->GetWindowRect(&r);
        return r;
    }

    RecordingMainWnd wnd;
    TestNodePtr node = makeNode();
};

} // namespace

TEST_F(PicNodePage, TheActionsButtonTopsThePageAndOpensTheMenu)
{
    CRect area(10, 5, 310, 200);
    node->BuildPropertyPage(&wnd, &window->container, area, false);
    pump();
    EXPECT_EQ(area, CRect(10, 45, 310, 200));
    EXPECT_EQ(node->GetPageOwner(), &wnd);
    guiButton* actions = buttonAt(20, 10);
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(placeOf(actions), CRect(kLeft + 10, kTop + 5, kLeft + 310, kTop + 25));
    EXPECT_EQ(std::string(actions->tcGetText()), "Actions");
    // A gradient from white on the left to the light blue on the right, the caption in blue.
    EXPECT_GE(pixel(*actions, 3, 10) & 0xF0F0F0, 0xF0F0F0u);
    EXPECT_EQ(pixel(*actions, 296, 10), 0xFACE87u);
    int caption = 0;
    for (int x = 0; x < 300; ++x)
        caption += pixel(*actions, x, 9) == 0xFF0000 ? 1 : 0;
    EXPECT_GT(caption, 0);

    // Later calls move what the first one made.
    CRect moved(0, 50, 200, 300);
    node->BuildPropertyPage(&wnd, &window->container, moved, true);
    pump();
    EXPECT_EQ(moved.top, 90);
    EXPECT_EQ(placeOf(actions), CRect(kLeft, kTop + 50, kLeft + 200, kTop + 70));
    EXPECT_EQ(window->container.GetLength(), 2);

    moveTo(100, 60);
    plat::headless::mouseButton(0, true);
    plat::headless::mouseButton(0, false);
    pump();
    EXPECT_EQ(wnd.calls, (std::vector<std::string>{"menu " + std::string(node->GetName())}));
    EXPECT_EQ(wnd.menuRects.back(), placeOf(actions));

    node->DropPropertyPage();
    EXPECT_EQ(node->GetPageOwner(), nullptr);
}

TEST_F(PicNodePage, TheNameEditRenamesTheNode)
{
    node->SetText("Mars");
    CRect area(0, 0, 300, 200);
    node->BuildPropertyPage(&wnd, &window->container, area, false);
    pump();
    CWnd* edit = CWnd::FromHandlePermanent(WindowFromPoint(POINT{kLeft + 150, kTop + 30}));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(placeOf(edit), CRect(kLeft, kTop + 20, kLeft + 300, kTop + 40));
    EXPECT_EQ(textOf(edit), "Mars");
    auto* nameEdit = dynamic_cast<guiMsEdit*>(edit);
    ASSERT_NE(nameEdit, nullptr);
    EXPECT_EQ(std::string(nameEdit->tcGetToolTip()), "Test folder name");
    gui::test::SignalLog signals(static_cast<IguiTreeNode*>(node.Get()));

    // An empty or unchanged text is ignored.
    edit->SetWindowText("");
    edit->SetWindowText("Mars");
    pump();
    EXPECT_EQ(std::string(node->GetText()), "Mars");
    EXPECT_EQ(node->textChanges, 0);
    EXPECT_TRUE(signals.codes.empty());

    plat::headless::click(kLeft + 150, kTop + 30);
    plat::headless::keyPress(VK_END);
    plat::headless::typeText("!");
    pump();
    EXPECT_EQ(std::string(node->GetText()), "Mars!");
    EXPECT_EQ(node->textChanges, 1);
    EXPECT_EQ(wnd.invalidations, 1);
    EXPECT_EQ(signals.codes, (std::vector<int>{3, 3}));
}
