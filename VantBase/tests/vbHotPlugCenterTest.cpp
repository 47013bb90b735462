// The plug-in centre: finding and making module records, its two sorted tables, the listeners of
// all modules, the stop that waits for the last record, and its place among the engines.

#include "hotplug/vbHotPlugger.h"

#include "LogFileReader.h"
#include "vbExpectThrown.h"
#include "vbHotPlugTestUtil.h"

#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <cstring>

using vbtest::Listener;
using vbtest::newListener;
using vbtest::registerServer;
using vbtest::testClsid;

namespace {

class TestCentre : public vbHotPlugCenter {
public:
    TestCentre() : vbHotPlugCenter("Test HotPlug Center", vbEngineDeps()) { }
    using vbHotPlugCenter::m_callbacks;
    using vbHotPlugCenter::m_ids;
    using vbHotPlugCenter::m_livePluggers;
    using vbHotPlugCenter::m_pluggers;
    using vbHotPlugCenter::onStop;
};

class vbHotPlugCentre : public ::testing::Test {
protected:
    ~vbHotPlugCentre() override
    {
        for (Listener* l : m_listeners)
            l->Release();
    }

    Listener* listener()
    {
        m_listeners.push_back(newListener());
        return m_listeners.back();
    }

    std::string pathAt(int pos) { return m_centre.m_pluggers[pos]->GetModulePath().c_str(); }

