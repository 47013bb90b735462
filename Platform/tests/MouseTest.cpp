#include "InputTestSupport.h"

#include "plat/paint.h"
#include "plat/region.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

using plat::headless::click;
using plat::headless::mouseMove;
using vnt::test::InputRecorder;
using vnt::test::Seen;

namespace {

TEST(Mouse, CaptureTakesEveryMoveAsClientMessages)
{
    InputRecorder rec;
    HWND top = rec.window(RECT{0, 0, 400, 200});
    HWND a = rec.window(RECT{10, 10, 110, 110}, top);
    HWND b = rec.window(RECT{200, 10, 300, 110}, top);
    SetActiveWindow(top);
    EXPECT_EQ(SetCapture(a), nullptr);
    EXPECT_EQ(GetCapture(), a);
    rec.seen.clear();
    mouseMove(205, 5); // over top, right of and above a
    rec.pump();
    mouseMove(250, 50); // over b
    rec.pump();
    auto moves = rec.only({WM_MOUSEMOVE, WM_NCHITTEST, WM_SETCURSOR});
    ASSERT_EQ(moves.size(), 4u);
    for (const Seen& s : moves)
        EXPECT_EQ(s.hwnd, a);
    EXPECT_EQ(moves[0].msg, UINT(WM_NCHITTEST));
    EXPECT_EQ(moves[1].msg, UINT(WM_MOUSEMOVE));
    EXPECT_EQ(GET_X_LPARAM(moves[1].lParam), 195);
    EXPECT_EQ(GET_Y_LPARAM(moves[1].lParam), -5);
    EXPECT_EQ(GET_X_LPARAM(moves[3].lParam), 240);
    EXPECT_EQ(WindowFromPoint(POINT{250, 50}), b);

    rec.seen.clear();
    EXPECT_EQ(SetCapture(b), a);
    auto changed = rec.only({WM_CAPTURECHANGED});
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].hwnd, a);
    EXPECT_EQ(changed[0].lParam, LPARAM(b));
    rec.seen.clear();
    EXPECT_TRUE(ReleaseCapture());
    changed = rec.only({WM_CAPTURECHANGED});
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].hwnd, b);
    EXPECT_EQ(changed[0].lParam, 0);
    EXPECT_EQ(GetCapture(), nullptr);

    SetCapture(b);
    DestroyWindow(b);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(Mouse, DoubleClicks)
{
    struct Case {
        const char* name;
        const char* cls;
        uint64_t gapMs;
        int dx;
        int clicks;
        std::vector<UINT> expected;
    } cases[] = {
        {"quick and close", InputRecorder::kDoubleClicks, 200, 1, 2,
            {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}},
        {"too slow", InputRecorder::kDoubleClicks, 600, 1, 2,
            {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}},
        {"too far", InputRecorder::kDoubleClicks, 200, 5, 2,
            {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}},
        {"class without double clicks", InputRecorder::kPlain, 200, 1, 2,
            {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}},
        {"a third starts over", InputRecorder::kDoubleClicks, 200, 0, 3,
            {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}},
    };
    vnt::test::ManualClock clock;
    for (const Case& c : cases) {
        InputRecorder rec;
        HWND hwnd = rec.window(RECT{0, 0, 100, 100}, nullptr, 0, 0, c.cls);
        SetActiveWindow(hwnd);
        clock.advance(1000);
        for (int i = 0; i < c.clicks; ++i) {
            if (i)
                clock.advance(c.gapMs);
            click(50 + i * c.dx, 50, 0);
            rec.pump(); // events take the time they are given
        }
        EXPECT_EQ(rec.numbers({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK}), c.expected) << c.name;
        auto buttons = rec.only({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK});
        EXPECT_EQ(buttons[0].wParam, WPARAM(MK_LBUTTON)) << c.name;
    }
}

TEST(Mouse, SetCursorCarriesTheHitCodeAndTheMouseMessage)
{
    InputRecorder rec;
    HWND hwnd = rec.window(RECT{0, 0, 100, 100});
    SetActiveWindow(hwnd);
    rec.seen.clear();
    mouseMove(30, 40);
    rec.pump();
    auto seen = rec.only({WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE});
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(GET_X_LPARAM(seen[0].lParam), 30);
    EXPECT_EQ(seen[1].wParam, WPARAM(hwnd));
    EXPECT_EQ(seen[1].lParam, LPARAM(HTCLIENT | WM_MOUSEMOVE << 16));
    EXPECT_EQ(seen[2].lParam, LPARAM(30 | 40 << 16));
}

