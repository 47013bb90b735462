// The inter-process message engine within one process: registration and delivery, callback
// refusals, removal during delivery, a round trip through the own queue, and the timers under
// the manual clock.

#include "vbVantMsgEngine.h"

#include "LogFileReader.h"
#include "vbObjTestUtil.h"

#include "plat/thread.h"
#include "plat/time.h"
#include "testsupport/ManualClock.h"
#include "testsupport/Watchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using vbtest::catchVb;
using vbtest::expectEsys;

namespace {

// Waits (in real time, at most 10 s) until what the engine thread does shows.
bool waitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 2000; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

bool logHas(const std::string& piece) { return readLogFile().find(piece) != std::string::npos; }

std::string hex(DWORD v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", unsigned(v));
    return buf;
}

// The object whose member functions the records call.
class Recorder : public vbBase {
public:
    void onValue(vbVantMsgCb& cb, DWORD v1, DWORD v2)
    {
        (void)cb;
        std::lock_guard<std::mutex> lock(m);
        calls.push_back(name + ":" + std::to_string(v1) + "," + std::to_string(v2));
        threadId = GetCurrentThreadId();
        if (bThrow)
            vbImpl::throwSys(E_FAIL, "callback failure");
        if (victim) {
            delete victim;
            victim = nullptr;
        }
    }
    void onData(vbVantDataCb& cb, vbSharedMem* block, DWORD v1, DWORD v2)
    {
        (void)cb;
        std::lock_guard<std::mutex> lock(m);
        std::string bytes;
        if (block) {
            vbMemLock ml(block);
            bytes.assign(static_cast<const char*>(static_cast<void*>(ml)), 5);
            blockLength = block->GetLength();
        }
        calls.push_back(name + ":" + std::to_string(v1) + "," + std::to_string(v2) + ":" + bytes.c_str());
        threadId = GetCurrentThreadId();
    }
    void onTimer(vbVantTimerCb& cb)
    {
        (void)cb;
        ++ticks;
    }
    size_t count()
    {
        std::lock_guard<std::mutex> lock(m);
        return calls.size();
    }

