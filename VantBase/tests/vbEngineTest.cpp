#include "LogFileReader.h"

#include "vbEngine.h"
#include "vbException.h"
#include "vbMsg.h"
#include "vbObjects.h"
#include "vbSync.h"
#include "vbThread.h"

#include "plat/message.h"
#include "plat/system.h"
#include "plat/thread.h"

#include "testsupport/ManualClock.h"
#include "testsupport/Watchdog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <string>
#include <vector>

namespace {

// Runs f and answers the message of the vbEsys it throws ("" when none), which it deletes.
template <class F>
std::string esysMessage(F f, HRESULT* pHr = nullptr)
{
    try {
        f();
    } catch (vbEsys* e) {
        std::string msg = e->GetMsg();
        if (pHr)
            *pHr = e->GetRealHR();
        e->Delete();
        return msg;
    }
    return "";
}

// An engine that writes what happens to it into a shared journal and refuses to stop as told.
class JournalEngine : public vbEngine {
public:
    JournalEngine(std::vector<std::string>* journal, const char* label, vbEngineStartMode mode,
        const vbEngineDeps& deps = vbEngineDeps(), vbEngineCenter* center = nullptr)
        : vbEngine(center, mode, label, deps), m_journal(journal)
    {
    }
    ~JournalEngine() override { Destroy(); }

    // onStart throws this many times first.
    int failStarts = 0;
    // onStop refuses while not forced (refuseNormal) or also when forced (refuseForced).
    bool refuseNormal = false;
    bool refuseForced = false;
    int normalStops = 0;
    int forcedStops = 0;

protected:
    void onStart() override
    {
        if (failStarts > 0) {
            --failStarts;
            throw new vbEsys("cannot start yet");
        }
        m_journal->push_back(std::string("start ") + GetLabelPtr());
    }
    bool onStop(bool bForce) override
    {
        (bForce ? forcedStops : normalStops)++;
        if (bForce ? refuseForced : refuseNormal)
            return false;
        m_journal->push_back(std::string("stop ") + GetLabelPtr());
        return true;
    }

private:
    std::vector<std::string>* m_journal;
};

// An engine with a pool thread of its own, which runs until asked to close; the engine stops once
// the thread has gone, as engines that own threads do.
class ThreadEngine : public vbEngine {
public:
    explicit ThreadEngine(vbEngineCenter* center) : vbEngine(center, vbEngineStartAuto, "Threaded", vbEngineDeps()) { }
    ~ThreadEngine() override { Destroy(); }

    bool running() { return m_worker.running(); }

protected:
    void onStart() override { m_worker.Create(false); }
    bool onStop(bool) override
    {
        bool failed = false;
        return m_worker.AskClose(&failed);
    }

private:
    class Worker : public vbThread {
    public:
        Worker() : vbThread(vbString("engine worker")), m_close(true, nullptr, vbEventManualReset) { }
        DWORD onRun(sIvbThread*) override
        {
            m_running = true;
            m_close.Wait(nullptr);
            return 0;
        }
        void onClose(sIvbThread*) override { m_close.Set(); }
        bool running() const { return m_running; }

