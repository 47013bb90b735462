// A plug type's record of one module: loading through the plug-in centre with the module's
// entry points, the failures kept as its status, unloading with the module's consent, the
// creation count an unload waits for, and the relay of the centre's questions to the listeners.

#include "LogFileReader.h"
#include "vbExpectThrown.h"
#include "vbHotPlugTestModules.h"

#include "vbException.h"

#include "plat/sync.h"
#include "plat/handles.h"

#include <future>
#include <thread>

namespace {

using vbtest::hotPlugModuleId;
using vbtest::hotPlugModulePath;
using Plugin = vbHotPlugType::Plugin;

std::string idText(const GUID& id) { return vbString(id, true).c_str(); }

class vbHotPlugRecord : public ::testing::Test {
protected:
    vbHotPlugRecord()
    {
        m_listener = new vbtest::TypeListener;
        m_listener->Create();
        m_type.AddPlugTypeCb(m_listener);
    }
    ~vbHotPlugRecord() override { m_listener->Release(); }

    // A record for a module of id registered at path (none when null).
    vbHotPlugType::PluginPtr record(const GUID& id, const char* label, const std::string* path)
    {
        if (path)
            vbtest::registerServer(id, path->c_str());
        vbHotPlugType::PluginPtr p;
        *p.Addr() = m_type.newRecord(id, label);
        return p;
    }

    vbtest::OpenTestType m_type;
    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
    vbLock m_started{&m_type};
    vbtest::TypeListener* m_listener;
};

TEST_F(vbHotPlugRecord, AFailedLoadIsReportedWithItsSystemErrorAndKeptUntilChecked)
{
    const std::string broken = hotPlugModulePath(3);
    struct Case {
        BYTE id;
        std::string path;
        HRESULT hr;
        std::string text;
    } cases[] = {
        {0xF0, "/nonexistent/vb_none.so", static_cast<HRESULT>(0x8007007Eu),
            "Can't load plugin file '/nonexistent/vb_none.so' (id=" + idText(hotPlugModuleId(0xF0)) + ") !"},
        {0xF1, broken, static_cast<HRESULT>(0x8007007Fu),
            "File '" + broken + "' is not a valid plugin for KVX Vantrel HotPlug Test !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        m_listener->events.clear();
        auto p = record(hotPlugModuleId(c.id), "Broken", &c.path);
        p->loadPlugin();
        char code[16];
        snprintf(code, sizeof code, "%08X", static_cast<unsigned>(c.hr));
        ASSERT_EQ(m_listener->events, std::vector<std::string>{std::string("error ") + code + " " + c.text});
        EXPECT_FALSE(p->isLoaded());
        EXPECT_FALSE(vbtest::isModuleLoaded(3)) << "a module without its create entry is freed again";
        EXPECT_TRUE(p->isToCheck());

        vbtest::expectThrown<vbEsys>([&] { p->loadPlugin(); }, c.hr,
            "Can't load plugin 'Broken', type 'KVX Vantrel HotPlug Test' !");
        EXPECT_EQ(m_listener->events.size(), 1u) << "the stored failure answers without loading again";
        p->check();
        p->loadPlugin();
        EXPECT_EQ(m_listener->events.size(), 2u) << "a check lets the next load try again";
    }
}

TEST_F(vbHotPlugRecord, ModulesWithAndWithoutTheLoadEntryServeObjects)
{
    for (int variant : {1, 2}) {
        SCOPED_TRACE(variant);
        const std::string path = hotPlugModulePath(variant);
        auto p = record(hotPlugModuleId(static_cast<BYTE>(variant)), "Good", &path);
        vbHotPlugObjectPtr obj;
        vbHotPluginPtr plugin;
        p->createPluggedObject("OBJ", &obj, &plugin);
        EXPECT_FALSE(obj.IsNull());
        EXPECT_EQ(plugin.Get(), static_cast<IvbHotPlugin*>(p.Get()));
        EXPECT_TRUE(p->isLoaded());
        EXPECT_EQ(m_listener->events, std::vector<std::string>{"load"});
        m_listener->events.clear();
        obj.Release();
        p->unloadPlugin(false);
        EXPECT_FALSE(p->isLoaded());
        EXPECT_FALSE(vbtest::isModuleLoaded(variant));
    }
}

TEST_F(vbHotPlugRecord, AnEmptyModulePathEndsTheLoadQuietlyAndCreationGivesUpAfterFourTries)
{
    vbtest::setHotPlugTrace(1);
    auto p = record(hotPlugModuleId(0xF2), "Empty", nullptr);
    p->loadPlugin();
    EXPECT_FALSE(p->isLoaded());
    EXPECT_TRUE(m_listener->events.empty());
    EXPECT_NE(readLogFile().find("HOTPLUG: vbHotPlugType::Plugin(" + idText(hotPlugModuleId(0xF2)) +
                  ")::OnLoadPluginAsked() : modulepath is empty\n"),
        std::string::npos);
    vbHotPlugObjectPtr obj;
    vbtest::expectThrown<vbEsys>([&] { p->createObject("obj", &obj); }, E_FAIL,
        "Plugin 'Empty', type 'KVX Vantrel HotPlug Test' isn't loaded (Abnormal error, "
        "vbHotPlugType::Plugin::createObject) !");
}

// Each refused unload asks for 5 s, in real time.
TEST_F(vbHotPlugRecord, AModuleThatNeverAgreesStaysUnlessForcedAndRefusesObjectsMeanwhile)
{
    const std::string path = hotPlugModulePath(4);
    auto p = record(hotPlugModuleId(4), "Stubborn", &path);
    vbHotPlugObjectPtr obj;
    p->createPluggedObject("obj", &obj, nullptr);
    obj.Release();
    const std::string timeout = "vbHotPlugType(KVX Vantrel HotPlug Test)::Plugin(Stubborn)::unloadPlugin() : timeout (2)";
    vbtest::expectThrown<vbEsys>([&] { p->unloadPlugin(false); }, static_cast<HRESULT>(0x800005B4u), timeout);
    EXPECT_TRUE(p->isLoaded());
    vbtest::expectThrown<vbEhotPlug>([&] { p->createPluggedObject("obj", &obj, nullptr); }, E_FAIL,
        "Plugin 'Stubborn', type 'KVX Vantrel HotPlug Test' is unloading...");

    vbtest::expectThrown<vbEsys>([&] { p->unloadPlugin(true); }, static_cast<HRESULT>(0x800005B4u), timeout);
    EXPECT_FALSE(p->isLoaded());
    EXPECT_TRUE(vbtest::isModuleLoaded(4)) << "forgotten, not freed";
    vbtest::expectThrown<vbEsys>([&] { p->loadPlugin(); }, E_FAIL,
        "Can't load plugin 'Stubborn', type 'KVX Vantrel HotPlug Test' !");
}

TEST_F(vbHotPlugRecord, AnUnloadWaitsForACreationRunningInTheModule)
{
    const std::string path = hotPlugModulePath(1);
    auto p = record(hotPlugModuleId(1), "Busy", &path);
    p->loadPlugin();
    HANDLE entered = CreateEventA(nullptr, TRUE, FALSE, vbtest::hotPlugEventName("entered").c_str());
    HANDLE leave = CreateEventA(nullptr, TRUE, FALSE, vbtest::hotPlugEventName("leave").c_str());
    std::thread creator([&] {
        vbHotPlugObjectPtr obj;
        p->createObject("wait", &obj);
    });
    ASSERT_EQ(WaitForSingleObject(entered, 10000), WAIT_OBJECT_0);
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        SetEvent(leave);
    });
    p->unloadPlugin(false);
    EXPECT_FALSE(p->isLoaded());
    creator.join();
    releaser.join();
    CloseHandle(leave);
    CloseHandle(entered);
}

