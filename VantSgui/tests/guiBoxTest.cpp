#include "guiBox.h"

#include "DrawingBed.h"
#include "GuiTestBed.h"

#include "plat/headless.h"
#include "plat/resource.h"
#include "plat/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using gui::test::DrawingBed;
using gui::test::GuiTestBed;
using gui::test::MessageCounter;
using gui::test::TestControl;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

// The box of pixels of one colour in a window's client area.
struct Extent {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    int count = 0;
};

Extent extentOf(const CWnd& wnd, COLORREF color)
{
    CRect client;
    wnd.GetClientRect(&client);
    Extent e;
    for (int y = 0; y < client.Height(); ++y)
        for (int x = 0; x < client.Width(); ++x)
            if (plat::headless::windowPixel(wnd.GetSafeHwnd(), x, y) == color) {
                e.left = std::min(e.left, x);
                e.top = std::min(e.top, y);
                e.right = std::max(e.right, x);
                e.bottom = std::max(e.bottom, y);
                ++e.count;
            }
    return e;
}

class GuiBoxTest : public GuiTestBed {
protected:
    void TearDown() override
    {
        boxes.clear();
        GuiTestBed::TearDown();
    }

    // A frameless white box with black text in the test font.
    guiBox& addBox(const RECT& r, bool enabled = true)
    {
        boxes.push_back(std::make_unique<guiBox>());
        guiBox& box = *boxes.back();
        box.tcSetBorderStyle(0);
        box.tcSetBackColor(kWhite);
        box.tcSetTextColor(kBlack);
        box.tcGetFont().SetAll("Test", -13, false, false, false, false);
        box.Create(&window->container, r, true, enabled);
        pump();
        return box;
    }

    std::vector<std::unique_ptr<guiBox>> boxes;
};

TEST_F(GuiBoxTest, TextChangeRepaintsOnlyWhenItChangesAndNoPictureIsSet)
{
    guiBox& box = addBox(CRect(10, 10, 110, 40));
    MessageCounter counter(box.GetSafeHwnd());
    box.tcSetText("one");
    pump();
    box.tcSetText("one");
    pump();
    EXPECT_EQ(counter.count(WM_PAINT), 1);
    EXPECT_EQ(box.tcGetCaption(), "one");

    box.tcSetPicture(LoadPictureFromRes("corners", "PICTURE", true));
    pump();
    box.tcSetText("two");
    pump();
    EXPECT_EQ(counter.count(WM_PAINT), 2) << "only the picture's repaint";
}

TEST_F(GuiBoxTest, WindowStyleKeepsOnlyVisibility)
{
    guiBox& box = addBox(CRect(10, 10, 60, 40), false);
    EXPECT_TRUE(box.IsWindowEnabled());
    EXPECT_EQ(box.GetStyle(), 0x56000000u);
}

TEST_F(GuiBoxTest, TextIsCentredAndClampedToTheInnerTopLeft)
{
    // "AB": 14 x 13 in a 100 x 33 box: 43 px free left, 10 above; glyphs fill rows 2-9 and
    // columns 1-5 of each 7 x 13 cell.
    guiBox& centred = addBox(CRect(10, 10, 110, 43));
    centred.tcSetText("AB");
    // No room left to wrap in (4 px less the margin): one line, larger than the box both ways.
    guiBox& small = addBox(CRect(10, 60, 14, 70));
    small.tcSetText("AB");
    pump();

    const Extent c = extentOf(centred, kBlack);
    EXPECT_EQ(c.left, 43 + 1);
    EXPECT_EQ(c.top, 10 + 2);
    EXPECT_EQ(c.right, 43 + 7 + 5);
    const Extent w = extentOf(small, kBlack);
    EXPECT_EQ(w.left, 1);
    EXPECT_EQ(w.top, 2);
}

TEST_F(GuiBoxTest, VerticalTextRisesInAColumn)
{
    guiBox& box = addBox(CRect(10, 10, 50, 110));
    box.tcSetText("ABCD");
    box.SetTextVert(true);
    pump();
    const Extent e = extentOf(box, kBlack);
    ASSERT_GT(e.count, 0);
    // 28 px of text along a 100 px column, 8 px of glyph across it.
    EXPECT_EQ(e.bottom - e.top + 1, 28 - 2);
    EXPECT_EQ(e.right - e.left + 1, 8);
    EXPECT_NEAR((e.top + e.bottom) / 2, 50, 3);
    EXPECT_TRUE(box.GetTextVert());
}

TEST_F(GuiBoxTest, ShadowColourAddsShadowPixels)
{
    guiBox& box = addBox(CRect(10, 10, 110, 40));
    box.tcSetText("AB");
    pump();
    EXPECT_EQ(extentOf(box, kRed).count, 0);
    box.SetTextShadowColor(vbColor(kRed));
    pump();
    const Extent shadow = extentOf(box, kRed);
    const Extent text = extentOf(box, kBlack);
    EXPECT_GT(shadow.count, 0);
    EXPECT_EQ(shadow.right, text.right + 1);
    EXPECT_EQ(shadow.bottom, text.bottom + 1);
}

TEST_F(GuiBoxTest, PictureFillsTheInnerRectangle)
{
    guiBox& box = addBox(CRect(10, 10, 50, 30));
    box.tcSetPicture(LoadPictureFromRes("corners", "PICTURE", true));
    pump();
    EXPECT_TRUE(box.tcGetPicture().IsValid());
    EXPECT_EQ(pixel(box, 1, 1), RGB(255, 0, 0));
    EXPECT_EQ(pixel(box, 38, 1), RGB(0, 255, 0));
    EXPECT_EQ(pixel(box, 1, 18), RGB(0, 0, 255));
    EXPECT_EQ(pixel(box, 38, 18), kWhite);
}

struct ResizeTarget : vbBase {
    void onResize(const CRect& r) { inner = r; }
    CRect inner;
};

TEST_F(GuiBoxTest, ResizeCallbackGetsTheInnerRectangle)
{
    guiBox& box = addBox(CRect(10, 10, 60, 40));
    box.tcSetBorderStyle(1);
    ResizeTarget target;
    box.tcGetResizeCB() = guiRESIZECB(&target, &ResizeTarget::onResize);
    box.SetWindowPos(nullptr, 0, 0, 120, 70, SWP_NOMOVE | SWP_NOZORDER);
    pump();
    EXPECT_EQ(target.inner, box.tcGetClientRect());
    EXPECT_LT(target.inner.Width(), 120);
    EXPECT_GT(target.inner.Width(), 100);
}

TEST_F(GuiBoxTest, AssociatedContainerIsPrintedAndClearedWithTheBox)
{
    guiBox& box = addBox(CRect(10, 10, 110, 110));
    guiContainer hosted(&box, nullptr, nullptr);
    box.SetAssociatedContainer(&hosted);
    TestControl child;
    child.Create(&hosted, CRect(5, 5, 25, 25), true, true);
    pump();
    EXPECT_EQ(GetParent(child.GetSafeHwnd()), box.GetSafeHwnd());

    DrawingBed bed(100, 100);
    const int before = child.prints;
    guiDrawInfo info(1);
    box.tcPrint(&info, CDC::FromHandle(bed.dc), false);
    EXPECT_EQ(child.prints, before + 1);

    box.DestroyWindow();
    pump();
    EXPECT_EQ(hosted.GetLength(), 0);
    EXPECT_EQ(child.GetSafeHwnd(), nullptr);
}

} // namespace
