#pragma once

// Message queues, one per thread, made on the thread's first message call. Every loop (GetMessageA,
// PeekMessageA, modal and nested loops, a SendMessageA waiting for its answer) takes messages
// through one retrieval routine, in this order: messages sent by other threads (always
// delivered, whatever the filter), posted messages in order, keyboard and mouse input (see
// plat/keyboard.h and plat/mouse.h), the quit flag of PostQuitMessage, then WM_TIMER of a due
// timer (see plat/timer.h).

#include "plat/api.h"
#include "plat/geometry.h"
#include "plat/types.h"

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time; // tick count when the message was posted
    POINT pt;
};
typedef MSG* LPMSG;
typedef MSG* PMSG;
typedef DWORD_PTR* PDWORD_PTR;

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETREDRAW 0x000B
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SYSCOLORCHANGE 0x0015
#define WM_SHOWWINDOW 0x0018
#define WM_SETCURSOR 0x0020
#define WM_MOUSEACTIVATE 0x0021
#define WM_NEXTDLGCTL 0x0028
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_QUERYDRAGICON 0x0037
#define WM_NOTIFY 0x004E
#define WM_CONTEXTMENU 0x007B
#define WM_GETICON 0x007F
#define WM_SETICON 0x0080
#define WM_NCCREATE 0x0081
#define WM_NCDESTROY 0x0082
#define WM_NCHITTEST 0x0084
#define WM_NCPAINT 0x0085
#define WM_GETDLGCODE 0x0087
#define WM_NCMOUSEMOVE 0x00A0
#define WM_NCLBUTTONDOWN 0x00A1
#define WM_NCLBUTTONUP 0x00A2
#define WM_NCLBUTTONDBLCLK 0x00A3
#define WM_NCRBUTTONDOWN 0x00A4
#define WM_NCRBUTTONUP 0x00A5
#define WM_NCRBUTTONDBLCLK 0x00A6
#define WM_NCMBUTTONDOWN 0x00A7
#define WM_NCMBUTTONUP 0x00A8
#define WM_NCMBUTTONDBLCLK 0x00A9
#define WM_KEYFIRST 0x0100
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_KEYLAST 0x0109
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113
#define WM_ENTERIDLE 0x0121
#define WM_CTLCOLORMSGBOX 0x0132
#define WM_CTLCOLOREDIT 0x0133
#define WM_CTLCOLORLISTBOX 0x0134
#define WM_CTLCOLORBTN 0x0135
#define WM_CTLCOLORDLG 0x0136
#define WM_CTLCOLORSCROLLBAR 0x0137
#define WM_CTLCOLORSTATIC 0x0138
#define WM_MOUSEFIRST 0x0200
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define WM_RBUTTONUP 0x0205
#define WM_RBUTTONDBLCLK 0x0206
#define WM_MBUTTONDOWN 0x0207
#define WM_MBUTTONUP 0x0208
#define WM_MBUTTONDBLCLK 0x0209
#define WM_MOUSEWHEEL 0x020A
#define WM_MOUSELAST 0x020D
#define WM_CAPTURECHANGED 0x0215
#define WM_PRINTCLIENT 0x0318
#define WM_USER 0x0400
#define WM_APP 0x8000

// WM_SETICON / WM_GETICON wParam.
#define ICON_SMALL 0
#define ICON_BIG 1

// What a WM_NOTIFY's lParam points at first: the sending control and its notification code.
struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
typedef NMHDR* LPNMHDR;

// WM_SYSCOMMAND's wParam (the low four bits are the system's own).
#define SC_MINIMIZE 0xF020
#define SC_MAXIMIZE 0xF030
#define SC_CLOSE 0xF060
#define SC_KEYMENU 0xF100
#define SC_RESTORE 0xF120

// The signed coordinates of a point packed in an lParam (mouse messages).
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))

#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))

// PeekMessageA.
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

// Queue status bits (GetQueueStatus, MsgWaitForMultipleObjects).
#define QS_KEY 0x0001
#define QS_MOUSEMOVE 0x0002
#define QS_MOUSEBUTTON 0x0004
#define QS_POSTMESSAGE 0x0008
#define QS_TIMER 0x0010
#define QS_PAINT 0x0020
#define QS_SENDMESSAGE 0x0040
#define QS_HOTKEY 0x0080
#define QS_ALLPOSTMESSAGE 0x0100
#define QS_MOUSE (QS_MOUSEMOVE | QS_MOUSEBUTTON)
#define QS_INPUT (QS_MOUSE | QS_KEY)
#define QS_ALLEVENTS (QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY)
#define QS_ALLINPUT (QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY | QS_SENDMESSAGE)

