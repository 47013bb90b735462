#pragma once

// The download centre: one process-wide engine that runs operations on download objects on a
// pool of worker threads. A request is queued by priority (3, 2, 1, 0 served in that order; 4 and
// 5 the fastest forms of 2 and 3; -1 and -2 wait for a plug-in change); a worker takes it, runs it
// through its download session, retries it when the protocol asks, signals the object's pointers
// and wakes the threads that wait. The objects it served stay in a cache (class, URL and key) so
// that a later request reuses them. Its dialog face tells operations whether a dialog may open.
//
// Locks: the engine's use lock, then the main lock (lists, threads, settings, counters, cache);
// the dialog lock guards the dialog state and the clean time. Neither is held across an
// operation, a wait or a sleep.

#include "vbDnItf.h"
#include "vbEngine.h"
#include "vbHotPlugItf.h"
#include "vbPtr.h"
#include "vbSync.h"
#include "vbThread.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

extern VBAPI const IID IID_vbDnCenter;

class vbDnSession;

class VBAPI vbDnCenter : public vbEngine, public sIvbDnCenter, public sIvbHotPlugCb {
public:
    class Thread;
    struct CacheInfo;

    // Depends on the thread centre, then on deps.
    vbDnCenter(const char* label, const vbEngineDeps& deps);
    ~vbDnCenter() override;

    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // --- requests ---
    // True when the object already holds the result (nothing queued). url null or empty: the
    // object's own URL.
    bool AskOp(IvbDnObject* obj, vbDnOp op, const char* url, vbDnPriority prio, bool pump);
    // The cached object of the pointer's class, URL and key, or a new one made through it.
    bool AskOp(sIvbDnPtr* p, vbDnOp op, vbDnPriority prio, bool pump, bool cacheCheck);
    // Waits until the operation has run: true when it succeeded. A time-out of 0 is 60000 ms.
    bool WaitOp(IvbDnObject* obj, vbDnOp op, int timeOutMs, bool pump);
    // Stops a running operation and drops an asked one (op 0: any); false when none matched.
    bool CancelOp(IvbDnObject* obj, vbDnOp op, bool pump);

    // A load asked through a pointer before anyone uses the engines waits here until the centre
    // starts: true when p was parked.
    bool ParkPtr(sIvbDnPtr* p);
    // A parked pointer that goes away (or changes what it names) leaves the list.
    void UnparkPtr(sIvbDnPtr* p);

    // --- settings (each clamped as its comment says) ---
    void SetThreadMax(LONG n);             // < 0: 4; 0: no maximum
    void SetThreadMin(LONG n);             // < 1: 1
    void SetThreadMaxWithTimeOut(LONG n);  // < 0: 0; 0: no such limit
    void SetThreadTimeOut(LONG ms);        // < 1: 600000
    void SetSessionTimeOut(LONG ms);       // < 1: 300000
    void SetCacheSizeMax(LONG bytes);      // < 8192: 262144
    void SetObjNotUsedTimeOut(LONG ms);    // < 1: 600000
    void SetCacheCleanTimeOut(LONG ms);    // < 1: 60000
    LONG GetThreadMax() const;
    LONG GetThreadMin() const;
    LONG GetThreadMaxWithTimeOut() const;
    LONG GetThreadTimeOut() const;
    LONG GetSessionTimeOut() const;
    LONG GetCacheSizeMax() const;
    LONG GetObjNotUsedTimeOut() const;
    LONG GetCacheCleanTimeOut() const;

    // --- counters ---
    LONG GetThreadLongTaskCount() const;
    LONG GetThreadCount() const;
    LONG GetThreadPeakCount() const;
    LONG GetThreadDoneCount() const;
    LONG GetThreadWaitingCount() const;
    LONG GetOpDoneCount() const;
    // 0 unless started: all lists; the even lists (2, 0, -2); the two lists waiting for plug-ins.
    LONG GetOpWaitingCount() const;
    LONG GetOpWaitingLockedCount() const;
    LONG GetOpWaitingNotReadyCount() const;
    LONG GetCacheSize() const;
    LONG GetCacheSizePeak() const;
    LONG GetCacheSizeDone() const;
    LONG GetCacheObjCount() const;
    LONG GetCacheObjPeakCount() const;
    LONG GetCacheObjDoneCount() const;
    void ResetPerfStats();
    // Pulsed after every operation.
    HANDLE GetEvTaskDone() const;

