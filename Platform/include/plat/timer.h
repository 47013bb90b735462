#pragma once

// Timers of windows and of threads. A due timer does not queue anything: WM_TIMER is made when
// the owning thread looks for messages and nothing else is waiting, so at most one is pending
// per timer, and the next period starts when it is taken. Time comes from the platform clock.

#include "plat/api.h"
#include "plat/message.h"
#include "plat/window.h"

typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

// Minimum and maximum periods; shorter or longer ones are brought into this range.
#define USER_TIMER_MINIMUM 0x0000000A
#define USER_TIMER_MAXIMUM 0x7FFFFFFF

// With a window: the timer is (hWnd, nIDEvent) and runs on the window's thread; setting it again
// replaces it; the answer is nIDEvent (1 for an id of 0). Without a window: a new timer of the calling thread whose id is
// the answer (nIDEvent is ignored unless it names a thread timer of this thread, which is then
// replaced). WM_TIMER carries the id in wParam and lpTimerFunc in lParam; DispatchMessageA
// then calls lpTimerFunc (hWnd, WM_TIMER, id, tick time) instead of the window procedure.
// 0 on failure (ERROR_INVALID_WINDOW_HANDLE).
PLATAPI UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
// Removes the timer and any WM_TIMER of it not yet taken; FALSE (ERROR_INVALID_PARAMETER) for
// no such timer.
PLATAPI BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent);
