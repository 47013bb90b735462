#pragma once

// The faces through which the plug-in centre, the plug types, the plug-in modules and their
// listeners talk to each other; the holder `vbHotPlugCb` that lets an engine or a window receive
// plug-in events through plain member calls; and the lookup of a plug-in module from its class id
// in the COM registration.
//
// Every operation not implemented by a class throws the purecall error through its default body.

#include "vbExceptionReport.h"
#include "vbExport.h"
#include "vbObjects.h"
#include "vbPtr.h"
#include "vbRegKey.h"
#include "vbString.h"
#include "vbVersion.h"

#include "plat/unknwn.h"

extern VBAPI const IID IID_IvbHotPlugger;
extern VBAPI const IID IID_IvbHotPlugCb;
extern VBAPI const IID IID_sIvbHotPlugType;
extern VBAPI const IID IID_IvbHotPlugin;
extern VBAPI const IID IID_IvbHotPluggedObject;
extern VBAPI const IID IID_sIvbPlugPtr;
extern VBAPI const IID IID_IvbHotPlugTypeCb;
extern VBAPI const IID IID_sIvbHotPlugCb;
extern VBAPI const IID IID_sIvbHotPlugTypeCb;
// The class id of the callback object a vbHotPlugCb creates.
extern VBAPI const IID IID_vbHotPlugCbObject;

// A listener's answer whether a module may be checked and updated now; of several answers the
// largest wins.
enum vbPlugUpdateCaps : int32_t {
    vbPlugUpdateAllow = 0,
    vbPlugUpdateLater = 1,
    vbPlugUpdateDeny = 2,
};

// The centre's answer to a load: the module may be loaded now, or an update of it is under way.
enum vbPlugRet : int32_t {
    vbPlugReady = 0,
    vbPlugUpdating = 1,
};

// The progress of a module download, numbered as the code download's binding reports it.
enum vbPlugStatus : int32_t {
    vbPlugStatusFindingResource = 1,
    vbPlugStatusConnecting = 2,
    vbPlugStatusRedirecting = 3,
    vbPlugStatusBeginDownloadData = 4,
    vbPlugStatusDownloadingData = 5,
    vbPlugStatusEndDownloadData = 6,
    vbPlugStatusBeginDownloadComponents = 7,
    vbPlugStatusInstallingComponents = 8,
    vbPlugStatusEndDownloadComponents = 9,
};

class IvbHotPlugin;
class sIvbHotPlugType;
class vbHotPlugCb;

typedef vbRefPtr<IClassFactory, &IID_IClassFactory> vbClassFactoryPtr;

// The centre's record of one plug-in module, as listeners see it.
class VBAPI IvbHotPlugger : public IvbObject {
public:
    virtual void AbortDownload();
    virtual bool IsExternalUpdate() const;
    virtual bool IsUpdate() const;
    virtual const GUID& GetClsId() const;
    virtual vbString GetModulePath() const;
    virtual void GetClassFactory(const GUID& clsid, vbClassFactoryPtr* ppFact);
    virtual void CreateInstance(const GUID& clsid, const GUID& iid, void** ppInterf);
    virtual void SetUpdateRetryMax(LONG retryMax);
    virtual LONG GetUpdateRetryMax() const;
    virtual LONG GetUpdateRetryCount() const;

protected:
    IvbHotPlugger() = default;
    ~IvbHotPlugger() = default;
};

// A listener of one plug-in module, or of all of them.
class VBAPI IvbHotPlugCb : public IvbObject {
public:
    virtual vbPlugUpdateCaps OnGetPluginCaps(IvbHotPlugger* plugger);
    virtual void OnUnloadPluginAsked(IvbHotPlugger* plugger, bool bAlone);
    virtual void OnLoadPluginAsked(IvbHotPlugger* plugger, bool bAlone);
    virtual void OnProgress(IvbHotPlugger* plugger, ULONG progress, ULONG progressMax, vbPlugStatus status,
        const vbString& text);
    virtual vbPlugUpdateCaps OnError(IvbHotPlugger* plugger, bool b, LONG hr, const vbString& text);

protected:
    IvbHotPlugCb() = default;
    ~IvbHotPlugCb() = default;
};