    // A worker inside a long task does not count against the maximum.
    void LongTaskLock() override;
    void LongTaskUnlock() override;

    // --- cache ---
    // The object's entry refreshed (force: entered, and the engine used meanwhile).
    bool UpdateCacheInfo(IvbDnObject* obj, bool force);
    bool RetrieveFromCache(const GUID& clsid, const vbString& url, int64_t key,
        vbRefPtr<IvbDnObject, &IID_IvbDnObject>* out, bool cacheableOnly);
    // Every entry of the class whose URL matches (empty: all; a negative key: URL prefix).
    int RetrieveFromCache(const GUID& clsid, const char* url, int64_t key,
        vbArray<vbRefPtr<IvbDnObject, &IID_IvbDnObject>, 1, 1>* out, bool cacheableOnly);
    bool RemoveFromCache(IvbDnObject* obj);
    int RemoveFromCache(const GUID& clsid, const char* url, int64_t key, bool cacheableOnly);
    // Dialogs go to ctx when set (not owned); without one the centre counts the locks.
    void SetDlgCtx(sIvbDlgCtx* ctx);

    // --- sIvbDlgCtx ---
    // Without a context a second use lock throws vbEdnRetryLater (1000 ms).
    void dlgUseLock() override;
    void dlgUseUnlock() override;
    void dlgDispLock() override;
    void dlgDispUnlock() override;
    bool IsDlgDispLocked() override;
    bool IsDlgUseLocked() override;
    bool CanShowDlg() override;
    HWND GetDlgParentHwnd() override;
    sIvbDlg* CreateDlg(const GUID& iid, HWND hParent) override;

    // --- sIvbHotPlugCb: a plug-in loaded or failed, so operations waiting for one may run ---
    vbPlugUpdateCaps onGetPluginCaps(vbHotPlugCb* holder, IvbHotPlugger* plugger, vbSectLock& lock) override;
    void onUnloadPluginAsked(vbHotPlugCb* holder, IvbHotPlugger* plugger, bool bAlone, vbSectLock& lock) override;
    void onLoadPluginAsked(vbHotPlugCb* holder, IvbHotPlugger* plugger, bool bAlone, vbSectLock& lock) override;
    vbPlugUpdateCaps onError(vbHotPlugCb* holder, IvbHotPlugger* plugger, bool b, LONG hr, const vbString& text,
        vbSectLock& lock) override;
    void onProgress(vbHotPlugCb* holder, IvbHotPlugger* plugger, ULONG progress, ULONG progressMax,
        vbPlugStatus status, const vbString& text, vbSectLock& lock) override;

    // Drops cached objects by age, size and cacheability, at most once per clean time-out unless
    // forced; true when an entry went. Idle workers run it; so does a queue short of memory.
    bool cacheClean(bool force);

protected:
    void onStart() override;
    bool onStop(bool bForce) override;

private:
    friend class Thread;
    class TaskEntry;
    using TaskList = std::deque<std::unique_ptr<TaskEntry>>;
    using ObjRef = vbRefPtr<IvbDnObject, &IID_IvbDnObject>;
    struct ThreadRec {
        Thread* thread = nullptr;
        bool starting = false;
        bool free = true;
    };

