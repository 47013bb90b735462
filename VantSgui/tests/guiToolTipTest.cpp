#include "guiToolTip.h"

#include "guiBox.h"

#include "GuiTestBed.h"

#include "plat/focus.h"
#include "plat/headless.h"
#include "plat/mouse.h"
#include "plat/window.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using gui::test::GuiTestBed;
using gui::test::MessageCounter;

// A box whose tip text the test chooses, counting how often it is asked.
class TipBox : public guiBox {
public:
    vbString tcNeedToolTip(const CPoint&, bool* askAgain, int* id) override
    {
        ++asked;
        *askAgain = repeat;
        *id = tipId;
        return text;
    }
    bool tcHasToolTip() override { return hasTip; }

    vbString text = "hello";
    bool repeat = false;
    int tipId = 7;
    bool hasTip = true;
    int asked = 0;
};

class GuiToolTipTest : public GuiTestBed {
protected:
    void SetUp() override
    {
        GuiTestBed::SetUp();
        tip = std::make_unique<guiToolTip>();
        tip->Create(&window->container, CRect(0, 0, 10, 10), false, true);
        window->container.SetToolTip(tip.get());
        pump();
    }
    void TearDown() override
    {
        tip.reset();
        boxes.clear();
        GuiTestBed::TearDown();
    }

    TipBox& addBox(const RECT& r)
    {
        boxes.push_back(std::make_unique<TipBox>());
        boxes.back()->Create(&window->container, r, true, true);
        pump();
        return *boxes.back();
    }

    // The mouse to a screen point, then the delay of the tip on the library's 150 ms timer.
    void hoverAt(int x, int y)
    {
        plat::headless::mouseMove(x, y);
        pump();
        waitDelay();
    }
    void waitDelay()
    {
        for (int i = 0; i < 3; ++i)
            advance(150);
    }
    CRect tipRect() const
    {
        CRect r;
        tip->GetWindowRect(&r);
        return r;
    }

    std::unique_ptr<guiToolTip> tip;
    std::vector<std::unique_ptr<TipBox>> boxes;
};

// The arrow's hot spot is its top: the tip goes half the 32 px cursor lower, and one more.
constexpr int kBelowCursor = 16 + 1;

TEST_F(GuiToolTipTest, AppearsBelowTheCursorAfterTheDelayWithoutActivation)
{
    addBox(CRect(10, 10, 110, 60));
    HWND active = GetActiveWindow();
    plat::headless::mouseMove(kLeft + 20, kTop + 20);
    pump();
    advance(150);
    advance(150);
    EXPECT_FALSE(tip->IsWindowVisible()) << "the first tick only records";
    advance(150);
    ASSERT_TRUE(tip->IsWindowVisible());
    EXPECT_EQ(tip->tcGetText(), "hello");
    const CRect r = tipRect();
    EXPECT_EQ(r.left, kLeft + 20);
    EXPECT_EQ(r.top, kTop + 20 + kBelowCursor);
    EXPECT_GT(r.Width(), 5 * 7);
    EXPECT_EQ(GetActiveWindow(), active);
    EXPECT_EQ(tip->GetStyle() & ~WS_VISIBLE, static_cast<DWORD>(WS_POPUP));
}

TEST_F(GuiToolTipTest, StaysOnTheScreenAtItsEdges)
{
    window->SetWindowPos(nullptr, 600, 450, 424, 318, SWP_NOZORDER);
    pump();
    // Asked on every move, so that the second place shows the new text.
    addBox(CRect(0, 0, 424, 318)).repeat = true;
    // Near the bottom: above the cursor.
    hoverAt(700, 760);
    ASSERT_TRUE(tip->IsWindowVisible());
    CRect r = tipRect();
    EXPECT_EQ(r.bottom, 760 - 1);
    EXPECT_EQ(r.left, 700);
    tip->HideTip();
    // Near the right edge: ending at the screen's edge.
    boxes.back()->text = "right";
    hoverAt(1020, 500);
    ASSERT_TRUE(tip->IsWindowVisible());
    r = tipRect();
    EXPECT_EQ(r.right, 1024);
    EXPECT_EQ(r.top, 500 + kBelowCursor);
}

