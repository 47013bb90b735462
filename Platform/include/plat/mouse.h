#pragma once

// The mouse: which window a point is over, the mouse messages, capture, the cursor position and
// double clicks.
//
// A mouse event goes to the capture window, else to the window under the point: top-level
// windows from the top of the z-order (hidden ones skipped, window regions respected), then the
// deepest visible child there; a disabled child's input goes to its parent and a disabled
// top-level window gets none. Without capture that window is first asked WM_NCHITTEST (screen
// point; HTTRANSPARENT passes the point to the window below) and told WM_SETCURSOR (wParam the
// window, lParam hit | message << 16); HTCLIENT gives the client messages, every other code the
// WM_NC messages (wParam the hit code, lParam the screen point), which the default procedure
// ignores. Under capture WM_NCHITTEST still goes to the capture window, no WM_SETCURSOR comes and
// every message is a client message to it.

#include "plat/api.h"
#include "plat/geometry.h"
#include "plat/message.h"
#include "plat/types.h"
#include "plat/window.h"

// Button and key flags in the wParam of mouse messages.
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

#define WHEEL_DELTA 120
#define GET_WHEEL_DELTA_WPARAM(wParam) ((short)HIWORD(wParam))
#define GET_KEYSTATE_WPARAM(wParam) (LOWORD(wParam))

// Hit codes (WM_NCHITTEST).
#define HTERROR (-2)
#define HTTRANSPARENT (-1)
#define HTNOWHERE 0
#define HTCLIENT 1
#define HTCAPTION 2
#define HTSYSMENU 3
#define HTMENU 5
#define HTHSCROLL 6
#define HTVSCROLL 7
#define HTMINBUTTON 8
#define HTMAXBUTTON 9
#define HTLEFT 10
#define HTRIGHT 11
#define HTTOP 12
#define HTTOPLEFT 13
#define HTTOPRIGHT 14
#define HTBOTTOM 15
#define HTBOTTOMLEFT 16
#define HTBOTTOMRIGHT 17
#define HTBORDER 18
#define HTCLOSE 20

// Answers to WM_MOUSEACTIVATE; the *EAT answers drop the click.
#define MA_ACTIVATE 1
#define MA_ACTIVATEANDEAT 2
#define MA_NOACTIVATE 3
#define MA_NOACTIVATEANDEAT 4

// The capture window receives every mouse message, as client messages, wherever the mouse is.
// One holder per process; destroying or hiding it releases the capture. SetCapture and
// ReleaseCapture send the previous holder WM_CAPTURECHANGED (lParam the new holder, or null)
// before they return; SetCapture answers the previous holder.
PLATAPI HWND SetCapture(HWND hWnd);
PLATAPI BOOL ReleaseCapture();
PLATAPI HWND GetCapture();

// The cursor position in screen coordinates. SetCursorPos moves the mouse: the windows see it
// as a mouse move.
PLATAPI BOOL GetCursorPos(LPPOINT lpPoint);
PLATAPI BOOL SetCursorPos(int X, int Y);

// The window under a screen point as the mouse finds it, ignoring capture and skipping disabled
// windows; null over no window.
PLATAPI HWND WindowFromPoint(POINT Point);

// A second press of a button on the same CS_DBLCLKS window within this time and within a
// 4 x 4 box centred on the first press is a double click; a third press starts over.
PLATAPI UINT GetDoubleClickTime();
