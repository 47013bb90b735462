#pragma once

// Painting windows. Every window keeps an update region (client coordinates) and a flag asking
// for its background to be erased; invalidation from any thread adds to them and wakes the
// window's thread (QS_PAINT). When that thread looks for messages and finds no posted message,
// input or quit flag, it makes WM_PAINT for the first of its visible windows with something to
// paint, parents before their children, before any WM_TIMER. Invalidating a window never reaches
// its children unless RDW_ALLCHILDREN asks for it.
//
// Each top-level window draws into a 32-bit surface of its size; the DCs of its windows draw
// there, clipped to the visible part: the client area within every ancestor's client area, less
// the window's children and the siblings above it and above its ancestors, within the window
// region when one is set. Window DCs are for the window's own thread.

#include "plat/api.h"
#include "plat/geometry.h"
#include "plat/types.h"

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase; // the background still needs erasing: WM_ERASEBKGND answered 0
    RECT rcPaint; // the bounds of the update region, client coordinates
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};
typedef PAINTSTRUCT* LPPAINTSTRUCT;

// RedrawWindow.
#define RDW_INVALIDATE 0x0001
#define RDW_INTERNALPAINT 0x0002
#define RDW_ERASE 0x0004
#define RDW_VALIDATE 0x0008
#define RDW_NOINTERNALPAINT 0x0010
#define RDW_NOERASE 0x0020
#define RDW_NOCHILDREN 0x0040
#define RDW_ALLCHILDREN 0x0080
#define RDW_UPDATENOW 0x0100
#define RDW_ERASENOW 0x0200
#define RDW_FRAME 0x0400
#define RDW_NOFRAME 0x0800

// WM_PRINTCLIENT lParam.
#define PRF_CHECKVISIBLE 0x0001
#define PRF_NONCLIENT 0x0002
#define PRF_CLIENT 0x0004
#define PRF_ERASEBKGND 0x0008
#define PRF_CHILDREN 0x0010
#define PRF_OWNED 0x0020

// Sends WM_NCPAINT when the frame was invalidated, then WM_ERASEBKGND (wParam the DC) when
// erasing was asked; validates the window and answers a DC clipped to the update region within
// the visible part. Another thread's window: null with ERROR_ACCESS_DENIED.
PLATAPI HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint);
PLATAPI BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint);

// lpRect / hRgn in client coordinates; null: the whole client area. bErase asks for
// WM_ERASEBKGND before the next paint.
PLATAPI BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
PLATAPI BOOL InvalidateRgn(HWND hWnd, HRGN hRgn, BOOL bErase);
PLATAPI BOOL ValidateRect(HWND hWnd, const RECT* lpRect);
PLATAPI BOOL ValidateRgn(HWND hWnd, HRGN hRgn);
// The bounds of the update region (an empty rectangle when there is none); answers whether the
// region is not empty. bErase erases a background still waiting for it.
PLATAPI BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase);
// Sends WM_PAINT at once to the window and its children that have something to paint.
PLATAPI BOOL UpdateWindow(HWND hWnd);
// RDW_INVALIDATE / RDW_VALIDATE with RDW_ERASE / RDW_NOERASE, RDW_FRAME / RDW_NOFRAME,
// RDW_ALLCHILDREN, then RDW_UPDATENOW. lprcUpdate or hrgnUpdate (client coordinates) limit the
// change; neither: the whole window.
PLATAPI BOOL RedrawWindow(HWND hWnd, const RECT* lprcUpdate, HRGN hrgnUpdate, UINT flags);
// One window at a time: while it is locked, it and its children neither paint nor draw. A second
// lock fails; null unlocks and invalidates the window that was locked.
PLATAPI BOOL LockWindowUpdate(HWND hWndLock);

// DCs of a window's client area (GetDC) or whole window (GetWindowDC). With CS_OWNDC (CS_CLASSDC)
// the window (class) keeps one DC whose selections and attributes last from call to call; other
// windows get a fresh DC each time. GetDC(NULL) answers a screen DC, on any thread, that draws
// nowhere. ReleaseDC answers 1 when it released the DC, 0 for a DC that is not the window's.
PLATAPI HDC GetDC(HWND hWnd);
PLATAPI HDC GetWindowDC(HWND hWnd);
PLATAPI int ReleaseDC(HWND hWnd, HDC hDC);

// The window takes the region (window coordinates) over: it keeps the shape and the handle is
// deleted, so the caller must not use it again. Null removes the shape. Only the inside is drawn.
PLATAPI int SetWindowRgn(HWND hWnd, HRGN hRgn, BOOL bRedraw);
