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
#include "vbObjectFace.h"
#include "vbPtr.h"
#include "vbRegKey.h"
#include "vbVantMsgEngine.h"

#include <functional>
#include <optional>
#include <vector>

#include "plat/module.h"

extern VBAPI const IID IID_vbHotPlugType;
// The class id of a plug type's record of one module (vbHotPlugType::Plugin).
extern VBAPI const IID IID_vbHotPlugTypePlugin;

class vbEvent;
class vbHotPlugFactory;
typedef vbRefPtr<IvbObject, &IID_IvbObject> vbHotPlugObjectPtr;
typedef vbRefPtr<IvbHotPlugin, &IID_IvbHotPlugin> vbHotPluginPtr;

// The listener table of a plug type: entries empty themselves when their listener dies.
class vbHotPlugTypeCbObs final : public vbObsPtr<IvbHotPlugTypeCb, &IID_IvbHotPlugTypeCb> {
public:
    using vbObsPtr::vbObsPtr;
};

class VBAPI vbHotPlugType : public vbEngine, public sIvbHotPlugType {
public:
    class Member;
    class Plugin;
    class PlugNotif;
    typedef vbRefPtr<Plugin, &IID_vbHotPlugTypePlugin> PluginPtr;

    // One served object name: the record of the module that serves it, the type's own data
    // for it (onLoadConfigForPluggedObject) and the winning priority.
    struct Object {
        vbString name;
        PluginPtr plugin;
        void* data = nullptr;
        LONG priority = 0;
    };

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

    // Creates the object configured under name (ignoring case) in the module that serves it and
    // hands it, with the module's record, to ptr; false when no module serves the name.
    bool CreatePluggedObject(sIvbPlugPtr* ptr, const vbString& name);
    // The same into obj and plugin (either may be null).
    bool CreatePluggedObject(const vbString& name, vbHotPlugObjectPtr* obj, vbHotPluginPtr* plugin);
    // Whether name is served and its module usable now; with plugin, whether plugin serves it.
    bool CanWorkWith(IvbHotPlugin* plugin, const vbString& name);

    // The listener lock: calls of listeners exclude additions, and the other way round; a wait
    // gives up after 50 turns. Calls need the type started.
    void lockCbCall() const;
    void unlockCbCall() const;
    void lockCbAdd() const;
    void unlockCbAdd() const;

    // Comparisons of the two sorted tables: names ignoring case, ids by their 16 bytes.
    static int findPlugObj(const Object* element, const vbString& name);
    static int findPlugin(const PluginPtr* element, const GUID& id);

protected:
    void onStart() override;
    bool onStop(bool bForce) override;

    // The type's own answers, met with the listeners' where plug-in records collect answers.
    virtual vbPlugUpdateCaps onGetPluginCaps();
    virtual vbPlugUpdateCaps onErrorGetPluginCaps();
    // Reads the whole configuration again and rebuilds the tables.
    virtual void onReloadConfig();
    // Asks the plug-in centre to check the installed modules of the type.
    virtual void onCheckPlugins();
    // A subclass's reading of its own values of an object key; false keeps the name's former
    // module. The unload hook lets such data go.
    virtual bool onLoadConfigForPluggedObject(const GUID& id, const vbString& name, LONG priority, vbRegKey& key,
        void** data);
    virtual void onUnloadConfigForPluggedObject(const GUID& id, const vbString& name, void* data);

    // The first steps of the three object operations: the configuration made current, then the
    // record serving name (ignoring case); false when none. The caller holds the use lock.
    bool servingPlugin(const vbString& name, PluginPtr* out);
    // Reads the configuration on first use after a start; waits a while for a reading another
    // thread is doing.
    void loadConfig();
    // Sets the loaded flag and counts a reading in progress (the type's lock is held); readConfig
    // then runs onReloadConfig and ends the count.
    void beginReading();
    void readConfig();
    void waitForReading();
    struct ReadingWaiter;
    // Checks the modules again when the centre's update count has moved.
    void checkPlugins();
    // The reload asked by any process; ignored while the type is stopped.
    void receiveExternalMsg(vbVantMsgCb& cb, DWORD val1, DWORD val2);
    // The type's own listener at the centre, made on first need.
    void getPlugNotifCb(vbRefPtr<IvbHotPlugCb, &IID_IvbHotPlugCb>* out);