// SendMessageTimeoutA.
#define SMTO_NORMAL 0x0000
#define SMTO_BLOCK 0x0001
#define SMTO_ABORTIFHUNG 0x0002
#define SMTO_NOTIMEOUTIFNOTHUNG 0x0008

#ifndef ERROR_NOT_ENOUGH_QUOTA
#define ERROR_NOT_ENOUGH_QUOTA 1816L
#endif

// A queue holds at most this many posted messages; a post beyond it fails with
// ERROR_NOT_ENOUGH_QUOTA, so that a flooded thread cannot exhaust memory.
#define VNT_POSTED_MESSAGE_LIMIT 10000

// Callable from any thread. hWnd null posts to the calling thread. A handle that names no window
// of this process (a window of another process included) fails with ERROR_INVALID_WINDOW_HANDLE.
PLATAPI BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// Fails with ERROR_INVALID_THREAD_ID while the target thread has no queue.
PLATAPI BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);
// A window of the calling thread: a direct call. Another thread's window: the caller waits until
// that thread takes the message from its queue and answers; meanwhile the caller delivers the
// messages other threads send to it, so that two threads sending to each other finish.
PLATAPI LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
// As SendMessageA, waiting at most uTimeout ms (SMTO_BLOCK: without delivering sent messages
// meanwhile). Answers non-zero with *lpdwResult set, or 0 with ERROR_TIMEOUT (a message not yet
// taken by the target is then withdrawn) or ERROR_INVALID_WINDOW_HANDLE.
PLATAPI LRESULT SendMessageTimeoutA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam, UINT fuFlags, UINT uTimeout,
    PDWORD_PTR lpdwResult);

// 0 when WM_QUIT is taken, -1 (with the last error) for a bad window filter, else non-zero.
// hWnd null: messages of every window of the thread and thread messages; (HWND)-1: thread
// messages only. wMsgFilterMin = wMsgFilterMax = 0: every message number.
PLATAPI BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
PLATAPI BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
// Character translation of key messages: see plat/keyboard.h.
PLATAPI BOOL TranslateMessage(const MSG* lpMsg);
// Calls the window's procedure (or, for WM_TIMER with a procedure in lParam, the timer
// procedure with the tick time) and answers its result; 0 for a message without a window.
PLATAPI LRESULT DispatchMessageA(const MSG* lpMsg);
// Sets the thread's quit flag: WM_QUIT comes once no posted message is left. A WM_QUIT posted
// with PostMessageA/PostThreadMessageA is an ordinary message in order instead.
PLATAPI void PostQuitMessage(int nExitCode);

// Per thread; SetMessageExtraInfo answers the previous value.
PLATAPI LPARAM GetMessageExtraInfo();
PLATAPI LPARAM SetMessageExtraInfo(LPARAM lParam);

// High word: the kinds of message in the queue now; low word: the kinds that arrived since the
// last GetQueueStatus, GetMessageA or PeekMessageA of the thread (reported once).
PLATAPI DWORD GetQueueStatus(UINT flags);

// As WaitForMultipleObjects, and answers WAIT_OBJECT_0 + nCount when input of the kinds in
// dwWakeMask arrived since the thread last looked at its queue (GetMessageA, PeekMessageA,
// GetQueueStatus). nCount 0 waits for input alone. A pending quit flag is not new input.
PLATAPI DWORD MsgWaitForMultipleObjects(DWORD nCount, const HANDLE* pHandles, BOOL fWaitAll, DWORD dwMilliseconds,
    DWORD dwWakeMask);

// A number in 0xC000-0xFFFF, the same for the same name (ASCII case ignored) in every process of
// the user. The table lives in the runtime folder. An empty or over-long name (above 255
// characters) fails with ERROR_INVALID_PARAMETER and answers 0.
PLATAPI UINT RegisterWindowMessageA(LPCSTR lpString);
// The same table: a format and a message registered under one name share the number.
PLATAPI UINT RegisterClipboardFormatA(LPCSTR lpszFormat);
