// The picture box: its window, its fitted background picture and plain surface, its centred text
// in the fixed test font, its resize callback and its printing failure, through real messages
// and pixels read back.

#include "PicPictureKit.h"

#include "picGuiBox.h"

#include "GuiTestBed.h"
#include "LogFileReader.h"

#include "plat/headless.h"
#include "plat/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

using gui::test::GuiTestBed;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

struct Extent {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
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
            }
    return e;
}

struct LoadedOwner : cbIpicImageLoaded {
    void onImageLoaded(picGuiImagePtr*) override { ++calls; }
    int calls = 0;
};

class PicGuiBoxTest : public GuiTestBed {
protected:
    void SetUp() override
    {
        GuiTestBed::SetUp();
        pictest::registerJpegPlugin();
    }
    void TearDown() override
    {
        boxes.clear();
        GuiTestBed::TearDown();
    }

    // A white box with black text in the test font; frameless unless asked.
    picGuiBox& addBox(const RECT& r, bool framed = false, cbIpicImageLoaded* owner = nullptr)
    {
        boxes.push_back(std::make_unique<picGuiBox>(owner));
        picGuiBox& box = *boxes.back();
        if (!framed)
            box.tcSetBorderStyle(0);
        box.tcSetBackColor(kWhite);
        box.tcSetTextColor(kBlack);
        box.tcGetFont().SetAll("Test", -13, false, false, false, false);
        box.Create(&window->container, r, true, true);
        pump();
        return box;
    }

    // The box's picture object filled with a JPEG of one colour, as a finished download leaves it.
    static void givePicture(picGuiBox& box, int width, int height, uint32_t color, bool loaded)
    {
        box.GetPicture().SetUrlKey("/pictures/p.jpg", 0);
        box.GetPicture().CreateObject();
        picGuiImageObject* obj = box.GetPicture().Get();
        pictest::deliver(obj, vnt::test::jpegFile(width, height, color));
        obj->SetLoaded(loaded, true);
    }

    std::vector<std::unique_ptr<picGuiBox>> boxes;
};

TEST_F(PicGuiBoxTest, WindowStyleAndDefaults)
{
    boxes.push_back(std::make_unique<picGuiBox>());
    picGuiBox& hidden = *boxes.back();
    hidden.Create(&window->container, CRect(0, 0, 20, 20), false, true);
    picGuiBox& shown = addBox(CRect(30, 0, 50, 20));
    EXPECT_EQ(hidden.GetStyle(), 0x46000000u);
    EXPECT_EQ(shown.GetStyle(), 0x56000000u);
    EXPECT_EQ(hidden.tcGetBackSurface().GetColor(), 0x8000000Fu);
    EXPECT_EQ(hidden.tcGetTextColor(), vbColor(0x80000012));
    EXPECT_EQ(hidden.SendMessage(WM_ERASEBKGND, 0, 0), 1);
}

TEST_F(PicGuiBoxTest, PictureIsFittedAndCentredOnlyOnceLoaded)
{
    LoadedOwner owner;
    picGuiBox& box = addBox(CRect(0, 0, 200, 100), false, &owner);
    // Still loading: Render refuses and the plain surface shows.
    givePicture(box, 40, 40, 0xFF0000, false);
    pump();
    EXPECT_FALSE(box.GetPicture()->Render(nullptr, CDC::FromHandle(GetDC(box.GetSafeHwnd())), 0, 0, 10, 10, 0, 0, -1, -1));
    EXPECT_EQ(extentOf(box, kWhite).left, 0);
    EXPECT_EQ(pixel(box, 100, 50), kWhite);

    box.GetPicture()->SetLoaded(true, true);
    pump();
    EXPECT_GE(owner.calls, 1);
    // A square in 200 x 100: 100 x 100, 50 px of surface on either side.
    EXPECT_TRUE(pictest::near(pixel(box, 100, 50), kRed));
    EXPECT_TRUE(pictest::near(pixel(box, 51, 1), kRed));
    EXPECT_TRUE(pictest::near(pixel(box, 148, 98), kRed));
    EXPECT_EQ(pixel(box, 48, 50), kWhite);
    EXPECT_EQ(pixel(box, 151, 50), kWhite);
}

TEST_F(PicGuiBoxTest, TextIsCentredOrStartsAtTheInnerLeftEdgeClipped)
{
    // "AB" is 14 x 13 in the test font; its glyphs fill columns 1-5 and rows 2-9 of each cell.
    picGuiBox& centred = addBox(CRect(10, 10, 110, 43));
    centred.tcSetText("AB");
    // No room to wrap in (4 px less the margin): one line, wider and taller than the box.
    picGuiBox& small = addBox(CRect(10, 60, 14, 70));
    small.tcSetText("AB");
    pump();

    const Extent c = extentOf(centred, kBlack);
    EXPECT_EQ(c.left, 43 + 1);
    EXPECT_EQ(c.top, 10 + 2);

    const Extent w = extentOf(small, kBlack);
    EXPECT_EQ(w.left, 1);
    EXPECT_EQ(w.top, 2);
}

// A text too long for one line is drawn in the lines it was measured in, all of it inside the
// box: "AAAA BBBB CCCC" in 56 px of the test font's 7 px glyphs makes three lines of 13 px.
TEST_F(PicGuiBoxTest, ALongTextIsDrawnWrappedInsideTheBox)
{
    picGuiBox& box = addBox(CRect(0, 0, 60, 60));
    box.tcSetText("AAAA BBBB CCCC");
    pump();
    const Extent e = extentOf(box, kBlack);
    EXPECT_EQ(e.top, 10 + 2);
    EXPECT_EQ(e.bottom, 10 + 2 * 13 + 9);
    EXPECT_LT(e.right, 60);
}

// Nobody has to give the box a font before its text can be seen.
TEST_F(PicGuiBoxTest, TheDefaultFontDrawsTheText)
{
    boxes.push_back(std::make_unique<picGuiBox>());
    picGuiBox& box = *boxes.back();
    box.tcSetBorderStyle(0);
    box.tcSetBackColor(kWhite);
    box.tcSetTextColor(kBlack);
    box.Create(&window->container, CRect(0, 0, 100, 40), true, true);
    box.tcSetText("AB");
    pump();
    EXPECT_GE(extentOf(box, kBlack).right, 0);
}

struct ResizeTarget : vbBase {
    void onResize(const CRect& r) { inner = r; }
    CRect inner;
};

TEST_F(PicGuiBoxTest, ResizeCallbackGetsTheInnerRectangle)
{
    picGuiBox& box = addBox(CRect(10, 10, 60, 40), true);
    ResizeTarget target;
    box.tcGetResizeCB() = guiRESIZECB(&target, &ResizeTarget::onResize);
    box.SetWindowPos(nullptr, 0, 0, 120, 70, SWP_NOMOVE | SWP_NOZORDER);
    pump();
    EXPECT_EQ(target.inner, box.tcGetClientRect());
    EXPECT_EQ(target.inner.right - target.inner.left, 120 - 2 * target.inner.left);
}

TEST_F(PicGuiBoxTest, PrintingWithoutADeviceContextFails)
{
    picGuiBox& box = addBox(CRect(10, 10, 60, 40));
    EXPECT_EQ(box.SendMessage(WM_PRINTCLIENT, 0, PRF_CLIENT), 0);
    EXPECT_NE(readLogFile().find("picGuiBox::WM_PRINTCLIENT failure"), std::string::npos);
}

} // namespace