    // Holds cb once, reusing the entry of a dead listener; the add lock and the type's lock are held.
    void addCb(IvbHotPlugTypeCb* cb);
    // Calls the unload hook for every entry of objects; one that throws is traced.
    void unloadObjectConfig(const vbArray<Object>& objects);
    // Tells every live listener under the call lock; one that throws is traced and skipped.
    void tellListeners(const std::function<void(IvbHotPlugTypeCb* cb)>& tell);
    // The largest of first and the listeners' answers (one that throws answers -1 and is traced).
    vbPlugUpdateCaps askListeners(vbPlugUpdateCaps first, const std::function<vbPlugUpdateCaps(IvbHotPlugTypeCb* cb)>& ask);
    // Counts a running reading, load or unload in the centre's in-update count while it lives.
    static void centreInUpdate(bool bRaise);
    struct InUpdateHold {
        InUpdateHold() { centreInUpdate(true); }
        ~InUpdateHold() { centreInUpdate(false); }
        InUpdateHold(const InUpdateHold&) = delete;
        InUpdateHold& operator=(const InUpdateHold&) = delete;
    };

    vbExtraMsg* m_pMsg;
    // Registered while the type runs: the message engine may be gone when the type is.
    std::optional<vbVantMsgCb> m_msgCb;
    const char* m_name;
    const char* m_version;
    mutable CCriticalSection m_sect;
    vbArray<Object> m_objects;
    vbArray<PluginPtr> m_plugins;
    LONG m_seenUpdateCnt = -1;
    bool m_bConfigLoaded = false;
    // Readings in progress, the thread of one of them, and how many readings have ended.
    LONG m_nReading = 0;
    DWORD m_readingThread = 0;
    LONG m_nReadingsEnded = 0;
    // The wake event of each thread waiting for readings to end, registered before it looks at
    // the counts: an end between its look and its wait would otherwise go unseen.
    std::vector<vbEvent*> m_readingWaiters;
    LONG m_liveRecords = 0;
    mutable LONG m_nCbCall = 0;
    mutable LONG m_nCbAdd = 0;
    vbPtrArray<vbHotPlugTypeCbObs> m_callbacks;
    vbRefPtr<PlugNotif, &IID_IvbHotPlugCb> m_notif;
};

// What a plug type's record of a module and its notifier share: the faces handed to modules,
// listeners and the centre, the plug type's names, the relay of the centre's events to the
// type's listeners, and the count of live records.
class VBAPI vbHotPlugType::Member : public vbObject, public IvbHotPlugin, public IvbHotPlugCb, public sIvbHotPlugType {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;

    // --- IvbHotPlugin ---
    const GUID& GetPluginId() override;
    vbString GetPluginLabel() override;
    vbString GetPlugTypeName() override;
    vbString GetPlugTypeVer() override;
    vbString GetPlugTypeLabel() override;
    // Refused once in destruction.
    vbString GetConfigPath() override;
    vbRegKey GetConfigKey() override;

    // --- IvbHotPlugCb: relayed to the type's listeners with this as the plug-in ---
    vbPlugUpdateCaps OnGetPluginCaps(IvbHotPlugger* plugger) override;
    void OnUnloadPluginAsked(IvbHotPlugger* plugger, bool bNotify) override;
    void OnLoadPluginAsked(IvbHotPlugger* plugger, bool bNotify) override;
    void OnProgress(IvbHotPlugger* plugger, ULONG progress, ULONG progressMax, vbPlugStatus status,
        const vbString& text) override;
    vbPlugUpdateCaps OnError(IvbHotPlugger* plugger, bool b, LONG hr, const vbString& text) override;

    // The largest of the type's error answer and the listeners'; 0 once in destruction.
    vbPlugUpdateCaps onError(IvbHotPlugger* plugger, bool b, LONG hr, const vbString& text);
    // The same for a caught exception (null: one of no known kind).
    vbPlugUpdateCaps onError(IvbHotPlugger* plugger, CException* e);

protected:
    // Counted in the type's live records until freed.
    Member(vbHotPlugType* type, const GUID& id, const vbString& label);
    ~Member() override;

    vbHotPlugType* m_pType;
    GUID m_id;
    vbString m_label;
};

