#pragma once

// The keyboard: virtual keys, the key state a thread sees, character translation and thread
// keyboard hooks.
//
// Key messages (WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP) go to the focus window of the
// thread that owns the foreground window, or, with no focus, to its active window as the SYS
// messages. Their lParam: repeat count in bits 0-15 (always 1), the set-1 scan code in 16-23,
// the extended flag in 24, Alt down in 29, the previous state in 30, the transition (key up) in
// 31; only the low 32 bits are used. They carry VK_SHIFT, VK_CONTROL and VK_MENU; the key state
// keeps the left and right keys as well.

#include "plat/api.h"
#include "plat/message.h"
#include "plat/types.h"
#include "plat/window.h"

#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_CANCEL 0x03
#define VK_MBUTTON 0x04
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_CLEAR 0x0C
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_LWIN 0x5B
#define VK_RWIN 0x5C
#define VK_APPS 0x5D
#define VK_NUMPAD0 0x60
#define VK_NUMPAD1 0x61
#define VK_NUMPAD2 0x62
#define VK_NUMPAD3 0x63
#define VK_NUMPAD4 0x64
#define VK_NUMPAD5 0x65
#define VK_NUMPAD6 0x66
#define VK_NUMPAD7 0x67
#define VK_NUMPAD8 0x68
#define VK_NUMPAD9 0x69
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SEPARATOR 0x6C
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F6 0x75
#define VK_F7 0x76
#define VK_F8 0x77
#define VK_F9 0x78
#define VK_F10 0x79
#define VK_F11 0x7A
#define VK_F12 0x7B
#define VK_F13 0x7C
#define VK_F24 0x87
#define VK_NUMLOCK 0x90
#define VK_SCROLL 0x91
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_LMENU 0xA4
#define VK_RMENU 0xA5
#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_2 0xBF
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE
#define VK_OEM_102 0xE2
// A key that stands for typed text alone (no key of the layout types it).
#define VK_PACKET 0xE7

// Key state bytes: bit 7 down, bit 0 toggled.
// GetKeyState: 0xFF80 (negative) while down, | 1 while toggled, as of the last key or mouse
// button message the calling thread took from its queue. VK_CAPITAL, VK_NUMLOCK, VK_SCROLL and
// VK_INSERT toggle on each press.
PLATAPI SHORT GetKeyState(int nVirtKey);
// The state now, whatever the thread has taken: 0x8000 while down.
PLATAPI SHORT GetAsyncKeyState(int vKey);
// The calling thread's 256 state bytes.
PLATAPI BOOL GetKeyboardState(BYTE* lpKeyState);
PLATAPI BOOL SetKeyboardState(BYTE* lpKeyState);

// For a WM_KEYDOWN (WM_SYSKEYDOWN) the calling thread took from its queue, puts WM_CHAR
// (WM_SYSCHAR) messages first in its posted messages: one per UTF-8 byte of the text the key
// typed, in order; a key that typed no text gives the control characters of Backspace (8), Tab
// (9), Enter (13), Escape (27) and Ctrl+A..Z (1..26), and nothing else. TRUE for every key
// message.
// (TranslateMessage itself is declared in plat/message.h.)

// Thread keyboard hooks.
#define WH_KEYBOARD 2
#define HC_ACTION 0
#define HC_NOREMOVE 3

#ifndef ERROR_INVALID_HOOK_HANDLE
#define ERROR_INVALID_HOOK_HANDLE 1404L
#endif

typedef LRESULT(CALLBACK* HOOKPROC)(int code, WPARAM wParam, LPARAM lParam);

// Before the queue hands out a key message it calls the hooks of the receiving thread, newest
// first: code HC_ACTION when the message is taken, HC_NOREMOVE when it is only looked at; wParam
// the virtual key, lParam the message's. A non-zero answer discards the message: the key state
// stays as it was and the key types nothing. Only WH_KEYBOARD hooks of a thread of this process
// (dwThreadId not 0) are offered; anything else fails with ERROR_INVALID_PARAMETER.
PLATAPI HHOOK SetWindowsHookExA(int idHook, HOOKPROC lpfn, HINSTANCE hmod, DWORD dwThreadId);
// Calls the next older hook of hhk's thread and answers its result; 0 past the last one.
PLATAPI LRESULT CallNextHookEx(HHOOK hhk, int nCode, WPARAM wParam, LPARAM lParam);
// FALSE with ERROR_INVALID_HOOK_HANDLE for a handle that names no hook.
PLATAPI BOOL UnhookWindowsHookEx(HHOOK hhk);
