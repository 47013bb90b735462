// The keyboard manager's filter: a WM_KEYDOWN matching the last of 200 bindings (200 operations),
// and an unbound key that goes on to the catcher, beside a linear scan over a std::vector of 200
// {key, context} records with the same context test.

#include "guiKeys.h"

#include "vbBaseItf.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int kBindings = 200;
constexpr DWORD kFirstKey = 0x1000;

struct Catcher : sIguiKeyCatcher {
    bool OnProcessKey(guiKmsg, UINT, LONG, const guiKeyCtx&, DWORD&) override { return true; }
};

struct Ops : vbBase {
    bool run(guiKBmanager&, guiKeysOpSt&, guiKeysCfgSt*)
    {
        ++count;
        return true;
    }
    int count = 0;
};

// 200 operations, each bound to a key of its own in an empty context.
struct Bound {
    Bound() : kb(&catcher)
    {
        for (int k = 0; k < kBindings; ++k) {
            const std::string name = "op" + std::to_string(k);
            kb.AddKey(name.c_str(), kFirstKey + DWORD(k), guiKeyCtx(), true);
            kb.AddOp(name.c_str(), guiKEYSOPCB(&ops, &Ops::run), 0, 0, true);
        }
    }
    Catcher catcher;
    Ops ops;
    guiKBmanager kb;
};

void filter(benchmark::State& state, DWORD key)
{
    Bound bound;
    for (auto _ : state) {
        UINT msg = WM_KEYDOWN;
        WPARAM wParam = key;
        LPARAM lParam = 1;
        LRESULT result = 0;
        benchmark::DoNotOptimize(bound.kb.KBfilterMsg(nullptr, nullptr, msg, wParam, lParam, result));
    }
}

void BM_FilterLastOf200Bindings(benchmark::State& state) { filter(state, kFirstKey + kBindings - 1); }
BENCHMARK(BM_FilterLastOf200Bindings);

void BM_FilterUnboundKeyToCatcher(benchmark::State& state) { filter(state, 'Q'); }
BENCHMARK(BM_FilterUnboundKeyToCatcher);

void BM_LinearScanOf200Records(benchmark::State& state)
{
    struct Record {
        DWORD key;
        guiKeyCtx ctx;
    };
    std::vector<Record> records;
    for (int k = 0; k < kBindings; ++k)
        records.push_back({kFirstKey + DWORD(k), guiKeyCtx()});
    const guiKeyCtx actual = guiKeyCtx::Current();
    DWORD key = kFirstKey + kBindings - 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(key);
        const Record* found = nullptr;
        for (const Record& r : records)
            if (r.key == key && r.ctx.IsKbCtxOk(actual)) {
                found = &r;
                break;
            }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_LinearScanOf200Records);

} // namespace

BENCHMARK_MAIN();
