// The download centre as an engine: its faces, its start and stop, the requests (ask, wait,
// cancel), the parked pointers, the settings and the counters. Task lists and workers are in
// vbDnCenterTasks.cpp and vbDnCenterThread.cpp, the cache and the dialog state in
// vbDnCenterCache.cpp.

#include "vbDnCenter.h"

#include "download/vbDnCenterParts.h"
#include "vbDnPlugin.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbLog.h"
#include "vbHotPlug.h"
#include "vbThread.h"

#include "plat/time.h"

const IID IID_vbDnCenter = {0x74C1C7F0, 0xEE3E, 0x4695, {0xAA, 0xA4, 0x24, 0x08, 0xDE, 0x70, 0x06, 0xDA}};

namespace {

vbEngineDeps centerDeps(const vbEngineDeps& deps)
{
    vbEngine* const first[] = {&g_vbThreadCenter};
    vbEngineDeps all;
    all.Init(first, 1);
    all.Add(deps.GetItems(), deps.GetSize());
    return all;
}

} // namespace

vbDnCenter::vbDnCenter(const char* label, const vbEngineDeps& deps)
    : vbEngine(vbEngineStartOnDemand, label, centerDeps(deps))
{
}

vbDnCenter::~vbDnCenter()
{
    Destroy();
    // A forced stop may leave workers running: they end here, before the centre's memory goes.
    for (ThreadRec& rec : m_threads) {
        if (!rec.thread)
            continue;
        try {
            rec.thread->Destroy();
        } catch (...) {
            vbImpl::reportCurrent(false, __FILE__, __LINE__);
        }
        delete rec.thread;
        rec.thread = nullptr;
    }
    cacheClear();
}

bool vbDnCenter::GetInterface(const GUID& iid, const void** ppv) const
{
    return const_cast<vbDnCenter*>(this)->GetInterface(iid, const_cast<void**>(ppv));
}

bool vbDnCenter::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_sIvbDnCenter) {
        *ppv = static_cast<sIvbDnCenter*>(this);
        return true;
    }
    if (iid == IID_sIvbDlgCtx) {
        *ppv = static_cast<sIvbDlgCtx*>(this);
        return true;
    }
    if (iid == IID_vbDnCenter) {
        *ppv = this;
        return true;
    }
    return vbEngine::GetInterface(iid, ppv);
}

// --- start and stop ---

void vbDnCenter::onStart()
{
    if (m_evNewTask.IsEmpty())
        m_evNewTask.Create(nullptr, nullptr, vbEventAutoReset);
    if (m_evTaskDone.IsEmpty())
        m_evTaskDone.Create(nullptr, nullptr, vbEventManualReset);
    if (!m_plugCb)
        m_plugCb = std::make_unique<vbHotPlugCb>(static_cast<sIvbHotPlugCb*>(this), nullptr, false, vbPlugUpdateCaps(0));
    g_vbHotPlugCenter.AddPluginCb(static_cast<IvbHotPlugCb*>(*m_plugCb));
    sIvbDnPtr* parked = nullptr;
    {
        vbSectLock lock(&m_sect);
        m_bThinToken = true;
    }
    {
        vbSectLock lock(&m_parkSect);
        parked = m_pParked;
        m_pParked = nullptr;
    }
    // Each parked request on its own: one that fails is traced and the others still run.
    while (parked) {
        sIvbDnPtr* p = parked;
        parked = p->GetParkedNext();
        try {
            askOp(p, vbDnLoad, vbDnPriority3, false, true);
        } catch (CException* e) {
            vbTraceException(e, true, __FILE__, __LINE__);
        } catch (...) {
            vbImpl::reportCurrent(false, __FILE__, __LINE__);
        }
    }
    vbSectLock lock(&m_sect);
    m_bSorted = false;
}

bool vbDnCenter::onStop(bool bForce)
{
    taskClear();
    threadClear();
    vbSectLock lock(&m_sect);
    if (!bForce && m_threadCnt > 0)
        return false;
    lock.Unlock();
    if (m_plugCb)
        m_plugCb->Destroy();
    lock.Lock(&m_sect);
    m_evNewTask.Destroy();
    m_evTaskDone.Destroy();
    cacheClear();
    m_waitingCnt = 0;
    m_waitingClaimed = 0;
    m_threadCnt = 0;
    // Records whose thread objects remain keep them: a forced stop's workers end with the centre.
    for (ThreadRec& rec : m_threads) {
        rec.free = true;
        rec.starting = false;
    }
    return true;
}

// --- parked pointers ---

