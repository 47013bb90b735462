// Small blocks from the main heap (_vbAlloc / _vbFree) against the runtime's malloc / free, on
// one thread and on several at once. Each iteration allocates a batch of blocks of mixed small
// sizes and frees them in a shuffled order, so that free runs are split and merged.

#include "vbHeap.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <random>

namespace {

constexpr int kBatch = 64;

struct Pattern {
    std::array<int, kBatch> sizes;
    std::array<int, kBatch> freeOrder;
    Pattern()
    {
        std::mt19937 rng(42);
        for (int i = 0; i < kBatch; ++i) {
            sizes[i] = 8 + static_cast<int>(rng() % 249);
            freeOrder[i] = i;
        }
        std::shuffle(freeOrder.begin(), freeOrder.end(), rng);
    }
};

const Pattern& pattern()
{
    static const Pattern p;
    return p;
}

template <class Alloc, class Free>
void run(benchmark::State& state, Alloc alloc, Free release)
{
    const Pattern& p = pattern();
    std::array<void*, kBatch> blocks{};
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) {
            blocks[i] = alloc(p.sizes[i]);
            benchmark::DoNotOptimize(blocks[i]);
        }
        for (int i : p.freeOrder)
            release(blocks[i]);
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}

void BM_vbAlloc(benchmark::State& state)
{
    run(state, [](int n) { return _vbAlloc(n, vbAllocNoInit); }, [](void* p) { _vbFree(p); });
}

void BM_malloc(benchmark::State& state)
{
    run(state, [](int n) { return std::malloc(static_cast<size_t>(n)); }, [](void* p) { std::free(p); });
}

} // namespace

BENCHMARK(BM_vbAlloc)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_malloc)->Threads(1)->Threads(4)->UseRealTime();

BENCHMARK_MAIN();
