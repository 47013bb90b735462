#include "MsControlBed.h"

#include "guiMsToolBar.h"

#include "vbExpectThrown.h"

#include "plat/keyboard.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using gui::test::MessageCounter;
using gui::test::MsControlBed;

// Resources of the test program: menu 200 ("&Open" 101 first), bitmaps 300 and 301.
constexpr unsigned kMenu = 200;
constexpr unsigned kTools = 300;
constexpr unsigned kCorners = 301;

struct Target : vbBase {
    bool onClick(guiMsTBbutton&)
    {
        ++clicks;
        return clickAnswer;
    }
    bool onPopup(guiMsTBbutton&)
    {
        ++popups;
        return popupAnswer;
    }
    int clicks = 0;
    bool clickAnswer = true;
    int popups = 0;
    bool popupAnswer = true;
};

class ToolBed : public MsControlBed {
protected:
    void SetUp() override
    {
        MsControlBed::SetUp();
        place(bar, {0, 0, 400, 30});
    }
    TBBUTTON buttonAt(int index)
    {
        TBBUTTON b{};
        EXPECT_TRUE(bar.GetButton(index, &b));
        return b;
    }
    // The drop-down notification of button id, as the bar sends it; the answer.
    LRESULT dropDown(int id)
    {
        NMTOOLBARA nm{};
        nm.hdr = NMHDR{bar.GetSafeHwnd(), 0, static_cast<UINT>(TBN_DROPDOWN)};
        nm.iItem = id;
        return window->SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
    }

    guiMsToolBar bar;
    Target target;
};

TEST_F(ToolBed, ButtonsShareTextsAndImages)
{
    MessageCounter spy(bar.GetSafeHwnd());
    guiMsTBbutton open = bar.AddBtn("Open", "tip", kTools, guiMsTBCB(), true, true);
    guiMsTBbutton again = bar.AddCheckBtn("Open", "tip", kTools, guiMsTBCB(), false, true);
    bar.AddSep(false);
    guiMsTBbutton bare = bar.AddBtn("", "", 0, guiMsTBCB(), true, true);
    bar.AddBtn("Other", "", kCorners, guiMsTBCB(), true, true);
    EXPECT_EQ(spy.count(TB_ADDSTRINGA), 2);
    EXPECT_EQ(spy.count(TB_ADDBITMAP), 2);

    EXPECT_EQ(buttonAt(0).iString, buttonAt(1).iString);
    EXPECT_EQ(buttonAt(0).iBitmap, buttonAt(1).iBitmap);
    EXPECT_NE(buttonAt(0).iBitmap, buttonAt(4).iBitmap);
    EXPECT_EQ(buttonAt(3).iString, -1);
    EXPECT_EQ(buttonAt(3).iBitmap, -1);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(buttonAt(i).idCommand, i + 1);
    EXPECT_EQ(buttonAt(0).fsStyle, TBSTYLE_BUTTON);
    EXPECT_EQ(buttonAt(1).fsStyle, TBSTYLE_CHECK);
    EXPECT_EQ(buttonAt(2).fsStyle, TBSTYLE_SEP);
    EXPECT_EQ(buttonAt(2).fsState, TBSTATE_HIDDEN);
    EXPECT_EQ(bare.GetIndex(), 3);
    EXPECT_TRUE(open == guiMsTBbutton(open));
    EXPECT_TRUE(open != again);

    EXPECT_FALSE(again.IsEnabled());
    again.SetEnabled(true);
    EXPECT_TRUE(again.IsEnabled());
    again.SetChecked(true);
    EXPECT_TRUE(again.IsChecked());
    const int sets = spy.count(TB_SETSTATE);
    again.SetChecked(true);
    again.SetVisible(true);
    EXPECT_EQ(spy.count(TB_SETSTATE), sets) << "nothing to change";
    again.SetVisible(false);
    EXPECT_FALSE(again.IsVisible());
}

