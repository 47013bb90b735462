// Costs of the platform's in-process synchronisation, next to the standard library's, so that
// regressions in the lock or wait paths show.

#include "plat/handles.h"
#include "plat/sync.h"
#include "plat/thread.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

void CriticalSectionUncontended(benchmark::State& state)
{
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    for (auto _ : state) {
        EnterCriticalSection(&cs);
        LeaveCriticalSection(&cs);
    }
    DeleteCriticalSection(&cs);
}
BENCHMARK(CriticalSectionUncontended);

void StdMutexUncontended(benchmark::State& state)
{
    std::mutex m;
    for (auto _ : state) {
        m.lock();
        m.unlock();
    }
}
BENCHMARK(StdMutexUncontended);

void StdRecursiveMutexUncontended(benchmark::State& state)
{
    std::recursive_mutex m;
    for (auto _ : state) {
        m.lock();
        m.unlock();
    }
}
BENCHMARK(StdRecursiveMutexUncontended);

// Two threads hand a turn back and forth through two auto-reset events.
void EventHandOff(benchmark::State& state)
{
    HANDLE ping = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE pong = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::atomic<bool> stop{false};
    std::thread partner([&] {
        for (;;) {
            WaitForSingleObject(ping, INFINITE);
            if (stop)
                break;
            SetEvent(pong);
        }
    });
    for (auto _ : state) {
        SetEvent(ping);
        WaitForSingleObject(pong, INFINITE);
    }
    stop = true;
    SetEvent(ping);
    partner.join();
    CloseHandle(ping);
    CloseHandle(pong);
}
BENCHMARK(EventHandOff)->UseRealTime();

// The same hand-off with a mutex and condition variables.
void StdConditionHandOff(benchmark::State& state)
{
    std::mutex m;
    std::condition_variable cv;
    int turn = 0; // 1: partner's turn, 2: main's turn
    bool stop = false;
    std::thread partner([&] {
        std::unique_lock lock(m);
        for (;;) {
            cv.wait(lock, [&] { return turn == 1 || stop; });
            if (stop)
                break;
            turn = 2;
            cv.notify_all();
        }
    });
    for (auto _ : state) {
        std::unique_lock lock(m);
        turn = 1;
        cv.notify_all();
        cv.wait(lock, [&] { return turn == 2; });
    }
    {
        std::lock_guard lock(m);
        stop = true;
    }
    cv.notify_all();
    partner.join();
}
BENCHMARK(StdConditionHandOff)->UseRealTime();

// The hand-off between two processes through named events.
void NamedEventHandOffAcrossProcesses(benchmark::State& state)
{
    std::string suffix = std::to_string(getpid());
    HANDLE ping = CreateEventA(nullptr, FALSE, FALSE, ("vnt.bench.ping." + suffix).c_str());
    HANDLE pong = CreateEventA(nullptr, FALSE, FALSE, ("vnt.bench.pong." + suffix).c_str());
    pid_t child = fork();
    if (child == 0) {
        for (;;) {
            WaitForSingleObject(ping, INFINITE);
            SetEvent(pong);
        }
    }
    for (auto _ : state) {
        SetEvent(ping);
        WaitForSingleObject(pong, INFINITE);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    CloseHandle(ping);
    CloseHandle(pong);
}
BENCHMARK(NamedEventHandOffAcrossProcesses)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
