#pragma once

// The plug-in centre: the process-wide registry of plug-in modules. It keeps one record per
// module (vbHotPlugCenter::Plugger), found by one of the module's class ids or by its module path,
// lets that record decide whether the module must be brought up to date before a plug type loads
// it, and keeps the listeners that follow every plug-in.
//
// The centre lock guards every table and counter and is never held while a record or a listener
// is called. Listener calls and listener additions exclude each other through timed counting
// locks. Lock order: the engine's use lock, then a timed lock, then the centre lock.

#include "vbArray.h"
#include "vbEngine.h"
#include "vbHotPlugItf.h"
#include "vbMsg.h"
#include "vbPtr.h"
#include "vbVantMsgEngine.h"

#include <optional>

extern VBAPI const IID IID_vbHotPlugCenter;

// The listener lists of the centre and of its records: entries empty themselves when their
// listener dies.
class vbHotPlugCbObs final : public vbObsPtr<IvbHotPlugCb, &IID_IvbHotPlugCb> {
public:
    using vbObsPtr::vbObsPtr;
};
typedef vbPtrArray<vbHotPlugCbObs> vbHotPlugCbArray;

class VBAPI vbHotPlugCenter : public vbEngine {
public:
    class Plugger;
    typedef vbRefPtr<Plugger, &IID_IvbHotPlugger> PluggerPtr;

    // One class id and the record that serves it.
    struct PlugId {
        GUID clsid;
        PluggerPtr plugger;
    };

    // One installation entry: where the module is downloaded from, the version asked (both words
    // 0xFFFFFFFF when none was given), the plug types it serves and its class ids, the first being
    // the module's own.
    struct VBAPI PlugInfo {
        vbString plugurl;
        DWORD versionLS = 0xFFFFFFFFu;
        DWORD versionMS = 0xFFFFFFFFu;
        vbArray<vbString> plugTypes;
        vbArray<GUID> ids;

        // One "name=value" parameter ("version", "id" or "plugtype"); faults are logged.
        void SetParam(const vbString& name, const vbString& value);
    };

    // Depends on g_vbVantMsgEngine and g_vbHotPlugDataMsg, then on deps.
    vbHotPlugCenter(const char* label, const vbEngineDeps& deps);
    ~vbHotPlugCenter() override;

    using vbEngine::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // Installation strings "url#name=value;..." separated by "|"; answers how many were taken.
    int AddInstall(const char* list);
    // One entry; true when it was taken.
    bool AddInstall(const vbString& plugurl, const vbString& plugparams);
    // Binds the class ids of each record to the record of its module, which then decides on the
    // update; answers how many were taken. Class ids of different records in one entry throw.
    int AddInstall(PlugInfo* infos, int count);

    // Lets every record (of the plug type named, or all for "") decide on an update; vbPlugUpdating
    // when any of them is updating.
    vbPlugRet PlugTypeStart(const vbString& plugTypeName, IvbHotPlugCb* cb);
    // Finds or makes the record of clsid and lets it decide; vbPlugReady: the module may be loaded.
    vbPlugRet LoadPlugin(const GUID& clsid, IvbHotPlugCb* cb);
    // A listener of the module of clsid.
    void AddPluginCb(const GUID& clsid, IvbHotPlugCb* cb);
    // A listener of every module; a listener already registered (same object) is not added again.
    void AddPluginCb(IvbHotPlugCb* cb);
    // Tells every listener of all modules; bLock holds the listener-call lock meanwhile.
    void fireOnLoadPluginAsked(IvbHotPlugger* plugger, bool b, bool bLock);
    void fireOnUnloadPluginAsked(IvbHotPlugger* plugger, bool b, bool bLock);
    // Lets the record of clsid (when there is one) look again at its module path.
    void CheckPluginPath(const GUID& clsid);
    void stopAllPlugDownload();

    // The window offered for download dialogs, when bOffer.
    void SetAppliWindow(bool bOffer, HWND hWnd);
    void GetAppliWindow(bool* pbOffer, HWND* phWnd) const;

