// A worker of the download centre: its loop, one task on its session, and what each kind of
// failure means for the task (a later try, a try at a plug-in change, or the failure stored in
// the object and signalled to its pointers).

#include "vbDnCenter.h"

#include "download/vbDnCenterParts.h"
#include "vbDnPlugin.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbHotPlug.h"
#include "vbLog.h"

#include <cinttypes>
#include <cstdio>

namespace {

// The largest difference between the end of a plug-in update and a plug-in failure for the
// failure to count as caused by that update.
constexpr DWORD kPlugRetryWindow = 500;
constexpr DWORD kSessionRetrySleep = 200;

vbString hexPtr(const void* p)
{
    char text[32];
    std::snprintf(text, sizeof text, "%" PRIXPTR, reinterpret_cast<uintptr_t>(p));
    return vbString(text);
}

} // namespace

vbDnCenter::Thread::Thread(vbDnCenter* center, int number)
    : vbThread("Download Center Thread no " + vbString(number)), m_number(number), m_pCenter(center),
      m_evWake(true, nullptr, vbEventAutoReset)
{
}

vbDnCenter::Thread::~Thread() = default;

DWORD vbDnCenter::Thread::onRun(sIvbThread*)
{
    {
        vbSectLock lock(&m_sect);
        m_session = std::make_unique<vbDnSession>();
        // A record's thread object serves run after run: a close asked of the last run, after
        // it had stopped waiting, must not wake this one out of its first wait.
        m_bCloseAsked = false;
        m_evWake.Unset();
        m_lastActivity = -1;
        m_bRanTask = false;
    }
    try {
        m_pCenter->threadRun(this);
    } catch (...) {
        m_session->Destroy();
        throw;
    }
    m_session->Destroy();
    return 0;
}

void vbDnCenter::Thread::onClose(sIvbThread*)
{
    {
        vbSectLock lock(&m_sect);
        m_bCloseAsked = true;
        if (m_session)
            m_session->Destroy();
    }
    m_evWake.Set();
}

void vbDnCenter::Thread::onStart(sIvbThread* thread)
{
    vbThread::onStart(thread);
    {
        vbSectLock lock(&m_sect);
        m_pRunning = thread;
    }
    m_pCenter->threadStarted(this);
}

DWORD vbDnCenter::Thread::onStop(sIvbThread* thread, DWORD exitCode)
{
    {
        vbSectLock lock(&m_sect);
        if (thread != m_pRunning) {
            vbRelOutput(vbString("vbDnCenter::Thread::onStop(") + vbString(static_cast<unsigned long>(exitCode)) +
                    ") : thread cb attached to another thread (stopped=" + hexPtr(thread) + ", actual=" +
                    hexPtr(m_pRunning) + ")",
                true);
            return exitCode;
        }
        m_pRunning = nullptr;
    }
    // The thread base lets go of the thread first, so that a new start of this record makes a
    // new thread.
    exitCode = vbThread::onStop(thread, exitCode);
    m_pCenter->threadStopped(this);
    return exitCode;
}

bool vbDnCenter::Thread::onIdle()
{
    m_pCenter->cacheClean(false);
    return true;
}

bool vbDnCenter::Thread::IsClosing()
{
    vbSectLock lock(&m_sect);
    return m_bCloseAsked || IsCloseAsked();
}

void vbDnCenter::threadStarted(Thread* th)
{
    vbSectLock lock(&m_sect);
    ThreadRec& rec = m_threads[static_cast<size_t>(th->GetNumber() - 1)];
    rec.starting = false;
    rec.free = false;
    // Counted here, not after the creation returns: a worker beyond the maximum may serve its
    // fast request and end before its creator runs again.
    if (m_threadPeak < m_threadCnt)
        m_threadPeak = m_threadCnt;
}

void vbDnCenter::threadStopped(Thread* th)
{
    vbSectLock lock(&m_sect);
    ThreadRec& rec = m_threads[static_cast<size_t>(th->GetNumber() - 1)];
    if (!rec.free && !rec.starting) {
        --m_threadCnt;
        ++m_threadDone;
    }
    rec.free = true;
    rec.starting = false;
    m_bThinToken = true;
}

void vbDnCenter::threadRun(Thread* th)
{
    for (;;) {
        ObjRef obj;
        vbDnPriority prio = vbDnPriority0;
        vbDnOp op = vbDnNoOp;
        if (!threadWaitForNewTask(th, &obj, &prio, &op))
            return;
        const int64_t now = vbDnCenterParts::now();
        if (th->m_lastActivity == -1)
            th->m_lastActivity = now;
        if (!obj.IsNull()) {
            th->m_lastActivity = now;
            th->m_bRanTask = true;
            threadRunTask(th, obj, prio, op);
            continue;
        }
        const int64_t idle = now - th->m_lastActivity;
        vbSectLock lock(&m_sect);
        const LONG working = m_threadCnt - m_longTaskCnt;
        if (m_bThinToken && working > m_threadMin &&
            ((m_threadMaxTimeOut > 0 && m_threadMaxTimeOut < working) || idle > m_threadTimeOut)) {
            m_bThinToken = false;
            return;
        }
        const bool closeSession = th->m_bRanTask && idle > m_sessionTimeOut;
        lock.Unlock();
        if (closeSession)
            th->GetSession()->Close();
    }
}

