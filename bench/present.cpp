// Presentation of a 1920 x 1080 window on the desktop back end: a fully drawn frame against a
// plain copy of its bytes, and a 200 x 20 rectangle of it. SDL's "dummy" driver measures the copy
// alone; with DISPLAY set, the same runs on the X11 desktop come first.

#include "plat/gdi.h"
#include "plat/message.h"
#include "plat/testhooks.h"
#include "plat/window.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr size_t kFrameBytes = size_t(kWidth) * kHeight * 4;

void FullFrameMemcpy(benchmark::State& state)
{
    std::vector<unsigned char> from(kFrameBytes, 0x5A), to(kFrameBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kFrameBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFrameBytes));
}

// A shown 1920 x 1080 top-level window, painted once, for the time of one benchmark.
class Frame {
public:
    Frame()
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hbrBackground = HBRUSH(GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = "Present Bench";
        RegisterClassExA(&wc);
        hwnd = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr,
            nullptr, nullptr, nullptr);
        idle();
    }
    ~Frame()
    {
        DestroyWindow(hwnd);
        idle();
        UnregisterClassA("Present Bench", nullptr);
    }
    // Whatever was marked drawn goes to the desktop when the retrieval finds nothing to do.
    static void idle()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    HWND hwnd = nullptr;
};

void present(benchmark::State& state, const RECT* part)
{
    Frame frame;
    if (!frame.hwnd || !vntTestMarkDrawn(frame.hwnd, part)) {
        state.SkipWithError("no window to present");
        return;
    }
    for (auto _ : state) {
        vntTestMarkDrawn(frame.hwnd, part);
        Frame::idle();
    }
    const RECT all{0, 0, kWidth, kHeight};
    const RECT& r = part ? *part : all;
    state.SetBytesProcessed(int64_t(state.iterations()) * (r.right - r.left) * (r.bottom - r.top) * 4);
}

const RECT kStrip{200, 300, 400, 320};

void PresentFullFrame(benchmark::State& state) { present(state, nullptr); }
void PresentStrip(benchmark::State& state) { present(state, &kStrip); }

// The dummy driver from here on (after the X11 runs, which used the process's own choice).
void UseDummyDriver(benchmark::State& state)
{
    for (auto _ : state)
        ;
    vntTestUseSdlDisplay(FALSE);
    vntTestUseSdlDisplay(TRUE);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    BENCHMARK(FullFrameMemcpy)->Unit(benchmark::kMicrosecond);
    const char* display = std::getenv("DISPLAY");
    if (display && *display && !std::getenv("VANTREL_HEADLESS")) {
        BENCHMARK(PresentFullFrame)->Name("X11/PresentFullFrame")->Unit(benchmark::kMicrosecond);
        BENCHMARK(PresentStrip)->Name("X11/PresentStrip200x20")->Unit(benchmark::kMicrosecond);
    }
    BENCHMARK(UseDummyDriver)->Iterations(1);
    BENCHMARK(PresentFullFrame)->Name("Dummy/PresentFullFrame")->Unit(benchmark::kMicrosecond);
    BENCHMARK(PresentStrip)->Name("Dummy/PresentStrip200x20")->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
