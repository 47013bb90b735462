// The progress strip under load: four threads sending 100 000 progress events each into one strip
// beside four threads taking a std::mutex, raising a counter and letting it go for each event; and
// the display update of 50 changed rows beside measuring the same 100 texts with
// GetTextExtentPoint32A.

#include "GuiBenchWindow.h"
#include "guiProgress.h"

#include "plat/gdi.h"
#include "plat/headless.h"
#include "plat/window.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using guibench::engines;
using guibench::Frame;

constexpr int kThreads = 4;
constexpr ULONG kEvents = 100000;
constexpr int kRows = 50;

class BenchStrip : public guiProgress {
public:
    using guiProgress::onDisplayUpdate;
};

GUID classId(int k) { return GUID{0x7A7A0000u + static_cast<DWORD>(k), 0x1234, 0x5678, {0x9A, 0xBC, 0, 0, 0, 0, 0, 1}}; }

// A window holding a strip, and a listener per source.
struct Bed {
    explicit Bed(int sources)
    {
        engines();
        plat::headless::setScreenSize(1024, 768);
        frame.CreateEx(0, nullptr, "bench", WS_POPUP, 0, 0, 600, 800, nullptr, nullptr);
        frame.ShowWindow(SW_SHOW);
        strip.Create(&frame.container, CRect(0, 0, 600, 800), true, true);
        for (int k = 0; k < sources; ++k) {
            cbs.emplace_back();
            strip.GetPlugCb(true, &cbs.back(), classId(k), ("Source " + std::to_string(k)).c_str(), vbPlugUpdateAllow);
        }
        plat::headless::pumpUntilIdle();
    }
    ~Bed()
    {
        cbs.clear();
        plat::headless::pumpUntilIdle();
    }
    Frame frame;
    BenchStrip strip;
    std::vector<guiHotPlugCbPtr> cbs;
};

void BM_ProgressEventsFromFourThreads(benchmark::State& state)
{
    Bed bed(kThreads);
    for (auto _ : state) {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&bed, t] {
                IvbHotPlugCb* cb = bed.cbs[size_t(t)];
                for (ULONG k = 1; k <= kEvents; ++k)
                    cb->OnProgress(nullptr, k, kEvents, vbPlugStatusDownloadingData, "");
            });
        for (auto& thread : threads)
            thread.join();
        plat::headless::pumpUntilIdle();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kThreads * kEvents);
}
BENCHMARK(BM_ProgressEventsFromFourThreads)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MutexCountFromFourThreads(benchmark::State& state)
{
    std::mutex mutex;
    uint64_t count = 0;
    for (auto _ : state) {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&] {
                for (ULONG k = 1; k <= kEvents; ++k) {
                    mutex.lock();
                    ++count;
                    mutex.unlock();
                }
            });
        for (auto& thread : threads)
            thread.join();
    }
    benchmark::DoNotOptimize(count);
    state.SetItemsProcessed(int64_t(state.iterations()) * kThreads * kEvents);
}
BENCHMARK(BM_MutexCountFromFourThreads)->Unit(benchmark::kMillisecond)->UseRealTime();

// Each round changes every row's percentage and so its message text and size.
void BM_DisplayUpdateOf50ChangedRows(benchmark::State& state)
{
    Bed bed(kRows);
    ULONG step = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++step;
        for (auto& cb : bed.cbs)
            cb->OnProgress(nullptr, step % 997, 997, vbPlugStatusDownloadingData, "");
        state.ResumeTiming();
        bed.strip.onDisplayUpdate();
    }
    plat::headless::pumpUntilIdle();
    state.SetItemsProcessed(int64_t(state.iterations()) * kRows);
}
BENCHMARK(BM_DisplayUpdateOf50ChangedRows);

void BM_Measure100Texts(benchmark::State& state)
{
    engines();
    std::vector<std::string> texts;
    for (int k = 0; k < kRows; ++k) {
        texts.push_back("Source " + std::to_string(k));
        texts.push_back("Downloading data : " + std::to_string(k) + ".25 %");
    }
    guiFont font(nullptr, false);
    font.SetSize(-12, false);
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, static_cast<HFONT>(font));
    for (auto _ : state) {
        for (const std::string& text : texts) {
            SIZE size;
            GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
            benchmark::DoNotOptimize(size);
        }
    }
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    state.SetItemsProcessed(int64_t(state.iterations()) * kRows);
}
BENCHMARK(BM_Measure100Texts);

} // namespace

BENCHMARK_MAIN();
