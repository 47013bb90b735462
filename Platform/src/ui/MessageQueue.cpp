// Per-thread message queues: posting, sending across threads, the one retrieval routine behind
// every message loop, and waits that end when input arrives.

#include "Display.h"
#include "Painting.h"
#include "UiCore.h"
#include "WindowSurface.h"

#include "input/Input.h"

#include "plat/errors.h"
#include "plat/sync.h"

#include <algorithm>
#include <thread>
#include <unordered_map>
#include <utility>

namespace plat::ui {

namespace {

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(LONG_PTR(-1));

struct QueueRegistry {
    std::mutex mutex;
    std::unordered_map<DWORD, std::weak_ptr<ThreadQueue>> byThread;
};

QueueRegistry& registry()
{
    static QueueRegistry* r = new QueueRegistry;
    return *r;
}

void completeSent(SentMessage& m, LRESULT result)
{
    bool wake;
    {
        std::lock_guard lock(m.sender->mutex);
        m.result = result;
        m.done = true;
        wake = m.sender->claimWake();
    }
    if (wake)
        m.sender->wakeClaimed();
}

// A thread that ends takes its windows with it and releases every thread still waiting for an
// answer from it.
void shutdownQueue(const std::shared_ptr<ThreadQueue>& q)
{
    {
        std::lock_guard lock(registry().mutex);
        auto it = registry().byThread.find(q->threadId);
        if (it != registry().byThread.end() && it->second.lock() == q)
            registry().byThread.erase(it);
    }
    dropThreadWindows(*q);
    input::forgetThreadInput(q->threadId);
    std::deque<std::shared_ptr<SentMessage>> pending;
    {
        std::lock_guard lock(q->mutex);
        q->alive = false;
        pending.swap(q->sent);
        q->posted.clear();
        q->timers.clear();
    }
    q->waitForWakers();
    for (auto& m : pending)
        completeSent(*m, 0);
}

// Set once the thread's queue has gone with the thread's other thread-local objects. Code that
// still runs on the thread after that (the main thread's static destructors stopping services
// and pumping) finds a closed queue instead of a destroyed one.
thread_local bool t_queueEnded = false;

struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder()
    {
        t_queueEnded = true;
        if (queue)
            shutdownQueue(queue);
    }
};

// Holds nothing and takes nothing: posts to it fail, looking finds no message.
const std::shared_ptr<ThreadQueue>& closedQueue()
{
    static auto* closed = [] {
        auto* q = new std::shared_ptr<ThreadQueue>(std::make_shared<ThreadQueue>(0, *new WakeSignal));
        (*q)->alive = false;
        return q;
    }();
    return *closed;
}

// Whether the calling thread's queue has closed (the thread is ending); sets the last error.
bool queueClosed(ThreadQueue& q)
{
    if (&q != closedQueue().get())
        return false;
    SetLastError(ERROR_INVALID_THREAD_ID);
    return true;
}

QueueHolder& holder()
{
    thread_local QueueHolder h;
    return h;
}

// "Input of the wanted kinds arrived" as a waitable object, for MsgWaitForMultipleObjects. Only
// the owner thread waits on it; posters wake that thread's signal directly.
class QueueInput final : public Waitable {
public:
    explicit QueueInput(ThreadQueue& queue) : m_queue(queue) {}

    UINT mask = 0;