    std::string name;
    std::mutex m;
    std::vector<std::string> calls;
    DWORD threadId = 0;
    ULONG blockLength = 0;
    bool bThrow = false;
    vbVantCb* victim = nullptr;
    std::atomic<int> ticks{0};
};

class vbVantMsgEngineTest : public ::testing::Test {
protected:
    vbUseEngineCenter use{&g_vbEngineCenter, false};
    vbExtraMsg valueMsg{"KVX Test value message"};
    vbExtraDataMsg dataMsg{"KVX Test data message"};
};

TEST_F(vbVantMsgEngineTest, ValueCallbacksNewestFirstAndFailuresDoNotStopDelivery)
{
    Recorder older, newer;
    older.name = "older";
    newer.name = "newer";
    newer.bThrow = true;
    vbVantMsgCb a(&valueMsg, vbVANTMSGCB(&older, &Recorder::onValue), true);
    vbVantMsgCb b(&valueMsg, vbVANTMSGCB(&newer, &Recorder::onValue), true);
    EXPECT_TRUE(g_vbVantMsgEngine.isNowStarted());
    EXPECT_EQ(a.GetRegisteredId(), DWORD(valueMsg));
    EXPECT_TRUE(g_vbVantMsgEngine.Call(valueMsg, nullptr, 1, 2));
    EXPECT_EQ(newer.calls, std::vector<std::string>{"newer:1,2"});
    EXPECT_EQ(older.calls, std::vector<std::string>{"older:1,2"});
    EXPECT_TRUE(logHas("callback failure"));
    EXPECT_FALSE(g_vbVantMsgEngine.Call(dataMsg, nullptr, 1, 2));

    // One number, two kinds of callback.
    vbExtraDataMsg sameNumber("KVX Test value message");
    vbVantDataCb wrong(0, &sameNumber, vbVANTDATACB(&older, &Recorder::onData), false);
    expectEsys([&] { wrong.Create(); }, E_FAIL, "vbVantMsgEngine::getMsgCb() : bad type message found");

    // Unregistered: no more calls; the entry stays, empty.
    a.Destroy();
    b.Destroy();
    EXPECT_TRUE(g_vbVantMsgEngine.Call(valueMsg, nullptr, 3, 4));
    EXPECT_EQ(older.calls.size(), 1u);
}

TEST_F(vbVantMsgEngineTest, CallbackRefusalsAreTraced)
{
    Recorder r;
    vbVantMsgCb value(&valueMsg, vbVANTMSGCB(&r, &Recorder::onValue), true);
    vbVantDataCb optional(-16, &dataMsg, vbVANTDATACB(&r, &Recorder::onData), true);
    EXPECT_TRUE(optional.IsDataOptional());
    EXPECT_EQ(optional.GetDataLengthMin(), 16);

    // A heap of 32-byte sectors gives blocks of 12 and 44 bytes.
    auto* raw = new vbSharedHeap(0x40000, "!SmallSectors", true, 0x80000, 12, 16384);
    vbRefPtr<vbSharedHeap, &IID_vbSharedHeap> heap(raw);
    raw->Release();
    vbSharedMemPtr small, large;
    heap->Alloc(&small, 10, true);
    heap->Alloc(&large, 30, true);
    ASSERT_EQ(small->GetLength(), 12u);
    ASSERT_EQ(large->GetLength(), 44u);

    g_vbVantMsgEngine.Call(valueMsg, small.Get(), 1, 2);
    EXPECT_TRUE(logHas("vbVantMsgCb::Call() : message " + hex(valueMsg)
        + " (KVX Test value message) : received with unexpected data (sz=12)"));
    EXPECT_EQ(r.count(), 0u);
    g_vbVantMsgEngine.Call(dataMsg, nullptr, 1, 2);
    g_vbVantMsgEngine.Call(dataMsg, large.Get(), 3, 4);
    EXPECT_EQ(r.count(), 2u);
    g_vbVantMsgEngine.Call(dataMsg, small.Get(), 5, 6);
    EXPECT_EQ(r.count(), 2u);
    EXPECT_TRUE(logHas("vbVantDataCb::Call() : message " + hex(dataMsg)
        + " (KVX Test data message) : data size too little (sz=12, szmin=16)"));

    vbVantDataCb required(16, &dataMsg, vbVANTDATACB(&r, &Recorder::onData), true);
    g_vbVantMsgEngine.Call(dataMsg, nullptr, 7, 8);
    EXPECT_TRUE(logHas("vbVantDataCb::Call() : message " + std::to_string(DWORD(dataMsg))
        + " (KVX Test data message) : received without data"));
    expectEsys([&] { required.Call(WPARAM(0), LPARAM(0)); }, E_FAIL,
        "vbVantDataCb::Call(WPARAM wParam, LPARAM lParam) : forbidden call, bad msg type");
}

TEST_F(vbVantMsgEngineTest, ACallbackMayDeleteTheNextOneDuringDelivery)
{
    Recorder first, second, third;
    first.name = "first";
    second.name = "second";
    third.name = "third";
    vbVantMsgCb c(&valueMsg, vbVANTMSGCB(&third, &Recorder::onValue), true);
    auto* b = new vbVantMsgCb(&valueMsg, vbVANTMSGCB(&second, &Recorder::onValue), true);
    vbVantMsgCb a(&valueMsg, vbVANTMSGCB(&first, &Recorder::onValue), true);
    // a runs first and destroys b, which the walk would have called next.
    first.victim = b;
    EXPECT_TRUE(g_vbVantMsgEngine.Call(valueMsg, nullptr, 1, 1));
    EXPECT_EQ(first.count(), 1u);
    EXPECT_EQ(second.count(), 0u);
    EXPECT_EQ(third.count(), 1u);
    EXPECT_TRUE(g_vbVantMsgEngine.Call(valueMsg, nullptr, 2, 2));
    EXPECT_EQ(first.count(), 2u);
    EXPECT_EQ(third.count(), 2u);
}

TEST_F(vbVantMsgEngineTest, OwnQueueRoundTripOnTheEngineThread)
{
    Recorder r;
    vbVantDataCb cb(5, &dataMsg, vbVANTDATACB(&r, &Recorder::onData), true);
    vbSharedQueuePtr q = g_vbVantMsgEngine.GetQueue();
    ASSERT_TRUE(q);
    EXPECT_EQ(q->GetName(), "!VantMsgInterAppli3");
    const int64_t idle = q->GetBusyByteCount();
    EXPECT_EQ(cb.Post(vbSharedQueue::kSelf, "hello", 5, 10, 20), 1);
    ASSERT_TRUE(waitFor([&] { return r.count() == 1; }));
    EXPECT_EQ(r.calls[0], ":10,20:hello");
    EXPECT_NE(r.threadId, GetCurrentThreadId());
    EXPECT_EQ(r.blockLength, 108u);
    // The block goes once the callbacks have run.
    EXPECT_TRUE(waitFor([&] { return q->GetBusyByteCount() == idle; }));
    // Value messages too, and the failure answer.
    vbVantMsgCb value(&valueMsg, vbVANTMSGCB(&r, &Recorder::onValue), true);
    EXPECT_EQ(value.Post(vbSharedQueue::kAll, 3, 4), 1);
    ASSERT_TRUE(waitFor([&] { return r.count() == 2; }));
    EXPECT_EQ(r.calls[1], ":3,4");
    EXPECT_EQ(g_vbVantMsgEngine.Post("(", valueMsg, 0, 0), -1);
}

TEST_F(vbVantMsgEngineTest, StoppingLogsCallbacksStillRegistered)
{
    Recorder r;
    vbVantMsgCb a(&valueMsg, vbVANTMSGCB(&r, &Recorder::onValue), true);
    vbVantMsgCb b(&valueMsg, vbVANTMSGCB(&r, &Recorder::onValue), true);
    g_vbVantMsgEngine.Stop();
    EXPECT_TRUE(logHas("[PB] vbVantMsgEngine::MsgCb::~MsgCb() : staying 2 vbVantMsgEngine::MsgCb(s)"));
    EXPECT_EQ(a.GetRegisteredId(), 0u);
    EXPECT_FALSE(g_vbVantMsgEngine.GetQueue());
}

// A callback that posts while the centre stops the engine: the stop must not wait for it with
// the centre's lock held while it waits for that lock.
class LatePoster : public vbBase {
public:
    explicit LatePoster(vbExtraMsg* msg) : m_msg(msg) { }
    void onValue(vbVantMsgCb&, DWORD, DWORD)
    {
        if (entered.exchange(true))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        result = g_vbVantMsgEngine.Post(vbSharedQueue::kSelf, *m_msg, 0, 0);
        done = true;
    }
    std::atomic<bool> entered{false};
    std::atomic<bool> done{false};
    std::atomic<int> result{0};

private:
    vbExtraMsg* m_msg;
};

TEST_F(vbVantMsgEngineTest, StoppingWhileACallbackPostsDoesNotDeadlock)
{
    LatePoster poster(&valueMsg);
    vbVantMsgCb cb(&valueMsg, vbVANTMSGCB(&poster, &LatePoster::onValue), true);
    ASSERT_EQ(cb.Post(vbSharedQueue::kSelf, 0, 0), 1);
    ASSERT_TRUE(waitFor([&] { return poster.entered.load(); }));
    const vbtest::Caught c = catchVb([] { g_vbVantMsgEngine.Stop(); });
    EXPECT_FALSE(c.thrown) << c.msg;
    EXPECT_TRUE(poster.done);
    EXPECT_FALSE(g_vbVantMsgEngine.GetQueue());
}

// A callback that keeps the engine thread until another thread has registered a callback.
class Holder : public vbBase {
public:
    void onValue(vbVantMsgCb&, DWORD, DWORD)
    {
        entered = true;
        released = waitFor([&] { return release.load(); });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        finished = true;
    }
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    std::atomic<bool> released{false};
    std::atomic<bool> finished{false};
};

// A thread that starts an engine holds the centre's lock while the engine registers its callbacks,
// and a callback may wait for that lock: registering must not wait for the delivery in progress.
// Removing the running callback from another thread waits for its call, so that it may go then.
TEST_F(vbVantMsgEngineTest, ARunningCallbackNeitherBlocksRegistrationNorOutlivesItsRemoval)
{
    Holder holder;
    Recorder r;
    vbVantMsgCb cb(&valueMsg, vbVANTMSGCB(&holder, &Holder::onValue), true);
    ASSERT_EQ(cb.Post(vbSharedQueue::kSelf, 0, 0), 1);
    ASSERT_TRUE(waitFor([&] { return holder.entered.load(); }));
    vbVantDataCb data(0, &dataMsg, vbVANTDATACB(&r, &Recorder::onData), true);
    vbVantTimerCb timer(400, vbVANTTIMERCB(&r, &Recorder::onTimer), true);
    holder.release = true;
    cb.Destroy();
    EXPECT_TRUE(holder.finished);
    EXPECT_TRUE(holder.released) << "registration waited for the delivery";
    EXPECT_NE(data.GetRegisteredId(), 0u);
}

// An engine whose stop unregisters a message callback, as services that listen to messages do.
class ListeningEngine : public vbEngine {
public:
    ListeningEngine() : vbEngine(vbEngineStartExplicit, "Listening test engine", vbEngineDeps()) { }
    ~ListeningEngine() override { Destroy(); }

