// A library of the system in miniature: it registers its library record when it is loaded and
// removes it when it is unloaded.

#include "vbVantLib.h"

#include "plat/module.h"

namespace {

HINSTANCE ownInstance()
{
    static const char anchor = 0;
    HMODULE h = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, &anchor, &h);
    return h;
}

struct LibraryRecord {
    LibraryRecord() : lib(new vbVantLib(ownInstance(), "VantTestLib", "5")) { }
    ~LibraryRecord() { delete lib; }
    vbVantLib* lib;
};

LibraryRecord g_record;

} // namespace
