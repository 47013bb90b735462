// The standard picture plug-in module: its factory of plug objects, the control's class factory
// and the module's start and end, in the order they are built (and the reverse of the order they
// go at unload); then the entry points of the plug-in centre and of COM.

#include "CVantPicStdCtrl.h"
#include "jpegPlug.h"

#include "picCompressPlugType.h"

#include "vbActiveX.h"
#include "vbRegKey.h"
#include "vbVantLib.h"

#include "plat/com.h"
#include "plat/module.h"

namespace {

const vbHotPlugFactoryList kServedObjects[] = {
    {"default", jpegPlug::CreateObject, 50, 0},
    {"jpg.jpeg", jpegPlug::CreateObject, 3, 0},
    {nullptr, nullptr, 0, 0},
};

} // namespace

vbHotPlugFactory g_jpegPlugFactory(
    &g_picCompressPlugType, CLSID_VantPicStd, "Kvx Standard pictures for VantPict", kServedObjects, 300);

namespace {

CVantPicStdCtrlFactory g_controlFactory;

// Built last and so gone first: the module's end lets the plug-in centre's record go while the
// factory still lives.
class ModuleEntry {
public:
    ModuleEntry() { ++vbVantLib::s_cChg; }
    ~ModuleEntry()
    {
        g_jpegPlugFactory.ForceUnload();
        ++vbVantLib::s_cChg;
    }
    ModuleEntry(const ModuleEntry&) = delete;
    ModuleEntry& operator=(const ModuleEntry&) = delete;
};
ModuleEntry g_moduleEntry;

constexpr HRESULT kTypeLibFailed = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT kClassFailed = static_cast<HRESULT>(0x80040201u);
constexpr const char* kProgID = "VANTPICSTD.Plugin.5";

vbString typeLibPath() { return "TypeLib\\" + vbString(LIBID_VANTPICSTDLib, true); }

vbString classPath() { return "CLSID\\" + vbString(CLSID_VantPicStd, true); }

HINSTANCE thisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&g_moduleEntry), &module);
    return module;
}

// No type-library file exists here: the library is registered by its key alone, so that the
// control class's TypeLib entry names a registered library.
bool registerTypeLib()
{
    vbRegKey(vbRegClassesRoot, typeLibPath() + "\\5.0").SetDefaultValue(vbVariant("VANTPICSTDLib"));
    return true;
}

bool unregisterTypeLib()
{
    vbRegKey library(vbRegClassesRoot, typeLibPath());
    library.DeleteKey("5.0", true, false);
    if (library.Exists() && !vbRegEnumKey(library).Next())
        library.DeleteKey(false, false);
    return true;
}

bool registerControlClass()
{
    return vbOleRegisterControlClass(thisModule(), CLSID_VantPicStd, kProgID, 1, 1, 2, 0x20491, LIBID_VANTPICSTDLib, 5, 0)
        != 0;
}

bool unregisterControlClass()
{
    vbRegKey(vbRegClassesRoot, classPath()).DeleteKey(true, false);
    vbRegKey(vbRegClassesRoot, kProgID).DeleteKey(true, false);
    return true;
}

// One COM-side step of the registration; every failure of it answers failed.
HRESULT runStep(bool (*step)(), HRESULT failed)
{
    try {
        if (step())
            return S_OK;
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    return failed;
}

// The COM-side steps, then the plug-in's configuration step.
HRESULT runSteps(bool (*typeLib)(), bool (*controlClass)(), void (vbHotPlugFactory::*configuration)())
{
    HRESULT hr = runStep(typeLib, kTypeLibFailed);
    if (hr == S_OK)
        hr = runStep(controlClass, kClassFailed);
    return hr == S_OK ? vbHotPlugRegisterCall(configuration, &g_jpegPlugFactory) : hr;
}

} // namespace

VB_HOTPLUG_EXPORTS(Picture, g_jpegPlugFactory)

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer()
{
    return runSteps(registerTypeLib, registerControlClass, &vbHotPlugFactory::Register);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer()
{
    return runSteps(unregisterTypeLib, unregisterControlClass, &vbHotPlugFactory::Unregister);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (!ppv)
        return E_POINTER;
    if (rclsid != CLSID_VantPicStd) {
        *ppv = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return g_controlFactory.QueryInterface(riid, ppv);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow()
{
    return CVantPicStdCtrl::CanUnloadNow() ? S_OK : S_FALSE;
}