TEST(Mouse, OtherHitCodesGiveNonClientMessages)
{
    InputRecorder rec;
    HWND hwnd = rec.window(RECT{0, 0, 100, 100});
    SetActiveWindow(hwnd);
    for (LRESULT hit = HTLEFT; hit <= HTBOTTOMRIGHT; ++hit) {
        rec.answer(hwnd, WM_NCHITTEST, hit);
        rec.seen.clear();
        mouseMove(int(hit), 7);
        rec.pump();
        click(int(hit), 8);
        rec.pump();
        EXPECT_EQ(rec.numbers({WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_NCMOUSEMOVE, WM_NCLBUTTONDOWN, WM_NCLBUTTONUP}),
            (std::vector<UINT>{WM_NCMOUSEMOVE, WM_NCMOUSEMOVE, WM_NCLBUTTONDOWN, WM_NCLBUTTONUP}))
            << hit;
        auto nc = rec.only({WM_NCMOUSEMOVE});
        ASSERT_FALSE(nc.empty());
        EXPECT_EQ(nc[0].wParam, WPARAM(hit));
        EXPECT_EQ(nc[0].lParam, LPARAM(int(hit) | 7 << 16));
    }
}

TEST(Mouse, TransparentWindowsAndDisabledChildrenPassThePointOn)
{
    InputRecorder rec;
    HWND top = rec.window(RECT{0, 0, 300, 300});
    HWND glass = rec.window(RECT{0, 0, 100, 100}, top); // above low, made before it
    HWND low = rec.window(RECT{0, 0, 100, 100}, top);
    HWND off = rec.window(RECT{150, 150, 200, 200}, top, WS_DISABLED);
    SetActiveWindow(top);
    rec.answer(glass, WM_NCHITTEST, HTTRANSPARENT);
    rec.seen.clear();
    click(50, 50);
    click(160, 160);
    rec.pump();
    auto downs = rec.only({WM_LBUTTONDOWN});
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[0].hwnd, low);
    EXPECT_EQ(downs[1].hwnd, top);
    EXPECT_EQ(downs[1].lParam, LPARAM(160 | 160 << 16));
    EXPECT_EQ(WindowFromPoint(POINT{160, 160}), top);
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), glass); // no hit test asked
    (void)off;

    // A disabled top-level window takes no input and lets none through; the search of
    // WindowFromPoint passes it by.
    HWND blocked = rec.window(RECT{250, 250, 350, 350}, nullptr, WS_DISABLED);
    rec.seen.clear();
    click(260, 260);
    rec.pump();
    EXPECT_TRUE(rec.only({WM_LBUTTONDOWN, WM_NCHITTEST}).empty());
    EXPECT_EQ(WindowFromPoint(POINT{260, 260}), top);
    (void)blocked;
}

TEST(Mouse, AClickActivatesUnlessTheWindowEatsIt)
{
    InputRecorder rec;
    HWND first = rec.window(RECT{0, 0, 100, 100});
    HWND second = rec.window(RECT{200, 0, 300, 100});
    SetActiveWindow(first);
    struct Case {
        LRESULT answer;
        bool activates;
        bool clickArrives;
    } cases[] = {
        {MA_ACTIVATE, true, true},
        {MA_ACTIVATEANDEAT, true, false},
        {MA_NOACTIVATE, false, true},
        {MA_NOACTIVATEANDEAT, false, false},
    };
    for (const Case& c : cases) {
        SetActiveWindow(first);
        rec.answer(second, WM_MOUSEACTIVATE, c.answer);
        rec.seen.clear();
        click(250, 50);
        rec.pump();
        EXPECT_EQ(GetActiveWindow() == second, c.activates) << c.answer;
        EXPECT_EQ(!rec.only({WM_LBUTTONDOWN}).empty(), c.clickArrives) << c.answer;
        auto asked = rec.only({WM_MOUSEACTIVATE});
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].lParam, LPARAM(HTCLIENT | WM_LBUTTONDOWN << 16));
        if (c.activates) {
            auto activation = rec.only({WM_ACTIVATE});
            ASSERT_EQ(activation.size(), 2u);
            EXPECT_EQ(LOWORD(activation[1].wParam), WA_CLICKACTIVE);
        }
    }
}