    bool askOp(sIvbDnPtr* p, vbDnOp op, vbDnPriority prio, bool pump, bool cacheCheck);
    // The engine centre's lock is held.
    void unpark(sIvbDnPtr* p);
    // Waits until the object has no operation in work, in steps on the task-done event; more than
    // 30000 ms throws vbEdn "<who> : abort time out".
    void waitNotInWork(IvbDnObject* obj, bool pump, const char* who);
    // An operation ended: wakes every waiter, then pulses the public event.
    void taskDoneSignal();
    // A thread's registration for operation ends, for the life of one wait.
    struct DoneWaiter;

    // --- task lists (main lock held) ---
    enum { kList0 = 0, kList1 = 1, kList2 = 2, kList3 = 3, kListNotReadyOdd = 4, kListNotReadyEven = 5 };
    // The list of a priority; throws vbEdn "bad priority" for one outside -2..5.
    static int listOf(vbDnPriority prio);
    // The priority whose requests a list keeps as they are.
    static vbDnPriority listPriority(int list);
    // A worker could not be made or started: its record goes back; false when no worker is left
    // (the failure then passes to the caller).
    bool creationFailed(size_t idx);
    // A plug-in changed: operations waiting for one may run.
    void plugChanged();
    void taskAdd(IvbDnObject* obj, vbDnPriority prio, vbSectLock& lock);
    void taskRemove(IvbDnObject* obj, bool* pAdd, vbDnPriority prio);
    // Starts a worker when the rules allow; leaves the main lock.
    void taskNew(vbDnPriority prio, vbSectLock& lock);
    int taskRetryNotReady();
    void taskClear();
    void threadClear();
    // The next task of list, if any yields a live object with an asked operation.
    bool taskTake(int list, ObjRef* obj, vbDnOp* op);

    // --- workers ---
    bool threadWaitForNewTask(Thread* th, ObjRef* obj, vbDnPriority* prio, vbDnOp* op);
    void threadRun(Thread* th);
    // One task on the worker's session, and what its end or failure means for the object.
    void threadRunTask(Thread* th, const ObjRef& obj, vbDnPriority prio, vbDnOp op);
    // The failure ends: the error stored unless one is, the operation ended, pointers signalled.
    void failEnd(IvbDnObject* obj, vbDnOp op, CException* e);
    void giveUp(IvbDnObject* obj, vbDnOp op, const vbString& text);
    void endFailed(IvbDnObject* obj, vbDnOp op);
    // Queued again by the parity of prio: at wait (-1, -2) or at 1 or 0.
    void requeue(IvbDnObject* obj, vbDnPriority prio, bool waitPlug, vbSectLock& lock);
    void threadStarted(Thread* th);
    void threadStopped(Thread* th);
    // Lists 3 and 2 are empty (the main lock is held).
    bool fastListsEmpty() const;

    // --- cache (main lock held) ---
    void cacheAdd(IvbDnObject* obj, vbSectLock* lock, bool update);
    bool cacheFind(const GUID& clsid, const vbString& url, int64_t key, ObjRef* out, bool cacheableOnly);
    int cacheFind(const GUID& clsid, const char* url, int64_t key,
        vbArray<vbRefPtr<IvbDnObject, &IID_IvbDnObject>, 1, 1>* out, bool cacheable);
    void cacheClear();
    void cacheSort();
    void cacheTouch(CacheInfo* info);
    void cacheUnlink(CacheInfo* info);
    // The entry leaves its slot and is destroyed (the object asked to go or detached).
    void cacheDestroy(CacheInfo* info);
    void cacheDrop(IvbDnObject* obj);

    mutable CCriticalSection m_sect;
    mutable CCriticalSection m_dlgSect;

