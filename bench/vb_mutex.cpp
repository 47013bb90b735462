// The base library's mutex, which the shared heap and the shared queues take on every operation:
// uncontended Lock/Unlock (named and unnamed) next to a plain process-local mutex, and a lock
// handed back and forth between two processes next to a process-shared pthread mutex.

#include "vbSync.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <csignal>
#include <mutex>
#include <pthread.h>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string uniqueName(const char* what) { return std::string("vnt.bench.") + what + "." + std::to_string(getpid()); }

void VbMutexNamedUncontended(benchmark::State& state)
{
    vbMutex mutex(true, uniqueName("mutex").c_str());
    for (auto _ : state) {
        mutex.Lock();
        mutex.Unlock();
    }
}
BENCHMARK(VbMutexNamedUncontended);

void VbMutexUnnamedUncontended(benchmark::State& state)
{
    vbMutex mutex;
    for (auto _ : state) {
        mutex.Lock();
        mutex.Unlock();
    }
}
BENCHMARK(VbMutexUnnamedUncontended);

void StdMutexUncontended(benchmark::State& state)
{
    std::mutex mutex;
    for (auto _ : state) {
        mutex.lock();
        mutex.unlock();
    }
}
BENCHMARK(StdMutexUncontended);

// What both sides of a hand-off share: whose turn it is (0: the main process, 1: the child).
struct Shared {
    pthread_mutex_t plain;
    int turn;
};

Shared* mapShared()
{
    void* p = mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<Shared*>(p);
}

// One side takes its turn: locks until the turn is its own, hands it over, unlocks.
template <class Lock, class Unlock>
void takeTurn(Shared* shared, int me, Lock lock, Unlock unlock)
{
    for (;;) {
        lock();
        const bool mine = __atomic_load_n(&shared->turn, __ATOMIC_RELAXED) == me;
        if (mine)
            __atomic_store_n(&shared->turn, 1 - me, __ATOMIC_RELAXED);
        unlock();
        if (mine)
            return;
    }
}

template <class Lock, class Unlock>
void handOff(benchmark::State& state, Shared* shared, Lock lock, Unlock unlock)
{
    shared->turn = 0;
    pid_t child = fork();
    if (child == 0) {
        for (;;)
            takeTurn(shared, 1, lock, unlock);
    }
    for (auto _ : state)
        takeTurn(shared, 0, lock, unlock);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

void VbMutexHandOffAcrossProcesses(benchmark::State& state)
{
    Shared* shared = mapShared();
    if (!shared) {
        state.SkipWithError("no shared memory");
        return;
    }
    vbMutex mutex(true, uniqueName("handoff").c_str());
    handOff(state, shared, [&] { mutex.Lock(); }, [&] { mutex.Unlock(); });
    munmap(shared, sizeof(Shared));
}
BENCHMARK(VbMutexHandOffAcrossProcesses)->UseRealTime();

void PthreadSharedMutexHandOffAcrossProcesses(benchmark::State& state)
{
    Shared* shared = mapShared();
    if (!shared) {
        state.SkipWithError("no shared memory");
        return;
    }
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutex_init(&shared->plain, &attr);
    pthread_mutexattr_destroy(&attr);
    handOff(state, shared, [&] { pthread_mutex_lock(&shared->plain); }, [&] { pthread_mutex_unlock(&shared->plain); });
    pthread_mutex_destroy(&shared->plain);
    munmap(shared, sizeof(Shared));
}
BENCHMARK(PthreadSharedMutexHandOffAcrossProcesses)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