TEST_F(ToolBed, DropDownFollowsThePopupCallback)
{
    guiMsTBbutton plain = bar.AddMenuBtn("Menu", "", 0, kMenu, guiMsTBCB(), true, true);
    guiMsTBbutton clicked = bar.AddMenuBtn("Menu", "", 0, kMenu, guiMsTBCB(&target, &Target::onClick), true, true);
    EXPECT_EQ(plain.GetMenu().GetMenuItemCount(), 4u);
    for (guiMsTBbutton* b : {&plain, &clicked}) {
        b->SetPopupCb(guiMsTBCB(&target, &Target::onPopup));
    }
    target.popupAnswer = false;
    EXPECT_EQ(dropDown(1), TBDDRET_TREATPRESSED);
    EXPECT_EQ(dropDown(2), TBDDRET_DEFAULT);
    EXPECT_EQ(target.popups, 2);
    guiMsTBbutton noMenu = bar.AddBtn("No", "", 0, guiMsTBCB(), true, true);
    EXPECT_EQ(dropDown(3), TBDDRET_NODEFAULT);
    vbtest::expectThrown<vbEsys>([&] { noMenu.GetMenu(); }, E_FAIL, "guiMsTBbutton::GetMenu() : button without menu");
}

TEST_F(ToolBed, ClickingAMenuButtonPopsUpItsMenu)
{
    guiMsTBbutton menu = bar.AddMenuBtn("Menu", "", 0, kMenu, guiMsTBCB(), true, true);
    RECT r;
    ASSERT_TRUE(menu.GetBtnRect(&r));
    MessageCounter owner(window->GetSafeHwnd());
    // The button's command, as the bar sends it for a click; the menu's loop takes the click
    // queued before: on the first item of the menu shown 2 px under the button (a 2 px frame,
    // rows of 19 px). The chosen item is posted to the container's window.
    plat::headless::click(r.left + 30, r.bottom + 2 + 2 + 9);
    const WPARAM click = MAKEWPARAM(1, BN_CLICKED);
    EXPECT_EQ(window->SendMessage(WM_COMMAND, click, reinterpret_cast<LPARAM>(bar.GetSafeHwnd())), 0);
    pump();
    ASSERT_GE(owner.count(WM_COMMAND), 1);
    EXPECT_EQ(owner.lastWParam(WM_COMMAND), MAKEWPARAM(101, 0));

    // A click callback answering true ends the click before any menu.
    guiMsTBbutton handled = bar.AddMenuBtn("Menu", "", 0, kMenu, guiMsTBCB(&target, &Target::onClick), true, true);
    const WPARAM command = MAKEWPARAM(2, BN_CLICKED);
    EXPECT_EQ(window->SendMessage(WM_COMMAND, command, reinterpret_cast<LPARAM>(bar.GetSafeHwnd())), 0);
    EXPECT_EQ(target.clicks, 1);
}

TEST_F(ToolBed, FailedMenuLoadKeepsTheButtonAndDestructionDetachesHandles)
{
    vbtest::expectThrown<vbEsys>([&] { bar.AddMenuBtn("Bad", "", 0, 999, guiMsTBCB(), true, true); }, E_FAIL,
        "guiMsToolBar::AddMenuBtn() : Menu load failed");
    EXPECT_EQ(bar.GetButtonCount(), 1);
    EXPECT_EQ(buttonAt(0).idCommand, 1);

    guiMsTBbutton kept = bar.AddBtn("Kept", "", 0, guiMsTBCB(), true, true);
    std::optional<guiMsToolBar> other(std::in_place);
    place(*other, {0, 40, 400, 70});
    guiMsTBbutton gone = other->AddBtn("Gone", "", 0, guiMsTBCB(), true, true);
    guiMsTBbutton copy = gone;
    EXPECT_TRUE(copy.IsValid());
    other.reset();
    for (guiMsTBbutton* handle : {&gone, &copy}) {
        EXPECT_FALSE(handle->IsValid());
        vbtest::expectThrown<vbEsys>([&] { handle->SetChecked(true); }, E_FAIL,
            "guiTBButton::MustBeValid() without parent");
    }
    EXPECT_TRUE(kept.IsValid());
}

} // namespace
