#pragma once

// Threads: creation (optionally held at a start gate until resumed), exit codes, priorities,
// times, Sleep and thread-local storage.

#include "plat/api.h"
#include "plat/types.h"

typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);

#define CREATE_SUSPENDED 0x00000004u
#define STILL_ACTIVE 259u

#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF

PLATAPI HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
    LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId);
// Ends the calling thread with the exit code; destructors of its stack objects run.
[[noreturn]] PLATAPI void ExitThread(DWORD dwExitCode);

// Both answer the previous suspend count, or (DWORD)-1 on failure. Only a thread that has not
// yet started can be suspended; a running one fails with ERROR_NOT_SUPPORTED.
PLATAPI DWORD ResumeThread(HANDLE hThread);
PLATAPI DWORD SuspendThread(HANDLE hThread);

// STILL_ACTIVE while the thread runs, its exit code once it has ended.
PLATAPI BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
PLATAPI int GetThreadPriority(HANDLE hThread);
PLATAPI BOOL SetThreadPriority(HANDLE hThread, int nPriority);
// Creation and exit time as UTC file times; kernel and user time in 100-ns units.
PLATAPI BOOL GetThreadTimes(HANDLE hThread, LPFILETIME lpCreationTime, LPFILETIME lpExitTime,
    LPFILETIME lpKernelTime, LPFILETIME lpUserTime);

PLATAPI DWORD GetCurrentThreadId();
// A pseudo-handle meaning "the calling thread"; DuplicateHandle turns it into a real handle.
PLATAPI HANDLE GetCurrentThread();

// Timed on the platform clock. Sleep(0) gives up the rest of the time slice.
PLATAPI void Sleep(DWORD dwMilliseconds);

#define TLS_OUT_OF_INDEXES 0xFFFFFFFFu
PLATAPI DWORD TlsAlloc();
PLATAPI BOOL TlsFree(DWORD dwTlsIndex);
PLATAPI LPVOID TlsGetValue(DWORD dwTlsIndex);
PLATAPI BOOL TlsSetValue(DWORD dwTlsIndex, LPVOID lpTlsValue);