bool vbDnCenter::ParkPtr(sIvbDnPtr* p)
{
    vbSectLock lock(centerLock());
    if (GetCenter()->GetUseCount() >= 1)
        return false;
    vbSectLock parkLock(&m_parkSect);
    unpark(p);
    p->SetParkedNext(m_pParked);
    m_pParked = p;
    return true;
}

void vbDnCenter::UnparkPtr(sIvbDnPtr* p)
{
    vbSectLock lock(&m_parkSect);
    unpark(p);
}

void vbDnCenter::unpark(sIvbDnPtr* p)
{
    sIvbDnPtr* prev = nullptr;
    for (sIvbDnPtr* q = m_pParked; q;) {
        // Reading a link clears it: every link but p's is written back.
        sIvbDnPtr* next = q->GetParkedNext();
        if (q == p) {
            if (prev)
                prev->SetParkedNext(next);
            else
                m_pParked = next;
            return;
        }
        q->SetParkedNext(next);
        prev = q;
        q = next;
    }
}

// --- requests ---

namespace {

[[noreturn]] void throwNoOp() { throw new vbEsys("vbDnCenter::AskOp() op is noop !"); }

void checkAllowed(sIvbDnInfo* info, vbDnOp op, const vbString& url)
{
    if (op == vbDnLoad) {
        if (!info->IsLoadable())
            throw new vbEdn("vbDnCenter::AskOp(op=vbDnLoad,url=" + url + "), object is not loadable !");
    } else if (!info->IsWritable()) {
        throw new vbEdn("vbDnCenter::AskOp(op=vbDnWrite,url=" + url + "), object is not writable !");
    }
}

[[noreturn]] void throwEmptyUrl() { throw new vbEdn(vbString("vbDnCenter::AskOp(), object with empty url !")); }

} // namespace

bool vbDnCenter::AskOp(IvbDnObject* obj, vbDnOp op, const char* url, vbDnPriority prio, bool pump)
{
    if (op == vbDnNoOp)
        throwNoOp();
    const bool urlGiven = url && *url;
    vbLock use(static_cast<const sIvbLock*>(this));
    vbSectLock lock(&m_sect);
    sIvbDnInfo* info = vbDnCenterParts::infoOf(obj);
    const vbString theUrl = urlGiven ? vbString(url) : info->GetUrl();
    checkAllowed(info, op, theUrl);
    if (!urlGiven) {
        if (theUrl.IsEmpty())
            throwEmptyUrl();
        if (op == vbDnLoad ? info->IsLoaded() : info->IsWritten()) {
            cacheAdd(obj, &lock, false);
            return true;
        }
    }
    if (obj->IsDnOpInWork()) {
        // Without a new URL the running operation serves the request.
        if (!urlGiven)
            return false;
        obj->StopDnOp();
        lock.Unlock();
        waitNotInWork(obj, pump, "vbDnCenter::AskOp()");
        lock.Lock(&m_sect);
    }
    bool add = true;
    if (obj->IsDnOpAsked())
        taskRemove(obj, &add, prio);
    if (urlGiven)
        obj->SetUrl(theUrl);
    cacheAdd(obj, &lock, urlGiven);
    obj->SetDnOpAsked(op);
    if (add)
        taskAdd(obj, prio, lock);
    taskNew(prio, lock);
    return false;
}

bool vbDnCenter::AskOp(sIvbDnPtr* p, vbDnOp op, vbDnPriority prio, bool pump, bool cacheCheck)
{
    vbLock use(static_cast<const sIvbLock*>(this));
    return askOp(p, op, prio, pump, cacheCheck);
}

bool vbDnCenter::askOp(sIvbDnPtr* p, vbDnOp op, vbDnPriority prio, bool pump, bool cacheCheck)
{
    if (op == vbDnNoOp)
        throwNoOp();
    vbSectLock lock(&m_sect);
    if (!cacheCheck || p->IsCacheable()) {
        ObjRef found;
        if (cacheFind(p->GetClsId(), p->GetUrl(), p->GetKey(), &found, cacheCheck)) {
            lock.Unlock();
            void* face = nullptr;
            if (!p->GetInterface(IID_sIvbPtr, &face) || !face)
                vbImpl::throwSys(E_NOINTERFACE, "vbDnCenter::AskOp() : pointer without interface sIvbPtr");
            found->AddPtr(static_cast<sIvbPtr*>(face), true);
            return AskOp(found, op, nullptr, prio, pump);
        }
    }
    IvbDnObject* obj = p->CreateObject();
    sIvbDnInfo* info = vbDnCenterParts::infoOf(obj);
    const vbString url = info->GetUrl();
    if (url.IsEmpty())
        throwEmptyUrl();
    checkAllowed(info, op, url);
    cacheAdd(obj, &lock, false);
    obj->SetDnOpAsked(op);
    taskAdd(obj, prio, lock);
    taskNew(prio, lock);
    return false;
}

