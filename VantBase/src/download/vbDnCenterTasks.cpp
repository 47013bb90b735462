// The download centre's queues and workers as a pool: where a request goes by its priority, when
// a new worker starts, what a worker takes next, and how queues and workers are emptied at stop.

#include "vbDnCenter.h"

#include "download/vbDnCenterParts.h"
#include "engines/vbKernelError.h"
#include "vbDnPlugin.h"
#include "vbException.h"
#include "vbExceptionEngine.h"
#include "vbExceptionReport.h"
#include "vbLog.h"
#include "vbMsg.h"
#include "vbThread.h"

#include "plat/message.h"

#include <algorithm>
#include <new>

namespace {

constexpr DWORD kIdleWait = 30000;

bool isOdd(vbDnPriority prio) { return (prio & 1) != 0; }

// The framework's memory failure, or a failure whose HRESULT says memory ran out.
bool isOutOfMemory(CException* e)
{
    const HRESULT hr = vbGetHR(e);
    const unsigned low = static_cast<unsigned>(hr) & 0xFFFFu;
    return hr == static_cast<HRESULT>(0x8007000Eu) || hr == static_cast<HRESULT>(0x80030008u) || low == 14 || low == 8;
}

} // namespace

int vbDnCenter::listOf(vbDnPriority prio)
{
    switch (prio) {
    case vbDnPriorityFast3:
    case vbDnPriority3:
        return kList3;
    case vbDnPriorityFast2:
    case vbDnPriority2:
        return kList2;
    case vbDnPriority1:
        return kList1;
    case vbDnPriority0:
        return kList0;
    case vbDnWaitPlug3:
        return kListNotReadyOdd;
    case vbDnWaitPlug2:
        return kListNotReadyEven;
    }
    throw new vbEdn(vbString("vbDnCenter::taskAdd() : bad priority"));
}

void vbDnCenter::taskAdd(IvbDnObject* obj, vbDnPriority prio, vbSectLock& lock)
{
    const int list = listOf(prio);
    const bool first = prio == vbDnPriorityFast2 || prio == vbDnPriorityFast3;
    // Lack of memory: a forced clean of the cache, and one more try when it freed anything.
    auto cleaned = [&] {
        lock.Unlock();
        const bool removed = cacheClean(true);
        lock.Lock(&m_sect);
        return removed;
    };
    for (;;) {
        try {
            auto entry = std::make_unique<TaskEntry>(obj, isOdd(prio));
            if (first)
                m_lists[list].push_front(std::move(entry));
            else
                m_lists[list].push_back(std::move(entry));
            return;
        } catch (std::bad_alloc&) {
            if (!cleaned())
                throw;
        } catch (CException* e) {
            if (!isOutOfMemory(e) || !cleaned())
                throw;
            e->Delete();
        }
    }
}

void vbDnCenter::taskRemove(IvbDnObject* obj, bool* pAdd, vbDnPriority prio)
{
    static const int order[] = {kListNotReadyOdd, kListNotReadyEven, kList3, kList2, kList1, kList0};
    for (int list : order) {
        TaskList& entries = m_lists[list];
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            ObjRef queued;
            if (!(*it)->GetRefPtr(&queued) || !vbDnCenterParts::sameObject(queued, obj))
                continue;
            if (pAdd) {
                const bool keep = list == kList3   ? isOdd(prio)
                                  : list == kList2 ? !isOdd(prio)
                                                   : prio == listPriority(list);
                if (keep) {
                    *pAdd = false;
                    return;
                }
                *pAdd = true;
            }
            entries.erase(it);
            return;
        }
    }
}

vbDnPriority vbDnCenter::listPriority(int list)
{
    switch (list) {
    case kListNotReadyOdd:
        return vbDnWaitPlug3;
    case kListNotReadyEven:
        return vbDnWaitPlug2;
    default:
        return static_cast<vbDnPriority>(list);
    }
}

