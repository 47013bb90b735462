#include "vbThreadBase.h"
#include "LogFileReader.h"
#include "vbObjTestUtil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

using vbtest::catchVb;
using vbtest::expectEsys;

namespace {

// A pool thread of the fake thread centre: counts its lock holders and, when asked to close,
// ends at once (telling its callback) unless told to hang.
class FakeThread : public sIvbThread, public sIvbLock {
public:
    bool GetInterface(const GUID&, const void**) const override { return false; }
    bool GetInterface(const GUID&, void**) override { return false; }

    bool Lock(vbLock* guard, bool force) override
    {
        if (refuseLock && !force)
            return false;
        guard->Lock(static_cast<sIvbLock*>(this));
        return true;
    }
    void Lock() const override { ++locks; }
    void Unlock() const override { --locks; }

    bool Close(vbLock* guard, bool force) override
    {
        ++closes;
        lastForce = force;
        EXPECT_EQ(locks, 1) << "Close is called with the thread's lock held";
        if (!hangs)
            callback->onStop(this, 0xFFFFFFFF);
        guard->Unlock();
        return !hangs;
    }

    sIvbThreadBaseCb* callback = nullptr;
    mutable int locks = 0;
    int closes = 0;
    bool lastForce = false;
    bool refuseLock = false;
    bool hangs = false;
};

class FakeCentre : public sIvbThreadCreator {
public:
    sIvbThread* createThread(const vbString& label, sIvbThreadBaseCb* cb, bool, bool suspended) override
    {
        ++creates;
        labels.push_back(label.c_str());
        EXPECT_FALSE(suspended);
        if (fail)
            vbImpl::throwSys(E_FAIL, "no more threads");
        threads.push_back(std::make_unique<FakeThread>());
        FakeThread* t = threads.back().get();
        t->callback = cb;
        if (startAtOnce)
            cb->onStart(t);
        return t;
    }

    std::vector<std::unique_ptr<FakeThread>> threads;
    std::vector<std::string> labels;
    int creates = 0;
    bool startAtOnce = true;
    bool fail = false;
};

class Worker : public vbTThreadBase<sIvbThreadCb> {
public:
    explicit Worker(CCriticalSection* owner) : vbTThreadBase(owner, vbString("worker")) {}
    DWORD onRun(sIvbThread*) override { return 0; }
    void onClose(sIvbThread*) override {}
};

class vbTThreadBaseTest : public ::testing::Test {
protected:
    void SetUp() override { m_previous = vbSetThreadCreator(&centre); }
    void TearDown() override { vbSetThreadCreator(m_previous); }

    FakeThread* thread(size_t i) { return centre.threads.at(i).get(); }

