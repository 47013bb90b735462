#include "vbVantMsgEngine.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbLog.h"
#include "vbThread.h"
#include "threads/vbThreadNap.h"

#include "plat/sync.h"
#include "plat/thread.h"
#include "plat/time.h"

#include <algorithm>
#include <chrono>
#include <thread>

// {8BAD78E3-C27E-4A73-B4BA-86E6CA2F255E}
const IID IID_vbVantMsgEngine = {0x8BAD78E3, 0xC27E, 0x4A73, {0xB4, 0xBA, 0x86, 0xE6, 0xCA, 0x2F, 0x25, 0x5E}};

namespace {

vbEngineDeps withThreadCenter(const vbEngineDeps& deps)
{
    vbEngineDeps all;
    all.Add(&g_vbThreadCenter);
    all.Add(deps.GetItems(), deps.GetSize());
    return all;
}

void traceCaught(const char* file, int line)
{
    try {
        throw;
    } catch (CException* e) {
        vbTraceException(e, true, file, line);
    } catch (...) {
        vbImpl::reportCurrent(false, file, line);
    }
}

// The engine lock as the stop takes it. The centre's lock is held there, and a callback running
// may be waiting for the centre's lock (a post, a registration): an unforced stop then refuses, so
// that the centre lets go of its lock and asks again; a forced one waits a while for the lock and
// goes on without the tables.
class StopLock {
public:
    StopLock(CCriticalSection& sect, bool bForce) : m_sect(sect)
    {
        m_bHeld = TryEnterCriticalSection(m_sect) || (bForce && m_sect.Lock(5000));
    }
    ~StopLock()
    {
        if (m_bHeld)
            m_sect.Unlock();
    }
    StopLock(const StopLock&) = delete;
    StopLock& operator=(const StopLock&) = delete;
    bool held() const { return m_bHeld; }

private:
    CCriticalSection& m_sect;
    bool m_bHeld;
};

// Registers a walk for its lifetime (under the engine lock). Walks of several threads may be in
// progress at once, and end in any order.
template <class W>
class WalkGuard {
public:
    WalkGuard(std::vector<W*>& walks, W* walk) : m_walks(walks), m_walk(walk) { m_walks.push_back(walk); }
    ~WalkGuard() { m_walks.erase(std::find(m_walks.begin(), m_walks.end(), m_walk)); }
    WalkGuard(const WalkGuard&) = delete;
    WalkGuard& operator=(const WalkGuard&) = delete;

private:
    std::vector<W*>& m_walks;
    W* m_walk;
};

template <class F>
struct AtExit {
    F run;
    ~AtExit() { run(); }
};
// Spelled out for compilers that deduce no aggregate's arguments.
template <class F>
AtExit(F) -> AtExit<F>;

} // namespace

vbVantMsgEngine g_vbVantMsgEngine("KVX Vantrel Extra application Message Center", "!VantMsgInterAppli3", vbEngineDeps());

// --- the engine thread ---

class vbVantMsgEngine::Thread : public vbThread {
public:
    Thread(vbVantMsgEngine* engine, const vbString& label) : vbThread(label), m_engine(engine) { }

    void onStart(sIvbThread* thread) override
    {
        thread->StartCoInit();
        vbThread::onStart(thread);
    }
    DWORD onRun(sIvbThread*) override
    {
        m_engine->runLoop();
        return 0;
    }
    void onClose(sIvbThread*) override
    {
        if (vbSharedQueuePtr q = m_engine->GetQueue())
            q->Close();
    }

private:
    vbVantMsgEngine* m_engine;
};

vbVantMsgEngine::vbVantMsgEngine(const char* label, const char* queueName, const vbEngineDeps& deps)
    : vbEngine(vbEngineStartOnDemand, label, withThreadCenter(deps)), m_heapName(queueName),
      m_thread(std::make_unique<Thread>(this, vbString(label) + " Thread"))
{
}

vbVantMsgEngine::~vbVantMsgEngine()
{
    try {
        Destroy();
    } catch (...) {
        vbImpl::reportCurrent(false, __FILE__, __LINE__);
    }
}

