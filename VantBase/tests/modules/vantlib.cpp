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

AFX_EXTENSION_MODULE g_module = {FALSE, nullptr, nullptr};

// The framework deletes the record when the library lets go of its module.
struct LibraryEntry {
    LibraryEntry()
    {
        HINSTANCE h = ownInstance();
        if (AfxInitExtensionModule(g_module, h))
            new vbVantLib(h, "VantTestLib", "5", g_module);
    }
    ~LibraryEntry() { AfxTermExtensionModule(g_module); }
};

LibraryEntry g_entry;

} // namespace
