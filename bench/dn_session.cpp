// Loading a 16 MiB file through a download session (built-in file reader, 8192-byte chunks) into
// an object that only counts bytes, beside a plain read() loop of 8192-byte chunks into the same
// counter, in the same run.

#include "vbDnObject.h"
#include "vbDnPlugin.h"
#include "vbEngine.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr size_t kFileSize = 16u << 20;
constexpr size_t kChunk = 8192;

const GUID CLSID_ByteCounter = {0x2D6B9F41, 0x8C3E, 0x4A57, {0xB1, 0x0F, 0x6E, 0x42, 0x9D, 0x73, 0x15, 0xC8}};

class ByteCounter : public vbTdnObject<vbObject> {
public:
    static const GUID& DnClassId() { return CLSID_ByteCounter; }
    const GUID& GetClsId() const override { return CLSID_ByteCounter; }
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

const std::string& testFile()
{
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "vnt_bench_dn_session.bin").string();
        std::ofstream(p, std::ios::binary) << std::string(kFileSize, 'b');
        return p;
    }();
    return path;
}

void BM_SessionLoad(benchmark::State& state)
{
    const vbString url(testFile().c_str());
    vbUseEngineCenter use(&g_vbEngineCenter, true);
    vbDnSession session;
    for (auto _ : state) {
        auto* counter = new ByteCounter;
        counter->Create();
        vbDnData root(nullptr, &session);
        session.DoDnOp(&root, vbDnLoad, url, counter);
        if (counter->bytes != kFileSize)
            state.SkipWithError("short load");
        counter->Release();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}
BENCHMARK(BM_SessionLoad)->Unit(benchmark::kMillisecond);

void BM_PlainReadLoop(benchmark::State& state)
{
    const std::string& path = testFile();
    for (auto _ : state) {
        uint64_t bytes = 0;
        const int fd = open(path.c_str(), O_RDONLY);
        char chunk[kChunk];
        ssize_t n = 0;
        while ((n = read(fd, chunk, kChunk)) > 0)
            bytes += static_cast<uint64_t>(n);
        close(fd);
        benchmark::DoNotOptimize(bytes);
        if (bytes != kFileSize)
            state.SkipWithError("short read");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}
BENCHMARK(BM_PlainReadLoop)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