void vbDnCenter::threadRunTask(Thread* th, const ObjRef& obj, vbDnPriority prio, vbDnOp op)
{
    LONG gen = 0;
    {
        vbSectLock lock(&m_sect);
        gen = m_plugGen;
    }
    const vbString url = obj->GetDnUrl(nullptr);
    const vbString ctx = "url='" + url + "'";
    const bool load = op == vbDnLoad;
    vbDnSession* session = th->GetSession();
    try {
        bool done = false;
        {
            vbDnData data(static_cast<sIvbDnCenter*>(this), static_cast<sIvbDnSession*>(session));
            done = session->DoDnOp(&data, op, url, obj);
        }
        load ? obj->SetLoadedFlag() : obj->SetWrittenFlag();
        obj->EndDnOp(false);
        obj->SignalPtr(load ? (done ? 0 : -1) : (done ? 5 : -2));
        {
            vbSectLock lock(&m_sect);
            ++m_opDone;
        }
        taskDoneSignal();
    } catch (vbEhotPlug* e) {
        e->AddCtx(ctx);
        vbTraceException(e, false, __FILE__, __LINE__);
        bool plugNoted = false;
        bool retry = false;
        if (!(e->GetMode() & 0x80000000u)) {
            if (g_vbHotPlugCenter.GetInUpdateCnt() > 0) {
                retry = true;
            } else if (static_cast<DWORD>(g_vbHotPlugCenter.GetInUpdateLastTick() - e->GetTick()) <= kPlugRetryWindow) {
                retry = true;
                plugNoted = true;
            }
        }
        if (!retry) {
            failEnd(obj, op, e);
            e->Delete();
        } else {
            const bool dlg = IsDlgUseLocked();
            vbSectLock lock(&m_sect);
            const bool accepted = obj->TakeRetryLater(dlg);
            const vbString msg = accepted ? vbString() : vbGetMsg(e, true);
            e->Delete();
            if (fastListsEmpty()) {
                lock.Unlock();
                vbMsgSleep(static_cast<DWORD>(obj->GetRetryDelay(dlg)));
                lock.Lock(&m_sect);
            }
            if (accepted) {
                requeue(obj, prio, !plugNoted && gen == m_plugGen, lock);
            } else {
                lock.Unlock();
                giveUp(obj, op, "Can't download '" + url + "' : Too many tries (hot plug system) :\n" + msg);
            }
        }
    } catch (vbEdnRetryLater* e) {
        e->AddCtx(ctx);
        vbTraceException(e, false, __FILE__, __LINE__);
        const int t = e->GetTimeOut();
        const bool dlg = IsDlgUseLocked();
        vbSectLock lock(&m_sect);
        if (obj->TakeRetryLater(dlg)) {
            requeue(obj, prio, false, lock);
            m_evNewTask.Set();
        } else {
            const vbString msg = vbGetMsg(e, true);
            lock.Unlock();
            giveUp(obj, op, "Can't download '" + url + "' : Too many tries :\n" + msg);
            lock.Lock(&m_sect);
        }
        e->Delete();
        if (fastListsEmpty()) {
            lock.Unlock();
            const int delay = obj->GetRetryDelay(dlg);
            vbMsgSleep(static_cast<DWORD>(t > delay ? t : delay));
        }
    } catch (vbEdnRetrySession* e) {
        e->AddCtx(ctx);
        vbTraceException(e, false, __FILE__, __LINE__);
        const int t = e->GetTimeOut();
        vbSectLock lock(&m_sect);
        if (obj->TakeRetryLater(false)) {
            requeue(obj, prio, false, lock);
            m_evNewTask.Set();
            lock.Unlock();
        } else {
            const vbString msg = vbGetMsg(e, true);
            lock.Unlock();
            giveUp(obj, op, "Can't download '" + url + "' : Too many tries :\n" + msg);
        }
        e->Delete();
        vbMsgSleep(t > 0 ? static_cast<DWORD>(t) : kSessionRetrySleep);
    } catch (CException* e) {
        failEnd(obj, op, e);
        vbTraceException(e, true, __FILE__, __LINE__);
    } catch (...) {
        failEnd(obj, op, nullptr);
    }
    taskDoneSignal();
}

void vbDnCenter::failEnd(IvbDnObject* obj, vbDnOp op, CException* e)
{
    if (!obj->HasDnError())
        obj->SetDnError(e);
    endFailed(obj, op);
}

void vbDnCenter::giveUp(IvbDnObject* obj, vbDnOp op, const vbString& text)
{
    if (!obj->HasDnError())
        obj->SetDnError(static_cast<ULONG>(vbDnCenterParts::kTimeOut), text);
    endFailed(obj, op);
}

void vbDnCenter::endFailed(IvbDnObject* obj, vbDnOp op)
{
    const bool load = op == vbDnLoad;
    load ? obj->SetLoadedFlag() : obj->SetWrittenFlag();
    obj->EndDnOp(false);
    obj->SignalPtr(load ? -1 : -2);
    taskDoneSignal();
}

void vbDnCenter::requeue(IvbDnObject* obj, vbDnPriority prio, bool waitPlug, vbSectLock& lock)
{
    const bool odd = (prio & 1) != 0;
    const vbDnPriority again = odd ? (waitPlug ? vbDnWaitPlug3 : vbDnPriority1) : (waitPlug ? vbDnWaitPlug2 : vbDnPriority0);
    try {
        taskAdd(obj, again, lock);
    } catch (...) {
        obj->SetDnOpAsked(vbDnNoOp);
        throw;
    }
}

bool vbDnCenter::fastListsEmpty() const { return m_lists[kList3].empty() && m_lists[kList2].empty(); }
