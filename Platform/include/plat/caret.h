#pragma once

// The caret: one per thread, owned by a window of the thread and gone with it. It is born
// hidden; HideCaret and ShowCaret count. The display shows it inverted over the window and
// blinking, never drawing it into the window's surface.

#include "plat/api.h"
#include "plat/geometry.h"
#include "plat/types.h"

// Replaces the thread's caret. hBitmap null gives a solid caret; nWidth 0 the border width
// (SM_CXBORDER), nHeight 0 the border height.
PLATAPI BOOL CreateCaret(HWND hWnd, HBITMAP hBitmap, int nWidth, int nHeight);
PLATAPI BOOL DestroyCaret();
// In the owner's client coordinates.
PLATAPI BOOL SetCaretPos(int X, int Y);
PLATAPI BOOL GetCaretPos(LPPOINT lpPoint);
// hWnd null or the caret's owner; FALSE when the thread has no caret or another window owns it.
PLATAPI BOOL HideCaret(HWND hWnd);
PLATAPI BOOL ShowCaret(HWND hWnd);
// The time of each blink phase, in milliseconds.
PLATAPI UINT GetCaretBlinkTime();
