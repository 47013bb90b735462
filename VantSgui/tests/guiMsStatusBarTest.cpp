#include "MsControlBed.h"

#include "guiMsStatusBar.h"

#include "vbExpectThrown.h"

#include "plat/keyboard.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using gui::test::MessageCounter;
using gui::test::MsControlBed;

// The bar spans the window's 400 px; parts are 2 px apart.
constexpr RECT kBar{0, 270, 400, 300};

struct PanelSpec {
    int width;
    guiSBtype type;
};

class StatusBed : public MsControlBed {
protected:
    std::vector<int> parts()
    {
        int edges[16] = {};
        const int count = bar.GetParts(16, edges);
        return std::vector<int>(edges, edges + count);
    }
    std::string partText(int part)
    {
        char text[64] = {};
        bar.SendMessage(SB_GETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
        return text;
    }
    // Two timer periods: the first tick after a start only records its time.
    void tick()
    {
        advance(150);
        advance(150);
    }

    guiMsStatusBar bar;
};

TEST_F(StatusBed, LayoutPlacesFixedSharedAndPercentPanels)
{
    struct Case {
        const char* name;
        std::vector<PanelSpec> panels;
        std::vector<int> edges;
    };
    const Case cases[] = {
        // free 392: 196, 117 and 78 px, what the division drops left over.
        {"percent", {{-50, guiSBnormal}, {-30, guiSBnormal}, {-20, guiSBnormal}}, {198, 317, 397}},
        // share (392 - 100) / 2 = 146, the last one clipped to the bar.
        {"fixed zero share", {{100, guiSBnormal}, {0, guiSBnormal}, {-1, guiSBnormal}, {-1, guiSBnormal}},
            {102, 104, 252, 398}},
        {"narrow share hidden", {{350, guiSBnormal}, {-1, guiSBnormal}}, {352}},
        {"fixed that does not fit skipped", {{300, guiSBnormal}, {150, guiSBnormal}, {50, guiSBnormal}}, {302, 354}},
        {"indicators", {{0, guiSBinsert}, {500, guiSBcaps}, {-1, guiSBnum}, {0, guiSBtime}}, {35, 70, 105, 167}},
        // 80 % and 60 % of what the 200 px leave: base (390 - 200) * 100 / 140 = 135; no share.
        {"over-full percent", {{200, guiSBnormal}, {-80, guiSBnormal}, {-60, guiSBnormal}, {-1, guiSBnormal}},
            {202, 312, 395}},
    };
    place(bar, kBar);
    for (const Case& c : cases) {
        bar.tcClear();
        for (const PanelSpec& p : c.panels)
            bar.Add(p.width, p.type, "", "");
        EXPECT_EQ(parts(), c.edges) << c.name;
    }
}

TEST_F(StatusBed, HiddenBarLaysOutWhenFirstShown)
{
    bar.Create(&window->container, kBar, false, true);
    MessageCounter spy(bar.GetSafeHwnd());
    guiMsSBpanel fixed = bar.Add(350, guiSBnormal, "fixed", "");
    guiMsSBpanel shared = bar.Add(-1, guiSBnormal, "", "");
    EXPECT_EQ(spy.count(SB_SETPARTS), 0);
    EXPECT_EQ(spy.count(SB_SETTEXTA), 0);

    bar.ShowWindow(SW_SHOW);
    pump();
    EXPECT_EQ(spy.count(SB_SETPARTS), 1);
    EXPECT_EQ(parts(), std::vector<int>{352}) << "the share is 44 px";
    EXPECT_EQ(partText(0), "fixed");
    bar.ShowWindow(SW_HIDE);
    bar.ShowWindow(SW_SHOW);
    pump();
    EXPECT_EQ(spy.count(SB_SETPARTS), 1) << "laid out once";

    // The hidden share panel keeps its text until a layout shows it.
    const int texts = spy.count(SB_SETTEXTA);
    shared = vbString("later");
    EXPECT_EQ(shared.GetText(), vbString("later"));
    EXPECT_EQ(spy.count(SB_SETTEXTA), texts);
    bar.SetWindowPos(nullptr, 0, 270, 600, 30, SWP_NOZORDER);
    pump();
    EXPECT_EQ(parts(), (std::vector<int>{352, 598}));
    EXPECT_EQ(partText(1), "later");
    shared.SetDfltText("default");
    EXPECT_EQ(partText(1), "later") << "the text is set";
    shared.SetText("");
    EXPECT_EQ(partText(1), "default");
}

TEST_F(StatusBed, IndicatorsRefreshOnTheTimer)
{
    place(bar, kBar);
    bar.Add(0, guiSBinsert, "", "");
    bar.Add(0, guiSBcaps, "first", "");
    bar.Add(0, guiSBcaps, "", "");
    bar.Add(0, guiSBnum, "", "");
    bar.Add(0, guiSBtime, "", "");
    tick();
    EXPECT_EQ(partText(0), (GetKeyState(VK_INSERT) & 1) ? "INS" : "OVR");
    EXPECT_EQ(partText(1), "first") << "only the last shown panel of a kind is refreshed";
    EXPECT_EQ(partText(2), " - ");
    EXPECT_EQ(partText(3), " - ");
    EXPECT_NE(partText(4).find(':'), std::string::npos) << partText(4);

    // Nothing changed: nothing sent.
    MessageCounter spy(bar.GetSafeHwnd());
    tick();
    EXPECT_EQ(spy.count(SB_SETTEXTA), 0);

    // Caps Lock held down with its toggle on reads negative; the panel follows the toggle.
    plat::headless::key(VK_CAPITAL, true);
    pump();
    ASSERT_LT(GetKeyState(VK_CAPITAL), 0);
    plat::headless::keyPress(VK_INSERT);
    pump();
    tick();
    EXPECT_EQ(partText(2), "CAPS");
    EXPECT_EQ(partText(0), (GetKeyState(VK_INSERT) & 1) ? "INS" : "OVR");
    const bool insert = (GetKeyState(VK_INSERT) & 1) != 0;
    plat::headless::key(VK_CAPITAL, false);
    plat::headless::keyPress(VK_CAPITAL);
    plat::headless::keyPress(VK_INSERT);
    pump();
    tick();
    EXPECT_EQ(partText(2), " - ");
    EXPECT_EQ(partText(0), insert ? "OVR" : "INS");
}

TEST_F(StatusBed, TipsByPositionAndHandlesDetachedByClear)
{
    place(bar, kBar);
    bar.tcSetToolTip("own", false);
    guiMsSBpanel first = bar.Add(100, guiSBnormal, "", "first tip");
    guiMsSBpanel copy = first;
    bar.Add(100, guiSBnormal, "", "second tip");
    bool askAgain = false;
    int id = 9;
    EXPECT_EQ(bar.tcNeedToolTip(CPoint(0, 5), &askAgain, &id), vbString("first tip"));
    EXPECT_EQ(id, 0);
    EXPECT_TRUE(askAgain);
    EXPECT_EQ(bar.tcNeedToolTip(CPoint(150, 5), &askAgain, &id), vbString("second tip"));
    EXPECT_EQ(id, 1);
    EXPECT_EQ(bar.tcNeedToolTip(CPoint(300, 5), &askAgain, &id), vbString("own"));
    EXPECT_EQ(id, -1);

    EXPECT_TRUE(first.IsValid());
    EXPECT_TRUE(copy.IsValid());
    bar.tcClear();
    EXPECT_TRUE(parts().empty());
    for (guiMsSBpanel* handle : {&first, &copy}) {
        EXPECT_FALSE(handle->IsValid());
        vbtest::expectThrown<vbEsys>([&] { handle->SetText("x"); }, E_FAIL,
            "guiTBButton::MustBeValid() without parent");
    }
}

} // namespace