TEST_F(vbHotPlugRecord, TheLargestCapsAnswerWinsAndAThrowingListenerCountsAsMinusOne)
{
    m_listener->bThrow = true;
    auto* second = new vbtest::TypeListener;
    second->Create();
    second->caps = vbPlugUpdateLater;
    m_type.AddPlugTypeCb(second);
    auto p = record(hotPlugModuleId(0xF3), "Caps", nullptr);
    EXPECT_EQ(p->OnGetPluginCaps(nullptr), vbPlugUpdateLater);
    second->caps = vbPlugUpdateAllow;
    EXPECT_EQ(p->OnGetPluginCaps(nullptr), vbPlugUpdateAllow);
    EXPECT_NE(readLogFile().find("listener refuses"), std::string::npos);
    second->Release();
}

// A plugged-object pointer that, when its record lets the module go, notes whether another
// thread could take the plug type's lock meanwhile.
class ProbePtr : public vbPtr<IvbHotPlugin, &IID_IvbHotPlugin>, public sIvbPlugPtr {
public:
    explicit ProbePtr(CCriticalSection* typeLock) : m_typeLock(typeLock) { }
    bool GetInterface(const GUID& iid, const void** ppv) const override { return vbPtr::GetInterface(iid, ppv); }
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_sIvbPlugPtr) {
            *ppv = static_cast<sIvbPlugPtr*>(this);
            return true;
        }
        return vbPtr::GetInterface(iid, ppv);
    }
    void SetPluggedObject(IvbHotPlugin* plugin, IvbObject* obj) override
    {
        vbPtr::operator=(plugin);
        m_obj = obj;
    }
    bool ReleasePluggedObject(IvbHotPlugin*, vbRefPtr<IvbHotPluggedObject, &IID_IvbHotPluggedObject>*) override
    {
        typeLockFree = std::async(std::launch::async, [this] {
            if (!m_typeLock->Lock(5000))
                return false;
            m_typeLock->Unlock();
            return true;
        }).get();
        m_obj.Release();
        vbPtr::operator=(static_cast<IvbHotPlugin*>(nullptr));
        return false;
    }

    vbHotPlugObjectPtr m_obj;
    bool typeLockFree = false;

private:
    CCriticalSection* m_typeLock;
};

TEST_F(vbHotPlugRecord, StoppingWaitsForRecordsHeldElsewhereAndUnloadsOutsideTheTypeLock)
{
    vbtest::registerHotPlugModule(1);
    m_type.onReloadConfig(); // the reload message may come later
    ProbePtr probe(&m_type.m_sect);
    ASSERT_TRUE(m_type.CreatePluggedObject(&probe, "obj"));
    ASSERT_FALSE(probe.m_obj.IsNull());
    vbHotPluginPtr held;
    ASSERT_TRUE(m_type.CreatePluggedObject("obj", nullptr, &held));

    EXPECT_FALSE(m_type.onStop(false)) << "a record is still referenced";
    EXPECT_TRUE(probe.typeLockFree);
    EXPECT_FALSE(vbtest::isModuleLoaded(1));
    EXPECT_TRUE(m_type.onStop(true));
    held.Release();
    EXPECT_TRUE(m_type.onStop(false));
}

} // namespace
