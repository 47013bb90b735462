#include "InputTestSupport.h"

#include "plat/controls.h"
#include "plat/errors.h"
#include "plat/gdi.h"
#include "plat/sysmetrics.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <vector>

using plat::headless::mouseButton;
using plat::headless::mouseMove;
using vnt::test::InputRecorder;
using vnt::test::Seen;

namespace {

SCROLLINFO info(UINT mask, int min, int max, UINT page, int pos)
{
    return SCROLLINFO{sizeof(SCROLLINFO), mask, min, max, page, pos, 0};
}

SCROLLINFO read(HWND hwnd, int bar)
{
    SCROLLINFO si{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    EXPECT_TRUE(GetScrollInfo(hwnd, bar, &si));
    return si;
}

// The scroll codes of the WM_VSCROLL messages seen, with their lParam checked.
std::vector<int> scrollCodes(const InputRecorder& rec, LPARAM expectedSource)
{
    std::vector<int> codes;
    for (const Seen& s : rec.only({WM_VSCROLL})) {
        EXPECT_EQ(s.lParam, expectedSource);
        codes.push_back(LOWORD(s.wParam));
    }
    return codes;
}

// A vertical bar 16 x 200 at (10, 10) of a 300 x 300 pop-up: arrows 16 px, trough 168 px. With
// (0, 300, page 100) the thumb is 168 * 100 / 301 = 55 px, from y 26 to 81 on the screen at 0.
struct BarFixture {
    InputRecorder rec;
    HWND parent = rec.window(RECT{0, 0, 300, 300});
    HWND bar = CreateWindowExA(0, "scrollbar", "", WS_CHILD | WS_VISIBLE | SBS_VERT, 10, 10, 16, 200, parent,
        HMENU(7), nullptr, nullptr);

    BarFixture()
    {
        SCROLLINFO si = info(SIF_RANGE | SIF_PAGE | SIF_POS, 0, 300, 100, 0);
        EXPECT_EQ(SetScrollInfo(bar, SB_CTL, &si, TRUE), 0);
        InputRecorder::pump();
        rec.seen.clear();
    }
};

TEST(ScrollBar, TroughPressPagesAndRepeatsOnTheClock)
{
    vnt::test::ManualClock clock;
    BarFixture f;
    mouseMove(18, 160);
    mouseButton(0, true);
    InputRecorder::pump();
    EXPECT_EQ(scrollCodes(f.rec, LPARAM(f.bar)), std::vector<int>{SB_PAGEDOWN});
    clock.advance(399);
    InputRecorder::pump();
    EXPECT_EQ(scrollCodes(f.rec, LPARAM(f.bar)).size(), 1u);
    clock.advance(1);
    InputRecorder::pump();
    EXPECT_EQ(scrollCodes(f.rec, LPARAM(f.bar)).size(), 2u);
    clock.advance(100);
    InputRecorder::pump();
    clock.advance(100);
    InputRecorder::pump();
    EXPECT_EQ(scrollCodes(f.rec, LPARAM(f.bar)).size(), 4u);
    mouseButton(0, false);
    InputRecorder::pump();
    clock.advance(1000);
    InputRecorder::pump();
    EXPECT_EQ(scrollCodes(f.rec, LPARAM(f.bar)),
        (std::vector<int>{SB_PAGEDOWN, SB_PAGEDOWN, SB_PAGEDOWN, SB_PAGEDOWN, SB_ENDSCROLL}));
    EXPECT_EQ(read(f.bar, SB_CTL).nPos, 0) << "the bar waits for its receiver to move it";
    EXPECT_NE(GetFocus(), f.bar);
}

TEST(ScrollBar, PagingStopsOnceTheThumbReachesTheMouse)
{
    vnt::test::ManualClock clock;
    BarFixture f;
    mouseMove(18, 100); // just under the thumb
    mouseButton(0, true);
    InputRecorder::pump();
    SCROLLINFO si = info(SIF_POS, 0, 0, 0, 100); // the receiver pages: the thumb now covers the mouse
    SetScrollInfo(f.bar, SB_CTL, &si, TRUE);
    clock.advance(400);
    InputRecorder::pump();
    mouseButton(0, false);
    InputRecorder::pump();
    EXPECT_EQ(scrollCodes(f.rec, LPARAM(f.bar)), (std::vector<int>{SB_PAGEDOWN, SB_ENDSCROLL}));
}

TEST(ScrollBar, ThumbDragTracksThenReportsThePosition)
{
    BarFixture f;
    mouseMove(18, 40);
    mouseButton(0, true);
    InputRecorder::pump();
    std::vector<int> tracked;
    for (int y : {50, 60, 60, 90}) {
        mouseMove(18, y);
        InputRecorder::pump();
        tracked.push_back(read(f.bar, SB_CTL).nTrackPos);
    }
    mouseButton(0, false);
    InputRecorder::pump();
    auto msgs = f.rec.only({WM_VSCROLL});
    ASSERT_EQ(msgs.size(), 5u); // the repeated 60 sends nothing
    int last = 0;
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(LOWORD(msgs[i].wParam), SB_THUMBTRACK);
        EXPECT_GT(int(HIWORD(msgs[i].wParam)), last);
        last = HIWORD(msgs[i].wParam);
    }
    EXPECT_EQ(tracked, (std::vector<int>{int(HIWORD(msgs[0].wParam)), int(HIWORD(msgs[1].wParam)),
                           int(HIWORD(msgs[1].wParam)), last}));
    EXPECT_EQ(LOWORD(msgs[3].wParam), SB_THUMBPOSITION);
    EXPECT_EQ(int(HIWORD(msgs[3].wParam)), last);
    EXPECT_EQ(LOWORD(msgs[4].wParam), SB_ENDSCROLL);
    const SCROLLINFO after = read(f.bar, SB_CTL);
    EXPECT_EQ(after.nPos, 0);
    EXPECT_EQ(after.nTrackPos, 0);
}

TEST(ScrollBar, LostCaptureEndsTheGesture)
{
    BarFixture f;
    mouseMove(18, 15); // the upper arrow
    mouseButton(0, true);
    InputRecorder::pump();
    ReleaseCapture();
    InputRecorder::pump();
    EXPECT_EQ(scrollCodes(f.rec, LPARAM(f.bar)), (std::vector<int>{SB_LINEUP, SB_ENDSCROLL}));
    mouseButton(0, false);
    InputRecorder::pump();
}

TEST(ScrollBar, TroughTakesTheParentsBrush)
{
    InputRecorder rec;
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    HWND parent = rec.window(RECT{0, 0, 300, 300});
    rec.answer(parent, WM_CTLCOLORSCROLLBAR, LRESULT(green));
    HWND bar = CreateWindowExA(0, "ScrollBar", "", WS_CHILD | WS_VISIBLE | SBS_VERT, 10, 10, 16, 200, parent, nullptr,
        nullptr, nullptr);
    SCROLLINFO si = info(SIF_RANGE | SIF_PAGE, 0, 300, 100, 0);
    SetScrollInfo(bar, SB_CTL, &si, TRUE);
    InputRecorder::pump();
    EXPECT_EQ(plat::headless::windowPixel(bar, 8, 150), RGB(0, 255, 0));
    auto colours = rec.only({WM_CTLCOLORSCROLLBAR});
    ASSERT_FALSE(colours.empty());
    EXPECT_EQ(colours.back().lParam, LPARAM(bar));
    DestroyWindow(bar);
    DeleteObject(green);
}

// Each arrow's tip, its narrowest line of ink, lies on the side it points to: up or left for the
// first arrow, down or right for the last.
TEST(ScrollBar, ArrowsPointAwayFromTheTrough)
{
    InputRecorder rec;
    HWND parent = rec.window(RECT{0, 0, 300, 300});
    HWND vert = CreateWindowExA(0, "ScrollBar", "", WS_CHILD | WS_VISIBLE | SBS_VERT, 10, 10, 16, 200, parent,
        nullptr, nullptr, nullptr);
    HWND horz = CreateWindowExA(0, "ScrollBar", "", WS_CHILD | WS_VISIBLE | SBS_HORZ, 40, 10, 200, 16, parent,
        nullptr, nullptr, nullptr);
    for (HWND bar : {vert, horz}) {
        SCROLLINFO si = info(SIF_RANGE | SIF_PAGE | SIF_POS, 0, 300, 100, 100);
        SetScrollInfo(bar, SB_CTL, &si, TRUE);
    }
    InputRecorder::pump();
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    // The ink of each line across the arrow, from the bar's start to its end.
    auto inkPerLine = [&](HWND bar, bool vertical, int boxStart) {
        std::vector<int> lines;
        for (int along = boxStart; along < boxStart + 16; ++along) {
            int count = 0;
            for (int across = 0; across < 16; ++across)
                count += plat::headless::windowPixel(bar, vertical ? across : along, vertical ? along : across) == ink;
            if (count)
                lines.push_back(count);
        }
        return lines;
    };
    struct Case {
        HWND bar;
        bool vertical;
        int boxStart;
        bool tipFirst;
    };
    const Case cases[] = {{vert, true, 0, true}, {vert, true, 184, false}, {horz, false, 0, true},
        {horz, false, 184, false}};
    for (const Case& c : cases) {
        const std::vector<int> lines = inkPerLine(c.bar, c.vertical, c.boxStart);
        ASSERT_GE(lines.size(), 2u);
        if (c.tipFirst)
            EXPECT_LT(lines.front(), lines.back()) << c.vertical << " " << c.boxStart;
        else
            EXPECT_GT(lines.front(), lines.back()) << c.vertical << " " << c.boxStart;
    }
    DestroyWindow(vert);
    DestroyWindow(horz);
}

TEST(ScrollBar, SettingsAreClamped)
{
    InputRecorder rec;
    HWND parent = rec.window(RECT{0, 0, 300, 300});
    HWND bar = CreateWindowExA(0, "ScrollBar", "", WS_CHILD | SBS_HORZ, 0, 0, 200, 16, parent, nullptr, nullptr, nullptr);
    struct Case {
        SCROLLINFO set;
        int answer, page, pos;
    };
    const Case cases[] = {
        {info(SIF_RANGE | SIF_PAGE | SIF_POS, 0, 300, 500, 50), 0, 301, 0}, // page above range
        {info(SIF_RANGE | SIF_PAGE | SIF_POS, 0, 300, 100, 1000), 201, 100, 201}, // position above max
        {info(SIF_RANGE | SIF_PAGE | SIF_POS, 10, 20, 0, 5), 10, 0, 10}, // below min, no page
        {info(SIF_POS, 0, 0, 0, 15), 15, 0, 15}, // the other settings stay
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SetScrollInfo(bar, SB_CTL, &c.set, FALSE), c.answer);
        const SCROLLINFO now = read(bar, SB_CTL);
        EXPECT_EQ(int(now.nPage), c.page);
        EXPECT_EQ(now.nPos, c.pos);
        EXPECT_EQ(now.nTrackPos, c.pos);
    }
    SCROLLINFO bad = info(SIF_POS, 0, 0, 0, 1);
    bad.cbSize = 20;
    SetLastError(0);
    EXPECT_EQ(SetScrollInfo(bar, SB_CTL, &bad, FALSE), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(GetScrollInfo(bar, SB_CTL, &bad));
    EXPECT_EQ(SendMessageA(bar, WM_GETDLGCODE, 0, 0), 1);
    EXPECT_FALSE(UnregisterClassA("SCROLLBAR", nullptr));
    DestroyWindow(bar);
}

TEST(OwnScrollBar, ShowsWhenOverfullAndPagesTheWindowItself)
{
    InputRecorder rec;
    HWND list = rec.window(RECT{0, 0, 200, 200}, nullptr, WS_VSCROLL);
    SCROLLINFO fits = info(SIF_RANGE | SIF_PAGE, 0, 9, 20, 0);
    SetScrollInfo(list, SB_VERT, &fits, TRUE);
    RECT client;
    GetClientRect(list, &client);
    EXPECT_EQ(client.right, 200);
    InputRecorder::pump();
    rec.seen.clear();

    SCROLLINFO overfull = info(SIF_RANGE | SIF_PAGE, 0, 99, 20, 0);
    SetScrollInfo(list, SB_VERT, &overfull, TRUE);
    GetClientRect(list, &client);
    EXPECT_EQ(client.right, 184);
    auto sizes = rec.only({WM_SIZE});
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(LOWORD(sizes[0].lParam), 184);
    InputRecorder::pump();

    EXPECT_EQ(SendMessageA(list, WM_NCHITTEST, 0, MAKELPARAM(190, 150)), HTVSCROLL);
    rec.seen.clear();
    plat::headless::click(192, 150);
    InputRecorder::pump();
    EXPECT_EQ(scrollCodes(rec, 0), (std::vector<int>{SB_PAGEDOWN, SB_ENDSCROLL}));

    SCROLLINFO kept = info(SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL, 0, 9, 20, 0);
    SetScrollInfo(list, SB_VERT, &kept, TRUE);
    GetClientRect(list, &client);
    EXPECT_EQ(client.right, 184);
    ShowScrollBar(list, SB_VERT, FALSE);
    GetClientRect(list, &client);
    EXPECT_EQ(client.right, 200);
}

} // namespace
