#include "ControlTestSupport.h"

#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using plat::headless::click;
using vnt::test::ControlParent;

namespace {

// Test font: rows of 13 + 2 = 15 px.
constexpr int kRow = 15;

struct ListFixture {
    explicit ListFixture(DWORD style, int items = 3, RECT r = {10, 10, 110, 10 + 4 * kRow})
        : list(parent.child("ListBox", style, r, 9))
    {
        for (int i = 0; i < items; ++i)
            SendMessageA(list, LB_ADDSTRING, 0, LPARAM(std::string(1, char('a' + i)).c_str()));
        SetActiveWindow(parent.hwnd);
        ControlParent::pump();
        parent.events.clear();
    }
    ControlParent parent;
    HWND list;
};

TEST(ListBox, ItemFromPoint)
{
    ListFixture f(LBS_NOINTEGRALHEIGHT);
    const struct {
        POINT pt;
        int item;
        int outside;
    } cases[] = {
        {{5, kRow + 3}, 1, 0},
        {{5, 3 * kRow + 2}, 2, 1}, // below the last item
        {{5, -4}, 0, 1},
        {{150, kRow + 3}, 1, 1}, // right of the client area
        {{5, 500}, 2, 1},
    };
    for (const auto& c : cases) {
        const LRESULT r = SendMessageA(f.list, LB_ITEMFROMPOINT, 0, MAKELPARAM(c.pt.x, c.pt.y));
        EXPECT_EQ(LOWORD(r), c.item) << c.pt.x << "," << c.pt.y;
        EXPECT_EQ(HIWORD(r), c.outside) << c.pt.x << "," << c.pt.y;
    }
}

TEST(ListBox, MultipleSelectionTogglesByClickAndReportsItems)
{
    ListFixture f(LBS_MULTIPLESEL | LBS_NOTIFY, 4);
    click(20, 10 + 3);
    click(20, 10 + 2 * kRow + 3);
    click(20, 10 + kRow + 3);
    click(20, 10 + 3); // off again
    ControlParent::pump();
    int items[8] = {};
    ASSERT_EQ(SendMessageA(f.list, LB_GETSELITEMS, 8, LPARAM(items)), 2);
    EXPECT_EQ(items[0], 1);
    EXPECT_EQ(items[1], 2);
    EXPECT_EQ(SendMessageA(f.list, LB_GETSELCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageA(f.list, LB_GETCURSEL, 0, 0), 0); // the caret
    EXPECT_EQ(f.parent.codes(), (std::vector<int>{LBN_SETFOCUS, LBN_SELCHANGE, LBN_SELCHANGE, LBN_SELCHANGE,
                                    LBN_SELCHANGE}));
    // LB_SETSEL: -1 is every item; a single-selection list refuses it.
    EXPECT_EQ(SendMessageA(f.list, LB_SETSEL, TRUE, -1), 0);
    EXPECT_EQ(SendMessageA(f.list, LB_GETSELCOUNT, 0, 0), 4);
    ListFixture single(0);
    EXPECT_EQ(SendMessageA(single.list, LB_SETSEL, TRUE, 0), LB_ERR);
    EXPECT_EQ(SendMessageA(f.list, LB_SETCURSEL, 0, 0), LB_ERR);
}

// Extended selection as on any desktop: a click selects one item and anchors there, Control+click
// toggles one, Shift with a click or an arrow selects the range from the anchor.
TEST(ListBox, ExtendedSelectionTakesRangesFromTheAnchor)
{
    ListFixture f(LBS_EXTENDEDSEL | LBS_NOTIFY, 6, {10, 10, 110, 10 + 6 * kRow});
    const auto selection = [&] {
        std::string out;
        for (int i = 0; i < 6; ++i)
            if (SendMessageA(f.list, LB_GETSEL, WPARAM(i), 0) > 0)
                out += char('a' + i);
        return out;
    };
    const struct {
        std::vector<UINT> held;
        int row; // clicked, or -1 for the key
        UINT key;
        const char* selected;
    } steps[] = {
        {{}, 1, 0, "b"},
        {{VK_SHIFT}, 3, 0, "bcd"},
        {{VK_SHIFT}, 0, 0, "ab"}, // the anchor stays on b
        {{VK_CONTROL}, 4, 0, "abe"},
        {{VK_CONTROL, VK_SHIFT}, 5, 0, "abef"}, // added, from the new anchor e
        {{VK_CONTROL}, 1, 0, "aef"},
        {{}, 2, 0, "c"},
        {{VK_SHIFT}, -1, VK_DOWN, "cd"},
        {{VK_SHIFT}, -1, VK_DOWN, "cde"},
        {{VK_CONTROL}, -1, VK_UP, "cde"}, // Control moves the caret alone
        {{}, -1, VK_UP, "c"},
    };
    for (const auto& step : steps) {
        for (UINT vk : step.held)
            plat::headless::key(vk, true);
        if (step.row >= 0)
            click(20, 10 + step.row * kRow + 3);
        else
            plat::headless::keyPress(step.key);
        for (UINT vk : step.held)
            plat::headless::key(vk, false);
        ControlParent::pump();
        EXPECT_EQ(selection(), step.selected) << "row " << step.row << " key " << step.key;
    }
    EXPECT_EQ(SendMessageA(f.list, LB_GETSELCOUNT, 0, 0), 1);

    // New content starts without an anchor: Shift+click selects the clicked item alone.
    SendMessageA(f.list, LB_RESETCONTENT, 0, 0);
    for (const char* text : {"a", "b", "c", "d"})
        SendMessageA(f.list, LB_ADDSTRING, 0, LPARAM(text));
    plat::headless::key(VK_SHIFT, true);
    click(20, 10 + 3 * kRow + 3);
    plat::headless::key(VK_SHIFT, false);
    ControlParent::pump();
    EXPECT_EQ(selection(), "d");
}

TEST(ListBox, SelChangeOnlyForTheUserAndOnlyWhenAsked)
{
    for (DWORD style : {DWORD(0), DWORD(LBS_NOTIFY)}) {
        ListFixture f(style);
        SendMessageA(f.list, LB_SETCURSEL, 1, 0);
        EXPECT_EQ(SendMessageA(f.list, LB_GETCURSEL, 0, 0), 1);
        SetFocus(f.list);
        plat::headless::keyPress(VK_DOWN);
        plat::headless::keyPress(VK_HOME);
        ControlParent::pump();
        EXPECT_EQ(SendMessageA(f.list, LB_GETCURSEL, 0, 0), 0);
        const std::vector<int> expected = style ? std::vector<int>{LBN_SETFOCUS, LBN_SELCHANGE, LBN_SELCHANGE}
                                                : std::vector<int>{};
        EXPECT_EQ(f.parent.codes(), expected);
    }
}

TEST(ListBox, SortedItemsWholeRowsAndScrolling)
{
    ControlParent parent;
    HWND list = parent.child("ListBox", LBS_SORT | WS_VSCROLL, {0, 0, 100, 2 * kRow + 7}, 3);
    for (const char* s : {"pear", "Apple", "fig", "banana"})
        SendMessageA(list, LB_ADDSTRING, 0, LPARAM(s));
    char text[16] = {};
    EXPECT_EQ(SendMessageA(list, LB_GETTEXT, 1, LPARAM(text)), 6);
    EXPECT_STREQ(text, "banana");
    EXPECT_EQ(SendMessageA(list, LB_GETTEXTLEN, 0, 0), 5);
    RECT client;
    GetClientRect(list, &client);
    EXPECT_EQ(client.bottom, 2 * kRow); // the partial row went
    SetFocus(list);
    plat::headless::keyPress(VK_END);
    ControlParent::pump();
    EXPECT_EQ(SendMessageA(list, LB_GETTOPINDEX, 0, 0), 2);
    plat::headless::mouseMove(20, 5);
    plat::headless::wheel(WHEEL_DELTA);
    ControlParent::pump();
    EXPECT_EQ(SendMessageA(list, LB_GETTOPINDEX, 0, 0), 0);
    EXPECT_EQ(SendMessageA(list, LB_DELETESTRING, 0, 0), 3);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 2);
}

} // namespace