    bool isSignalled(const WaitContext&) override
    {
        std::lock_guard lock(m_queue.mutex);
        m_queue.refreshTimers(nowMs());
        return (m_queue.changed & mask) != 0;
    }
    Acquire tryAcquire(const WaitContext& ctx) override { return isSignalled(ctx) ? Acquire::Yes : Acquire::No; }

private:
    ThreadQueue& m_queue;
};

// A window filter must name a window of the calling thread: another thread's messages never
// reach this queue, so a loop waiting for them would wait for ever.
bool filterValid(HWND filter)
{
    if (!filter || filter == kThreadMessagesOnly)
        return true;
    auto w = findWindow(filter);
    if (w && w->threadId != currentThreadId()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return w != nullptr;
}

// Delivers a message another thread sent to this one and answers its sender.
void deliverSent(const std::shared_ptr<SentMessage>& m)
{
    // The sender is answered even when the window procedure throws.
    struct Answer {
        SentMessage& m;
        LRESULT result = 0;
        ~Answer() { completeSent(m, result); }
    } answer{*m};
    if (auto w = std::static_pointer_cast<Window>(windowHandles().lookup(HANDLE(m->hwnd))))
        answer.result = callWindow(*w, m->msg, m->wParam, m->lParam);
}

// Under the queue's lock: delivers every message other threads sent, leaving the lock held.
void deliverAllSent(ThreadQueue& q, std::unique_lock<std::mutex>& lock)
{
    while (!q.sent.empty()) {
        std::shared_ptr<SentMessage> m = std::move(q.sent.front());
        q.sent.pop_front();
        lock.unlock();
        deliverSent(m);
        lock.lock();
    }
}

// Delivers the oldest message another thread sent to this one; false when there is none.
bool deliverOneSent(ThreadQueue& q)
{
    std::shared_ptr<SentMessage> m;
    {
        std::lock_guard lock(q.mutex);
        if (q.sent.empty())
            return false;
        m = std::move(q.sent.front());
        q.sent.pop_front();
    }
    deliverSent(m);
    return true;
}

// The one retrieval routine. Delivers what other threads sent, then looks, in order, for a
// posted message, an input message, the quit flag, a window to paint and a due timer that pass
// the filter. nextDue receives when the earliest matching timer falls due, for a caller that
// waits. WM_PAINT is never queued: it is made while a window has something to paint.
bool fetchOnce(ThreadQueue& q, MSG* out, HWND filter, UINT low, UINT high, bool remove, uint64_t& nextDue)
{
    nextDue = Clock::kNever;
    std::unique_lock lock(q.mutex);
    deliverAllSent(q, lock);
    q.changed = 0; // the thread has looked at its queue: what is there is no longer new
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (hwndMatches(filter, it->msg.hwnd) && rangeMatches(low, high, it->msg.message)) {
            *out = it->msg;
            if (remove) {
                q.extraInfo = it->extraInfo;
                q.posted.erase(it);
            }
            return true;
        }
    }
    lock.unlock();
    if (input::takeInput(q, out, filter, low, high, remove))
        return true;
    lock.lock();
    if (q.quitPending && (!filter || filter == kThreadMessagesOnly) && rangeMatches(low, high, WM_QUIT)) {
        *out = MSG{nullptr, WM_QUIT, WPARAM(q.quitCode), 0, DWORD(nowMs()), POINT{0, 0}};
        if (remove) {
            q.quitPending = false;
            q.extraInfo = 0;
        }
        return true;
    }
    if (filter != kThreadMessagesOnly && rangeMatches(low, high, WM_PAINT)) {
        if (HWND hwnd = windowToPaint(q, filter)) {
            *out = MSG{hwnd, WM_PAINT, 0, 0, DWORD(nowMs()), POINT{0, 0}};
            if (remove)
                q.extraInfo = 0;
            return true;
        }
    }
    if (q.timers.empty() || !rangeMatches(low, high, WM_TIMER))
        return false;
    const uint64_t now = nowMs();
    ThreadTimer* due = nullptr;
    for (ThreadTimer& t : q.timers) {
        if (!hwndMatches(filter, t.hwnd))
            continue;
        if (t.due <= now && (!due || t.due < due->due))
            due = &t;
        nextDue = std::min(nextDue, t.due);
    }
    if (!due)
        return false;
    *out = MSG{due->hwnd, WM_TIMER, WPARAM(due->id), LPARAM(due->proc), DWORD(now), POINT{0, 0}};
    if (remove) {
        // The next period starts now: a thread that was late gets one WM_TIMER, not a backlog.
        due->due = now + due->period;
        due->reported = false;
        q.extraInfo = 0;
    }
    return true;
}

// Sends to a window of another thread and waits for the answer, delivering meanwhile what
// other threads send to this one (unless SMTO_BLOCK).
bool sendAcross(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags, DWORD timeoutMs, LRESULT& result)
{
    ThreadQueue& me = currentQueue();
    if (queueClosed(me))
        return false;
    auto m = std::make_shared<SentMessage>(SentMessage{w.handle, msg, wParam, lParam, currentQueueShared()});
    ThreadQueue& target = *w.queue;
    {
        std::lock_guard lock(target.mutex);
        if (!target.claimWake()) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        target.sent.push_back(m);
        target.changed |= QS_SENDMESSAGE;
    }
    target.wakeClaimed();
    std::shared_ptr<Clock> clock = currentClock();
    const uint64_t deadline = timeoutMs == INFINITE ? Clock::kNever : clock->tickMs() + timeoutMs;
    WakeSignal& signal = currentWakeSignal();
    for (;;) {
        signal.reset();
        {
            std::lock_guard lock(me.mutex);
            if (m->done) {
                result = m->result;
                return true;
            }
        }
        if (!(flags & SMTO_BLOCK) && deliverOneSent(me))
            continue;
        if (deadline != Clock::kNever && clock->tickMs() >= deadline) {
            // A message the target has not taken yet is withdrawn: its parameters may point
            // into the caller's memory, which is gone once the caller returns.
            {
                std::lock_guard lock(target.mutex);
                auto it = std::find(target.sent.begin(), target.sent.end(), m);
                if (it != target.sent.end())
                    target.sent.erase(it);
            }
            std::lock_guard lock(me.mutex);
            if (m->done) {
                result = m->result;
                return true;
            }
            SetLastError(ERROR_TIMEOUT);
            return false;
        }
        clock->block(signal, deadline, WakeSignal::kNoLimit);
    }
}

} // namespace

