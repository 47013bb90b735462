// Plug types: their configuration place, their listeners and the listener lock; and the module
// side's factory: registration, load and unload with the idle delay, object creation, the forced
// unload and the entry points written by the export macro.

#include "LogFileReader.h"
#include "vbExpectThrown.h"
#include "vbHotPlugTestType.h"

#include "vbHotPlugin.h"
#include "vbLog.h"
#include "vbObjectFace.h"
#include "vbRegEngine.h"

#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

class TestType : public vbtest::HotPlugTestType {
public:
    using vbHotPlugType::m_callbacks;
    using vbHotPlugType::onStop;
};

// A plug-type listener that hears nothing; only its identity matters here.
class QuietHandler : public sIvbHotPlugTypeCb { };

class vbHotPlugTypeTest : public ::testing::Test {
protected:
    TestType m_type;
    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
};

TEST_F(vbHotPlugTypeTest, ConfigurationPlaceIsNamePluginsVersionUnderTheMachineConfiguration)
{
    EXPECT_EQ(std::string(m_type.GetConfigPath()), "Test plugins.5");
    EXPECT_EQ(std::string(m_type.GetPlugTypeLabel()), "KVX Vantrel HotPlug Test");
    m_type.GetConfigKey().SetValue("probe", vbVariant(7));
    EXPECT_TRUE(vbRegKey(vbRegLocalMachine, "Software\\KVX Vantrel\\Test plugins.5").ValueExists("probe"));
    const void* face = nullptr;
    ASSERT_TRUE(m_type.GetInterface(IID_sIvbHotPlugType, &face));
    EXPECT_EQ(face, static_cast<const sIvbHotPlugType*>(&m_type));
    ASSERT_TRUE(m_type.GetInterface(IID_vbHotPlugType, &face));
    EXPECT_EQ(face, &m_type);
    // The engine's own faces, and a face it does not have, asked as the engine centre asks them.
    vbEngine& engine = m_type;
    void* asEngine = nullptr;
    ASSERT_TRUE(engine.GetInterface(IID_vbEngine, &asEngine));
    EXPECT_EQ(asEngine, &engine);
    EXPECT_FALSE(engine.GetInterface(IID_vbMsgEngine, &asEngine));
    EXPECT_FALSE(m_type.GetInterface(IID_vbMsgEngine, &face));
}

TEST_F(vbHotPlugTypeTest, AListenerIsHeldOnceAndADeadOnesEntryIsReused)
{
    QuietHandler handler;
    vbHotPlugCb first(nullptr, &handler, true, vbPlugUpdateAllow);
    m_type.AddPlugTypeCb(first);
    m_type.AddPlugTypeCb(first);
    EXPECT_EQ(m_type.m_callbacks.GetLength(), 1);
    vbHotPlugCb second(nullptr, &handler, true, vbPlugUpdateAllow);
    m_type.AddPlugTypeCb(second);
    EXPECT_EQ(m_type.m_callbacks.GetLength(), 2);
    first.Destroy();
    vbHotPlugCb third(nullptr, &handler, true, vbPlugUpdateAllow);
    m_type.AddPlugTypeCb(third);
    EXPECT_EQ(m_type.m_callbacks.GetLength(), 2) << "the dead listener's entry serves the new one";
}

TEST_F(vbHotPlugTypeTest, CallsWaitForAdditionsAndGiveUpAfterFiftyTurns)
{
    vnt::test::ManualClock clock(true);
    vbLock use(&m_type);
    m_type.lockCbAdd();
    vbtest::expectThrown<vbEsys>([&] { m_type.lockCbCall(); }, static_cast<HRESULT>(0x800005B4u),
        "vbHotPlugType::lockCbCall() : timeout, can't call callbacks !");
    m_type.unlockCbAdd();
    m_type.lockCbCall();
    m_type.unlockCbCall();
}

TEST_F(vbHotPlugTypeTest, CallsOnAStoppedTypeAreRefused)
{
    vbtest::expectThrown<vbEsys>([&] { m_type.lockCbCall(); }, E_FAIL, "vbHotPlugType::lockCbCall() : destroyed plug");
}

