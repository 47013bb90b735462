#include "plat/com.h"
#include "plat/comcat.h"
#include "plat/module.h"
#include "plat/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>
#include <string>
#include <thread>

// The test server's interface; outside the anonymous namespace so that it is the very type the
// module implements.
struct ITestCounter : IUnknown {
    virtual LONG Next() = 0;
};

namespace {

const std::string kServer = std::string(VNT_BIN_DIR) + "/plat_testmod_inproc.so";
constexpr CLSID CLSID_TestCounter = VNT_GUID(0x6A0E2C54, 0x3B1D, 0x4F7A, 0x9C, 0x21, 0x5D, 0x8E, 0x0F, 0x4B, 0x7A, 0x13);
constexpr IID IID_ITestCounter = VNT_GUID(0x6A0E2C55, 0x3B1D, 0x4F7A, 0x9C, 0x21, 0x5D, 0x8E, 0x0F, 0x4B, 0x7A, 0x13);

bool serverLoaded()
{
    void* handle = dlopen(kServer.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

// Registers the test server the way a registration run does: load it and call its
// DllRegisterServer.
void registerServer()
{
    HMODULE module = LoadLibraryA(kServer.c_str());
    ASSERT_NE(module, nullptr);
    auto reg = reinterpret_cast<LPFNREGISTERSERVER>(reinterpret_cast<void (*)()>(GetProcAddress(module, "DllRegisterServer")));
    ASSERT_NE(reg, nullptr);
    EXPECT_EQ(reg(), S_OK);
    FreeLibrary(module);
}

struct ComThread : ::testing::Test {
    void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
    void TearDown() override { CoUninitialize(); }
};

TEST(Com, InitialisationCountsPerThread)
{
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    std::thread([] {
        void* p = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p),
            CO_E_NOTINITIALIZED);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        CoUninitialize();
    }).join();
    CoUninitialize();
    CoUninitialize();
    void* p = nullptr;
    EXPECT_EQ(CoGetClassObject(CLSID_TestCounter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &p),
        CO_E_NOTINITIALIZED);
}

TEST_F(ComThread, UnregisteredClass)
{
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(p, nullptr);
}

TEST_F(ComThread, ServerCreatedThroughTheRegistryAndUnloadedWhenUnused)
{
    registerServer();
    ASSERT_FALSE(serverLoaded());

    ITestCounter* first = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, IID_ITestCounter,
                  reinterpret_cast<void**>(&first)),
        S_OK);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Next(), 1);
    EXPECT_EQ(first->Next(), 2);
    ITestCounter* second = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_ALL, IID_ITestCounter, reinterpret_cast<void**>(&second)),
        S_OK);
    EXPECT_EQ(second->Next(), 1);
    void* none = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, IID_IClassFactory, &none),
        E_NOINTERFACE);

    // Objects alive: the module stays.
    first->Release();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(serverLoaded());
    EXPECT_EQ(second->Next(), 2);
    second->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(serverLoaded());

    // A held class object also keeps it.
    IClassFactory* factory = nullptr;
    ASSERT_EQ(CoGetClassObject(CLSID_TestCounter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                  reinterpret_cast<void**>(&factory)),
        S_OK);
    CoFreeUnusedLibraries();
    EXPECT_TRUE(serverLoaded());
    factory->Release();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(serverLoaded());
}

TEST_F(ComThread, MissingModuleIsAnError)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{6A0E2C54-3B1D-4F7A-9C21-5D8E0F4B7A13}\\InprocServer32", 0,
                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    const char path[] = "/nonexistent/server.so";
    ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), sizeof path), ERROR_SUCCESS);
    RegCloseKey(key);
    void* p = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_NE(hr, REGDB_E_CLASSNOTREG);
    EXPECT_EQ(p, nullptr);
}

TEST_F(ComThread, ComponentCategoriesLiveUnderClassesRoot)
{
    const CATID catid = VNT_GUID(0x40FC6ED4, 0x2438, 0x11CF, 0xA3, 0xDB, 0x08, 0x00, 0x36, 0xF1, 0x25, 0x02);
    const CATID other = VNT_GUID(0x40FC6ED5, 0x2438, 0x11CF, 0xA3, 0xDB, 0x08, 0x00, 0x36, 0xF1, 0x25, 0x02);
    ICatRegister* reg = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                  reinterpret_cast<void**>(&reg)),
        S_OK);
    CATEGORYINFO info{catid, 0x409, {}};
    const char16_t description[] = u"Controls that are safely scriptable";
    std::char_traits<char16_t>::copy(info.szDescription, description, sizeof description / 2);
    ASSERT_EQ(reg->RegisterCategories(1, &info), S_OK);
    CATID ids[] = {catid};
    ASSERT_EQ(reg->RegisterClassImplCategories(CLSID_TestCounter, 1, ids), S_OK);

    HKEY key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT,
                  "CLSID\\{6A0E2C54-3B1D-4F7A-9C21-5D8E0F4B7A13}\\Implemented Categories\\"
                  "{40FC6ED4-2438-11CF-A3DB-080036F12502}",
                  0, KEY_READ, &key),
        ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Component Categories\\{40FC6ED4-2438-11CF-A3DB-080036F12502}", 0,
                  KEY_READ, &key),
        ERROR_SUCCESS);
    char text[64];
    DWORD size = sizeof text, type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "409", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    EXPECT_STREQ(text, "Controls that are safely scriptable");
    RegCloseKey(key);

    ICatInformation* information = nullptr;
    ASSERT_EQ(reg->QueryInterface(IID_ICatInformation, reinterpret_cast<void**>(&information)), S_OK);
    LPWSTR desc = nullptr;
    ASSERT_EQ(information->GetCategoryDesc(catid, 0x407, &desc), S_OK);
    EXPECT_EQ(std::u16string(desc), description);
    CoTaskMemFree(desc);
    EXPECT_EQ(information->IsClassOfCategories(CLSID_TestCounter, 1, ids, 0, nullptr), S_OK);
    CATID otherIds[] = {other};
    EXPECT_EQ(information->IsClassOfCategories(CLSID_TestCounter, 1, otherIds, 0, nullptr), S_FALSE);
    information->Release();

    EXPECT_EQ(reg->UnRegisterClassImplCategories(CLSID_TestCounter, 1, ids), S_OK);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{6A0E2C54-3B1D-4F7A-9C21-5D8E0F4B7A13}\\Implemented Categories",
                  0, KEY_READ, &key),
        ERROR_FILE_NOT_FOUND);
    reg->Release();
}

TEST(Com, TaskMemory)
{
    auto* p = static_cast<char*>(CoTaskMemAlloc(8));
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "abcdefg", 8);
    p = static_cast<char*>(CoTaskMemRealloc(p, 64));
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p, "abcdefg");
    CoTaskMemFree(p);
    CoTaskMemFree(nullptr);
}

} // namespace