    private:
        vbEvent m_close;
        std::atomic<bool> m_running{false};
    };
    Worker m_worker;
};

TEST(vbEngineCenter, StartNeedsTheUseLockAndASecondUseLockStartsNothing)
{
    EXPECT_EQ(esysMessage([] { g_vbEngineCenter.Start(); }),
        "vbEngineCenter()::Start() : engine center is not 'use locked'");

    std::vector<std::string> journal;
    JournalEngine a(&journal, "A", vbEngineStartAuto);
    {
        vbUseEngineCenter first(&g_vbEngineCenter, true);
        vbUseEngineCenter second(&g_vbEngineCenter, true);
        EXPECT_EQ(g_vbEngineCenter.GetUseCount(), 2);
        EXPECT_TRUE(a.isNowStarted());
        second.StopUse();
        EXPECT_TRUE(a.isNowStarted()); // another user still holds the centre
    }
    EXPECT_EQ(journal, (std::vector<std::string>{"start A", "stop A"}));
    EXPECT_EQ(g_vbEngineCenter.GetUseCount(), 0);
}

TEST(vbMTuseEngineCenter, AnIgnoredStopKeepsTheCentreOnce)
{
    std::vector<std::string> journal;
    JournalEngine a(&journal, "A", vbEngineStartAuto);
    vbMTuseEngineCenter mt;
    mt.StartUse(true);
    mt.IgnoreStopUse(true);
    EXPECT_FALSE(mt.StopUse());
    EXPECT_TRUE(a.isNowStarted());
    EXPECT_TRUE(mt.StopUse());
    EXPECT_FALSE(a.isNowStarted());
    EXPECT_TRUE(mt.StopUse()) << "nothing held";
    EXPECT_EQ(journal, (std::vector<std::string>{"start A", "stop A"}));
    EXPECT_EQ(g_vbEngineCenter.GetUseCount(), 0);
}

TEST(vbEngineCenter, AStartThatFailedIsTriedAgainByTheNextStart)
{
    std::vector<std::string> journal;
    JournalEngine flaky(&journal, "Flaky", vbEngineStartAuto);
    flaky.failStarts = 1;
    vbUseEngineCenter first;
    EXPECT_EQ(esysMessage([&] { first.StartUse(true); }), "cannot start yet");
    EXPECT_NE(readLogFile().find("  >> vbEngineStartStopStack::DumpStack(int level = 0) : Start stack : <<"),
        std::string::npos);
    vbUseEngineCenter second(&g_vbEngineCenter, true);
    EXPECT_EQ(journal, (std::vector<std::string>{"start Flaky"}));
}

TEST(vbEngineCenter, StartsDependenciesFirstAndStopsDependentsFirst)
{
    std::vector<std::string> journal;
    JournalEngine c(&journal, "C", vbEngineStartOnDemand);
    JournalEngine b(&journal, "B", vbEngineStartOnDemand, vbEngineDeps(1, &c));
    JournalEngine a(&journal, "A", vbEngineStartAuto, vbEngineDeps(1, &b));
    // A dependency linked after its user stands before it in the list: the stop walk reaches it
    // first and must still stop the user first.
    struct Reversed {
        explicit Reversed(std::vector<std::string>* j)
            : user(j, "User", vbEngineStartAuto, vbEngineDeps(1, &used)), used(j, "Used", vbEngineStartOnDemand)
        {
        }
        JournalEngine user;
        JournalEngine used;
    } reversed(&journal);
    {
        vbUseEngineCenter use(&g_vbEngineCenter, true);
        EXPECT_EQ(journal, (std::vector<std::string>{"start Used", "start User", "start C", "start B", "start A"}));
        journal.clear();
    }
    EXPECT_EQ(journal, (std::vector<std::string>{"stop User", "stop Used", "stop A", "stop B", "stop C"}));
}

TEST(vbEngineCenter, ADependencyCycleIsReportedNotFollowed)
{
    std::vector<std::string> journal;
    JournalEngine self(&journal, "Self", vbEngineStartOnDemand, vbEngineDeps(1, &self));
    struct Pair {
        explicit Pair(std::vector<std::string>* j)
            : p(j, "P", vbEngineStartOnDemand, vbEngineDeps(1, &q)), q(j, "Q", vbEngineStartOnDemand, vbEngineDeps(1, &p))
        {
        }
        JournalEngine p;
        JournalEngine q;
    } pair(&journal);

    vbUseEngineCenter use(&g_vbEngineCenter, true);
    EXPECT_EQ(esysMessage([&] { self.Start(); }),
        "vbEngineStartStopStack::SetLevel(Self,level=1) : recursive start/stop call in infinite loop !!");
    EXPECT_EQ(esysMessage([&] { pair.p.Start(); }),
        "vbEngineStartStopStack::SetLevel(P,level=2) : recursive start/stop call in infinite loop !!");
    EXPECT_TRUE(journal.empty());

    const std::string log = readLogFile();
    EXPECT_NE(log.find("  >> vbEngineStartStopStack::DumpStack(int level = 1) : Start stack : <<"), std::string::npos);
    EXPECT_NE(log.find("      - vbEngineStartStopStack, level = 1 : Q"), std::string::npos);
}

TEST(vbEngine, StartModesDecideWhatLockAndDependenciesMayStart)
{
    std::vector<std::string> journal;
    JournalEngine onDemand(&journal, "OnDemand", vbEngineStartOnDemand);
    JournalEngine automatic(&journal, "Auto", vbEngineStartAuto);
    JournalEngine manual(&journal, "Manual", vbEngineStartExplicit);
    JournalEngine needsManual(&journal, "NeedsManual", vbEngineStartExplicit, vbEngineDeps(1, &manual));
    JournalEngine disabled(&journal, "Disabled", vbEngineStartDisabled);

    EXPECT_EQ(esysMessage([&] { manual.Start(); }), "vbEngine(Manual)::Start() : engine center is not in use !");

    vbUseEngineCenter use(&g_vbEngineCenter, false);
    vbLock holder;
    EXPECT_FALSE(onDemand.IsNowStarted(&holder));
    EXPECT_TRUE(onDemand.IsStarted(&holder)) << "on demand counts as started: the holder's lock starts it";
    EXPECT_TRUE(onDemand.isNowStarted());
    holder.Unlock();
    {
        vbLock lock(&onDemand);
        EXPECT_TRUE(onDemand.isNowStarted());
        EXPECT_FALSE(onDemand.CanStop());
    }
    EXPECT_EQ(esysMessage([&] { vbLock lock(&automatic); }), "vbEngine(Auto) : not started");
    EXPECT_EQ(esysMessage([&] { needsManual.Start(); }),
        "vbEngine(Manual)::start() : this engine is not started, and is to start manually/explicitly");
    EXPECT_EQ(esysMessage([&] { disabled.Start(); }), "vbEngine(Disabled)::start() : this engine is disabled");
    manual.Start();
    needsManual.Start();
    EXPECT_TRUE(needsManual.isNowStarted());

    needsManual.SetStartMode(vbEngineStartDisabled);
    EXPECT_FALSE(needsManual.isNowStarted());
    EXPECT_TRUE(manual.isNowStarted());
}

TEST(vbEngineCenter, GetEngineNumbersTheListNewestFirst)
{
    std::vector<std::string> journal;
    JournalEngine older(&journal, "Older", vbEngineStartExplicit);
    JournalEngine newer(&journal, "Newer", vbEngineStartExplicit);
    int pos = 1;
    EXPECT_EQ(g_vbEngineCenter.GetEngine(pos, &IID_vbEngine), &newer);
    EXPECT_EQ(pos, 2);
    EXPECT_EQ(g_vbEngineCenter.GetEngine(pos, &IID_vbEngine), &older);
    EXPECT_EQ(pos, 3);

    pos = 1;
    EXPECT_EQ(g_vbEngineCenter.GetEngine(pos, &IID_vbMsgEngine), &g_vbMsgEngine);

    vbUseEngineCenter use(&g_vbEngineCenter, false);
    older.Start();
    vbLock onlyStarted;
    pos = 1;
    EXPECT_EQ(g_vbEngineCenter.GetEngine(pos, nullptr, &onlyStarted), &older);
}

TEST(vbEngineCenter, ARefusingEngineIsPumpedForThenForcedThenReported)
{
    // A centre of its own: the library's automatic engines start threads, whose start-up waits
    // the auto-advancing clock would cut short.
    vbEngineCenter center;
    vnt::test::ManualClock clock(true);
    std::vector<std::string> journal;
    JournalEngine stubborn(&journal, "Stubborn", vbEngineStartAuto, vbEngineDeps(), &center);
    stubborn.refuseNormal = stubborn.refuseForced = true;

    vbUseEngineCenter use(&center, true);
    // While the centre is in use a refused stop is never forced: it times out.
    HRESULT hr = 0;
    EXPECT_EQ(esysMessage([&] { stubborn.Stop(); }, &hr), "vbEngine(Stubborn)::Stop() : timeout, can't stop this engine");
    EXPECT_EQ(hr, vbHR_ENGINE_TIMEOUT);
    EXPECT_EQ(stubborn.normalStops, 51);
    EXPECT_EQ(stubborn.forcedStops, 0);

    stubborn.normalStops = 0;
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER + 5, 0, 0));
    hr = 0;
    EXPECT_EQ(esysMessage([&] { use.StopUse(); }, &hr), "vbEngineCenter::useUnlock() : timeout on Stubborn");
    EXPECT_EQ(hr, vbHR_ENGINE_TIMEOUT);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "the waits pump pending messages";
    // 50 refusals, then forced tries until 50 more refusals.
    EXPECT_EQ(stubborn.normalStops, 51);
    EXPECT_EQ(stubborn.forcedStops, 51);
    EXPECT_EQ(center.GetUseCount(), 0);
    stubborn.refuseNormal = stubborn.refuseForced = false;
    center.Stop();
    EXPECT_EQ(journal, (std::vector<std::string>{"start Stubborn", "stop Stubborn"}));

    // An engine that gives in when forced is stopped by the forced phase.
    JournalEngine yielding(&journal, "Yielding", vbEngineStartAuto, vbEngineDeps(), &center);
    yielding.refuseNormal = true;
    use.StartUse(&center, true);
    use.StopUse();
    EXPECT_EQ(yielding.normalStops, 51);
    EXPECT_EQ(yielding.forcedStops, 1);
    EXPECT_FALSE(yielding.isNowStarted());
}