// --- the factory ---

class FakePlugin : public vbObject, public IvbHotPlugin {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbHotPlugin) {
            *ppv = static_cast<IvbHotPlugin*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    void _forceUnload() override { ++forced; }

    int forced = 0;
};

const GUID kModuleId = {0x5A5A0001, 0x1234, 0x5678, {0x9A, 0xBC, 0, 0, 0, 0, 0, 0x02}};

void makeObject(vbHotPlugFactory*, IvbHotPlugin*, const char* name, LONG value, vbHotPlugObjectPtr*)
{
    vbRelOutput(vbString("made ") + name + " " + vbString(static_cast<int>(value)), true);
}

const vbHotPlugFactoryList kObjects[] = {
    {"default", makeObject, 50, 0},
    {"jpg.jpeg", makeObject, 3, 7},
    {nullptr, nullptr, 0, 0},
};

class vbHotPlugFactoryTest : public vbHotPlugTypeTest {
protected:
    vbHotPlugFactoryTest()
    {
        m_plugin = new FakePlugin;
        m_plugin->Create();
    }
    ~vbHotPlugFactoryTest() override { m_plugin->Release(); }

    FakePlugin* m_plugin;
};

TEST_F(vbHotPlugFactoryTest, UnloadWaitsForTheDelayAcrossTheTickWrap)
{
    vnt::test::ManualClock clock;
    clock.setTick(0xFFFFFF00u);
    vbHotPlugFactory factory(&m_type, kModuleId, "Test factory", kObjects, 300);
    factory.Load(m_plugin);
    clock.advance(200);
    EXPECT_FALSE(factory.Unload(m_plugin));
    clock.advance(100);
    EXPECT_TRUE(factory.Unload(m_plugin));
    EXPECT_FALSE(factory.ForceUnload()) << "an unloaded factory is bound to nothing";
}

TEST_F(vbHotPlugFactoryTest, ALiveObjectKeepsTheModuleAndARefusedUnloadRefusesObjects)
{
    vnt::test::ManualClock clock;
    vbHotPlugFactory factory(&m_type, kModuleId, "Test factory", kObjects, 300);
    factory.Load(m_plugin);
    vbHotPlugObjectPtr object;
    factory.CreateObject(m_plugin, "JPG.JPEG", &object);
    factory.IncObjCnt();
    clock.advance(100000);
    EXPECT_FALSE(factory.Unload(m_plugin));
    EXPECT_TRUE(factory.isUnloadAsked());
    vbtest::expectThrown<vbEhotPlug>([&] { factory.CreateObject(m_plugin, "default", &object); }, E_FAIL,
        "vbHotPlugFactory / Plugin 'Test factory' is unloading : can't create object 'default' !");

    factory.Load(m_plugin);
    EXPECT_FALSE(factory.isUnloadAsked());
    factory.CreateObject(m_plugin, "default", &object);
    vbtest::expectThrown<vbEsys>([&] { factory.CreateObject(m_plugin, "png", &object); }, E_FAIL,
        "vbHotPlugFactory / Plugin 'Test factory' : object 'png' doesn't exist !");
    factory.DecObjCnt();
    clock.advance(299);
    EXPECT_FALSE(factory.Unload(m_plugin)) << "the delay counts from the last object's release";
    clock.advance(1);
    EXPECT_TRUE(factory.Unload(m_plugin));

    const std::string log = readLogFile();
    EXPECT_NE(log.find("made jpg.jpeg 7\n"), std::string::npos);
    EXPECT_NE(log.find("made default 0\n"), std::string::npos);
    EXPECT_NE(log.find("vbHotPlugFactory::Load() : internal pb in Plugin 'Test factory' (objcnt=1)\n"),
        std::string::npos);
}

