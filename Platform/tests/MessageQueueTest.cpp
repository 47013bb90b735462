#include "UiTestSupport.h"

#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/sync.h"
#include "plat/thread.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <string>
#include <thread>

using vnt::test::createMessageWindow;
using vnt::test::ScopedClass;

namespace {

MSG takeMessage()
{
    MSG msg{};
    EXPECT_NE(GetMessageA(&msg, nullptr, 0, 0), -1);
    return msg;
}

TEST(MessageQueue, PostsFromEightThreadsAllArriveInOrderPerSender)
{
    ScopedClass cls("Flood Class", DefWindowProcA);
    HWND hwnd = createMessageWindow("Flood Class");
    constexpr int kSenders = 8;
    constexpr int kEach = 10000;
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([hwnd, s] {
            for (int i = 0; i < kEach; ++i) {
                // A full queue refuses; the sender tries again, as the system's posting does.
                while (!PostMessageA(hwnd, WM_USER, WPARAM(s), LPARAM(i))) {
                    ASSERT_EQ(GetLastError(), DWORD(ERROR_NOT_ENOUGH_QUOTA));
                    std::this_thread::yield();
                }
            }
        });
    }
    std::vector<int> next(kSenders, 0);
    for (int received = 0; received < kSenders * kEach; ++received) {
        MSG msg = takeMessage();
        ASSERT_EQ(msg.message, UINT(WM_USER));
        ASSERT_EQ(msg.hwnd, hwnd);
        ASSERT_LT(msg.wParam, WPARAM(kSenders));
        ASSERT_EQ(msg.lParam, next[msg.wParam]) << "sender " << msg.wParam;
        ++next[msg.wParam];
    }
    for (auto& t : senders)
        t.join();
    MSG extra;
    EXPECT_FALSE(PeekMessageA(&extra, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(hwnd);
}

constexpr UINT kPing = WM_USER + 1;
constexpr UINT kPong = WM_USER + 2;
HWND g_pair[2];

LRESULT CALLBACK PairProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == kPing) {
        HWND peer = hwnd == g_pair[0] ? g_pair[1] : g_pair[0];
        return SendMessageA(peer, kPong, 0, 0) + 1;
    }
    if (msg == kPong)
        return 7;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(MessageQueue, TwoThreadsSendingToEachOtherInsideHandlersBothFinish)
{
    ScopedClass cls("Pair Class", PairProc);
    std::latch created(2);
    std::atomic<int> finished{0};
    LRESULT results[2] = {};
    auto side = [&](int me) {
        g_pair[me] = createMessageWindow("Pair Class");
        created.arrive_and_wait();
        results[me] = SendMessageA(g_pair[1 - me], kPing, 0, 0);
        ++finished;
        // Keep answering the other side until it is done too.
        while (finished < 2) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
        DestroyWindow(g_pair[me]);
    };
    std::thread a(side, 0), b(side, 1);
    a.join();
    b.join();
    EXPECT_EQ(results[0], 8);
    EXPECT_EQ(results[1], 8);
}

TEST(MessageQueue, PostedQuitIsInOrderButPostQuitMessageWaitsForPostedMessages)
{
    ASSERT_TRUE(PostMessageA(nullptr, WM_QUIT, 3, 0));
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 1, 0, 0));
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER + 2, 0, 0));
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(3));
    EXPECT_EQ(takeMessage().message, UINT(WM_USER + 1));
    EXPECT_EQ(takeMessage().message, UINT(WM_USER + 2));

    PostQuitMessage(5);
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 1, 0, 0));
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 2, 0, 0));
    EXPECT_EQ(takeMessage().message, UINT(WM_USER + 1));
    EXPECT_EQ(takeMessage().message, UINT(WM_USER + 2));
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(5));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)); // the flag is taken once
}