TEST(vbEngineCenter, AStopWaitingForAnEngineThreadGoesOnWhenTheThreadEnds)
{
    vbUseEngineCenter library(&g_vbEngineCenter, false);
    vbEngineCenter center;
    ThreadEngine engine(&center);
    vbUseEngineCenter use(&center, true);
    for (int i = 0; i < 2000 && !engine.running(); ++i)
        Sleep(5);
    ASSERT_TRUE(engine.running());

    // The clock stands still: a wait that sat out a whole step would never end.
    vnt::test::ManualClock clock;
    testsupport::Watchdog dog(std::chrono::seconds(60), "the stop of an engine whose thread ends");
    use.StopUse();
    EXPECT_FALSE(engine.isNowStarted());
}

TEST(vbEngine, DestroyOfAnAlwaysRefusingEngineEndsStoppedAndTraced)
{
    vnt::test::ManualClock clock(true);
    std::vector<std::string> journal;
    JournalEngine stubborn(&journal, "Stubborn", vbEngineStartExplicit);
    stubborn.refuseNormal = stubborn.refuseForced = true;
    vbUseEngineCenter use(&g_vbEngineCenter, false);
    stubborn.Start();

    stubborn.Destroy();
    EXPECT_EQ(stubborn.GetStartMode(), vbEngineStartDisabled);
    EXPECT_FALSE(stubborn.isNowStarted());
    EXPECT_TRUE(stubborn.TryStop()); // marked stopped
    EXPECT_EQ(stubborn.normalStops, 51);
    EXPECT_EQ(stubborn.forcedStops, 50);
    EXPECT_NE(readLogFile().find("vbEngine(Stubborn)::Destroy() : timeout, can't stop this engine !"), std::string::npos);
}