TEST_F(vbHotPlugFactoryTest, ForceUnloadAsksTheBoundRecordToDropTheModule)
{
    vbHotPlugFactory factory(&m_type, kModuleId, "Test factory", kObjects, 300);
    EXPECT_FALSE(factory.ForceUnload());
    factory.Load(m_plugin);
    vbRefPtr<IvbHotPlugin, &IID_IvbHotPlugin> container;
    EXPECT_TRUE(factory.GetPluginContainer(&container));
    EXPECT_EQ(container.Get(), static_cast<IvbHotPlugin*>(m_plugin));
    EXPECT_TRUE(factory.ForceUnload());
    EXPECT_EQ(m_plugin->forced, 1);
    EXPECT_FALSE(factory.ForceUnload());
}

TEST_F(vbHotPlugFactoryTest, RegistrationWritesTheObjectsUnderTheClassKey)
{
    vbLock use(&m_type);
    vbHotPlugFactory unnamed(&m_type, kModuleId, nullptr, kObjects, 300);
    unnamed.Register();
    vbRegKey module(vbRegLocalMachine, "Software\\KVX Vantrel\\Test plugins.5\\{5A5A0001-1234-5678-9ABC-000000000002}");
    EXPECT_FALSE(module.DefaultValueExists());
    EXPECT_EQ(vbRegKey(module, "default").GetValue("priority").GetAsLong(), 50);
    EXPECT_EQ(vbRegKey(module, "jpg.jpeg").GetValue("priority").GetAsLong(), 3);

    vbHotPlugFactory named(&m_type, kModuleId, "Test factory", kObjects, 300);
    named.Register();
    EXPECT_EQ(std::string(module.GetDefaultValue().GetAsString()), "Test factory");
    named.Unregister();
    EXPECT_FALSE(vbRegKey(vbRegLocalMachine, "Software\\KVX Vantrel\\Test plugins.5\\{5A5A0001-1234-5678-9ABC-000000000002}")
                     .Exists());
    EXPECT_TRUE(m_type.GetConfigKey().Exists());
}

// A type whose configuration has no place in the registry.
class UnplacedType : public TestType {
public:
    vbRegKey GetConfigKey() override { return vbRegKey(); }
};

// A type whose configuration place fails with an exception from outside the framework.
class ForeignFailureType : public TestType {
public:
    vbRegKey GetConfigKey() override { throw std::runtime_error("no place"); }
};

TEST_F(vbHotPlugFactoryTest, RegistrationStepsAnswerTheHresultOfWhatTheyThrow)
{
    vbHotPlugFactory factory(&m_type, kModuleId, "Test factory", kObjects, 300);
    EXPECT_EQ(vbHotPlugRegisterCall(&vbHotPlugFactory::Unregister, &factory), S_OK);
    UnplacedType unplaced;
    vbHotPlugFactory lost(&unplaced, kModuleId, "Test factory", kObjects, 300);
    EXPECT_EQ(vbHotPlugRegisterCall(&vbHotPlugFactory::Register, &lost), E_INVALIDARG) << "the registry layer's error";
    ForeignFailureType foreign;
    vbHotPlugFactory odd(&foreign, kModuleId, "Test factory", kObjects, 300);
    EXPECT_EQ(static_cast<uint32_t>(vbHotPlugRegisterCall(&vbHotPlugFactory::Register, &odd)), 0x80004003u)
        << "an exception from outside the framework";
}

} // namespace

// The entry points of a module of the plug type "Test", served by one factory.
namespace {
vbHotPlugFactory* g_exported = nullptr;
}
VB_HOTPLUG_EXPORTS(Test, *g_exported)

namespace {

TEST_F(vbHotPlugFactoryTest, TheExportsForwardToTheFactory)
{
    vnt::test::ManualClock clock;
    vbHotPlugFactory factory(&m_type, kModuleId, "Test factory", kObjects, 0);
    g_exported = &factory;
    qvTestPluginLoad(m_plugin);
    vbHotPlugObjectPtr object;
    qvTestPluginCreateObject(m_plugin, "Default", &object);
    EXPECT_NE(readLogFile().find("made default 0\n"), std::string::npos);
    EXPECT_TRUE(qvTestPluginUnload(m_plugin, false));
    g_exported = nullptr;
}

} // namespace
