// What filling a control's background costs beside the memory work it comes down to: a plain and
// a gradient surface over 1024 x 768 against memset of the same bytes.

#include "guiSurface.h"

#include "vbEngine.h"

#include "plat/bitmap.h"
#include "plat/gdi.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr int kWidth = 1024, kHeight = 768;

struct Section {
    Section()
    {
        BITMAPINFO info{{sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        previous = SelectObject(dc, bitmap);
    }
    ~Section()
    {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    HBITMAP bitmap;
    HDC dc;
    HGDIOBJ previous;
    void* bits = nullptr;
};

vbUseEngineCenter& engines()
{
    static vbUseEngineCenter use(&g_vbEngineCenter);
    return use;
}

void fill(benchmark::State& state, const guiSurface& surface)
{
    engines();
    Section s;
    const RECT all{0, 0, kWidth, kHeight};
    for (auto _ : state)
        surface.Fill(s.dc, all, nullptr);
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}

void BM_SurfacePlain(benchmark::State& state) { fill(state, guiSurface(nullptr, RGB(12, 34, 56), vbNULLCOLOR, vbNULLCOLOR, false)); }
BENCHMARK(BM_SurfacePlain);

void BM_SurfaceGradient(benchmark::State& state)
{
    engines();
    guiSurface surface(nullptr, vbNULLCOLOR, RGB(255, 0, 0), RGB(0, 0, 255), false);
    if (!surface.IsGrad())
        state.SkipWithError("no gradient function");
    fill(state, surface);
}
BENCHMARK(BM_SurfaceGradient);

void BM_Memset(benchmark::State& state)
{
    Section s;
    for (auto _ : state) {
        std::memset(s.bits, 0x5A, size_t(kWidth) * kHeight * 4);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(BM_Memset);

} // namespace

BENCHMARK_MAIN();
