// A plug type's configuration: which module serves which object name (the highest priority,
// the first met on a tie), which registry keys count, and the object operations on top of it:
// lookup ignoring case, creation in the serving module, the null-plug-in answers of CanWorkWith,
// the reload asked by another process and reloads racing creations.

#include "LogFileReader.h"
#include "vbExpectThrown.h"
#include "vbHelperProcess.h"
#include "vbHotPlugTestModules.h"

#include "vbException.h"

#include "plat/handles.h"
#include "plat/message.h"
#include "plat/sync.h"
#include "plat/thread.h"
#include "plat/window.h"
#include "testsupport/ManualClock.h"

#include <atomic>
#include <thread>

namespace {

using vbtest::hotPlugModuleId;

std::string idText(const GUID& id) { return vbString(id, true).c_str(); }

// The configuration key of one object of a plug-in key.
vbRegKey objectKey(const std::string& pluginKey, const char* object)
{
    return vbRegKey(vbRegVantMachine, ("Test plugins.5\\" + pluginKey + "\\" + object).c_str());
}

void serve(const GUID& id, const char* object, const vbVariant& priority)
{
    objectKey(idText(id), object).SetValue("priority", priority);
}

class vbHotPlugConfig : public ::testing::Test {
protected:
    // The object table as "name=id-last-byte@priority" entries.
    std::vector<std::string> table()
    {
        vbSectLock lock(&m_type.m_sect);
        std::vector<std::string> rows;
        for (int i = 1; i <= m_type.m_objects.GetLength(); ++i) {
            const auto& o = m_type.m_objects[i];
            rows.push_back(std::string(o.name.c_str()) + "=" + std::to_string(o.plugin->GetPluginId().Data4[7]) + "@" +
                std::to_string(o.priority));
        }
        return rows;
    }
    int records()
    {
        vbSectLock lock(&m_type.m_sect);
        return m_type.m_plugins.GetLength();
    }

