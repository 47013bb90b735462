#pragma once

// Global memory blocks, as the clipboard carries them. Every block is named by a handle of its
// own table (GMEM_FIXED blocks included): a freed or made-up handle is refused with
// ERROR_INVALID_HANDLE.

#include "plat/api.h"
#include "plat/types.h"

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GMEM_DDESHARE 0x2000
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

#ifndef ERROR_NOT_LOCKED
#define ERROR_NOT_LOCKED 158L
#endif

// Null with ERROR_NOT_ENOUGH_MEMORY when the block cannot be had or is above 1 GiB.
PLATAPI HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
// The block's bytes; each lock counts.
PLATAPI LPVOID GlobalLock(HGLOBAL hMem);
// TRUE while locks remain; FALSE with NO_ERROR at the last one, FALSE with ERROR_NOT_LOCKED
// when there was none.
PLATAPI BOOL GlobalUnlock(HGLOBAL hMem);
PLATAPI SIZE_T GlobalSize(HGLOBAL hMem);
// Keeps the bytes (new bytes are zero, as are those of a new block); a locked block moves only with
// GMEM_MOVEABLE, else the call fails with ERROR_NOT_ENOUGH_MEMORY.
PLATAPI HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
// Null when freed, else the handle.
PLATAPI HGLOBAL GlobalFree(HGLOBAL hMem);
