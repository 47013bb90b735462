#include "vbDnCenter.h"
#include "vbDnObject.h"

#include "testsupport/ManualClock.h"
#include "testsupport/TestDnObject.h"
#include "testsupport/TestHome.h"
#include "vbDnTestProto.h"
#include "vbExpectThrown.h"

#include "plat/testhooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace vbdntest;
using vnt::test::CLSID_TestDnObject;

namespace {

using TestPtr = vbDnPtr<TestDnObject, &CLSID_TestDnObject>;
constexpr auto kLong = std::chrono::seconds(20);

// Names in the order the objects ran their operations.
class Recorder {
public:
    void add(const std::string& name)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_names.push_back(name);
        m_changed.notify_all();
    }
    // The names once there are n of them (or what there is after a long wait).
    std::vector<std::string> waitFor(size_t n)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, kLong, [&] { return m_names.size() >= n; });
        return m_names;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_names;
};

// Holds a worker inside an operation until the test opens it.
struct Gate {
    std::promise<void> entered;
    std::promise<void> opened;
    std::shared_future<void> openedFuture = opened.get_future().share();
    bool waitEntered()
    {
        return entered.get_future().wait_for(kLong) == std::future_status::ready;
    }
    void block()
    {
        entered.set_value();
        openedFuture.wait_for(kLong);
    }
    void open() { opened.set_value(); }
};

// A signal watcher on an object.
struct Signals : sIvbPtrCb {
    void onPtrSignal(sIvbPtr*, int signal) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        seen.push_back(signal);
    }
    void onPtrUnlink(sIvbPtr*) override {}
    void onPtrLink(sIvbPtr*) override {}
    std::vector<int> get()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return seen;
    }
    std::mutex mutex;
    std::vector<int> seen;
};

int countCalls(const TestDnObject* o, const std::string& prefix)
{
    int n = 0;
    for (const std::string& c : o->Calls())
        n += c.rfind(prefix, 0) == 0;
    return n;
}

std::string errorOf(const TestDnObject* o)
{
    ULONG hr = 0;
    vbString text;
    o->GetError(hr, text);
    return text.c_str();
}

class DnCenter : public ::testing::Test {
protected:
    DnCenter()
    {
        g_vbDnCenter.SetThreadMax(4);
        g_vbDnCenter.SetThreadMin(1);
        g_vbDnCenter.SetThreadMaxWithTimeOut(0);
        g_vbDnCenter.SetThreadTimeOut(0);
        g_vbDnCenter.SetSessionTimeOut(0);
        g_vbDnCenter.SetCacheSizeMax(0);
        g_vbDnCenter.SetObjNotUsedTimeOut(0);
        g_vbDnCenter.SetCacheCleanTimeOut(0);
        g_vbDnCenter.ResetPerfStats();
    }
    ~DnCenter() override
    {
        for (TestDnObject* o : m_objects)
            o->Release();
    }

    // An object whose operations the object runs itself, recording its name.
    template <class T = TestDnObject>
    T* recorded(const char* url, Recorder* rec)
    {
        T* o = own(new T(url));
        std::string name = url;
        o->script.doDnOp = [rec, name](vbDnData*, vbDnOp, const vbString&) {
            rec->add(name);
            return true;
        };
        return o;
    }
    TestDnObject* blocking(const char* url, Gate* gate)
    {
        TestDnObject* o = own(new TestDnObject(url));
        // The gate may go before the worker has left the wait: it keeps the shared state.
        o->script.doDnOp = [gate, opened = gate->openedFuture](vbDnData*, vbDnOp, const vbString&) {
            gate->entered.set_value();
            opened.wait_for(kLong);
            return true;
        };
        return o;
    }
    template <class T>
    T* own(T* o)
    {
        o->Create();
        m_objects.push_back(o);
        return o;
    }

    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
    std::vector<TestDnObject*> m_objects;
};

bool ask(IvbDnObject* o, int prio) { return vbDnAsk(o, vbDnLoad, nullptr, static_cast<vbDnPriority>(prio), false); }

