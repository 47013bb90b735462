// The tool tip's share of mouse moves: 10 000 moves over a grid of 100 boxes that each have a tip
// text (hit tests, the tip's SetCtrl and asking, its placement when the library timer fires every
// 150 ms) beside the same moves over a grid of plain windows. And a tick of a timer with 100
// events beside calling 100 empty std::functions.

#include "GuiBenchWindow.h"
#include "guiBox.h"
#include "guiGlobal.h"
#include "guiToolTip.h"

#include "vbEngine.h"

#include "plat/headless.h"
#include "plat/window.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kColumns = 10, kRows = 10, kCell = 30, kMoves = 10000;
// Moves between two ticks of the library's timer: each tick stands for 150 ms.
constexpr int kMovesPerTick = 10;

using guibench::engines;
using guibench::Frame;

CRect cell(int i) { return CRect(i % kColumns * kCell, i / kColumns * kCell, (i % kColumns + 1) * kCell, (i / kColumns + 1) * kCell); }

// Moves the mouse from cell to cell (two points in each), pumping after each move; tick, when
// given, runs every kMovesPerTick moves.
void moveOver(benchmark::State& state, const std::function<void()>& tick)
{
    for (auto _ : state) {
        for (int m = 0; m < kMoves; ++m) {
            const CRect r = cell(m / 2 % (kColumns * kRows));
            plat::headless::mouseMove(r.left + 5 + m % 2 * 10, r.top + 10);
            plat::headless::pumpUntilIdle();
            if (tick && m % kMovesPerTick == 0) {
                tick();
                plat::headless::pumpUntilIdle();
            }
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kMoves);
}

void BM_MovesOverBoxesWithTips(benchmark::State& state)
{
    engines();
    plat::headless::setScreenSize(1024, 768);
    Frame frame;
    frame.CreateEx(0, nullptr, "bench", WS_POPUP, 0, 0, kColumns * kCell, kRows * kCell, nullptr, nullptr);
    frame.ShowWindow(SW_SHOW);
    guiToolTip tip;
    tip.Create(&frame.container, CRect(0, 0, 10, 10), false, true);
    frame.container.SetToolTip(&tip);
    std::vector<std::unique_ptr<guiBox>> boxes;
    for (int i = 0; i < kColumns * kRows; ++i) {
        boxes.push_back(std::make_unique<guiBox>());
        boxes.back()->tcSetToolTip(vbString("tip of a box"), false);
        boxes.back()->Create(&frame.container, cell(i), true, true);
    }
    plat::headless::pumpUntilIdle();
    DWORD tickTime = 1;
    moveOver(state, [&] { g_guiTimer.doTimer(tickTime += 150); });
    frame.container.SetToolTip(nullptr);
}
BENCHMARK(BM_MovesOverBoxesWithTips)->Unit(benchmark::kMillisecond);

void BM_MovesOverPlainWindows(benchmark::State& state)
{
    plat::headless::setScreenSize(1024, 768);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "BenchPlainCell";
    RegisterClassExA(&wc);
    HWND frame = CreateWindowExA(0, "BenchPlainCell", "bench", WS_POPUP | WS_VISIBLE, 0, 0, kColumns * kCell,
        kRows * kCell, nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < kColumns * kRows; ++i) {
        const CRect r = cell(i);
        CreateWindowExA(0, "BenchPlainCell", "", WS_CHILD | WS_VISIBLE, r.left, r.top, r.Width(), r.Height(), frame,
            nullptr, nullptr, nullptr);
    }
    plat::headless::pumpUntilIdle();
    moveOver(state, nullptr);
    DestroyWindow(frame);
}
BENCHMARK(BM_MovesOverPlainWindows)->Unit(benchmark::kMillisecond);

struct Target : vbBase {
    void onTick(guiTimerEvent&, DWORD) { }
};

void BM_TimerTickWith100Events(benchmark::State& state)
{
    engines();
    Target target;
    guiTimer timer;
    std::vector<std::unique_ptr<guiTimerEvent>> events;
    for (int i = 0; i < 100; ++i) {
        events.push_back(std::make_unique<guiTimerEvent>(guiTIMERCB(&target, &Target::onTick)));
        events.back()->StartExt(&timer, false);
    }
    DWORD tick = 1;
    for (auto _ : state)
        timer.doTimer(tick += 150);
}
BENCHMARK(BM_TimerTickWith100Events);

void BM_Call100EmptyFunctions(benchmark::State& state)
{
    std::vector<std::function<void(DWORD)>> functions(100, [](DWORD) { });
    DWORD tick = 1;
    for (auto _ : state) {
        tick += 150;
        for (const auto& f : functions)
            f(tick);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Call100EmptyFunctions);

} // namespace

BENCHMARK_MAIN();
