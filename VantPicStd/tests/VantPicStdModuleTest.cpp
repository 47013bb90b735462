// The plug-in module as the plug-in centre and COM see it: loaded from its file, registered in
// this test's own registry, its entry points bound by name.

#include "CVantPicStdCtrl.h"
#include "picTestUtil.h"

#include "picCompressPlugType.h"

#include "vbEngine.h"
#include "vbRegKey.h"
#include "vbVantLib.h"

#include "plat/bitmap.h"
#include "plat/com.h"
#include "plat/module.h"
#include "plat/registry.h"

#include "testsupport/CountedUnknown.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <string>
#include <sys/wait.h>

namespace {

const char kModule[] = VNT_BIN_DIR "/Vt05pcST.so";
const char kClassKey[] = "CLSID\\{8726FE1A-AE7E-41D4-BAE6-AF992781D739}";
const char kPluginKey[] = "Software\\KVX Vantrel\\Picture plugins.5\\{8726FE1A-AE7E-41D4-BAE6-AF992781D739}";
const char kFactoryName[] = "Kvx Standard pictures for VantPict";

typedef vbRefQIPtr<IpicCompressPlug, &IID_IpicCompressPlug> picCompressPlugPtr;
typedef void (*LoadEntry)(IvbHotPlugin*);
typedef bool (*UnloadEntry)(IvbHotPlugin*, bool);
typedef void (*CreateEntry)(IvbHotPlugin*, const vbString&, vbHotPlugObjectPtr*);

// A value under HKEY_CLASSES_ROOT as text; "<none>" when the key or value is missing.
std::string classesText(const std::string& path, const char* name = nullptr)
{
    vbRegKey key(vbRegClassesRoot, path.c_str());
    if (!key.Exists())
        return "<none>";
    if (name ? !key.ValueExists(name) : !key.DefaultValueExists())
        return "<none>";
    return std::string(name ? key.GetValue(name).GetAsString() : key.GetDefaultValue().GetAsString());
}

bool machineKeyExists(const char* path) { return vbRegKey(vbRegLocalMachine, path).Exists(); }

class PicStdModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = LoadLibraryA(kModule);
        ASSERT_NE(m_module, nullptr);
    }
    void TearDown() override
    {
        plat::registrySetReadOnly(HKEY_CLASSES_ROOT, false);
        plat::registrySetReadOnly(HKEY_LOCAL_MACHINE, false);
        if (m_module)
            FreeLibrary(m_module);
    }

    template <class F>
    F entry(const char* name)
    {
        auto f = reinterpret_cast<F>(GetProcAddress(m_module, name));
        EXPECT_NE(f, nullptr) << name;
        return f;
    }
    HRESULT registerServer() { return entry<LPFNREGISTERSERVER>("DllRegisterServer")(); }
    HRESULT unregisterServer() { return entry<LPFNREGISTERSERVER>("DllUnregisterServer")(); }

    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
    HMODULE m_module = nullptr;
};

TEST_F(PicStdModule, RegistrationWritesThePluginAndTheControlClass)
{
    ASSERT_EQ(registerServer(), S_OK);

    vbRegKey plugin(vbRegLocalMachine, kPluginKey);
    EXPECT_EQ(std::string(plugin.GetDefaultValue().GetAsString()), kFactoryName);
    EXPECT_EQ(vbRegKey(plugin, "default").GetValue("priority").GetAsLong(), 50);
    EXPECT_EQ(vbRegKey(plugin, "jpg.jpeg").GetValue("priority").GetAsLong(), 3);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kPluginKey) + "\\jpg.jpeg").c_str(), 0, KEY_READ, &key),
        ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "priority", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    RegCloseKey(key);

    const std::string cls = kClassKey;
    struct Entry {
        std::string key;
        const char* name;
        std::string value;
    } entries[] = {
        {cls, nullptr, "Vant Standard Picture Plugin for VantPicture 5"},
        {cls + "\\InprocServer32", nullptr, kModule},
        {cls + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {cls + "\\ProgID", nullptr, "VANTPICSTD.Plugin.5"},
        {cls + "\\MiscStatus\\1", nullptr, "132241"},
        {cls + "\\TypeLib", nullptr, "{8BA72E57-169A-4B8B-910A-589B0D25919D}"},
        {cls + "\\Version", nullptr, "5.0"},
        {"VANTPICSTD.Plugin.5\\CLSID", nullptr, "{8726FE1A-AE7E-41D4-BAE6-AF992781D739}"},
        {"TypeLib\\{8BA72E57-169A-4B8B-910A-589B0D25919D}\\5.0", nullptr, "VANTPICSTDLib"},
    };
    for (const Entry& e : entries)
        EXPECT_EQ(classesText(e.key, e.name), e.value) << e.key << " " << (e.name ? e.name : "");
    EXPECT_EQ(std::string(vbGetModulePath(CLSID_VantPicStd)), kModule);

    // Another plug-in of the type stays.
    vbRegKey(vbRegLocalMachine, "Software\\KVX Vantrel\\Picture plugins.5\\{00000001-0000-0000-0000-000000000000}\\png")
        .SetValue("priority", vbVariant(7));
    ASSERT_EQ(unregisterServer(), S_OK);
    EXPECT_FALSE(machineKeyExists(kPluginKey));
    EXPECT_TRUE(machineKeyExists("Software\\KVX Vantrel\\Picture plugins.5\\{00000001-0000-0000-0000-000000000000}\\png"));
    for (const char* key : {kClassKey, "VANTPICSTD.Plugin.5", "TypeLib\\{8BA72E57-169A-4B8B-910A-589B0D25919D}"})
        EXPECT_FALSE(vbRegKey(vbRegClassesRoot, key).Exists()) << key;
}

