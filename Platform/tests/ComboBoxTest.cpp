#include "ControlTestSupport.h"

#include "plat/focus.h"
#include "plat/gdi.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using plat::headless::click;
using plat::headless::keyPress;
using vnt::test::ControlParent;
using vnt::test::windowText;

namespace {

// Item rows are the test font's 13 px cell + 2; the field is a row + 6.
constexpr int kRow = 15;
constexpr int kField = 21;

std::vector<int> selectionCodes(const ControlParent& p)
{
    std::vector<int> out;
    for (int code : p.codes())
        if (code != CBN_SETFOCUS && code != CBN_KILLFOCUS)
            out.push_back(code);
    return out;
}

struct ComboFixture {
    explicit ComboFixture(DWORD style, int height = 200)
        : combo(parent.child("combobox", style | WS_VSCROLL, RECT{10, 10, 160, 10 + height}))
    {
        for (const char* item : {"one", "two", "three"})
            SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(item));
        SetActiveWindow(parent.hwnd);
        ControlParent::pump();
        parent.events.clear();
    }
    int current() const { return int(SendMessageA(combo, CB_GETCURSEL, 0, 0)); }

    ControlParent parent;
    HWND combo;
};

TEST(ComboBox, ClickingAnItemChoosesItOnce)
{
    ComboFixture f(CBS_DROPDOWNLIST);
    RECT r;
    GetWindowRect(f.combo, &r);
    EXPECT_EQ(r.bottom - r.top, kField);
    EXPECT_EQ(SendMessageA(f.combo, CB_SETCURSEL, 1, 0), 1);
    EXPECT_TRUE(f.parent.codes().empty()) << "a program's selection is not announced";
    EXPECT_EQ(windowText(f.combo), "two");

    click(50, 20);
    ControlParent::pump();
    EXPECT_EQ(selectionCodes(f.parent), std::vector<int>{CBN_DROPDOWN});
    EXPECT_EQ(GetFocus(), f.combo);
    EXPECT_EQ(SendMessageA(f.combo, WM_GETDLGCODE, 0, 0), 0x85);
    // The list opens under the field, one border pixel around rows of three items.
    click(50, 10 + kField + 1 + 2 * kRow + 7);
    ControlParent::pump();
    EXPECT_EQ(selectionCodes(f.parent),
        (std::vector<int>{CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
    EXPECT_EQ(f.current(), 2);
    EXPECT_EQ(windowText(f.combo), "three");
    EXPECT_EQ(SendMessageA(f.combo, WM_GETDLGCODE, 0, 0), 0x81);

    // A click beside the open list closes it unchanged.
    f.parent.events.clear();
    click(50, 20);
    click(300, 250);
    ControlParent::pump();
    EXPECT_EQ(selectionCodes(f.parent), (std::vector<int>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));
    EXPECT_EQ(f.current(), 2);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(ComboBox, KeysChangeAClosedListAtOnceAndAnOpenOneOnlyWhenChosen)
{
    ComboFixture f(CBS_DROPDOWNLIST);
    SetFocus(f.combo);
    ControlParent::pump();
    f.parent.events.clear();
    keyPress(VK_DOWN);
    ControlParent::pump();
    EXPECT_EQ(f.current(), 0);
    EXPECT_EQ(selectionCodes(f.parent), std::vector<int>{CBN_SELCHANGE});

    f.parent.events.clear();
    keyPress(VK_F4);
    keyPress(VK_DOWN);
    keyPress(VK_ESCAPE);
    ControlParent::pump();
    EXPECT_EQ(f.current(), 0);
    EXPECT_EQ(selectionCodes(f.parent), (std::vector<int>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));

    f.parent.events.clear();
    keyPress(VK_F4);
    keyPress(VK_END);
    keyPress(VK_RETURN);
    ControlParent::pump();
    EXPECT_EQ(f.current(), 2);
    EXPECT_EQ(selectionCodes(f.parent),
        (std::vector<int>{CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));

    f.parent.events.clear();
    plat::headless::wheel(WHEEL_DELTA);
    ControlParent::pump();
    EXPECT_EQ(f.current(), 1);
    EXPECT_EQ(selectionCodes(f.parent), std::vector<int>{CBN_SELCHANGE});

    // Losing the focus closes an open list unchanged.
    f.parent.events.clear();
    keyPress(VK_F4);
    ControlParent::pump();
    SetFocus(f.parent.hwnd);
    ControlParent::pump();
    EXPECT_EQ(f.parent.codes(), (std::vector<int>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP, CBN_KILLFOCUS}));
    EXPECT_EQ(f.current(), 1);
}

// The owner placing the combo box again, as a page laid out anew does, is not the person's doing:
// the open list stays, drawn under the field where it now is and as wide as it, and only closes
// at Escape.
TEST(ComboBox, AnOpenListFollowsItsFieldWhereverTheOwnerPlacesIt)
{
    ComboFixture f(CBS_DROPDOWNLIST);
    SendMessageA(f.combo, CB_SETCURSEL, 1, 0);
    click(50, 20);
    ControlParent::pump();
    HWND list = WindowFromPoint(POINT{50, 10 + kField + 5});
    ASSERT_NE(list, f.parent.hwnd);
    struct Case {
        const char* how;
        RECT place; // given to the combo box, in the parent's client area
        RECT list;  // where the list then stands on the screen
    };
    const Case cases[] = {
        {"moved", {40, 60, 190, 60 + kField}, {40, 60 + kField, 190, 60 + kField + 3 * kRow + 2}},
        {"given a row taller than its field", {40, 60, 190, 84}, {40, 60 + kField, 190, 60 + kField + 3 * kRow + 2}},
        {"made wider", {40, 60, 290, 84}, {40, 60 + kField, 290, 60 + kField + 3 * kRow + 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        SetWindowPos(f.combo, nullptr, c.place.left, c.place.top, c.place.right - c.place.left,
            c.place.bottom - c.place.top, SWP_NOZORDER | SWP_NOACTIVATE);
        ControlParent::pump();
        RECT r;
        GetWindowRect(list, &r);
        EXPECT_TRUE(IsWindowVisible(list));
        EXPECT_EQ(r.left, c.list.left);
        EXPECT_EQ(r.top, c.list.top);
        EXPECT_EQ(r.right, c.list.right);
        EXPECT_EQ(r.bottom, c.list.bottom);
        EXPECT_EQ(plat::headless::windowPixel(list, r.right - r.left - 5, kRow + 7), GetSysColor(COLOR_HIGHLIGHT));
    }
    EXPECT_EQ(selectionCodes(f.parent), std::vector<int>{CBN_DROPDOWN});
    keyPress(VK_ESCAPE);
    ControlParent::pump();
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_EQ(selectionCodes(f.parent), (std::vector<int>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));
    EXPECT_EQ(f.current(), 1);
}

// A combo box procedure in front of the built-in one, as a framework wrapper puts it: a list
// under 10 px high grows to 100 px when it asks for its colours.
WNDPROC g_comboProc = nullptr;
HWND g_listSeen = nullptr;

LRESULT CALLBACK growingList(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CTLCOLORLISTBOX) {
        g_listSeen = HWND(lParam);
        RECT r;
        GetWindowRect(g_listSeen, &r);
        if (r.bottom - r.top < 10)
            MoveWindow(g_listSeen, r.left, r.top, r.right - r.left, 100, TRUE);
    }
    return CallWindowProcA(g_comboProc, hwnd, msg, wParam, lParam);
}

TEST(ComboBox, ListColoursComeThroughTheComboAndItsListMayGrowThen)
{
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    ComboFixture f(CBS_DROPDOWNLIST, 24); // a dropped height of 3
    f.parent.hook = [&](UINT msg, WPARAM, LPARAM, LRESULT& result) {
        result = LRESULT(green);
        return msg == WM_CTLCOLORLISTBOX;
    };
    g_comboProc = WNDPROC(SetWindowLongPtrA(f.combo, GWLP_WNDPROC, LONG_PTR(growingList)));
    SendMessageA(f.combo, CB_SHOWDROPDOWN, TRUE, 0);
    ControlParent::pump();
    ASSERT_NE(g_listSeen, nullptr);
    EXPECT_NE(g_listSeen, f.combo);
    RECT r;
    GetWindowRect(g_listSeen, &r);
    EXPECT_EQ(r.bottom - r.top, 100);
    EXPECT_EQ(plat::headless::windowPixel(g_listSeen, 100, 95), RGB(0, 255, 0));
    EXPECT_EQ(plat::headless::windowPixel(g_listSeen, 100, 2 * kRow + 5), RGB(0, 255, 0));
    auto asks = f.parent.only(WM_CTLCOLORLISTBOX);
    ASSERT_FALSE(asks.empty());
    for (const auto& ask : asks)
        EXPECT_EQ(ask.lParam, LPARAM(f.combo));
    SendMessageA(f.combo, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_FALSE(IsWindowVisible(g_listSeen));
    DestroyWindow(f.combo);
    DeleteObject(green);
}

TEST(ComboBox, ACollapsedListThatGrowsPastTheScreenBottomMovesAboveTheField)
{
    ComboFixture f(CBS_DROPDOWNLIST, 24);
    SetWindowPos(f.parent.hwnd, nullptr, 0, 700, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    g_listSeen = nullptr;
    g_comboProc = WNDPROC(SetWindowLongPtrA(f.combo, GWLP_WNDPROC, LONG_PTR(growingList)));
    SendMessageA(f.combo, CB_SHOWDROPDOWN, TRUE, 0);
    ControlParent::pump();
    ASSERT_NE(g_listSeen, nullptr);
    RECT r;
    GetWindowRect(g_listSeen, &r);
    EXPECT_EQ(r.bottom, 710);
    EXPECT_EQ(r.bottom - r.top, 100);
    DestroyWindow(f.combo);
}

// Dropped, a list shows its choice in its first row, or as near to it as a full list allows,
// also when it was collapsed and grew as it opened; its own bar scrolls it while it stays open.
TEST(ComboBox, ADroppedListStartsAtItsChoiceAndItsBarScrollsIt)
{
    struct Case {
        int chosen;
        int top;
    };
    // Twelve rows, six of which fit in 100 px.
    for (const Case c : {Case{-1, 0}, Case{5, 5}, Case{11, 6}}) {
        SCOPED_TRACE(c.chosen);
        ComboFixture f(CBS_DROPDOWNLIST, 24);
        SendMessageA(f.combo, CB_RESETCONTENT, 0, 0);
        for (int i = 0; i < 12; ++i)
            SendMessageA(f.combo, CB_ADDSTRING, 0, LPARAM(("item " + std::to_string(i)).c_str()));
        SendMessageA(f.combo, CB_SETCURSEL, WPARAM(c.chosen), 0);
        g_listSeen = nullptr;
        g_comboProc = WNDPROC(SetWindowLongPtrA(f.combo, GWLP_WNDPROC, LONG_PTR(growingList)));
        click(50, 20);
        ControlParent::pump();
        ASSERT_NE(g_listSeen, nullptr);
        HWND list = g_listSeen;
        SCROLLINFO si{sizeof si, SIF_POS | SIF_PAGE, 0, 0, 0, 0, 0};
        ASSERT_TRUE(GetScrollInfo(list, SB_VERT, &si));
        EXPECT_EQ(si.nPage, 6u);
        EXPECT_EQ(si.nPos, c.top);
        const int shownRow = std::max(c.chosen, 0) - c.top;
        if (c.chosen >= 0) {
            EXPECT_EQ(plat::headless::windowPixel(list, 60, shownRow * kRow + 7), GetSysColor(COLOR_HIGHLIGHT));
        }

        // The bar's up arrow, then a click beside the list, which still closes it.
        RECT r;
        GetWindowRect(list, &r);
        click(r.right - 9, r.top + 6);
        ControlParent::pump();
        EXPECT_TRUE(IsWindowVisible(list));
        EXPECT_EQ(GetCapture(), f.combo);
        ASSERT_TRUE(GetScrollInfo(list, SB_VERT, &si));
        EXPECT_EQ(si.nPos, std::max(c.top - 1, 0));
        click(300, 250);
        ControlParent::pump();
        EXPECT_FALSE(IsWindowVisible(list));
        EXPECT_EQ(f.current(), c.chosen);
        DestroyWindow(f.combo);
    }
}

// WS_VSCROLL belongs to the list: the field keeps its whole width, its text stops at the drop
// button, and the list is as wide as its widest entry while it stays on the screen.
TEST(ComboBox, TheFieldClipsItsTextAndTheListFitsItsEntriesOnTheScreen)
{
    const char* const entry = "an entry well wider than the field"; // 34 x 7 = 238 px
    constexpr COLORREF kInk = RGB(0, 200, 0);
    struct Case {
        int left;
        int listLeft;
    };
    constexpr int kListWidth = 34 * 7 + 4 + 2;
    for (const Case c : {Case{10, 10}, Case{1024 - 120, 1024 - kListWidth}}) {
        SCOPED_TRACE(c.left);
        const int left = c.left;
        ComboFixture f(CBS_DROPDOWNLIST);
        SetWindowPos(f.parent.hwnd, nullptr, left - 10, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        f.parent.hook = [&](UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
            if (msg != WM_CTLCOLOREDIT)
                return false;
            SetTextColor(HDC(wParam), kInk);
            result = LRESULT(GetSysColorBrush(COLOR_WINDOW));
            return true;
        };
        SendMessageA(f.combo, CB_ADDSTRING, 0, LPARAM(entry));
        SendMessageA(f.combo, CB_SETCURSEL, 3, 0);
        ControlParent::pump();
        RECT client;
        GetClientRect(f.combo, &client);
        EXPECT_EQ(client.right, 150);
        int inkBeforeButton = 0;
        for (int y = 0; y < kField; ++y)
            for (int x = 0; x < 150; ++x) {
                const bool ink = plat::headless::windowPixel(f.combo, x, y) == kInk;
                ASSERT_FALSE(ink && x >= 150 - 2 - 16) << x << ", " << y;
                inkBeforeButton += ink;
            }
        EXPECT_GT(inkBeforeButton, 0);

        SendMessageA(f.combo, CB_SHOWDROPDOWN, TRUE, 0);
        ControlParent::pump();
        HWND list = WindowFromPoint(POINT{c.listLeft + kListWidth - 5, 10 + kField + 5});
        ASSERT_NE(list, nullptr);
        ASSERT_NE(list, f.parent.hwnd);
        RECT r;
        GetWindowRect(list, &r);
        EXPECT_EQ(r.left, c.listLeft);
        EXPECT_EQ(r.right - r.left, kListWidth);
        DestroyWindow(f.combo);
    }
}

TEST(ComboBox, ItemsSortingAndMessagesWithoutAnEdit)
{
    ControlParent parent;
    HWND combo = parent.child("ComboBox", CBS_DROPDOWNLIST | CBS_SORT, RECT{10, 10, 160, 100});
    for (const char* item : {"b", "A", "a"})
        SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(item));
    EXPECT_EQ(SendMessageA(combo, CB_INSERTSTRING, 0, LPARAM("z")), 0);
    EXPECT_EQ(SendMessageA(combo, CB_INSERTSTRING, WPARAM(-1), LPARAM("c")), 4);
    EXPECT_EQ(SendMessageA(combo, CB_INSERTSTRING, 9, LPARAM("x")), CB_ERR);
    std::vector<std::string> items;
    char buffer[16];
    for (int i = 0; i < SendMessageA(combo, CB_GETCOUNT, 0, 0); ++i) {
        EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, i, LPARAM(buffer)), SendMessageA(combo, CB_GETLBTEXTLEN, i, 0));
        items.push_back(buffer);
    }
    EXPECT_EQ(items, (std::vector<std::string>{"z", "A", "a", "b", "c"}));
    EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, 1, 0), 0);
    EXPECT_EQ(SendMessageA(combo, CB_SETITEMDATA, 1, LPARAM(0x1234567890)), TRUE);
    EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, 1, 0), LPARAM(0x1234567890));
    EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 5, LPARAM(buffer)), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_SETITEMDATA, -1, 0), CB_ERR);

    EXPECT_EQ(windowText(combo), "");
    EXPECT_EQ(SendMessageA(combo, WM_SETTEXT, 0, LPARAM("B")), TRUE);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(SendMessageA(combo, WM_SETTEXT, 0, LPARAM("nope")), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, WPARAM(-1), 0), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_LIMITTEXT, 5, 0), 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETEDITSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(combo, CB_SETEDITSEL, 0, 0), CB_ERR);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
    EXPECT_TRUE(parent.codes().empty());
}

