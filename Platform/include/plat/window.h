#pragma once

// Windows and window classes. A window belongs to the thread that created it: only that thread
// runs its window procedure (messages from other threads reach it through the thread's queue,
// see plat/message.h) and only that thread may destroy it. Handles come from a generation-checked
// table, so a destroyed window's handle stays invalid even after its slot is reused.
//
// Geometry: a top-level window's rectangle is in screen coordinates, a child's in its parent's
// client coordinates. The client area is the window less its non-client edges: none for a
// top-level window with WS_CAPTION or WS_THICKFRAME (the desktop decorates it); otherwise 1 px for
// WS_BORDER, 1 px for WS_EX_STATICEDGE, 2 px for WS_EX_CLIENTEDGE, and the width of a scroll bar
// at the right (WS_VSCROLL) or bottom (WS_HSCROLL) while the window shows one. Among siblings a
// later window lies above an earlier one; WS_EX_TOPMOST top-level windows lie above the others.

#include "plat/api.h"
#include "plat/geometry.h"
#include "plat/types.h"

#ifndef CALLBACK
#define CALLBACK
#endif

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSEXA {
    UINT cbSize; // sizeof(WNDCLASSEXA)
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName; // a name, or an atom given with MAKEINTATOM
    HICON hIconSm;
};
typedef WNDCLASSEXA* LPWNDCLASSEXA;

struct CREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};
typedef CREATESTRUCTA* LPCREATESTRUCTA;

#define MAKEINTATOM(i) ((LPCSTR)(ULONG_PTR)((WORD)(i)))
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)

// Class styles.
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define CS_DBLCLKS 0x0008
#define CS_OWNDC 0x0020
#define CS_CLASSDC 0x0040
#define CS_PARENTDC 0x0080
#define CS_NOCLOSE 0x0200
#define CS_SAVEBITS 0x0800
#define CS_GLOBALCLASS 0x4000

// Window styles.
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_MINIMIZE 0x20000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_MAXIMIZE 0x01000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_DLGFRAME 0x00400000L
#define WS_VSCROLL 0x00200000L
#define WS_HSCROLL 0x00100000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW \
    (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_POPUPWINDOW (WS_POPUP | WS_BORDER | WS_SYSMENU)

// Extended window styles.
#define WS_EX_DLGMODALFRAME 0x00000001L
#define WS_EX_NOPARENTNOTIFY 0x00000004L
#define WS_EX_TOPMOST 0x00000008L
#define WS_EX_ACCEPTFILES 0x00000010L
#define WS_EX_TRANSPARENT 0x00000020L
#define WS_EX_TOOLWINDOW 0x00000080L
#define WS_EX_WINDOWEDGE 0x00000100L
#define WS_EX_CLIENTEDGE 0x00000200L
#define WS_EX_CONTROLPARENT 0x00010000L
#define WS_EX_STATICEDGE 0x00020000L
#define WS_EX_APPWINDOW 0x00040000L

#define CW_USEDEFAULT ((int)0x80000000)

// SetWindowPos: where the window goes in the order of its siblings, and what to leave alone.
#define HWND_TOP ((HWND)0)
#define HWND_BOTTOM ((HWND)1)
#define HWND_TOPMOST ((HWND)(LONG_PTR)-1)
#define HWND_NOTOPMOST ((HWND)(LONG_PTR)-2)
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOREDRAW 0x0008
#define SWP_NOACTIVATE 0x0010
#define SWP_FRAMECHANGED 0x0020
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define SWP_NOCOPYBITS 0x0100
#define SWP_NOOWNERZORDER 0x0200

// ShowWindow.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_SHOWMAXIMIZED 3
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5
#define SW_MINIMIZE 6
#define SW_SHOWMINNOACTIVE 7
#define SW_SHOWNA 8
#define SW_RESTORE 9
#define SW_SHOWDEFAULT 10

// WM_SIZE wParam.
#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2

// The parent of message-only windows: they receive messages but are never shown.
#define HWND_MESSAGE ((HWND)(LONG_PTR)-3)

// Indices of Get/SetWindowLongPtrA; zero and above address the window's extra bytes.
#define GWLP_WNDPROC (-4)
#define GWLP_HINSTANCE (-6)
#define GWLP_HWNDPARENT (-8)
#define GWLP_ID (-12)
#define GWL_ID (-12)
#define GWL_STYLE (-16)
#define GWL_EXSTYLE (-20)
#define GWLP_USERDATA (-21)
#define GWL_USERDATA (-21)

#ifndef ERROR_TLW_WITH_WSCHILD
#define ERROR_TLW_WITH_WSCHILD 1406L
#endif
#ifndef ERROR_DEVICE_NOT_CONNECTED
#define ERROR_DEVICE_NOT_CONNECTED 1167L
#endif
#ifndef ERROR_INVALID_INDEX
#define ERROR_INVALID_INDEX 1413L
#endif

// Classes are process-wide and named without regard to ASCII case. A second class of the same
// name fails with ERROR_CLASS_ALREADY_EXISTS; unregistering one that still has windows fails with
// ERROR_CLASS_HAS_WINDOWS. cbSize must be sizeof(WNDCLASSEXA).
PLATAPI ATOM RegisterClassExA(const WNDCLASSEXA* lpwcx);
PLATAPI BOOL UnregisterClassA(LPCSTR lpClassName, HINSTANCE hInstance);

// Sends WM_NCCREATE then WM_CREATE to the new window's procedure; a FALSE answer to the first or
// -1 to the second destroys the window again and the call answers null. After WM_CREATE come
// WM_SIZE (SIZE_RESTORED, client width | height << 16; SIZE_MINIMIZED and 0 with WS_MINIMIZE)
// and WM_MOVE (the client origin); WS_VISIBLE shows the window without WM_SHOWWINDOW.
// CW_USEDEFAULT as x places a top-level window at (0, 0), as width gives it three quarters of the
// screen; a negative width or height counts as 0. hWndParent may be
// HWND_MESSAGE for a message-only window; for a window without WS_CHILD it names the owner.
PLATAPI HWND CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
    int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam);