    // Built before the use lock, it starts with the engine centre.
    TestCentre m_centre;
    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
    std::vector<Listener*> m_listeners;
};

TEST_F(vbHotPlugCentre, AnUnregisteredClassGetsARecordWithAnEmptyPathInFirstPlace)
{
    registerServer(testClsid(2), "/opt/b.so");
    EXPECT_EQ(m_centre.LoadPlugin(testClsid(2), nullptr), vbPlugReady);
    Listener* l = listener();
    EXPECT_EQ(m_centre.LoadPlugin(testClsid(1), l), vbPlugReady);
    EXPECT_EQ(l->events, std::vector<std::string>{"load  alone"}) << "the idle record lets the caller load";

    ASSERT_EQ(m_centre.m_pluggers.GetLength(), 2);
    EXPECT_EQ(pathAt(1), "");
    EXPECT_EQ(pathAt(2), "/opt/b.so");
    EXPECT_EQ(m_centre.LoadPlugin(testClsid(1), nullptr), vbPlugReady);
    EXPECT_EQ(m_centre.m_pluggers.GetLength(), 2) << "found again by its class id";
    EXPECT_EQ(m_centre.m_ids.GetLength(), 2);
    EXPECT_EQ(m_centre.m_livePluggers, 2);
}

TEST_F(vbHotPlugCentre, ClassesOfOneModulePathInAnyCaseShareOneRecord)
{
    registerServer(testClsid(1), "/opt/Mod.so");
    registerServer(testClsid(2), "/OPT/mod.SO");
    registerServer(testClsid(3), "/opt/other.so");
    for (DWORD id : {1u, 2u, 3u})
        m_centre.LoadPlugin(testClsid(id), nullptr);
    ASSERT_EQ(m_centre.m_pluggers.GetLength(), 2);
    EXPECT_EQ(pathAt(1), "/opt/Mod.so");
    EXPECT_EQ(pathAt(2), "/opt/other.so");
    ASSERT_EQ(m_centre.m_ids.GetLength(), 3);
    EXPECT_EQ(m_centre.m_ids[1].plugger.Get(), m_centre.m_ids[2].plugger.Get());
}

TEST_F(vbHotPlugCentre, TheIdTableIsInTheOrderOfTheGuidBytes)
{
    const GUID one = {0x00000001, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
    const GUID hundred = {0x00000100, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
    m_centre.LoadPlugin(one, nullptr);
    m_centre.LoadPlugin(hundred, nullptr);
    ASSERT_EQ(m_centre.m_ids.GetLength(), 2);
    EXPECT_EQ(std::memcmp(&m_centre.m_ids[1].clsid, &hundred, sizeof(GUID)), 0) << "its first byte is 0x00";
    EXPECT_EQ(std::memcmp(&m_centre.m_ids[2].clsid, &one, sizeof(GUID)), 0);
}

TEST_F(vbHotPlugCentre, PlugTypeStartAsksTheRecordsOfThePlugTypeNamed)
{
    registerServer(testClsid(1), "/opt/a.so");
    registerServer(testClsid(2), "/opt/b.so");
    m_centre.LoadPlugin(testClsid(1), nullptr);
    m_centre.LoadPlugin(testClsid(2), nullptr);
    Listener* l = listener();
    EXPECT_EQ(m_centre.PlugTypeStart("", l), vbPlugReady);
    EXPECT_EQ(l->events, (std::vector<std::string>{"load /opt/a.so alone", "load /opt/b.so alone"}));
    l->events.clear();
    EXPECT_EQ(m_centre.PlugTypeStart("Picture", l), vbPlugReady);
    EXPECT_TRUE(l->events.empty()) << "no record has accepted an installation for a plug type";
}

// One listener object with two IvbHotPlugCb faces.
struct FaceA : IvbHotPlugCb { };
struct FaceB : IvbHotPlugCb { };
class TwoFaced : public vbObject, public FaceA, public FaceB {
public:
    TwoFaced() { Create(); }
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbHotPlugCb) {
            *ppv = static_cast<IvbHotPlugCb*>(static_cast<FaceA*>(this));
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    void OnLoadPluginAsked(IvbHotPlugger*, bool) override { ++loads; }
    int loads = 0;
};

TEST_F(vbHotPlugCentre, AListenerOfAllModulesIsKeptOnceAndItsEntryReusedWhenItDies)
{
    auto* both = new TwoFaced;
    m_centre.AddPluginCb(static_cast<FaceA*>(both));
    m_centre.AddPluginCb(static_cast<FaceB*>(both));
    EXPECT_EQ(m_centre.m_callbacks.GetLength(), 1);

    m_centre.fireOnLoadPluginAsked(nullptr, false, true);
    EXPECT_EQ(both->loads, 1);
    both->Release();

    Listener* l = listener();
    m_centre.AddPluginCb(l);
    ASSERT_EQ(m_centre.m_callbacks.GetLength(), 1);
    m_centre.fireOnUnloadPluginAsked(nullptr, true, false);
    EXPECT_EQ(l->events, std::vector<std::string>{"unload - alone"});
}

TEST_F(vbHotPlugCentre, FiringWithoutListenersDoesNothing)
{
    m_centre.fireOnLoadPluginAsked(nullptr, false, true);
    m_centre.fireOnUnloadPluginAsked(nullptr, false, false);
    EXPECT_EQ(m_centre.m_callbacks.GetLength(), 0);
}

TEST_F(vbHotPlugCentre, AListenerOfOneModuleIsToldAtOnce)
{
    registerServer(testClsid(1), "/opt/a.so");
    Listener* l = listener();
    m_centre.AddPluginCb(testClsid(1), l);
    EXPECT_EQ(l->events, std::vector<std::string>{"load /opt/a.so alone"});
}

TEST_F(vbHotPlugCentre, AChangedModulePathIsTakenBetweenAnUnloadAndALoad)
{
    registerServer(testClsid(1), "/opt/z.so");
    registerServer(testClsid(2), "/opt/m.so");
    Listener* l = listener();
    m_centre.AddPluginCb(testClsid(1), l);
    m_centre.LoadPlugin(testClsid(2), nullptr);
    EXPECT_EQ(pathAt(2), "/opt/z.so");

    registerServer(testClsid(1), "/opt/a.so");
    m_centre.CheckPluginPath(testClsid(3));
    m_centre.CheckPluginPath(testClsid(1));
    EXPECT_EQ(l->events, (std::vector<std::string>{"load /opt/z.so alone", "unload /opt/z.so", "load /opt/a.so"}));
    EXPECT_EQ(pathAt(1), "/opt/a.so") << "sorted again";
    EXPECT_FALSE(m_centre.m_ids[1].plugger->IsUpdate());
    EXPECT_EQ(m_centre.GetInUpdateCnt(), 0u);
}

TEST_F(vbHotPlugCentre, APathCheckThatFailsLeavesTheRecordOutOfUpdate)
{
    registerServer(testClsid(1), "/opt/a.so");
    m_centre.LoadPlugin(testClsid(1), nullptr);
    registerServer(testClsid(1), "/opt/b.so");
    vbHotPlugCenter::Plugger* plugger = m_centre.m_ids[1].plugger;
    {
        vnt::test::ManualClock clock(true);
        vbHotPlugCenter::Plugger::CbAddHold adding(plugger);
        vbtest::expectThrown<vbEsys>([&] { m_centre.CheckPluginPath(testClsid(1)); }, 0x800005B4,
            "vbHotPlugCenter::Plugger::lockCbCall() : timeout, can't call callbacks !");
    }
    EXPECT_FALSE(plugger->IsUpdate());
    EXPECT_FALSE(plugger->IsExternalUpdate());
    EXPECT_EQ(m_centre.GetInUpdateCnt(), 0u);
    Listener* l = listener();
    EXPECT_EQ(m_centre.LoadPlugin(testClsid(1), l), vbPlugReady);
}

TEST_F(vbHotPlugCentre, StoppingWaitsForTheLastRecordUnlessForced)
{
    m_centre.LoadPlugin(testClsid(1), nullptr);
    vbHotPlugCenter::PluggerPtr held = m_centre.m_pluggers[1];
    EXPECT_FALSE(m_centre.onStop(false));
    EXPECT_EQ(m_centre.m_pluggers.GetLength(), 0) << "the tables are emptied all the same";
    EXPECT_TRUE(m_centre.onStop(true));
    held.Release();
    EXPECT_TRUE(m_centre.onStop(false));
    EXPECT_EQ(m_centre.m_livePluggers, 0);
}

TEST(vbHotPlugCenter, StartsAfterItsMessagesAndStopsBeforeThem)
{
    EXPECT_TRUE(g_vbHotPlugCenter.IsUsed(&g_vbVantMsgEngine));
    EXPECT_TRUE(g_vbHotPlugCenter.IsUsed(&g_vbHotPlugDataMsg));
    const void* self = nullptr;
    EXPECT_TRUE(g_vbHotPlugCenter.GetInterface(IID_vbHotPlugCenter, &self));
    EXPECT_EQ(self, &g_vbHotPlugCenter);
    {
        vbUseEngineCenter use(&g_vbEngineCenter, true);
        EXPECT_TRUE(g_vbVantMsgEngine.isNowStarted());
        EXPECT_TRUE(g_vbHotPlugDataMsg.isNowStarted());
        EXPECT_TRUE(g_vbHotPlugCenter.isNowStarted());
        EXPECT_TRUE(g_vbVantMsgEngine.Call(g_vbHotPlugDataMsg, nullptr, 0, 0)) << "the centre listens to its message";
        EXPECT_NE(readLogFile().find(") : received without data"), std::string::npos) << "data is required";

        bool bOffer = false;
        HWND hWnd = reinterpret_cast<HWND>(1);
        g_vbHotPlugCenter.GetAppliWindow(&bOffer, &hWnd);
        EXPECT_TRUE(bOffer);
        EXPECT_EQ(hWnd, nullptr);
        g_vbHotPlugCenter.SetAppliWindow(false, nullptr);
        g_vbHotPlugCenter.GetAppliWindow(&bOffer, nullptr);
        EXPECT_FALSE(bOffer);
    }
    EXPECT_FALSE(g_vbHotPlugCenter.isNowStarted());
    EXPECT_FALSE(g_vbHotPlugDataMsg.isNowStarted());
}

} // namespace
