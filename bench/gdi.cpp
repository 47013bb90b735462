// What drawing on memory surfaces costs beside the plain memory work it comes down to: a full
// FillRect against memset, a BitBlt against row-wise memcpy, and a HALFTONE shrink (on one and
// on two threads) against a plain box filter.

#include "plat/bitmap.h"
#include "plat/gdi.h"
#include "plat/testhooks.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A DIB section selected into its own memory DC.
struct Section {
    Section(int width, int height, int bits) : width(width), height(height)
    {
        BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, WORD(bits), BI_RGB, 0, 0, 0, 0, 0}, {}};
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        previous = SelectObject(dc, bitmap);
        stride = (bits * width + 31) / 32 * 4;
    }
    ~Section()
    {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    uint8_t* bytes() const { return static_cast<uint8_t*>(bits_); }

    int width, height, stride;
    HBITMAP bitmap;
    HDC dc;
    HGDIOBJ previous;
    void* bits_ = nullptr;
};

constexpr int kWidth = 1920, kHeight = 1080;

void BM_FillRect(benchmark::State& state)
{
    Section s(kWidth, kHeight, 32);
    HBRUSH brush = CreateSolidBrush(RGB(12, 34, 56));
    RECT all{0, 0, kWidth, kHeight};
    for (auto _ : state)
        FillRect(s.dc, &all, brush);
    DeleteObject(brush);
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(BM_FillRect);

void BM_Memset(benchmark::State& state)
{
    Section s(kWidth, kHeight, 32);
    for (auto _ : state) {
        std::memset(s.bytes(), 0x5A, size_t(s.stride) * kHeight);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(BM_Memset);

void BM_BitBlt(benchmark::State& state)
{
    Section from(kWidth, kHeight, 32), to(kWidth, kHeight, 32);
    for (auto _ : state)
        BitBlt(to.dc, 0, 0, kWidth, kHeight, from.dc, 0, 0, SRCCOPY);
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(BM_BitBlt);

void BM_RowMemcpy(benchmark::State& state)
{
    Section from(kWidth, kHeight, 32), to(kWidth, kHeight, 32);
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y)
            std::memcpy(to.bytes() + size_t(y) * size_t(to.stride), from.bytes() + size_t(y) * size_t(from.stride),
                        size_t(kWidth) * 4);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
}
BENCHMARK(BM_RowMemcpy);

constexpr int kSourceWidth = 6000, kSourceHeight = 4000, kTargetWidth = 1024, kTargetHeight = 768;

Section& photo()
{
    static Section* s = [] {
        auto* made = new Section(kSourceWidth, kSourceHeight, 24);
        for (int64_t i = 0; i < int64_t(made->stride) * kSourceHeight; ++i)
            made->bytes()[i] = uint8_t(i * 31 / 7);
        return made;
    }();
    return *s;
}

// state.range(0): threads sharing the rows.
void BM_StretchBltHalftone(benchmark::State& state)
{
    Section& source = photo();
    Section target(kTargetWidth, kTargetHeight, 32);
    SetStretchBltMode(target.dc, HALFTONE);
    vntTestSetBlitThreads(int(state.range(0)));
    for (auto _ : state)
        StretchBlt(target.dc, 0, 0, kTargetWidth, kTargetHeight, source.dc, 0, 0, kSourceWidth, kSourceHeight, SRCCOPY);
    vntTestSetBlitThreads(0);
}
BENCHMARK(BM_StretchBltHalftone)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The plain box filter: each target pixel the mean of the whole source pixels its area starts in.
void BM_BoxFilter(benchmark::State& state)
{
    Section& source = photo();
    Section target(kTargetWidth, kTargetHeight, 32);
    std::vector<uint32_t> sums(size_t(kTargetWidth) * 3);
    for (auto _ : state) {
        for (int ty = 0; ty < kTargetHeight; ++ty) {
            const int y0 = ty * kSourceHeight / kTargetHeight, y1 = (ty + 1) * kSourceHeight / kTargetHeight;
            std::fill(sums.begin(), sums.end(), 0u);
            for (int y = y0; y < y1; ++y) {
                const uint8_t* row = source.bytes() + size_t(y) * size_t(source.stride);
                for (int tx = 0; tx < kTargetWidth; ++tx) {
                    const int x0 = tx * kSourceWidth / kTargetWidth, x1 = (tx + 1) * kSourceWidth / kTargetWidth;
                    for (int x = x0; x < x1; ++x)
                        for (int c = 0; c < 3; ++c)
                            sums[size_t(tx) * 3 + size_t(c)] += row[x * 3 + c];
                }
            }
            uint8_t* out = target.bytes() + size_t(ty) * size_t(target.stride);
            for (int tx = 0; tx < kTargetWidth; ++tx) {
                const uint32_t area = uint32_t((y1 - y0) * ((tx + 1) * kSourceWidth / kTargetWidth - tx * kSourceWidth / kTargetWidth));
                for (int c = 0; c < 3; ++c)
                    out[tx * 4 + c] = uint8_t(sums[size_t(tx) * 3 + size_t(c)] / area);
            }
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BoxFilter)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