    vbtest::OpenTestType m_type;
    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
    vbLock m_started{&m_type};
};

TEST_F(vbHotPlugConfig, TheHighestPriorityServesANameWhateverTheKeyOrder)
{
    struct Case {
        vbVariant first;
        vbVariant second;
        bool bSecondMadeFirst;
        std::string served;
    } cases[] = {
        {vbVariant(7), vbVariant(12), false, "obj=2@12"},
        {vbVariant(7), vbVariant(12), true, "obj=2@12"},
        {vbVariant(12), vbVariant(7), false, "obj=1@12"},
        {vbVariant(-5), vbVariant(0), true, "obj=2@0"},
        {vbVariant("12"), vbVariant(7), false, "obj=1@12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.served);
        m_type.GetConfigKey().DeleteKey(true, false);
        if (c.bSecondMadeFirst)
            serve(hotPlugModuleId(2), "obj", c.second);
        serve(hotPlugModuleId(1), "obj", c.first);
        if (!c.bSecondMadeFirst)
            serve(hotPlugModuleId(2), "obj", c.second);
        m_type.onReloadConfig();
        EXPECT_EQ(table(), std::vector<std::string>{c.served});
        EXPECT_EQ(records(), 1) << "a plug-in that lost every object has no record";
    }
}

TEST_F(vbHotPlugConfig, APlugInThatLosesItsLastObjectIsUnloaded)
{
    vbtest::registerHotPlugModule(1);
    m_type.onReloadConfig(); // the reload message may come later
    vbHotPluginPtr first;
    ASSERT_TRUE(m_type.CreatePluggedObject("obj", nullptr, &first));
    EXPECT_TRUE(vbtest::isModuleLoaded(1));
    serve(hotPlugModuleId(2), "obj", vbVariant(11));
    m_type.onReloadConfig();
    EXPECT_EQ(table(), (std::vector<std::string>{"obj=2@11", "wait=1@10"}));
    serve(hotPlugModuleId(2), "wait", vbVariant(11));
    m_type.onReloadConfig();
    EXPECT_EQ(records(), 1);
    EXPECT_FALSE(vbtest::isModuleLoaded(1));
    EXPECT_TRUE(first->IsInDestruction());
}

TEST_F(vbHotPlugConfig, OnATieTheFirstPlugInMetKeepsTheNameAndTheRestIsRead)
{
    serve(hotPlugModuleId(2), "obj", vbVariant(5));
    serve(hotPlugModuleId(2), "b-only", vbVariant(1));
    serve(hotPlugModuleId(1), "obj", vbVariant(5));
    serve(hotPlugModuleId(1), "a-only", vbVariant(1));
    m_type.onReloadConfig();
    EXPECT_EQ(table(), (std::vector<std::string>{"a-only=1@1", "b-only=2@1", "obj=1@5"}));
    EXPECT_NE(readLogFile().find("vbHotPlugType::ReloadConfig(Test plugins.5) : plugin '" +
                  idText(hotPlugModuleId(2)) + "', 'obj' object as same priority than plugin '" +
                  idText(hotPlugModuleId(1)) + "', 'obj (priority=5)"),
        std::string::npos);
}

TEST_F(vbHotPlugConfig, PlugInKeysAreGuidTextsAndObjectKeysNeedAPriority)
{
    vbtest::setHotPlugTrace(2);
    const std::string bare = idText(hotPlugModuleId(2)).substr(1, 36);
    objectKey(idText(hotPlugModuleId(1)), "braced").SetValue("priority", vbVariant(1));
    objectKey(bare, "bare").SetValue("priority", vbVariant(1));
    vbRegKey(vbRegVantMachine, ("Test plugins.5\\" + bare).c_str()).SetDefaultValue(vbVariant("Bare label"));
    objectKey(" " + idText(hotPlugModuleId(3)), "blank").SetValue("priority", vbVariant(1));
    objectKey(idText(hotPlugModuleId(4)) + "}", "trailing").SetValue("priority", vbVariant(1));
    objectKey("not a guid", "junk").SetValue("priority", vbVariant(1));
    objectKey(idText(hotPlugModuleId(1)), "nopriority").SetValue("other", vbVariant(1));
    m_type.onReloadConfig();
    EXPECT_EQ(table(), (std::vector<std::string>{"bare=2@1", "blank=3@1", "braced=1@1"}));
    {
        vbSectLock lock(&m_type.m_sect);
        EXPECT_EQ(std::string(m_type.m_objects[1].plugin->GetPluginLabel()), "Bare label");
    }
    const std::string log = readLogFile();
    EXPECT_NE(log.find("HOTPLUG: vbHotPlugType::onReloadConfig(Test plugins.5)\n"), std::string::npos);
    EXPECT_NE(log.find("'" + idText(hotPlugModuleId(4)) + "}' key ignored, it's not a plugin key"), std::string::npos);
    EXPECT_NE(log.find("'nopriority' key ignored, it's not a plugin object key, 'priority' value missing"),
        std::string::npos);
}

TEST_F(vbHotPlugConfig, ObjectsAreFoundIgnoringCaseAndMadeInTheServingModule)
{
    vbtest::setHotPlugTrace(1);
    vbtest::registerHotPlugModule(1);
    m_type.onReloadConfig(); // the reload message may come later
    vbHotPlugObjectPtr obj;
    vbHotPluginPtr plugin;
    EXPECT_FALSE(m_type.CreatePluggedObject("png", &obj, &plugin));
    EXPECT_FALSE(m_type.CanWorkWith(nullptr, "png"));
    EXPECT_FALSE(vbtest::isModuleLoaded(1)) << "an unknown name loads nothing";

    ASSERT_TRUE(m_type.CreatePluggedObject("OBJ", &obj, &plugin));
    EXPECT_FALSE(obj.IsNull());
    EXPECT_EQ(std::string(plugin->GetPluginLabel()), "Test module");
    EXPECT_TRUE(m_type.CanWorkWith(nullptr, "obj"));
    EXPECT_TRUE(m_type.CanWorkWith(plugin, "Obj"));
    vbHotPlugType::PluginPtr other;
    *other.Addr() = m_type.newRecord(hotPlugModuleId(9), "Other");
    EXPECT_FALSE(m_type.CanWorkWith(other.Get(), "obj"));

    const std::string log = readLogFile();
    EXPECT_NE(log.find("HOTPLUG: vbHotPlugType::onCheckPlugin(Test plugins.5)\n"), std::string::npos);
    EXPECT_NE(log.find("HOTPLUG: vbHotPlugType::onReloadConfig(Test plugins.5)\n"), std::string::npos);
}

// A module that refused to go (5 s of asking, in real time) stays with its unload asked.
TEST_F(vbHotPlugConfig, WhileAnUnloadIsAskedCanWorkWithWithoutPlugInAnswersFalse)
{
    vbtest::registerHotPlugModule(4);
    m_type.onReloadConfig(); // the reload message may come later
    vbHotPluginPtr plugin;
    ASSERT_TRUE(m_type.CreatePluggedObject("obj", nullptr, &plugin));
    vbHotPlugType::PluginPtr record;
    {
        vbSectLock lock(&m_type.m_sect);
        record = m_type.m_objects[1].plugin;
    }
    try {
        record->unloadPlugin(false);
    } catch (vbEsys* e) {
        e->Delete();
    }
    EXPECT_FALSE(m_type.CanWorkWith(nullptr, "obj"));
    vbtest::expectThrown<vbEhotPlug>([&] { m_type.CanWorkWith(plugin, "obj"); }, E_FAIL,
        "Plugin 'Test module', type 'KVX Vantrel HotPlug Test' is unloading...");
    try {
        record->unloadPlugin(true);
    } catch (vbEsys* e) {
        e->Delete();
    }
}

TEST_F(vbHotPlugConfig, AnEmptyModulePathFailsCreationAfterFourLoads)
{
    serve(hotPlugModuleId(7), "obj", vbVariant(1));
    vbRegKey(vbRegVantMachine, ("Test plugins.5\\" + idText(hotPlugModuleId(7))).c_str())
        .SetDefaultValue(vbVariant("Nowhere"));
    vbHotPlugObjectPtr obj;
    vbtest::expectThrown<vbEsys>([&] { m_type.CreatePluggedObject("obj", &obj, nullptr); }, E_FAIL,
        "Plugin 'Nowhere', type 'KVX Vantrel HotPlug Test' isn't loaded (Abnormal error, "
        "vbHotPlugType::Plugin::createObject) !");
}

// Waits (10 s at most) until the listener heard a reload.
bool heardReload(vbtest::TypeListener* listener)
{
    for (int i = 0; i < 200; ++i) {
        for (const auto& e : listener->events)
            if (e == "reload")
                return true;
        Sleep(50);
    }
    return false;
}

TEST_F(vbHotPlugConfig, ARegistrationInAnotherProcessReloadsEveryStartedType)
{
    auto* listener = new vbtest::TypeListener;
    listener->Create();
    m_type.AddPlugTypeCb(listener);
    EXPECT_FALSE(m_type.CanWorkWith(nullptr, "obj"));
    {
        vbtest::HelperProcess helper("vb_helper_hotplugreg", "quit");
        EXPECT_EQ(helper("register " + vbtest::hotPlugModulePath(1)), "ok 0");
    }
    EXPECT_TRUE(heardReload(listener));
    EXPECT_TRUE(m_type.CanWorkWith(nullptr, "obj"));
    listener->Release();
}

TEST_F(vbHotPlugConfig, ReloadsRacingCreationsLeaveNoObjectBehind)
{
    vbtest::registerHotPlugModule(1);
    m_type.onReloadConfig(); // the reload message may come later
    std::atomic<bool> stop{false};
    std::atomic<int> made{0};
    std::atomic<int> failures{0};
    std::thread reloader([&] {
        vbVantMsgCb unregistered(&vbtest::HotPlugTestType::message(), vbVANTMSGCB(), false);
        while (!stop)
            m_type.receiveExternalMsg(unregistered, 0, 0);
    });
    std::vector<std::thread> creators;
    for (int t = 0; t < 4; ++t) {
        creators.emplace_back([&] {
            for (int i = 0; i < 25; ++i) {
                try {
                    vbHotPlugObjectPtr obj;
                    if (m_type.CreatePluggedObject("obj", &obj, nullptr) && !obj.IsNull())
                        ++made;
                } catch (vbEhotPlug* e) {
                    e->Delete();
                } catch (CException* e) {
                    ++failures;
                    e->Delete();
                }
            }
        });
    }
    for (auto& t : creators)
        t.join();
    stop = true;
    reloader.join();
    EXPECT_EQ(failures, 0);
    EXPECT_GT(made, 0);
    vbHotPlugType::PluginPtr record;
    {
        vbSectLock lock(&m_type.m_sect);
        ASSERT_EQ(m_type.m_objects.GetLength(), 2);
        record = m_type.m_objects[1].plugin;
    }
    record->unloadPlugin(false);
    EXPECT_FALSE(vbtest::isModuleLoaded(1)) << "every object let the module go";
}

} // namespace

namespace {

TEST_F(vbHotPlugConfig, AStoppedTypeIgnoresTheReloadMessageAndReadsOnFirstUse)
{
    vbtest::OpenTestType idle;
    serve(hotPlugModuleId(7), "obj", vbVariant(1));
    vbVantMsgCb unregistered(&vbtest::HotPlugTestType::message(), vbVANTMSGCB(), false);
    idle.receiveExternalMsg(unregistered, 0, 0);
    {
        vbSectLock lock(&idle.m_sect);
        EXPECT_EQ(idle.m_objects.GetLength(), 0);
    }
    EXPECT_FALSE(idle.CanWorkWith(nullptr, "nothing"));
    vbSectLock lock(&idle.m_sect);
    EXPECT_EQ(idle.m_objects.GetLength(), 1) << "read on the first use after the start";
}

// A type whose readings wait at a gate, so that a test holds one in progress.
class GatedType : public vbtest::OpenTestType {
public:
    ~GatedType() override
    {
        CloseHandle(entered);
        CloseHandle(gate);
    }
    void onReloadConfig() override
    {
        SetEvent(entered);
        WaitForSingleObject(gate, INFINITE);
        OpenTestType::onReloadConfig();
    }

