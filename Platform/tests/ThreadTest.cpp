#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/process_ids.h"
#include "plat/sync.h"
#include "plat/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::atomic<int> g_runs{0};

DWORD countAndReturn(LPVOID param)
{
    ++g_runs;
    return DWORD(reinterpret_cast<uintptr_t>(param));
}

TEST(Thread, SuspendedThreadRunsOnlyAfterResumeAndKeepsItsExitCode)
{
    g_runs = 0;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, countAndReturn, reinterpret_cast<LPVOID>(42), CREATE_SUSPENDED, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, GetCurrentThreadId());

    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
    EXPECT_EQ(g_runs.load(), 0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);

    // A thread held at its start can be suspended again; each resume answers the count before it.
    EXPECT_EQ(SuspendThread(thread), 1u);
    EXPECT_EQ(ResumeThread(thread), 2u);
    EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
    EXPECT_EQ(ResumeThread(thread), 1u);

    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(g_runs.load(), 1);
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_EQ(ResumeThread(thread), 0u);
    EXPECT_TRUE(CloseHandle(thread));
}

struct Gate {
    HANDLE release;
    std::atomic<bool> started{false};
};

DWORD waitAtGate(LPVOID param)
{
    auto* gate = static_cast<Gate*>(param);
    gate->started = true;
    WaitForSingleObject(gate->release, INFINITE);
    return 0;
}

TEST(Thread, RunningThreadCannotBeSuspended)
{
    Gate gate;
    gate.release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, waitAtGate, &gate, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    while (!gate.started)
        Sleep(1);
    // Once past its start the thread may be anywhere (holding any lock), so this is refused.
    EXPECT_EQ(SuspendThread(thread), DWORD(-1));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(ResumeThread(thread), 0u);
    SetEvent(gate.release);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    CloseHandle(thread);
    CloseHandle(gate.release);
}

struct Unwound {
    bool* flag;
    ~Unwound() { *flag = true; }
};

DWORD exitEarly(LPVOID param)
{
    Unwound guard{static_cast<bool*>(param)};
    ExitThread(7);
}

TEST(Thread, ExitThreadEndsWithItsCodeAndUnwinds)
{
    bool unwound = false;
    HANDLE thread = CreateThread(nullptr, 0, exitEarly, &unwound, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(unwound);
    CloseHandle(thread);
}

TEST(Thread, PriorityIsKeptAndCheckedPerThread)
{
    HANDLE self = GetCurrentThread();
    EXPECT_EQ(GetThreadPriority(self), THREAD_PRIORITY_NORMAL);
    EXPECT_TRUE(SetThreadPriority(self, THREAD_PRIORITY_BELOW_NORMAL));
    EXPECT_EQ(GetThreadPriority(self), THREAD_PRIORITY_BELOW_NORMAL);
    EXPECT_FALSE(SetThreadPriority(self, 7));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(SetThreadPriority(self, THREAD_PRIORITY_NORMAL));
    EXPECT_EQ(GetThreadPriority(reinterpret_cast<HANDLE>(0x1234)), THREAD_PRIORITY_ERROR_RETURN);
}

TEST(Thread, TimesOfTheCallingThread)
{
    volatile uint64_t sink = 0;
    for (int i = 0; i < 20000000; ++i)
        sink = sink + uint64_t(i);
    FILETIME creation, exit, kernel, user;
    ASSERT_TRUE(GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user));
    uint64_t busy = (uint64_t(user.dwHighDateTime) << 32 | user.dwLowDateTime)
        + (uint64_t(kernel.dwHighDateTime) << 32 | kernel.dwLowDateTime);
    EXPECT_GT(busy, 0u);
    EXPECT_EQ(exit.dwLowDateTime | exit.dwHighDateTime, 0u);
}

TEST(Thread, DuplicatePseudoAndRealHandles)
{
    HANDLE self = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0, FALSE,
        DUPLICATE_SAME_ACCESS));
    ASSERT_NE(self, GetCurrentThread());
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(self, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(self, 0), WAIT_TIMEOUT);

    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE copy = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &copy, 0, FALSE,
        DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE));
    EXPECT_FALSE(SetEvent(event)); // the source is gone
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(SetEvent(copy));
    EXPECT_EQ(WaitForSingleObject(copy, 0), WAIT_OBJECT_0);

    HANDLE process = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &process, 0, FALSE,
        DUPLICATE_SAME_ACCESS));
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_TIMEOUT);
    EXPECT_FALSE(DuplicateHandle(GetCurrentProcess(), reinterpret_cast<HANDLE>(0x1234), GetCurrentProcess(), &copy,
        0, FALSE, 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    for (HANDLE h : {self, copy, process})
        CloseHandle(h);
}

TEST(Thread, IdsAreTheSystemOnes)
{
    EXPECT_EQ(GetCurrentProcessId(), DWORD(getpid()));
    EXPECT_EQ(GetCurrentThreadId(), DWORD(gettid()));
    // A forked child's thread is not the thread that forked.
    pid_t child = fork();
    if (child == 0)
        _exit(GetCurrentThreadId() == DWORD(gettid()) && GetCurrentProcessId() == DWORD(getpid()) ? 0 : 1);
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

DWORD readSlot(LPVOID param)
{
    return TlsGetValue(*static_cast<DWORD*>(param)) == nullptr ? 1 : 0;
}

TEST(Thread, TlsSlotsArePerThreadAndClearedWhenFreed)
{
    DWORD slot = TlsAlloc();
    ASSERT_NE(slot, TLS_OUT_OF_INDEXES);
    int value = 0;
    EXPECT_EQ(TlsGetValue(slot), nullptr);
    EXPECT_TRUE(TlsSetValue(slot, &value));
    EXPECT_EQ(TlsGetValue(slot), &value);

    HANDLE thread = CreateThread(nullptr, 0, readSlot, &slot, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    DWORD otherSawNothing = 0;
    GetExitCodeThread(thread, &otherSawNothing);
    EXPECT_EQ(otherSawNothing, 1u);
    CloseHandle(thread);

    EXPECT_TRUE(TlsFree(slot));
    EXPECT_FALSE(TlsSetValue(slot, &value));
    DWORD again = TlsAlloc();
    EXPECT_EQ(again, slot);
    EXPECT_EQ(TlsGetValue(again), nullptr);
    TlsFree(again);
}

} // namespace
