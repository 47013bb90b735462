// Timers of windows and threads. They live in the owning thread's queue; WM_TIMER is made by the
// retrieval routine when a timer is due (see MessageQueue.cpp).

#include "UiCore.h"

#include "kernel/TestHooks.h"

#include "plat/errors.h"
#include "plat/testhooks.h"

#include <algorithm>
#include <atomic>

namespace plat::ui {

void removeWindowTimers(ThreadQueue& q, HWND hwnd)
{
    std::lock_guard lock(q.mutex);
    std::erase_if(q.timers, [&](const ThreadTimer& t) { return t.hwnd == hwnd; });
}

namespace {

UINT clampPeriod(UINT ms) { return std::clamp<UINT>(ms, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM); }

// Ids of thread timers: unique in the process, never 0.
UINT_PTR newThreadTimerId()
{
    static std::atomic<UINT_PTR> next{1};
    UINT_PTR id;
    do
        id = next.fetch_add(1);
    while (id == 0);
    return id;
}

} // namespace

} // namespace plat::ui

using namespace plat::ui;

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc)
{
    if (plat::testFailTimer()) {
        SetLastError(ERROR_NO_SYSTEM_RESOURCES);
        return 0;
    }
    std::shared_ptr<ThreadQueue> q;
    if (hWnd) {
        auto w = findWindow(hWnd);
        if (!w)
            return 0;
        q = w->queue;
    } else {
        q = currentQueueShared();
    }
    const UINT period = clampPeriod(uElapse);
    const uint64_t due = nowMs() + period;
    std::unique_lock lock(q->mutex);
    if (!q->claimWake()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    auto it = std::find_if(q->timers.begin(), q->timers.end(),
        [&](const ThreadTimer& t) { return t.hwnd == hWnd && t.id == nIDEvent; });
    if (it != q->timers.end() && (hWnd || nIDEvent != 0)) {
        *it = ThreadTimer{hWnd, nIDEvent, period, lpTimerFunc, due, false};
    } else {
        UINT_PTR id = hWnd ? nIDEvent : newThreadTimerId();
        q->timers.push_back(ThreadTimer{hWnd, id, period, lpTimerFunc, due, false});
        nIDEvent = id;
    }
    lock.unlock();
    // The owner may be waiting with a later idea of its next deadline.
    q->wakeClaimed();
    return hWnd && nIDEvent == 0 ? 1 : nIDEvent;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent)
{
    std::shared_ptr<ThreadQueue> q;
    if (hWnd) {
        auto w = findWindow(hWnd);
        if (!w)
            return FALSE;
        q = w->queue;
    } else {
        q = currentQueueShared();
    }
    std::lock_guard lock(q->mutex);
    size_t removed = std::erase_if(
        q->timers, [&](const ThreadTimer& t) { return t.hwnd == hWnd && t.id == uIDEvent; });
    if (!removed) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::erase_if(q->posted, [&](const QueuedMessage& m) {
        return m.msg.message == WM_TIMER && m.msg.hwnd == hWnd && UINT_PTR(m.msg.wParam) == uIDEvent;
    });
    return TRUE;
}
