#include "InputTestSupport.h"

#include <gtest/gtest.h>

using vnt::test::InputRecorder;
using vnt::test::Seen;

namespace {

TEST(Focus, KillFocusNamesTheNewWindowBeforeSetFocusNamesTheOld)
{
    InputRecorder rec;
    HWND top = rec.window(RECT{0, 0, 200, 200});
    HWND a = rec.window(RECT{0, 0, 50, 50}, top);
    HWND b = rec.window(RECT{60, 0, 110, 50}, top);
    SetFocus(a);
    rec.seen.clear();
    EXPECT_EQ(SetFocus(b), a);
    EXPECT_EQ(GetFocus(), b);
    auto focus = rec.only({WM_KILLFOCUS, WM_SETFOCUS});
    ASSERT_EQ(focus.size(), 2u);
    EXPECT_EQ(focus[0].msg, UINT(WM_KILLFOCUS));
    EXPECT_EQ(focus[0].hwnd, a);
    EXPECT_EQ(focus[0].wParam, WPARAM(b));
    EXPECT_EQ(focus[1].msg, UINT(WM_SETFOCUS));
    EXPECT_EQ(focus[1].hwnd, b);
    EXPECT_EQ(focus[1].wParam, WPARAM(a));

    EXPECT_EQ(SetFocus(nullptr), b);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST(Focus, FocusIntoAnInactiveWindowActivatesIt)
{
    InputRecorder rec;
    HWND first = rec.window(RECT{0, 0, 100, 100});
    HWND second = rec.window(RECT{200, 0, 300, 100});
    HWND child = rec.window(RECT{0, 0, 10, 10}, second);
    SetActiveWindow(first);
    rec.seen.clear();
    SetFocus(child);
    EXPECT_EQ(GetActiveWindow(), second);
    EXPECT_EQ(GetForegroundWindow(), second);
    EXPECT_EQ(GetFocus(), child);
    auto activation = rec.only({WM_ACTIVATE});
    ASSERT_EQ(activation.size(), 2u);
    EXPECT_EQ(activation[0].hwnd, first);
    EXPECT_EQ(LOWORD(activation[0].wParam), WA_INACTIVE);
    EXPECT_EQ(activation[0].lParam, LPARAM(second));
    EXPECT_EQ(activation[1].hwnd, second);
    EXPECT_EQ(LOWORD(activation[1].wParam), WA_ACTIVE);
    EXPECT_EQ(activation[1].lParam, LPARAM(first));
}

TEST(Focus, ActivationFocusesTheWindowUnlessTheFocusIsInside)
{
    InputRecorder rec;
    HWND first = rec.window(RECT{0, 0, 100, 100});
    HWND second = rec.window(RECT{200, 0, 300, 100});
    HWND child = rec.window(RECT{0, 0, 10, 10}, first);
    SetActiveWindow(second);
    EXPECT_EQ(GetFocus(), second);
    SetFocus(child);
    SetActiveWindow(second);
    EXPECT_EQ(GetFocus(), second); // left the window that lost the activation
    EXPECT_EQ(SetActiveWindow(child), second); // a child stands for its top-level window
    EXPECT_EQ(GetActiveWindow(), first);
    EXPECT_EQ(GetFocus(), first);
}

TEST(Focus, ToolWindowPopupsNeverActivate)
{
    InputRecorder rec;
    HWND owner = rec.window(RECT{0, 0, 100, 100});
    SetActiveWindow(owner);
    HWND popup = CreateWindowExA(WS_EX_TOOLWINDOW, InputRecorder::kPlain, "", WS_POPUP | WS_VISIBLE, 300, 300, 100,
        100, owner, nullptr, nullptr, nullptr);
    ASSERT_NE(popup, nullptr);
    HWND inside = rec.window(RECT{0, 0, 50, 50}, popup);

    // A click on the popup's child: asked, the popup answers "no activation"; the child takes the
    // focus and the owner stays active.
    rec.seen.clear();
    plat::headless::click(310, 310);
    rec.pump();
    auto asked = rec.only({WM_MOUSEACTIVATE});
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked[0].hwnd, inside);
    EXPECT_EQ(asked[0].wParam, WPARAM(popup));
    EXPECT_EQ(rec.numbers({WM_LBUTTONDOWN, WM_LBUTTONUP}), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    SetFocus(inside);
    EXPECT_EQ(GetFocus(), inside);
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_EQ(SetActiveWindow(popup), owner);
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_FALSE(SetForegroundWindow(popup));
    DestroyWindow(popup);
    EXPECT_EQ(GetFocus(), nullptr);
}

TEST(Focus, DestroyingTheActiveWindowActivatesItsOwner)
{
    InputRecorder rec;
    HWND owner = rec.window(RECT{0, 0, 100, 100});
    HWND other = rec.window(RECT{200, 0, 300, 100});
    HWND owned = CreateWindowExA(0, InputRecorder::kPlain, "", WS_POPUP | WS_VISIBLE, 0, 200, 50, 50, owner, nullptr,
        nullptr, nullptr);
    HWND field = rec.window(RECT{0, 0, 10, 10}, owned);
    SetFocus(field);
    ASSERT_EQ(GetActiveWindow(), owned);
    rec.seen.clear();
    DestroyWindow(owned);
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_EQ(GetFocus(), owner);
    // The focus left the field before it went.
    auto kill = rec.only({WM_KILLFOCUS});
    ASSERT_FALSE(kill.empty());
    EXPECT_EQ(kill[0].hwnd, field);
    (void)other;
}

TEST(Focus, TheWheelReachesTheFocusWindowAndDefaultsToTheParent)
{
    InputRecorder rec;
    HWND top = rec.window(RECT{0, 0, 100, 100});
    HWND child = rec.window(RECT{0, 0, 50, 50}, top);
    SetFocus(child);
    plat::headless::mouseMove(400, 400); // over no window
    plat::headless::wheel(-WHEEL_DELTA);
    rec.pump();
    auto wheel = rec.only({WM_MOUSEWHEEL});
    ASSERT_EQ(wheel.size(), 2u);
    EXPECT_EQ(wheel[0].hwnd, child);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel[0].wParam), -WHEEL_DELTA);
    EXPECT_EQ(GET_X_LPARAM(wheel[0].lParam), 400);
    EXPECT_EQ(wheel[1].hwnd, top);
}

