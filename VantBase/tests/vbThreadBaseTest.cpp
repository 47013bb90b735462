#include "vbThreadBase.h"
#include "LogFileReader.h"
#include "vbObjTestUtil.h"
#include "vbThread.h"

#include "plat/handles.h"
#include "plat/sync.h"
#include "plat/testhooks.h"
#include "plat/time.h"
#include "testsupport/ManualClock.h"
#include "testsupport/Watchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using vbtest::catchVb;
using vbtest::expectEsys;

namespace {

// Waits in real time, whatever clock the platform runs on.
template <class F>
bool eventually(F&& done)
{
    for (int i = 0; i < 2000; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

// An owner's plain worker: runs until its close arrives (or, when deaf, until released).
class Worker : public vbThread {
public:
    Worker()
        : vbThread(vbString("worker")), m_release(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_start(CreateEventA(nullptr, TRUE, TRUE, nullptr))
    {
    }
    ~Worker() override
    {
        CloseHandle(m_release);
        CloseHandle(m_start);
    }

    // The thread attaches itself only once the start is let go.
    void onStart(sIvbThread* thread) override
    {
        WaitForSingleObject(m_start, INFINITE);
        vbThread::onStart(thread);
    }
    void holdStart() { ResetEvent(m_start); }
    void letStart() { SetEvent(m_start); }

    DWORD onRun(sIvbThread*) override
    {
        ++runs;
        WaitForSingleObject(m_release, INFINITE);
        return 0;
    }
    void onClose(sIvbThread*) override
    {
        if (!deaf)
            release();
    }
    void release() { SetEvent(m_release); }
    void rearm() { ResetEvent(m_release); }

    // The running thread, or null (also while one is still starting).
    sIvbThread* current()
    {
        vbLock lock;
        try {
            return GetThread(&lock, false);
        } catch (CException* e) {
            e->Delete();
            return nullptr;
        }
    }

    std::atomic<bool> deaf{false};
    std::atomic<int> runs{0};

private:
    HANDLE m_release;
    HANDLE m_start;
};

class vbTThreadBaseTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        vntTestFailNextThreadCreations(0);
        worker.deaf = false;
        worker.release();
        worker.letStart();
        try {
            worker.Destroy();
        } catch (CException* e) {
            e->Delete();
        }
    }

    vbUseEngineCenter use{&g_vbEngineCenter, false};
    Worker worker;
};

TEST_F(vbTThreadBaseTest, OneThreadPerOwnerUntilDestroyed)
{
    void* face = nullptr;
    EXPECT_TRUE(worker.GetInterface(IID_sIvbThreadBaseCb, &face));
    EXPECT_EQ(face, static_cast<sIvbThreadBaseCb*>(&worker));
    EXPECT_TRUE(worker.GetInterface(IID_sIvbThreadCb, &face));
    EXPECT_EQ(face, static_cast<sIvbThreadCb*>(&worker));
    EXPECT_FALSE(worker.GetInterface(IID_sIvbThreadMsgCb, &face));

    const int before = g_vbThreadCenter.GetThreadCount();
    worker.Create(false);
    worker.Create(false);
    EXPECT_EQ(g_vbThreadCenter.GetThreadCount(), before + 1);
    sIvbThread* first = nullptr;
    {
        vbLock held;
        first = worker.GetThread(&held, true);
        ASSERT_NE(first, nullptr);
        EXPECT_TRUE(held.IsLocked());
        EXPECT_EQ(first->GetLabel(), vbString("worker"));
        EXPECT_EQ(first->GetCallback(), static_cast<sIvbThreadBaseCb*>(static_cast<sIvbThreadCb*>(&worker)));
    }
    EXPECT_TRUE(eventually([&] { return worker.runs == 1; }));

    worker.Destroy();
    vbLock none;
    EXPECT_EQ(worker.GetThread(&none, false), nullptr);
    expectEsys([&] { worker.GetThread(&none, true); }, E_FAIL, "vbTThreadBase(worker)::GetThread() : close asked");

    // A new Create starts afresh.
    worker.Create(false);
    EXPECT_FALSE(worker.IsCloseAsked());
    EXPECT_TRUE(eventually([&] { return worker.runs == 2; }));
    worker.Destroy();
    EXPECT_EQ(g_vbThreadCenter.GetThreadCount(), before);
}

TEST_F(vbTThreadBaseTest, BusyOwnerRefusesToBeClosed)
{
    worker.Create(false);
    vbLock guard;
    sIvbThread* thread = worker.GetThread(&guard, true);
    EXPECT_FALSE(worker.onAskClose(thread, &guard));
    EXPECT_FALSE(worker.IsCloseAsked());
    EXPECT_NE(worker.current(), nullptr);

    EXPECT_TRUE(worker.resetBusy());
    EXPECT_TRUE(worker.onAskClose(thread, &guard));
    EXPECT_TRUE(worker.IsCloseAsked());
    guard.Unlock();
    bool failed = true;
    EXPECT_TRUE(eventually([&] { return worker.AskClose(&failed); })) << "the thread went";
    EXPECT_FALSE(failed);

    EXPECT_FALSE(worker.setBusy(false));
    expectEsys([&] { worker.setBusy(true); }, E_FAIL, "vbTThreadBase(worker)::setBusy() : close asked");
    EXPECT_TRUE(worker.onIdle());
}

TEST_F(vbTThreadBaseTest, AskCloseReportsWhetherTheThreadWent)
{
    vnt::test::ManualClock clock(true);
    bool failed = true;
    EXPECT_TRUE(worker.AskClose(&failed));
    EXPECT_FALSE(failed);

    // A thread that is ending but still held refuses the lock.
    worker.Create(false);
    ASSERT_TRUE(eventually([&] { return worker.current() != nullptr; }));
    vbLock held;
    sIvbThread* thread = worker.GetThread(&held, true);
    worker.release();
    vbLock probe;
    EXPECT_TRUE(eventually([&] {
        bool locked = thread->Lock(&probe, false);
        probe.Unlock();
        return !locked;
    }));
    EXPECT_FALSE(worker.AskClose(&failed));
    EXPECT_TRUE(failed);
    EXPECT_FALSE(worker.IsCloseAsked());
    held.Unlock();
    // Gone once it has detached itself (a closing thread refuses the lock, which AskClose
    // reports as a failure).
    EXPECT_TRUE(eventually([&] { return worker.AskClose(&failed); }));

    // A thread that does not listen stays; the close was asked all the same.
    worker.deaf = true;
    worker.rearm();
    worker.Create(false);
    ASSERT_TRUE(eventually([&] { return worker.current() != nullptr; }));
    EXPECT_FALSE(worker.AskClose(&failed));
    EXPECT_FALSE(failed);
    EXPECT_TRUE(worker.IsCloseAsked());

    // Once it goes, a new Create replaces it.
    worker.release();
    EXPECT_TRUE(eventually([&] { return worker.AskClose(&failed); }));
    worker.deaf = false;
    worker.rearm();
    worker.Create(false);
    EXPECT_FALSE(worker.IsCloseAsked());
    EXPECT_TRUE(eventually([&] { return worker.current() != nullptr; }));
}

TEST_F(vbTThreadBaseTest, FailedCreationLeavesNothingPending)
{
    vntTestFailNextThreadCreations(1);
    vbtest::Caught c = catchVb([&] { worker.Create(false); });
    EXPECT_EQ(static_cast<uint32_t>(c.hr), 0x80070008u);
    EXPECT_EQ(c.msg.rfind("vbThreadCenter::createThread(worker) failure (thread cnt=", 0), 0u) << c.msg;
    vbLock guard;
    auto start = std::chrono::steady_clock::now();
    expectEsys([&] { worker.GetThread(&guard, true); }, E_FAIL, "vbTThreadBase(worker)::GetThread() : not created");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(worker.GetThread(&guard, false), nullptr);
}

TEST_F(vbTThreadBaseTest, WaitsForAThreadToAttachOrToGoEndWithItsChange)
{
    // The clock stands still: a wait that sat out a whole polling step would never end.
    vnt::test::ManualClock clock;
    testsupport::Watchdog dog(std::chrono::seconds(60), "a wait for a thread's change on a still clock");
    for (int round = 0; round < 3; ++round) {
        worker.holdStart();
        worker.rearm();
        worker.Create(false);
        // GetThread waits while the thread has not attached itself yet.
        std::thread starter([&] {
            clock.waitUntilBlocked(2);
            worker.letStart();
        });
        vbLock held;
        sIvbThread* thread = worker.GetThread(&held, true);
        starter.join();
        ASSERT_NE(thread, nullptr);
        held.Unlock();
        // A close that the thread answers at once: Destroy waits for the thread to end while
        // holding it, and the thread waits for that hold to go.
        worker.Destroy();
        EXPECT_EQ(worker.current(), nullptr);
    }
}

TEST_F(vbTThreadBaseTest, WaitsEndAfterAboutTwoSeconds)
{
    vnt::test::ManualClock clock(true);
    // A thread that never attaches itself: even without bThrow, GetThread gives up.
    worker.holdStart();
    worker.Create(false);
    vbLock guard;
    DWORD start = GetTickCount();
    expectEsys([&] { worker.GetThread(&guard, false); }, E_FAIL,
        "vbTThreadBase(worker)::GetThread() : timeout (maybe thread suspended)");
    EXPECT_GE(GetTickCount() - start, 2000u);
    EXPECT_LT(GetTickCount() - start, 2200u);
    worker.letStart();
    EXPECT_TRUE(eventually([&] { return worker.current() != nullptr; }));

    // A thread that does not end on a forced close: the close's own time-out comes through.
    worker.deaf = true;
    start = GetTickCount();
    vbtest::Caught c = catchVb([&] { worker.Destroy(); });
    EXPECT_TRUE(c.thrown);
    EXPECT_NE(c.msg.find("::Close(label=worker) : timeout"), std::string::npos) << c.msg;
    EXPECT_GE(GetTickCount() - start, 5000u);
}

TEST_F(vbTThreadBaseTest, StopOfAnotherThreadIsLoggedAndChangesNothing)
{
    Worker other;
    other.Create(false);
    worker.Create(false);
    ASSERT_TRUE(eventually([&] { return other.current() != nullptr && worker.current() != nullptr; }));
    sIvbThread* stranger = other.current();
    EXPECT_EQ(worker.onStop(stranger, 7u), 7u);
    vbLock guard;
    EXPECT_NE(worker.GetThread(&guard, true), nullptr);
    EXPECT_NE(readLogFile().find("vbSocket::Thread::onStop(7) : thread cb attached to another thread (stopped="),
        std::string::npos);
    guard.Unlock();
    other.Destroy();
}

} // namespace
