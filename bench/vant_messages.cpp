// Round trips between two processes through g_vbVantMsgEngine: a value message, and a data
// message with a 1 KiB block (handed back by handle), each answered by the other process; beside
// them a pipe ping-pong of 1 byte and of 1 KiB in the same run. Rates are round trips per second;
// median_us and p99_us are the round-trip latencies.
//
// The answering process is this program started again with "--echo": it answers every ping with
// a pong to all other processes until it is killed.

#include "vbException.h"
#include "vbVantMsgEngine.h"

#include "plat/thread.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

vbExtraMsg g_ping("KVX Bench value ping");
vbExtraMsg g_pong("KVX Bench value pong");
vbExtraDataMsg g_dataPing("KVX Bench data ping");
vbExtraDataMsg g_dataPong("KVX Bench data pong");

class Echo : public vbBase {
public:
    void onPing(vbVantMsgCb&, DWORD v1, DWORD v2) { g_vbVantMsgEngine.Post(nullptr, g_pong, v1, v2); }
    void onDataPing(vbVantDataCb&, vbSharedMem* block, DWORD v1, DWORD v2)
    {
        g_vbVantMsgEngine.Post(nullptr, g_dataPong, block, v1, v2);
    }
};

int echo()
{
    vbUseEngineCenter use(&g_vbEngineCenter, false);
    g_vbVantMsgEngine.SetQueueName("bench-echo");
    Echo e;
    vbVantMsgCb ping(&g_ping, vbVANTMSGCB(&e, &Echo::onPing), true);
    vbVantDataCb dataPing(0, &g_dataPing, vbVANTDATACB(&e, &Echo::onDataPing), true);
    for (;;)
        pause();
}

// Counts the answers that came back.
class Pongs : public vbBase {
public:
    void onPong(vbVantMsgCb&, DWORD, DWORD) { arrived(); }
    void onDataPong(vbVantDataCb&, vbSharedMem*, DWORD, DWORD) { arrived(); }
    void arrived()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_count;
        m_cv.notify_one();
    }
    bool waitFor(unsigned count, int ms)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_count >= count; });
    }
    unsigned count()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_count;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    unsigned m_count = 0;
};

void reportLatencies(benchmark::State& state, std::vector<double>& us)
{
    if (us.empty())
        return;
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    state.SetItemsProcessed(int64_t(us.size()));
}

// The engine, the answering process and the pong callbacks, once for the whole run.
struct Setup {
    Setup()
    {
        use.StartUse(&g_vbEngineCenter, false);
        g_vbVantMsgEngine.SetQueueName("bench-main");
        pong = new vbVantMsgCb(&g_pong, vbVANTMSGCB(&pongs, &Pongs::onPong), true);
        dataPong = new vbVantDataCb(0, &g_dataPong, vbVANTDATACB(&pongs, &Pongs::onDataPong), true);
        child = fork();
        if (child == 0) {
            execl("/proc/self/exe", "bench_vant_messages", "--echo", static_cast<char*>(nullptr));
            _exit(127);
        }
        // Pings until the answering process has its callbacks in place.
        for (int i = 0; i < 100 && pongs.count() == 0; ++i) {
            g_vbVantMsgEngine.Post("bench-echo", g_ping, 0, 0);
            pongs.waitFor(1, 100);
        }
        ready = pongs.count() > 0;
    }
    ~Setup()
    {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        delete dataPong;
        delete pong;
    }
    vbUseEngineCenter use;
    Pongs pongs;
    vbVantMsgCb* pong = nullptr;
    vbVantDataCb* dataPong = nullptr;
    pid_t child = -1;
    bool ready = false;
};

Setup& setup()
{
    static Setup s;
    return s;
}

// One round trip per iteration: post sends the ping, the other process's pong ends it.
template <class Post>
void engineRoundTrips(benchmark::State& state, Post post)
{
    Setup& s = setup();
    if (!s.ready) {
        state.SkipWithError("no answer from the other process");
        return;
    }
    std::vector<double> us;
    for (auto _ : state) {
        const unsigned before = s.pongs.count();
        const auto t0 = std::chrono::steady_clock::now();
        post();
        if (!s.pongs.waitFor(before + 1, 5000)) {
            state.SkipWithError("lost answer");
            break;
        }
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    reportLatencies(state, us);
}

void BM_EngineValueRoundTrip(benchmark::State& state)
{
    engineRoundTrips(state, [] { g_vbVantMsgEngine.Post("bench-echo", g_ping, 1, 2); });
}
BENCHMARK(BM_EngineValueRoundTrip)->UseRealTime();

void BM_EngineData1KRoundTrip(benchmark::State& state)
{
    const std::vector<char> data(1024, 'x');
    engineRoundTrips(state, [&] { g_vbVantMsgEngine.Post("bench-echo", g_dataPing, data.data(), int(data.size()), 1, 2); });
}
BENCHMARK(BM_EngineData1KRoundTrip)->UseRealTime();

void BM_PipeRoundTrip(benchmark::State& state)
{
    const size_t size = size_t(state.range(0));
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) {
        state.SkipWithError("pipe");
        return;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        close(toChild[1]);
        close(fromChild[0]);
        std::vector<char> buf(size);
        for (;;) {
            size_t got = 0;
            while (got < size) {
                const ssize_t n = read(toChild[0], buf.data() + got, size - got);
                if (n <= 0)
                    _exit(0);
                got += size_t(n);
            }
            if (write(fromChild[1], buf.data(), size) != ssize_t(size))
                _exit(1);
        }
    }
    close(toChild[0]);
    close(fromChild[1]);
    std::vector<char> buf(size, 'x');
    std::vector<double> us;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        if (write(toChild[1], buf.data(), size) != ssize_t(size))
            break;
        size_t got = 0;
        while (got < size) {
            const ssize_t n = read(fromChild[0], buf.data() + got, size - got);
            if (n <= 0)
                break;
            got += size_t(n);
        }
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    close(toChild[1]);
    close(fromChild[0]);
    waitpid(pid, nullptr, 0);
    reportLatencies(state, us);
}
BENCHMARK(BM_PipeRoundTrip)->Arg(1)->Arg(1024)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--echo") == 0) {
        try {
            return echo();
        } catch (CException* e) {
            e->Delete();
            return 1;
        }
    }
    // Named objects of the run stay in a folder of their own.
    char home[] = "/tmp/vnt-bench-XXXXXX";
    if (!getenv("VANTREL_HOME") && mkdtemp(home))
        setenv("VANTREL_HOME", home, 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (std::strncmp(home, "/tmp/vnt-bench-", 15) == 0 && home[15] != 'X') {
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    }
    return 0;
}
