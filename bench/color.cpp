// What the user interface pays for colours on every paint: resolving a cached system colour, a
// user colour that refers to another, and asking a colour for its unchanged pen.

#include "BenchHome.h"

#include "vbColor.h"
#include "vbEngine.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// A private configuration folder and the engine centre in use, with two user colours: "Link"
// refers to "Base".
struct ColorBench {
    vbUseEngineCenter use;
    vbColorType base{nullptr, nullptr, "BenchBase", "bench base colour", nullptr, 0x00336699};
    vbColorType link{nullptr, nullptr, "BenchLink", "bench link colour", nullptr, 0x00000000};

    ColorBench()
    {
        use.StartUse(true);
        base.Start();
        link.Start();
        link.SetColor(base.GetRef());
    }
};

ColorBench& bench()
{
    static BenchHome home; // made before the colours and removed after them
    static ColorBench instance;
    return instance;
}

void BM_SystemColour(benchmark::State& state)
{
    bench();
    for (auto _ : state)
        benchmark::DoNotOptimize(g_vbColorEngine.GetRgb(0x8000000F, 0));
}
BENCHMARK(BM_SystemColour);

void BM_UserColourChain(benchmark::State& state)
{
    const DWORD ref = bench().link.GetRef();
    for (auto _ : state)
        benchmark::DoNotOptimize(g_vbColorEngine.GetRgb(ref, 0));
}
BENCHMARK(BM_UserColourChain);

void BM_UnchangedPen(benchmark::State& state)
{
    vbColor color(bench().link);
    color.GetPen();
    for (auto _ : state)
        benchmark::DoNotOptimize(color.GetPen().GetSafeHandle());
}
BENCHMARK(BM_UnchangedPen);

} // namespace

BENCHMARK_MAIN();
