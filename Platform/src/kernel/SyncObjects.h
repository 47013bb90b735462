#pragma once

// The kinds behind event, mutex and semaphore handles. Each operation answers false with the
// last error set when it fails. The in-process kinds live here; named objects shared between
// processes implement the same bases over shared memory.

#include "kernel/Waitable.h"

namespace plat {

class EventBase : public Waitable {
public:
    virtual bool set() = 0;
    virtual bool reset() = 0;
    virtual bool pulse() = 0;
};

class MutexBase : public Waitable {
public:
    // Fails with ERROR_NOT_OWNER when the calling thread does not own it.
    virtual bool release() = 0;
};

class SemaphoreBase : public Waitable {
public:
    // Fails with ERROR_TOO_MANY_POSTS when the count would pass the maximum.
    virtual bool release(LONG count, LONG* previous) = 0;
};

class EventObject final : public EventBase {
public:
    EventObject(bool manualReset, bool initialState) : m_manual(manualReset), m_signalled(initialState) {}

    bool isSignalled(const WaitContext& ctx) override;
    Acquire tryAcquire(const WaitContext& ctx) override;
    void removeWaiter(WakeSignal* signal) override;

    bool set() override;
    bool reset() override;
    bool pulse() override;

private:
    const bool m_manual;
    bool m_signalled;
    // Threads that a pulse released and that have not yet taken it.
    std::vector<WakeSignal*> m_pulsed;
};

class MutexObject final : public MutexBase {
public:
    explicit MutexObject(bool initiallyOwned);
    ~MutexObject() override;

    bool isSignalled(const WaitContext& ctx) override;
    Acquire tryAcquire(const WaitContext& ctx) override;
    bool release() override;

    // Under waitLock(): the owner ended without releasing it.
    void abandon();
    DWORD owner() const { return m_owner; }

private:
    DWORD m_owner = 0;
    DWORD m_count = 0;
    bool m_abandoned = false;
};

class SemaphoreObject final : public SemaphoreBase {
public:
    SemaphoreObject(LONG initial, LONG maximum) : m_count(initial), m_max(maximum) {}

    bool isSignalled(const WaitContext&) override { return m_count > 0; }
    Acquire tryAcquire(const WaitContext& ctx) override;
    bool release(LONG count, LONG* previous) override;

private:
    LONG m_count;
    const LONG m_max;
};

// Under waitLock(): abandons every in-process mutex that thread owns (it is ending).
void abandonMutexesOf(DWORD threadId);
// On the ending thread itself, outside waitLock(): gives up the named mutexes it holds.
void abandonSharedMutexesOf(DWORD threadId);

} // namespace plat
