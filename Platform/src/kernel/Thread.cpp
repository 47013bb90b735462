#include "kernel/SyncObjects.h"
#include "kernel/TestHooks.h"
#include "kernel/ThreadObject.h"

#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/process_ids.h"
#include "plat/thread.h"

#include <atomic>
#include <cstdio>
#include <sched.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr uint64_t k100nsPerSecond = 10000000;

uint64_t to100ns(const timeval& tv) { return uint64_t(tv.tv_sec) * k100nsPerSecond + uint64_t(tv.tv_usec) * 10; }

// The calling thread's kernel and user time.
void ownTimes(uint64_t& kernel, uint64_t& user)
{
    // The resource usage lags the running thread by up to a scheduler tick, so a caller timing a
    // short stretch could see processor time jump past the elapsed time. The thread's processor
    // clock is exact; the usage only says how that total splits into kernel and user time.
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    const uint64_t sampledKernel = to100ns(usage.ru_stime);
    const uint64_t sampledTotal = sampledKernel + to100ns(usage.ru_utime);
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    const uint64_t total = uint64_t(now.tv_sec) * 10000000u + uint64_t(now.tv_nsec) / 100;
    kernel = sampledTotal ? uint64_t((unsigned __int128)total * sampledKernel / sampledTotal) : 0;
    user = total - kernel;
}

// Another running thread's kernel and user time, from its statistics line.
void otherTimes(DWORD id, uint64_t& kernel, uint64_t& user)
{
    kernel = user = 0;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%u/stat", id);
    FILE* file = std::fopen(path, "r");
    if (!file)
        return;
    char line[1024];
    size_t length = std::fread(line, 1, sizeof line - 1, file);
    std::fclose(file);
    line[length] = 0;
    // The command name sits in parentheses and may hold spaces: count fields after the last ")".
    const char* p = nullptr;
    for (size_t i = length; i-- > 0;)
        if (line[i] == ')') {
            p = line + i + 1;
            break;
        }
    unsigned long long utime = 0, stime = 0;
    if (!p || std::sscanf(p, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) != 2)
        return;
    uint64_t ticks = uint64_t(sysconf(_SC_CLK_TCK));
    if (ticks == 0)
        return;
    user = utime * k100nsPerSecond / ticks;
    kernel = stime * k100nsPerSecond / ticks;
}

FILETIME toFileTime(uint64_t value) { return FILETIME{DWORD(value), DWORD(value >> 32)}; }

// Holds the calling thread's object; at the thread's end, records the end for threads that
// CreateThread did not make (those record it themselves, with their exit code).
struct ThreadSelf {
    std::shared_ptr<ThreadObject> object;
    ~ThreadSelf()
    {
        if (object)
            object->finish(0);
    }
};
thread_local ThreadSelf t_self;
// A forked child's thread is another thread than the one that forked.
[[maybe_unused]] const int g_forgetSelfAtFork = pthread_atfork(nullptr, nullptr, [] { t_self.object.reset(); });
// Set by ExitThread for the unwinding start routine.
thread_local bool t_exiting = false;
thread_local DWORD t_exitCode = 0;
thread_local bool t_madeByCreateThread = false;

} // namespace

std::shared_ptr<ThreadObject> makeThreadObject(DWORD id)
{
    auto object = std::make_shared<ThreadObject>();
    object->m_id = id;
    object->m_creationTime = currentClock()->systemTime100ns();
    return object;
}

std::shared_ptr<ThreadObject> currentThreadObject()
{
    if (!t_self.object) {
        t_self.object = makeThreadObject(currentThreadId());
        t_self.object->m_running = true;
    }
    return t_self.object;
}

void ThreadObject::finish(DWORD exitCode)
{
    uint64_t kernel, user;
    ownTimes(kernel, user);
    int64_t now = currentClock()->systemTime100ns();
    if (m_id == currentThreadId())
        abandonSharedMutexesOf(m_id);
    std::lock_guard lock(waitLock());
    if (m_ended)
        return;
    abandonMutexesOf(m_id);
    m_kernelTime = kernel;
    m_userTime = user;
    m_exitTime = now;
    m_exitCode = exitCode;
    m_ended = true;
    notifyWaiters();
}

void ThreadObject::waitForId()
{
    // The id is the new thread's own, which only it can tell.
    std::unique_lock lock(m_gateMutex);
    m_gate.wait(lock, [&] { return m_published; });
}

