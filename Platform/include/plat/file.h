#pragma once

// Files and folders. Every path passes the platform's path rule first: "\" becomes "/", and a
// path with a drive letter names no file here (ERROR_PATH_NOT_FOUND).

#include "plat/api.h"
#include "plat/types.h"

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_EXECUTE 0x20000000u
#define GENERIC_ALL 0x10000000u

#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define FILE_FLAG_OVERLAPPED 0x40000000
#define FILE_FLAG_NO_BUFFERING 0x20000000
#define FILE_FLAG_RANDOM_ACCESS 0x10000000
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000
#define FILE_FLAG_DELETE_ON_CLOSE 0x04000000
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)

#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_WRITE_THROUGH 0x00000008

// Reads and writes are synchronous; with an OVERLAPPED they happen at its offset.
struct OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};
typedef OVERLAPPED* LPOVERLAPPED;

struct WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
};
enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard, GetFileExMaxInfoLevel };

PLATAPI HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
    LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
    HANDLE hTemplateFile);
PLATAPI BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
    LPOVERLAPPED lpOverlapped);
PLATAPI BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
    LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);
PLATAPI DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod);
PLATAPI BOOL SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, LARGE_INTEGER* lpNewFilePointer,
    DWORD dwMoveMethod);
PLATAPI DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
PLATAPI BOOL GetFileSizeEx(HANDLE hFile, LARGE_INTEGER* lpFileSize);
PLATAPI BOOL SetEndOfFile(HANDLE hFile);
PLATAPI BOOL FlushFileBuffers(HANDLE hFile);
PLATAPI BOOL GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime,
    LPFILETIME lpLastWriteTime);
// The creation time cannot be set here and is ignored.
PLATAPI BOOL SetFileTime(HANDLE hFile, const FILETIME* lpCreationTime, const FILETIME* lpLastAccessTime,
    const FILETIME* lpLastWriteTime);

// Directory 0x10; read-only 0x1 for a file that has no write permission bit or that this user
// cannot write; hidden 0x2 for names that begin with "."; a plain file with none of these is
// FILE_ATTRIBUTE_NORMAL alone.
PLATAPI DWORD GetFileAttributesA(LPCSTR lpFileName);
PLATAPI BOOL GetFileAttributesExA(LPCSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId, LPVOID lpFileInformation);
// Only FILE_ATTRIBUTE_READONLY has an effect (it clears or restores the write permission).
PLATAPI BOOL SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes);

PLATAPI BOOL CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists);
PLATAPI BOOL MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName);
PLATAPI BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags);
PLATAPI BOOL DeleteFileA(LPCSTR lpFileName);
PLATAPI BOOL CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
PLATAPI BOOL RemoveDirectoryA(LPCSTR lpPathName);

PLATAPI DWORD GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer);
PLATAPI BOOL SetCurrentDirectoryA(LPCSTR lpPathName);
PLATAPI DWORD GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart);
// There are no short names here: answers the (existing) path itself.
PLATAPI DWORD GetShortPathNameA(LPCSTR lpszLongPath, LPSTR lpszShortPath, DWORD cchBuffer);
// $TMPDIR or /tmp, always with a trailing "/".
PLATAPI DWORD GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer);
// "<path>/<up to 3 prefix chars><hex>.TMP"; with uUnique 0 a new empty file is created.
PLATAPI UINT GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName);
// The platform's stand-ins for the Windows and system folders (in the data folder).
PLATAPI UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize);
PLATAPI UINT GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize);

// Windows wildcard rules: "*" and "?" over the whole name, case-insensitive, "*.*" also matching
// names without a dot. Entries come in case-insensitive name order, "." and ".." first.
PLATAPI HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);
PLATAPI BOOL FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData);
PLATAPI BOOL FindClose(HANDLE hFindFile);

namespace plat {
// The wildcard match FindFirstFileA uses.
PLATAPI bool wildcardMatch(const char* pattern, const char* name);
} // namespace plat

// Profile (INI) files. A file name without a folder is looked for in the Windows folder
// (GetWindowsDirectoryA). Section and key names are case-blind. A null section lists the section
// names, a null key the key names of the section, each terminated, with one more terminator at
// the end. The value is trimmed, and loses one pair of enclosing quotes. A missing file, section
// or key gives the default (trailing blanks cut; null is empty). Answers the characters copied
// without the terminator; a value cut to fit answers nSize - 1, a cut list nSize - 2.
PLATAPI DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
    DWORD nSize, LPCSTR lpFileName);