TEST_F(DnCenter, PrioritiesChooseTheOrderAndKeepOrMoveQueuedRequests)
{
    g_vbDnCenter.SetThreadMax(1);
    Recorder rec;
    Gate gate;
    ask(blocking("op:blocker", &gate), 3);
    ASSERT_TRUE(gate.waitEntered());
    auto* a = recorded("a", &rec);
    auto* c = recorded("c", &rec);
    ask(a, 0);
    ask(recorded("b", &rec), 1);
    ask(c, 3);
    // A fast request may start a worker beyond the maximum; this creation fails, silently,
    // since a worker lives, and none is tried again before one has ended.
    vntTestFailNextThreadCreations(1);
    ask(recorded("d", &rec), 5);
    ask(recorded("f", &rec), 4);
    ask(recorded("e", &rec), 2);
    ask(a, 1); // moves to list 1, behind b
    ask(c, 1); // keeps its place in list 3
    EXPECT_EQ(g_vbDnCenter.GetThreadCount(), 1);
    EXPECT_EQ(g_vbDnCenter.GetOpWaitingCount(), 6);
    EXPECT_EQ(g_vbDnCenter.GetOpWaitingLockedCount(), 2);
    vbtest::expectThrown<vbEdn>([&] { ask(recorded("z", &rec), 6); }, E_FAIL, "vbDnCenter::taskAdd() : bad priority");
    gate.open();
    EXPECT_EQ(rec.waitFor(6), (std::vector<std::string>{"d", "c", "f", "e", "b", "a"}));
}

TEST_F(DnCenter, RequestsWaitingForAPluginRunAfterAPluginChange)
{
    Recorder rec;
    auto* o = recorded("op:later", &rec);
    ask(o, -1);
    ASSERT_TRUE(eventually([] { return g_vbDnCenter.GetThreadWaitingCount() == 1; }));
    EXPECT_EQ(g_vbDnCenter.GetOpWaitingNotReadyCount(), 1);
    EXPECT_EQ(g_vbDnCenter.GetCacheObjCount(), 1);
    EXPECT_TRUE(rec.waitFor(0).empty());
    vbSectLock none;
    g_vbDnCenter.onLoadPluginAsked(nullptr, nullptr, false, none);
    EXPECT_EQ(rec.waitFor(1), std::vector<std::string>{"op:later"});
    EXPECT_EQ(g_vbDnCenter.GetCacheObjCount(), 0);
}

TEST_F(DnCenter, FastPrioritiesPassTheMaximum)
{
    g_vbDnCenter.SetThreadMax(1);
    Gate gate;
    Recorder rec;
    ask(blocking("op:blocker", &gate), 3);
    ASSERT_TRUE(gate.waitEntered());
    ask(recorded("x", &rec), 2);
    EXPECT_EQ(g_vbDnCenter.GetThreadCount(), 1);
    ask(recorded("y", &rec), 4);
    // The worker beyond the maximum serves the fast lists, then ends: only the peak stays.
    EXPECT_EQ(rec.waitFor(2), (std::vector<std::string>{"y", "x"}));
    EXPECT_EQ(g_vbDnCenter.GetThreadPeakCount(), 2);
    gate.open();
}

