#include "MenuTestKit.h"

#include "guiBase.h"

#include "vbIcon.h"

#include "plat/window.h"

namespace {

using gui::test::MenuTest;
using gui::test::MessageCounter;

constexpr COLORREF kBack = RGB(250, 250, 250);
constexpr COLORREF kSelBack = RGB(0, 0, 200);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kOverText = RGB(0, 160, 0);
constexpr COLORREF kCheckRect = RGB(200, 0, 0);
constexpr COLORREF kGray = RGB(120, 120, 120);
constexpr COLORREF kFrame = RGB(90, 0, 90);
constexpr COLORREF kFrameLight = RGB(0, 90, 90);

const std::string kStyle = "<style name=treemenu bkcolor=#FAFAFA selbkcolor=#0000C8 textcolor=#000000 "
                           "seltextcolor=#FFFFFF overtextcolor=#00A000 checkbtnrectcolor=#C80000/>";

class MenuPaint : public MenuTest {
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        hostWindow->drawing = true;
        g_guiClrTextGray.SetColor(kGray);
        g_guiClrFrame.SetColor(kFrame);
        g_guiClrFrameLight.SetColor(kFrameLight);
    }
    void TearDown() override
    {
        g_guiClrTextGray.Default();
        g_guiClrFrame.Default();
        g_guiClrFrameLight.Default();
        MenuTest::TearDown();
    }
    guiTreeNodePtr paint(const std::string& markup)
    {
        guiTreeNodePtr root = load(kStyle + markup);
        show(root.Get());
        hostWindow->Invalidate(FALSE);
        pump();
        return root;
    }
    COLORREF at(int x, int y) const { return pixel(*hostWindow, x, y); }
};

TEST_F(MenuPaint, SeparatorsDrawTwoLinesWithoutTheirEnds)
{
    // Rows: a 0-15, separator 15-25 (client 16-26, middle 21), b 25-40; width 27.
    paint("<item name=a text=abc/><sep/><item name=b text=a/>");
    EXPECT_EQ(at(2, 21), kFrame);
    EXPECT_EQ(at(23, 21), kFrame);
    EXPECT_EQ(at(24, 21), kBack);
    EXPECT_EQ(at(1, 21), kBack);
    EXPECT_EQ(at(3, 22), kFrameLight);
    EXPECT_EQ(at(23, 22), kFrameLight);
    EXPECT_EQ(at(2, 22), kBack);
    EXPECT_EQ(at(24, 22), kBack);
    // Outside the content the tree rectangle shows the back too.
    EXPECT_EQ(at(150, 150), kBack);
}

TEST_F(MenuPaint, TheSelectedRowHasARoundRightEnd)
{
    // Rows of 13 + 7 = 20 in a content 100 wide: rectangle to 89, ellipse 77..99 from y -1 to 21.
    host.widthMax = 100;
    guiTreeNodePtr root = load(
        kStyle + "<style name=treemenu spacingheight=7/><item name=a text=abc/><item name=b text=abc/>");
    root->MemorizeSelected(1);
    show(root.Get());
    pump();
    ASSERT_EQ(menu->GetSelection(), 1);
    struct Probe {
        int x, y;
        COLORREF color;
    };
    const Probe probes[] = {
        {60, 11, kSelBack}, {88, 2, kSelBack}, {89, 2, kSelBack}, {98, 11, kSelBack}, // inside
        {0, 11, kBack}, {95, 2, kBack}, {99, 11, kBack}, {60, 22, kBack},              // just outside
    };
    for (const Probe& p : probes)
        EXPECT_EQ(at(p.x, p.y), p.color) << p.x << "," << p.y;
}

