#include "plat/errors.h"
#include "plat/process_ids.h"
#include "plat/handles.h"
#include "plat/interlocked.h"
#include "plat/sync.h"
#include "plat/thread.h"
#include "plat/time.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

DWORD takeAndEnd(LPVOID mutex)
{
    WaitForSingleObject(static_cast<HANDLE>(mutex), INFINITE);
    return 0; // ends holding it
}

TEST(Mutex, OwnerThatEndsHoldingItLeavesItAbandoned)
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, takeAndEnd, mutex, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(mutex, 1000), WAIT_ABANDONED);
    // Taken over: now an ordinary, recursive mutex of this thread.
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_OWNER));
    CloseHandle(thread);
    CloseHandle(mutex);
}

DWORD tryTake(LPVOID mutex) { return WaitForSingleObject(static_cast<HANDLE>(mutex), 0); }

DWORD tryRelease(LPVOID mutex) { return ReleaseMutex(static_cast<HANDLE>(mutex)) ? 0 : GetLastError(); }

DWORD runOn(LPTHREAD_START_ROUTINE routine, HANDLE object)
{
    HANDLE thread = CreateThread(nullptr, 0, routine, object, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

TEST(Mutex, ThreadsNotMadeByCreateThreadAbandonTheirsToo)
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    HANDLE self = nullptr;
    std::thread other([&] {
        WaitForSingleObject(mutex, INFINITE);
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0, FALSE,
            DUPLICATE_SAME_ACCESS);
    });
    other.join();
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(WaitForSingleObject(self, 0), WAIT_OBJECT_0); // its handle is signalled too
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED);
    ReleaseMutex(mutex);
    CloseHandle(self);
    CloseHandle(mutex);
}

TEST(Mutex, InitialOwnerHoldsItAgainstOtherThreads)
{
    HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);
    EXPECT_EQ(runOn(tryTake, mutex), WAIT_TIMEOUT);
    EXPECT_EQ(runOn(tryRelease, mutex), DWORD(ERROR_NOT_OWNER));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(runOn(tryTake, mutex), WAIT_OBJECT_0); // that thread ends holding it
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

TEST(Event, ResetModesAndInitialStates)
{
    struct Case {
        BOOL manual, initial;
        DWORD first, second;
    } cases[] = {
        {FALSE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {FALSE, TRUE, WAIT_OBJECT_0, WAIT_TIMEOUT},
        {TRUE, FALSE, WAIT_TIMEOUT, WAIT_TIMEOUT},
        {TRUE, TRUE, WAIT_OBJECT_0, WAIT_OBJECT_0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "manual " << c.manual << " initial " << c.initial);
        HANDLE event = CreateEventA(nullptr, c.manual, c.initial, nullptr);
        EXPECT_EQ(WaitForSingleObject(event, 0), c.first);
        EXPECT_EQ(WaitForSingleObject(event, 0), c.second);
        EXPECT_TRUE(SetEvent(event));
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(event, 0), c.manual ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
        EXPECT_TRUE(ResetEvent(event));
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
        CloseHandle(event);
    }
}

DWORD waitForPulse(LPVOID event) { return WaitForSingleObject(static_cast<HANDLE>(event), 10000); }

TEST(Event, PulseReleasesTheWaitingThreadsAndLeavesItReset)
{
    // The clock stands still, so the waiters never time out, and it tells when both wait.
    vnt::test::ManualClock clock;
    for (BOOL manual : {TRUE, FALSE}) {
        SCOPED_TRACE(manual ? "manual reset" : "auto reset");
        HANDLE event = CreateEventA(nullptr, manual, FALSE, nullptr);
        HANDLE threads[2];
        for (HANDLE& t : threads)
            t = CreateThread(nullptr, 0, waitForPulse, event, 0, nullptr);
        ASSERT_TRUE(clock.waitUntilBlocked(2));
        EXPECT_TRUE(PulseEvent(event));
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT); // not left signalled
        if (manual) {
            EXPECT_EQ(WaitForMultipleObjects(2, threads, TRUE, INFINITE), WAIT_OBJECT_0);
        } else {
            // Exactly one is released.
            DWORD first = WaitForMultipleObjects(2, threads, FALSE, INFINITE);
            ASSERT_LT(first, WAIT_OBJECT_0 + 2);
            HANDLE other = threads[1 - first];
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            EXPECT_EQ(WaitForSingleObject(other, 0), WAIT_TIMEOUT);
            SetEvent(event);
            EXPECT_EQ(WaitForSingleObject(other, INFINITE), WAIT_OBJECT_0);
        }
        for (HANDLE t : threads) {
            DWORD code;
            GetExitCodeThread(t, &code);
            EXPECT_EQ(code, WAIT_OBJECT_0);
            CloseHandle(t);
        }
        CloseHandle(event);
    }
}

