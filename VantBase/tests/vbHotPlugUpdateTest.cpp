// The module records' side of installation requests: taking entries in, the version a record
// accepts, the update decision with a scripted code download, the mended download start, and the
// retry queue with its timer.

#include "LogFileReader.h"
#include "vbExpectThrown.h"
#include "vbFakeCodeDownload.h"
#include "vbHotPlugTestUtil.h"

#include "hotplug/vbHotPlugger.h"

#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using vbtest::Listener;
using vbtest::registerServer;
using vbtest::testClsid;

namespace {

class TestCentre : public vbHotPlugCenter {
public:
    TestCentre() : vbHotPlugCenter("Test HotPlug Center", vbEngineDeps()) { }
    using vbHotPlugCenter::m_ids;
    using vbHotPlugCenter::m_retries;
    using vbHotPlugCenter::m_retryTimer;
    using vbHotPlugCenter::onRetryTimer;
    using vbHotPlugCenter::retryUpdateForPlugger;
};

// A listener with a scripted answer to the update question, and a step run when it is asked.
class Scripted : public Listener {
public:
    vbPlugUpdateCaps OnGetPluginCaps(IvbHotPlugger* plugger) override
    {
        if (onAsked)
            onAsked(plugger);
        return caps;
    }
    void OnLoadPluginAsked(IvbHotPlugger* plugger, bool bAlone) override
    {
        Listener::OnLoadPluginAsked(plugger, bAlone);
        if (onLoad)
            onLoad(plugger);
    }

    vbPlugUpdateCaps caps = vbPlugUpdateAllow;
    std::function<void(IvbHotPlugger*)> onAsked;
    std::function<void(IvbHotPlugger*)> onLoad;
};

#define GUID_TEXT(n) "{0000000" #n "-1234-5678-9ABC-000000000001}"

std::string logSince(size_t from) { return readLogFile().substr(from); }

void setTrace(int value)
{
    vbRegKey(vbRegLocalMachine, "Software\\KVX Vantrel\\HotPlug Center").SetValue("Trace", vbVariant(value));
}

class vbHotPlugUpdate : public ::testing::Test {
protected:
    ~vbHotPlugUpdate() override
    {
        for (Listener* l : m_listeners)
            l->Release();
    }

    template <class L = Scripted>
    L* listener()
    {
        auto* l = new L;
        l->Create();
        m_listeners.push_back(l);
        return l;
    }

    // The record serving clsid, found through the id table.
    vbHotPlugCenter::Plugger* plugger(const GUID& clsid)
    {
        const vbHotPlugCenter::PlugId* id = m_centre.m_ids.FindSorted<const GUID&>(clsid, vbHotPlugCenter::findPlugId,
            nullptr);
        return id ? id->plugger.Get() : nullptr;
    }

    // A pending request for testClsid(1): the record has accepted version 2,0,0,0.
    vbHotPlugCenter::Plugger* pending()
    {
        EXPECT_TRUE(m_centre.AddInstall("http://plugs.example/a.cab", "version=2,0,0,0;id=" GUID_TEXT(1)));
        return plugger(testClsid(1));
    }

