// What the container costs beside the work it comes down to: printing 200 framed controls into a
// 1024 x 768 memory surface against filling their rectangles with memset, and injected mouse
// moves across 50 tracked controls against the same moves over plain child windows.

#include "guiContainer.h"

#include "vbEngine.h"
#include "vbWinClass.h"

#include "plat/bitmap.h"
#include "plat/gdi.h"
#include "plat/headless.h"
#include "plat/window.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 1024, kHeight = 768;

vbUseEngineCenter& engines()
{
    static vbUseEngineCenter use(&g_vbEngineCenter);
    return use;
}

vbWinClass& controlClass()
{
    static vbWinClass cls("KVX Vantrel guiBenchCtrl", 0x8B, DefWindowProcA, vbEngineDeps());
    return cls;
}

// A control with a one-style frame around its plain back.
class FramedControl : public TControlTemplate<guiCtrl> {
public:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override
    {
        controlClass().InitCs(cs);
        return TRUE;
    }
    void ClientPrint(guiDrawInfo* info, CDC* dc) override
    {
        CRect r;
        guiDrawFrame(info, this, dc, &r, tcGetAppearStyle(), tcGetBorderStyle(), 5);
        tcGetBackSurface().Fill(dc->GetSafeHdc(), r, nullptr);
    }
};

class Window : public CWnd {
public:
    Window() : app(this, "bench", "Bench"), container(&app, this, nullptr, nullptr) { }
    guiApp app;
    guiContainer container;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        LRESULT result = -1;
        if (container.DispatchMsg(msg, wParam, lParam, result))
            return result;
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

struct Section {
    Section()
    {
        BITMAPINFO info{{sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc.Attach(CreateCompatibleDC(nullptr));
        previous = SelectObject(dc, bitmap);
    }
    ~Section()
    {
        SelectObject(dc, previous);
        DeleteDC(dc.Detach());
        DeleteObject(bitmap);
    }
    HBITMAP bitmap;
    CDC dc;
    HGDIOBJ previous;
    void* bits = nullptr;
};

// 20 columns by 10 rows of 48 x 72 rectangles.
RECT cell(int i) { return RECT{(i % 20) * 51, (i / 20) * 76, (i % 20) * 51 + 48, (i / 20) * 76 + 72}; }

void BM_PrintChildren(benchmark::State& state)
{
    engines();
    Window window;
    window.CreateEx(0, nullptr, "bench", WS_POPUP, 0, 0, kWidth, kHeight, nullptr, nullptr);
    std::vector<std::unique_ptr<FramedControl>> controls;
    for (int i = 0; i < 200; ++i) {
        controls.push_back(std::make_unique<FramedControl>());
        controls.back()->Create(&window.container, cell(i), true, true);
        controls.back()->tcSetBackColor(RGB(10, 20, 30));
    }
    Section s;
    guiDrawInfo info(0);
    for (auto _ : state)
        window.container.PrintChildren(&info, s.dc, false);
    controls.clear();
}
BENCHMARK(BM_PrintChildren)->Unit(benchmark::kMicrosecond);

void BM_MemsetSameRectangles(benchmark::State& state)
{
    Section s;
    auto* rows = static_cast<uint32_t*>(s.bits);
    for (auto _ : state) {
        for (int i = 0; i < 200; ++i) {
            const RECT r = cell(i);
            for (int y = r.top; y < r.bottom; ++y)
                std::memset(rows + static_cast<size_t>(y) * kWidth + r.left, 0x33, static_cast<size_t>(r.right - r.left) * 4);
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemsetSameRectangles)->Unit(benchmark::kMicrosecond);

// 10 000 moves back and forth across a row of 50 windows.
void moveAcross(benchmark::State& state)
{
    for (auto _ : state) {
        for (int i = 0; i < 10000; ++i) {
            const int step = i % 400;
            plat::headless::mouseMove(10 + (step < 200 ? step : 400 - step) * 5, 40);
            plat::headless::pumpUntilIdle();
        }
    }
}

void BM_MovesOverTrackedControls(benchmark::State& state)
{
    engines();
    Window window;
    window.CreateEx(0, nullptr, "bench", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, 100, nullptr, nullptr);
    window.SetActiveWindow();
    std::vector<std::unique_ptr<FramedControl>> controls;
    for (int i = 0; i < 50; ++i) {
        controls.push_back(std::make_unique<FramedControl>());
        controls.back()->Create(&window.container, RECT{i * 20, 10, i * 20 + 18, 70}, true, true);
    }
    plat::headless::pumpUntilIdle();
    moveAcross(state);
    controls.clear();
}
BENCHMARK(BM_MovesOverTrackedControls)->Unit(benchmark::kMillisecond);

void BM_MovesOverPlainWindows(benchmark::State& state)
{
    engines();
    CWnd window;
    window.CreateEx(0, nullptr, "bench", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, 100, nullptr, nullptr);
    window.SetActiveWindow();
    std::vector<HWND> children;
    for (int i = 0; i < 50; ++i)
        children.push_back(CreateWindowExA(0, controlClass(), "", WS_CHILD | WS_VISIBLE, i * 20, 10, 18, 60,
            window.GetSafeHwnd(), nullptr, nullptr, nullptr));
    plat::headless::pumpUntilIdle();
    moveAcross(state);
    for (HWND h : children)
        DestroyWindow(h);
}
BENCHMARK(BM_MovesOverPlainWindows)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