    LONG m_threadMax = 4;
    LONG m_threadMin = 1;
    LONG m_threadMaxTimeOut = 0;
    LONG m_threadTimeOut = 600000;
    LONG m_sessionTimeOut = 300000;
    LONG m_threadCnt = 0;
    LONG m_waitingCnt = 0;
    // Waiting workers that queued tasks already count on: each stands for one task only, so that
    // requests made together get workers of their own.
    LONG m_waitingClaimed = 0;
    LONG m_threadPeak = 0;
    LONG m_threadDone = 0;
    LONG m_longTaskCnt = 0;
    LONG m_opDone = 0;
    bool m_bThinToken = true;
    int64_t m_createFailMark = -1;
    LONG m_plugGen = 0;
    LONG m_plugGenSeen = 0;
    vbEvent m_evNewTask{false};
    vbEvent m_evTaskDone{false};
    // Each thread waiting for an operation's end has its own auto-reset event, registered before it
    // looks at the object: a pulse given between its look and its wait would be lost (under m_sect).
    std::vector<vbEvent*> m_doneWaiters;
    TaskList m_lists[6];
    std::vector<ThreadRec> m_threads;
    // Parked pointers have their own leaf lock: a pointer unlinks itself from destructors that may
    // run under the centre's own locks, where taking the engine centre's lock would invert the order.
    CCriticalSection m_parkSect;
    sIvbDnPtr* m_pParked = nullptr;
    std::unique_ptr<vbHotPlugCb> m_plugCb;

    std::vector<CacheInfo*> m_cache;
    std::vector<CacheInfo*> m_sorted;
    bool m_bSorted = false;
    CacheInfo* m_pNewest = nullptr;
    CacheInfo* m_pOldest = nullptr;
    LONG m_cacheSize = 0;
    LONG m_cacheSizePeak = 0;
    LONG m_cacheSizeDone = 0;
    LONG m_cacheObjCnt = 0;
    LONG m_cacheObjPeak = 0;
    LONG m_cacheObjDone = 0;
    LONG m_cacheSizeMax = 0x40000;
    LONG m_objNotUsedTimeOut = 600000;
    LONG m_cleanTimeOut = 60000;
    int64_t m_lastClean = -1;
    sIvbDlgCtx* m_pDlgCtx = nullptr;
    LONG m_dlgUse = 0;
    LONG m_dlgDisp = 0;
};

// One worker of the centre, named "Download Center Thread no <n>", with its session.
class VBAPI vbDnCenter::Thread : public vbThread {
public:
    Thread(vbDnCenter* center, int number);
    ~Thread() override;

    DWORD onRun(sIvbThread* thread) override;
    // A close request: the session is destroyed and the worker woken.
    void onClose(sIvbThread* thread) override;
    void onStart(sIvbThread* thread) override;
    DWORD onStop(sIvbThread* thread, DWORD exitCode) override;
    // The idle hook cleans the cache.
    bool onIdle() override;

    int GetNumber() const { return m_number; }
    vbDnSession* GetSession() const { return m_session.get(); }
    HANDLE GetWakeHandle() const { return m_evWake.GetHandle(); }
    bool IsClosing();

private:
    friend class vbDnCenter;
    CCriticalSection m_sect;
    int m_number;
    vbDnCenter* m_pCenter;
    vbEvent m_evWake;
    int64_t m_lastActivity = -1;
    bool m_bRanTask = false;
    bool m_bCloseAsked = false;
    sIvbThread* m_pRunning = nullptr;
    std::unique_ptr<vbDnSession> m_session;
};

extern VBAPI vbDnCenter g_vbDnCenter;

VBAPI bool vbDnCacheUpdate(IvbDnObject* obj, bool force);
VBAPI bool vbDnCacheRetrieve(const GUID& clsid, const vbString& url, int64_t key,
    vbRefPtr<IvbDnObject, &IID_IvbDnObject>* out, bool cacheableOnly);
VBAPI int vbDnCacheRetrieve(const GUID& clsid, const char* url, int64_t key,
    vbArray<vbRefPtr<IvbDnObject, &IID_IvbDnObject>, 1, 1>* out, bool cacheableOnly);
VBAPI bool vbDnCacheRemove(IvbDnObject* obj);
VBAPI int vbDnCacheRemove(const GUID& clsid, const char* url, int64_t key, bool cacheableOnly);
VBAPI bool vbDnIsDlgUseLocked();
VBAPI bool vbDnIsDlgDispLocked();