TEST(ComboBox, ADropDownEditsInItsEdit)
{
    ComboFixture f(CBS_DROPDOWN);
    HWND edit = WindowFromPoint(POINT{30, 20});
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(edit, GWLP_ID), 1001);
    EXPECT_FALSE(GetWindowLongPtrA(edit, GWL_STYLE) & ES_AUTOHSCROLL);
    click(30, 20);
    ControlParent::pump();
    EXPECT_EQ(GetFocus(), edit);
    plat::headless::typeText("t");
    ControlParent::pump();
    EXPECT_EQ(windowText(f.combo), "t");
    EXPECT_EQ(f.parent.codes(), (std::vector<int>{CBN_SETFOCUS, CBN_EDITUPDATE, CBN_EDITCHANGE}));
    EXPECT_EQ(f.current(), -1);
    auto colours = f.parent.only(WM_CTLCOLOREDIT);
    ASSERT_FALSE(colours.empty());
    for (const auto& ask : colours)
        EXPECT_EQ(ask.lParam, LPARAM(f.combo)) << "the edit's colours are asked in the combo box's name";

    f.parent.events.clear();
    SendMessageA(f.combo, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(windowText(f.combo), "one");
    EXPECT_EQ(SendMessageA(f.combo, CB_GETEDITSEL, 0, 0), MAKELONG(0, 3));
    EXPECT_EQ(SendMessageA(f.combo, CB_SETEDITSEL, 0, MAKELPARAM(1, 2)), TRUE);
    EXPECT_EQ(SendMessageA(f.combo, CB_GETEDITSEL, 0, 0), MAKELONG(1, 2));
    EXPECT_NE(SendMessageA(f.combo, CB_LIMITTEXT, 5, 0), 0);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 5);
    SendMessageA(f.combo, WM_CLEAR, 0, 0);
    EXPECT_EQ(windowText(f.combo), "oe");
    EXPECT_EQ(f.parent.codes(), (std::vector<int>{CBN_EDITUPDATE, CBN_EDITCHANGE}));
    // Down in the edit moves the selection, as in the list.
    f.parent.events.clear();
    keyPress(VK_DOWN);
    ControlParent::pump();
    EXPECT_EQ(f.current(), 1);
    EXPECT_EQ(windowText(f.combo), "two");
    EXPECT_EQ(f.parent.codes(), std::vector<int>{CBN_SELCHANGE});
}

