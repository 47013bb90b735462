#include "vbThread.h"
#include "LogFileReader.h"
#include "vbObjTestUtil.h"

#include "plat/com.h"
#include "plat/handles.h"
#include "plat/message.h"
#include "plat/process_ids.h"
#include "plat/sync.h"
#include "plat/testhooks.h"
#include "plat/thread.h"
#include "plat/time.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using vbtest::catchVb;
using vbtest::expectEsys;

namespace {

// A manual-reset event of the platform. Timed waits count real time, so that a manual clock
// does not end them early.
class Gate {
public:
    Gate() : m_h(CreateEventA(nullptr, TRUE, FALSE, nullptr)) { }
    ~Gate() { CloseHandle(m_h); }
    void open() { SetEvent(m_h); }
    bool wait(DWORD ms = 10000)
    {
        if (ms == INFINITE)
            return WaitForSingleObject(m_h, INFINITE) == WAIT_OBJECT_0;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!isOpen()) {
            if (std::chrono::steady_clock::now() >= end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    bool isOpen() { return WaitForSingleObject(m_h, 0) == WAIT_OBJECT_0; }

private:
    HANDLE m_h;
};

// A thread centre of the test's own, so that its table and counts start empty.
class TestCenter : public vbThreadCenter {
public:
    TestCenter() : vbThreadCenter("Test Thread Center", vbEngineDeps()) { }
    using vbThreadCenter::threadAt;
};

// The callback kinds a test may ask for.
enum class Kind { Plain, Messages, Neither };

// A callback that records what the thread tells it. A plain one runs until released (onClose
// releases it unless it ignores closes); a message one records what it is given.
class Recorder : public sIvbThreadCb, public sIvbThreadMsgCb {
public:
    explicit Recorder(Kind kind = Kind::Plain) : kind(kind) { }

    bool GetInterface(const GUID& iid, const void** ppv) const override
    {
        return const_cast<Recorder*>(this)->GetInterface(iid, const_cast<void**>(ppv));
    }
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if ((iid == IID_sIvbThreadCb && kind == Kind::Plain) || iid == IID_sIvbThreadBaseCb || iid == IID_sIvbBase) {
            *ppv = static_cast<sIvbThreadCb*>(this);
            return true;
        }
        if (iid == IID_sIvbThreadMsgCb && kind == Kind::Messages) {
            *ppv = static_cast<sIvbThreadMsgCb*>(this);
            return true;
        }
        return false;
    }

    void onStart(sIvbThread* t) override
    {
        thread = t;
        threadId = t->GetThreadId();
        DuplicateHandle(GetCurrentProcess(), t->GetHandle(), GetCurrentProcess(), &handle, 0, FALSE, DUPLICATE_SAME_ACCESS);
        if (kind == Kind::Messages) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the queue exists from here
        }
        started.open();
        if (holdStart)
            go.wait(INFINITE);
    }
    DWORD onStop(sIvbThread*, DWORD exitCode) override
    {
        ++stops;
        stopCode = exitCode;
        stopped.open();
        return exitCode;
    }
    bool onAskClose(sIvbThread* t, vbLock* guard) override
    {
        ++askCloses;
        if (!agree)
            return false;
        t->Close(guard, true);
        return true;
    }
    DWORD onRun(sIvbThread*) override
    {
        if (throwInRun)
            vbImpl::throwSys(E_FAIL, "Recorder::onRun() : failing on purpose");
        running.open();
        release.wait(INFINITE);
        return runCode;
    }
    void onClose(sIvbThread*) override
    {
        ++closes;
        if (!ignoreClose)
            release.open();
    }
    bool onMessage(sIvbThread*, const MSG* msg, bool closing) override
    {
        messages.push_back({msg->message, closing});
        return true;
    }

    sIvbThreadBaseCb* cb() { return static_cast<sIvbThreadCb*>(this); }

    // Virtual: the COM recorder below derives from it.
    virtual ~Recorder()
    {
        if (handle)
            CloseHandle(handle);
    }

    // The thread's own exit code, once it has ended.
    DWORD exitCode()
    {
        started.wait(INFINITE);
        WaitForSingleObject(handle, INFINITE);
        DWORD code = 0;
        GetExitCodeThread(handle, &code);
        return code;
    }

