// A post-and-retrieve round trip between two threads through the platform's message queues,
// next to the same round trip through a plain mutex-and-condition-variable queue.

#include "plat/message.h"
#include "plat/window.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <deque>
#include <latch>
#include <mutex>
#include <thread>

namespace {

constexpr UINT kPing = WM_USER + 1;
constexpr UINT kPong = WM_USER + 2;

HWND g_replyTo = nullptr;

LRESULT CALLBACK EchoProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == kPing) {
        PostMessageA(g_replyTo, kPong, wParam, 0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void BM_PlatformQueueRoundTrip(benchmark::State& state)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = EchoProc;
    wc.lpszClassName = "Bench Echo";
    RegisterClassExA(&wc);
    g_replyTo = CreateWindowExA(0, "Bench Echo", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);

    HWND echo = nullptr;
    std::latch ready(1);
    std::thread echoThread([&] {
        echo = CreateWindowExA(0, "Bench Echo", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ready.count_down();
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        DestroyWindow(echo);
    });
    ready.wait();

    WPARAM n = 0;
    MSG msg;
    for (auto _ : state) {
        PostMessageA(echo, kPing, ++n, 0);
        GetMessageA(&msg, nullptr, 0, 0);
        benchmark::DoNotOptimize(msg.wParam);
    }
    PostMessageA(echo, WM_QUIT, 0, 0);
    echoThread.join();
    DestroyWindow(g_replyTo);
    UnregisterClassA("Bench Echo", nullptr);
}
BENCHMARK(BM_PlatformQueueRoundTrip)->UseRealTime();

// The yardstick: what the simplest correct queue between two threads costs.
class PlainQueue {
public:
    void push(uintptr_t value)
    {
        {
            std::lock_guard lock(m_mutex);
            m_items.push_back(value);
        }
        m_ready.notify_one();
    }
    uintptr_t pop()
    {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [&] { return !m_items.empty(); });
        uintptr_t value = m_items.front();
        m_items.pop_front();
        return value;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<uintptr_t> m_items;
};

void BM_PlainQueueRoundTrip(benchmark::State& state)
{
    PlainQueue toEcho, back;
    std::thread echoThread([&] {
        for (;;) {
            uintptr_t value = toEcho.pop();
            if (value == 0)
                return;
            back.push(value);
        }
    });
    uintptr_t n = 0;
    for (auto _ : state) {
        toEcho.push(++n);
        benchmark::DoNotOptimize(back.pop());
    }
    toEcho.push(0);
    echoThread.join();
}
BENCHMARK(BM_PlainQueueRoundTrip)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