// A kind of plug-in, by name and version, with its configuration in the registry.
class VBAPI sIvbHotPlugType : public sIvbBase {
public:
    virtual vbString GetPlugTypeName();
    virtual vbString GetPlugTypeVer();
    virtual vbString GetPlugTypeLabel();
    virtual vbString GetConfigPath();
    virtual vbRegKey GetConfigKey();

protected:
    sIvbHotPlugType() = default;
    ~sIvbHotPlugType() = default;
};

// A plug type's record of one plug-in module: the handle given to the module and to listeners.
class VBAPI IvbHotPlugin : public IvbObject {
public:
    virtual const GUID& GetPluginId();
    virtual vbString GetPluginLabel();
    virtual vbString GetPlugTypeName();
    virtual vbString GetPlugTypeVer();
    virtual vbString GetPlugTypeLabel();
    virtual vbString GetConfigPath();
    virtual vbRegKey GetConfigKey();
    virtual void _forceUnload();

protected:
    IvbHotPlugin() = default;
    ~IvbHotPlugin() = default;
};

// An object made by a plug-in module, told that its module must go so that it lets go of it.
class VBAPI IvbHotPluggedObject : public IvbObject {
public:
    virtual void OnPluginUnloadAsked(IvbHotPlugin* plugin);

protected:
    IvbHotPluggedObject() = default;
    ~IvbHotPluggedObject() = default;
};

// A pointer to an object made by a plug-in module, attached to the record that made it.
class VBAPI sIvbPlugPtr : public sIvbBase {
public:
    virtual void SetPluggedObject(IvbHotPlugin* plugin, IvbObject* obj);
    // Detaches from the record; may hand back an object to be told that its module goes.
    virtual bool ReleasePluggedObject(IvbHotPlugin* plugin, vbRefPtr<IvbHotPluggedObject, &IID_IvbHotPluggedObject>* out);

protected:
    sIvbPlugPtr() = default;
    ~sIvbPlugPtr() = default;
};

// A listener of the plug-in modules of a plug type.
class VBAPI IvbHotPlugTypeCb : public IvbObject {
public:
    virtual vbPlugUpdateCaps OnGetPluginCaps(IvbHotPlugin* plugin, IvbHotPlugger* plugger);
    virtual void OnUnloadPluginAsked(IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool bAlone);
    virtual void OnLoadPluginAsked(IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool bAlone);
    virtual void OnProgress(IvbHotPlugin* plugin, IvbHotPlugger* plugger, ULONG progress, ULONG progressMax,
        vbPlugStatus status, const vbString& text);
    virtual vbPlugUpdateCaps OnError(IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool b, LONG hr,
        const vbString& text);
    virtual void OnReloadConfig(sIvbHotPlugType* plugType);

protected:
    IvbHotPlugTypeCb() = default;
    ~IvbHotPlugTypeCb() = default;
};

// What the owner of a vbHotPlugCb implements to hear plug-in events: the holder that received
// the event, the event's arguments, and the callback object's lock, held during the call.
class VBAPI sIvbHotPlugCb : public sIvbBase {
public:
    virtual vbPlugUpdateCaps onGetPluginCaps(vbHotPlugCb* holder, IvbHotPlugger* plugger, vbSectLock& lock);
    virtual void onUnloadPluginAsked(vbHotPlugCb* holder, IvbHotPlugger* plugger, bool bAlone, vbSectLock& lock);
    virtual void onLoadPluginAsked(vbHotPlugCb* holder, IvbHotPlugger* plugger, bool bAlone, vbSectLock& lock);
    virtual vbPlugUpdateCaps onError(vbHotPlugCb* holder, IvbHotPlugger* plugger, bool b, LONG hr,
        const vbString& text, vbSectLock& lock);
    virtual void onProgress(vbHotPlugCb* holder, IvbHotPlugger* plugger, ULONG progress, ULONG progressMax,
        vbPlugStatus status, const vbString& text, vbSectLock& lock);

protected:
    sIvbHotPlugCb() = default;
    ~sIvbHotPlugCb() = default;
};

