#include "kernel/NamedObjects.h"
#include "kernel/SyncObjects.h"

#include "plat/errors.h"
#include "plat/sync.h"

#include <algorithm>

using namespace plat;

namespace {

HANDLE handleFor(std::shared_ptr<KernelObject> object, bool existed)
{
    HANDLE handle = kernelHandles().insert(std::move(object));
    if (handle)
        SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

// An unnamed object is this process's alone; a named one may exist already.
template <class MakeLocal, class MakeNamed>
HANDLE create(LPCSTR name, MakeLocal makeLocal, MakeNamed makeNamed)
{
    if (!name || !*name)
        return handleFor(makeLocal(), false);
    bool existed = false;
    std::shared_ptr<KernelObject> object = makeNamed(existed);
    return object ? handleFor(std::move(object), existed) : nullptr;
}

HANDLE openByName(NamedKind kind, LPCSTR name)
{
    auto object = openNamed(kind, name);
    return object ? handleFor(std::move(object), false) : nullptr;
}

} // namespace

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES sa, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName)
{
    const bool manual = bManualReset != FALSE, initial = bInitialState != FALSE;
    return create(
        lpName, [&] { return std::make_shared<EventObject>(manual, initial); },
        [&](bool& existed) { return createNamedEvent(lpName, manual, initial, sa, existed); });
}

HANDLE OpenEventA(DWORD, BOOL, LPCSTR lpName)
{
    return openByName(NamedKind::Event, lpName);
}

BOOL SetEvent(HANDLE hEvent)
{
    auto event = kernelHandles().lookupAs<EventBase>(hEvent);
    return event && event->set() ? TRUE : FALSE;
}

BOOL ResetEvent(HANDLE hEvent)
{
    auto event = kernelHandles().lookupAs<EventBase>(hEvent);
    return event && event->reset() ? TRUE : FALSE;
}

BOOL PulseEvent(HANDLE hEvent)
{
    auto event = kernelHandles().lookupAs<EventBase>(hEvent);
    return event && event->pulse() ? TRUE : FALSE;
}

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES sa, BOOL bInitialOwner, LPCSTR lpName)
{
    const bool owned = bInitialOwner != FALSE;
    return create(
        lpName, [&] { return std::make_shared<MutexObject>(owned); },
        [&](bool& existed) { return createNamedMutex(lpName, owned, sa, existed); });
}

HANDLE OpenMutexA(DWORD, BOOL, LPCSTR lpName)
{
    return openByName(NamedKind::Mutex, lpName);
}

BOOL ReleaseMutex(HANDLE hMutex)
{
    auto mutex = kernelHandles().lookupAs<MutexBase>(hMutex);
    return mutex && mutex->release() ? TRUE : FALSE;
}

HANDLE CreateSemaphoreA(LPSECURITY_ATTRIBUTES sa, LONG lInitialCount, LONG lMaximumCount, LPCSTR lpName)
{
    if (lMaximumCount <= 0 || lInitialCount < 0 || lInitialCount > lMaximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return create(
        lpName, [&] { return std::make_shared<SemaphoreObject>(lInitialCount, lMaximumCount); },
        [&](bool& existed) { return createNamedSemaphore(lpName, lInitialCount, lMaximumCount, sa, existed); });
}

HANDLE OpenSemaphoreA(DWORD, BOOL, LPCSTR lpName)
{
    return openByName(NamedKind::Semaphore, lpName);
}

BOOL ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LONG* lpPreviousCount)
{
    auto semaphore = kernelHandles().lookupAs<SemaphoreBase>(hSemaphore);
    return semaphore && semaphore->release(lReleaseCount, lpPreviousCount) ? TRUE : FALSE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds)
{
    if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || !lpHandles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::shared_ptr<Waitable> held[MAXIMUM_WAIT_OBJECTS];
    Waitable* objects[MAXIMUM_WAIT_OBJECTS];
    for (DWORD i = 0; i < nCount; ++i) {
        held[i] = lookupWaitable(lpHandles[i]);
        if (!held[i])
            return WAIT_FAILED;
        objects[i] = held[i].get();
    }
    if (bWaitAll) {
        // Waiting for all of one object twice could never be satisfied consistently.
        for (DWORD i = 0; i < nCount; ++i)
            if (std::find(objects + i + 1, objects + nCount, objects[i]) != objects + nCount) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return WAIT_FAILED;
            }
    }
    return waitForObjects(std::span<Waitable* const>(objects, nCount), bWaitAll != FALSE, dwMilliseconds);
}