bool vbVantMsgEngine::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbVantMsgEngine) {
        *ppv = this;
        return true;
    }
    return vbEngine::GetInterface(iid, ppv);
}

vbSharedQueuePtr vbVantMsgEngine::GetQueue() const
{
    vbSectLock lock(&m_qLock);
    return m_queue;
}

DWORD vbVantMsgEngine::GetWaitTimeOut() const
{
    vbSharedQueuePtr q = GetQueue();
    return q ? q->GetTimeOut() : 0;
}

void vbVantMsgEngine::SetQueueName(const char* name)
{
    vbSectLock lock(&m_qLock);
    if (m_queue)
        m_queue->SetQueueName(name);
    m_qName = name;
}

vbString vbVantMsgEngine::GetQueueName() const
{
    vbSectLock lock(&m_qLock);
    return m_queue ? m_queue->GetQueueName() : m_qName;
}

// --- start and stop ---

void vbVantMsgEngine::onStart()
{
    // A refused stop leaves the queue in place, and a use in between starts the engine again:
    // the queue and its thread go on.
    if (vbSharedQueuePtr running = GetQueue()) {
        running->CancelClose();
        vbSectLock lock(&m_lock);
        m_bRunning = true;
        return;
    }
    // A new queue object at each start: its named objects follow the run-time folder in force.
    auto* raw = new vbSharedQueue(0x40000, m_heapName, false, 0x80000, 64, 16384);
    vbSharedQueuePtr q(raw);
    raw->Release();
    const vbString qName = GetQueueName();
    if (!qName.IsEmpty())
        q->SetQueueName(qName);
    q->Create();
    {
        vbSectLock qlock(&m_qLock);
        m_queue = q;
    }
    {
        vbSectLock lock(&m_lock);
        m_bRunning = true;
        m_change = m_changeSeen = 0;
        m_bTimersActive = false;
    }
    m_thread->Create(false);
}

bool vbVantMsgEngine::onStop(bool bForce)
{
    {
        // Raised before the look at the lock: whatever the engine thread was doing then, it looks
        // at the mark only after it.
        m_bStopRefused = !bForce;
        StopLock lock(m_lock, bForce);
        if (!bForce && (!lock.held() || callsElsewhere()))
            return false;
        m_bStopRefused = false;
        if (lock.held()) {
            for (TimerCb& e : m_timers) {
                for (vbVantTimerCb* cb = e.head; cb;) {
                    vbVantTimerCb* next = cb->m_pNext;
                    cb->m_index = 0;
                    cb->m_pPrev = cb->m_pNext = nullptr;
                    cb = next;
                }
            }
            m_timers.clear();
            for (Walk<vbVantTimerCb>* walk : m_timerWalks)
                walk->next = nullptr;
            m_bRunning = false;
        }
    }
    bool stopped = true;
    try {
        if (bForce) {
            m_thread->Destroy();
        } else {
            bool failed = false;
            stopped = m_thread->AskClose(&failed);
        }
    } catch (...) {
        traceCaught(__FILE__, __LINE__);
        stopped = bForce;
    }
    {
        StopLock lock(m_lock, bForce);
        if (!lock.held() && !bForce)
            return false;
        if (lock.held()) {
            for (MsgCb& e : m_msgs) {
                int staying = 0;
                for (vbVantCb* cb = e.head; cb; ++staying) {
                    vbVantCb* next = cb->m_pNext;
                    cb->m_msgId = 0;
                    cb->m_pPrev = cb->m_pNext = nullptr;
                    cb = next;
                }
                if (staying)
                    vbRelOutput(
                        vbStringFormat("[PB] vbVantMsgEngine::MsgCb::~MsgCb() : staying %d vbVantMsgEngine::MsgCb(s)", staying),
                        true);
            }
            m_msgs.clear();
            for (Walk<vbVantCb>* walk : m_msgWalks)
                walk->next = nullptr;
        }
    }
    vbSharedQueuePtr q = GetQueue();
    if (q) {
        if (!bForce && !q->EndMemLocks())
            return false;
        q->Destroy();
        vbSectLock lock(&m_qLock);
        m_queue = nullptr;
    }
    return stopped;
}