TEST(MessageQueue, PeekFiltersByWindowAndNumberAndCanLeaveMessages)
{
    ScopedClass cls("Filter Class", DefWindowProcA);
    HWND one = createMessageWindow("Filter Class");
    HWND two = createMessageWindow("Filter Class");
    PostMessageA(one, WM_USER + 1, 0, 0);
    PostMessageA(two, WM_USER + 2, 0, 0);
    PostMessageA(nullptr, WM_USER + 3, 0, 0);
    PostQuitMessage(0);

    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, two, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER + 2));
    EXPECT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)); // thread messages only
    EXPECT_EQ(msg.message, UINT(WM_USER + 3));
    // The quit flag passes a number filter on its own, with other messages still queued.
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_FALSE(PeekMessageA(&msg, one, WM_USER + 2, WM_USER + 9, PM_REMOVE));
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 2, WM_USER + 9, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, two);
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, one);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    DestroyWindow(two);
    SetLastError(0);
    EXPECT_EQ(GetMessageA(&msg, two, 0, 0), -1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    BOOL elsewhere = 0;
    std::thread([&] { elsewhere = GetMessageA(&msg, one, 0, 0); }).join(); // not that thread's window
    EXPECT_EQ(elsewhere, -1);
    DestroyWindow(one);
}

TEST(MessageQueue, ThreadMessagesNeedAQueue)
{
    std::latch ready(1), done(1);
    DWORD id = 0;
    std::thread t([&] {
        id = GetCurrentThreadId();
        ready.count_down();
        done.wait();
    });
    ready.wait();
    SetLastError(0);
    EXPECT_FALSE(PostThreadMessageA(id, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_THREAD_ID));
    done.count_down();
    t.join();
}

TEST(MessageQueue, ExtraInfoIsPerThreadAndSetAnswersThePrevious)
{
    EXPECT_EQ(SetMessageExtraInfo(11), 0);
    EXPECT_EQ(SetMessageExtraInfo(12), 11);
    LPARAM seenElsewhere = -1;
    std::thread([&] { seenElsewhere = GetMessageExtraInfo(); }).join();
    EXPECT_EQ(seenElsewhere, 0);
    EXPECT_EQ(GetMessageExtraInfo(), 12);
}

TEST(MessageQueue, QueueStatusReportsNewInputOnce)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    PostMessageA(nullptr, WM_USER, 0, 0);
    EXPECT_EQ(GetQueueStatus(QS_POSTMESSAGE), DWORD(QS_POSTMESSAGE) << 16 | QS_POSTMESSAGE);
    EXPECT_EQ(GetQueueStatus(QS_POSTMESSAGE), DWORD(QS_POSTMESSAGE) << 16);
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    EXPECT_EQ(GetQueueStatus(QS_ALLINPUT), 0u);
    PostQuitMessage(0); // the quit flag is not input
    EXPECT_EQ(GetQueueStatus(QS_ALLINPUT), 0u);
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

std::atomic<int> g_handled{0};

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_USER) {
        ++g_handled;
        return 42;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(MessageQueue, SendTimeoutWithdrawsAMessageNotYetTaken)
{
    ScopedClass cls("Slow Class", CountingProc);
    g_handled = 0;
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::latch created(1);
    HWND hwnd = nullptr;
    std::thread busy([&] {
        hwnd = createMessageWindow("Slow Class");
        created.count_down();
        WaitForSingleObject(go, INFINITE); // not pumping
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        SendMessageA(hwnd, WM_USER, 0, 0);
        DestroyWindow(hwnd);
    });
    created.wait();
    {
        vnt::test::ManualClock clock(true);
        DWORD_PTR result = 0;
        SetLastError(0);
        EXPECT_EQ(SendMessageTimeoutA(hwnd, WM_USER, 0, 0, SMTO_NORMAL, 500, &result), 0);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_TIMEOUT));
    }
    SetEvent(go);
    busy.join();
    EXPECT_EQ(g_handled, 1); // only the thread's own send, not the withdrawn one
    CloseHandle(go);
}

TEST(MessageQueue, SendToAWindowWhoseThreadEndsReturns)
{
    ScopedClass cls("Leaving Class", CountingProc);
    g_handled = 0;
    std::latch created(1);
    HWND hwnd = nullptr;
    std::thread leaving([&] {
        hwnd = createMessageWindow("Leaving Class");
        created.count_down();
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // ends without pumping
    });
    created.wait();
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 0);
    leaving.join();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(g_handled, 0);
}

