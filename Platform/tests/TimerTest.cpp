#include "UiTestSupport.h"

#include "plat/errors.h"
#include "plat/time.h"
#include "plat/timer.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

using vnt::test::createMessageWindow;
using vnt::test::ScopedClass;

namespace {

struct TimerCalls {
    int count = 0;
    DWORD lastTime = 0;
    UINT_PTR lastId = 0;
};
TimerCalls g_calls;

void CALLBACK CountingTimerProc(HWND, UINT msg, UINT_PTR id, DWORD time)
{
    EXPECT_EQ(msg, UINT(WM_TIMER));
    ++g_calls.count;
    g_calls.lastTime = time;
    g_calls.lastId = id;
}

int pumpAll()
{
    int timers = 0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_TIMER)
            ++timers;
        DispatchMessageA(&msg);
    }
    return timers;
}

TEST(Timer, AThreadTimerFiresOncePerPeriodWhileThePumpRuns)
{
    vnt::test::ManualClock clock;
    g_calls = {};
    UINT_PTR id = SetTimer(nullptr, 0, 100, CountingTimerProc);
    ASSERT_NE(id, 0u);
    for (int step = 0; step < 100; ++step) { // 1 s in steps of 10 ms
        clock.advance(10);
        EXPECT_LE(pumpAll(), 1);
    }
    EXPECT_EQ(g_calls.count, 10);
    EXPECT_EQ(g_calls.lastId, id);
    EXPECT_EQ(g_calls.lastTime, GetTickCount());
    EXPECT_TRUE(KillTimer(nullptr, id));
    clock.advance(500);
    EXPECT_EQ(pumpAll(), 0);
    SetLastError(0);
    EXPECT_FALSE(KillTimer(nullptr, id));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST(Timer, ALateThreadGetsOneTimerMessageNotABacklog)
{
    vnt::test::ManualClock clock;
    g_calls = {};
    UINT_PTR id = SetTimer(nullptr, 0, 100, CountingTimerProc);
    clock.advance(1000);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)); // looking does not use it up
    EXPECT_EQ(pumpAll(), 1);
    EXPECT_EQ(pumpAll(), 0);
    clock.advance(99);
    EXPECT_EQ(pumpAll(), 0); // the next period started when the message was taken
    clock.advance(1);
    EXPECT_EQ(pumpAll(), 1);
    KillTimer(nullptr, id);
}

TEST(Timer, SecondThreadTimerGetsItsOwnIdAndSettingAgainReplaces)
{
    vnt::test::ManualClock clock;
    UINT_PTR a = SetTimer(nullptr, 0, 100, CountingTimerProc);
    UINT_PTR b = SetTimer(nullptr, 0, 100, CountingTimerProc);
    EXPECT_NE(a, b);
    EXPECT_EQ(SetTimer(nullptr, a, 300, CountingTimerProc), a);
    g_calls = {};
    clock.advance(100);
    pumpAll();
    EXPECT_EQ(g_calls.count, 1);
    EXPECT_EQ(g_calls.lastId, b);
    KillTimer(nullptr, a);
    KillTimer(nullptr, b);
}

LRESULT CALLBACK TimerWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_TIMER) {
        ++g_calls.count;
        g_calls.lastId = UINT_PTR(wParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(Timer, AWindowTimerReachesTheWindowAndEndsWithIt)
{
    ScopedClass cls("Timer Window", TimerWindowProc);
    vnt::test::ManualClock clock;
    g_calls = {};
    HWND hwnd = createMessageWindow("Timer Window");
    EXPECT_EQ(SetTimer(hwnd, 10, 200, nullptr), UINT_PTR(10));
    clock.advance(200);
    EXPECT_EQ(pumpAll(), 1);
    EXPECT_EQ(g_calls.count, 1);
    EXPECT_EQ(g_calls.lastId, UINT_PTR(10));
    DestroyWindow(hwnd);
    clock.advance(400);
    EXPECT_EQ(pumpAll(), 0);
}

TEST(Timer, APostedTimerMessageCannotCallAnArbitraryAddress)
{
    vnt::test::ManualClock clock;
    g_calls = {};
    PostMessageA(nullptr, WM_TIMER, 99, LPARAM(0x1000));
    EXPECT_EQ(pumpAll(), 1); // dispatched without a call
    UINT_PTR id = SetTimer(nullptr, 0, 100, CountingTimerProc);
    PostMessageA(nullptr, WM_TIMER, id, LPARAM(CountingTimerProc)); // names a live timer: called
    pumpAll();
    EXPECT_EQ(g_calls.count, 1);
    KillTimer(nullptr, id);
}

} // namespace