TEST_F(GuiToolTipTest, LongTextWrapsToTheMaximumWidth)
{
    TipBox& box = addBox(CRect(10, 10, 110, 60));
    box.text = "a tip text that needs far more than two hundred pixels on one line";
    hoverAt(kLeft + 20, kTop + 20);
    ASSERT_TRUE(tip->IsWindowVisible());
    const CRect r = tipRect();
    EXPECT_LE(r.Width(), 200);
    EXPECT_GT(r.Width(), 150);
    EXPECT_GE(r.Height(), 3 * 13);
}

TEST_F(GuiToolTipTest, SetCtrlRefusesControlsWithoutTipsAndKeepsTheCurrentOne)
{
    TipBox& box = addBox(CRect(10, 10, 110, 60));
    TipBox& silent = addBox(CRect(150, 10, 250, 60));
    silent.hasTip = false;
    EXPECT_TRUE(tip->SetCtrl(&box, CPoint(5, 5)));
    EXPECT_FALSE(tip->SetCtrl(&silent, CPoint(5, 5)));
    waitDelay();
    EXPECT_TRUE(tip->IsWindowVisible());
    EXPECT_EQ(tip->tcGetText(), "hello");
    EXPECT_EQ(silent.asked, 0);
    EXPECT_TRUE(tip->SetCtrl(nullptr, CPoint(0, 0)));
}

TEST_F(GuiToolTipTest, SameTextAndIdDoNotUpdateAgain)
{
    TipBox& box = addBox(CRect(10, 10, 110, 60));
    box.repeat = true;
    hoverAt(kLeft + 20, kTop + 20);
    ASSERT_TRUE(tip->IsWindowVisible());
    MessageCounter counter(tip->GetSafeHwnd());
    const int asked = box.asked;
    tip->SetCtrl(&box, CPoint(10, 10));
    tip->SetCtrl(&box, CPoint(11, 10));
    pump();
    EXPECT_EQ(box.asked, asked + 2) << "asked again on every SetCtrl";
    EXPECT_EQ(counter.count(WM_SHOWWINDOW), 0);

    box.tipId = 8;
    tip->SetCtrl(&box, CPoint(12, 10));
    pump();
    EXPECT_GT(counter.count(WM_SHOWWINDOW), 0);
    EXPECT_TRUE(tip->IsWindowVisible());

    // Without the repeat the same control is not asked again.
    box.repeat = false;
    tip->SetCtrl(&box, CPoint(13, 10));
    const int once = box.asked;
    tip->SetCtrl(&box, CPoint(14, 10));
    EXPECT_EQ(box.asked, once);
}

TEST_F(GuiToolTipTest, ButtonUpHidesTheTip)
{
    addBox(CRect(10, 10, 110, 60));
    hoverAt(kLeft + 20, kTop + 20);
    ASSERT_TRUE(tip->IsWindowVisible());
    plat::headless::mouseButton(0, true);
    pump();
    plat::headless::mouseButton(0, false);
    pump();
    EXPECT_FALSE(tip->IsWindowVisible());
}

// A tip stays where it was shown: once the controls under it move with their window, it goes.
TEST_F(GuiToolTipTest, ResizingTheWindowHidesTheTip)
{
    addBox(CRect(10, 10, 110, 60));
    hoverAt(kLeft + 20, kTop + 20);
    ASSERT_TRUE(tip->IsWindowVisible());
    window->SetWindowPos(nullptr, 0, 0, 420, 320, SWP_NOMOVE | SWP_NOZORDER);
    pump();
    EXPECT_FALSE(tip->IsWindowVisible());
}

TEST_F(GuiToolTipTest, DisablingForgetsAndEnablingRestartsTheDelay)
{
    addBox(CRect(10, 10, 110, 60));
    hoverAt(kLeft + 20, kTop + 20);
    ASSERT_TRUE(tip->IsWindowVisible());
    tip->tcSetEnabled(false);
    pump();
    EXPECT_FALSE(tip->IsWindowVisible());
    EXPECT_FALSE(tip->tcGetEnabled());
    EXPECT_EQ(tip->tcGetText(), "");
    waitDelay();
    EXPECT_FALSE(tip->IsWindowVisible());

    tip->tcSetEnabled(true);
    advance(150);
    advance(150);
    EXPECT_FALSE(tip->IsWindowVisible());
    advance(150);
    EXPECT_TRUE(tip->IsWindowVisible());
    EXPECT_EQ(tip->tcGetText(), "hello");
}

TEST_F(GuiToolTipTest, DestroyedTipLeavesItsContainer)
{
    tip.reset();
    EXPECT_EQ(window->container.GetToolTip(), nullptr);
}

} // namespace
