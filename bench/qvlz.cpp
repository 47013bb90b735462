// The built-in QVLZSS codec beside zlib's deflate and inflate, on the same inputs in one run:
// 4 MiB of generated text, a built shared library of the project and 1 MiB of random bytes.
// Each compression reports its rate over the input and the ratio (coded / input); each
// decompression its rate over the decoded bytes.

#include "vbCompressLZSS.h"
#include "vbMemoryStream.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <dlfcn.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using MemPtr = vbRefPtr<vbMemoryStream, &IID_vbMemoryStream>;

Bytes generatedText(size_t n)
{
    static const char* const words[] = {"the", "light", "filter", "image", "source", "colour", "result", "of",
        "and", "picture", "assembles", "through", "each", "seen", "a", "program", "desktop", "bits", "red",
        "green", "blue", "channel", "project", "window", "with", "from", "into", "layer", "libraries",
        "stands", "on", "four", "built", "compressed", "stream", "block", "history"};
    std::mt19937 gen(11);
    Bytes b;
    b.reserve(n + 16);
    while (b.size() < n) {
        const char* w = words[gen() % std::size(words)];
        b.insert(b.end(), w, w + std::char_traits<char>::length(w));
        unsigned r = gen() % 16;
        b.push_back(r == 0 ? '\n' : r == 1 ? ',' : ' ');
    }
    b.resize(n);
    return b;
}

Bytes randomBytes(size_t n)
{
    std::mt19937 gen(5);
    Bytes b(n);
    for (auto& c : b)
        c = static_cast<unsigned char>(gen());
    return b;
}

// The base library's own file.
Bytes libraryFile()
{
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&vbLZSScompressPush::CreateObject), &info);
    std::ifstream in(info.dli_fname, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const Bytes& input(int which)
{
    static const Bytes inputs[] = {generatedText(4 << 20), libraryFile(), randomBytes(1 << 20)};
    return inputs[which];
}

const char* const kInputNames[] = {"text", "library", "random"};

Bytes bytesOf(vbMemoryStream* s)
{
    Bytes out(s->GetLength());
    s->Seek(0, vbSeekStart);
    if (!out.empty())
        s->Read(out.data(), DWORD(out.size()), true);
    return out;
}

Bytes qvlzCompress(const Bytes& in, int level)
{
    MemPtr out;
    vbMemoryStream::CreateObject(&out);
    vbCompressPushPtr c;
    vbLZSScompressPush::CreateObject(&c);
    c->SetCompressLevel(level);
    c->New(out.Get());
    c->Write(in.data(), DWORD(in.size()), true);
    c->Close(true);
    return bytesOf(out);
}

size_t qvlzDecompress(const Bytes& coded)
{
    MemPtr out;
    vbMemoryStream::CreateObject(&out);
    vbDecompressPushPtr d;
    vbLZSSdecompressPush::CreateObject(&d);
    d->SetOutputStream(out.Get());
    d->Write(coded.data(), DWORD(coded.size()), true);
    d->Close(true);
    return out->GetLength();
}

Bytes deflateBytes(const Bytes& in, int level)
{
    uLongf size = compressBound(uLong(in.size()));
    Bytes out(size);
    compress2(out.data(), &size, in.data(), uLong(in.size()), level);
    out.resize(size);
    return out;
}

size_t inflateBytes(const Bytes& coded, size_t size)
{
    Bytes out(size);
    uLongf n = uLongf(size);
    uncompress(out.data(), &n, coded.data(), uLong(coded.size()));
    return n;
}

void report(benchmark::State& state, size_t processed, size_t in, size_t coded)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(processed));
    state.counters["ratio"] = double(coded) / double(in);
    state.SetLabel(kInputNames[state.range(0)]);
}

void BM_QvlzCompress(benchmark::State& state)
{
    const Bytes& in = input(int(state.range(0)));
    size_t coded = 0;
    for (auto _ : state)
        coded = qvlzCompress(in, int(state.range(1))).size();
    report(state, in.size(), in.size(), coded);
}

void BM_QvlzDecompress(benchmark::State& state)
{
    const Bytes& in = input(int(state.range(0)));
    Bytes coded = qvlzCompress(in, int(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(qvlzDecompress(coded));
    report(state, in.size(), in.size(), coded.size());
}

void BM_Deflate(benchmark::State& state)
{
    const Bytes& in = input(int(state.range(0)));
    size_t coded = 0;
    for (auto _ : state)
        coded = deflateBytes(in, int(state.range(1))).size();
    report(state, in.size(), in.size(), coded);
}

void BM_Inflate(benchmark::State& state)
{
    const Bytes& in = input(int(state.range(0)));
    Bytes coded = deflateBytes(in, int(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(inflateBytes(coded, in.size()));
    report(state, in.size(), in.size(), coded.size());
}

void levels(benchmark::internal::Benchmark* b, std::initializer_list<int> list)
{
    b->ArgNames({"input", "level"})->Unit(benchmark::kMillisecond);
    for (int input = 0; input < 3; ++input)
        for (int level : list)
            b->Args({input, level});
}

BENCHMARK(BM_QvlzCompress)->Apply([](auto* b) { levels(b, {1, 7, 9}); });
BENCHMARK(BM_Deflate)->Apply([](auto* b) { levels(b, {1, 6, 9}); });
BENCHMARK(BM_QvlzDecompress)->Apply([](auto* b) { levels(b, {7}); });
BENCHMARK(BM_Inflate)->Apply([](auto* b) { levels(b, {6}); });

} // namespace

BENCHMARK_MAIN();