TEST(Focus, RightButtonUpAndTheKeyboardAskForTheContextMenu)
{
    InputRecorder rec;
    HWND top = rec.window(RECT{100, 100, 300, 300});
    HWND child = rec.window(RECT{10, 10, 60, 60}, top);
    SetFocus(child);
    rec.seen.clear();
    plat::headless::click(120, 130, 1);
    rec.pump();
    auto menu = rec.only({WM_CONTEXTMENU});
    ASSERT_EQ(menu.size(), 2u); // the child's, then its parent's by default
    EXPECT_EQ(menu[0].hwnd, child);
    EXPECT_EQ(menu[0].wParam, WPARAM(child));
    EXPECT_EQ(GET_X_LPARAM(menu[0].lParam), 120);
    EXPECT_EQ(GET_Y_LPARAM(menu[0].lParam), 130);
    EXPECT_EQ(menu[1].hwnd, top);

    rec.seen.clear();
    plat::headless::key(VK_SHIFT, true);
    plat::headless::keyPress(VK_F10);
    plat::headless::key(VK_SHIFT, false);
    plat::headless::keyPress(VK_APPS);
    rec.pump();
    menu = rec.only({WM_CONTEXTMENU});
    ASSERT_EQ(menu.size(), 4u);
    EXPECT_EQ(menu[0].lParam, LPARAM(-1));
    EXPECT_EQ(menu[2].lParam, LPARAM(-1));
}

TEST(Focus, AltSpaceAsksForTheSystemMenuAndAltF4Closes)
{
    InputRecorder rec;
    HWND top = rec.window(RECT{0, 0, 100, 100});
    HWND child = rec.window(RECT{0, 0, 50, 50}, top);
    SetFocus(child);
    plat::headless::key(VK_MENU, true);
    plat::headless::keyPress(VK_SPACE);
    rec.pump();
    auto menu = rec.only({WM_SYSCOMMAND});
    ASSERT_EQ(menu.size(), 1u);
    EXPECT_EQ(menu[0].hwnd, top);
    EXPECT_EQ(menu[0].wParam, WPARAM(SC_KEYMENU));
    rec.seen.clear();
    plat::headless::keyPress(VK_F4);
    plat::headless::key(VK_MENU, false);
    rec.pump();
    auto close = rec.only({WM_SYSCOMMAND, WM_CLOSE});
    ASSERT_EQ(close.size(), 2u);
    EXPECT_EQ(close[0].hwnd, top);
    EXPECT_EQ(close[0].wParam, WPARAM(SC_CLOSE));
    EXPECT_FALSE(IsWindow(top));
}

TEST(Focus, ShowingActivatesUnlessAskedNotTo)
{
    InputRecorder rec;
    HWND a = rec.window(RECT{0, 0, 100, 100}, nullptr, 0);
    HWND b = rec.window(RECT{200, 0, 300, 100}, nullptr, 0);
    ShowWindow(a, SW_HIDE);
    ShowWindow(b, SW_HIDE);
    SetActiveWindow(nullptr);
    struct Case {
        HWND hwnd;
        int show;
        HWND active;
    } cases[] = {
        {a, SW_SHOW, a}, {b, SW_SHOWNA, a}, {b, SW_SHOWNOACTIVATE, a}, {b, SW_SHOWMINNOACTIVE, a},
        {b, SW_RESTORE, b}, {a, SW_SHOWNORMAL, a},
    };
    for (const Case& c : cases) {
        ShowWindow(c.hwnd, c.show);
        EXPECT_EQ(GetActiveWindow(), c.active) << c.show;
    }
    SetWindowPos(b, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(b, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(GetActiveWindow(), a);
    SetWindowPos(b, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(b, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetActiveWindow(), b);
}

TEST(Focus, HidingOrDisablingTakesFocusCaptureAndActivationAway)
{
    InputRecorder rec;
    HWND back = rec.window(RECT{0, 0, 100, 100});
    HWND front = rec.window(RECT{200, 0, 300, 100});
    HWND panel = rec.window(RECT{0, 0, 50, 50}, front);
    HWND field = rec.window(RECT{0, 0, 20, 20}, panel);
    SetFocus(field);
    SetCapture(field);
    ASSERT_EQ(GetActiveWindow(), front);
    ShowWindow(panel, SW_HIDE);
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(GetActiveWindow(), front);

    ShowWindow(panel, SW_SHOW);
    SetFocus(field);
    EnableWindow(panel, FALSE);
    EXPECT_EQ(GetFocus(), nullptr);

    // The active window hidden: the thread's topmost visible top-level window takes over.
    ShowWindow(front, SW_HIDE);
    EXPECT_EQ(GetActiveWindow(), back);
    EXPECT_EQ(GetFocus(), back);

    SendMessageA(back, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(back));
    SendMessageA(back, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(back));
}

} // namespace
