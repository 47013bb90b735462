#pragma once

// What every waitable kernel object implements, and the one wait behind WaitForSingleObject,
// WaitForMultipleObjects, Sleep and the message waits.
//
// How a wait works. The waiting thread owns a WakeSignal. Under waitLock() it asks each object
// whether it is signalled; if the wait cannot be satisfied it adds its WakeSignal to each
// object's waiter list and blocks in the clock (so that tests can replace time). Whoever changes
// an object's state does so under waitLock() and calls notifyWaiters(), which wakes every thread
// registered on it; they check again. Nothing is handed over directly, so a woken thread may find
// the object taken by another: it simply blocks again.
//
// Adding a waitable kind (message queues, process handles, objects in shared memory):
//  - derive from Waitable; implement isSignalled() and tryAcquire(), both called under
//    waitLock() and neither blocking. tryAcquire() consumes the signal for the waiting thread
//    (an auto-reset event resets, a semaphore count falls, a mutex becomes owned) and answers
//    Acquire::Abandoned where the object reports WAIT_ABANDONED;
//  - when its state changes inside this process, take waitLock() and call notifyWaiters(), or
//    call wakeWaiters() which does both. A kind with its own lock takes it inside waitLock(),
//    never the other way round;
//  - a kind whose state other processes change answers from sharedWakeWord() a word in shared
//    memory that every change raises with bumpSharedWord() (plat/clock.h): waits watch it. Where
//    a change can come without that (a process dies), or the system cannot watch such words
//    (canWatchSharedWords()), it answers a poll interval from pollIntervalMs(): a wait that
//    includes it wakes at least that often to look again.
//
// Message waits: MsgWaitForMultipleObjects passes the caller's objects plus a waitable that
// stands for "the thread's queue has input of the wanted kinds" as the last element; the
// queue calls wakeWaiters() on it when a message arrives, and the wait answers its index
// (the object count) as WAIT_OBJECT_0 + count.

#include "kernel/HandleTable.h"
#include "plat/clock.h"

#include <mutex>
#include <span>
#include <vector>

namespace plat {

// The lock under which every in-process waitable object's wait state changes.
std::mutex& waitLock();

// The calling thread's id (cached; the same as GetCurrentThreadId()).
DWORD currentThreadId();

// The calling thread's wake signal, for waits and anything that must wake it.
WakeSignal& currentWakeSignal();

enum class Acquire { No, Yes, Abandoned };

// Who is waiting: the thread's id (mutex ownership) and its wake signal (which PulseEvent uses
// to release exactly the threads waiting at that moment).
struct WaitContext {
    DWORD threadId;
    WakeSignal* signal;
};

class Waitable : public KernelObject {
public:
    // Under waitLock(): whether a wait by this thread would be satisfied now. Changes nothing.
    virtual bool isSignalled(const WaitContext& ctx) = 0;
    // Under waitLock(): takes the signal for the waiting thread if there is one.
    virtual Acquire tryAcquire(const WaitContext& ctx) = 0;
    // Objects that other processes change answer how often a wait must look again.
    virtual uint32_t pollIntervalMs() const { return 0; }
    // Objects that other processes change: the shared word they raise at every change.
    virtual const uint32_t* sharedWakeWord() const { return nullptr; }

    // Under waitLock().
    virtual void addWaiter(WakeSignal* signal);
    virtual void removeWaiter(WakeSignal* signal);

    // Takes waitLock() and wakes every waiting thread.
    void wakeWaiters();

protected:
    // Under waitLock().
    void notifyWaiters();
    const std::vector<WakeSignal*>& waiters() const { return m_waiters; }

private:
    std::vector<WakeSignal*> m_waiters;
};

// Waits until one (waitAll false) or all of the objects can be taken, or the time-out (ms,
// INFINITE for none) ends on the platform clock. Answers WAIT_OBJECT_0 + i, WAIT_ABANDONED_0 + i
// (waitAll: index 0 stands for the first abandoned mutex) or WAIT_TIMEOUT. The caller has
// checked the objects; an empty list is a plain timed sleep.
DWORD waitForObjects(std::span<Waitable* const> objects, bool waitAll, DWORD timeoutMs);

// The waitable object a handle names, including the current-thread and current-process
// pseudo-handles; null with ERROR_INVALID_HANDLE for anything else.
std::shared_ptr<Waitable> lookupWaitable(HANDLE handle);

} // namespace plat