void vbVantMsgEngine::runLoop()
{
    vbSharedQueuePtr q = GetQueue();
    if (!q)
        return;
    bool bWait = true;
    bool bClosingSeen = false;
    for (;;) {
        bool bTimeOut = false;
        if (bWait && !q->Wait(&bTimeOut, nullptr)) {
            if (bTimeOut) {
                TimerDo();
            } else {
                if (bClosingSeen)
                    break;
                bClosingSeen = true; // one more drain
            }
        }
        ULONG id = 0, val1 = 0, val2 = 0;
        vbSharedMemPtr data;
        try {
            if (q->Peek(&id, &data, &val1, &val2, true)) {
                Call(id, data.Get(), val1, val2);
                bWait = false;
            } else {
                if (!bTimeOut)
                    TimerDo();
                bWait = true;
                // Idle now: a stop refused meanwhile may go on. A thread kept busy by a stream of
                // messages says nothing, and the stop waits its steps as before.
                if (m_bStopRefused.exchange(false))
                    vbImpl::stopNews();
            }
        } catch (...) {
            traceCaught(__FILE__, __LINE__);
            break;
        }
        // The receiver's reference goes: the block is freed unless a callback kept its own.
        data = nullptr;
    }
}

// --- posting ---

int vbVantMsgEngine::Post(const char* target, const vbExtraMsg& msg, DWORD val1, DWORD val2)
{
    try {
        vbLock use(this);
        const DWORD id = msg;
        return GetQueue()->Post(target, id, val1, val2);
    } catch (...) {
        traceCaught(__FILE__, __LINE__);
        return -1;
    }
}

int vbVantMsgEngine::Post(const char* target, const vbExtraDataMsg& msg, vbSharedMem* block, DWORD val1, DWORD val2)
{
    try {
        vbLock use(this);
        const DWORD id = msg;
        return GetQueue()->Post(target, id, block, val1, val2);
    } catch (...) {
        traceCaught(__FILE__, __LINE__);
        return -1;
    }
}

int vbVantMsgEngine::Post(const char* target, const vbExtraDataMsg& msg, const void* data, int len, DWORD val1,
    DWORD val2)
{
    try {
        vbLock use(this);
        const DWORD id = msg;
        return GetQueue()->Post(target, id, data, len, val1, val2);
    } catch (...) {
        traceCaught(__FILE__, __LINE__);
        return -1;
    }
}

bool vbVantMsgEngine::Alloc(vbSharedMemPtr* out, DWORD cByte, bool bThrow)
{
    vbLock use(this);
    return GetQueue()->Alloc(out, cByte, bThrow);
}

bool vbVantMsgEngine::Load(vbSharedMemPtr* out, const vbSharedHandle& h, DWORD cByte, bool bThrow)
{
    vbLock use(this);
    return GetQueue()->Load(out, h, cByte, bThrow);
}

// --- message callbacks ---

vbVantMsgEngine::MsgCb* vbVantMsgEngine::findMsgCb(DWORD id, size_t* pInsertAt)
{
    auto it = std::lower_bound(m_msgs.begin(), m_msgs.end(), id, [](const MsgCb& e, DWORD v) { return e.id < v; });
    if (pInsertAt)
        *pInsertAt = size_t(it - m_msgs.begin());
    return it != m_msgs.end() && it->id == id ? &*it : nullptr;
}

void vbVantMsgEngine::Add(vbVantCb* cb)
{
    vbLock use(this);
    if (cb->m_msgId)
        return;
    const DWORD id = cb->GetMsgId();
    const bool bData = cb->IsDataMsg();
    vbSectLock lock(&m_lock);
    if (cb->m_msgId)
        return;
    size_t at = 0;
    MsgCb* e = findMsgCb(id, &at);
    if (!e)
        e = &*m_msgs.insert(m_msgs.begin() + ptrdiff_t(at), MsgCb{id, bData, nullptr});
    else if (e->bData != bData)
        vbImpl::throwSys(E_FAIL, "vbVantMsgEngine::getMsgCb() : bad type message found");
    cb->m_pPrev = nullptr;
    cb->m_pNext = e->head;
    if (e->head)
        e->head->m_pPrev = cb;
    e->head = cb;
    cb->m_msgId = id;
}