TEST_F(MenuPaint, TextPlacesAndDisabledLooks)
{
    // Test font: each glyph a box in columns 1-5, rows 2-9 of its 7 x 13 cell.
    guiTreeNodePtr root = paint("<item name=a text=abc enabled=0/><check name=c text=abc checked=1/>"
                                "<radio name=r text=abc/><item name=s text=abc><item name=x/></item>");
    root->MemorizeSelected(1);
    menu->UpdateTree(false);
    pump();
    ASSERT_EQ(menu->GetSelection(), 1);
    // Row 1 (client y 1-16): no icons, so the text starts at x = 1; disabled, though selected.
    EXPECT_EQ(at(1, 6), kBack);
    EXPECT_EQ(at(2, 6), kGray);
    EXPECT_EQ(at(30, 6), kBack) << "never the selected back";
    // Row 2 (client 16-32): check box from (4, 17) to (18, 31); the text after the 20-px column.
    EXPECT_EQ(at(4, 24), kCheckRect);
    EXPECT_EQ(at(22, 23), kText);
    EXPECT_EQ(at(21, 23), kBack);
    // Row 3 (client 32-48): the radio circle's top at (11, 33).
    EXPECT_EQ(at(11, 33), kCheckRect);
    // Row 4 (client 48-63): the submenu triangle (right - 8, y) .. (right - 5, y + 3), right = 54.
    EXPECT_EQ(at(47, 55), kText);
    EXPECT_EQ(at(45, 55), kBack);

    // A disabled host window shows every row disabled.
    hostWindow->EnableWindow(FALSE);
    hostWindow->Invalidate(FALSE);
    pump();
    EXPECT_EQ(at(22, 23), kGray);
    hostWindow->EnableWindow(TRUE);
}

TEST_F(MenuPaint, TheHoveredHelpIconIsFramed)
{
    gui::test::loadHourglass();
    paint("<item name=a text=abc helpicon='" + std::string(vbIconHOURGLASS) + "'/>");
    menu->UpdateTree(false);
    pump();
    // Row 0-18 (client 1-19), width 46: help icon at x 25..41, y 2..18.
    plat::headless::mouseMove(kHostLeft + 30, kHostTop + 10);
    pump();
    ASSERT_EQ(menu->GetOver(), -1);
    EXPECT_EQ(at(24, 10), kOverText);
    EXPECT_EQ(at(41, 10), kOverText);
}

TEST_F(MenuPaint, AnimatedIconsRunTheTimerWhileVisible)
{
    gui::test::loadHourglass();
    std::string markup = "<item name=a text=abc icon='" + std::string(vbIconHOURGLASS) + "'/>";
    for (int i = 0; i < 30; ++i)
        markup += "<item name=p" + std::to_string(i) + " text=abc/>";
    hostWindow->treeRect = CRect(0, 0, 200, 100);
    host.treeRectGiven = RECT{0, 0, 200, 100};
    paint(markup);
    menu->UpdateTree(false);
    pump();
    MessageCounter counter(hostWindow->GetSafeHwnd());
    // The shared timer's first tick after a start only takes the time.
    for (int i = 0; i < 3; ++i)
        advance(160);
    ASSERT_GE(counter.count(guiTreeMsgTimer), 1);
    // The tick invalidates the icon only: (1, top + 1) with 16 x 16.
    EXPECT_EQ(hostWindow->lastPaint, CRect(1, 2, 17, 18));

    // Scrolled out of view, the next tick stops the timer.
    ASSERT_TRUE(menu->SetOffset(CPoint(0, 100), true));
    pump();
    advance(160);
    advance(160);
    const int ticks = counter.count(guiTreeMsgTimer);
    for (int i = 0; i < 4; ++i)
        advance(160);
    EXPECT_EQ(counter.count(guiTreeMsgTimer), ticks);
}

TEST_F(MenuPaint, PaintingAsksForThePopupOfAWhollyVisibleSelectedSubmenu)
{
    std::string markup;
    for (int i = 0; i < 10; ++i)
        markup += "<item name=s" + std::to_string(i) + " text=abc><item name=x/></item>";
    hostWindow->treeRect = CRect(0, 0, 200, 62);
    host.treeRectGiven = RECT{0, 0, 200, 62};
    guiTreeNodePtr root = load(kStyle + markup);
    root->MemorizeSelected(2);
    show(root.Get());
    pump();
    EXPECT_FALSE(host.calls("createPopupCtrl").empty());

    // Half scrolled out: no popup is asked for.
    host.log.clear();
    menu->SetOffset(CPoint(0, 20), true);
    pump();
    EXPECT_TRUE(host.calls("createPopupCtrl").empty());
}

} // namespace