    HANDLE entered = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

// Opens a gate when its thread handles the message posted to it.
class GateOpener {
public:
    explicit GateOpener(HANDLE gate)
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &GateOpener::proc;
        wc.lpszClassName = "vbHotPlugConfigTest gate opener";
        RegisterClassExA(&wc);
        m_hwnd = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, LONG_PTR(gate));
    }
    ~GateOpener()
    {
        DestroyWindow(m_hwnd);
        UnregisterClassA("vbHotPlugConfigTest gate opener", nullptr);
    }
    GateOpener(const GateOpener&) = delete;
    GateOpener& operator=(const GateOpener&) = delete;

    void post() { PostMessageA(m_hwnd, WM_USER, 0, 0); }

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_USER)
            SetEvent(HANDLE(GetWindowLongPtrA(hwnd, GWLP_USERDATA)));
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    HWND m_hwnd = nullptr;
};

// The reading another thread began is waited for until it ends, handling this thread's messages
// meanwhile: the wait ends with the reading, not with time, which does not move here.
TEST_F(vbHotPlugConfig, AFirstUseWaitsForTheReadingAnotherThreadBegan)
{
    serve(hotPlugModuleId(3), "obj", vbVariant(4));
    GatedType gated;
    vbLock started(&gated);
    vnt::test::ManualClock clock;
    const uint64_t before = clock.tick();
    std::thread reader([&] {
        vbVantMsgCb unregistered(&vbtest::HotPlugTestType::message(), vbVANTMSGCB(), false);
        gated.receiveExternalMsg(unregistered, 0, 0);
    });
    WaitForSingleObject(gated.entered, INFINITE);
    GateOpener opener(gated.gate);
    opener.post();
    EXPECT_FALSE(gated.CanWorkWith(nullptr, "nothing"));
    {
        vbSectLock lock(&gated.m_sect);
        EXPECT_EQ(gated.m_objects.GetLength(), 1) << "the use came after the whole reading";
    }
    EXPECT_EQ(clock.tick(), before);
    reader.join();
}

TEST_F(vbHotPlugConfig, TheNotifierStandsForTheWholeType)
{
    auto* listener = new vbtest::TypeListener;
    listener->Create();
    listener->caps = vbPlugUpdateLater;
    m_type.AddPlugTypeCb(listener);
    vbRefPtr<IvbHotPlugCb, &IID_IvbHotPlugCb> notif;
    m_type.getPlugNotifCb(&notif);
    EXPECT_EQ(notif->OnGetPluginCaps(nullptr), vbPlugUpdateLater);
    notif->OnLoadPluginAsked(nullptr, false);
    EXPECT_EQ(listener->events, std::vector<std::string>{"load"});

    vbRefQIPtr<IvbHotPlugin, &IID_IvbHotPlugin> plugin(notif.Get(), true);
    EXPECT_EQ(plugin->GetPluginId(), GUID{});
    EXPECT_TRUE(plugin->GetPluginLabel().IsEmpty());
    EXPECT_EQ(std::string(plugin->GetConfigPath()), "Test plugins.5");
    vbtest::expectThrown<vbEsys>([&] { plugin->_forceUnload(); }, E_NOTIMPL, "vbHotPlugType::PlugNotif::_forceUnload()");
    listener->Release();
}

} // namespace