// A callback is called with the engine lock released: it may take other locks (an engine's, the
// centre's) that a thread registering a callback holds while it waits for the engine lock.
// Remove waits for the call instead (waitForCall).
template <class T, class F>
void vbVantMsgEngine::callUnlocked(vbSectLock& lock, Walk<T>& walk, F&& call)
{
    walk.current = walk.next;
    walk.next = walk.current->m_pNext;
    lock.Unlock();
    try {
        call(walk.current);
    } catch (...) {
        traceCaught(__FILE__, __LINE__);
    }
    lock.Lock(&m_lock);
    walk.current = nullptr;
}

bool vbVantMsgEngine::callsElsewhere() const
{
    const DWORD self = GetCurrentThreadId();
    auto elsewhere = [&](const auto* walk) { return walk->current && walk->thread != self; };
    return std::any_of(m_msgWalks.begin(), m_msgWalks.end(), elsewhere) ||
        std::any_of(m_timerWalks.begin(), m_timerWalks.end(), elsewhere);
}

template <class T>
void vbVantMsgEngine::waitForCall(vbSectLock& lock, const std::vector<Walk<T>*>& walks, const T* cb)
{
    const DWORD self = GetCurrentThreadId();
    auto calledElsewhere = [&] {
        return std::any_of(walks.begin(), walks.end(),
            [&](const Walk<T>* walk) { return walk->current == cb && walk->thread != self; });
    };
    // In real time: the call ends whatever the platform clock does, and a test's clock may
    // stand still.
    while (calledElsewhere()) {
        lock.Unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        lock.Lock(&m_lock);
    }
}

void vbVantMsgEngine::Remove(vbVantCb* cb)
{
    vbSectLock lock(&m_lock);
    // Once removed, the callback may go: a call of it still running on another thread ends first.
    AtExit callEnd{[&] { waitForCall(lock, m_msgWalks, cb); }};
    if (!m_bRunning || !cb->m_msgId)
        return;
    // A walk about to call this callback goes on with the one after it.
    for (Walk<vbVantCb>* walk : m_msgWalks)
        if (walk->next == cb)
            walk->next = cb->m_pNext;
    if (cb->m_pPrev) {
        cb->m_pPrev->m_pNext = cb->m_pNext;
    } else {
        MsgCb* e = findMsgCb(cb->m_msgId, nullptr);
        if (!e)
            vbImpl::throwSys(E_FAIL, "vbVantMsgEngine::getMsgCb() : can't find message");
        e->head = cb->m_pNext;
    }
    if (cb->m_pNext)
        cb->m_pNext->m_pPrev = cb->m_pPrev;
    cb->m_pPrev = cb->m_pNext = nullptr;
    cb->m_msgId = 0;
}

bool vbVantMsgEngine::Call(DWORD number, vbSharedMem* block, DWORD val1, DWORD val2)
{
    vbSectLock lock(&m_lock);
    MsgCb* e = findMsgCb(number, nullptr);
    if (!e)
        return false;
    Walk<vbVantCb> walk{e->head, nullptr, GetCurrentThreadId()};
    WalkGuard guard(m_msgWalks, &walk);
    while (walk.next)
        callUnlocked(lock, walk, [&](vbVantCb* cb) { cb->Call(block, val1, val2); });
    return true;
}

// --- timers ---

int vbVantMsgEngine::createTimerCb(DWORD elapseMs)
{
    if (elapseMs == 0)
        vbImpl::throwSys(E_FAIL, "vbVantMsgEngine::createTimerCb() : elapse time is null");
    const DWORD period = DWORD((uint64_t(elapseMs) + kTimerGrain - 1) / kTimerGrain * kTimerGrain);
    for (const TimerCb& e : m_timers)
        if (e.period == period)
            return e.index;
    m_timers.push_back(TimerCb{period, int(m_timers.size()) + 1, 0, nullptr, false});
    return int(m_timers.size());
}

