#include "BuiltinClasses.h"

#include "shell/ShellLink.h"

#include "plat/shlobj.h"

#include <atomic>
#include <new>

namespace plat::com {

namespace {

using Create = HRESULT (*)(REFIID riid, void** ppv);

// A class object made for each request; making instances is its only work.
class BuiltinFactory final : public IClassFactory {
public:
    explicit BuiltinFactory(Create create) : m_create(create) { }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
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
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (pUnkOuter)
            return CLASS_E_NOAGGREGATION;
        return m_create(riid, ppv);
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

private:
    ~BuiltinFactory() = default;

    std::atomic<ULONG> m_refs{1};
    Create m_create;
};

struct BuiltinClass {
    CLSID clsid;
    Create create;
};

constexpr BuiltinClass kClasses[] = {
    {CLSID_ShellLink, shell::createShellLink},
};

} // namespace

bool builtinClassObject(REFCLSID rclsid, REFIID riid, void** ppv, HRESULT& hr)
{
    for (const BuiltinClass& c : kClasses) {
        if (c.clsid != rclsid)
            continue;
        auto* factory = new (std::nothrow) BuiltinFactory(c.create);
        if (!factory) {
            *ppv = nullptr;
            hr = E_OUTOFMEMORY;
            return true;
        }
        hr = factory->QueryInterface(riid, ppv);
        factory->Release();
        return true;
    }
    return false;
}

} // namespace plat::com