    ULONG GetUpdateCnt() const;
    ULONG GetInUpdateCnt() const;
    ULONG GetInUpdateLastTick() const;
    void InUpdateTickForce();
    // Sorts the records again after a module path changed.
    void sortPlugPath();

    // Comparisons of the two sorted tables: paths ignoring case, class ids by their 16 bytes.
    static int sortPlug(const PluggerPtr* a, const PluggerPtr* b);
    static int findPlug(const PluggerPtr* element, const vbString& path);
    static int sortPlugId(const PlugId* a, const PlugId* b);
    static int findPlugId(const PlugId* element, const GUID& clsid);

protected:
    void onStart() override;
    bool onStop(bool bForce) override;

    // The timed locks of the listener list, and their scoped holds.
    class MainCbAddHold;
    class MainCbCallHold;
    void mainLockCbAdd() const;
    void mainUnlockCbAdd() const;
    void mainLockCbCall() const;
    void mainUnlockCbCall() const;
    // The in-update count; the caller holds the centre lock.
    void mainLockInUpdate();
    void mainUnlockInUpdate();

    // The record of clsid, made when none serves it or its module path; the centre lock is held.
    Plugger* getPlugger(const GUID& clsid);
    // The record of a non-empty path (null when none) and the position the path belongs at.
    Plugger* findPlugger(const vbString& path, int* pPos);
    // A new record, inserted at pos of the record list.
    Plugger* newPlugger(const vbString& path, const GUID& clsid, int pos);
    void mainCleanCb();
    void mainAddCb(IvbHotPlugCb* cb);
    void fireAll(bool bLock, void (*tell)(IvbHotPlugCb* cb, IvbHotPlugger* plugger, bool b), IvbHotPlugger* plugger,
        bool b);

    // The id entry of the first of ids the centre knows (null when none); throws when two of them
    // belong to different records, or one belongs to another record than plugger (when given).
    PlugId* findAndCheckId(const vbString& url, const GUID* ids, int count, Plugger* plugger, const char* text);
    // Binds each of ids not yet known to plugger.
    void addId(const GUID* ids, int count, Plugger* plugger);

    // A record queued for another update decision, and when its wait began.
    struct RetryEntry {
        explicit RetryEntry(IvbHotPlugger* plugger) : plugger(plugger) { }
        DWORD tick = 0;
        vbObsPtr<IvbHotPlugger, &IID_IvbHotPlugger> plugger;
    };
    // Queues plugger (once) for another update decision 15 s from now.
    void retryUpdateForPlugger(Plugger* plugger);
    void onRetryTimer(vbVantTimerCb& timer);

    void onReceiveExternalMsg(vbVantDataCb& cb, vbSharedMem* block, DWORD val1, DWORD val2);

    mutable CCriticalSection m_sect;
    vbArray<PluggerPtr> m_pluggers;
    vbArray<PlugId> m_ids;
    ULONG m_updateCnt = 0;
    ULONG m_inUpdateCnt = 0;
    DWORD m_inUpdateTick = 0;
    LONG m_livePluggers = 0;
    // Registered while the centre runs: the message engine may be gone when the centre is.
    std::optional<vbVantDataCb> m_dataCb;
    bool m_bAppliWindow = true;
    HWND m_hAppliWindow = nullptr;
    mutable LONG m_nMainCbCall = 0;
    mutable LONG m_nMainCbAdd = 0;
    vbHotPlugCbArray m_callbacks;
    vbPtrArray<RetryEntry> m_retries;
    LONG m_retryEmptyTicks = 0;
    // Made while the centre runs, so that it never outlives the message engine.
    std::optional<vbVantTimerCb> m_retryTimer;

private:
    friend class Plugger;
    // A plug type's loads and unloads count in the in-update count.
    friend class vbHotPlugType;
};

// The message by which the processes tell each other of plug-in downloads.
extern VBAPI vbExtraDataMsg g_vbHotPlugDataMsg;
extern VBAPI vbHotPlugCenter g_vbHotPlugCenter;
