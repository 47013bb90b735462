#pragma once

// Timers of the GUI thread. A guiTimer owns one thread timer of the system and a list of events;
// on every tick each attached event decides by its own minimum time whether it fires. One
// process-wide lock guards every timer and event, held through each tick's whole dispatch, and is
// re-entrant so that callbacks may start and stop timers and events.

#include "guiCallbacks.h"
#include "guiExport.h"

#include "plat/afx.h"
#include "plat/timer.h"
#include "plat/types.h"

class CWnd;
class vbMsg;
class guiTimerEvent;

class GUIAPI guiTimer {
public:
    // A period of 0 or less means 150 ms.
    explicit guiTimer(int period);
    guiTimer();
    // Stops the timer and detaches its events; errors are shown, not passed on.
    virtual ~guiTimer();
    guiTimer(const guiTimer&) = delete;
    guiTimer& operator=(const guiTimer&) = delete;

    // Starts the system timer unless it runs; throws vbEsys when the system refuses it.
    void Start();
    // Stops the system timer; with detachEvents every event is detached (and stays valid).
    void Stop(bool detachEvents);
    bool IsStarted() const;

    // Offers the tick to every attached event, newest first.
    virtual void doTimer(DWORD tickTime);

    static void CALLBACK TimerProc(HWND hwnd, UINT msg, UINT_PTR idEvent, DWORD tickTime);

    static CCriticalSection s_Sect;

protected:
    void _link();
    void _unlink();

private:
    friend class guiTimerEvent;

    int m_period;
    UINT_PTR m_id = 0;
    guiTimerEvent* m_pFirstEvent = nullptr;
    guiTimer* m_pPrev = nullptr;
    guiTimer* m_pNext = nullptr;
    bool m_bLinked = false;

    static guiTimer* s_pFirst;
};

class GUIAPI guiTimerEvent {
public:
    explicit guiTimerEvent(const guiTIMERCB& cb);
    guiTimerEvent();
    // Stop(true); errors are traced, not passed on.
    virtual ~guiTimerEvent();
    guiTimerEvent(const guiTimerEvent&) = delete;
    guiTimerEvent& operator=(const guiTimerEvent&) = delete;

    bool Start(guiTimer* timer) { return StartExt(timer, true); }
    // Attaches to timer (leaving any other timer first) and, with start, starts it. Answers
    // whether the timer runs afterwards.
    virtual bool StartExt(guiTimer* timer, bool start);
    // Detaches; with stopTimer, the last event of a timer stops it (answer false). Otherwise
    // answers whether the timer still runs.
    virtual bool Stop(bool stopTimer);

    // The next tick only records its time again.
    void Reset();
    void SetMinTime(DWORD ms);
    bool IsStarted() const;
    bool IsLinked() const;
    guiTIMERCB& OnTimerCB() { return m_cb; }

    // Called by the timer's dispatch, under its lock. Whether the event fires at this tick; the
    // first tick after a (re)start only records.
    virtual bool canDoTimer(DWORD tickTime);
    virtual void doTimer(DWORD tickTime);

private:
    friend class guiTimer;

    guiTimerEvent* m_pNext = nullptr;
    guiTimerEvent* m_pPrev = nullptr;
    guiTimer* m_pTimer = nullptr;
    guiTIMERCB m_cb;
    DWORD m_minTime = 0;
    DWORD m_lastTime = 0;
};

// Posts a message to a window when it fires: wParam the tick time, lParam 0.
class GUIAPI guiTimerPostEvent : public guiTimerEvent {
public:
    guiTimerPostEvent(CWnd* wnd, UINT msg);
    // The message's number is read again at every start.
    guiTimerPostEvent(CWnd* wnd, const vbMsg& msg);

    bool StartExt(guiTimer* timer, bool start) override;
    void doTimer(DWORD tickTime) override;

private:
    CWnd* m_pWnd;
    UINT m_msg;
    const vbMsg* m_pMsg;
};

// The library's shared timer (150 ms, started by its first event).
extern GUIAPI guiTimer g_guiTimer;
