#pragma once

// Plug types and the module side of the plug-in contract.
//
// A plug type (vbHotPlugType) is one kind of plug-in, named with a version ("Picture", "5"): an
// on-demand engine with its configuration key, its plug-in records and the listeners told of
// every plug-in event of the type. A plug-in module of a type T exports three functions,
// "qv" T "PluginLoad" (optional), "qv" T "PluginUnload" and "qv" T "PluginCreateObject"; a module
// serves them through one static vbHotPlugFactory (VB_HOTPLUG_EXPORTS writes the three).

#include "vbEngine.h"
#include "vbHotPlug.h"
#include "vbHotPlugItf.h"
#include "vbMsg.h"
#include "vbPtr.h"
#include "vbRegKey.h"

extern VBAPI const IID IID_vbHotPlugType;

// The listener table of a plug type: entries empty themselves when their listener dies.
class vbHotPlugTypeCbObs final : public vbObsPtr<IvbHotPlugTypeCb, &IID_IvbHotPlugTypeCb> {
public:
    using vbObsPtr::vbObsPtr;
};

class VBAPI vbHotPlugType : public vbEngine, public sIvbHotPlugType {
public:
    // name and version are kept, not copied (pass constants); msg is the type's own message, by
    // which every process is asked to read the configuration again. Depends on g_vbHotPlugCenter
    // and msg, then on deps (at most 16 in all).
    vbHotPlugType(const char* name, const char* version, const char* label, vbExtraMsg* msg, const vbEngineDeps& deps);
    ~vbHotPlugType() override;

    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;

    vbString GetPlugTypeName() override;
    vbString GetPlugTypeVer() override;
    vbString GetPlugTypeLabel() override;
    // name + " plugins." + version.
    vbString GetConfigPath() override;
    // GetConfigPath() under the machine configuration.
    vbRegKey GetConfigKey() override;

    // Asks every process (this one too) to read the configuration again; the type must be ready.
    void AskConfigUpdate() const;
    // A listener of every plug-in event of the type, held once; starts the type when needed.
    void AddPlugTypeCb(IvbHotPlugTypeCb* cb);

    // The listener lock: calls of listeners exclude additions, and the other way round; a wait
    // gives up after 50 turns. Calls need the type started.
    void lockCbCall() const;
    void unlockCbCall() const;
    void lockCbAdd() const;
    void unlockCbAdd() const;

protected:
    void onStart() override;
    bool onStop(bool bForce) override;

    // The type's own answers, met with the listeners' where plug-in records collect answers.
    virtual vbPlugUpdateCaps onGetPluginCaps();
    virtual vbPlugUpdateCaps onErrorGetPluginCaps();

    // Holds cb once, reusing the entry of a dead listener; the add lock and the type's lock are held.
    void addCb(IvbHotPlugTypeCb* cb);

    vbExtraMsg* m_pMsg;
    const char* m_name;
    const char* m_version;
    mutable CCriticalSection m_sect;
    LONG m_seenUpdateCnt = -1;
    bool m_bConfigLoaded = false;
    LONG m_liveRecords = 0;
    mutable LONG m_nCbCall = 0;
    mutable LONG m_nCbAdd = 0;
    vbPtrArray<vbHotPlugTypeCbObs> m_callbacks;
};

class vbHotPlugFactory;
typedef vbRefPtr<IvbObject, &IID_IvbObject> vbHotPlugObjectPtr;

// One object a module serves: its name in the configuration, the function that makes it, its
// priority and a value handed to that function. A list ends with a null name.
struct vbHotPlugFactoryList {
    const char* name;
    void (*create)(vbHotPlugFactory* factory, IvbHotPlugin* plugin, const char* name, LONG value,
        vbHotPlugObjectPtr* out);
    LONG priority;
    LONG value;
};

