// Memory streams beside a plain byte vector doing the same work in the same run: typed writes of
// 32-bit values (the stream grows its block exactly on every write), 64 KB block writes and reads,
// and lines read from 10 MB of 80-byte lines. File stream typed writes, one system call each, for
// reference.

#include "vbMemoryStream.h"
#include "vbString.h"
#include "vbTempStream.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using MemPtr = vbRefPtr<vbMemoryStream, &IID_vbMemoryStream>;

MemPtr newMemory()
{
    MemPtr s;
    vbMemoryStream::CreateObject(&s);
    return s;
}

void BM_MemoryWriteLong(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        MemPtr s = newMemory();
        for (int i = 0; i < n; ++i)
            s->WriteLong(i);
        benchmark::DoNotOptimize(s->GetLength());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_MemoryWriteLong)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_VectorWriteLong(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::vector<uint8_t> v;
        for (int i = 0; i < n; ++i) {
            uint32_t x = static_cast<uint32_t>(i);
            uint8_t b[4] = {static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x >> 16),
                static_cast<uint8_t>(x >> 24)};
            v.insert(v.end(), b, b + 4);
        }
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_VectorWriteLong)->Arg(1000000)->Unit(benchmark::kMillisecond);

constexpr DWORD kBlock = 64 * 1024;
constexpr int kBlocks = 64;

void BM_MemoryBlocks(benchmark::State& state)
{
    std::vector<char> block(kBlock, 'x');
    for (auto _ : state) {
        MemPtr s = newMemory();
        for (int i = 0; i < kBlocks; ++i)
            s->Write(block.data(), kBlock, true);
        s->Seek(0, vbSeekStart);
        for (int i = 0; i < kBlocks; ++i)
            s->Read(block.data(), kBlock, true);
    }
    state.SetBytesProcessed(state.iterations() * 2 * kBlocks * static_cast<int64_t>(kBlock));
}
BENCHMARK(BM_MemoryBlocks);

void BM_VectorBlocks(benchmark::State& state)
{
    std::vector<char> block(kBlock, 'x');
    for (auto _ : state) {
        std::vector<char> v;
        for (int i = 0; i < kBlocks; ++i)
            v.insert(v.end(), block.begin(), block.end());
        for (int i = 0; i < kBlocks; ++i)
            std::memcpy(block.data(), v.data() + static_cast<size_t>(i) * kBlock, kBlock);
        benchmark::DoNotOptimize(v.data());
    }
    state.SetBytesProcessed(state.iterations() * 2 * kBlocks * static_cast<int64_t>(kBlock));
}
BENCHMARK(BM_VectorBlocks);

std::string lines()
{
    std::string line(79, 'l');
    line += '\n';
    std::string all;
    while (all.size() < 10u * 1024 * 1024)
        all += line;
    return all;
}

void BM_MemoryReadString(benchmark::State& state)
{
    const std::string text = lines();
    MemPtr s = newMemory();
    s->Write(text.data(), static_cast<DWORD>(text.size()), true);
    for (auto _ : state) {
        s->Seek(0, vbSeekStart);
        vbString line, sep;
        while (s->ReadString(&line, &sep, nullptr))
            benchmark::DoNotOptimize(line.c_str());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_MemoryReadString)->Unit(benchmark::kMillisecond);

void BM_VectorReadLines(benchmark::State& state)
{
    const std::string text = lines();
    const std::vector<uint8_t> v(text.begin(), text.end());
    for (auto _ : state) {
        size_t pos = 0;
        std::string line;
        while (pos < v.size()) {
            const void* lf = std::memchr(v.data() + pos, '\n', v.size() - pos);
            size_t end = lf ? static_cast<size_t>(static_cast<const uint8_t*>(lf) - v.data()) : v.size();
            line.assign(reinterpret_cast<const char*>(v.data() + pos), end - pos);
            benchmark::DoNotOptimize(line.data());
            pos = end + 1;
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_VectorReadLines)->Unit(benchmark::kMillisecond);

void BM_FileWriteLong(benchmark::State& state)
{
    vbRefPtr<vbTempStream, &IID_vbTempStream> f;
    vbTempStream::CreateObject(&f);
    f->OpenNew(true, vbShareReadWrite, vbAccessBoth, true);
    for (auto _ : state) {
        f->Seek(0, vbSeekStart);
        for (int i = 0; i < 10000; ++i)
            f->WriteLong(i);
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_FileWriteLong)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