    FakeCentre centre;
    CCriticalSection owner;
    Worker worker{&owner};

private:
    sIvbThreadCreator* m_previous = nullptr;
};

TEST_F(vbTThreadBaseTest, OneThreadPerOwnerUntilDestroyed)
{
    void* face = nullptr;
    EXPECT_TRUE(worker.GetInterface(IID_sIvbThreadBaseCb, &face));
    EXPECT_EQ(face, static_cast<sIvbThreadBaseCb*>(&worker));

    worker.Create(false);
    worker.Create(false);
    EXPECT_EQ(centre.creates, 1);
    EXPECT_EQ(centre.labels.at(0), "worker");
    {
        vbLock held;
        EXPECT_EQ(worker.GetThread(&held, true), thread(0));
        EXPECT_EQ(thread(0)->locks, 1);
    }
    EXPECT_EQ(thread(0)->locks, 0);

    worker.Destroy();
    EXPECT_EQ(thread(0)->closes, 1);
    EXPECT_TRUE(thread(0)->lastForce);
    vbLock none;
    EXPECT_EQ(worker.GetThread(&none, false), nullptr);
    expectEsys([&] { worker.GetThread(&none, true); }, E_FAIL, "vbTThreadBase(worker)::GetThread() : close asked");

    // A new Create starts afresh.
    worker.Create(false);
    EXPECT_EQ(centre.creates, 2);
    EXPECT_FALSE(worker.IsCloseAsked());
    worker.Destroy();
}

TEST_F(vbTThreadBaseTest, BusyOwnerRefusesToBeClosed)
{
    worker.Create(false);
    vbLock guard;
    EXPECT_FALSE(worker.onAskClose(thread(0), &guard));
    EXPECT_FALSE(worker.IsCloseAsked());
    EXPECT_EQ(thread(0)->closes, 0);

    EXPECT_TRUE(worker.resetBusy());
    thread(0)->Lock(&guard, false);
    EXPECT_TRUE(worker.onAskClose(thread(0), &guard));
    EXPECT_TRUE(worker.IsCloseAsked());
    EXPECT_EQ(thread(0)->closes, 1);
    EXPECT_TRUE(thread(0)->lastForce);

    EXPECT_FALSE(worker.setBusy(false));
    expectEsys([&] { worker.setBusy(true); }, E_FAIL, "vbTThreadBase(worker)::setBusy() : close asked");
    EXPECT_TRUE(worker.onIdle());
}

TEST_F(vbTThreadBaseTest, AskCloseReportsWhetherTheThreadWent)
{
    bool failed = true;
    EXPECT_TRUE(worker.AskClose(&failed));
    EXPECT_FALSE(failed);

    worker.Create(false);
    thread(0)->refuseLock = true;
    EXPECT_FALSE(worker.AskClose(&failed));
    EXPECT_TRUE(failed);
    EXPECT_FALSE(worker.IsCloseAsked());

    thread(0)->refuseLock = false;
    thread(0)->hangs = true;
    EXPECT_FALSE(worker.AskClose(&failed));
    EXPECT_FALSE(failed);
    EXPECT_TRUE(worker.IsCloseAsked());
    EXPECT_FALSE(thread(0)->lastForce);

    thread(0)->hangs = false;
    EXPECT_TRUE(worker.AskClose(&failed));
    // A close was asked: Create replaces the thread.
    worker.Create(false);
    EXPECT_EQ(centre.creates, 2);
    worker.Destroy();
}

TEST_F(vbTThreadBaseTest, FailedCreationLeavesNothingPending)
{
    centre.fail = true;
    expectEsys([&] { worker.Create(false); }, E_FAIL, "no more threads");
    vbLock guard;
    auto start = std::chrono::steady_clock::now();
    expectEsys([&] { worker.GetThread(&guard, true); }, E_FAIL, "vbTThreadBase(worker)::GetThread() : not created");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(worker.GetThread(&guard, false), nullptr);
}

TEST_F(vbTThreadBaseTest, WaitsEndAfterAboutTwoSeconds)
{
    centre.startAtOnce = false;
    worker.Create(false);
    vbLock guard;
    auto start = std::chrono::steady_clock::now();
    // Even without bThrow: a thread that never starts is an error.
    expectEsys([&] { worker.GetThread(&guard, false); }, E_FAIL,
        "vbTThreadBase(worker)::GetThread() : timeout (maybe thread suspended)");
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_LT(waited, std::chrono::milliseconds(5000));

    // A thread that does not end on a forced close.
    worker.onStart(thread(0));
    thread(0)->hangs = true;
    expectEsys([&] { worker.Destroy(); }, E_FAIL, "vbTThreadBase(worker)::Destroy() : timeout");
    EXPECT_EQ(thread(0)->closes, 1);
    // Let it go, as the thread centre would once the thread ends.
    EXPECT_EQ(worker.onStop(thread(0), 3u), 3u);
}

TEST_F(vbTThreadBaseTest, StopOfAnotherThreadIsLoggedAndChangesNothing)
{
    worker.Create(false);
    FakeThread stranger;
    EXPECT_EQ(worker.onStop(&stranger, 7u), 7u);
    vbLock guard;
    EXPECT_EQ(worker.GetThread(&guard, true), thread(0));
    EXPECT_NE(readLogFile().find("vbSocket::Thread::onStop(7) : thread cb attached to another thread (stopped="),
        std::string::npos);
    guard.Unlock();
    worker.Destroy();
}

} // namespace
