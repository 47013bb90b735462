#include "hotplug/vbHotPlugTrace.h"
#include "hotplug/vbHotPlugger.h"

#include "vbExceptionReport.h"

#include "plat/time.h"

namespace {

// How long a queued record waits before its update decision runs again, and how many timer
// ticks in a row may find the queue empty before the timer stops.
constexpr DWORD kRetryWaitMs = 15000;
constexpr LONG kEmptyTicksBeforeStop = 6;

} // namespace

void vbHotPlugCenter::retryUpdateForPlugger(Plugger* plugger)
{
    {
        vbSectLock lock(&m_sect);
        RetryEntry* queued = nullptr;
        for (int i = 1; i <= m_retries.GetLength() && !queued; ++i) {
            if (m_retries[i]->plugger.HasObject(static_cast<vbObject*>(plugger)))
                queued = m_retries[i];
        }
        if (!queued) {
            queued = new RetryEntry(plugger);
            m_retries.Add(queued);
        }
        queued->tick = GetTickCount();
        m_retryEmptyTicks = 0;
    }
    if (m_retryTimer)
        g_vbVantMsgEngine.Add(&*m_retryTimer);
}

void vbHotPlugCenter::onRetryTimer(vbVantTimerCb& timer)
{
    vbLock use;
    if (!IsNowStarted(&use)) {
        g_vbVantMsgEngine.Remove(&timer);
        return;
    }
    vbHotPlugTrace(2, "vbHotPlugCenter::onRetryTimer() : begin update retry :");
    const DWORD now = GetTickCount();
    vbSectLock lock(&m_sect);
    for (int i = 1; i <= m_retries.GetLength();) {
        // Unsigned differences keep the wait right across the wrap of the tick count.
        if (now - m_retries[i]->tick < kRetryWaitMs) {
            ++i;
            continue;
        }
        vbRefPtr<IvbHotPlugger, &IID_IvbHotPlugger> plugger;
        m_retries[i]->plugger.GetRefPtr(&plugger);
        m_retries.Delete(i);
        if (!plugger)
            continue;
        lock.Unlock();
        try {
            static_cast<Plugger*>(plugger.Get())->UpdateIfAsked(nullptr, 2);
        } catch (CException* e) {
            vbTraceException(e, true, "vbHotPlug", __LINE__);
        }
        lock.Lock(&m_sect);
    }
    if (m_retries.GetLength() > 0) {
        lock.Unlock();
        vbHotPlugTrace(2, "vbHotPlugCenter::onRetryTimer() : end update retry.");
        return;
    }
    const LONG emptyTicks = ++m_retryEmptyTicks;
    lock.Unlock();
    if (emptyTicks < kEmptyTicksBeforeStop) {
        vbHotPlugTrace(2, "vbHotPlugCenter::onRetryTimer() : end update retry (no plugger with update to retry : cnt="
                + vbString(static_cast<int>(emptyTicks)) + ").");
        return;
    }
    g_vbVantMsgEngine.Remove(&timer);
    vbHotPlugTrace(2, "vbHotPlugCenter::onRetryTimer() : end update retry, timer stopped.");
}
