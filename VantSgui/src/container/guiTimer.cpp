#include "guiGlobal.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbMsg.h"
#include "vbObjects.h"

#include "plat/afxwin.h"
#include "plat/errors.h"

guiTimer* guiTimer::s_pFirst = nullptr;

guiTimer::guiTimer(int period) : m_period(period <= 0 ? 150 : period) { }

guiTimer::guiTimer() : guiTimer(150) { }

guiTimer::~guiTimer()
{
    try {
        Stop(true);
    } catch (CException* e) {
        vbShowException(e, true, "guiGlobal", 15);
    }
}

void guiTimer::_link()
{
    if (m_bLinked)
        return;
    m_pPrev = nullptr;
    m_pNext = s_pFirst;
    if (s_pFirst)
        s_pFirst->m_pPrev = this;
    s_pFirst = this;
    m_bLinked = true;
}

void guiTimer::_unlink()
{
    if (!m_bLinked)
        return;
    if (m_pPrev)
        m_pPrev->m_pNext = m_pNext;
    else
        s_pFirst = m_pNext;
    if (m_pNext)
        m_pNext->m_pPrev = m_pPrev;
    m_pPrev = m_pNext = nullptr;
    m_bLinked = false;
}

void guiTimer::Start()
{
    vbSectLock lock(&s_Sect);
    if (m_id != 0)
        return;
    _link();
    m_id = SetTimer(nullptr, 0, static_cast<UINT>(m_period), &TimerProc);
    if (m_id == 0) {
        const DWORD error = GetLastError();
        _unlink();
        throw new vbEsys(HRESULT_FROM_WIN32(error), "guiTimer::Start() : failure");
    }
}

void guiTimer::Stop(bool detachEvents)
{
    vbSectLock lock(&s_Sect);
    if (m_id != 0) {
        KillTimer(nullptr, m_id);
        m_id = 0;
        _unlink();
    }
    if (detachEvents)
        while (m_pFirstEvent)
            m_pFirstEvent->Stop(false);
}

bool guiTimer::IsStarted() const
{
    vbSectLock lock(&s_Sect);
    return m_id != 0;
}

void guiTimer::doTimer(DWORD tickTime)
{
    vbSectLock lock(&s_Sect);
    // The successor is taken first: an event may stop itself in its callback.
    for (guiTimerEvent* event = m_pFirstEvent; event;) {
        guiTimerEvent* next = event->m_pNext;
        if (event->canDoTimer(tickTime))
            event->doTimer(tickTime);
        event = next;
    }
}

void CALLBACK guiTimer::TimerProc(HWND, UINT, UINT_PTR idEvent, DWORD tickTime)
{
    try {
        vbSectLock lock(&s_Sect);
        for (guiTimer* timer = s_pFirst; timer; timer = timer->m_pNext)
            if (timer->m_id == idEvent) {
                timer->doTimer(tickTime);
                return;
            }
    } catch (CException* e) {
        vbTraceException(e, true, "guiGlobal", 31);
    }
}

guiTimerEvent::guiTimerEvent(const guiTIMERCB& cb) : m_cb(cb) { }

guiTimerEvent::guiTimerEvent() = default;

guiTimerEvent::~guiTimerEvent()
{
    try {
        Stop(true);
    } catch (CException* e) {
        vbTraceException(e, true, "guiGlobal", 71);
    }
}

bool guiTimerEvent::StartExt(guiTimer* timer, bool start)
{
    vbSectLock lock(&guiTimer::s_Sect);
    if (m_pTimer != timer) {
        if (m_pTimer)
            Stop(true);
        m_pPrev = nullptr;
        m_pNext = timer->m_pFirstEvent;
        if (m_pNext)
            m_pNext->m_pPrev = this;
        timer->m_pFirstEvent = this;
        m_pTimer = timer;
        m_lastTime = 0;
    }
    if (!start)
        return timer->IsStarted();
    timer->Start();
    return true;
}

bool guiTimerEvent::Stop(bool stopTimer)
{
    vbSectLock lock(&guiTimer::s_Sect);
    guiTimer* timer = m_pTimer;
    if (!timer)
        return false;
    if (m_pPrev)
        m_pPrev->m_pNext = m_pNext;
    else
        timer->m_pFirstEvent = m_pNext;
    if (m_pNext)
        m_pNext->m_pPrev = m_pPrev;
    m_pPrev = m_pNext = nullptr;
    m_pTimer = nullptr;
    try {
        if (stopTimer && !timer->m_pFirstEvent) {
            timer->Stop(false);
            return false;
        }
        return timer->IsStarted();
    } catch (CException* e) {
        vbShowException(e, true, "guiGlobal", 161);
        return false;
    }
}

void guiTimerEvent::Reset()
{
    vbSectLock lock(&guiTimer::s_Sect);
    m_lastTime = 0;
}

void guiTimerEvent::SetMinTime(DWORD ms)
{
    vbSectLock lock(&guiTimer::s_Sect);
    m_lastTime = 0;
    m_minTime = ms;
}

bool guiTimerEvent::IsStarted() const
{
    vbSectLock lock(&guiTimer::s_Sect);
    return m_pTimer && m_pTimer->IsStarted();
}

bool guiTimerEvent::IsLinked() const
{
    vbSectLock lock(&guiTimer::s_Sect);
    return m_pTimer != nullptr;
}

// canDoTimer and doTimer run inside the timer's dispatch, which holds the lock throughout.
bool guiTimerEvent::canDoTimer(DWORD tickTime)
{
    if (m_minTime == 0)
        return true;
    // Unsigned: the wrap of the tick counter is harmless.
    if (m_lastTime != 0 && tickTime - m_lastTime < m_minTime)
        return false;
    const bool recorded = m_lastTime != 0;
    m_lastTime = tickTime;
    return recorded;
}

void guiTimerEvent::doTimer(DWORD tickTime)
{
    m_cb.Call(*this, tickTime);
}

guiTimerPostEvent::guiTimerPostEvent(CWnd* wnd, UINT msg) : m_pWnd(wnd), m_msg(msg), m_pMsg(nullptr) { }

guiTimerPostEvent::guiTimerPostEvent(CWnd* wnd, const vbMsg& msg) : m_pWnd(wnd), m_msg(0), m_pMsg(&msg) { }

bool guiTimerPostEvent::StartExt(guiTimer* timer, bool start)
{
    vbSectLock lock(&guiTimer::s_Sect);
    if (m_pMsg)
        m_msg = *m_pMsg;
    return guiTimerEvent::StartExt(timer, start);
}

void guiTimerPostEvent::doTimer(DWORD tickTime)
{
    vbPostExternalMessage(m_pWnd->GetSafeHwnd(), m_msg, tickTime, 0);
}
