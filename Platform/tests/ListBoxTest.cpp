#include "ControlTestSupport.h"

#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
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

namespace {

// A list of ten whole rows at (10, 10) with its own bar, and the thumb as a person sees it on the
// bar: the rows where the bar shows the face colour across two neighbouring columns (the trough
// is a half-tone, so it never does).
struct BarredList {
    static constexpr int kPage = 10;
    static constexpr int kTop = 10, kLeft = 10, kWidth = 120;

    explicit BarredList(int rows)
        : list(parent.child("ListBox", WS_VSCROLL | LBS_NOINTEGRALHEIGHT,
              {kLeft, kTop, kLeft + kWidth, kTop + kPage * kRow}, 9))
    {
        for (int i = 0; i < rows; ++i)
            SendMessageA(list, LB_ADDSTRING, 0, LPARAM(("row " + std::to_string(100 + i)).c_str()));
        ControlParent::pump();
    }

    // The bar's middle column, in the parent's client coordinates.
    static int column() { return kLeft + kWidth - GetSystemMetrics(SM_CXVSCROLL) / 2; }
    static int arrow() { return GetSystemMetrics(SM_CYVSCROLL); }
    static int troughTop() { return kTop + arrow(); }
    static int troughBottom() { return kTop + kPage * kRow - arrow(); }

    // The thumb's first and last row of face colour, {-1, -1} for none.
    std::pair<int, int> thumb() const
    {
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        int first = -1, last = -1;
        for (int y = troughTop(); y < troughBottom(); ++y)
            if (plat::headless::windowPixel(parent.hwnd, column(), y) == face
                && plat::headless::windowPixel(parent.hwnd, column() + 1, y) == face) {
                first = first < 0 ? y : first;
                last = y;
            }
        return {first, last};
    }
    int top() const { return int(SendMessageA(list, LB_GETTOPINDEX, 0, 0)); }

    ControlParent parent;
    HWND list;
};

// The thumb stands where the list is, for a list a little longer than its page, one nearly two
// pages long and one of four pages: at the top, halfway and at the end.
TEST(ListBox, ThumbStandsWhereTheListIs)
{
    for (int rows : {12, 18, 41}) {
        BarredList f(rows);
        const int last = rows - BarredList::kPage;
        for (int top : {0, last / 2, last}) {
            SCOPED_TRACE(std::to_string(rows) + " rows from row " + std::to_string(top));
            SendMessageA(f.list, LB_SETTOPINDEX, WPARAM(top), 0);
            ControlParent::pump();
            ASSERT_EQ(f.top(), top);
            const auto [first, end] = f.thumb();
            ASSERT_GT(first, 0) << "no thumb to be seen";
            const int length = end - first + 1;
            EXPECT_NEAR(length, (BarredList::troughBottom() - BarredList::troughTop()) * BarredList::kPage / rows, 4);
            // Where the thumb stands along the room it has, against where the list stands.
            const int room = BarredList::troughBottom() - BarredList::troughTop() - length;
            const double along = room > 0 ? double(first - BarredList::troughTop()) / room : 0;
            EXPECT_NEAR(along, double(top) / last, 0.1);
        }
    }
}

// Dragging the thumb down moves the list down, and the thumb stays under the mouse; dragging it
// back up brings the list back to its top.
TEST(ListBox, DraggingTheThumbMovesTheListTheSameWay)
{
    for (int rows : {12, 18, 41}) {
        SCOPED_TRACE(std::to_string(rows) + " rows");
        BarredList f(rows);
        const auto [first, end] = f.thumb();
        ASSERT_GT(first, 0);
        POINT grab{BarredList::column(), (first + end) / 2};
        ClientToScreen(f.parent.hwnd, &grab);
        plat::headless::mouseMove(grab.x, grab.y);
        plat::headless::mouseButton(0, true);
        int lastTop = 0;
        for (int step = 1; step <= 3; ++step) {
            plat::headless::mouseMove(grab.x, grab.y + step * (BarredList::troughBottom() - end) / 3);
            ControlParent::pump();
            EXPECT_GE(f.top(), lastTop) << "a drag down moved the list up";
            lastTop = f.top();
        }
        EXPECT_EQ(f.top(), rows - BarredList::kPage) << "the thumb at the bottom shows the list's end";
        const auto [downFirst, downEnd] = f.thumb();
        EXPECT_EQ(downEnd - downFirst, end - first);
        EXPECT_NEAR(downEnd, BarredList::troughBottom() - 1, 2);
        plat::headless::mouseMove(grab.x, grab.y - 40);
        ControlParent::pump();
        EXPECT_EQ(f.top(), 0) << "the thumb at the top shows the list's top";
        plat::headless::mouseButton(0, false);
        ControlParent::pump();
        EXPECT_EQ(f.thumb().first, first);
    }
}

} // namespace
