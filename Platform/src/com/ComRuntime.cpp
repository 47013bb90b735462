#include "plat/com.h"
#include "plat/comcat.h"

#include "plat/module.h"
#include "plat/registry.h"

#include "BuiltinClasses.h"
#include "CategoryManager.h"
#include "ComRuntime.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct ThreadState {
    int inits = 0;
    DWORD model = 0;
};
thread_local ThreadState t_com;

// The in-process servers loaded so far, each loaded once and kept until it agrees to go.
struct Server {
    std::string path;
    HMODULE module;
    LPFNGETCLASSOBJECT getClassObject;
    LPFNCANUNLOADNOW canUnloadNow;
};

struct Servers {
    // Recursive: a server's load code or its DllCanUnloadNow may itself ask COM for classes.
    std::recursive_mutex mutex;
    std::vector<Server> loaded;
    int processInits = 0;
};

Servers& servers()
{
    static Servers* instance = new Servers; // outlives every static that might release objects
    return *instance;
}

HRESULT loadServer(const std::string& path, LPFNGETCLASSOBJECT& getClassObject)
{
    Servers& s = servers();
    std::lock_guard lock(s.mutex);
    for (const Server& server : s.loaded)
        if (server.path == path) {
            getClassObject = server.getClassObject;
            return S_OK;
        }
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : CO_E_DLLNOTFOUND;
    }
    // Through the generic function type, which converts to any other without a warning.
    auto get = reinterpret_cast<LPFNGETCLASSOBJECT>(reinterpret_cast<void (*)()>(GetProcAddress(module, "DllGetClassObject")));
    auto canUnload = reinterpret_cast<LPFNCANUNLOADNOW>(reinterpret_cast<void (*)()>(GetProcAddress(module, "DllCanUnloadNow")));
    if (!get) {
        FreeLibrary(module);
        return CO_E_ERRORINDLL;
    }
    s.loaded.push_back({path, module, get, canUnload});
    getClassObject = get;
    return S_OK;
}

} // namespace

namespace plat::com {

std::string classKeyPath(REFCLSID rclsid)
{
    OLECHAR wide[39];
    StringFromGUID2(rclsid, wide, 39);
    std::string path = "CLSID\\";
    for (int i = 0; i < 38; ++i)
        path += (char)wide[i];
    return path + "\\InprocServer32";
}

std::string serverPath(REFCLSID rclsid)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, classKeyPath(rclsid).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    DWORD type = 0, size = 0;
    std::string path;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS
        && (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
        path.resize(size);
        if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path.data()), &size) != ERROR_SUCCESS)
            path.clear();
        path.resize(std::min<size_t>(size, path.size()));
        while (!path.empty() && path.back() == '\0')
            path.pop_back();
    }
    RegCloseKey(key);
    return path;
}

} // namespace plat::com

HRESULT CoInitializeEx(LPVOID, DWORD dwCoInit)
{
    DWORD model = dwCoInit & COINIT_APARTMENTTHREADED;
    if (t_com.inits > 0) {
        if (t_com.model != model)
            return RPC_E_CHANGED_MODE;
        ++t_com.inits;
        return S_FALSE;
    }
    t_com.inits = 1;
    t_com.model = model;
    std::lock_guard lock(servers().mutex);
    ++servers().processInits;
    return S_OK;
}

HRESULT CoInitialize(LPVOID pvReserved) { return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize()
{
    if (t_com.inits == 0)
        return;
    if (--t_com.inits > 0)
        return;
    bool last;
    {
        std::lock_guard lock(servers().mutex);
        last = --servers().processInits == 0;
    }
    // The process's last user of COM lets go of every server that has no objects left.
    if (last)
        CoFreeUnusedLibraries();
}

LPVOID CoTaskMemAlloc(SIZE_T cb) { return std::malloc(cb ? cb : 1); }

LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb)
{
    if (!pv)
        return CoTaskMemAlloc(cb);
    if (cb == 0) {
        std::free(pv);
        return nullptr;
    }
    return std::realloc(pv, cb);
}

void CoTaskMemFree(LPVOID pv) { std::free(pv); }

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID, REFIID riid, LPVOID* ppv)
{
    if (!ppv)
        return E_INVALIDARG;
    *ppv = nullptr;
    if (t_com.inits == 0)
        return CO_E_NOTINITIALIZED;
    if (!(dwClsContext & CLSCTX_INPROC))
        return REGDB_E_CLASSNOTREG;
    if (rclsid == CLSID_StdComponentCategoriesMgr)
        return plat::com::categoryManagerClassObject(riid, ppv);
    HRESULT builtin;
    if (plat::com::builtinClassObject(rclsid, riid, ppv, builtin))
        return builtin;
    std::string path = plat::com::serverPath(rclsid);
    if (path.empty())
        return REGDB_E_CLASSNOTREG;
    LPFNGETCLASSOBJECT getClassObject;
    HRESULT hr = loadServer(path, getClassObject);
    if (FAILED(hr))
        return hr;
    return getClassObject(rclsid, riid, ppv);
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv)
{
    if (!ppv)
        return E_INVALIDARG;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return hr;
}

void CoFreeUnusedLibraries()
{
    Servers& s = servers();
    std::vector<HMODULE> unload;
    {
        std::lock_guard lock(s.mutex);
        // A server's answer may load another one, so the list is asked from a copy.
        std::vector<Server> asked = s.loaded;
        for (const Server& server : asked)
            if (server.canUnloadNow && server.canUnloadNow() == S_OK)
                unload.push_back(server.module);
        for (HMODULE module : unload)
            for (auto it = s.loaded.begin(); it != s.loaded.end(); ++it)
                if (it->module == module) {
                    s.loaded.erase(it);
                    break;
                }
    }
    for (HMODULE module : unload)
        FreeLibrary(module);
}
