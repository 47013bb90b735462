#include "guiButton.h"

#include "DrawingBed.h"
#include "GuiTestBed.h"
#include "vbIconTestUtil.h"

#include "vbException.h"

#include "plat/mouse.h"
#include "plat/msgbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

using namespace gui::test;

constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Where the button's client area is inside the test window.
constexpr RECT kPlace{20, 20, 120, 60};

struct Clicks : vbBase {
    bool onClick(guiButton&)
    {
        ++count;
        if (fail)
            throw new vbEsys(E_FAIL, "click failure");
        return true;
    }
    int count = 0;
    bool fail = false;
};

// The first and last pixel of one colour along a row or a column of a window.
struct Span {
    void add(int at)
    {
        if (first < 0)
            first = at;
        last = at;
    }
    int first = -1;
    int last = -1;
};

class ButtonBed : public GuiTestBed {
protected:
    guiButton& addButton(const vbString& text, const RECT& r = kPlace, bool visible = true)
    {
        buttons.push_back(std::make_unique<guiButton>());
        guiButton& button = *buttons.back();
        button.tcSetBackColor(vbColor(kWhite));
        button.tcSetText(text);
        button.OnButtonCB() = guiBUTTONCB(&clicks, &Clicks::onClick);
        button.Create(&window->container, r, visible, true);
        pump();
        return button;
    }
    void TearDown() override
    {
        buttons.clear();
        GuiTestBed::TearDown();
    }

    // A 16 x 16 icon read from a file, as the download centre would leave it.
    static void loadIcon(vbIcon& icon, const vbicontest::Bytes& bytes, const char* name)
    {
        ASSERT_TRUE(vbicontest::loadFile(icon, bytes, name));
        pump();
    }

    // Along the row at `at` when across, else along the column there.
    static Span span(const guiButton& b, bool across, int at, COLORREF color)
    {
        CRect r;
        b.GetClientRect(&r);
        Span s;
        for (int k = 0; k < (across ? r.Width() : r.Height()); ++k)
            if (pixel(b, across ? k : at, across ? at : k) == color)
                s.add(k);
        return s;
    }
    static Span row(const guiButton& b, int y, COLORREF color) { return span(b, true, y, color); }
    static Span column(const guiButton& b, int x, COLORREF color) { return span(b, false, x, color); }
    static int count(const guiButton& b, COLORREF color)
    {
        CRect r;
        b.GetClientRect(&r);
        int n = 0;
        for (int y = 0; y < r.Height(); ++y)
            for (int x = 0; x < r.Width(); ++x)
                n += pixel(b, x, y) == color;
        return n;
    }

    static void mouseAt(int x, int y) { moveTo(x, y); }
    static void press(bool down)
    {
        plat::headless::mouseButton(0, down);
        pump();
    }

    Clicks clicks;
    std::vector<std::unique_ptr<guiButton>> buttons;
};

TEST_F(ButtonBed, WindowStyleFollowsTheVisibilityAsked)
{
    EXPECT_EQ(addButton("a").GetStyle(), 0x56000000u);
    EXPECT_EQ(addButton("b", {130, 20, 200, 50}, false).GetStyle(), 0x46000000u);
}

TEST_F(ButtonBed, OnlyAPressAndReleaseThatStayOnTheButtonClicks)
{
    struct Case {
        const char* name;
        bool leaveBeforeRelease;
        bool comeBackBeforeRelease;
        int clicks;
    } cases[] = {
        {"inside", false, false, 1},
        {"released outside", true, false, 0},
        {"left and came back", true, true, 0},
    };
    guiButton& button = addButton("Go");
    for (const Case& c : cases) {
        clicks.count = 0;
        mouseAt(50, 40);
        press(true);
        EXPECT_TRUE(button.IsClicked()) << c.name;
        if (c.leaveBeforeRelease)
            mouseAt(250, 200);
        if (c.comeBackBeforeRelease)
            mouseAt(50, 40);
        press(false);
        EXPECT_EQ(clicks.count, c.clicks) << c.name;
        EXPECT_FALSE(button.IsClicked()) << c.name;
        mouseAt(250, 200);
        // Past the double-click time: the next press is a press of its own.
        advance(1000);
    }
    EXPECT_EQ(GetCapture(), nullptr) << "the mouse is never captured";
}

TEST_F(ButtonBed, AClickCallbacksExceptionIsShownAndTheMessageAnswers0)
{
    guiButton& button = addButton("Go");
    clicks.fail = true;
    mouseAt(50, 40);
    plat::resetMessageBoxPolicy();
    EXPECT_EQ(button.SendMessage(WM_LBUTTONDOWN, 0, 0), 0);
    EXPECT_EQ(button.SendMessage(WM_LBUTTONUP, 0, 0), 0);
    EXPECT_EQ(clicks.count, 1);
    bool shown = false;
    for (const auto& box : plat::messageBoxRecords())
        shown = shown || box.text.find("click failure") != std::string::npos;
    EXPECT_TRUE(shown);
}

