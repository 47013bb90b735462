// vntregsvr [-u] <module>: registers an in-process server module (or unregisters it with -u) by
// loading it and calling its DllRegisterServer (DllUnregisterServer). Exits 0 when the module
// answers S_OK; otherwise says what went wrong and exits 1.

#include "plat/com.h"
#include "plat/module.h"

#include <cstdio>
#include <cstring>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: vntregsvr [-u] <module>\n");
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    bool unregister = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0)
            unregister = true;
        else if (!path)
            path = argv[i];
        else
            return usage();
    }
    if (!path)
        return usage();

    HMODULE module = LoadLibraryA(path);
    if (!module) {
        std::fprintf(stderr, "vntregsvr: cannot load %s\n", path);
        return 1;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto call = reinterpret_cast<LPFNREGISTERSERVER>(GetProcAddress(module, entry));
    HRESULT hr = call ? call() : E_FAIL;
    if (!call)
        std::fprintf(stderr, "vntregsvr: %s has no %s\n", path, entry);
    else if (hr != S_OK)
        std::fprintf(stderr, "vntregsvr: %s of %s failed: 0x%08X\n", entry, path, static_cast<unsigned>(hr));
    FreeLibrary(module);
    return hr == S_OK ? 0 : 1;
}