void vbVantMsgEngine::startTimer(TimerCb& e)
{
    if (e.running)
        return;
    if (e.period < kTimerGrain || e.index < 1)
        vbImpl::throwSys(E_FAIL, "vbVantMsgEngine::TimerCb::Start() : internal error");
    e.due = GetTickCount() + e.period;
    e.running = true;
}

void vbVantMsgEngine::Add(vbVantTimerCb* cb)
{
    vbLock use(this);
    {
        vbSectLock lock(&m_lock);
        if (cb->m_index)
            return;
        const int ix = createTimerCb(cb->GetTimerElapse());
        TimerCb& e = m_timers[size_t(ix - 1)];
        startTimer(e);
        cb->m_pPrev = nullptr;
        cb->m_pNext = e.head;
        if (e.head)
            e.head->m_pPrev = cb;
        e.head = cb;
        cb->m_index = ix;
    }
    TimerUpdate();
}

void vbVantMsgEngine::Remove(vbVantTimerCb* cb)
{
    vbSectLock lock(&m_lock);
    AtExit callEnd{[&] { waitForCall(lock, m_timerWalks, cb); }};
    if (!m_bRunning || cb->m_index < 1 || size_t(cb->m_index) > m_timers.size())
        return;
    for (Walk<vbVantTimerCb>* walk : m_timerWalks)
        if (walk->next == cb)
            walk->next = cb->m_pNext;
    TimerCb& e = m_timers[size_t(cb->m_index - 1)];
    if (cb->m_pPrev)
        cb->m_pPrev->m_pNext = cb->m_pNext;
    else
        e.head = cb->m_pNext;
    if (cb->m_pNext)
        cb->m_pNext->m_pPrev = cb->m_pPrev;
    cb->m_pPrev = cb->m_pNext = nullptr;
    cb->m_index = 0;
    if (!e.head) {
        e.running = false;
        e.due = 0;
    }
}

void vbVantMsgEngine::TimerUpdate()
{
    {
        vbSectLock lock(&m_lock);
        ++m_change;
    }
    if (vbSharedQueuePtr q = GetQueue())
        q->Wake();
}

void vbVantMsgEngine::TimerDo()
{
    vbSharedQueuePtr q = GetQueue();
    if (!q)
        return;
    vbSectLock lock(&m_lock);
    if (m_change == m_changeSeen && !m_bTimersActive) {
        q->SetTimeOut(kIdleWait);
        return;
    }
    m_changeSeen = m_change;
    m_bTimersActive = false;
    DWORD now = GetTickCount();
    DWORD next = kIdleWait;
    for (size_t i = 0; i < m_timers.size(); ++i) {
        if (!m_timers[i].running)
            continue;
        // Signed: a due tick on either side of a wrap of the tick count keeps its distance.
        int64_t remaining = int32_t(m_timers[i].due - now);
        if (remaining < 1) {
            Walk<vbVantTimerCb> walk{m_timers[i].head, nullptr, GetCurrentThreadId()};
            WalkGuard guard(m_timerWalks, &walk);
            while (walk.next)
                callUnlocked(lock, walk, [](vbVantTimerCb* cb) { cb->Call(); });
            // Re-armed from the end of its callbacks, unless they stopped it (or a stop emptied
            // the table meanwhile).
            if (i >= m_timers.size() || !m_timers[i].running)
                continue;
            now = GetTickCount();
            m_timers[i].due = now + m_timers[i].period;
            remaining = m_timers[i].period;
        }
        next = DWORD(std::min<int64_t>(next, remaining));
        m_bTimersActive = true;
    }
    q->SetTimeOut(std::max(next, kTimerGrain));
}

// --- callbacks ---

vbVantCb::vbVantCb(bool bRegister)
{
    if (bRegister)
        Create();
}

vbVantCb::~vbVantCb()
{
    try {
        Destroy();
    } catch (...) {
        traceCaught(__FILE__, __LINE__);
    }
}