TEST(Semaphore, CountsAndPreviousCount)
{
    HANDLE sem = CreateSemaphoreA(nullptr, 1, 3, nullptr);
    EXPECT_EQ(WaitForSingleObject(sem, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(sem, 0), WAIT_TIMEOUT);
    LONG previous = -1;
    EXPECT_TRUE(ReleaseSemaphore(sem, 2, &previous));
    EXPECT_EQ(previous, 0);
    EXPECT_FALSE(ReleaseSemaphore(sem, 2, &previous));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_TOO_MANY_POSTS));
    EXPECT_TRUE(ReleaseSemaphore(sem, 1, &previous));
    EXPECT_EQ(previous, 2);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(WaitForSingleObject(sem, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(sem, 0), WAIT_TIMEOUT);
    CloseHandle(sem);
    EXPECT_EQ(CreateSemaphoreA(nullptr, 4, 3, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

struct SetLater {
    HANDLE event;
};

DWORD setAfterAWhile(LPVOID event)
{
    Sleep(30);
    SetEvent(static_cast<HANDLE>(event));
    return 0;
}

TEST(Wait, AnyAnswersTheIndexOfTheSignalledObject)
{
    HANDLE events[2] = {CreateEventA(nullptr, FALSE, FALSE, nullptr), CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    HANDLE thread = CreateThread(nullptr, 0, setAfterAWhile, events[1], 0, nullptr);
    EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 10000), WAIT_OBJECT_0 + 1);
    WaitForSingleObject(thread, INFINITE);
    // Both signalled: the lowest index wins and only that one is consumed.
    SetEvent(events[0]);
    SetEvent(events[1]);
    EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 0), WAIT_OBJECT_0 + 1);
    for (HANDLE h : {events[0], events[1], thread})
        CloseHandle(h);
}

TEST(Wait, AllTakesEverythingAtOnceOrNothing)
{
    HANDLE sem = CreateSemaphoreA(nullptr, 1, 1, nullptr);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE both[2] = {sem, event};
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(sem, 0), WAIT_OBJECT_0); // not taken by the failed wait
    ReleaseSemaphore(sem, 1, nullptr);
    SetEvent(event);
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(sem, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);

    HANDLE twice[2] = {event, event};
    EXPECT_EQ(WaitForMultipleObjects(2, twice, TRUE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    CloseHandle(sem);
    CloseHandle(event);
}

TEST(Wait, AbandonedMutexAmongOthersAnswersItsIndex)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, takeAndEnd, mutex, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    HANDLE objects[2] = {event, mutex};
    EXPECT_EQ(WaitForMultipleObjects(2, objects, FALSE, 0), WAIT_ABANDONED_0 + 1);
    for (HANDLE h : {event, mutex, thread})
        CloseHandle(h);
}

