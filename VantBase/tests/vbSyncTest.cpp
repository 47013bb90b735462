#include "vbSync.h"
#include "LogFileReader.h"
#include "vbObjTestUtil.h"
#include "vbSecurity.h"

#include "plat/handles.h"
#include "plat/message.h"
#include "plat/process.h"
#include "plat/sync.h"
#include "plat/testhooks.h"
#include "plat/thread.h"
#include "plat/time.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

using vbtest::catchVb;
using vbtest::expectEsys;

namespace {

// Whether another thread can take the mutex at once (and gives it back).
bool freeForOthers(HANDLE mutex)
{
    DWORD result = 0;
    std::thread([&] {
        result = WaitForSingleObject(mutex, 0);
        if (result == WAIT_OBJECT_0)
            ReleaseMutex(mutex);
    }).join();
    return result == WAIT_OBJECT_0;
}

struct UserCaught {
    bool thrown = false;
    HRESULT hr = 0;
    std::string msg, ctx;
};

template <class F>
UserCaught catchUser(F&& f)
{
    UserCaught c;
    try {
        f();
    } catch (CException* e) {
        c.thrown = true;
        if (auto* user = dynamic_cast<vbEuser*>(e)) {
            c.hr = user->GetRealHR();
            c.msg = user->GetMsg();
            c.ctx = user->GetCtxString().c_str();
        }
        e->Delete();
    }
    return c;
}

// Posts a thread message to the calling thread (whose queue is made first).
void postToSelf(UINT msg)
{
    MSG peek;
    PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE);
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), msg, 0, 0));
}