TEST(MessageQueue, SendAcrossThreadsRunsOnTheWindowThread)
{
    ScopedClass cls("Remote Class", CountingProc);
    g_handled = 0;
    std::latch created(1);
    std::atomic<bool> stop{false};
    HWND hwnd = nullptr;
    std::thread owner([&] {
        hwnd = createMessageWindow("Remote Class");
        created.count_down();
        MSG msg;
        while (!stop) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
        DestroyWindow(hwnd);
    });
    created.wait();
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 42);
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutA(hwnd, WM_USER, 0, 0, SMTO_NORMAL, 5000, &result));
    EXPECT_EQ(result, DWORD_PTR(42));
    stop = true;
    owner.join();
    EXPECT_EQ(g_handled, 2);
}

TEST(MessageQueue, DispatchCallsOnlyWindowsOfTheCallingThread)
{
    ScopedClass cls("Dispatch Class", CountingProc);
    g_handled = 0;
    HWND hwnd = createMessageWindow("Dispatch Class");
    MSG msg{hwnd, WM_USER, 0, 0, 0, {0, 0}};
    EXPECT_EQ(DispatchMessageA(&msg), 42);
    LRESULT elsewhere = -1;
    DWORD error = 0;
    std::thread([&] {
        elsewhere = DispatchMessageA(&msg);
        error = GetLastError();
    }).join();
    EXPECT_EQ(elsewhere, 0);
    EXPECT_EQ(error, DWORD(ERROR_WINDOW_OF_OTHER_THREAD));
    EXPECT_EQ(g_handled, 1);
    DestroyWindow(hwnd);
}

} // namespace

namespace {

// Runs on a thread after that thread's queue has gone, as static destructors run on the main
// thread after its thread-local objects.
struct LateCaller {
    bool armed = false;
    BOOL peeked = TRUE;
    BOOL posted = TRUE;
    DWORD postError = 0;
    BOOL got = 0;
    ~LateCaller()
    {
        if (!armed)
            return;
        MSG msg;
        peeked = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        posted = PostMessageA(nullptr, WM_USER, 0, 0);
        postError = GetLastError();
        got = GetMessageA(&msg, nullptr, 0, 0);
        reported = *this;
        reported.armed = false;
    }
    static LateCaller reported;
};
LateCaller LateCaller::reported;

TEST(MessageQueue, CallsAfterTheThreadQueueHasGoneFailCleanly)
{
    std::thread([] {
        thread_local LateCaller late; // made before the queue, so it is destroyed after it
        late.armed = true;
        PostMessageA(nullptr, WM_USER, 0, 0);
    }).join();
    EXPECT_FALSE(LateCaller::reported.peeked);
    EXPECT_FALSE(LateCaller::reported.posted);
    EXPECT_EQ(LateCaller::reported.postError, DWORD(ERROR_INVALID_THREAD_ID));
    EXPECT_EQ(LateCaller::reported.got, -1);
}

} // namespace

namespace {

std::vector<std::string> g_trace;

LRESULT CALLBACK NestingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_USER + 1: { // runs a loop of its own, as a modal box would
        g_trace.push_back("A begins");
        MSG inner;
        while (GetMessageA(&inner, nullptr, 0, 0) > 0)
            DispatchMessageA(&inner);
        g_trace.push_back("A ends with quit " + std::to_string(inner.wParam));
        return 0;
    }
    case WM_USER + 2:
        g_trace.push_back("B");
        PostQuitMessage(9);
        return 0;
    case WM_USER + 3:
        g_trace.push_back("C");
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(MessageQueue, NestedLoopsShareTheQueue)
{
    ScopedClass cls("Nesting Class", NestingProc);
    HWND hwnd = createMessageWindow("Nesting Class");
    g_trace.clear();
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    PostMessageA(hwnd, WM_USER + 2, 0, 0);
    PostMessageA(hwnd, WM_USER + 3, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    // The inner loop takes B and C before the quit flag, which waits for posted messages.
    EXPECT_EQ(g_trace, (std::vector<std::string>{"A begins", "B", "C", "A ends with quit 9"}));
    DestroyWindow(hwnd);
}

} // namespace