    vbtest::FakeCodeDownload m_download;
    TestCentre m_centre;
    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
    std::vector<Listener*> m_listeners;
};

// --- taking installation entries in ---

TEST_F(vbHotPlugUpdate, EntriesWithoutUrlParametersOrIdAreRefused)
{
    EXPECT_FALSE(m_centre.AddInstall("u", "   "));
    EXPECT_FALSE(m_centre.AddInstall("u", "version=1,0,0,0"));
    EXPECT_EQ(m_centre.AddInstall(nullptr), 0);
    EXPECT_EQ(m_centre.AddInstall("|||"), 0);
    EXPECT_EQ(readLogFile().find("AddInstall(|||)"), std::string::npos) << "empty entries are skipped silently";
    vbHotPlugCenter::PlugInfo noUrl;
    noUrl.ids.Add(testClsid(1));
    EXPECT_EQ(m_centre.AddInstall(&noUrl, 1), 0);
    const std::string log = readLogFile();
    EXPECT_NE(log.find("vbHotPlugCenter::AddInstall(plugurl='u', plugparams='') : plugurl or plugparam is empty\n"),
        std::string::npos);
    EXPECT_NE(log.find("vbHotPlugCenter::AddInstall(u) : no guid defined\n"), std::string::npos);
    EXPECT_NE(log.find("vbHotPlugCenter::AddInstall() : plugUrl is empty\n"), std::string::npos);
    EXPECT_EQ(m_centre.m_ids.GetLength(), 0);
    EXPECT_EQ(m_centre.GetUpdateCnt(), 0u);
}

TEST_F(vbHotPlugUpdate, AListSplitsAtBarsAndEachEntryAtItsLastHash)
{
    setTrace(2);
    const char* list = "|u#x#version=1,0,0,0;id=" GUID_TEXT(1) "||noparams|  \t #id=" GUID_TEXT(2)
                       "|v#id=" GUID_TEXT(3) ";;junk;plugtype= a ,\t,b|";
    EXPECT_EQ(m_centre.AddInstall(list), 2);
    const std::string log = readLogFile();
    EXPECT_NE(log.find(std::string("vbHotPlugCenter::AddInstall(") + list + ") : install string without parameters : "
                  "noparams\n"),
        std::string::npos);
    EXPECT_NE(log.find("vbHotPlugCenter::AddInstall(plugurl='', plugparams='id=" GUID_TEXT(2) "') : plugurl or "
                       "plugparam is empty\n"),
        std::string::npos);
    EXPECT_NE(log.find("vbHotPlugCenter::AddInstall(plugurl='v', plugparams='id=" GUID_TEXT(3) ";;junk;plugtype= a "
                       ",\t,b') : parameter without value : junk\n"),
        std::string::npos);
    EXPECT_NE(log.find(") : accepted : current asked version: 0,0,0,0, asked version: 1,0,0,0, plugurl: u#x\n"),
        std::string::npos);
    EXPECT_NE(plugger(testClsid(1)), nullptr);
    EXPECT_EQ(plugger(testClsid(2)), nullptr);
    ASSERT_NE(plugger(testClsid(3)), nullptr);
    EXPECT_TRUE(plugger(testClsid(3))->HasPlugType("B"));
    EXPECT_FALSE(plugger(testClsid(3))->HasPlugType(""));
}

TEST_F(vbHotPlugUpdate, ClassIdsOfTwoRecordsInOneEntryAreRefusedAndEarlierEntriesStay)
{
    registerServer(testClsid(1), "/m/a.so");
    registerServer(testClsid(2), "/m/b.so");
    EXPECT_EQ(m_centre.AddInstall("ua#id=" GUID_TEXT(1) "|ub#id=" GUID_TEXT(2)), 2);
    ASSERT_NE(plugger(testClsid(1)), plugger(testClsid(2)));

    vbtest::expectThrown<vbEsys>([&] { m_centre.AddInstall("ud#id=" GUID_TEXT(4) "|uc#id=" GUID_TEXT(1) "," GUID_TEXT(2) "|ue#id=" GUID_TEXT(5)); },
        E_FAIL,
        "vbHotPlugCenter::AddInstall() : Can't add 'uc' to plugins to install : \n- " GUID_TEXT(2)
        " is associated with module path '/m/b.so'.- " GUID_TEXT(1) " is associated with module path '/m/a.so'.");
    EXPECT_NE(plugger(testClsid(4)), nullptr) << "taken in before the conflict";
    EXPECT_EQ(plugger(testClsid(5)), nullptr) << "the rest of the list is abandoned";
    EXPECT_EQ(m_centre.GetUpdateCnt(), 3u);
}

TEST_F(vbHotPlugUpdate, AClassIdBoundElsewhereIsRefusedForTheRecordOfItsModulePath)
{
    registerServer(testClsid(2), "/m/b.so");
    EXPECT_EQ(m_centre.AddInstall("ua#id=" GUID_TEXT(1)), 1);
    registerServer(testClsid(3), "/m/b.so");
    EXPECT_EQ(m_centre.LoadPlugin(testClsid(3), nullptr), vbPlugReady);
    vbtest::expectThrown<vbEsys>([&] { m_centre.AddInstall("ub#id=" GUID_TEXT(2) "," GUID_TEXT(1)); }, E_FAIL,
        "vbHotPlugCenter::AddInstall() : Can't add 'ub' to plugins to install : \n- " GUID_TEXT(1)
        " is already associated with module path ''.- Added module path : '/m/b.so'");
}

TEST_F(vbHotPlugUpdate, ARequestBelowThePendingVersionIsIgnored)
{
    setTrace(2);
    const size_t before = readLogFile().size();
    for (const char* version : {"2,0,0,0", "2,0,0,0", "1,0,0,0"})
        m_centre.AddInstall("u", vbString("version=") + version + ";id=" GUID_TEXT(1) ";plugtype=Picture");
    EXPECT_EQ(m_centre.GetUpdateCnt(), 2u);
    const std::string log = logSince(before);
    EXPECT_NE(log.find("HOTPLUG: vbHotPlugCenter::Plugger::AskedInfo(" GUID_TEXT(1) ", ) : ignored : current asked "
                       "version: 2,0,0,0, asked version: 1,0,0,0, plugurl: u\n"),
        std::string::npos)
        << log;
    vbHotPlugCenter::Plugger* p = plugger(testClsid(1));
    EXPECT_TRUE(p->HasPlugType("PICTURE"));
    EXPECT_EQ(p->GetUpdateRetryMax(), 6);
    EXPECT_EQ(p->GetUpdateRetryCount(), 0);
}

// --- the update decision ---

TEST_F(vbHotPlugUpdate, WithoutCallbacksNorHostTheRequestStaysPending)
{
    setTrace(2);
    const ULONG busy = m_centre.GetInUpdateCnt();
    vbHotPlugCenter::Plugger* p = pending();
    EXPECT_EQ(p->UpdateIfAsked(nullptr, 0), 0);
    EXPECT_EQ(p->UpdateIfAsked(nullptr, 2), 0);
    EXPECT_EQ(m_download.bindCalls + m_download.fetchCalls, 0);
    EXPECT_FALSE(p->IsUpdate());
    EXPECT_EQ(m_centre.GetInUpdateCnt(), busy + 1) << "a pending request counts as busy";
    EXPECT_NE(readLogFile().find(") : stay to check, no cb : asked version: 2,0,0,0, plugurl: http://plugs.example/a.cab"),
        std::string::npos);
}

TEST_F(vbHotPlugUpdate, ACallbackAskingToWaitDelaysTheUpdate)
{
    vbHotPlugCenter::Plugger* p = pending();
    Scripted* host = listener();
    host->caps = vbPlugUpdateLater;
    EXPECT_EQ(m_centre.LoadPlugin(testClsid(1), host), vbPlugUpdating);
    EXPECT_EQ(host->events, std::vector<std::string>{"unload  alone"});
    EXPECT_EQ(m_centre.m_retries.GetLength(), 1);
    EXPECT_EQ(p->GetUpdateRetryCount(), 1);
    EXPECT_EQ(m_download.fetchCalls, 0);
}

TEST_F(vbHotPlugUpdate, ACallbackDenyingTheUpdateDropsTheRequest)
{
    vbHotPlugCenter::Plugger* p = pending();
    Scripted* other = listener();
    other->caps = vbPlugUpdateDeny;
    m_centre.AddPluginCb(other);
    const ULONG busy = m_centre.GetInUpdateCnt();
    Scripted* host = listener();
    EXPECT_EQ(m_centre.LoadPlugin(testClsid(1), host), vbPlugReady);
    EXPECT_EQ(host->events, std::vector<std::string>{"load  alone"}) << "told to load the module it has";
    EXPECT_EQ(m_centre.GetInUpdateCnt(), busy - 1);
    EXPECT_EQ(p->UpdateIfAsked(nullptr, 1), 0) << "nothing pending any more";
    EXPECT_EQ(m_download.fetchCalls, 0);
}

TEST_F(vbHotPlugUpdate, AnAnswerOutsideTheCapsIsAnError)
{
    pending();
    Scripted* host = listener();
    host->caps = static_cast<vbPlugUpdateCaps>(3);
    vbtest::expectThrown<vbEsys>([&] { m_centre.LoadPlugin(testClsid(1), host); }, E_FAIL,
        "vbHotPlugCenter::Plugger::UpdateIfAsked : bad retun value(3) for callbacks OnGetPluginCaps()");
}

TEST_F(vbHotPlugUpdate, ADownloadGoingOnTellsEveryHostToUnload)
{
    const ULONG busy = m_centre.GetInUpdateCnt();
    vbHotPlugCenter::Plugger* p = pending();
    Scripted* follower = listener();
    m_centre.AddPluginCb(testClsid(1), follower);
    m_download.answerAsynchronous();
    Scripted* host = listener();
    EXPECT_EQ(m_centre.LoadPlugin(testClsid(1), host), vbPlugUpdating);
    EXPECT_EQ(follower->events, (std::vector<std::string>{"load  alone", "unload "}));
    EXPECT_EQ(host->events, std::vector<std::string>{"unload "});
    EXPECT_TRUE(p->IsUpdate());
    EXPECT_EQ(m_centre.GetInUpdateCnt(), busy + 1);

    EXPECT_EQ(m_download.bindCalls, 1);
    EXPECT_EQ(m_download.fetchCalls, 1);
    EXPECT_EQ(m_download.clsid, testClsid(1));
    EXPECT_EQ(m_download.url, "http://plugs.example/a.cab");
    EXPECT_EQ(m_download.versionMS, 0x00020000u);
    EXPECT_EQ(m_download.versionLS, 0u);
    EXPECT_EQ(m_download.clsContext, 7u);
    EXPECT_TRUE(m_download.boundContext);
    EXPECT_TRUE(m_download.askedFactory);

    Scripted* late = listener();
    EXPECT_EQ(m_centre.LoadPlugin(testClsid(1), late), vbPlugUpdating);
    EXPECT_EQ(late->events, std::vector<std::string>{"unload  alone"});
    EXPECT_EQ(m_download.fetchCalls, 1);
}

TEST_F(vbHotPlugUpdate, ACurrentModuleIsLoadedWithItsClassObjectAtHand)
{
    const ULONG busy = m_centre.GetInUpdateCnt();
    vbHotPlugCenter::Plugger* p = pending();
    Scripted* host = listener();
    ULONG refsWhileTold = 0;
    host->onLoad = [&](IvbHotPlugger*) { refsWhileTold = m_download.factory.refs; };
    EXPECT_EQ(m_centre.LoadPlugin(testClsid(1), host), vbPlugReady);
    EXPECT_EQ(host->events, std::vector<std::string>{"load  alone"});
    EXPECT_EQ(refsWhileTold, 3u) << "the fetch's reference and the record's";
    EXPECT_EQ(m_download.factory.refs, 1u) << "let go of afterwards";
    EXPECT_FALSE(p->IsUpdate());
    EXPECT_EQ(m_centre.GetInUpdateCnt(), busy);
    EXPECT_EQ(p->UpdateIfAsked(nullptr, 1), 0);
    EXPECT_EQ(m_download.fetchCalls, 1) << "the installed version is the one asked";
}

TEST_F(vbHotPlugUpdate, ADownloadThatCannotStartLeavesTheRequestPending)
{
    vbHotPlugCenter::Plugger* p = pending();
    const ULONG busy = m_centre.GetInUpdateCnt();
    Scripted* host = listener();
    m_download.answerFailure(static_cast<HRESULT>(0x800C0005u));
    vbtest::expectThrown<vbEsys>([&] { p->UpdateIfAsked(host, 1); }, static_cast<HRESULT>(0x800C0005u),
        "vbHotPlugCenter::Plugger::UpdateIfAsked() failure");
    EXPECT_FALSE(p->IsUpdate());
    EXPECT_EQ(m_centre.GetInUpdateCnt(), busy);

    m_download.failBindContexts(E_OUTOFMEMORY);
    vbtest::expectThrown<vbEsys>([&] { p->UpdateIfAsked(host, 1); }, E_OUTOFMEMORY,
        "Instruction '::CreateAsyncBindCtx(0,this,NULL,pBindCtx.Addr())' failed !");
    EXPECT_FALSE(p->IsUpdate());
    EXPECT_EQ(m_centre.GetInUpdateCnt(), busy);
    EXPECT_EQ(m_download.fetchCalls, 1);

    m_download.failBindContexts(S_OK);
    m_download.answerCurrent();
    EXPECT_EQ(p->UpdateIfAsked(host, 1), 0) << "the request was still pending";
    EXPECT_EQ(m_download.fetchCalls, 2);
    EXPECT_EQ(m_centre.GetInUpdateCnt(), busy - 1);
}

// --- destruction and path changes ---

TEST_F(vbHotPlugUpdate, ADestroyedRecordRefusesToDecide)
{
    vbHotPlugCenter::Plugger* p = pending();
    Scripted* host = listener();
    m_centre.AddPluginCb(testClsid(1), host);
    p->AddRef();
    host->onAsked = [](IvbHotPlugger* plugger) { static_cast<vbHotPlugCenter::Plugger*>(plugger)->Destroy(); };
    vbtest::expectThrown<vbEuser>([&] { p->UpdateIfAsked(nullptr, 1); }, E_ABORT,
        "vbHotPlugCenter::Plugger::UpdateIfAsked : destroyed plug");
    vbtest::expectThrown<vbEuser>([&] { p->UpdateIfAsked(nullptr, 1); }, E_ABORT,
        "vbHotPlugCenter::Plugger::UpdateIfAsked : destroyed plug");
    EXPECT_EQ(m_download.fetchCalls, 0);
    p->Release();
}

TEST_F(vbHotPlugUpdate, ANewModulePathIsUnloadedAndLoadedAgain)
{
    registerServer(testClsid(1), "/m/old.so");
    Scripted* host = listener();
    EXPECT_EQ(m_centre.LoadPlugin(testClsid(1), host), vbPlugReady);
    registerServer(testClsid(1), "/m/new.so");
    m_centre.CheckPluginPath(testClsid(1));
    EXPECT_EQ(host->events, (std::vector<std::string>{"load /m/old.so alone", "unload /m/old.so", "load /m/new.so"}));
    vbHotPlugCenter::Plugger* p = plugger(testClsid(1));
    EXPECT_EQ(std::string(p->GetModulePath()), "/m/new.so");
    EXPECT_FALSE(p->IsUpdate());
    EXPECT_FALSE(p->IsExternalUpdate());
}

// --- retries ---

TEST_F(vbHotPlugUpdate, TheSeventhRetryAfterAnAcceptedRequestIsRefused)
{
    registerServer(testClsid(7), "/m/never.so");
    EXPECT_EQ(m_centre.LoadPlugin(testClsid(7), nullptr), vbPlugReady);
    vbtest::expectThrown<vbEsys>([&] { plugger(testClsid(7))->UpdateRetryLater(); }, static_cast<HRESULT>(0x800005B4u),
        "vbHotPlugCenter::Plugger::UpdateRetryLater() : too many try for plugin " GUID_TEXT(7) ", /m/never.so");
    EXPECT_EQ(m_centre.m_retries.GetLength(), 0);

    vbHotPlugCenter::Plugger* p = pending();
    for (int i = 1; i <= 6; ++i)
        p->UpdateRetryLater();
    EXPECT_EQ(p->GetUpdateRetryCount(), 6);
    vbtest::expectThrown<vbEsys>([&] { p->UpdateRetryLater(); }, static_cast<HRESULT>(0x800005B4u),
        "vbHotPlugCenter::Plugger::UpdateRetryLater() : too many try for plugin " GUID_TEXT(1) ", ");
    EXPECT_EQ(p->GetUpdateRetryCount(), 6);
    EXPECT_EQ(m_centre.m_retries.GetLength(), 1) << "one entry per record";
}

class vbHotPlugRetry : public vbHotPlugUpdate {
protected:
    void SetUp() override
    {
        setTrace(3);
        m_clock.setTick(0xFFFFF000u);
    }
    // Queues the record and takes its timer back from the message engine, so that only the
    // test runs it.
    void queue(vbHotPlugCenter::Plugger* p)
    {
        m_centre.retryUpdateForPlugger(p);
        EXPECT_NE(m_centre.m_retryTimer->GetTimerIndex(), 0) << "the queue starts the timer";
        g_vbVantMsgEngine.Remove(&*m_centre.m_retryTimer);
    }
    void tick() { m_centre.onRetryTimer(*m_centre.m_retryTimer); }