DWORD vbVantCb::GetMsgId() const { vbPurecall(); }
bool vbVantCb::IsDataMsg() const { vbPurecall(); }
void vbVantCb::Call(vbSharedMem*, DWORD, DWORD) { vbPurecall(); }

void vbVantCb::Create() { g_vbVantMsgEngine.Add(this); }
void vbVantCb::Destroy() { g_vbVantMsgEngine.Remove(this); }

vbVantMsgCb::vbVantMsgCb(const vbExtraMsg* msg, const vbVANTMSGCB& record, bool bRegister)
    : m_pMsg(msg), m_record(record)
{
    if (bRegister)
        Create();
}

vbVantMsgCb::~vbVantMsgCb()
{
    try {
        Destroy();
    } catch (...) {
        traceCaught(__FILE__, __LINE__);
    }
}

DWORD vbVantMsgCb::GetMsgId() const { return *m_pMsg; }

void vbVantMsgCb::Call(vbSharedMem* block, DWORD val1, DWORD val2)
{
    if (block)
        vbImpl::throwSys(E_FAIL, "vbVantMsgCb::Call() : message %X (%s) : received with unexpected data (sz=%u)",
            unsigned(GetRegisteredId()), m_pMsg->GetLabelPtr(), unsigned(block->GetLength()));
    m_record.Call(*this, val1, val2);
}

int vbVantMsgCb::Post(const char* target, DWORD val1, DWORD val2) const
{
    return g_vbVantMsgEngine.Post(target, *m_pMsg, val1, val2);
}

vbVantDataCb::vbVantDataCb(int minLength, const vbExtraDataMsg* msg, const vbVANTDATACB& record, bool bRegister)
    : m_pMsg(msg), m_minLength(minLength > 0 ? minLength : -minLength), m_bOptional(minLength <= 0), m_record(record)
{
    if (bRegister)
        Create();
}

vbVantDataCb::~vbVantDataCb()
{
    try {
        Destroy();
    } catch (...) {
        traceCaught(__FILE__, __LINE__);
    }
}

DWORD vbVantDataCb::GetMsgId() const { return *m_pMsg; }

void vbVantDataCb::Call(vbSharedMem* block, DWORD val1, DWORD val2)
{
    if (!block && !m_bOptional)
        vbImpl::throwSys(E_FAIL, "vbVantDataCb::Call() : message %u (%s) : received without data",
            unsigned(GetRegisteredId()), m_pMsg->GetLabelPtr());
    if (block && m_minLength > 0 && block->GetLength() < ULONG(m_minLength))
        vbImpl::throwSys(E_FAIL, "vbVantDataCb::Call() : message %X (%s) : data size too little (sz=%u, szmin=%d)",
            unsigned(GetRegisteredId()), m_pMsg->GetLabelPtr(), unsigned(block->GetLength()), m_minLength);
    m_record.Call(*this, block, val1, val2);
}

void vbVantDataCb::Call(WPARAM, LPARAM)
{
    vbImpl::throwSys(E_FAIL, "vbVantDataCb::Call(WPARAM wParam, LPARAM lParam) : forbidden call, bad msg type");
}

int vbVantDataCb::Post(const char* target, const void* data, int len, DWORD val1, DWORD val2) const
{
    return g_vbVantMsgEngine.Post(target, *m_pMsg, data, len, val1, val2);
}

int vbVantDataCb::Post(const char* target, vbSharedMem* block, DWORD val1, DWORD val2) const
{
    return g_vbVantMsgEngine.Post(target, *m_pMsg, block, val1, val2);
}

vbVantTimerCb::vbVantTimerCb(DWORD elapseMs, const vbVANTTIMERCB& record, bool bRegister)
    : m_elapse(elapseMs), m_record(record)
{
    if (bRegister)
        Create();
}

vbVantTimerCb::~vbVantTimerCb()
{
    try {
        Destroy();
    } catch (...) {
        traceCaught(__FILE__, __LINE__);
    }
}

void vbVantTimerCb::Call() { m_record.Call(*this); }
void vbVantTimerCb::Create() { g_vbVantMsgEngine.Add(this); }
void vbVantTimerCb::Destroy() { g_vbVantMsgEngine.Remove(this); }