TEST_F(PicStdModule, RefusedRegistryWritesAnswerTheirStepsCode)
{
    plat::registrySetReadOnly(HKEY_CLASSES_ROOT, true);
    EXPECT_EQ(static_cast<uint32_t>(registerServer()), 0x80040200u);
    EXPECT_FALSE(machineKeyExists("Software\\KVX Vantrel\\Picture plugins.5"));
    plat::registrySetReadOnly(HKEY_CLASSES_ROOT, false);

    plat::registrySetReadOnly(HKEY_LOCAL_MACHINE, true);
    EXPECT_EQ(static_cast<uint32_t>(registerServer()), 0x80070005u) << "the registry's access denied";
    plat::registrySetReadOnly(HKEY_LOCAL_MACHINE, false);
    EXPECT_FALSE(machineKeyExists(kPluginKey));
}

TEST_F(PicStdModule, CreatesPlugObjectsByNameIgnoringCase)
{
    auto create = entry<CreateEntry>("qvPicturePluginCreateObject");
    vbHotPlugObjectPtr object;
    create(nullptr, "JPG.JPEG", &object);
    picCompressPlugPtr plug(object.Get(), true);
    EXPECT_EQ(std::string(plug->GetDescription(0, 0)), "VantPicture JPEG-6b Plugin");
    EXPECT_EQ(plug->GetPlugLevel(), 3);
    pictest::expectThrown<vbEsys>([&] { create(nullptr, "jp", &object); }, E_FAIL,
        "vbHotPlugFactory / Plugin 'Kvx Standard pictures for VantPict' : object 'jp' doesn't exist !");
}

TEST_F(PicStdModule, UnloadWaitsForTheLastObjectAndTheDelay)
{
    vnt::test::ManualClock clock;
    auto load = entry<LoadEntry>("qvPicturePluginLoad");
    auto unload = entry<UnloadEntry>("qvPicturePluginUnload");
    auto create = entry<CreateEntry>("qvPicturePluginCreateObject");
    load(nullptr);
    {
        vbHotPlugObjectPtr object;
        create(nullptr, "default", &object);
        clock.advance(1000);
        EXPECT_FALSE(unload(nullptr, false)) << "an object lives";
        vbHotPlugObjectPtr other;
        pictest::expectThrown<vbEhotPlug>([&] { create(nullptr, "default", &other); }, E_FAIL,
            "vbHotPlugFactory / Plugin 'Kvx Standard pictures for VantPict' is unloading : can't create object 'default' !");
        load(nullptr);
        create(nullptr, "jpg.jpeg", &other);
    }
    EXPECT_FALSE(unload(nullptr, false));
    clock.advance(299);
    EXPECT_FALSE(unload(nullptr, false));
    clock.advance(1);
    EXPECT_TRUE(unload(nullptr, false));
}

