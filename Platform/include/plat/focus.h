#pragma once

// Focus and activation. Each thread has at most one focus window and one active top-level
// window; the foreground window is the active window of the thread that receives the keyboard.
// Pop-up tool windows (a top-level WS_POPUP with WS_EX_TOOLWINDOW) never become active, by any
// path: they can hold the focus while their owner stays active.

#include "plat/api.h"
#include "plat/types.h"
#include "plat/window.h"

// WM_ACTIVATE's low word.
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define WA_CLICKACTIVE 2

// Answers the previous focus window after sending it WM_KILLFOCUS (wParam the new one) and the
// new one WM_SETFOCUS (wParam the old one). Null clears the focus. Focus put into a window of an
// inactive top-level window activates that first. A window of another thread: null,
// ERROR_ACCESS_DENIED.
PLATAPI HWND SetFocus(HWND hWnd);
PLATAPI HWND GetFocus();

// Activates the top-level window of hWnd and answers the previous active window. WM_ACTIVATE
// (lParam the other window) goes to the old one (WA_INACTIVE), then to the new one; its default
// puts the focus on the window unless the focus is already inside it.
PLATAPI HWND SetActiveWindow(HWND hWnd);
PLATAPI HWND GetActiveWindow();
PLATAPI BOOL SetForegroundWindow(HWND hWnd);
PLATAPI HWND GetForegroundWindow();