void vbDnCenter::taskNew(vbDnPriority prio, vbSectLock& lock)
{
    const bool fast = prio == vbDnPriorityFast2 || prio == vbDnPriorityFast3;
    const LONG working = m_threadCnt - m_longTaskCnt;
    const bool idle = m_waitingCnt - m_waitingClaimed > 0;
    if (idle)
        ++m_waitingClaimed;
    const bool create = !idle && (fast || m_threadMax <= 0 || working < m_threadMax) &&
        !(working > 0 && m_createFailMark != -1 &&
            m_createFailMark == static_cast<int64_t>(g_vbThreadCenter.GetThreadClosedCount()));
    if (create) {
        m_createFailMark = -1;
        if (g_vbExceptionEngine.IsToLog("vbEdn"))
            vbRelOutput(vbString(fast ? "  !! vbDnCenter::taskNew() called for fastest priority,  creating new thread (th="
                                      : "  !! vbDnCenter::taskNew() called, creating new thread (th=") +
                    vbString(m_threadCnt) + " / max=" + vbString(m_threadMax) + " / waiting=" + vbString(m_waitingCnt) +
                    ")",
                true);
        ++m_threadCnt;
        size_t idx = 0;
        while (idx < m_threads.size() && !m_threads[idx].free)
            ++idx;
        if (idx == m_threads.size())
            m_threads.emplace_back();
        m_threads[idx].free = false;
        m_threads[idx].starting = true;
        Thread* th = m_threads[idx].thread;
        lock.Unlock();
        try {
            if (!th) {
                th = new Thread(this, static_cast<int>(idx) + 1);
                vbSectLock relock(&m_sect);
                m_threads[idx].thread = th;
            }
            th->Create(false);
        } catch (CException* e) {
            if (!creationFailed(idx))
                throw;
            e->Delete();
        } catch (...) {
            if (!creationFailed(idx))
                throw;
        }
    }
    lock.Unlock();
    m_evNewTask.Set();
}

bool vbDnCenter::creationFailed(size_t idx)
{
    vbSectLock lock(&m_sect);
    m_threads[idx].free = true;
    m_threads[idx].starting = false;
    --m_threadCnt;
    if (m_threadCnt <= 0) {
        lock.Unlock();
        m_evNewTask.Set();
        return false;
    }
    // Other workers serve the queue; no creation is tried again until one has ended.
    m_createFailMark = static_cast<int64_t>(g_vbThreadCenter.GetThreadClosedCount());
    return true;
}

int vbDnCenter::taskRetryNotReady()
{
    vbSectLock lock(&m_sect);
    if (m_plugGen == m_plugGenSeen)
        return 0;
    m_plugGenSeen = m_plugGen;
    cacheClear();
    int moved = 0;
    for (int list : {kListNotReadyOdd, kListNotReadyEven}) {
        TaskList& from = m_lists[list];
        TaskList& to = m_lists[list == kListNotReadyOdd ? kList3 : kList2];
        while (!from.empty()) {
            std::unique_ptr<TaskEntry> entry = std::move(from.front());
            from.pop_front();
            if (!entry->IsAttached())
                continue;
            to.push_back(std::move(entry));
            ++moved;
        }
    }
    int starts = moved < 4 ? moved : 4;
    if (m_threadMax > 0 && starts >= m_threadMax)
        starts = m_threadMax - 1;
    for (int i = 0; i < starts; ++i) {
        taskNew(vbDnPriority3, lock);
        lock.Lock(&m_sect);
    }
    return moved;
}

void vbDnCenter::taskClear()
{
    vbSectLock lock(&m_sect);
    for (TaskList& list : m_lists) {
        for (auto& entry : list) {
            ObjRef obj;
            if (entry->GetRefPtr(&obj))
                obj->SetDnOpAsked(vbDnNoOp);
        }
        list.clear();
    }
}

