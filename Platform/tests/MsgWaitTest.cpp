#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/message.h"
#include "plat/sync.h"
#include "plat/thread.h"
#include "plat/time.h"
#include "plat/timer.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

void drainQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(MsgWait, ReturnsAtOnceWhenAMessageIsPosted)
{
    drainQueue();
    vnt::test::ManualClock clock; // the time-out cannot pass: only the message can end the wait
    const DWORD me = GetCurrentThreadId();
    std::thread poster([me] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        PostThreadMessageA(me, WM_USER, 0, 0);
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT), WAIT_OBJECT_0);
    poster.join();
    drainQueue();
}

TEST(MsgWait, AMessageAlreadyLookedAtIsNotNewInput)
{
    drainQueue();
    vnt::test::ManualClock clock(true);
    PostMessageA(nullptr, WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT), WAIT_OBJECT_0);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 1, WM_USER + 1, PM_NOREMOVE)); // looks, takes nothing
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT), WAIT_TIMEOUT);
    drainQueue();
}

TEST(MsgWait, AQuitFlagAloneWaitsTheWholeTimeOut)
{
    drainQueue();
    vnt::test::ManualClock clock(true);
    PostQuitMessage(4);
    const DWORD before = GetTickCount();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT), WAIT_TIMEOUT);
    EXPECT_EQ(GetTickCount() - before, 1000u);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)); // still there for the loop's owner
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(4));
}

TEST(MsgWait, ObjectsComeBeforeInputAndInputAnswersTheCount)
{
    drainQueue();
    vnt::test::ManualClock clock(true);
    HANDLE events[2] = {CreateEventA(nullptr, TRUE, FALSE, nullptr), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    PostMessageA(nullptr, WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(2, events, FALSE, 100, QS_ALLINPUT), WAIT_OBJECT_0 + 2);
    SetEvent(events[1]);
    EXPECT_EQ(MsgWaitForMultipleObjects(2, events, FALSE, 100, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
    // Posted input does not count when the mask leaves it out.
    ResetEvent(events[1]);
    drainQueue();
    PostMessageA(nullptr, WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(2, events, FALSE, 100, QS_TIMER), WAIT_TIMEOUT);
    SetLastError(0);
    HANDLE bogus = reinterpret_cast<HANDLE>(uintptr_t(0x7FFC));
    EXPECT_EQ(MsgWaitForMultipleObjects(1, &bogus, FALSE, 100, QS_ALLINPUT), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    CloseHandle(events[0]);
    CloseHandle(events[1]);
    drainQueue();
}

TEST(MsgWait, ADueTimerEndsTheWait)
{
    drainQueue();
    vnt::test::ManualClock clock(true);
    UINT_PTR id = SetTimer(nullptr, 0, 250, nullptr);
    ASSERT_NE(id, 0u);
    const DWORD before = GetTickCount();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_TIMER), WAIT_OBJECT_0);
    EXPECT_EQ(GetTickCount() - before, 250u);
    KillTimer(nullptr, id);
}

} // namespace
