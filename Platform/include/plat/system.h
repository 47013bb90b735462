#pragma once

// The machine, the user and the environment, as the system asks for them.

#include "plat/api.h"
#include "plat/types.h"

#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_AMD_X8664 8664

#define MAX_COMPUTERNAME_LENGTH 15
#define UNLEN 256

struct OSVERSIONINFOEXA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
};
#define VER_NT_WORKSTATION 0x0000001

// Page size 4096 and allocation granularity 65536, whatever the machine uses.
PLATAPI void GetSystemInfo(LPSYSTEM_INFO lpSystemInfo);
// The system was written for version 5.1 (build 2600) of the NT family and is told so; the
// service-pack text names the Linux kernel. dwOSVersionInfoSize must be the size of
// OSVERSIONINFOA or OSVERSIONINFOEXA.
PLATAPI BOOL GetVersionExA(LPOSVERSIONINFOA lpVersionInformation);
// *pcbBuffer: the buffer size in; the length with the terminator out (also when too small).
PLATAPI BOOL GetUserNameA(LPSTR lpBuffer, LPDWORD pcbBuffer);
// The host name up to its first ".", in upper case, at most 15 characters. *nSize: the buffer size
// in; the length without the terminator out, or the size needed (ERROR_BUFFER_OVERFLOW).
PLATAPI BOOL GetComputerNameA(LPSTR lpBuffer, LPDWORD nSize);

// Names are case-blind, as on the original platform. "SystemRoot" and "windir", unless set,
// answer the platform's Windows folder (GetWindowsDirectoryA).
PLATAPI DWORD GetEnvironmentVariableA(LPCSTR lpName, LPSTR lpBuffer, DWORD nSize);
// A null value removes the variable.
PLATAPI BOOL SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue);
// Replaces each %NAME% of a known variable by its value; unknown references stay as written.
// Answers the size needed with the terminator (the text is written only when it fits).
PLATAPI DWORD ExpandEnvironmentStringsA(LPCSTR lpSrc, LPSTR lpDst, DWORD nSize);

// nNumber * nNumerator / nDenominator through 64 bits, rounded half away from zero; -1 for a zero
// denominator or a result beyond 32 bits.
PLATAPI int MulDiv(int nNumber, int nNumerator, int nDenominator);