void vbDnCenter::threadClear()
{
    std::vector<Thread*> closing;
    {
        vbSectLock lock(&m_sect);
        for (const ThreadRec& rec : m_threads)
            if (!rec.free && rec.thread)
                closing.push_back(rec.thread);
        m_createFailMark = -1;
    }
    for (Thread* th : closing) {
        bool failed = false;
        try {
            th->AskClose(&failed);
        } catch (...) {
            vbImpl::reportCurrent(false, __FILE__, __LINE__);
        }
    }
}

bool vbDnCenter::taskTake(int list, ObjRef* obj, vbDnOp* op)
{
    TaskList& entries = m_lists[list];
    while (!entries.empty()) {
        std::unique_ptr<TaskEntry> entry = std::move(entries.front());
        entries.pop_front();
        ObjRef taken;
        if (!entry->GetRefPtr(&taken))
            continue;
        const vbDnOp asked = taken->GetDnOpAsked();
        if (asked == vbDnNoOp)
            continue;
        taken->EndDnOp(true);
        *obj = taken;
        *op = asked;
        return true;
    }
    return false;
}

bool vbDnCenter::threadWaitForNewTask(Thread* th, ObjRef* obj, vbDnPriority* prio, vbDnOp* op)
{
    // The worker counts as waiting from its first wait to its return; the task it then takes was
    // one that counted on a waiting worker.
    struct Waiting {
        vbDnCenter* center;
        bool counted = false;
        bool served = false;
        ~Waiting()
        {
            if (!counted)
                return;
            vbSectLock lock(&center->m_sect);
            --center->m_waitingCnt;
            if (served && center->m_waitingClaimed > 0)
                --center->m_waitingClaimed;
            center->m_waitingClaimed = std::min(center->m_waitingClaimed, center->m_waitingCnt);
        }
    } waiting{this};

    // One wake of the new-task event serves one worker: what it leaves in the lists wakes the next.
    auto take = [&](int list, vbDnPriority p) {
        if (!taskTake(list, obj, op))
            return false;
        *prio = p;
        waiting.served = true;
        const bool more = !fastListsEmpty() || !m_lists[kList1].empty() || !m_lists[kList0].empty();
        if (more && m_waitingCnt > (waiting.counted ? 1 : 0))
            m_evNewTask.Set();
        return true;
    };
    for (;;) {
        if (!th->setBusy(false) || th->IsClosing()) {
            vbSectLock lock(&m_sect);
            m_bThinToken = false;
            return false;
        }
        taskRetryNotReady();
        vbSectLock lock(&m_sect);
        if (take(kList3, vbDnPriority3) || take(kList2, vbDnPriority2))
            return true;
        if (m_bThinToken && m_threadMax > 0 && m_threadCnt - m_longTaskCnt > m_threadMax) {
            m_bThinToken = false;
            return false;
        }
        if (take(kList1, vbDnPriority1) || take(kList0, vbDnPriority0))
            return true;
        if (!waiting.counted) {
            ++m_waitingCnt;
            waiting.counted = true;
        }
        lock.Unlock();
        if (!th->onIdle())
            continue;
        th->resetBusy();
        HANDLE handles[2] = {m_evNewTask.GetHandle(), th->GetWakeHandle()};
        DWORD r;
        for (;;) {
            r = MsgWaitForMultipleObjects(2, handles, FALSE, kIdleWait, QS_ALLINPUT);
            if (r != WAIT_OBJECT_0 + 2)
                break;
            while (vbDoOneEvent()) {
            }
        }
        if (r == WAIT_OBJECT_0)
            continue;
        if (r == WAIT_OBJECT_0 + 1) {
            obj->Release();
            if (th->IsClosing()) {
                vbSectLock relock(&m_sect);
                m_bThinToken = false;
            }
            return true;
        }
        if (r == WAIT_TIMEOUT)
            return true;
        throw new vbEdn(vbImpl::hrOfFailure(GetLastError()), vbString("vbDnCenter::threadWaitForNewTask() : wait failure"));
    }
}