    vnt::test::ManualClock m_clock;
};

TEST_F(vbHotPlugRetry, QueuingARecordAgainRestartsItsWait)
{
    vbHotPlugCenter::Plugger* p = pending();
    queue(p);
    m_clock.advance(10000);
    queue(p);
    ASSERT_EQ(m_centre.m_retries.GetLength(), 1);
    EXPECT_EQ(m_centre.m_retries[1]->tick, 0xFFFFF000u + 10000u);
}

TEST_F(vbHotPlugRetry, AnEntryIsRetriedFifteenSecondsLaterAcrossTheTickWrap)
{
    vbHotPlugCenter::Plugger* p = pending();
    queue(p);
    const size_t before = readLogFile().size();
    m_clock.advance(14999);
    tick();
    EXPECT_EQ(m_centre.m_retries.GetLength(), 1);
    m_clock.advance(1);
    tick();
    EXPECT_EQ(m_centre.m_retries.GetLength(), 0);
    const std::string log = logSince(before);
    EXPECT_NE(log.find("HOTPLUG: vbHotPlugCenter::onRetryTimer() : begin update retry :\n"), std::string::npos);
    EXPECT_NE(log.find("HOTPLUG: vbHotPlugCenter::onRetryTimer() : end update retry.\n"), std::string::npos);
    EXPECT_NE(log.find(") : stay to check, no cb : asked version: 2,0,0,0"), std::string::npos) << "decided again";
    EXPECT_NE(log.find("HOTPLUG: vbHotPlugCenter::onRetryTimer() : end update retry (no plugger with update to "
                       "retry : cnt=1).\n"),
        std::string::npos);
}

TEST_F(vbHotPlugRetry, TheTimerStopsOnTheSixthEmptyTick)
{
    queue(pending());
    m_clock.advance(15000);
    for (int i = 1; i <= 5; ++i)
        tick();
    g_vbVantMsgEngine.Add(&*m_centre.m_retryTimer);
    const size_t before = readLogFile().size();
    tick();
    EXPECT_EQ(m_centre.m_retryTimer->GetTimerIndex(), 0);
    const std::string log = logSince(before);
    EXPECT_NE(log.find("HOTPLUG: vbHotPlugCenter::onRetryTimer() : end update retry, timer stopped.\n"),
        std::string::npos)
        << log;
    EXPECT_EQ(log.find("cnt="), std::string::npos);
}

TEST_F(vbHotPlugRetry, QueuingInBetweenStartsTheEmptyCountAgain)
{
    vbHotPlugCenter::Plugger* p = pending();
    queue(p);
    m_clock.advance(15000);
    for (int i = 1; i <= 4; ++i)
        tick();
    queue(p);
    m_clock.advance(15000);
    tick();
    const size_t before = readLogFile().size();
    tick();
    EXPECT_NE(logSince(before).find("cnt=2)."), std::string::npos);
}

} // namespace