TEST(vbEngineCenter, ItsDestructorReportsWhatStayed)
{
    // An engine left linked to its centre is the fault reported; it is kept (never destroyed) in
    // static storage so that nothing touches the centre once it is gone.
    alignas(JournalEngine) static unsigned char storage[sizeof(JournalEngine)];
    static std::vector<std::string> journal;
    {
        vbEngineCenter center;
        ::new (storage) JournalEngine(&journal, "Left", vbEngineStartExplicit, vbEngineDeps(), &center);
        vbMTuseEngineCenter kept;
        kept.StartUse(&center, false);
        kept.IgnoreStopUse(true); // its destructor lets the use lock stay
    }
    const std::string log = readLogFile();
    EXPECT_NE(log.find("[PB] vbEngineCenter::~vbEngineCenter() : staying engine"), std::string::npos);
    EXPECT_NE(log.find("[PB] vbEngineCenter::~vbEngineCenter() : use count=1"), std::string::npos);
}

TEST(vbEngineCenter, OsLabelFromTheSystemVersion)
{
    OSVERSIONINFOA os = {};
    os.dwOSVersionInfoSize = sizeof os;
    ASSERT_TRUE(GetVersionExA(&os));
    EXPECT_TRUE(vbIsNTos());
    EXPECT_FALSE(vbIs95os());
    EXPECT_EQ(vbGetOSver(), os.dwMajorVersion);
    EXPECT_EQ(vbGetOSminorVer(), os.dwMinorVersion);
    const std::string label = vbGetOSlabel().c_str();
    EXPECT_EQ(label.rfind("Windows NT 0.5.0.1 Build 2600 ", 0), 0u) << label;
    EXPECT_EQ(label.substr(label.size() - std::string(os.szCSDVersion).size()), os.szCSDVersion);
}

TEST(vbEngineCenter, MainHeapIsTheCentresHeap)
{
    EXPECT_EQ(&vbGetMainHeap(), &g_vbEngineCenter.GetMainHeap());
    EXPECT_STREQ(vbGetMainHeap().GetName(), "Vant main memory heap");
    void* p = _vbAlloc(40, vbAllocZero);
    EXPECT_TRUE(g_vbEngineCenter.GetMainHeap().IsValid(p));
    _vbFree(p);
}

TEST(vbStringFormat, CutsAt511Characters)
{
    const std::string longText(600, 'y');
    EXPECT_EQ(std::string(vbStringFormat("%s", longText.c_str())), std::string(511, 'y'));
    EXPECT_STREQ(vbStringFormat("%d-%s", 7, "x"), "7-x");
}

} // namespace
