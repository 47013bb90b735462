#pragma once

// The clipboard: one per desktop, opened by one window at a time. CF_TEXT is UTF-8 text ending
// in a zero byte.

#include "plat/api.h"
#include "plat/types.h"

#define CF_TEXT 1

#ifndef ERROR_CLIPBOARD_NOT_OPEN
#define ERROR_CLIPBOARD_NOT_OPEN 1418L
#endif

// FALSE with ERROR_ACCESS_DENIED while another window (or thread) has it open.
PLATAPI BOOL OpenClipboard(HWND hWndNewOwner);
PLATAPI BOOL CloseClipboard();
// Frees every format; the window that opened the clipboard becomes its owner.
PLATAPI BOOL EmptyClipboard();
// Only the owner, while it has the clipboard open: the clipboard then owns the block (a global
// memory handle) and frees it when it is replaced or emptied. On failure (null) the caller
// keeps the block.
PLATAPI HANDLE SetClipboardData(UINT uFormat, HANDLE hMem);
// While the caller has the clipboard open: the block of a format, which stays the clipboard's.
PLATAPI HANDLE GetClipboardData(UINT uFormat);
PLATAPI BOOL IsClipboardFormatAvailable(UINT format);
