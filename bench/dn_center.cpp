// Throughput of the download centre with 1 to 4 workers: 10,000 load operations per run, either
// "data:" URLs of 64 bytes or 64 KiB objects read from memory through an in-memory protocol, each
// asked with vbDnAsk and seen to end through its pointer's signal; operations per second and the
// mean time from ask to signal. Beside them, the same operations through vbDnSession::DoDnOp on
// one thread, and the ask-to-signal time of one 64-byte load at a time on an idle worker.

#include "vbDnCenter.h"
#include "vbDnObject.h"
#include "vbDnPlugin.h"
#include "vbEngine.h"
#include "vbMemoryStream.h"
#include "vbObjectFace.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int kOps = 10000;
using Clock = std::chrono::steady_clock;

const GUID CLSID_BenchObject = {0x7E21C0A4, 0x3B58, 0x4C9D, {0x8F, 0x12, 0x55, 0xA0, 0x6D, 0x31, 0xE8, 0x47}};

// Hands out a stream over one shared 64 KiB block.
class MemoryProto : public vbObject, public IvbDnPlugProto {
public:
    MemoryProto()
    {
        vbMemoryStream::CreateObject(&m_block);
        const std::string bytes(65536, 'm');
        m_block->Write(bytes.data(), static_cast<DWORD>(bytes.size()), true);
    }
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbDnPlugProto) {
            *ppv = static_cast<IvbDnPlugProto*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    bool askStopDnOp(IvbDnObject*) override { return false; }
    bool CanWorkWithProto(vbDnData*, IvbDnObject*, const vbString&) override { return true; }
    void askClose() override {}
    bool ReadUrl(vbDnData*, IvbDnObject*, vbRefPtr<IvbInputStream, &IID_IvbInputStream>* stream) override
    {
        auto* shared = new vbMemoryStream(*m_block, true, vbAccessRead);
        shared->Create();
        *stream = static_cast<IvbInputStream*>(shared);
        shared->Release();
        return false;
    }
    bool WriteUrl(vbDnData*, IvbDnObject*, vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>*) override { return false; }

private:
    vbRefPtr<vbMemoryStream, &IID_vbMemoryStream> m_block;
};

MemoryProto* memoryProto()
{
    static MemoryProto* proto = [] {
        auto* p = new MemoryProto;
        p->Create();
        return p;
    }();
    return proto;
}

// Counts what it receives; URLs of the protocol "mem" come through the in-memory protocol.
class BenchObject : public vbTdnObject<vbObject>, public IvbDnObjectProto {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbDnObjectProto) {
            *ppv = static_cast<IvbDnObjectProto*>(this);
            return true;
        }
        return vbTdnObject::GetInterface(iid, ppv);
    }
    bool GetDnProto(vbDnOp, const vbString& url, vbRefPtr<IvbDnPlugProto, &IID_IvbDnPlugProto>* out) override
    {
        if (vbGetProtocol(url) != "mem")
            return false;
        *out = static_cast<IvbDnPlugProto*>(memoryProto());
        return true;
    }
    static const GUID& DnClassId() { return CLSID_BenchObject; }
    const GUID& GetClsId() const override { return CLSID_BenchObject; }
    DWORD GetMemSizeForCache() const override { return 0; }
    bool LoadFromRes(vbDnData*, const char*, const char*, HINSTANCE) override { return false; }
    const char* GetDefaultResType() const override { return "DATA"; }
    bool LoadFromFile(vbDnData*, const vbString&) override { return false; }
    void LoadingStart(vbDnData*, int64_t) override {}
    bool LoadingAddBuffer(vbDnData*, const unsigned char*, ULONG length) override
    {
        bytes += length;
        return true;
    }
    void LoadingEnd(vbDnData*, bool) override {}
    uint64_t bytes = 0;
};

// Counts the ends of a batch and sums their latencies.
class Batch {
public:
    void done(Clock::time_point asked)
    {
        const auto us = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - asked).count();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_latencyNs += us;
        if (++m_done == m_expected)
            m_allDone.notify_all();
    }
    void start(int expected)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_expected = expected;
        m_done = 0;
    }
    void wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_allDone.wait(lock, [&] { return m_done >= m_expected; });
    }
    double latencyNs() const { return static_cast<double>(m_latencyNs); }