struct vbDnCenter::DoneWaiter {
    explicit DoneWaiter(vbDnCenter& c) : center(c)
    {
        vbSectLock lock(&center.m_sect);
        center.m_doneWaiters.push_back(&wake);
    }
    ~DoneWaiter()
    {
        vbSectLock lock(&center.m_sect);
        std::erase(center.m_doneWaiters, &wake);
    }
    DoneWaiter(const DoneWaiter&) = delete;
    DoneWaiter& operator=(const DoneWaiter&) = delete;

    // Up to 2 s for an operation to end; the caller looks at the object again after.
    void wait(bool pump)
    {
        HANDLE handle = wake.GetHandle();
        vbWait(2000, &handle, 1, pump);
    }

    vbDnCenter& center;
    vbEvent wake;
};

void vbDnCenter::taskDoneSignal()
{
    {
        vbSectLock lock(&m_sect);
        for (vbEvent* wake : m_doneWaiters)
            wake->Set();
    }
    m_evTaskDone.Pulse();
}

void vbDnCenter::waitNotInWork(IvbDnObject* obj, bool pump, const char* who)
{
    const DWORD start = GetTickCount();
    DoneWaiter waiter(*this);
    while (obj->IsDnOpInWork()) {
        if (GetTickCount() - start > 30000)
            throw new vbEdn(vbDnCenterParts::kTimeOut, vbString(who) + " : abort time out");
        waiter.wait(pump);
    }
}

bool vbDnCenter::WaitOp(IvbDnObject* obj, vbDnOp op, int timeOutMs, bool pump)
{
    const DWORD timeOut = timeOutMs == 0 ? 60000 : static_cast<DWORD>(timeOutMs);
    vbLock use(static_cast<const sIvbLock*>(this));
    if (op == vbDnLoad)
        AskOp(obj, vbDnLoad, nullptr, vbDnPriorityFast3, false);
    sIvbDnInfo* info = vbDnCenterParts::infoOf(obj);
    const DWORD start = GetTickCount();
    DoneWaiter waiter(*this);
    for (;;) {
        {
            vbSectLock lock(&m_sect);
            if (obj->IsDnOpStopped())
                return false;
            // An operation asked or running decides; the flags of an earlier one do not.
            if (!obj->IsDnOpAsked() && !obj->IsDnOpInWork())
                return op == vbDnLoad ? info->IsLoaded() : info->IsWritten();
        }
        if (GetTickCount() - start > timeOut)
            throw new vbEdn(vbDnCenterParts::kTimeOut, vbString("vbDnCenter::WaitOp() : time out"));
        waiter.wait(pump);
    }
}

bool vbDnCenter::CancelOp(IvbDnObject* obj, vbDnOp op, bool pump)
{
    if (!isNowStarted())
        return false;
    vbSectLock lock(&m_sect);
    bool stopped = false;
    if (obj->IsDnOpInWork() && (op == vbDnNoOp || obj->GetDnOpInWork() == op)) {
        obj->StopDnOp();
        stopped = true;
        lock.Unlock();
        waitNotInWork(obj, pump, "vbDnCenter::CancelOp()");
        lock.Lock(&m_sect);
    }
    if (obj->IsDnOpAsked() && (op == vbDnNoOp || obj->GetDnOpAsked() == op)) {
        taskRemove(obj, nullptr, vbDnPriority1);
        obj->SetDnOpAsked(vbDnNoOp);
        if (!stopped)
            obj->StopDnOp();
        stopped = true;
    }
    for (vbEvent* wake : m_doneWaiters)
        wake->Set();
    m_evTaskDone.Set();
    return stopped;
}

// --- settings and counters ---

namespace {

LONG atLeast(LONG v, LONG min, LONG fallback) { return v < min ? fallback : v; }

} // namespace

#define VB_DN_SETTING(Name, field, min, fallback, sect) \
    void vbDnCenter::Set##Name(LONG v) \
    { \
        vbSectLock lock(&sect); \
        field = atLeast(v, min, fallback); \
    } \
    LONG vbDnCenter::Get##Name() const \
    { \
        vbSectLock lock(&sect); \
        return field; \
    }

VB_DN_SETTING(ThreadMax, m_threadMax, 0, 4, m_sect)
VB_DN_SETTING(ThreadMin, m_threadMin, 1, 1, m_sect)
VB_DN_SETTING(ThreadMaxWithTimeOut, m_threadMaxTimeOut, 0, 0, m_sect)
VB_DN_SETTING(ThreadTimeOut, m_threadTimeOut, 1, 600000, m_sect)
VB_DN_SETTING(SessionTimeOut, m_sessionTimeOut, 1, 300000, m_sect)
VB_DN_SETTING(CacheSizeMax, m_cacheSizeMax, 8192, 0x40000, m_sect)
VB_DN_SETTING(ObjNotUsedTimeOut, m_objNotUsedTimeOut, 1, 600000, m_sect)
VB_DN_SETTING(CacheCleanTimeOut, m_cleanTimeOut, 1, 60000, m_dlgSect)