    Kind kind;
    bool holdStart = false;
    bool ignoreClose = false;
    bool throwInRun = false;
    bool agree = false;
    DWORD runCode = 0;
    Gate started, running, go, release, stopped;
    sIvbThread* thread = nullptr;
    DWORD threadId = 0;
    HANDLE handle = nullptr;
    std::atomic<int> stops{0}, closes{0}, askCloses{0};
    DWORD stopCode = 0;
    struct Received {
        UINT message;
        bool closing;
    };
    std::vector<Received> messages;
};

std::string hex(DWORD n) { return vbString(n, true).c_str(); }

class vbThreadCenterTest : public ::testing::Test {
protected:
    void TearDown() override { vntTestFailNextThreadCreations(0); }

    // Waits (really) until the centre has freed one more thread object than before.
    void waitDone(unsigned before)
    {
        for (int i = 0; i < 1000 && center.GetThreadDoneCount() <= before; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_GT(center.GetThreadDoneCount(), before);
    }

    vbUseEngineCenter use{&g_vbEngineCenter, false};
    TestCenter center;
};

TEST_F(vbThreadCenterTest, TheLowestFreeSlotIsReusedAndCountsFollow)
{
    Recorder a, b, c, d;
    for (Recorder* r : {&a, &b, &c}) {
        center.NewThread("slot", r->cb(), false);
        ASSERT_TRUE(r->started.wait());
    }
    EXPECT_EQ(center.threadAt(1), a.thread);
    EXPECT_EQ(center.threadAt(2), b.thread);
    EXPECT_EQ(center.threadAt(3), c.thread);
    EXPECT_EQ(center.GetThreadCount(), 3);
    EXPECT_EQ(center.GetThreadPeakCount(), 3);

    b.release.open();
    waitDone(0);
    EXPECT_EQ(center.threadAt(2), nullptr);
    EXPECT_EQ(b.stops, 1);
    center.NewThread("slot", d.cb(), false);
    ASSERT_TRUE(d.started.wait());
    EXPECT_EQ(center.threadAt(2), d.thread);
    EXPECT_EQ(center.GetThreadCount(), 3);
    EXPECT_EQ(center.GetThreadClosedCount(), 1u);

    a.release.open();
    waitDone(1);
    EXPECT_EQ(center.GetThreadCount(), 2);
    EXPECT_EQ(center.GetThreadPeakCount(), 3);
    center.ResetPerfStats();
    EXPECT_EQ(center.GetThreadPeakCount(), 0);
    EXPECT_EQ(center.GetThreadDoneCount(), 0u);
    EXPECT_EQ(center.GetThreadClosedCount(), 2u);

    // Stopping the centre closes what is left (their callbacks release on onClose).
    center.Stop();
    EXPECT_EQ(center.GetThreadCount(), 0);
    EXPECT_TRUE(c.stopped.wait());
    EXPECT_TRUE(d.stopped.wait());
}

TEST_F(vbThreadCenterTest, CreationFailuresCloseOthersFiveTimesAtMost)
{
    vntTestFailNextThreadCreations(1);
    Recorder lone;
    // The message counts the thread that could not start.
    expectEsys([&] { center.NewThread("lone", lone.cb(), false); }, HRESULT(0x80070008),
        "vbThreadCenter::createThread(lone) failure (thread cnt=1)");
    EXPECT_EQ(center.GetThreadCount(), 0);

    // Idle threads whose callbacks always agree to close make room, once per attempt.
    std::vector<std::unique_ptr<Recorder>> idle;
    for (int i = 0; i < 6; ++i) {
        idle.push_back(std::make_unique<Recorder>());
        idle.back()->agree = true;
        center.NewThread("idle", idle.back()->cb(), false);
        ASSERT_TRUE(idle.back()->started.wait());
    }
    vntTestFailNextThreadCreations(100);
    Recorder wanted;
    expectEsys([&] { center.NewThread("wanted", wanted.cb(), true); }, E_FAIL,
        "vbThreadCenter::createThread(wanted) failure, too many creation try (thread cnt=1)");
    int agreed = 0;
    for (auto& r : idle)
        agreed += r->askCloses;
    EXPECT_EQ(agreed, 5);
    EXPECT_EQ(center.GetThreadCount(), 1);
    vntTestFailNextThreadCreations(0);

    // Without any thread to close, the creation's own failure comes back.
    for (auto& r : idle)
        r->agree = false;
    vntTestFailNextThreadCreations(1);
    // The message counts the thread that could not start.
    expectEsys([&] { center.NewThread("wanted", wanted.cb(), true); }, HRESULT(0x80070008),
        "vbThreadCenter::createThread(wanted) failure (thread cnt=2)");
    center.Stop();
}

TEST_F(vbThreadCenterTest, FailingBodiesEndWithTheFailureCode)
{
    Recorder neither(Kind::Neither);
    center.NewThread("neither", neither.cb(), false);
    ASSERT_TRUE(neither.stopped.wait());
    EXPECT_EQ(neither.stopCode, 0xFFFFFFFFu);
    EXPECT_EQ(neither.exitCode(), 0xFFFFFFFFu);
    EXPECT_NE(readLogFile().find("vbThreadCenter::Thread(" + hex(neither.threadId) + ")::Run() : bad thread callback"),
        std::string::npos);

    Recorder thrower;
    thrower.throwInRun = true;
    center.NewThread("thrower", thrower.cb(), false);
    ASSERT_TRUE(thrower.stopped.wait());
    EXPECT_EQ(thrower.stopCode, 0xFFFFFFFFu);
    EXPECT_EQ(thrower.stops, 1);
    // The thread object goes after its stop: the centre must outlive it.
    EXPECT_EQ(thrower.exitCode(), 0xFFFFFFFFu);
    EXPECT_NE(readLogFile().find("Recorder::onRun() : failing on purpose"), std::string::npos);

    Recorder plain;
    plain.runCode = 42;
    center.NewThread("plain", plain.cb(), false);
    plain.release.open();
    EXPECT_EQ(plain.exitCode(), 42u);
    EXPECT_EQ(plain.stopCode, 42u);
}

TEST_F(vbThreadCenterTest, MessagesQueuedAfterTheQuitAreDrainedAsClosing)
{
    Recorder worker(Kind::Messages);
    worker.holdStart = true;
    center.NewThread("messages", worker.cb(), false);
    ASSERT_TRUE(worker.started.wait());
    ASSERT_TRUE(PostThreadMessageA(worker.threadId, WM_QUIT, 7, 0));
    ASSERT_TRUE(PostThreadMessageA(worker.threadId, WM_APP + 1, 0, 0));
    ASSERT_TRUE(PostThreadMessageA(worker.threadId, WM_APP + 2, 0, 0));
    worker.go.open();
    EXPECT_EQ(worker.exitCode(), 7u);
    EXPECT_EQ(worker.stopCode, 7u);
    ASSERT_EQ(worker.messages.size(), 2u);
    EXPECT_EQ(worker.messages[0].message, UINT(WM_APP + 1));
    EXPECT_TRUE(worker.messages[0].closing);
    EXPECT_EQ(worker.messages[1].message, UINT(WM_APP + 2));
    EXPECT_TRUE(worker.messages[1].closing);
}

TEST_F(vbThreadCenterTest, AClosingThreadRefusesNewHolders)
{
    Recorder worker;
    sIvbThread* thread = center.NewThread("holder", worker.cb(), false);
    ASSERT_TRUE(worker.started.wait());
    vbLock held;
    ASSERT_TRUE(thread->Lock(&held, false));
    worker.release.open();
    // The body now waits for the holder.
    vbLock other;
    for (int i = 0; i < 1000 && thread->Lock(&other, false); ++i) {
        other.Unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_FALSE(thread->Lock(&other, false));
    expectEsys([&] { thread->Lock(&other, true); }, E_FAIL,
        "vbThreadCenter::Thread(" + hex(worker.threadId) + ")::Lock(label=holder) : thread in close");
    EXPECT_FALSE(other.IsLocked());
    EXPECT_EQ(worker.stops, 0);
    const unsigned done = center.GetThreadDoneCount();
    held.Unlock();
    waitDone(done);
    EXPECT_EQ(worker.stops, 1);
}

TEST_F(vbThreadCenterTest, AHolderThatNeverLetsGoKeepsTheObjectAlive)
{
    vnt::test::ManualClock clock(true);
    Recorder worker;
    sIvbThread* thread = center.NewThread("stuck", worker.cb(), false);
    ASSERT_TRUE(worker.started.wait());
    vbLock held;
    ASSERT_TRUE(thread->Lock(&held, false));
    const DWORD start = GetTickCount();
    worker.release.open();
    // The body's termination wait runs on the manual clock.
    for (int i = 0; i < 5000 && GetTickCount() - start < 20000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GE(GetTickCount() - start, 20000u);
    EXPECT_EQ(thread->GetLabel(), vbString("stuck")) << "still a live object";
    EXPECT_EQ(worker.stops, 0);
    const std::string text =
        "vbThreadCenter::Thread(" + hex(worker.threadId) + ")::Run() : thread lock(task termination) timeout";
    const std::string log = readLogFile();
    EXPECT_NE(log.find("EXCEPTION 'vbEsys'"), std::string::npos);
    size_t seen = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
        ++seen;
    EXPECT_GE(seen, 3u) << "reported, then reminded every 5 s";

    const unsigned done = center.GetThreadDoneCount();
    held.Unlock();
    waitDone(done);
    EXPECT_EQ(worker.stops, 1);
}

TEST_F(vbThreadCenterTest, CloseWaitsHalfASecondUnforcedAndFiveSecondsForced)
{
    vnt::test::ManualClock clock(true);
    Recorder worker;
    worker.ignoreClose = true;
    sIvbThread* thread = center.NewThread("deaf", worker.cb(), false);
    // In its body: a close asked between its start and its body skips the body, and the thread
    // then waits for the test's lock in naps of its own that move the same clock.
    ASSERT_TRUE(worker.running.wait());
    vbLock guard;
    ASSERT_TRUE(thread->Lock(&guard, false));
    DWORD start = GetTickCount();
    EXPECT_FALSE(thread->Close(&guard, false));
    EXPECT_GE(GetTickCount() - start, 500u);
    EXPECT_LT(GetTickCount() - start, 1000u);
    start = GetTickCount();
    expectEsys([&] { thread->Close(&guard, true); }, E_FAIL,
        "vbThreadCenter::Thread(" + hex(worker.threadId) + ")::Close(label=deaf) : timeout");
    EXPECT_GE(GetTickCount() - start, 5000u);
    EXPECT_LT(GetTickCount() - start, 5500u);
    EXPECT_EQ(worker.closes, 2);

    // Suspending a running thread is not possible here.
    EXPECT_EQ(thread->Suspend(false), 0xFFFFFFFFu);
    expectEsys([&] { thread->Suspend(true); }, HRESULT(0x80070032),
        "vbThreadCenter::Thread(" + hex(worker.threadId) + ")::Suspend() : SuspendThread error");

    // Once it ends, a close answers at once. (The manual clock would run out a close's wait
    // before the thread is even scheduled: wait in real time for it to reach its end.)
    worker.release.open();
    vbLock probe;
    for (int i = 0; i < 5000 && thread->Lock(&probe, false); ++i) {
        probe.Unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(thread->Close(&guard, true));
    const unsigned done = center.GetThreadDoneCount();
    guard.Unlock();
    waitDone(done);
}

TEST_F(vbThreadCenterTest, SuspendedThreadsStartOnResumeAndOnClose)
{
    Recorder worker;
    sIvbThread* thread = center.NewSuspendedThread("suspended", worker.cb(), false);
    EXPECT_FALSE(worker.started.wait(50));
    EXPECT_EQ(thread->Resume(true), 1u);
    EXPECT_TRUE(worker.started.wait());
    worker.release.open();
    EXPECT_TRUE(worker.stopped.wait());

    // A thread asked to close before its body began skips its callback.
    Recorder skipped;
    thread = center.NewSuspendedThread("skipped", skipped.cb(), false);
    thread->AskClose();
    EXPECT_TRUE(skipped.stopped.wait());
    EXPECT_EQ(skipped.stopCode, 0u);
    EXPECT_EQ(skipped.closes, 1);
}

class CoHook : public sIvbThreadCoInit {
public:
    bool onCoInit(vbLock* guard, sIvbThread* thread, void** cookie) override
    {
        EXPECT_TRUE(guard->IsLocked());
        initThread = thread;
        *cookie = this;
        return true;
    }
    bool onCoUninit(vbLock*, sIvbThread*, void* cookie) override
    {
        uninitCookie = cookie;
        return true;
    }
    sIvbThread* initThread = nullptr;
    void* uninitCookie = nullptr;
};

class ComRecorder : public Recorder {
public:
    void onStart(sIvbThread* t) override
    {
        if (otherModel)
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        vbtest::Caught c = catchVb([&] {
            t->StartCoInit();
            t->StartCoInit();
        });
        failure = c.msg;
        failureHr = c.hr;
        startedCo = t->IsCoInitStarted();
        if (otherModel)
            CoUninitialize();
        Recorder::onStart(t);
    }
    bool otherModel = false;
    bool startedCo = false;
    std::string failure;
    HRESULT failureHr = 0;
};

TEST_F(vbThreadCenterTest, ComStartsThroughTheHookOrCoInitialize)
{
    CoHook hook;
    g_vbThreadCenter.SetCoInit(&hook);
    EXPECT_EQ(g_vbThreadCenter.GetCoInit(), &hook);
    ComRecorder worker;
    center.NewThread("com", worker.cb(), false);
    ASSERT_TRUE(worker.started.wait());
    EXPECT_TRUE(worker.startedCo);
    EXPECT_EQ(hook.initThread, worker.thread);
    worker.release.open();
    ASSERT_TRUE(worker.stopped.wait());
    worker.exitCode();
    EXPECT_EQ(hook.uninitCookie, &hook) << "the body stops COM at its end";
    g_vbThreadCenter.SetCoInit(nullptr);

    ComRecorder plain;
    center.NewThread("com", plain.cb(), false);
    ASSERT_TRUE(plain.started.wait());
    EXPECT_TRUE(plain.startedCo);
    plain.release.open();
    EXPECT_EQ(plain.exitCode(), 0u);

    // A thread already in the other model cannot start.
    ComRecorder refused;
    refused.otherModel = true;
    center.NewThread("com", refused.cb(), false);
    ASSERT_TRUE(refused.started.wait());
    EXPECT_FALSE(refused.startedCo);
    EXPECT_EQ(refused.failureHr, RPC_E_CHANGED_MODE);
    EXPECT_EQ(refused.failure, "Instruction '::CoInitialize(NULL)' failed !");
    refused.release.open();
    EXPECT_EQ(refused.exitCode(), 0u);
}

// The ready-made message worker as an owner uses it.
class Pump : public vbThreadMsg {
public:
    Pump() : vbThreadMsg("pump") { }
    bool onMessage(sIvbThread*, const MSG* msg, bool closing) override
    {
        if (msg->message == WM_APP + 5 && !closing)
            got.open();
        return true;
    }
    Gate got;
};

TEST_F(vbThreadCenterTest, ReadyMadeBasesRunOnTheGlobalCentre)
{
    void* face = nullptr;
    Pump pump;
    EXPECT_TRUE(pump.GetInterface(IID_sIvbThreadMsgCb, &face));
    EXPECT_EQ(face, static_cast<sIvbThreadMsgCb*>(&pump));
    EXPECT_FALSE(pump.GetInterface(IID_sIvbThreadCb, &face));
    pump.Create(false);
    pump.PostMessage(WM_APP + 5, 0, 0);
    EXPECT_TRUE(pump.got.wait());
    pump.Destroy();
    vbLock none;
    EXPECT_EQ(pump.GetThread(&none, false), nullptr);
    expectEsys([&] { pump.PostMessage(WM_APP + 5, 0, 0); }, E_FAIL, "vbTThreadBase(pump)::GetThread() : close asked");
}

} // namespace