// WM_DESTROY goes to the window, then to its children; WM_NCDESTROY to the children, then to the
// window; windows it owns are destroyed first. A window of another thread: ERROR_ACCESS_DENIED.
PLATAPI BOOL DestroyWindow(HWND hWnd);
PLATAPI LRESULT CALLBACK DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
PLATAPI LRESULT CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);

PLATAPI BOOL IsWindow(HWND hWnd);
// The creating thread's id; *lpdwProcessId (when given) receives the process id. 0 for no window.
PLATAPI DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId);
// A child's parent, or the owner of a window that is not a child; null for neither.
PLATAPI HWND GetParent(HWND hWnd);

PLATAPI LONG_PTR GetWindowLongPtrA(HWND hWnd, int nIndex);
// Answers the previous value (0 with ERROR_INVALID_INDEX or ERROR_INVALID_WINDOW_HANDLE on
// failure; a previous value of 0 leaves the last error as it was).
PLATAPI LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong);

// Through WM_SETTEXT / WM_GETTEXT / WM_GETTEXTLENGTH for a window of the calling thread; the
// stored text directly for a window of another thread.
PLATAPI BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString);
PLATAPI int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount);
PLATAPI int GetWindowTextLengthA(HWND hWnd);

// Rectangles and mapping. GetWindowRect answers screen coordinates, GetClientRect (0, 0, width,
// height) of the client area. MapWindowPoints maps between the client coordinates of two windows
// (null: the screen) and answers the horizontal shift in the low word, the vertical in the high.
PLATAPI BOOL GetWindowRect(HWND hWnd, LPRECT lpRect);
PLATAPI BOOL GetClientRect(HWND hWnd, LPRECT lpRect);
PLATAPI BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint);
PLATAPI BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint);
PLATAPI int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints);

// Moves, sizes, re-orders, shows or hides (SWP_SHOWWINDOW, SWP_HIDEWINDOW) a window; WM_SIZE and
// WM_MOVE follow a change of the client size or position, WM_SHOWWINDOW is not sent. With
// CS_HREDRAW (CS_VREDRAW) a change of width (height) invalidates the whole window; otherwise
// what the change uncovers is invalidated. hWndInsertAfter names the window to lie below, or one
// of HWND_TOP, HWND_BOTTOM, HWND_TOPMOST, HWND_NOTOPMOST.
PLATAPI BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags);
PLATAPI BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint);
// Puts the window at the top of its siblings (of its band, for top-level windows).
PLATAPI BOOL BringWindowToTop(HWND hWnd);

// Answers whether the window was visible before. WM_SHOWWINDOW (wParam TRUE to show) goes to the
// window before its visibility changes. SW_MINIMIZE, SW_SHOWMINIMIZED and SW_SHOWMINNOACTIVE
// minimise (WM_SIZE SIZE_MINIMIZED, lParam 0; a minimised window is never painted);
// SW_SHOWMAXIMIZED maximises (WM_SIZE SIZE_MAXIMIZED; the window keeps its size unless the desktop
// makes it fill the screen); SW_RESTORE takes back the last of the two; SW_SHOWNORMAL shows it
// neither minimised nor maximised. SW_SHOW, SW_SHOWNORMAL, SW_SHOWMINIMIZED,
// SW_SHOWMAXIMIZED, SW_RESTORE and SW_SHOWDEFAULT make a top-level window of the calling thread the active window;
// hiding a window takes focus, capture and activation out of it.
PLATAPI BOOL ShowWindow(HWND hWnd, int nCmdShow);
// TRUE when the window and every ancestor has WS_VISIBLE.
PLATAPI BOOL IsWindowVisible(HWND hWnd);
PLATAPI BOOL IsIconic(HWND hWnd);
// Answers whether the window was disabled before; WM_ENABLE (wParam the new state) is sent when
// the state changes.
PLATAPI BOOL EnableWindow(HWND hWnd, BOOL bEnable);
PLATAPI BOOL IsWindowEnabled(HWND hWnd);

// GetWindow: relations among a window's children are in the order the children were made, which
// is also the order a dialog's controls are walked in.
#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5

// The first (last) sibling, the next (previous) one, the owner, or the first child; null when
// there is none (the last error is left alone) or for a bad handle.
PLATAPI HWND GetWindow(HWND hWnd, UINT uCmd);
// TRUE when hWnd is a child, grandchild ... of hWndParent.
PLATAPI BOOL IsChild(HWND hWndParent, HWND hWnd);
// A child window's id (0 for a top-level window or a bad handle).
PLATAPI int GetDlgCtrlID(HWND hWnd);
