#include "kernel/Waitable.h"

#include "kernel/TestHooks.h"
#include "kernel/ThreadObject.h"
#include "plat/errors.h"
#include "plat/process_ids.h"
#include "plat/sync.h"
#include "plat/thread.h"

#include <algorithm>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace plat {

std::mutex& waitLock()
{
    // Never destroyed: objects may be signalled from other libraries' static destructors.
    static std::mutex* lock = new std::mutex;
    return *lock;
}

namespace {
// Static TLS: read on every critical-section entry, so kept to a plain load.
thread_local DWORD t_threadId __attribute__((tls_model("initial-exec"))) = 0;
} // namespace

// A forked child's thread has an id of its own.
[[maybe_unused]] const int g_forgetIdAtFork = pthread_atfork(nullptr, nullptr, [] { t_threadId = 0; });

DWORD currentThreadId()
{
    if (__builtin_expect(t_threadId == 0, 0))
        t_threadId = DWORD(syscall(SYS_gettid));
    return t_threadId;
}

WakeSignal& currentWakeSignal()
{
    thread_local WakeSignal signal;
    return signal;
}

void Waitable::addWaiter(WakeSignal* signal) { m_waiters.push_back(signal); }

void Waitable::removeWaiter(WakeSignal* signal)
{
    auto it = std::find(m_waiters.begin(), m_waiters.end(), signal);
    if (it != m_waiters.end())
        m_waiters.erase(it);
}

void Waitable::notifyWaiters()
{
    for (WakeSignal* signal : m_waiters)
        signal->wake();
}

void Waitable::wakeWaiters()
{
    std::lock_guard lock(waitLock());
    notifyWaiters();
}

namespace {

constexpr DWORD kNotYet = 0xFFFFFFFEu;

// Under waitLock(): takes what the wait asks for if it can be had now.
DWORD tryTake(std::span<Waitable* const> objects, bool waitAll, const WaitContext& ctx)
{
    if (!waitAll) {
        for (size_t i = 0; i < objects.size(); ++i) {
            Acquire got = objects[i]->tryAcquire(ctx);
            if (got == Acquire::Yes && testForcedAbandon(objects[i]))
                got = Acquire::Abandoned;
            if (got == Acquire::Yes)
                return WAIT_OBJECT_0 + DWORD(i);
            if (got == Acquire::Abandoned)
                return WAIT_ABANDONED_0 + DWORD(i);
        }
        return kNotYet;
    }
    if (objects.empty())
        return kNotYet;
    for (Waitable* object : objects)
        if (!object->isSignalled(ctx))
            return kNotYet;
    DWORD result = WAIT_OBJECT_0;
    for (size_t i = 0; i < objects.size(); ++i)
        if ((objects[i]->tryAcquire(ctx) == Acquire::Abandoned || testForcedAbandon(objects[i])) && result == WAIT_OBJECT_0)
            result = WAIT_ABANDONED_0 + DWORD(i);
    return result;
}

// How often a wait must look again by itself because some object changes elsewhere.
uint32_t pollCap(std::span<Waitable* const> objects)
{
    uint32_t cap = WakeSignal::kNoLimit;
    for (Waitable* object : objects) {
        uint32_t interval = object->pollIntervalMs();
        if (interval != 0 && interval < cap)
            cap = interval;
    }
    return cap;
}

} // namespace

DWORD waitForObjects(std::span<Waitable* const> objects, bool waitAll, DWORD timeoutMs)
{
    WakeSignal& signal = currentWakeSignal();
    const WaitContext ctx{currentThreadId(), &signal};
    std::shared_ptr<Clock> clock = currentClock();
    uint64_t deadline = Clock::kNever;
    if (timeoutMs != INFINITE)
        deadline = clock->tickMs() + timeoutMs;
    const uint32_t cap = pollCap(objects);
    // Objects changed by other processes are looked at soon after the wait starts, then less
    // and less often up to their interval.
    uint32_t poll = cap == WakeSignal::kNoLimit ? cap : 1;

    WakeSignal::WatchedWord watched[WakeSignal::kMaxWatched];
    size_t watchedCount = 0;
    for (Waitable* object : objects)
        if (const uint32_t* word = object->sharedWakeWord(); word && watchedCount < WakeSignal::kMaxWatched)
            watched[watchedCount++] = WakeSignal::WatchedWord{word, 0};

    bool registered = false;
    auto unregister = [&] {
        if (registered)
            for (Waitable* object : objects)
                object->removeWaiter(&signal);
    };
    for (;;) {
        signal.reset();
        // Read before looking at the objects: a change after this shows as a different value.
        for (size_t i = 0; i < watchedCount; ++i)
            watched[i].seen = __atomic_load_n(watched[i].word, __ATOMIC_ACQUIRE);
        {
            std::lock_guard lock(waitLock());
            DWORD result = tryTake(objects, waitAll, ctx);
            if (result != kNotYet || timeoutMs == 0) {
                unregister();
                return result != kNotYet ? result : WAIT_TIMEOUT;
            }
            if (!registered) {
                for (Waitable* object : objects)
                    object->addWaiter(&signal);
                registered = true;
            }
        }
        std::shared_ptr<Clock> now = currentClock();
        if (now != clock) {
            // The clock was replaced during the wait: keep the time that was left.
            if (deadline != Clock::kNever) {
                uint64_t old = clock->tickMs();
                uint64_t left = deadline > old ? deadline - old : 0;
                deadline = now->tickMs() + left;
            }
            clock = std::move(now);
        }
        if (deadline != Clock::kNever && clock->tickMs() >= deadline) {
            std::lock_guard lock(waitLock());
            // One last look: what became signalled up to the deadline still counts.
            DWORD result = tryTake(objects, waitAll, ctx);
            unregister();
            return result != kNotYet ? result : WAIT_TIMEOUT;
        }
        signal.watch(watched, watchedCount);
        clock->block(signal, deadline, poll);
        signal.unwatch();
        if (poll != WakeSignal::kNoLimit)
            poll = std::min(cap, poll * 2);
    }
}

std::shared_ptr<Waitable> lookupWaitable(HANDLE handle)
{
    if (handle == GetCurrentThread())
        return currentThreadObject();
    if (handle == GetCurrentProcess()) {
        auto process = std::dynamic_pointer_cast<Waitable>(currentProcessObject());
        if (!process)
            SetLastError(ERROR_INVALID_HANDLE);
        return process;
    }
    return kernelHandles().lookupAs<Waitable>(handle);
}

} // namespace plat
