#pragma once

// The kernel object behind a thread handle. Every thread that asks gets one: threads made by
// CreateThread at their start, any other thread (the main thread, threads of other libraries)
// when it first needs one. It is signalled when the thread ends.

#include "kernel/Waitable.h"

#include <atomic>
#include <condition_variable>
#include <pthread.h>

namespace plat {

class ThreadObject final : public Waitable {
public:
    bool isSignalled(const WaitContext&) override { return m_ended; }
    Acquire tryAcquire(const WaitContext&) override { return m_ended ? Acquire::Yes : Acquire::No; }

    DWORD id() const { return m_id; }
    // Records the end: abandons the mutexes the thread holds, keeps the exit code and wakes
    // whoever waits for it. Only the first call counts.
    void finish(DWORD exitCode);

    // Under waitLock().
    bool ended() const { return m_ended; }
    DWORD exitCode() const { return m_exitCode; }

    DWORD resume();
    DWORD suspend();
    int priority() const { return m_priority; }
    void setPriority(int priority) { m_priority = priority; }
    void times(FILETIME& creation, FILETIME& exit, FILETIME& kernel, FILETIME& user);

    // Creator's side of the start: hold the new thread at its gate, then learn its id.
    void holdAtStart() { m_suspendCount = 1; }
    void waitForId();

private:
    friend std::shared_ptr<ThreadObject> currentThreadObject();
    friend struct ThreadStart;
    friend std::shared_ptr<ThreadObject> makeThreadObject(DWORD id);

    DWORD m_id = 0;
    bool m_ended = false; // under waitLock()
    DWORD m_exitCode = STILL_ACTIVE_CODE;
    std::atomic<int> m_priority{0};

    // The start gate of a thread made by CreateThread.
    std::mutex m_gateMutex;
    std::condition_variable m_gate;
    DWORD m_suspendCount = 0;
    bool m_published = false; // the new thread has told its id
    bool m_running = false;   // the new thread has passed the gate

    int64_t m_creationTime = 0;
    int64_t m_exitTime = 0;
    uint64_t m_kernelTime = 0; // kept at the end
    uint64_t m_userTime = 0;

    static constexpr DWORD STILL_ACTIVE_CODE = 259;
};

// The calling thread's object (made on first use).
std::shared_ptr<ThreadObject> currentThreadObject();

// The calling process's object, for the current-process pseudo-handle. The process area may
// install its own kind (setCurrentProcessObjectFactory); the default is a waitable that is
// never signalled, as the calling process does not end while it waits.
std::shared_ptr<KernelObject> currentProcessObject();
void setCurrentProcessObjectFactory(std::shared_ptr<KernelObject> (*factory)());

} // namespace plat
