#include "ControlTestSupport.h"

#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"

#include <gtest/gtest.h>

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