TEST_F(PicStdModule, TheControlIsACreatableDispatchWithoutMembers)
{
    ASSERT_EQ(registerServer(), S_OK);
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    auto canUnload = entry<LPFNCANUNLOADNOW>("DllCanUnloadNow");
    IDispatch* control = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_VantPicStd, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                  reinterpret_cast<void**>(&control)),
        S_OK);
    UINT count = 7;
    EXPECT_EQ(control->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    OLECHAR name[] = u"Refresh";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    EXPECT_EQ(control->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(control->Invoke(1, IID_NULL, 0, 1, nullptr, nullptr, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
    void* face = nullptr;
    ASSERT_EQ(control->QueryInterface(IID__DVantPicStd, &face), S_OK);
    static_cast<IUnknown*>(face)->Release();
    EXPECT_EQ(canUnload(), S_FALSE);
    control->Release();
    EXPECT_EQ(canUnload(), S_OK);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(CoGetClassObject(CLSID_VantPicStd, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                  reinterpret_cast<void**>(&factory)),
        S_OK);
    factory->LockServer(TRUE);
    EXPECT_EQ(canUnload(), S_FALSE);
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(canUnload(), S_OK);
    CoUninitialize();
}

TEST(PicStdModuleLife, LoadingAndFreeingTellTheLibraryListAndReallyUnload)
{
    vbUseEngineCenter use(&g_vbEngineCenter, true);
    const LONG before = vbVantLib::s_cChg;
    HMODULE module = LoadLibraryA(kModule);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(vbVantLib::s_cChg, before + 1);
    FreeLibrary(module);
    EXPECT_EQ(vbVantLib::s_cChg, before + 2);
    void* still = dlopen(kModule, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(still, nullptr);
    if (still)
        dlclose(still);
}

TEST(PicStdControl, DrawsAnEllipseOnWhite)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 20, 10);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, 20, 10};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    auto* control = new CVantPicStdCtrl;
    control->OnDraw(dc, all);
    control->Release();
    for (POINT p : {POINT{0, 0}, POINT{19, 0}, POINT{0, 9}, POINT{19, 9}, POINT{10, 5}})
        EXPECT_EQ(GetPixel(dc, p.x, p.y) & 0xFFFFFF, 0xFFFFFFu) << p.x << "," << p.y;
    EXPECT_EQ(GetPixel(dc, 0, 5) & 0xFFFFFF, 0u) << "the outline in the default black pen";
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST(PicStdControl, DisablesAndEnablesItsWindowWhenItHasOne)
{
    auto* control = new CVantPicStdCtrl;
    control->Disable();
    ASSERT_TRUE(control->CreateEx(0, nullptr, "control", WS_POPUP, 0, 0, 20, 10, nullptr, nullptr));
    const HWND window = control->GetSafeHwnd();
    control->Disable();
    EXPECT_FALSE(IsWindowEnabled(window));
    control->Enable();
    EXPECT_TRUE(IsWindowEnabled(window));
    control->Release();
    EXPECT_FALSE(IsWindow(window)) << "the window goes with the control";
}

// The properties are the version 5.0 alone: a save writes it and nothing else, a load reads the
// stored one back, and the framework's reset gives the default again and leaves it unmodified.
TEST(PicStdControl, ItsPropertiesAreItsVersionAlone)
{
    auto* control = new CVantPicStdCtrl;
    CPropSet saved;
    control->SaveProperties(saved);
    EXPECT_EQ(saved, (CPropSet{{"_Version", 0x50000}}));
    control->LoadProperties(saved);
    EXPECT_EQ(control->GetVersionLoaded(), 0x50000u);

    control->LoadProperties(CPropSet{{"_Version", 0x40002}});
    EXPECT_EQ(control->GetVersionLoaded(), 0x40002u);
    CPropSet again;
    control->SaveProperties(again);
    EXPECT_EQ(again, saved) << "an older version is saved as the control's own";

    control->LoadProperties(CPropSet{{"_Version", 0x40002}});
    control->SetModifiedFlag();
    control->OnResetState();
    EXPECT_EQ(control->GetVersionLoaded(), 0x50000u);
    EXPECT_FALSE(control->IsModified());
    control->Release();
}

TEST(PicStdControl, AnEventSinkConnectsAndDisconnectsThroughItsConnectionPoint)
{
    CVantPicStdCtrlFactory factory;
    IUnknown* control = nullptr;
    ASSERT_EQ(factory.CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&control)), S_OK);
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
    IConnectionPoint* point = nullptr;
    EXPECT_EQ(container->FindConnectionPoint(IID__DVantPicStd, &point), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(container->FindConnectionPoint(IID__DVantPicStdEvents, &point), S_OK);
    IID iid = IID_NULL;
    EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, IID__DVantPicStdEvents);
    IConnectionPointContainer* back = nullptr;
    ASSERT_EQ(point->GetConnectionPointContainer(&back), S_OK);
    EXPECT_EQ(back, container);
    back->Release();

    CountedUnknown sink(IID__DVantPicStdEvents), left(IID__DVantPicStdEvents);
    DWORD cookie = 0, leftCookie = 0;
    ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(sink.refs, 2u) << "held while connected";
    ASSERT_EQ(point->Advise(&left, &leftCookie), S_OK);
    EXPECT_NE(leftCookie, cookie);
    CountedUnknown plain;
    DWORD refused = 7;
    EXPECT_EQ(point->Advise(&plain, &refused), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(refused, 0u);

    EXPECT_EQ(point->Unadvise(cookie), S_OK);
    EXPECT_EQ(sink.refs, 1u);
    EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
    point->Release();
    container->Release();
    control->Release();
    EXPECT_EQ(left.refs, 1u) << "a sink still connected is let go with the control";
    EXPECT_TRUE(CVantPicStdCtrl::CanUnloadNow());
}

int runTool(const std::string& arguments)
{
    const int status = std::system((std::string(VNT_BIN_DIR "/vntregsvr ") + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PicStdRegistrationTool, RegistersAndUnregistersAModule)
{
    EXPECT_EQ(runTool(kModule), 0);
    EXPECT_TRUE(machineKeyExists(kPluginKey));
    EXPECT_EQ(std::string(vbGetModulePath(CLSID_VantPicStd)), kModule);
    EXPECT_EQ(runTool(std::string("-u ") + kModule), 0);
    EXPECT_FALSE(machineKeyExists(kPluginKey));
    EXPECT_FALSE(vbRegKey(vbRegClassesRoot, kClassKey).Exists());
    EXPECT_EQ(runTool(VNT_BIN_DIR "/no-such-module.so"), 1);
    EXPECT_EQ(runTool(""), 1);
}

} // namespace