    vbVantMsgCb* listener = nullptr;
    std::atomic<bool> stopping{false};

protected:
    void onStart() override { }
    bool onStop(bool) override
    {
        stopping = true;
        if (listener)
            listener->Destroy();
        return true;
    }
};

// A callback that, once a stop has begun, uses the engine centre (as reading a configuration does).
class CentreUser : public vbBase {
public:
    explicit CentreUser(ListeningEngine* engine) : m_engine(engine) { }
    void onValue(vbVantMsgCb&, DWORD, DWORD)
    {
        entered = true;
        for (int i = 0; i < 40 && !m_engine->stopping; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        int pos = 1;
        g_vbEngineCenter.GetEngine(pos);
    }
    std::atomic<bool> entered{false};

private:
    ListeningEngine* m_engine;
};

TEST_F(vbVantMsgEngineTest, AStopThatUnregistersWhileACallbackUsesTheCentreDoesNotDeadlock)
{
    Recorder r;
    ListeningEngine engine;
    engine.Start();
    CentreUser user(&engine);
    vbVantMsgCb uses(&valueMsg, vbVANTMSGCB(&user, &CentreUser::onValue), true);
    vbExtraMsg otherMsg("KVX Test other message");
    vbVantMsgCb other(&otherMsg, vbVANTMSGCB(&r, &Recorder::onValue), true);
    engine.listener = &other;

    {
        testsupport::Watchdog watchdog(std::chrono::seconds(20), "a stop during a callback");
        std::thread delivery([&] { g_vbVantMsgEngine.Call(valueMsg, nullptr, 0, 0); });
        while (!user.entered)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        engine.Stop();
        delivery.join();
    }
    EXPECT_EQ(other.GetRegisteredId(), 0u);
    EXPECT_TRUE(g_vbVantMsgEngine.Call(otherMsg, nullptr, 0, 0));
    EXPECT_EQ(r.count(), 0u);
}

// Waiting for a call to end takes no time on the test clock, which may stand still.
TEST_F(vbVantMsgEngineTest, RemovingARunningCallbackUnderAStillClockWaitsOnlyForTheCall)
{
    vnt::test::ManualClock clock;
    Holder holder;
    vbVantMsgCb cb(&valueMsg, vbVANTMSGCB(&holder, &Holder::onValue), true);
    std::thread delivery([&] { g_vbVantMsgEngine.Call(valueMsg, nullptr, 0, 0); });
    ASSERT_TRUE(waitFor([&] { return holder.entered.load(); }));
    {
        testsupport::Watchdog watchdog(std::chrono::seconds(20), "removing a running callback under a still clock");
        holder.release = true;
        cb.Destroy();
    }
    EXPECT_TRUE(holder.finished);
    delivery.join();
}

// A stop refused because the engine thread is in a callback goes on as soon as the callback has
// returned, not a polling step later: the clock stands still.
TEST_F(vbVantMsgEngineTest, AStopRefusedDuringADeliveryGoesOnOnceItEnds)
{
    Holder holder;
    vbVantMsgCb cb(&valueMsg, vbVANTMSGCB(&holder, &Holder::onValue), true);
    ASSERT_EQ(cb.Post(vbSharedQueue::kSelf, 0, 0), 1);
    ASSERT_TRUE(waitFor([&] { return holder.entered.load(); }));
    vnt::test::ManualClock clock;
    testsupport::Watchdog watchdog(std::chrono::seconds(60), "a stop refused during a delivery");
    std::thread releaser([&] {
        clock.waitUntilBlocked(1);
        holder.release = true;
    });
    const vbtest::Caught c = catchVb([] { g_vbVantMsgEngine.Stop(); });
    releaser.join();
    EXPECT_FALSE(c.thrown) << c.msg;
    EXPECT_TRUE(holder.finished);
    EXPECT_FALSE(g_vbVantMsgEngine.GetQueue());
    cb.Destroy();
}

class vbVantMsgEngineTimerTest : public vbVantMsgEngineTest {
protected:
    // Advances the clock once the engine thread waits again.
    void step(DWORD ms)
    {
        clock.waitUntilBlocked(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        clock.advance(ms);
    }
    vnt::test::ManualClock clock;
};

TEST_F(vbVantMsgEngineTimerTest, PeriodsRoundUpAndShareEntries)
{
    Recorder r;
    expectEsys([&] { vbVantTimerCb zero(0, vbVANTTIMERCB(&r, &Recorder::onTimer), true); }, E_FAIL,
        "vbVantMsgEngine::createTimerCb() : elapse time is null");
    vbVantTimerCb t250(250, vbVANTTIMERCB(&r, &Recorder::onTimer), true);
    vbVantTimerCb t400(400, vbVANTTIMERCB(&r, &Recorder::onTimer), true);
    EXPECT_EQ(t250.GetTimerIndex(), t400.GetTimerIndex());
    vbVantTimerCb t1(1, vbVANTTIMERCB(&r, &Recorder::onTimer), true);
    EXPECT_NE(t1.GetTimerIndex(), t400.GetTimerIndex());
    ASSERT_TRUE(waitFor([] { return g_vbVantMsgEngine.GetWaitTimeOut() == 200; }));
    t250.Destroy();
    t400.Destroy();
    const int before = r.ticks;
    for (int k = 1; k <= 3; ++k) {
        step(200);
        ASSERT_TRUE(waitFor([&] { return r.ticks == before + k; })) << k;
    }
    // With no timer left the thread wakes every 180 s at the latest.
    t1.Destroy();
    step(200);
    ASSERT_TRUE(waitFor([] { return g_vbVantMsgEngine.GetWaitTimeOut() == 180000; }));
    EXPECT_EQ(r.ticks, before + 3);
}

TEST_F(vbVantMsgEngineTimerTest, ATimerFiresOnTimeAcrossTheTickWrap)
{
    clock.setTick(0xFFFFFF00);
    Recorder r;
    vbVantTimerCb t(400, vbVANTTIMERCB(&r, &Recorder::onTimer), true);
    ASSERT_TRUE(waitFor([] { return g_vbVantMsgEngine.GetWaitTimeOut() == 400; }));
    step(399);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(r.ticks, 0);
    step(1);
    ASSERT_TRUE(waitFor([&] { return r.ticks == 1; }));
    EXPECT_EQ(GetTickCount(), 0x90u);
}

} // namespace
