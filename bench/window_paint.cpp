// A full repaint of a 1920 x 1080 window with 200 child windows that fill and frame their client
// areas: invalidation of the whole tree, WM_PAINT for every window, visible-region clipping and
// the drawing itself, until the thread's queue is idle.

#include "plat/gdi.h"
#include "plat/headless.h"
#include "plat/message.h"
#include "plat/paint.h"
#include "plat/window.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

LRESULT CALLBACK FillAndFrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_PAINT)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(hdc, &client, HBRUSH(GetStockObject(LTGRAY_BRUSH)));
    FrameRect(hdc, &client, HBRUSH(GetStockObject(BLACK_BRUSH)));
    EndPaint(hwnd, &ps);
    return 0;
}

void FullRepaint(benchmark::State& state)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FillAndFrameProc;
    wc.lpszClassName = "Repaint Bench";
    RegisterClassExA(&wc);
    plat::headless::setScreenSize(1920, 1080);
    HWND top = CreateWindowExA(
        0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 1920, 1080, nullptr, nullptr, nullptr, nullptr);
    // 20 columns by 10 rows of children, each overlapping its right and lower neighbour a little.
    for (int i = 0; i < 200; ++i) {
        const int x = (i % 20) * 96, y = (i / 20) * 108;
        CreateWindowExA(0, wc.lpszClassName, "", WS_CHILD | WS_VISIBLE, x, y, 100, 112, top, nullptr, nullptr, nullptr);
    }
    plat::headless::pumpUntilIdle();
    int painted = 0;
    for (auto _ : state) {
        RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        painted = plat::headless::pumpUntilIdle();
    }
    state.counters["windows painted"] = painted;
    DestroyWindow(top);
    UnregisterClassA(wc.lpszClassName, nullptr);
}
BENCHMARK(FullRepaint)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