private:
    std::mutex m_mutex;
    std::condition_variable m_allDone;
    int m_expected = 0;
    int m_done = 0;
    long long m_latencyNs = 0;
};

// A pointer that hears its object's end.
class Watch : public vbObsPtr<IvbObject, &IID_IvbObject>, public sIvbPtrCb {
public:
    Watch(BenchObject* obj, Batch* batch) : vbObsPtr(static_cast<IvbDnObject*>(obj)), m_batch(batch)
    {
        SetCallback(this);
    }
    void onPtrSignal(sIvbPtr*, int) override { m_batch->done(asked); }
    void onPtrUnlink(sIvbPtr*) override {}
    void onPtrLink(sIvbPtr*) override {}
    Clock::time_point asked;

private:
    Batch* m_batch;
};

// 64 bytes inline, or 64 KiB from memory.
vbString urlFor(size_t bytes) { return bytes == 64 ? vbString(("data:" + std::string(64, 'd')).c_str()) : vbString("mem://block"); }

void BM_Centre(benchmark::State& state, size_t bytes)
{
    vbUseEngineCenter use(&g_vbEngineCenter, true);
    g_vbDnCenter.SetThreadMax(static_cast<LONG>(state.range(0)));
    const vbString url = urlFor(bytes);
    Batch batch;
    for (auto _ : state) {
        std::vector<BenchObject*> objects;
        std::vector<std::unique_ptr<Watch>> watches;
        for (int i = 0; i < kOps; ++i) {
            auto* o = new BenchObject;
            o->Create();
            objects.push_back(o);
            watches.push_back(std::make_unique<Watch>(o, &batch));
        }
        batch.start(kOps);
        for (int i = 0; i < kOps; ++i) {
            watches[static_cast<size_t>(i)]->asked = Clock::now();
            vbDnAsk(objects[static_cast<size_t>(i)], vbDnLoad, url.c_str(), vbDnPriority1, false);
        }
        batch.wait();
        state.PauseTiming();
        watches.clear();
        // Out of the cache, so that the objects of a run go with it.
        for (BenchObject* o : objects) {
            vbDnCacheRemove(o);
            o->Release();
        }
        state.ResumeTiming();
    }
    state.counters["ops_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * kOps), benchmark::Counter::kIsRate);
    state.counters["mean_latency_us"] = batch.latencyNs() / 1000.0 / static_cast<double>(state.iterations() * kOps);
    g_vbDnCenter.SetThreadMax(4);
}
BENCHMARK_CAPTURE(BM_Centre, bytes64, 64)->DenseRange(1, 4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Centre, bytes64k, 65536)->DenseRange(1, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Direct(benchmark::State& state, size_t bytes)
{
    vbUseEngineCenter use(&g_vbEngineCenter, true);
    const vbString url = urlFor(bytes);
    vbDnSession session;
    for (auto _ : state) {
        for (int i = 0; i < kOps; ++i) {
            auto* o = new BenchObject;
            o->Create();
            vbDnData root(nullptr, &session);
            session.DoDnOp(&root, vbDnLoad, url, o);
            o->Release();
        }
    }
    state.counters["ops_per_s"] = benchmark::Counter(static_cast<double>(state.iterations() * kOps), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(BM_Direct, bytes64, 64)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Direct, bytes64k, 65536)->Unit(benchmark::kMillisecond)->UseRealTime();

// One load at a time, each on a worker that waits for work.
void BM_IdleLatency(benchmark::State& state)
{
    vbUseEngineCenter use(&g_vbEngineCenter, true);
    const vbString url = urlFor(64);
    Batch batch;
    long long n = 0;
    for (auto _ : state) {
        auto* o = new BenchObject;
        o->Create();
        {
            Watch watch(o, &batch);
            batch.start(1);
            watch.asked = Clock::now();
            vbDnAsk(o, vbDnLoad, url.c_str(), vbDnPriority1, false);
            batch.wait();
        }
        vbDnCacheRemove(o);
        o->Release();
        ++n;
    }
    state.counters["mean_latency_us"] = batch.latencyNs() / 1000.0 / static_cast<double>(n);
}
BENCHMARK(BM_IdleLatency)->Iterations(2000)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