// A waiting worker serves one of several requests made together; the others get workers of their
// own, so that none waits for another to end.
TEST_F(DnCenter, RequestsMadeTogetherRunSideBySide)
{
    Recorder rec;
    ask(recorded("first", &rec), 5);
    ASSERT_EQ(rec.waitFor(1).size(), 1u);
    const auto deadline = std::chrono::steady_clock::now() + kLong;
    while (g_vbDnCenter.GetThreadWaitingCount() != 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(g_vbDnCenter.GetThreadWaitingCount(), 1);
    Gate gates[3];
    for (Gate& g : gates)
        ask(blocking(("op:" + std::to_string(&g - gates)).c_str(), &g), 5);
    for (Gate& g : gates)
        EXPECT_TRUE(g.waitEntered());
    EXPECT_EQ(g_vbDnCenter.GetThreadCount(), 3);
    for (Gate& g : gates)
        g.open();
}

TEST_F(DnCenter, AMaximumOfZeroSetsNoLimit)
{
    g_vbDnCenter.SetThreadMax(0);
    EXPECT_EQ(g_vbDnCenter.GetThreadMax(), 0);
    Gate gates[5];
    for (Gate& g : gates) {
        ask(blocking(("op:" + std::to_string(&g - gates)).c_str(), &g), 1);
        ASSERT_TRUE(g.waitEntered());
    }
    EXPECT_EQ(g_vbDnCenter.GetThreadCount(), 5);
    EXPECT_EQ(g_vbDnCenter.GetThreadPeakCount(), 5);
    for (Gate& g : gates)
        g.open();
}

TEST_F(DnCenter, SettingsAreClamped)
{
    struct Row {
        void (vbDnCenter::*set)(LONG);
        LONG (vbDnCenter::*get)() const;
        LONG given, stored;
    };
    const Row rows[] = {
        {&vbDnCenter::SetThreadMax, &vbDnCenter::GetThreadMax, -1, 4},
        {&vbDnCenter::SetThreadMin, &vbDnCenter::GetThreadMin, 0, 1},
        {&vbDnCenter::SetThreadMaxWithTimeOut, &vbDnCenter::GetThreadMaxWithTimeOut, -5, 0},
        {&vbDnCenter::SetThreadTimeOut, &vbDnCenter::GetThreadTimeOut, 0, 600000},
        {&vbDnCenter::SetSessionTimeOut, &vbDnCenter::GetSessionTimeOut, 0, 300000},
        {&vbDnCenter::SetCacheSizeMax, &vbDnCenter::GetCacheSizeMax, 100000, 100000},
        {&vbDnCenter::SetCacheSizeMax, &vbDnCenter::GetCacheSizeMax, -1, 262144},
        {&vbDnCenter::SetCacheSizeMax, &vbDnCenter::GetCacheSizeMax, 8191, 262144},
        {&vbDnCenter::SetCacheSizeMax, &vbDnCenter::GetCacheSizeMax, 8192, 8192},
        {&vbDnCenter::SetObjNotUsedTimeOut, &vbDnCenter::GetObjNotUsedTimeOut, 0, 600000},
        {&vbDnCenter::SetCacheCleanTimeOut, &vbDnCenter::GetCacheCleanTimeOut, 0, 60000},
    };
    for (const Row& row : rows) {
        (g_vbDnCenter.*row.set)(row.given);
        EXPECT_EQ((g_vbDnCenter.*row.get)(), row.stored) << row.given;
    }
}

TEST_F(DnCenter, RetriesAndWhatTheyTellThePointers)
{
    auto* proto = created(new ScriptProto);
    int reads = 0;
    proto->reader = [&](vbDnData*, InStream* stream) {
        if (++reads == 1)
            throw new vbEdnRetrySession(vbString("session lost"), 0);
        giveReader(stream, "content");
    };
    auto* o = own(new OwnProtoObject("mem:a"));
    o->proto = proto;
    Signals signals;
    vbObsPtr<IvbObject, &IID_IvbObject> watch(static_cast<IvbDnObject*>(o));
    watch.SetCallback(&signals);
    ask(o, 1);
    EXPECT_TRUE(vbDnWait(o, vbDnLoad, 0, false));
    EXPECT_EQ(o->Received(), "content");
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(signals.get(), std::vector<int>{0});

    // A plug-in failure marked final is not retried.
    proto->reader = [](vbDnData*, InStream*) {
        auto* e = new vbEhotPlug(vbString("no plug-in"));
        e->SetMode(0x80000000u);
        throw e;
    };
    auto* failing = own(new OwnProtoObject("mem:b"));
    failing->proto = proto;
    vbObsPtr<IvbObject, &IID_IvbObject> watchFailing(static_cast<IvbDnObject*>(failing));
    watchFailing.SetCallback(&signals);
    ask(failing, 1);
    vbDnWait(failing, vbDnLoad, 0, false);
    EXPECT_EQ(errorOf(failing), "no plug-in");
    EXPECT_EQ(countCalls(failing, "TakeRetryLater"), 0);
    EXPECT_EQ(signals.get(), (std::vector<int>{0, -1}));

    // Writes end with 5 or -2.
    auto* writer = own(new OwnProtoObject("mem:w"));
    writer->proto = proto;
    writer->writable = true;
    writer->script.writeToStream = [](vbDnData*, IvbOutputStream* out) { out->Write("x", 1, true); };
    vbObsPtr<IvbObject, &IID_IvbObject> watchWriter(static_cast<IvbDnObject*>(writer));
    watchWriter.SetCallback(&signals);
    vbDnAsk(writer, vbDnWrite, nullptr, vbDnPriority1, false);
    EXPECT_TRUE(vbDnWait(writer, vbDnWrite, 0, false));
    writer->script.writeToStream = [](vbDnData*, IvbOutputStream*) { throw new vbEdn(vbString("disk full")); };
    vbDnAsk(writer, vbDnWrite, "mem:w2", vbDnPriority1, false);
    vbDnWait(writer, vbDnWrite, 0, false);
    EXPECT_EQ(signals.get(), (std::vector<int>{0, -1, 5, -2}));
    proto->Release();
}

TEST_F(DnCenter, WaitLastsUntilTheNewLoadHasRun)
{
    Gate gate;
    auto* o = own(new TestDnObject("res:a"));
    o->script.loadFromRes = [&](vbDnData*, const char* name, const char*, HINSTANCE) {
        if (std::string(name) == "b")
            gate.block();
        return true;
    };
    ask(o, 1);
    ASSERT_TRUE(vbDnWait(o, vbDnLoad, 0, false));
    o->Load("res:b", vbDnPriority1);
    ASSERT_TRUE(gate.waitEntered());
    auto waited = std::async(std::launch::async, [o] { return vbDnWait(o, vbDnLoad, 0, false); });
    EXPECT_EQ(waited.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    gate.open();
    EXPECT_TRUE(waited.get());
    EXPECT_EQ(countCalls(o, "LoadFromRes(b"), 1);
}

TEST_F(DnCenter, CancelStopsARunningLoadAtItsNextChunk)
{
    const std::string path = (vnt::test::testHome() / "big.bin").string();
    std::ofstream(path, std::ios::binary) << std::string(20000, 'c');
    std::promise<void> entered;
    auto* o = own(new TestDnObject(path.c_str()));
    o->script.loadingAddBuffer = [&](vbDnData*, const unsigned char*, ULONG) {
        entered.set_value();
        eventually([o] { return o->IsDnOpStopped(); });
        return true;
    };
    ask(o, 1);
    ASSERT_EQ(entered.get_future().wait_for(kLong), std::future_status::ready);
    EXPECT_FALSE(vbDnCancel(o, vbDnWrite, false));
    EXPECT_TRUE(vbDnCancel(o, vbDnLoad, false));
    EXPECT_FALSE(o->IsDnOpInWork());
    EXPECT_EQ(countCalls(o, "LoadingEnd(false)"), 1);
    EXPECT_EQ(countCalls(o, "LoadingAddBuffer"), 1);
}

TEST_F(DnCenter, CacheEntriesAndRetrievals)
{
    struct Entry {
        const char* url;
        int64_t key;
    };
    const Entry entries[] = {{"res:a", -1}, {"res:a", 1}, {"res:b", 0}, {"file:x", 0}};
    for (const Entry& e : entries)
        EXPECT_TRUE(vbDnCacheUpdate(own(new TestDnObject(e.url, e.key)), true));
    EXPECT_EQ(g_vbDnCenter.GetCacheObjCount(), 4);
    vbArray<vbRefPtr<IvbDnObject, &IID_IvbDnObject>, 1, 1> found;
    EXPECT_EQ(vbDnCacheRetrieve(CLSID_TestDnObject, "res:", -1, &found, false), 3);
    EXPECT_EQ(vbDnCacheRetrieve(CLSID_TestDnObject, "", 0, nullptr, false), 4);
    vbRefPtr<IvbDnObject, &IID_IvbDnObject> one;
    ASSERT_TRUE(vbDnCacheRetrieve(CLSID_TestDnObject, vbString("res:a"), 1, &one, true));
    EXPECT_EQ(one.Get(), static_cast<IvbDnObject*>(m_objects[1]));
    EXPECT_FALSE(vbDnCacheRetrieve(CLSID_TestDnObject, vbString("res:a"), 2, &one, true));
    EXPECT_EQ(vbDnCacheRemove(CLSID_TestDnObject, "res:a", 1, true), 1);
    EXPECT_TRUE(vbDnCacheRemove(m_objects[3]));
    EXPECT_FALSE(vbDnCacheRemove(m_objects[3]));
    EXPECT_EQ(g_vbDnCenter.GetCacheObjCount(), 2);
}

TEST_F(DnCenter, CleaningAsksAtMostFiveAndKeepsObjectsInUse)
{
    g_vbDnCenter.SetCacheSizeMax(8192);
    for (int i = 0; i < 6; ++i) {
        auto* o = own(new TestDnObject(("res:" + std::to_string(i)).c_str()));
        o->script.memSize = 2000;
        vbDnCacheUpdate(o, true);
    }
    EXPECT_FALSE(g_vbDnCenter.cacheClean(true));
    int asked = 0;
    for (TestDnObject* o : m_objects)
        asked += countCalls(o, "dnCenter_tryDel");
    EXPECT_EQ(asked, 5);
    EXPECT_EQ(g_vbDnCenter.GetCacheObjCount(), 6);

    // Unforced, the clean runs once per clean time-out.
    vnt::test::ManualClock clock;
    clock.advance(120000);
    g_vbDnCenter.cacheClean(false);
    int before = 0;
    for (TestDnObject* o : m_objects)
        before += countCalls(o, "dnCenter_tryDel");
    EXPECT_GT(before, asked);
    EXPECT_FALSE(g_vbDnCenter.cacheClean(false));
    int after = 0;
    for (TestDnObject* o : m_objects)
        after += countCalls(o, "dnCenter_tryDel");
    EXPECT_EQ(after, before);
}

TEST_F(DnCenter, DialogLocksWithoutAContext)
{
    g_vbDnCenter.dlgUseLock();
    EXPECT_TRUE(vbDnIsDlgUseLocked());
    try {
        g_vbDnCenter.dlgUseLock();
        ADD_FAILURE() << "a second use lock";
    } catch (vbEdnRetryLater* e) {
        EXPECT_EQ(e->GetTimeOut(), 1000);
        EXPECT_STREQ(e->GetMsg(), "Dialog box opened for download center");
        e->Delete();
    }
    g_vbDnCenter.dlgUseUnlock();
    g_vbDnCenter.dlgUseLock();
    g_vbDnCenter.dlgUseUnlock();
    EXPECT_FALSE(vbDnIsDlgUseLocked());

    EXPECT_TRUE(g_vbDnCenter.CanShowDlg());
    g_vbDnCenter.dlgDispLock();
    EXPECT_FALSE(g_vbDnCenter.CanShowDlg());
    EXPECT_TRUE(vbDnIsDlgDispLocked());
    g_vbDnCenter.dlgDispUnlock();
    EXPECT_TRUE(g_vbDnCenter.CanShowDlg());
}

TEST_F(DnCenter, StopWaitsForARunningTask)
{
    Gate gate;
    ask(blocking("op:blocker", &gate), 1);
    ASSERT_TRUE(gate.waitEntered());
    EXPECT_FALSE(g_vbDnCenter.TryStop());
    gate.open();
    ASSERT_TRUE(eventually([] { return g_vbDnCenter.GetThreadCount() == 0; }));
    EXPECT_TRUE(g_vbDnCenter.TryStop());
}

TEST_F(DnCenter, IdleWorkersAboveTheMinimumEndOneAtATime)
{
    vnt::test::ManualClock clock;
    g_vbDnCenter.SetThreadMax(0);
    g_vbDnCenter.SetThreadTimeOut(1000);
    Gate gates[3];
    for (Gate& g : gates) {
        ask(blocking(("op:" + std::to_string(&g - gates)).c_str(), &g), 1);
        ASSERT_TRUE(g.waitEntered());
    }
    for (Gate& g : gates)
        g.open();
    ASSERT_TRUE(eventually([] { return g_vbDnCenter.GetThreadWaitingCount() == 3; }));
    // Every advance runs out the idle waits of the workers then waiting; one that wakes without
    // the token waits again. How many advances the ends take depends on when each worker gets to
    // its wait, so the clock moves until the minimum is reached (or a long while has passed).
    std::vector<LONG> counts{3};
    const auto end = std::chrono::steady_clock::now() + kLong;
    while (counts.back() > 1 && std::chrono::steady_clock::now() < end) {
        clock.advance(31000);
        eventually([&] { return g_vbDnCenter.GetThreadCount() < counts.back(); }, std::chrono::milliseconds(50));
        const LONG n = g_vbDnCenter.GetThreadCount();
        if (n != counts.back())
            counts.push_back(n);
    }
    // Each worker that ends gives the token back for the next one; the minimum stays.
    EXPECT_EQ(counts.back(), 1);
    for (int pass = 0; pass < 10; ++pass) {
        clock.advance(31000);
        eventually([] { return g_vbDnCenter.GetThreadCount() < 1; }, std::chrono::milliseconds(50));
    }
    EXPECT_EQ(g_vbDnCenter.GetThreadCount(), 1);
    EXPECT_EQ(g_vbDnCenter.GetThreadDoneCount(), 2);
    // The workers end before the clock goes.
    clock.setAutoAdvance(true);
    EXPECT_TRUE(eventually([] { return g_vbDnCenter.TryStop(); }));
}

TEST_F(DnCenter, AWorkerIdleBeyondTheSessionTimeOutClosesItsSession)
{
    vnt::test::ManualClock clock(true);
    g_vbDnCenter.SetSessionTimeOut(1000);
    auto* proto = created(new ScriptProto);
    proto->reader = [](vbDnData*, InStream* stream) { giveReader(stream, "x"); };
    auto* o = own(new OwnProtoObject("mem:a"));
    o->proto = proto;
    ask(o, 1);
    EXPECT_TRUE(eventually([&] { return proto->closes.load() == 1; }));
    EXPECT_EQ(o->Received(), "x");
    EXPECT_TRUE(eventually([] { return g_vbDnCenter.TryStop(); }));
    proto->Release();
}

// A class whose objects refuse loads.
class NotLoadable : public TestDnObject {
public:
    using TestDnObject::TestDnObject;
    bool IsLoadable() const override { return false; }
};

TEST(DnCenterParking, LoadsAskedBeforeTheEnginesRunWhenTheCentreStarts)
{
    ASSERT_EQ(g_vbEngineCenter.GetUseCount(), 0);
    TestPtr kept("res:kept");
    vbDnPtr<NotLoadable, &CLSID_TestDnObject> refused("res:refused");
    EXPECT_FALSE(kept.AskLoad(vbDnPriority1));
    EXPECT_FALSE(refused.AskLoad(vbDnPriority1));
    {
        TestPtr gone("res:gone");
        EXPECT_FALSE(gone.AskLoad(vbDnPriority1));
    }
    EXPECT_EQ(kept.GetDnObject(), nullptr);

    vbUseEngineCenter use(&g_vbEngineCenter, true);
    {
        vbLock start(static_cast<const sIvbLock*>(&g_vbDnCenter));
    }
    ASSERT_NE(kept.GetDnObject(), nullptr);
    EXPECT_TRUE(vbDnWait(kept.GetDnObject(), vbDnLoad, 0, false));
    kept.Unlink();
    refused.Unlink();
}

// A download object going away in a worker unlinks its pointers while the worker holds the
// centre's cache lock; a thread stopping the engines holds the engine centre's lock and waits for
// the cache. Unlinking therefore must not need the engine centre's lock.
TEST(DnCenterParking, APointerUnlinksWhileAnotherThreadHoldsTheEngineCentre)
{
    struct CentreHolder : vbEngine {
        CentreHolder() : vbEngine(nullptr, vbEngineStartExplicit, "test centre holder", vbEngineDeps()) { }
        ~CentreHolder() override { Destroy(); }
        CCriticalSection* lock() const { return centerLock(); }
    } holder;
    ASSERT_EQ(g_vbEngineCenter.GetUseCount(), 0);
    TestPtr parked("res:parked");
    EXPECT_FALSE(parked.AskLoad(vbDnPriority1));

    std::promise<void> held, unlinked;
    std::atomic<bool> released{false};
    std::thread other([&] {
        vbSectLock lock(holder.lock());
        held.set_value();
        unlinked.get_future().wait_for(std::chrono::seconds(10));
        released = true;
    });
    held.get_future().wait();
    parked.Unlink();
    EXPECT_FALSE(released) << "the unlink waited for the engine centre's lock";
    unlinked.set_value();
    other.join();
}

} // namespace