TEST(Wait, BadArgumentsFail)
{
    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    HANDLE bad[2] = {event, reinterpret_cast<HANDLE>(0x1234)};
    EXPECT_EQ(WaitForMultipleObjects(2, bad, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForMultipleObjects(0, bad, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    HANDLE many[MAXIMUM_WAIT_OBJECTS + 1];
    for (HANDLE& h : many)
        h = event;
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS + 1, many, FALSE, 0), WAIT_FAILED);
    CloseHandle(event);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST(Wait, TimeOutUnderTheManualClockTakesNoRealTime)
{
    vnt::test::ManualClock clock(true);
    HANDLE events[2] = {CreateEventA(nullptr, FALSE, FALSE, nullptr), CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    auto start = std::chrono::steady_clock::now();
    DWORD before = GetTickCount();
    EXPECT_EQ(WaitForMultipleObjects(2, events, FALSE, 60000), WAIT_TIMEOUT);
    EXPECT_EQ(GetTickCount() - before, 60000u);
    Sleep(120000);
    EXPECT_EQ(GetTickCount() - before, 180000u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    CloseHandle(events[0]);
    CloseHandle(events[1]);
}

struct TimedWait {
    HANDLE event;
    DWORD timeout;
};

DWORD timedWait(LPVOID param)
{
    auto* w = static_cast<TimedWait*>(param);
    return WaitForSingleObject(w->event, w->timeout);
}

TEST(Wait, AdvancingTheClockEndsTheWaitsThatAreDue)
{
    vnt::test::ManualClock clock;
    TimedWait shortWait{CreateEventA(nullptr, TRUE, FALSE, nullptr), 1000};
    TimedWait longWait{shortWait.event, 5000};
    HANDLE first = CreateThread(nullptr, 0, timedWait, &shortWait, 0, nullptr);
    HANDLE second = CreateThread(nullptr, 0, timedWait, &longWait, 0, nullptr);
    ASSERT_TRUE(clock.waitUntilBlocked(2));
    // Real time passing means nothing to them; the clock's time does.
    clock.advance(999);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_TIMEOUT);
    clock.advance(1);
    HANDLE both[2] = {first, second};
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(first, &code);
    EXPECT_EQ(code, WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT);
    SetEvent(longWait.event);
    EXPECT_EQ(WaitForSingleObject(second, INFINITE), WAIT_OBJECT_0);
    GetExitCodeThread(second, &code);
    EXPECT_EQ(code, WAIT_OBJECT_0);
    for (HANDLE h : {first, second, shortWait.event})
        CloseHandle(h);
}

TEST(Wait, WaitsOutliveTheManualClockThatStartedThem)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD result = 0;
    std::thread waiter;
    {
        vnt::test::ManualClock clock;
        waiter = std::thread([&] { result = WaitForSingleObject(event, 100); });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Back on the real clock, the wait ends by its time-out in real time.
    waiter.join();
    EXPECT_EQ(result, WAIT_TIMEOUT);
    CloseHandle(event);
}

struct Shared {
    CRITICAL_SECTION cs;
    long counter = 0;
};

DWORD hammer(LPVOID param)
{
    auto* s = static_cast<Shared*>(param);
    for (int i = 0; i < 20000; ++i) {
        EnterCriticalSection(&s->cs);
        EnterCriticalSection(&s->cs); // recursive
        long seen = s->counter;
        s->counter = seen + 1;
        LeaveCriticalSection(&s->cs);
        LeaveCriticalSection(&s->cs);
    }
    return 0;
}

DWORD tryEnterElsewhere(LPVOID cs)
{
    return TryEnterCriticalSection(static_cast<LPCRITICAL_SECTION>(cs));
}

TEST(CriticalSection, RecursiveAndExclusive)
{
    Shared s;
    InitializeCriticalSection(&s.cs);
    HANDLE threads[4];
    for (HANDLE& t : threads)
        t = CreateThread(nullptr, 0, hammer, &s, 0, nullptr);
    EXPECT_EQ(WaitForMultipleObjects(4, threads, TRUE, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(s.counter, 4 * 20000);

    EnterCriticalSection(&s.cs);
    EXPECT_TRUE(TryEnterCriticalSection(&s.cs));
    EXPECT_EQ(runOn(tryEnterElsewhere, &s.cs), 0u);
    LeaveCriticalSection(&s.cs);
    EXPECT_EQ(runOn(tryEnterElsewhere, &s.cs), 0u); // still held once
    LeaveCriticalSection(&s.cs);
    EXPECT_EQ(runOn(tryEnterElsewhere, &s.cs), 1u); // that thread ends holding it; nothing to check
    for (HANDLE t : threads)
        CloseHandle(t);
}

TEST(Interlocked, AnswersFollowTheirConventions)
{
    LONG volatile value = 5;
    EXPECT_EQ(InterlockedIncrement(&value), 6);
    EXPECT_EQ(InterlockedDecrement(&value), 5);
    EXPECT_EQ(InterlockedExchangeAdd(&value, 10), 5);
    EXPECT_EQ(value, 15);
    EXPECT_EQ(InterlockedExchange(&value, -1), 15);
    EXPECT_EQ(InterlockedCompareExchange(&value, 9, 0), -1); // no match: unchanged
    EXPECT_EQ(value, -1);
    EXPECT_EQ(InterlockedCompareExchange(&value, 9, -1), -1);
    EXPECT_EQ(value, 9);
    int a = 0, b = 0;
    PVOID volatile p = &a;
    EXPECT_EQ(InterlockedExchangePointer(&p, &b), &a);
    EXPECT_EQ(InterlockedCompareExchangePointer(&p, &a, &a), &b);
    EXPECT_EQ(p, &b);
    EXPECT_EQ(InterlockedCompareExchangePointer(&p, &a, &b), &b);
    EXPECT_EQ(p, &a);
}

} // namespace
