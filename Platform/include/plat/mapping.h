#pragma once

// File mappings: a file, or the paging file (INVALID_HANDLE_VALUE), mapped into memory; named
// mappings on the paging file are shared with every process of the user that opens the name and
// exist while some process holds a handle or a view. Views start at multiples of the allocation
// granularity, 65536.

#include "plat/api.h"
#include "plat/types.h"

#define PAGE_READONLY 0x02
#define PAGE_READWRITE 0x04
#define PAGE_WRITECOPY 0x08
#define SEC_COMMIT 0x08000000

#define FILE_MAP_COPY 0x0001
#define FILE_MAP_WRITE 0x0002
#define FILE_MAP_READ 0x0004
#define FILE_MAP_ALL_ACCESS 0x000F001F

#ifndef ERROR_FILE_INVALID
#define ERROR_FILE_INVALID 1006L
#endif
#ifndef ERROR_MAPPED_ALIGNMENT
#define ERROR_MAPPED_ALIGNMENT 1132L
#endif

// A size of 0 maps the whole file (an empty file fails with ERROR_FILE_INVALID); a larger size
// than the file's grows a file opened for writing. A name in use by a mapping answers that
// mapping with ERROR_ALREADY_EXISTS.
PLATAPI HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES lpFileMappingAttributes, DWORD flProtect,
    DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName);
PLATAPI HANDLE OpenFileMappingA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);

// An offset that is not a multiple of 65536 fails with ERROR_MAPPED_ALIGNMENT; 0 bytes maps to
// the end of the mapping. A view keeps its mapping alive after the mapping handle is closed.
PLATAPI LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
    DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap);
// With a base address the view is put there or fails with ERROR_INVALID_ADDRESS.
PLATAPI LPVOID MapViewOfFileEx(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
    DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap, LPVOID lpBaseAddress);
// Takes the address MapViewOfFile answered.
PLATAPI BOOL UnmapViewOfFile(LPCVOID lpBaseAddress);
// Writes the changed pages of a view (from the address for that many bytes, 0: to its end) to
// the file.
PLATAPI BOOL FlushViewOfFile(LPCVOID lpBaseAddress, SIZE_T dwNumberOfBytesToFlush);

// The number of views this process has mapped now (tests of code that bounds its views).
PLATAPI SIZE_T vntMappedViewCount();