size_t count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(vbMutexTest, SameNameSharesOneObjectAndAnEmptyNameIsNone)
{
    vbMutex m1(true, "vbMutexTest.n"), m2(false);
    EXPECT_TRUE(m2.IsEmpty());
    EXPECT_FALSE(m2.Create(nullptr, "vbMutexTest.n"));
    EXPECT_TRUE(m2.IsValid());
    expectEsys([&] { m2.Create(nullptr, "vbMutexTest.n"); }, E_FAIL, "vbMutex::Create(vbMutexTest.n) : already created");

    m1.Lock();
    m1.Lock(); // recursive for its owner
    std::atomic<bool> taken{false};
    std::thread other([&] {
        m2.Lock();
        taken = true;
        m2.Unlock();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(taken);
    m1.Unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(taken) << "one Unlock per Lock";
    m1.Unlock();
    other.join();
    EXPECT_TRUE(taken);

    // Unnamed: two objects are two mutexes.
    vbMutex a(true, ""), b(true, "");
    a.Lock();
    EXPECT_TRUE(freeForOthers(b.GetHandle()));
    a.Unlock();

    vbMutex none(false);
    expectEsys([&] { none.Lock(); }, E_FAIL, "vbMutex::Lock() : mutex not created");
    expectEsys([&] { none.Unlock(); }, E_FAIL, "vbMutex::Unlock() : mutex not created");
    expectEsys([&] { none.GetHandle(); }, E_FAIL, "vbMutex::GetHandle() : mutex not created");
    expectEsys([&] { none.Detach(); }, E_FAIL, "vbMutex::Detach() : mutex not created");
    none.Attach(a.Detach());
    expectEsys([&] { none.Attach(nullptr); }, E_FAIL, "vbMutex::Attach() : mutex already created");
    vbSecurityAttr attr;
    vbMutex secured(attr, true, "vbMutexTest.secured");
    EXPECT_TRUE(secured.IsValid());
}

TEST(vbMutexTest, WaitPastTheTimeOutThrows)
{
    vnt::test::ManualClock clock(true);
    vbMutex m;
    EXPECT_EQ(m.GetTimeOut(), 30000u);
    std::atomic<bool> held{false}, release{false};
    std::thread holder([&] {
        m.Lock();
        held = true;
        while (!release)
            std::this_thread::yield();
        m.Unlock();
    });
    while (!held)
        std::this_thread::yield();
    const DWORD start = GetTickCount();
    expectEsys([&] { m.Lock(); }, HRESULT(0x800005B4), "vbMutex::Lock() : timeout");
    EXPECT_GE(GetTickCount() - start, 30000u);
    release = true;
    holder.join();
}

TEST(vbMutexTest, AbandonedWaitsAreTakenOverNineTimesAtMost)
{
    vbMutex m(true, "vbMutexTest.abandoned");
    ASSERT_TRUE(vntTestAbandonNextWaits(m.GetHandle(), 1));
    m.Lock();
    EXPECT_FALSE(freeForOthers(m.GetHandle()));
    m.Unlock();
    EXPECT_TRUE(freeForOthers(m.GetHandle()));
    std::string log = readLogFile();
    EXPECT_EQ(count(log, "vbMutex::Lock() : wait abandoned, retry, try cnt="), 1u);
    EXPECT_NE(log.find("vbMutex::Lock() : wait abandoned, retry, try cnt=0"), std::string::npos);

    ASSERT_TRUE(vntTestAbandonNextWaits(m.GetHandle(), 10));
    expectEsys([&] { m.Lock(); }, E_ABORT, "vbMutex::Lock() : thread terminated");
    log = readLogFile();
    EXPECT_EQ(count(log, "vbMutex::Lock() : wait abandoned, retry, try cnt="), 11u);
    for (int i = 0; i <= 9; ++i)
        EXPECT_NE(log.find("try cnt=" + std::to_string(i) + "\n"), std::string::npos) << i;
    // The lock that gave up holds nothing.
    EXPECT_TRUE(freeForOthers(m.GetHandle()));
}

TEST(vbSyncCopyTest, ACopyOwnsItsOwnHandle)
{
    vbMutex mutex(true, "vbSyncCopyTest.m");
    mutex.SetTimeOut(1234);
    {
        vbMutex copy(mutex);
        EXPECT_NE(copy.GetHandle(), mutex.GetHandle());
        EXPECT_EQ(copy.GetTimeOut(), 1234u);
        copy.Lock();
        EXPECT_FALSE(freeForOthers(mutex.GetHandle())) << "both name one mutex";
        copy.Unlock();
        vbMutex assigned(false);
        assigned = copy;
        EXPECT_EQ(assigned.GetTimeOut(), 1234u);
    }
    mutex.Lock();
    mutex.Unlock();

    vbEvent event(true, nullptr, vbEventManualReset);
    {
        vbEvent copy(event);
        vbEvent assigned;
        assigned = copy;
        assigned.Set();
    }
    bool abandoned = true;
    EXPECT_TRUE(event.Wait(&abandoned));
    EXPECT_FALSE(abandoned);
    event.Unset();
    event.SetTimeOut(0);
    EXPECT_FALSE(event.Wait(nullptr));
}

TEST(vbEventTest, ModesDecideResetAndFirstState)
{
    struct Case {
        vbEventMode mode;
        bool initial;
        bool manual;
    } cases[] = {{vbEventAutoReset, false, false}, {vbEventAutoResetSignaled, true, false},
        {vbEventManualReset, false, true}, {vbEventManualResetSignaled, true, true}};
    for (const Case& c : cases) {
        vbEvent event(true, nullptr, c.mode);
        event.SetTimeOut(0);
        EXPECT_EQ(event.Wait(nullptr), c.initial) << c.mode;
        event.Set();
        EXPECT_TRUE(event.Wait(nullptr)) << c.mode;
        EXPECT_EQ(event.Wait(nullptr), c.manual) << c.mode;
        event.Unset();
        EXPECT_FALSE(event.Wait(nullptr)) << c.mode;
        event.Pulse();
        EXPECT_FALSE(event.Wait(nullptr)) << "nobody waited for the pulse";
    }

    vbEvent first(true, "vbEventTest.e", vbEventManualReset), second(false);
    EXPECT_FALSE(second.Create(nullptr, "vbEventTest.e", vbEventAutoReset));
    first.Set();
    second.SetTimeOut(0);
    EXPECT_TRUE(second.Wait(nullptr));

    vbEvent none(false);
    expectEsys([&] { none.Set(); }, E_FAIL, "vbEvent::Set() : event not created");
    expectEsys([&] { none.Unset(); }, E_FAIL, "vbEvent::Unset() : event not created");
    expectEsys([&] { none.Pulse(); }, E_FAIL, "vbEvent::Pulse() : event not created");
    expectEsys([&] { none.Wait(nullptr); }, E_FAIL, "vbEvent::Wait() : event not created");
    expectEsys([&] { none.GetHandle(); }, E_FAIL, "vbEvent::GetHandle() : event not created");
    expectEsys([&] { first.Create(nullptr, nullptr, vbEventAutoReset); }, E_FAIL,
        "vbEvent::Create(event with no name) : already created");
}

TEST(vbEventTest, PumpingWaitHandlesMessagesAndAnswersFalse)
{
    vnt::test::ManualClock clock(true);
    vbEvent event;
    postToSelf(WM_APP + 1);
    EXPECT_FALSE(event.WaitExt(nullptr, true));
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "the message was handled";
    const DWORD start = GetTickCount();
    bool abandoned = true;
    EXPECT_FALSE(event.WaitExt(&abandoned, true));
    EXPECT_FALSE(abandoned);
    EXPECT_GE(GetTickCount() - start, 30000u);
}

TEST(vbWaitTest, AnswersTheFirstSignalledHandleFromOne)
{
    vnt::test::ManualClock clock(true);
    vbEvent a, b;
    HANDLE both[] = {a.GetHandle(), b.GetHandle()};
    EXPECT_EQ(vbWait(100, both, 1, false), -1);
    b.Set();
    EXPECT_EQ(vbWait(100, both, 2, false), 2);

    // With pumping a message comes first, and is handled.
    postToSelf(WM_APP + 2);
    EXPECT_EQ(vbWait(100, both, 2, true), 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(vbWait(100, both, 2, true), -1);

    // A negative time-out waits for ever.
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        a.Set();
    });
    EXPECT_EQ(vbWait(-5, both, 2, false), 1);
    setter.join();

    // Abandoned: the first handle is the user's business, a later one a failure.
    vbMutex m1, m2;
    HANDLE mutexes[] = {m1.GetHandle(), m2.GetHandle()};
    vntTestAbandonNextWaits(m1.GetHandle(), 1);
    UserCaught first = catchUser([&] { vbWait(0, mutexes, 2, false); });
    EXPECT_TRUE(first.thrown);
    EXPECT_EQ(first.hr, E_ABORT);
    EXPECT_EQ(first.msg, "Process/Application in destruction");
    EXPECT_EQ(first.ctx, "vbWait() : wait abandoned");
    ReleaseMutex(m1.GetHandle());
    HANDLE reversed[] = {a.GetHandle(), m2.GetHandle()};
    a.Unset();
    vntTestAbandonNextWaits(m2.GetHandle(), 1);
    vbtest::Caught later = catchVb([&] { vbWait(0, reversed, 2, false); });
    EXPECT_EQ(later.msg, "vbWait() : wait failure (ret=129)");
    ReleaseMutex(m2.GetHandle());
}

TEST(vbMsgSleepTest, PumpsWhileItSleepsAndLeavesAQuitPending)
{
    vnt::test::ManualClock clock(true);
    postToSelf(WM_APP + 3);
    DWORD start = GetTickCount();
    vbMsgSleep(0);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(GetTickCount(), start);

    PostQuitMessage(3);
    start = GetTickCount();
    vbMsgSleep(100);
    EXPECT_EQ(GetTickCount() - start, 100u) << "a pending quit is no reason to wake";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
}

HANDLE startShell(const char* script)
{
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = std::string("/bin/sh -c \"") + script + "\"";
    EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    if (pi.hThread)
        CloseHandle(pi.hThread);
    return pi.hProcess;
}

TEST(vbWaitProcessEndTest, AnEndedProcessAnswersAtOnceARunningOneTimesOut)
{
    HANDLE ended = startShell("exit 7");
    ASSERT_NE(ended, nullptr);
    ASSERT_EQ(WaitForSingleObject(ended, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(vbWaitProcessEnd(ended, 0), 7u);
    CloseHandle(ended);

    HANDLE running = startShell("sleep 1; exit 4");
    ASSERT_NE(running, nullptr);
    expectEsys([&] { vbWaitProcessEnd(running, 0); }, HRESULT(0x800005B4), "vbWaitProcessEnd() timeout");
    EXPECT_EQ(vbWaitProcessEndExt(running, -1, true), 4u);
    CloseHandle(running);
}

} // namespace
