#pragma once

// The centre's record of one plug-in module: its module path and class id, the listeners of the
// module, the update state, and the timed locks that keep callback calls, callback additions and
// updates apart. Every field but the lock counters is guarded by the centre lock.

#include "vbHotPlug.h"
#include "vbObjectFace.h"

#include "hotplug/vbHotPlugCbList.h"
#include "hotplug/vbHotPlugMsg.h"
#include "hotplug/vbHotPlugWait.h"

#include "vbMfcModuleState.h"
#include "vbSharedMem.h"

#include <condition_variable>
#include <functional>
#include <mutex>

#include "plat/urlmon.h"

class vbHotPlugCenter::Plugger : public vbObject, public IvbHotPlugger, public IBindStatusCallback,
                                 public IWindowForBindingUI {
public:
    // Where a version of the module comes from, and which version it is.
    struct PlugSource {
        vbString plugurl;
        DWORD versionLS = 0;
        DWORD versionMS = 0;

        // The four parts joined by ",".
        vbString versionText() const;
    };

    // Counted in the centre's live records until destroyed.
    Plugger(vbHotPlugCenter* centre, const vbString& modulePath, const GUID& clsid);
    ~Plugger() override;

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;

    // The update decision, which also serves a load: 1 (vbPlugUpdating) while an update runs or
    // is due, else 0. cb (may be null) is registered and told alone whether to load; mode 1 when
    // a host wants the module now.
    int UpdateIfAsked(IvbHotPlugCb* cb, int mode);
    // Accepts an installation request whose version is not below the one pending (or installed,
    // when none is pending); true when accepted.
    bool AskedInfo(const PlugInfo* request);
    // Counts a retry and queues the record with the centre; throws past the retry limit.
    void UpdateRetryLater();
    // Registers cb and tells it at once whether the module may be used.
    void AddPluginCb(IvbHotPlugCb* cb);
    // Reacts to a module path changed by another party: every listener unloads the module, the
    // record takes the new path, every listener loads it again.
    void CheckPluginPath();
    // Whether the last accepted installation request named the plug type (ignoring case).
    bool HasPlugType(const vbString& plugType);

    // --- IvbHotPlugger ---
    void AbortDownload() override;
    bool IsExternalUpdate() const override;
    bool IsUpdate() const override;
    const GUID& GetClsId() const override;
    vbString GetModulePath() const override;
    void GetClassFactory(const GUID& clsid, vbClassFactoryPtr* ppFact) override;
    void CreateInstance(const GUID& clsid, const GUID& iid, void** ppInterf) override;
    void SetUpdateRetryMax(LONG retryMax) override;
    LONG GetUpdateRetryMax() const override;
    LONG GetUpdateRetryCount() const override;

    // --- IBindStatusCallback: the reports of the record's own download ---
    HRESULT OnStartBinding(DWORD dwReserved, IBinding* pib) override;
    HRESULT GetPriority(LONG* pnPriority) override;
    HRESULT OnLowResource(DWORD reserved) override;
    HRESULT OnProgress(ULONG ulProgress, ULONG ulProgressMax, ULONG ulStatusCode, LPCWSTR szStatusText) override;
    HRESULT OnStopBinding(HRESULT hresult, LPCWSTR szError) override;
    HRESULT GetBindInfo(DWORD* grfBINDF, BINDINFO* pbindinfo) override;
    HRESULT OnDataAvailable(DWORD grfBSCF, DWORD dwSize, FORMATETC* pformatetc, STGMEDIUM* pstgmed) override;
    HRESULT OnObjectAvailable(REFIID riid, IUnknown* punk) override;

    // --- IWindowForBindingUI: the centre's application window ---
    HRESULT GetWindow(REFGUID rguidReason, HWND* phwnd) override;

    // --- the hot-plug data message: each signal tells every other process of this process's
    // download of the module ---
    // The block of msg, handed to out; mapped in keep (when given), whose header address is answered.
    static unsigned char* allocExternalMsg(vbSharedMemPtr* out, vbMemLock* keep, const vbHotPlugMsg& msg);
    static void signalStartDownloadToExternalPlugCb(const GUID& clsid, const vbString& path, ULONG highVer,
        ULONG lowVer);
    static void signalEndDownloadToExternalPlugCb(const GUID& clsid, const vbString& path, ULONG highVer,
        ULONG lowVer);
    static void signalErrorToExternalPlugCb(const GUID& clsid, const vbString& path, LONG hr, const vbString& error);
    static void signalProgressToExternalPlugCb(const GUID& clsid, const vbString& path, int status,
        const vbString& text, ULONG progress, ULONG progressMax);

    // What another process tells of its download of the module (the receiver's handlers).
    void ReceiveExternalStartDownload(ULONG highVer, ULONG lowVer);
    void ReceiveExternalEndDownload(ULONG highVer, ULONG lowVer);
    void ReceiveExternalError(LONG hr, const vbString& msg);
    void ReceiveExternalProgress(int status, const vbString& msg, ULONG progress, ULONG progressMax);

    // --- the timed locks; each unlock undoes its lock ---
    // Calls of the callbacks: waits while callbacks of the record or the centre's listeners are
    // being added.
    void lockCbCall() const;
    void unlockCbCall() const;
    // Additions or removals of callbacks: waits while callbacks are being called.
    void lockCbAdd() const;
    void unlockCbAdd() const;
    // The update: one thread at a time, re-entrant for it.
    void lockUpdateCall() const;
    void unlockUpdateCall() const;

    typedef vbHotPlugHold<Plugger, &Plugger::lockCbCall, &Plugger::unlockCbCall> CbCallHold;
    typedef vbHotPlugHold<Plugger, &Plugger::lockCbAdd, &Plugger::unlockCbAdd> CbAddHold;
    typedef vbHotPlugHold<Plugger, &Plugger::lockUpdateCall, &Plugger::unlockUpdateCall> UpdateCallHold;

protected:
    friend class vbHotPlugCenter;

    void onBeforeDestruction(bool bExplicit) override;

    // The frame of every member urlmon calls: the record's module state, and an HRESULT for
    // whatever f throws.
    HRESULT bindFrame(const std::function<HRESULT()>& f);
    // Aborts the binding outside the lock (held on entry, released); throws what Abort() fails with.
    void abortBinding(vbSectLock& lock);
    // The greatest OnError answer of the callbacks.
    int askErrors(bool bRetry, HRESULT hr, const vbString& text);

    // The handlers' opening, the centre lock held: true with no update in progress (the caller's own
    // opening case), false during another process's update; throws during this process's own.
    bool openExternal(const char* member);
    // The end of another process's update: tell runs on the callbacks, then the record is idle
    // again; a request of this process still pending is decided on.
    void endExternalUpdate(const char* member, const std::function<void(IvbHotPlugCb* cb, IvbHotPlugger* plugger)>& tell);
    // Posts msg to every other process and logs the count reached after "HOTPLUG: " + head.
    static void postExternalMsg(const vbHotPlugMsg& msg, const vbString& head, const vbString& tail);

    // Throws the "destroyed plug" vbEuser of member once destruction has begun.
    void checkDestroyed(const char* member) const;
    // Counts the record in the centre's in-update count while it is neither idle nor destroyed;
    // the centre lock is held.
    void updateBusyState();
    // Tells cb alone to load the module; the centre lock (held on entry) is released first.
    int tellLoadAlone(IvbHotPlugCb* cb, vbSectLock& lock);
    // Tells every callback of the record, then every listener of the centre, holding lockCbCall;
    // an exception of one is traced and the next is told. A record destroyed meanwhile stops the
    // walk with member's "destroyed plug" error.
    void tellAll(const char* member, const std::function<void(IvbHotPlugCb* cb, IvbHotPlugger* plugger)>& tell);
    // The greatest answer of cb (when given) and of all callbacks to the update question.
    int pollCaps(IvbHotPlugCb* cb);
    // The update must wait: cb (when given) is told to unload and a retry is queued.
    int retryLater(IvbHotPlugCb* cb, CbAddHold& add);
    // Starts the code download of the request; the centre lock (and add, when cb is given) is
    // held on entry.
    int startDownload(IvbHotPlugCb* cb, int mode, CbAddHold& add, vbSectLock& lock);
    // The download's first report waits here until the thread that started it has registered its
    // listener and told the hosts to let go of the module (a report on that thread itself does not).
    void waitStartAnnounced();
    // The download found the installed module current; the centre lock is held on entry.
    int downloadCurrent(IvbHotPlugCb* cb, int mode, IClassFactory* pFactory, CbAddHold& add, vbSectLock& lock);
    // A download that could not start: back to the pending request, then throws vbEsys hr text.
    [[noreturn]] void startFailed(HRESULT hr, const char* text);
    // "vbHotPlugCenter::Plugger::member(clsid, path)"; the centre lock is held.
    vbString traceName(const char* member) const;
    // " : asked version: ..., plugurl: ..." of the pending request; the centre lock is held.
    vbString askedText() const;
    CCriticalSection* centreLock() const { return &m_centre->m_sect; }

    vbHotPlugCenter* m_centre;
    vbString m_modulePath;
    GUID m_clsid;
    vbArray<vbString> m_plugTypes;
    PlugSource m_current;
    PlugSource m_loading;
    PlugSource m_asked;
    LONG m_retryCount = 0;
    LONG m_retryMax = 0;
    bool m_bChecked = true;
    bool m_bInUpdate = false;
    bool m_bExternalUpdate = false;
    bool m_bAbortAsked = false;
    bool m_bObjAvailOk = false;
    vbClassFactoryPtr m_pFactory;
    vbRefPtr<IBinding, &IID_IBinding> m_pBind;
    DWORD m_lastStatus = 0xFFFFFFFFu;
    vbHotPlugCbArray m_callbacks;
    bool m_bDestroyed = false;
    bool m_bBusyCounted = false;
    mutable LONG m_nCbCall = 0;
    mutable LONG m_nCbAdd = 0;
    mutable LONG m_nUpdateCall = 0;
    mutable DWORD m_updateThread = 0;
    // The thread announcing a download it started, 0 once none is; not under the centre lock,
    // since the announcing thread calls out.
    std::mutex m_startMutex;
    std::condition_variable m_startAnnounced;
    DWORD m_startingThread = 0;
    // Each call of the code download runs under it.
    vbMfcModuleState m_moduleState{TRUE, nullptr, 0x600, TRUE};
};
