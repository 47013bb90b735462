// A plug-in module of the test plug type, built four ways (VB_TESTMOD_VARIANT): 1 complete, 2
// without its load entry, 3 without its create entry, 4 with an unload entry that always refuses.
// It serves "obj", and "wait", whose creation signals the event "vbtest.hotplug.entered.<pid>"
// and then waits for "vbtest.hotplug.leave.<pid>".

#include "vbHotPlugTestType.h"

#include "vbRegKey.h"
#include "vbVariant.h"

#include "plat/handles.h"
#include "plat/module.h"
#include "plat/sync.h"
#include "plat/process_ids.h"

#include <string>

#define VB_TESTMOD_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

vbtest::HotPlugTestType g_type;
const GUID g_id = vbtest::hotPlugModuleId(VB_TESTMOD_VARIANT);
void makeObject(vbHotPlugFactory*, IvbHotPlugin*, const char* name, LONG, vbHotPlugObjectPtr* out);

const vbHotPlugFactoryList g_objects[] = {
    {"obj", makeObject, 10, 0},
    {"wait", makeObject, 10, 1},
    {nullptr, nullptr, 0, 0},
};
vbHotPlugFactory g_factory(&g_type, g_id, "Test module", g_objects, 0);

// Counts itself in the factory while it lives.
class TestObject : public vbObject {
public:
    TestObject() { g_factory.IncObjCnt(); }
    ~TestObject() override { g_factory.DecObjCnt(); }
};

void waitForLeave()
{
    const std::string pid = std::to_string(GetCurrentProcessId());
    HANDLE entered = CreateEventA(nullptr, TRUE, FALSE, ("vbtest.hotplug.entered." + pid).c_str());
    HANDLE leave = CreateEventA(nullptr, TRUE, FALSE, ("vbtest.hotplug.leave." + pid).c_str());
    SetEvent(entered);
    WaitForSingleObject(leave, 10000);
    CloseHandle(leave);
    CloseHandle(entered);
}

void makeObject(vbHotPlugFactory*, IvbHotPlugin*, const char*, LONG value, vbHotPlugObjectPtr* out)
{
    if (value == 1)
        waitForLeave();
    auto* object = new TestObject;
    object->Create();
    *out = object;
    object->Release();
}

} // namespace

#if VB_TESTMOD_VARIANT != 2
VB_TESTMOD_EXPORT void qvTestPluginLoad(IvbHotPlugin* plugin) { g_factory.Load(plugin); }
#endif

#if VB_TESTMOD_VARIANT == 4
VB_TESTMOD_EXPORT bool qvTestPluginUnload(IvbHotPlugin*, bool) { return false; }
#else
VB_TESTMOD_EXPORT bool qvTestPluginUnload(IvbHotPlugin* plugin, bool) { return g_factory.Unload(plugin); }
#endif

#if VB_TESTMOD_VARIANT != 3
VB_TESTMOD_EXPORT void qvTestPluginCreateObject(IvbHotPlugin* plugin, const vbString& name, vbHotPlugObjectPtr* out)
{
    g_factory.CreateObject(plugin, name, out);
}
#endif

// Registers the module file as its class's server, then its objects in the configuration.
VB_TESTMOD_EXPORT HRESULT DllRegisterServer()
{
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&g_factory), &self);
    char path[1024] = {};
    GetModuleFileNameA(self, path, sizeof path);
    vbRegKey(vbRegClassesRoot, "CLSID\\" + vbString(g_id, true) + "\\InprocServer32").SetDefaultValue(vbVariant(path));
    return vbHotPlugRegisterCall(&vbHotPlugFactory::Register, &g_factory);
}
