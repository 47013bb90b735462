// The shared heap: allocating and releasing 100-byte blocks, and the hand-over of an existing
// block (the sender's LockUse, the receiver's Load, UnlockUse and release), in one process and
// while a second process works on the same heap; page churn with a loaded-page limit of 2 over 8
// pages. malloc / free of 100 bytes is the baseline. Rates are items per second.
//
// The second process is this program started again with "--churn <heap name>": it allocates and
// releases blocks on the heap until it is killed.

#include "vbException.h"
#include "vbSharedMem.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

typedef vbRefPtr<vbSharedHeap, &IID_vbSharedHeap> HeapPtr;

HeapPtr openHeap(const char* name, uint64_t max, ULONG loaded, ULONG page)
{
    auto* raw = new vbSharedHeap(max, name, true, loaded, 64, page);
    HeapPtr heap(raw);
    raw->Release();
    return heap;
}

// A second process on the heap for the life of the object.
class Churner {
public:
    explicit Churner(const char* name)
    {
        m_pid = fork();
        if (m_pid == 0) {
            execl("/proc/self/exe", "bench_shared_heap", "--churn", name, static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Churner()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }

private:
    pid_t m_pid;
};

int churn(const char* name)
{
    HeapPtr heap = openHeap(name, 0x400000, 0x80000, 16384);
    for (;;) {
        vbSharedMemPtr mem;
        heap->Alloc(&mem, 100, true);
    }
}

void allocRelease(benchmark::State& state, const char* name, bool withSecond)
{
    HeapPtr heap = openHeap(name, 0x400000, 0x80000, 16384);
    Churner* second = withSecond ? new Churner(name) : nullptr;
    for (auto _ : state) {
        vbSharedMemPtr mem;
        heap->Alloc(&mem, 100, true);
        benchmark::DoNotOptimize(mem.Get());
    }
    delete second;
    state.SetItemsProcessed(state.iterations());
}

void handOver(benchmark::State& state, const char* name, bool withSecond)
{
    HeapPtr heap = openHeap(name, 0x400000, 0x80000, 16384);
    Churner* second = withSecond ? new Churner(name) : nullptr;
    std::vector<vbSharedMemPtr> senders(64);
    for (auto& s : senders)
        heap->Alloc(&s, 100, true);
    size_t i = 0;
    for (auto _ : state) {
        vbSharedMemPtr& sender = senders[i++ % senders.size()];
        sender->LockUse();
        vbSharedMemPtr received;
        heap->Load(&received, sender->GetHandle(), 0, true);
        received->UnlockUse();
    }
    delete second;
    state.SetItemsProcessed(state.iterations());
}

void BM_MallocFree(benchmark::State& state)
{
    for (auto _ : state) {
        void* p = std::malloc(100);
        benchmark::DoNotOptimize(p);
        std::free(p);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_AllocRelease(benchmark::State& state) { allocRelease(state, "!benchAlloc", false); }
void BM_AllocReleaseTwoProcesses(benchmark::State& state) { allocRelease(state, "!benchAlloc2", true); }
void BM_HandOver(benchmark::State& state) { handOver(state, "!benchHand", false); }
void BM_HandOverTwoProcesses(benchmark::State& state) { handOver(state, "!benchHand2", true); }

// Every load reaches a page that is not mapped: one view mapped and one unmapped each time.
void BM_PageChurn(benchmark::State& state)
{
    HeapPtr heap = openHeap("!benchChurn", 8 * 65536, 2 * 65536, 65536);
    std::vector<vbSharedHandle> handles;
    std::vector<vbSharedMemPtr> blocks(8);
    for (auto& b : blocks) {
        heap->Alloc(&b, 65536 - 20, true);
        handles.push_back(b->GetHandle());
    }
    size_t i = 0;
    for (auto _ : state)
        heap->Load(nullptr, handles[i++ % handles.size()], 0, true);
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_MallocFree);
BENCHMARK(BM_AllocRelease);
BENCHMARK(BM_AllocReleaseTwoProcesses);
BENCHMARK(BM_HandOver);
BENCHMARK(BM_HandOverTwoProcesses);
BENCHMARK(BM_PageChurn);

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--churn") == 0) {
        try {
            return churn(argv[2]);
        } catch (CException* e) {
            e->Delete();
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