// A plug type's record of one plug-in module: loads the module through the plug-in centre, binds
// its entry points, counts the object creations running in it, unloads it when asked or when
// destroyed, and relays the centre's events about it to the type's listeners. Its lock is never
// held across a call into the module, the centre or a listener.
class VBAPI vbHotPlugType::Plugin : public vbHotPlugType::Member {
public:
    typedef void (*LoadEntry)(IvbHotPlugin* plugin);
    typedef bool (*UnloadEntry)(IvbHotPlugin* plugin, bool bForce);
    typedef void (*CreateEntry)(IvbHotPlugin* plugin, const vbString& name, vbHotPlugObjectPtr* out);

    Plugin(vbHotPlugType* type, const GUID& id, const vbString& label);
    ~Plugin() override;

    bool GetInterface(const GUID& iid, void** ppv) override;

    // Destroys the record, which unloads the module.
    void _forceUnload() override;

    // The centre's go-ahead: loads the module and binds its entry points; every failure becomes
    // the stored status, an error to the listeners and a trace line.
    void OnLoadPluginAsked(IvbHotPlugger* plugger, bool bNotify) override;
    // The centre wants the module gone (an update).
    void OnUnloadPluginAsked(IvbHotPlugger* plugger, bool bNotify) override;
    // Keeps the failure of a running load as the status.
    vbPlugUpdateCaps OnError(IvbHotPlugger* plugger, bool b, LONG hr, const vbString& text) override;

    // Makes sure the module is loaded; a refusal or a stored failure throws.
    void loadPlugin();
    // Waits for the running loads and creations, then for the module's consent (50 turns each);
    // bForce lets the module go even when that fails.
    void unloadPlugin(bool bForce);
    // Tells every object made by the module (through its plugged-object pointers) to let it go.
    void unloadPluggedObj();

    // Loads the module and creates name in it; ptr then holds the object.
    void createPluggedObject(sIvbPlugPtr* ptr, const vbString& name);
    // The same into obj and plugin (either may be null).
    void createPluggedObject(const vbString& name, vbHotPlugObjectPtr* obj, vbHotPluginPtr* plugin);
    // Calls the module's create entry, loading the module when needed (four tries at most).
    void createObject(const vbString& name, vbHotPlugObjectPtr* obj);
    // See vbHotPlugType::CanWorkWith.
    bool canWorkWith(IvbHotPlugin* plugin, const vbString& name);

    // Whether the module must be checked again (a failed load).
    bool isToCheck() const;
    // Forgets a failed load and asks the centre to check the module.
    void check();
    bool isLoaded() const;

    // Reload bookkeeping.
    void setUsed() { m_bUsed = true; }
    void resetUsed() { m_bUsed = false; }
    bool isUsed() const { return m_bUsed; }

    // One thread at a time loads or unloads; re-entrant for that thread; 50 turns at most.
    void lockUpdateCall() const;
    void unlockUpdateCall() const;

protected:
    void onBeforeDestruction(bool bExplicit) override;
    void onDestruction(bool bExplicit) override;

    // Throws the "is in destruction..." refusal with context; the record's lock is held.
    void checkNotDestroyed(const char* context, const char* tail = "") const;
    // Throws the refusal of a stored failure, a running load or an asked unload; the lock is held.
    void checkUsable(const char* context) const;
    vbString typeText() const;
    // A load that failed with e (null: an exception of no known kind): kept as the status,
    // reported to the listeners and traced (e deleted).
    void loadFailed(IvbHotPlugger* plugger, CException* e);
    // "HOTPLUG: vbHotPlugType::Plugin({id})" + text at level.
    void traceLoad(int level, const vbString& text) const;

    bool m_bUsed = true;
    vbString m_updateNote;
    HMODULE m_hModule = nullptr;
    bool m_bLoading = false;
    bool m_bUnloading = false;
    bool m_bUnloadAsked = false;
    LONG m_busy = 0;
    HRESULT m_status = 0;
    CreateEntry m_create = nullptr;
    UnloadEntry m_unload = nullptr;
    mutable LONG m_nUpdateCall = 0;
    mutable DWORD m_updateThread = 0;
};

// The plug type's own listener at the plug-in centre: stands for the type as a whole (a null id,
// no label) and relays the centre's events to the type's listeners; it never loads a module.
class VBAPI vbHotPlugType::PlugNotif : public vbHotPlugType::Member {
public:
    explicit PlugNotif(vbHotPlugType* type);
    // Refused: the notifier has no module.
    void _forceUnload() override;
};

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
    bool GetPluginContainer(vbHotPluginPtr* out);
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
