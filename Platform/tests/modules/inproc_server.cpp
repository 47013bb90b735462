// An in-process server for the COM tests: one class whose objects count themselves, so that
// the module can tell whether it may be unloaded.

#include "plat/com.h"
#include "plat/registry.h"

#include <atomic>
#include <dlfcn.h>
#include <string>

// {6A0E2C54-3B1D-4F7A-9C21-5D8E0F4B7A13}
static constexpr CLSID CLSID_TestCounter = VNT_GUID(0x6A0E2C54, 0x3B1D, 0x4F7A, 0x9C, 0x21, 0x5D, 0x8E, 0x0F, 0x4B, 0x7A, 0x13);
// {6A0E2C55-3B1D-4F7A-9C21-5D8E0F4B7A13}
static constexpr IID IID_ITestCounter = VNT_GUID(0x6A0E2C55, 0x3B1D, 0x4F7A, 0x9C, 0x21, 0x5D, 0x8E, 0x0F, 0x4B, 0x7A, 0x13);

struct ITestCounter : IUnknown {
    virtual LONG Next() = 0;
};

namespace {

std::atomic<LONG> g_objects{0};
std::atomic<LONG> g_locks{0};

class Counter final : public ITestCounter {
public:
    Counter() { ++g_objects; }
    ~Counter() { --g_objects; }
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_ITestCounter) {
            *ppv = static_cast<ITestCounter*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
    LONG Next() override { return ++m_value; }

private:
    std::atomic<ULONG> m_refs{1};
    LONG m_value = 0;
};

class Factory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is part of the module; holding it counts as a lock.
    ULONG AddRef() override { return (ULONG)++g_locks + 1; }
    ULONG Release() override { return (ULONG)--g_locks + 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto* counter = new Counter;
        HRESULT hr = counter->QueryInterface(riid, ppv);
        counter->Release();
        return hr;
    }
    HRESULT LockServer(BOOL lock) override
    {
        lock ? ++g_locks : --g_locks;
        return S_OK;
    }
};

Factory g_factory;

std::string classKey()
{
    OLECHAR wide[39];
    StringFromGUID2(CLSID_TestCounter, wide, 39);
    return "CLSID\\" + std::string(wide, wide + 38);
}

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (rclsid != CLSID_TestCounter) {
        *ppv = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return g_factory.QueryInterface(riid, ppv);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow()
{
    return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer()
{
    Dl_info info;
    if (!dladdr(reinterpret_cast<void*>(&DllRegisterServer), &info) || !info.dli_fname)
        return SELFREG_E_CLASS;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, (classKey() + "\\InprocServer32").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
            nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    std::string path = info.dli_fname;
    LONG rc = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()), (DWORD)path.size() + 1);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer()
{
    RegDeleteKeyA(HKEY_CLASSES_ROOT, (classKey() + "\\InprocServer32").c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, classKey().c_str());
    return S_OK;
}
