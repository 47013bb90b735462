#pragma once

// Synchronisation within and between processes: critical sections, events, mutexes,
// semaphores and the waits on them. Objects created with a name are shared with every process
// of the user that creates or opens the same name, and exist while some process holds a handle.

#include "plat/api.h"
#include "plat/types.h"

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_ABANDONED_0 0x00000080u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64

#ifndef ERROR_NOT_OWNER
#define ERROR_NOT_OWNER 288L
#endif
#ifndef ERROR_TOO_MANY_POSTS
#define ERROR_TOO_MANY_POSTS 298L
#endif

// Recursive for its owning thread. The fields are the lock's own; callers only pass its address.
struct CRITICAL_SECTION {
    uint32_t LockWord;       // 0 free, 1 held, 2 held with threads sleeping on it
    DWORD OwningThread;      // thread id of the holder, 0 when free
    LONG RecursionCount;
    DWORD SpinCount;
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

PLATAPI void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
PLATAPI BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION lpCriticalSection, DWORD dwSpinCount);
PLATAPI void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
PLATAPI BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
PLATAPI void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
PLATAPI void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);

// A name that another object kind already uses fails with ERROR_INVALID_HANDLE; a name that an
// object of the same kind uses answers that object with the last error ERROR_ALREADY_EXISTS.
PLATAPI HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState,
    LPCSTR lpName);
PLATAPI HANDLE OpenEventA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
PLATAPI BOOL SetEvent(HANDLE hEvent);
PLATAPI BOOL ResetEvent(HANDLE hEvent);
// Releases the threads waiting at this moment (one for an auto-reset event) and leaves the
// event not signalled.
PLATAPI BOOL PulseEvent(HANDLE hEvent);

PLATAPI HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner, LPCSTR lpName);
PLATAPI HANDLE OpenMutexA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
PLATAPI BOOL ReleaseMutex(HANDLE hMutex);

PLATAPI HANDLE CreateSemaphoreA(LPSECURITY_ATTRIBUTES lpSemaphoreAttributes, LONG lInitialCount,
    LONG lMaximumCount, LPCSTR lpName);
PLATAPI HANDLE OpenSemaphoreA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
PLATAPI BOOL ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LONG* lpPreviousCount);

#define SYNCHRONIZE 0x00100000u
#define EVENT_MODIFY_STATE 0x0002u
#define EVENT_ALL_ACCESS 0x001F0003u
#define MUTEX_ALL_ACCESS 0x001F0001u
#define SEMAPHORE_MODIFY_STATE 0x0002u
#define SEMAPHORE_ALL_ACCESS 0x001F0003u

PLATAPI DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
PLATAPI DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds);