// The same for plug-type events.
class VBAPI sIvbHotPlugTypeCb : public sIvbBase {
public:
    virtual vbPlugUpdateCaps onGetPluginCaps(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger,
        vbSectLock& lock);
    virtual void onUnloadPluginAsked(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool bAlone,
        vbSectLock& lock);
    virtual void onLoadPluginAsked(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool bAlone,
        vbSectLock& lock);
    virtual vbPlugUpdateCaps onError(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool b,
        LONG hr, const vbString& text, vbSectLock& lock);
    virtual void onReloadConfig(vbHotPlugCb* holder, sIvbHotPlugType* plugType, vbSectLock& lock);
    virtual void onProgress(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger, ULONG progress,
        ULONG progressMax, vbPlugStatus status, const vbString& text, vbSectLock& lock);

protected:
    sIvbHotPlugTypeCb() = default;
    ~sIvbHotPlugTypeCb() = default;
};

class vbHotPlugCbObject;

// Receives plug-in events for an owner through its handlers. The listener it hands out (through
// either conversion) is a separate reference-counted object, so that a list that still holds it
// after the holder is gone calls nothing. With forwardFirstLoad false, the first load request (or
// configuration reload) is dropped unless another event came first.
class VBAPI vbHotPlugCb : public vbBase, public sIvbHotPlugCb, public sIvbHotPlugTypeCb {
public:
    // Neither handler is owned; either may be null.
    vbHotPlugCb(sIvbHotPlugCb* plugHandler, sIvbHotPlugTypeCb* plugTypeHandler, bool forwardFirstLoad,
        vbPlugUpdateCaps caps);
    ~vbHotPlugCb() override;
    vbHotPlugCb(const vbHotPlugCb&) = delete;
    vbHotPlugCb& operator=(const vbHotPlugCb&) = delete;

    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;

    virtual void Create();
    virtual void Destroy();
    virtual bool HasPlugCb() const;
    virtual bool HasPlugTypeCb() const;

    // The callback object's faces, creating it first (no reference added).
    operator IvbHotPlugCb*();
    operator IvbHotPlugTypeCb*();

    // --- forwarded to the handlers; without one they do nothing and answer 0 ---
    vbPlugUpdateCaps onGetPluginCaps(vbHotPlugCb* holder, IvbHotPlugger* plugger, vbSectLock& lock) override;
    void onUnloadPluginAsked(vbHotPlugCb* holder, IvbHotPlugger* plugger, bool bAlone, vbSectLock& lock) override;
    void onLoadPluginAsked(vbHotPlugCb* holder, IvbHotPlugger* plugger, bool bAlone, vbSectLock& lock) override;
    vbPlugUpdateCaps onError(vbHotPlugCb* holder, IvbHotPlugger* plugger, bool b, LONG hr, const vbString& text,
        vbSectLock& lock) override;
    void onProgress(vbHotPlugCb* holder, IvbHotPlugger* plugger, ULONG progress, ULONG progressMax,
        vbPlugStatus status, const vbString& text, vbSectLock& lock) override;

    vbPlugUpdateCaps onGetPluginCaps(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger,
        vbSectLock& lock) override;
    void onUnloadPluginAsked(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool bAlone,
        vbSectLock& lock) override;
    void onLoadPluginAsked(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool bAlone,
        vbSectLock& lock) override;
    vbPlugUpdateCaps onError(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool b, LONG hr,
        const vbString& text, vbSectLock& lock) override;
    void onReloadConfig(vbHotPlugCb* holder, sIvbHotPlugType* plugType, vbSectLock& lock) override;
    void onProgress(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger, ULONG progress,
        ULONG progressMax, vbPlugStatus status, const vbString& text, vbSectLock& lock) override;

private:
    sIvbHotPlugCb* m_pPlugCb;
    sIvbHotPlugTypeCb* m_pPlugTypeCb;
    vbHotPlugCbObject* m_pObject = nullptr;
    vbPlugUpdateCaps m_caps;
    bool m_bForwardFirstLoad;
};

// --- module lookup ---

// The module path registered for clsid (in-process server first, else local server), "" when none.
VBAPI vbString vbGetModulePath(const GUID& clsid);
// Whether the registered module of clsid may stay for askedVer; a registration whose file is
// missing or older is deleted (and the check repeated once when it was HKEY_CLASSES_ROOT's).
// Callers pass 0 as recursion.
VBAPI bool vbCheckModulePath(const GUID& clsid, const vbVersion& askedVer, int recursion);
// The text shown for a download status; "" for a value outside 1-9.
VBAPI vbString vbLabel(vbPlugStatus status);
