#include "ControlTestSupport.h"

#include "plat/cursor.h"
#include "plat/dialog.h"
#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

using plat::headless::click;
using plat::headless::mouseButton;
using plat::headless::mouseMove;
using vnt::test::ControlParent;

namespace {

constexpr RECT kButtonRect{10, 10, 110, 33};

struct ButtonFixture {
    explicit ButtonFixture(DWORD style, const char* text = "Go")
        : button(parent.child("Button", style, kButtonRect, 7, text))
    {
        SetActiveWindow(parent.hwnd);
        ControlParent::pump();
        parent.events.clear();
    }
    ControlParent parent;
    HWND button;
};

TEST(Button, OneClickPerPressAndReleaseInside)
{
    ButtonFixture f(BS_PUSHBUTTON);
    mouseMove(50, 20);
    mouseButton(0, true);
    ControlParent::pump();
    EXPECT_EQ(SendMessageA(f.button, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
    EXPECT_EQ(GetCapture(), f.button);
    EXPECT_EQ(GetFocus(), f.button);
    // Leaving shows it raised again; a release outside sends nothing.
    mouseMove(200, 200);
    ControlParent::pump();
    EXPECT_EQ(SendMessageA(f.button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
    mouseButton(0, false);
    ControlParent::pump();
    EXPECT_TRUE(f.parent.codes().empty());
    EXPECT_EQ(GetCapture(), nullptr);

    click(50, 20);
    ControlParent::pump();
    ASSERT_EQ(f.parent.codes(), std::vector<int>{BN_CLICKED});
    const auto command = f.parent.only(WM_COMMAND)[0];
    EXPECT_EQ(LOWORD(command.wParam), 7);
    EXPECT_EQ(command.lParam, LPARAM(f.button));
}

TEST(Button, AutoCheckBoxTogglesBeforeTellingAndSpaceClicks)
{
    ButtonFixture f(BS_AUTOCHECKBOX | BS_NOTIFY);
    int checkSeen = -1;
    f.parent.hook = [&](UINT msg, WPARAM wParam, LPARAM, LRESULT&) {
        if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED)
            checkSeen = int(SendMessageA(f.button, BM_GETCHECK, 0, 0));
        return false;
    };
    click(20, 20);
    ControlParent::pump();
    EXPECT_EQ(checkSeen, BST_CHECKED);
    EXPECT_EQ(f.parent.codes(), (std::vector<int>{BN_SETFOCUS, BN_CLICKED}));
    f.parent.events.clear();
    plat::headless::keyPress(VK_SPACE);
    ControlParent::pump();
    EXPECT_EQ(SendMessageA(f.button, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(f.parent.codes(), std::vector<int>{BN_CLICKED});
    // A program's change is silent.
    f.parent.events.clear();
    SendMessageA(f.button, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(f.button, BM_GETSTATE, 0, 0), BST_CHECKED | BST_FOCUS);
    EXPECT_TRUE(f.parent.codes().empty());
}

TEST(Button, DialogCodesAndStyles)
{
    const struct {
        DWORD style;
        LRESULT code;
    } cases[] = {
        {BS_PUSHBUTTON, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON},
        {BS_DEFPUSHBUTTON, DLGC_BUTTON | DLGC_DEFPUSHBUTTON},
        {BS_CHECKBOX, DLGC_BUTTON},
        {BS_AUTOCHECKBOX, DLGC_BUTTON},
    };
    for (const auto& c : cases) {
        ButtonFixture f(c.style);
        EXPECT_EQ(SendMessageA(f.button, WM_GETDLGCODE, 0, 0), c.code) << c.style;
    }
    // The dialog manager moves the default ring with BM_SETSTYLE; BM_CLICK clicks.
    ButtonFixture f(BS_PUSHBUTTON);
    SendMessageA(f.button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_EQ(SendMessageA(f.button, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    SendMessageA(f.button, BM_CLICK, 0, 0);
    EXPECT_EQ(f.parent.codes(), std::vector<int>{BN_CLICKED});
    // A plain check box does not toggle itself.
    ButtonFixture check(BS_CHECKBOX);
    SendMessageA(check.button, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageA(check.button, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST(Button, FacesAndBoxInTheirColours)
{
    ButtonFixture push(BS_DEFPUSHBUTTON);
    InvalidateRect(push.button, nullptr, TRUE);
    ControlParent::pump();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(plat::headless::windowPixel(push.button, 0, 0), GetSysColor(COLOR_WINDOWFRAME)); // default ring
    EXPECT_EQ(plat::headless::windowPixel(push.button, 1, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(plat::headless::windowPixel(push.button, 98, 21), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(plat::headless::windowPixel(push.button, 5, 5), face);
    ASSERT_TRUE(push.parent.only(WM_CTLCOLORBTN).size() > 0);

    ButtonFixture check(BS_AUTOCHECKBOX);
    InvalidateRect(check.button, nullptr, TRUE);
    ControlParent::pump();
    ASSERT_TRUE(check.parent.only(WM_CTLCOLORSTATIC).size() > 0);
    // The 13 x 13 box is centred in the 23-high control: rows 5-17.
    EXPECT_EQ(plat::headless::windowPixel(check.button, 6, 4), face);
    EXPECT_EQ(plat::headless::windowPixel(check.button, 6, 5), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(plat::headless::windowPixel(check.button, 11, 11), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(plat::headless::windowPixel(check.button, 13, 11), face);
}

} // namespace
