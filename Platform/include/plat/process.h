#pragma once

// Child processes and handles on processes.
//
// A process handle is a kernel handle that WaitForSingleObject and WaitForMultipleObjects wait on
// (signalled once the process has ended) and that GetExitCodeProcess reads. Every child this
// process starts (CreateProcessA, ShellExecuteExA) is reaped as soon as it ends, whether or not
// anybody holds or closes its handle, so no child is ever left behind as a zombie.

#include "plat/api.h"
#include "plat/errors.h"
#include "plat/process_ids.h"
#include "plat/types.h"

struct STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    LPBYTE lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
typedef STARTUPINFOA* LPSTARTUPINFOA;

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
typedef PROCESS_INFORMATION* LPPROCESS_INFORMATION;

#define STARTF_USESHOWWINDOW 0x00000001

// Window modes (wShowWindow, and nShow of the shell). Programs started here have no window of
// ours, so the mode is advisory.
#ifndef SW_HIDE
#define SW_HIDE 0
#endif
#ifndef SW_SHOWNORMAL
#define SW_SHOWNORMAL 1
#endif
#ifndef SW_NORMAL
#define SW_NORMAL 1
#endif
#ifndef SW_SHOWMINIMIZED
#define SW_SHOWMINIMIZED 2
#endif
#ifndef SW_SHOWMAXIMIZED
#define SW_SHOWMAXIMIZED 3
#endif
#ifndef SW_MAXIMIZE
#define SW_MAXIMIZE 3
#endif
#ifndef SW_SHOWNOACTIVATE
#define SW_SHOWNOACTIVATE 4
#endif
#ifndef SW_SHOW
#define SW_SHOW 5
#endif
#ifndef SW_MINIMIZE
#define SW_MINIMIZE 6
#endif
#ifndef SW_SHOWMINNOACTIVE
#define SW_SHOWMINNOACTIVE 7
#endif
#ifndef SW_SHOWNA
#define SW_SHOWNA 8
#endif
#ifndef SW_RESTORE
#define SW_RESTORE 9
#endif
#ifndef SW_SHOWDEFAULT
#define SW_SHOWDEFAULT 10
#endif
#define STARTF_USESTDHANDLES 0x00000100

#define DEBUG_PROCESS 0x00000001
#define DEBUG_ONLY_THIS_PROCESS 0x00000002
#define DETACHED_PROCESS 0x00000008
#define CREATE_NEW_CONSOLE 0x00000010
#define NORMAL_PRIORITY_CLASS 0x00000020
#define IDLE_PRIORITY_CLASS 0x00000040
#define HIGH_PRIORITY_CLASS 0x00000080
#define REALTIME_PRIORITY_CLASS 0x00000100
#define CREATE_NEW_PROCESS_GROUP 0x00000200
#define BELOW_NORMAL_PRIORITY_CLASS 0x00004000
#define ABOVE_NORMAL_PRIORITY_CLASS 0x00008000
#define CREATE_NO_WINDOW 0x08000000

#define PROCESS_TERMINATE 0x0001
#define PROCESS_QUERY_INFORMATION 0x0400
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
#define PROCESS_ALL_ACCESS 0x001FFFFF
#ifndef SYNCHRONIZE
#define SYNCHRONIZE 0x00100000u
#endif
#ifndef STILL_ACTIVE
#define STILL_ACTIVE 259u
#endif
#ifndef ERROR_DIRECTORY
#define ERROR_DIRECTORY 267L
#endif

// Starts a program. The command line is split into arguments by the Windows rules (the first
// argument up to the next blank, or quoted; then blanks separate arguments, "..." groups,
// backslashes escape a quote only right before one). The program is lpApplicationName, or else
// the first argument; a first argument without "/" is looked for in PATH (lpApplicationName
// is always a file name, relative to the current folder); "\" counts as "/", and a
// drive-letter path fails with ERROR_PATH_NOT_FOUND. A missing program fails with
// ERROR_FILE_NOT_FOUND, a missing lpCurrentDirectory with ERROR_DIRECTORY.
// - DETACHED_PROCESS and CREATE_NEW_CONSOLE start the child in a new session,
//   CREATE_NEW_PROCESS_GROUP in a new process group; priority classes and the window mode of
//   lpStartupInfo are accepted and have no effect; CREATE_SUSPENDED and the debug flags fail
//   with ERROR_NOT_SUPPORTED.
// - Without bInheritHandles the child gets only its standard input, output and error; with it and
//   STARTF_USESTDHANDLES, those are the given file handles (a handle that names no file gives
//   /dev/null).
// - lpEnvironment is a block of "name=value" texts, each ending in 0, the block in a second 0.
// lpProcessInformation receives the process handle and a second handle on the same process
// (standing for its main thread); the caller closes both.
PLATAPI BOOL CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine,
    LPSECURITY_ATTRIBUTES lpProcessAttributes, LPSECURITY_ATTRIBUTES lpThreadAttributes, BOOL bInheritHandles,
    DWORD dwCreationFlags, LPVOID lpEnvironment, LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
    LPPROCESS_INFORMATION lpProcessInformation);

// A handle on a running process of this user or another one, to see whether it lives (wait on it
// or read its exit code). An unknown process id fails with ERROR_INVALID_PARAMETER.
PLATAPI HANDLE OpenProcess(DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwProcessId);

// STILL_ACTIVE while the process runs. A child's exit code is its exit status, or 128 + the
// signal number when a signal ended it (as shells report it). Of a process that is not our child
// only the end is known: its exit code reads as 0.
PLATAPI BOOL GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode);
