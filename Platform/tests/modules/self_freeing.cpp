// A module that frees itself from its own static destructor, as a plug-in whose end tells its
// host to let it go. The destructor goes on running module code after the free.

#include "plat/api.h"
#include "plat/module.h"

#include <cstdio>

namespace {

HMODULE self()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&self), &module);
    return module;
}

struct FreesItselfAtItsEnd {
    ~FreesItselfAtItsEnd()
    {
        const BOOL freed = FreeLibrary(self());
        std::printf("freed %d, still running\n", freed);
        std::fflush(stdout);
    }
};
FreesItselfAtItsEnd g_end;

} // namespace

extern "C" PLATAPI int vntTestSelfFreeing() { return 5; }