#define VB_DN_COUNTER(Name, field) \
    LONG vbDnCenter::Get##Name() const \
    { \
        vbSectLock lock(&m_sect); \
        return field; \
    }

VB_DN_COUNTER(ThreadLongTaskCount, m_longTaskCnt)
VB_DN_COUNTER(ThreadCount, m_threadCnt)
VB_DN_COUNTER(ThreadPeakCount, m_threadPeak)
VB_DN_COUNTER(ThreadDoneCount, m_threadDone)
VB_DN_COUNTER(ThreadWaitingCount, m_waitingCnt)
VB_DN_COUNTER(OpDoneCount, m_opDone)
VB_DN_COUNTER(CacheSize, m_cacheSize)
VB_DN_COUNTER(CacheSizePeak, m_cacheSizePeak)
VB_DN_COUNTER(CacheSizeDone, m_cacheSizeDone)
VB_DN_COUNTER(CacheObjCount, m_cacheObjCnt)
VB_DN_COUNTER(CacheObjPeakCount, m_cacheObjPeak)
VB_DN_COUNTER(CacheObjDoneCount, m_cacheObjDone)

LONG vbDnCenter::GetOpWaitingCount() const
{
    if (!isNowStarted())
        return 0;
    vbSectLock lock(&m_sect);
    LONG n = 0;
    for (const TaskList& list : m_lists)
        n += static_cast<LONG>(list.size());
    return n;
}

LONG vbDnCenter::GetOpWaitingLockedCount() const
{
    if (!isNowStarted())
        return 0;
    vbSectLock lock(&m_sect);
    return static_cast<LONG>(m_lists[kList2].size() + m_lists[kList0].size() + m_lists[kListNotReadyEven].size());
}

LONG vbDnCenter::GetOpWaitingNotReadyCount() const
{
    if (!isNowStarted())
        return 0;
    vbSectLock lock(&m_sect);
    return static_cast<LONG>(m_lists[kListNotReadyOdd].size() + m_lists[kListNotReadyEven].size());
}

void vbDnCenter::ResetPerfStats()
{
    vbSectLock lock(&m_sect);
    m_threadPeak = 0;
    m_threadDone = 0;
    m_opDone = 0;
    m_cacheSizePeak = 0;
    m_cacheSizeDone = 0;
    m_cacheObjPeak = 0;
    m_cacheObjDone = 0;
}

HANDLE vbDnCenter::GetEvTaskDone() const { return m_evTaskDone.GetHandle(); }

void vbDnCenter::LongTaskLock()
{
    vbSectLock lock(&m_sect);
    ++m_longTaskCnt;
}

void vbDnCenter::LongTaskUnlock()
{
    vbSectLock lock(&m_sect);
    --m_longTaskCnt;
}

// --- plug-in callbacks ---

namespace {

void tracePlug(const char* call)
{
    if (vbHotPlugTraceLevel() > 0)
        vbRelOutput(vbString("HOTPLUG: ") + call + " called", true);
}

} // namespace

vbPlugUpdateCaps vbDnCenter::onGetPluginCaps(vbHotPlugCb*, IvbHotPlugger*, vbSectLock&) { return vbPlugUpdateCaps(0); }

void vbDnCenter::onUnloadPluginAsked(vbHotPlugCb*, IvbHotPlugger*, bool, vbSectLock&) {}

void vbDnCenter::onLoadPluginAsked(vbHotPlugCb*, IvbHotPlugger*, bool, vbSectLock&)
{
    tracePlug("vbDnCenter::onLoadPluginAsked()");
    plugChanged();
}

vbPlugUpdateCaps vbDnCenter::onError(vbHotPlugCb*, IvbHotPlugger*, bool, LONG, const vbString&, vbSectLock&)
{
    tracePlug("vbDnCenter::onError()");
    plugChanged();
    return vbPlugUpdateCaps(0);
}

void vbDnCenter::onProgress(vbHotPlugCb*, IvbHotPlugger*, ULONG, ULONG, vbPlugStatus, const vbString&, vbSectLock&) {}

void vbDnCenter::plugChanged()
{
    {
        vbSectLock lock(&m_sect);
        ++m_plugGen;
    }
    if (!m_evNewTask.IsEmpty())
        m_evNewTask.Set();
}