TEST_F(ButtonBed, TheIconIsPlacedByTheTextAndMovesWhilePressed)
{
    // Without text the icon is centred both ways.
    guiButton& plain = addButton("");
    loadIcon(plain.Icon(), vbicontest::stillIcon(0x00FF00), "green.ico");
    const Span across = row(plain, 20, kGreen);
    const Span down = column(plain, 50, kGreen);
    ASSERT_EQ(across.last - across.first, 15);
    ASSERT_EQ(down.last - down.first, 15);
    EXPECT_LE(std::abs(across.first - (100 - 1 - across.last)), 2);
    EXPECT_LE(std::abs(down.first - (40 - 1 - down.last)), 2);

    // Pressed: one pixel left and up.
    mouseAt(kPlace.left + 5, kPlace.top + 5);
    press(true);
    EXPECT_EQ(row(plain, 20, kGreen).first, across.first - 1);
    EXPECT_EQ(column(plain, 50, kGreen).first, down.first - 1);
    press(false);

    // Vertical text: the icon sits at the bottom, the text above it.
    guiButton& vertical = addButton("Up", {130, 20, 170, 160});
    vertical.SetTextVert(true);
    loadIcon(vertical.Icon(), vbicontest::stillIcon(0x00FF00), "green2.ico");
    const Span v = column(vertical, 20, kGreen);
    ASSERT_EQ(v.last - v.first, 15);
    EXPECT_GE(v.last, 140 - 6) << "at the bottom";

    // Horizontal text: the icon at the left edge, the text beside it.
    guiButton& beside = addButton("Text", {20, 170, 200, 210});
    loadIcon(beside.Icon(), vbicontest::stillIcon(0x00FF00), "green3.ico");
    EXPECT_LE(row(beside, 20, kGreen).first, 5);
}

TEST_F(ButtonBed, TextColoursFollowTheStateAndTheDrawInfo)
{
    mouseAt(300, 250);
    guiButton& button = addButton("MMMM");
    button.tcSetTextColor(vbColor(kRed));
    button.Invalidate();
    pump();
    EXPECT_GT(count(button, kRed), 0);

    // Disabled: the grey settings.
    button.tcSetEnabled(false);
    pump();
    EXPECT_EQ(count(button, kRed), 0);
    EXPECT_GT(count(button, static_cast<COLORREF>(vbColor(g_guiClrTextGray.GetColor()))), 0);
    button.tcSetEnabled(true);
    pump();

    // A shadow is drawn, unless the printing context brings a colour of its own.
    button.SetTextShadowColor(vbColor(RGB(0, 0, 255)));
    DrawingBed plainPrint(100, 40);
    CDC* dc = CDC::FromHandle(plainPrint.dc);
    button.tcPrintClient(nullptr, dc, true);
    int shadow = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x)
            shadow += plainPrint.at(x, y) == RGB(0, 0, 255);
    EXPECT_GT(shadow, 0);

    DrawingBed colouredPrint(100, 40);
    const vbColor own(RGB(0, 128, 0));
    guiDrawInfo info(1);
    info.m_pTextColor = &own;
    button.tcPrintClient(&info, CDC::FromHandle(colouredPrint.dc), true);
    int ownText = 0;
    shadow = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x) {
            shadow += colouredPrint.at(x, y) == RGB(0, 0, 255);
            ownText += colouredPrint.at(x, y) == RGB(0, 128, 0);
        }
    EXPECT_EQ(shadow, 0);
    EXPECT_GT(ownText, 0);
}

TEST_F(ButtonBed, HeightForWidthMeasuresMpWithoutText)
{
    guiButton& empty = addButton("");
    guiButton& mp = addButton("Mp", {130, 20, 200, 50});
    EXPECT_EQ(empty.GetBtnHeightForWidth(100), mp.GetBtnHeightForWidth(100));
    guiButton& longer = addButton("one two three four five six", {20, 100, 200, 140});
    EXPECT_GT(longer.GetBtnHeightForWidth(60), mp.GetBtnHeightForWidth(60)) << "wrapped onto more lines";
}

TEST_F(ButtonBed, AnAnimatedIconMovesOnAFrameForEachTick)
{
    guiButton& button = addButton("");
    loadIcon(button.Icon(), vbicontest::animation(5), "five.ani");
    const COLORREF first = pixel(button, 50, 20);
    EXPECT_EQ(first, RGB(0x00, 0x00, 0x40));
    button.PostMessage(WM_USER, 0, 0);
    pump();
    EXPECT_NE(pixel(button, 50, 20), first);
}

TEST_F(ButtonBed, TheAnimationRunsFromTheFirstPaintUntilAStillIconReplacesIt)
{
    guiButton& button = addButton("");
    MessageCounter ticks(button.GetSafeHwnd());
    loadIcon(button.Icon(), vbicontest::animation(5), "five.ani");
    // The shared timer ticks every 150 ms; the first tick after a start only records.
    advance(150);
    advance(150);
    advance(150);
    EXPECT_EQ(ticks.count(WM_USER), 2);

    loadIcon(button.Icon(), vbicontest::stillIcon(), "still.ico");
    advance(150);
    advance(150);
    EXPECT_EQ(ticks.count(WM_USER), 2) << "a still icon stops the ticks";
}

} // namespace