DWORD ThreadObject::resume()
{
    std::lock_guard lock(m_gateMutex);
    DWORD previous = m_suspendCount;
    if (m_suspendCount > 0 && --m_suspendCount == 0)
        m_gate.notify_all();
    return previous;
}

DWORD ThreadObject::suspend()
{
    std::lock_guard lock(m_gateMutex);
    // Stopping a thread at an arbitrary point could leave any lock it holds taken for ever, so
    // only a thread still held at its start gate can be suspended (again).
    if (m_running) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return DWORD(-1);
    }
    return m_suspendCount++;
}

void ThreadObject::times(FILETIME& creation, FILETIME& exit, FILETIME& kernel, FILETIME& user)
{
    uint64_t k = 0, u = 0;
    int64_t exitTime = 0;
    bool ended;
    {
        std::lock_guard lock(waitLock());
        ended = m_ended;
        if (ended) {
            k = m_kernelTime;
            u = m_userTime;
            exitTime = m_exitTime;
        }
    }
    if (!ended) {
        if (m_id == currentThreadId())
            ownTimes(k, u);
        else
            otherTimes(m_id, k, u);
    }
    creation = toFileTime(uint64_t(m_creationTime));
    exit = toFileTime(uint64_t(exitTime));
    kernel = toFileTime(k);
    user = toFileTime(u);
}

struct ThreadStart {
    std::shared_ptr<ThreadObject> object;
    LPTHREAD_START_ROUTINE routine;
    LPVOID parameter;

    static void* run(void* arg);
};

void* ThreadStart::run(void* arg)
{
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(arg));
    ThreadObject& self = *start->object;
    t_self.object = start->object;
    t_madeByCreateThread = true;
    {
        std::unique_lock lock(self.m_gateMutex);
        self.m_id = currentThreadId();
        self.m_published = true;
        self.m_gate.notify_all();
        self.m_gate.wait(lock, [&] { return self.m_suspendCount == 0; });
        self.m_running = true;
    }
    // Runs also when ExitThread unwinds the thread.
    struct Finish {
        ThreadObject& self;
        DWORD code = 0;
        ~Finish() { self.finish(t_exiting ? t_exitCode : code); }
    } finish{self};
    finish.code = start->routine(start->parameter);
    return nullptr;
}

namespace {

class CurrentProcessObject final : public Waitable {
public:
    bool isSignalled(const WaitContext&) override { return false; }
    Acquire tryAcquire(const WaitContext&) override { return Acquire::No; }
};

std::atomic<std::shared_ptr<KernelObject> (*)()> g_processFactory{nullptr};

} // namespace

std::shared_ptr<KernelObject> currentProcessObject()
{
    if (auto factory = g_processFactory.load())
        return factory();
    return std::make_shared<CurrentProcessObject>();
}

void setCurrentProcessObjectFactory(std::shared_ptr<KernelObject> (*factory)()) { g_processFactory = factory; }

} // namespace plat

using namespace plat;

namespace {

std::shared_ptr<ThreadObject> lookupThread(HANDLE handle)
{
    if (handle == GetCurrentThread())
        return currentThreadObject();
    return kernelHandles().lookupAs<ThreadObject>(handle);
}

} // namespace

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress,
    LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId)
{
    if (!lpStartAddress) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (testFailThreadCreation()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto object = makeThreadObject(0);
    if (dwCreationFlags & CREATE_SUSPENDED)
        object->holdAtStart();
    HANDLE handle = kernelHandles().insert(object);
    if (!handle)
        return nullptr;

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    size_t defaultSize = 0;
    pthread_attr_getstacksize(&attr, &defaultSize);
    // Smaller stacks than the default are not honoured: sanitizer builds need the room.
    if (dwStackSize > defaultSize)
        pthread_attr_setstacksize(&attr, (dwStackSize + 0xFFFF) & ~size_t(0xFFFF));
    auto* start = new ThreadStart{object, lpStartAddress, lpParameter};
    pthread_t thread;
    int err = pthread_create(&thread, &attr, &ThreadStart::run, start);
    pthread_attr_destroy(&attr);
    if (err != 0) {
        delete start;
        kernelHandles().remove(handle);
        SetLastError(err == EAGAIN ? ERROR_NOT_ENOUGH_MEMORY : vntWin32ErrorFromErrno(err));
        return nullptr;
    }
    object->waitForId();
    if (lpThreadId)
        *lpThreadId = object->id();
    return handle;
}

void ExitThread(DWORD dwExitCode)
{
    t_exiting = true;
    t_exitCode = dwExitCode;
    // A thread that CreateThread made records its end while it unwinds; any other one here.
    if (!t_madeByCreateThread)
        currentThreadObject()->finish(dwExitCode);
    pthread_exit(nullptr);
}

DWORD ResumeThread(HANDLE hThread)
{
    auto thread = lookupThread(hThread);
    return thread ? thread->resume() : DWORD(-1);
}

DWORD SuspendThread(HANDLE hThread)
{
    auto thread = lookupThread(hThread);
    return thread ? thread->suspend() : DWORD(-1);
}

BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode)
{
    auto thread = lookupThread(hThread);
    if (!thread)
        return FALSE;
    if (!lpExitCode) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(waitLock());
    *lpExitCode = thread->ended() ? thread->exitCode() : STILL_ACTIVE;
    return TRUE;
}