bool hwndMatches(HWND filter, HWND hwnd)
{
    if (!filter)
        return true;
    if (filter == kThreadMessagesOnly)
        return hwnd == nullptr;
    return hwnd == filter;
}

bool rangeMatches(UINT low, UINT high, UINT msg)
{
    return (low == 0 && high == 0) || (msg >= low && msg <= high);
}

uint64_t nowMs() { return currentClock()->tickMs(); }

ThreadQueue::ThreadQueue(DWORD threadId_, WakeSignal& signal) : threadId(threadId_), m_signal(signal) {}

void ThreadQueue::waitForWakers() const
{
    while (m_wakers.load(std::memory_order_acquire) != 0)
        std::this_thread::yield();
}

uint64_t ThreadQueue::refreshTimers(uint64_t now)
{
    uint64_t next = Clock::kNever;
    for (ThreadTimer& t : timers) {
        if (t.due <= now) {
            if (!t.reported) {
                changed |= QS_TIMER;
                t.reported = true;
            }
        } else {
            next = std::min(next, t.due);
        }
    }
    return next;
}

UINT ThreadQueue::presentBits(uint64_t now) const
{
    UINT bits = 0;
    if (!posted.empty())
        bits |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
    if (!sent.empty())
        bits |= QS_SENDMESSAGE;
    for (const ThreadTimer& t : timers)
        if (t.due <= now)
            bits |= QS_TIMER;
    return bits | input::pendingInputBits(threadId);
}

std::shared_ptr<Waitable> ThreadQueue::inputWaitable(UINT wakeMask)
{
    if (!m_input)
        m_input = std::make_shared<QueueInput>(*this);
    static_cast<QueueInput&>(*m_input).mask = wakeMask;
    return m_input;
}

ThreadQueue& currentQueue() { return *currentQueueShared(); }

std::shared_ptr<ThreadQueue> currentQueueShared()
{
    if (t_queueEnded)
        return closedQueue();
    // The wake signal is made first so that it outlives the queue at the thread's end.
    WakeSignal& signal = currentWakeSignal();
    QueueHolder& h = holder();
    if (!h.queue) {
        h.queue = std::make_shared<ThreadQueue>(currentThreadId(), signal);
        std::lock_guard lock(registry().mutex);
        registry().byThread[h.queue->threadId] = h.queue;
    }
    return h.queue;
}

std::shared_ptr<ThreadQueue> queueOfThread(DWORD threadId)
{
    std::lock_guard lock(registry().mutex);
    auto it = registry().byThread.find(threadId);
    return it == registry().byThread.end() ? nullptr : it->second.lock();
}

bool postToQueue(ThreadQueue& q, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    QueuedMessage entry{MSG{hwnd, msg, wParam, lParam, DWORD(nowMs()), POINT{0, 0}}, 0};
    {
        std::lock_guard lock(q.mutex);
        if (!q.alive) {
            SetLastError(hwnd ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_THREAD_ID);
            return false;
        }
        if (q.posted.size() >= VNT_POSTED_MESSAGE_LIMIT) {
            SetLastError(ERROR_NOT_ENOUGH_QUOTA);
            return false;
        }
        q.posted.push_back(entry);
        q.changed |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
        q.claimWake();
    }
    q.wakeClaimed();
    return true;
}

} // namespace plat::ui

using namespace plat;
using namespace plat::ui;

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (!hWnd)
        return postToQueue(currentQueue(), nullptr, Msg, wParam, lParam) ? TRUE : FALSE;
    auto w = findWindow(hWnd);
    if (!w)
        return FALSE;
    return postToQueue(*w->queue, hWnd, Msg, wParam, lParam) ? TRUE : FALSE;
}

BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    auto q = queueOfThread(idThread);
    if (!q) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    return postToQueue(*q, nullptr, Msg, wParam, lParam) ? TRUE : FALSE;
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    auto w = findWindow(hWnd);
    if (!w)
        return 0;
    if (w->threadId == currentThreadId())
        return callWindow(*w, Msg, wParam, lParam);
    LRESULT result = 0;
    sendAcross(*w, Msg, wParam, lParam, SMTO_NORMAL, INFINITE, result);
    return result;
}

LRESULT SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags, UINT uTimeout,
    PDWORD_PTR lpdwResult)
{
    auto w = findWindow(hWnd);
    if (!w)
        return 0;
    LRESULT result = 0;
    if (w->threadId == currentThreadId())
        result = callWindow(*w, Msg, wParam, lParam);
    else if (!sendAcross(*w, Msg, wParam, lParam, fuFlags, uTimeout, result))
        return 0;
    if (lpdwResult)
        *lpdwResult = DWORD_PTR(result);
    return TRUE;
}

BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    ThreadQueue& q = currentQueue();
    if (queueClosed(q))
        return -1;
    WakeSignal& signal = currentWakeSignal();
    for (;;) {
        if (!filterValid(hWnd))
            return -1;
        signal.reset();
        uint64_t nextDue;
        if (fetchOnce(q, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true, nextDue)) {
            presentOverdue(q);
            return lpMsg->message == WM_QUIT ? FALSE : TRUE;
        }
        presentDrawn(q);
        currentClock()->block(signal, nextDue, WakeSignal::kNoLimit);
    }
}

BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!filterValid(hWnd))
        return FALSE;
    uint64_t nextDue;
    ThreadQueue& q = currentQueue();
    const bool remove = (wRemoveMsg & PM_REMOVE) != 0;
    if (fetchOnce(q, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, remove, nextDue)) {
        presentOverdue(q);
        return TRUE;
    }
    presentDrawn(q);
    // What the desktop has for this thread goes in now, not only when it next waits.
    if (display().poll() && fetchOnce(q, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, remove, nextDue))
        return TRUE;
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* lpMsg)
{
    if (!lpMsg)
        return 0;
    if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
        // Only a procedure that a live timer of this thread names is called: a WM_TIMER posted by
        // anyone with any lParam must not become a call to an arbitrary address.
        TIMERPROC proc = nullptr;
        {
            ThreadQueue& q = currentQueue();
            std::lock_guard lock(q.mutex);
            for (const ThreadTimer& t : q.timers)
                if (t.hwnd == lpMsg->hwnd && t.id == UINT_PTR(lpMsg->wParam) && LPARAM(t.proc) == lpMsg->lParam)
                    proc = t.proc;
        }
        if (proc) {
            proc(lpMsg->hwnd, WM_TIMER, UINT_PTR(lpMsg->wParam), lpMsg->time);
            return 0;
        }
    }
    if (!lpMsg->hwnd)
        return 0;
    auto w = findWindow(lpMsg->hwnd);
    if (!w)
        return 0;
    if (w->threadId != currentThreadId()) {
        SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
        return 0;
    }
    return callWindow(*w, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

void PostQuitMessage(int nExitCode)
{
    ThreadQueue& q = currentQueue();
    std::lock_guard lock(q.mutex);
    q.quitPending = true;
    q.quitCode = nExitCode;
}

LPARAM GetMessageExtraInfo() { return currentQueue().extraInfo; }

LPARAM SetMessageExtraInfo(LPARAM lParam) { return std::exchange(currentQueue().extraInfo, lParam); }

DWORD GetQueueStatus(UINT flags)
{
    ThreadQueue& q = currentQueue();
    const uint64_t now = nowMs();
    std::lock_guard lock(q.mutex);
    q.refreshTimers(now);
    UINT present = q.presentBits(now) & flags;
    if ((flags & QS_PAINT) && windowToPaint(q, nullptr))
        present |= QS_PAINT;
    UINT arrived = q.changed & flags;
    q.changed &= ~flags;
    return DWORD(present) << 16 | DWORD(arrived);
}

DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll, DWORD dwMilliseconds,
    DWORD dwWakeMask)
{
    if (nCount > MAXIMUM_WAIT_OBJECTS - 1 || (nCount && !pHandles)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<Waitable>> held;
    std::vector<Waitable*> objects;
    for (DWORD i = 0; i < nCount; ++i) {
        auto object = lookupWaitable(pHandles[i]);
        if (!object)
            return WAIT_FAILED;
        objects.push_back(object.get());
        held.push_back(std::move(object));
    }
    ThreadQueue& q = currentQueue();
    if (queueClosed(q))
        return WAIT_FAILED;
    auto input = q.inputWaitable(dwWakeMask);
    objects.push_back(input.get());

    const uint64_t deadline = dwMilliseconds == INFINITE ? Clock::kNever : nowMs() + dwMilliseconds;
    for (;;) {
        // A timer that falls due is new input: the wait looks again at that moment.
        const uint64_t now = nowMs();
        uint64_t timerDue = Clock::kNever;
        if (dwWakeMask & QS_TIMER) {
            std::lock_guard lock(q.mutex);
            timerDue = q.refreshTimers(now);
        }
        const uint64_t until = std::min(deadline, timerDue);
        DWORD piece = INFINITE;
        if (until != Clock::kNever)
            piece = until > now ? DWORD(std::min<uint64_t>(until - now, INFINITE - 1)) : 0;
        DWORD result = waitForObjects(objects, fWaitAll != FALSE, piece);
        if (result != WAIT_TIMEOUT)
            return result;
        if (deadline != Clock::kNever && nowMs() >= deadline)
            return WAIT_TIMEOUT;
    }
}
