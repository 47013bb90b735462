#include "kernel/SyncObjects.h"

#include "plat/errors.h"
#include "plat/sync.h"

#include <algorithm>

namespace plat {

namespace {

// Mutexes owned by some thread, so that a thread's end can abandon them. Under waitLock().
std::vector<MutexObject*>& ownedMutexes()
{
    static auto* list = new std::vector<MutexObject*>;
    return *list;
}

void forgetOwned(MutexObject* mutex)
{
    auto& list = ownedMutexes();
    auto it = std::find(list.begin(), list.end(), mutex);
    if (it != list.end())
        list.erase(it);
}

bool contains(const std::vector<WakeSignal*>& list, WakeSignal* signal)
{
    return std::find(list.begin(), list.end(), signal) != list.end();
}

} // namespace

bool EventObject::isSignalled(const WaitContext& ctx) { return m_signalled || contains(m_pulsed, ctx.signal); }

Acquire EventObject::tryAcquire(const WaitContext& ctx)
{
    auto pulsed = std::find(m_pulsed.begin(), m_pulsed.end(), ctx.signal);
    if (pulsed != m_pulsed.end()) {
        m_pulsed.erase(pulsed);
        return Acquire::Yes;
    }
    if (!m_signalled)
        return Acquire::No;
    if (!m_manual)
        m_signalled = false;
    return Acquire::Yes;
}

void EventObject::removeWaiter(WakeSignal* signal)
{
    Waitable::removeWaiter(signal);
    auto pulsed = std::find(m_pulsed.begin(), m_pulsed.end(), signal);
    if (pulsed != m_pulsed.end())
        m_pulsed.erase(pulsed);
}

bool EventObject::set()
{
    std::lock_guard lock(waitLock());
    m_signalled = true;
    notifyWaiters();
    return true;
}

bool EventObject::reset()
{
    std::lock_guard lock(waitLock());
    m_signalled = false;
    return true;
}

bool EventObject::pulse()
{
    std::lock_guard lock(waitLock());
    m_signalled = false;
    for (WakeSignal* signal : waiters()) {
        if (!contains(m_pulsed, signal))
            m_pulsed.push_back(signal);
        signal->wake();
        if (!m_manual)
            break;
    }
    return true;
}

MutexObject::MutexObject(bool initiallyOwned)
{
    if (initiallyOwned) {
        std::lock_guard lock(waitLock());
        m_owner = currentThreadId();
        m_count = 1;
        ownedMutexes().push_back(this);
    }
}

MutexObject::~MutexObject()
{
    std::lock_guard lock(waitLock());
    forgetOwned(this);
}

bool MutexObject::isSignalled(const WaitContext& ctx) { return m_count == 0 || m_owner == ctx.threadId; }

Acquire MutexObject::tryAcquire(const WaitContext& ctx)
{
    if (m_count != 0 && m_owner != ctx.threadId)
        return Acquire::No;
    if (m_count++ == 0) {
        m_owner = ctx.threadId;
        ownedMutexes().push_back(this);
    }
    if (m_abandoned) {
        m_abandoned = false;
        return Acquire::Abandoned;
    }
    return Acquire::Yes;
}

bool MutexObject::release()
{
    std::lock_guard lock(waitLock());
    if (m_count == 0 || m_owner != currentThreadId()) {
        SetLastError(ERROR_NOT_OWNER);
        return false;
    }
    if (--m_count == 0) {
        m_owner = 0;
        forgetOwned(this);
        notifyWaiters();
    }
    return true;
}

void MutexObject::abandon()
{
    m_owner = 0;
    m_count = 0;
    m_abandoned = true;
    notifyWaiters();
}

void abandonMutexesOf(DWORD threadId)
{
    auto& list = ownedMutexes();
    for (size_t i = list.size(); i-- > 0;) {
        if (list[i]->owner() == threadId) {
            MutexObject* mutex = list[i];
            list.erase(list.begin() + ptrdiff_t(i));
            mutex->abandon();
        }
    }
}

Acquire SemaphoreObject::tryAcquire(const WaitContext&)
{
    if (m_count <= 0)
        return Acquire::No;
    --m_count;
    return Acquire::Yes;
}

bool SemaphoreObject::release(LONG count, LONG* previous)
{
    std::lock_guard lock(waitLock());
    if (count <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (count > m_max - m_count) {
        SetLastError(ERROR_TOO_MANY_POSTS);
        return false;
    }
    if (previous)
        *previous = m_count;
    m_count += count;
    notifyWaiters();
    return true;
}

} // namespace plat