int GetThreadPriority(HANDLE hThread)
{
    auto thread = lookupThread(hThread);
    return thread ? thread->priority() : THREAD_PRIORITY_ERROR_RETURN;
}

BOOL SetThreadPriority(HANDLE hThread, int nPriority)
{
    auto thread = lookupThread(hThread);
    if (!thread)
        return FALSE;
    bool valid = (nPriority >= THREAD_PRIORITY_LOWEST && nPriority <= THREAD_PRIORITY_HIGHEST)
        || nPriority == THREAD_PRIORITY_IDLE || nPriority == THREAD_PRIORITY_TIME_CRITICAL;
    if (!valid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Kept for the callers that read it back; Linux gives unprivileged threads no way to rise.
    thread->setPriority(nPriority);
    return TRUE;
}

BOOL GetThreadTimes(HANDLE hThread, LPFILETIME lpCreationTime, LPFILETIME lpExitTime, LPFILETIME lpKernelTime,
    LPFILETIME lpUserTime)
{
    auto thread = lookupThread(hThread);
    if (!thread)
        return FALSE;
    if (!lpCreationTime || !lpExitTime || !lpKernelTime || !lpUserTime) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    thread->times(*lpCreationTime, *lpExitTime, *lpKernelTime, *lpUserTime);
    return TRUE;
}

DWORD GetCurrentThreadId() { return currentThreadId(); }

HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(LONG_PTR(-2)); }

DWORD GetCurrentProcessId() { return DWORD(getpid()); }

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(LONG_PTR(-1)); }

void Sleep(DWORD dwMilliseconds)
{
    if (dwMilliseconds == 0) {
        sched_yield();
        return;
    }
    waitForObjects({}, false, dwMilliseconds);
}

BOOL DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle, HANDLE hTargetProcessHandle,
    HANDLE* lpTargetHandle, DWORD, BOOL, DWORD dwOptions)
{
    for (HANDLE process : {hSourceProcessHandle, hTargetProcessHandle}) {
        if (process != GetCurrentProcess()) {
            // Handles are this process's own; no other process can receive or give one.
            if (kernelHandles().lookup(process))
                SetLastError(ERROR_NOT_SUPPORTED);
            return FALSE;
        }
    }
    std::shared_ptr<KernelObject> object;
    bool pseudo = false;
    if (hSourceHandle == GetCurrentThread()) {
        object = currentThreadObject();
        pseudo = true;
    } else if (hSourceHandle == GetCurrentProcess()) {
        object = currentProcessObject();
        pseudo = true;
    } else {
        object = kernelHandles().lookup(hSourceHandle);
    }
    if (!object)
        return FALSE;
    if (!lpTargetHandle && !(dwOptions & DUPLICATE_CLOSE_SOURCE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HANDLE duplicate = nullptr;
    if (lpTargetHandle) {
        duplicate = kernelHandles().insert(object);
        if (!duplicate)
            return FALSE;
        *lpTargetHandle = duplicate;
    }
    if ((dwOptions & DUPLICATE_CLOSE_SOURCE) && !pseudo)
        kernelHandles().remove(hSourceHandle);
    return TRUE;
}