TEST(ComboBox, AListThatWouldPassTheScreenBottomOpensAboveTheField)
{
    ControlParent parent;
    SetWindowPos(parent.hwnd, nullptr, 0, 600, 400, 168, SWP_NOZORDER | SWP_NOACTIVATE);
    HWND combo = parent.child("ComboBox", CBS_DROPDOWNLIST | WS_VSCROLL, RECT{10, 10, 160, 231});
    for (int i = 0; i < 20; ++i)
        SendMessageA(combo, CB_ADDSTRING, 0, LPARAM("item"));
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    ControlParent::pump();
    HWND list = WindowFromPoint(POINT{50, 600});
    ASSERT_NE(list, nullptr);
    RECT r;
    GetWindowRect(list, &r);
    EXPECT_EQ(r.bottom, 610);
    EXPECT_EQ(r.bottom - r.top, 200);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.right, 160);
    // Twenty rows do not fit in 198: the list shows its own bar.
    RECT client;
    GetClientRect(list, &client);
    EXPECT_EQ(client.right, 150 - 2 - 16);
    EXPECT_EQ(GetFocus() == list, false);
    DestroyWindow(combo);
    EXPECT_FALSE(IsWindow(list));
}

TEST(ComboBox, ASimpleComboBoxKeepsItsListShown)
{
    ControlParent parent;
    HWND combo = parent.child("ComboBox", CBS_SIMPLE, RECT{10, 10, 160, 110});
    for (const char* item : {"one", "two"})
        SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(item));
    SetActiveWindow(parent.hwnd);
    ControlParent::pump();
    RECT r;
    GetWindowRect(combo, &r);
    EXPECT_EQ(r.bottom - r.top, 100);
    parent.events.clear();
    click(50, 10 + kField + 1 + kRow + 5); // the second row
    ControlParent::pump();
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(windowText(combo), "two");
    EXPECT_EQ(selectionCodes(parent), std::vector<int>{CBN_SELCHANGE});
}

TEST(ComboBox, ANewFontResizesTheFieldKeepingTopAndWidth)
{
    ControlParent parent;
    HWND combo = parent.child("ComboBox", CBS_DROPDOWNLIST, RECT{10, 10, 160, 110});
    HFONT big = CreateFontA(-26, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Sans");
    SendMessageA(combo, WM_SETFONT, WPARAM(big), TRUE);
    EXPECT_EQ(HFONT(SendMessageA(combo, WM_GETFONT, 0, 0)), big);
    RECT r;
    GetWindowRect(combo, &r);
    TEXTMETRICA tm{};
    HDC dc = GetDC(combo);
    HGDIOBJ old = SelectObject(dc, big);
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(combo, dc);
    EXPECT_EQ(r.top, 10);
    EXPECT_EQ(r.right - r.left, 150);
    EXPECT_EQ(r.bottom - r.top, tm.tmHeight + 2 + 6);
    DestroyWindow(combo);
    DeleteObject(big);
}

} // namespace
