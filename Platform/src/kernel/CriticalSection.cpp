#include "kernel/Waitable.h"

#include "plat/sync.h"

#include <climits>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

// A recursive lock over one futex word: 0 free, 1 held, 2 held with sleepers (who must be woken
// when it is left). The owner field makes re-entry by the holder a plain count.

namespace {

void futexWait(uint32_t* word, uint32_t expected)
{
    syscall(SYS_futex, word, FUTEX_WAIT_PRIVATE, expected, nullptr, nullptr, 0);
}

void futexWakeOne(uint32_t* word) { syscall(SYS_futex, word, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0); }

bool tryTake(CRITICAL_SECTION* cs)
{
    uint32_t expected = 0;
    return __atomic_compare_exchange_n(&cs->LockWord, &expected, 1, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED);
}

void own(CRITICAL_SECTION* cs, DWORD self)
{
    __atomic_store_n(&cs->OwningThread, self, __ATOMIC_RELAXED);
    cs->RecursionCount = 1;
}

} // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION cs) { *cs = CRITICAL_SECTION{0, 0, 0, 0}; }

BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION cs, DWORD dwSpinCount)
{
    *cs = CRITICAL_SECTION{0, 0, 0, dwSpinCount};
    return TRUE;
}

void EnterCriticalSection(LPCRITICAL_SECTION cs)
{
    const DWORD self = plat::currentThreadId();
    if (__atomic_load_n(&cs->OwningThread, __ATOMIC_RELAXED) == self) {
        ++cs->RecursionCount;
        return;
    }
    if (tryTake(cs)) {
        own(cs, self);
        return;
    }
    for (DWORD spin = cs->SpinCount; spin > 0; --spin) {
        if (__atomic_load_n(&cs->LockWord, __ATOMIC_RELAXED) == 0 && tryTake(cs)) {
            own(cs, self);
            return;
        }
        __builtin_ia32_pause();
    }
    // Mark it contended; whoever finds it free that way owns it.
    while (__atomic_exchange_n(&cs->LockWord, 2u, __ATOMIC_ACQUIRE) != 0)
        futexWait(&cs->LockWord, 2);
    own(cs, self);
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION cs)
{
    const DWORD self = plat::currentThreadId();
    if (__atomic_load_n(&cs->OwningThread, __ATOMIC_RELAXED) == self) {
        ++cs->RecursionCount;
        return TRUE;
    }
    if (!tryTake(cs))
        return FALSE;
    own(cs, self);
    return TRUE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION cs)
{
    // Leaving a section one does not hold would release another thread's lock: ignored.
    if (__atomic_load_n(&cs->OwningThread, __ATOMIC_RELAXED) != plat::currentThreadId())
        return;
    if (--cs->RecursionCount > 0)
        return;
    __atomic_store_n(&cs->OwningThread, 0u, __ATOMIC_RELAXED);
    if (__atomic_exchange_n(&cs->LockWord, 0u, __ATOMIC_RELEASE) == 2)
        futexWakeOne(&cs->LockWord);
}

void DeleteCriticalSection(LPCRITICAL_SECTION cs) { *cs = CRITICAL_SECTION{0, 0, 0, 0}; }