TEST(Mouse, CursorPositionAndSetCursorPos)
{
    InputRecorder rec;
    HWND hwnd = rec.window(RECT{0, 0, 100, 100});
    SetActiveWindow(hwnd);
    rec.seen.clear();
    EXPECT_TRUE(SetCursorPos(12, 34));
    POINT pt{};
    EXPECT_TRUE(GetCursorPos(&pt));
    EXPECT_EQ(pt.x, 12);
    EXPECT_EQ(pt.y, 34);
    rec.pump();
    auto moves = rec.only({WM_MOUSEMOVE});
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].lParam, LPARAM(12 | 34 << 16));

    // The keys and buttons held come along in wParam.
    rec.seen.clear();
    plat::headless::key(VK_SHIFT, true);
    plat::headless::key(VK_CONTROL, true);
    plat::headless::mouseButton(1, true);
    mouseMove(13, 34);
    plat::headless::mouseButton(1, false);
    plat::headless::key(VK_CONTROL, false);
    plat::headless::key(VK_SHIFT, false);
    rec.pump();
    moves = rec.only({WM_MOUSEMOVE});
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].wParam, WPARAM(MK_SHIFT | MK_CONTROL | MK_RBUTTON));
}

TEST(Mouse, PendingMovesToOneWindowCoalesce)
{
    InputRecorder rec;
    HWND hwnd = rec.window(RECT{0, 0, 100, 100});
    SetActiveWindow(hwnd);
    rec.seen.clear();
    for (int x = 1; x <= 5; ++x)
        mouseMove(x, x);
    rec.pump();
    auto moves = rec.only({WM_MOUSEMOVE});
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].lParam, LPARAM(5 | 5 << 16));
}

TEST(Mouse, ARoundWindowRegionLetsTheCornersThrough)
{
    InputRecorder rec;
    HWND below = rec.window(RECT{0, 0, 100, 100});
    HWND round = rec.window(RECT{0, 0, 100, 100});
    SetWindowRgn(round, CreateEllipticRgn(0, 0, 100, 100), FALSE);
    SetActiveWindow(below);
    rec.seen.clear();
    click(3, 3);
    click(50, 50);
    rec.pump();
    auto downs = rec.only({WM_LBUTTONDOWN});
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_EQ(downs[0].hwnd, below);
    EXPECT_EQ(downs[1].hwnd, round);
    EXPECT_EQ(WindowFromPoint(POINT{3, 3}), below);
}

TEST(Mouse, TheDefaultHitTestTellsClientFromBorder)
{
    InputRecorder rec;
    HWND hwnd = rec.window(RECT{10, 10, 110, 110}, nullptr, WS_BORDER);
    SetActiveWindow(hwnd);
    struct Case {
        POINT at;
        UINT msg;
        WPARAM hit;
    } cases[] = {
        {{10, 10}, WM_NCMOUSEMOVE, HTBORDER},
        {{109, 50}, WM_NCMOUSEMOVE, HTBORDER},
        {{11, 11}, WM_MOUSEMOVE, 0},
    };
    for (const Case& c : cases) {
        rec.seen.clear();
        mouseMove(c.at.x, c.at.y);
        rec.pump();
        auto moves = rec.only({WM_MOUSEMOVE, WM_NCMOUSEMOVE});
        ASSERT_EQ(moves.size(), 1u) << c.at.x;
        EXPECT_EQ(moves[0].msg, c.msg) << c.at.x;
        EXPECT_EQ(moves[0].wParam, c.hit) << c.at.x;
    }
    EXPECT_EQ(SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(500, 500)), HTNOWHERE);
}

std::atomic<POINT*> g_workerClick{nullptr};

LRESULT CALLBACK workerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_LBUTTONDOWN) {
        *g_workerClick.load() = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        PostQuitMessage(0);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(Mouse, EventsGoToTheThreadThatOwnsTheWindow)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = workerProc;
    wc.lpszClassName = "Mouse Worker Window";
    ASSERT_NE(RegisterClassExA(&wc), 0);
    POINT clicked{-1, -1};
    g_workerClick = &clicked;
    std::promise<HWND> made;
    std::thread worker([&] {
        HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 600, 500, 50, 50, nullptr,
            nullptr, nullptr, nullptr);
        made.set_value(hwnd);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        DestroyWindow(hwnd);
    });
    ASSERT_NE(made.get_future().get(), nullptr);
    click(610, 520);
    worker.join();
    EXPECT_EQ(clicked.x, 10);
    EXPECT_EQ(clicked.y, 20);
    UnregisterClassA(wc.lpszClassName, nullptr);
}

} // namespace