// The module side of the contract, one static object per module: registers the module's objects
// in the plug type's configuration, answers the host's load, unload and create calls, counts
// the objects alive and refuses to unload while any lives or before the unload delay has passed
// since the last one went.
class VBAPI vbHotPlugFactory {
public:
    // clsid and list are kept, not copied; name (may be null) is the module's description.
    vbHotPlugFactory(vbHotPlugType* plugType, const GUID& clsid, const char* name, const vbHotPlugFactoryList* list,
        DWORD unloadDelayMs);
    // The module's exit: the host's record lets the module go (when the host's centre still lives).
    virtual ~vbHotPlugFactory();
    vbHotPlugFactory(const vbHotPlugFactory&) = delete;
    vbHotPlugFactory& operator=(const vbHotPlugFactory&) = delete;

    // The module's class key in the plug type's configuration, with one key and "priority" per
    // object; then every process reads the configuration again.
    void Register();
    void Unregister();

    void Load(IvbHotPlugin* plugin);
    // True when the module may go now; any call refuses new objects until the next Load.
    bool Unload(IvbHotPlugin* plugin);
    // The object of name (ignoring case) made by its create function.
    void CreateObject(IvbHotPlugin* plugin, const vbString& name, vbHotPlugObjectPtr* out);

    // The objects of the module count themselves while they live.
    void IncObjCnt();
    void DecObjCnt();

    // Asks the host's record of the module to drop it, whatever the objects alive; false when
    // the factory is bound to none.
    bool ForceUnload();
    bool GetPluginContainer(vbRefPtr<IvbHotPlugin, &IID_IvbHotPlugin>* out);
    bool isUnloadAsked() const;

protected:
    virtual void onLoad(IvbHotPlugin* plugin);
    virtual void onUnload(IvbHotPlugin* plugin);

private:
    vbHotPlugType* m_pPlugType;
    const GUID& m_clsid;
    const char* m_name;
    const vbHotPlugFactoryList* m_list;
    mutable CCriticalSection m_sect;
    bool m_bUnloadAsked = false;
    LONG m_objCnt = 0;
    DWORD m_idleTick;
    DWORD m_unloadDelay;
    IvbHotPlugin* m_pPlugin = nullptr;
    vbObsPtrExt<IvbHotPlugin, &IID_IvbHotPlugin> m_container;
};

// The three entry points of a module of the plug type named T, served by its static factory.
#define VB_HOTPLUG_EXPORTS(T, factory)                                                                      \
    extern "C" __attribute__((visibility("default"))) void qv##T##PluginLoad(IvbHotPlugin* plugin)          \
    {                                                                                                       \
        (factory).Load(plugin);                                                                             \
    }                                                                                                       \
    extern "C" __attribute__((visibility("default"))) bool qv##T##PluginUnload(IvbHotPlugin* plugin, bool) \
    {                                                                                                       \
        return (factory).Unload(plugin);                                                                    \
    }                                                                                                       \
    extern "C" __attribute__((visibility("default"))) void qv##T##PluginCreateObject(IvbHotPlugin* plugin,  \
        const vbString& name, vbHotPlugObjectPtr* out)                                                      \
    {                                                                                                       \
        (factory).CreateObject(plugin, name, out);                                                          \
    }

// The registration entry points of a module: a caught exception becomes its HRESULT.
#define VB_HOTPLUG_REGISTRATION(factory)                                                                    \
    extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer()                          \
    {                                                                                                       \
        return vbHotPlugRegisterCall(&vbHotPlugFactory::Register, &(factory));                             \
    }                                                                                                       \
    extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer()                        \
    {                                                                                                       \
        return vbHotPlugRegisterCall(&vbHotPlugFactory::Unregister, &(factory));                           \
    }

// Runs a registration step of factory; S_OK, the HRESULT of the framework exception it threw, or
// E_POINTER (0x80004003) for any other exception.
VBAPI HRESULT vbHotPlugRegisterCall(void (vbHotPlugFactory::*step)(), vbHotPlugFactory* factory);
