#include "BuiltinClasses.h"
#include "ComObject.h"

#include "shell/ShellLink.h"

#include "plat/shlobj.h"

#include <new>

namespace plat::com {

namespace {

using Create = HRESULT (*)(REFIID riid, void** ppv);

// A class object made for each request; making instances is its only work.
class BuiltinFactory final : public ComObject<BuiltinFactory, IClassFactory> {
public:
    explicit BuiltinFactory(Create create) : m_create(create) { }

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
    void* face(REFIID riid) { return riid == IID_IClassFactory ? static_cast<IClassFactory*>(this) : nullptr; }

private:
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
