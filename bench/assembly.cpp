// What one assembly costs from the files to the saved result: three 6000 x 4000 JPEG sources
// decoded anew through the picture plug-in (greyscale files give 8-bit bitmaps, YCbCr files 24-bit
// ones), assembled in band mode by an RGB project from three monochrome images behind "!red",
// "!green" and "!blue", and the result saved as a JPEG through the plug-in's compressor; beside
// it, plain libjpeg decoding the same three files and encoding one RGB JPEG of that size.
//
//   bench_assembly [benchmark options]   runs the benchmarks
//   bench_assembly --sources <folder>    writes the three greyscale sources r.jpg, g.jpg, b.jpg,
//                                        and the home the runs below use, as installed
//   bench_assembly --assemble <folder> <out.jpg> [--times]
//                                        assembles those sources once into out.jpg; with --times
//                                        prints the time, CPU and threads of each phase
//   bench_assembly --idle <folder>        starts and stops as --assemble does, assembling nothing

#include "AssemblyTimes.h"

#include "picGuiImageObject.h"
#include "picProject.h"
#include "picSourceImage.h"

#include "VantPicture.h"
#include "picCompressPlugType.h"
#include "vbDnCenter.h"
#include "vbDnItf.h"
#include "vbEngine.h"
#include "vbException.h"

#include "plat/com.h"
#include "plat/message.h"
#include "plat/module.h"
#include "plat/window.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <jpeglib.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr const char* kNames[3] = {"r.jpg", "g.jpg", "b.jpg"};

// A smooth scene per channel with noise, so that the coder works as on real pictures.
uint8_t scene(int k, int x, int y, uint32_t& seed)
{
    seed = seed * 1103515245u + 12345u;
    const double base = 128 + 90 * std::sin(x * 0.0017 + k * 1.3) * std::cos(y * 0.0023 - k * 0.7);
    const int v = static_cast<int>(base) + static_cast<int>(seed >> 28) - 8;
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// A kWidth x kHeight JPEG of 1 (grey) or 3 (RGB) components, filled row by row; quality 0 keeps
// the library's default.
void writeJpeg(const fs::path& path, int components, int quality, const std::function<void(int y, uint8_t* row)>& fill)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot write " + path.string());
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = kWidth;
    c.image_height = kHeight;
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    if (quality > 0)
        jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(kWidth) * components);
    for (int y = 0; y < kHeight; ++y) {
        fill(y, row.data());
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

// Source k at quality 90: greyscale, or the same scene in three slightly different channels
// coded as YCbCr.
void writeSource(const fs::path& path, int k, bool grey)
{
    uint32_t seed = 1 + static_cast<uint32_t>(k);
    writeJpeg(path, grey ? 1 : 3, 90, [&](int y, uint8_t* row) {
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t v = scene(k, x, y, seed);
            if (grey) {
                row[x] = v;
            } else {
                for (int ch = 0; ch < 3; ++ch)
                    row[x * 3 + ch] = static_cast<uint8_t>(std::min(255, v + ch * 6));
            }
        }
    });
}

// A home with the JPEG plug-in registered in its registry, as an installation leaves it: a
// temporary one that goes with the process, or a lasting one made once in a given folder.
struct Setting {
    explicit Setting(const fs::path& lasting = {}) : temporary(lasting.empty())
    {
        if (temporary) {
            std::string pattern = (fs::temp_directory_path() / "vnt-bench-XXXXXX").string();
            home = mkdtemp(pattern.data()) ? pattern : std::string();
        } else {
            home = lasting;
        }
        setenv("VANTREL_HOME", home.c_str(), 1);
        if (temporary || fs::create_directories(home))
            registerPlugin();
    }
    ~Setting()
    {
        std::error_code ignored;
        if (temporary)
            fs::remove_all(home, ignored);
    }

    static void registerPlugin()
    {
        const fs::path module = fs::read_symlink("/proc/self/exe").parent_path() / "Vt05pcST.so";
        HMODULE h = LoadLibraryA(module.c_str());
        if (!h)
            throw std::runtime_error("no " + module.string());
        auto reg = reinterpret_cast<LPFNREGISTERSERVER>(GetProcAddress(h, "DllRegisterServer"));
        if (!reg || reg() != S_OK)
            throw std::runtime_error("the JPEG plug-in does not register");
        FreeLibrary(h);
    }

    bool temporary;
    fs::path home;
};

Setting& setting()
{
    static Setting s;
    return s;
}

// The lasting home beside the sources of the command-line runs.
fs::path homeBeside(const fs::path& sources) { return sources / "home"; }

// The three sources of a case, written once.
fs::path sourcesOf(bool grey)
{
    const fs::path dir = setting().home / (grey ? "grey" : "colour");
    if (!fs::exists(dir / kNames[2])) {
        fs::create_directories(dir);
        for (int k = 0; k < 3; ++k)
            writeSource(dir / kNames[k], k, grey);
    }
    return dir;
}

// An RGB project behind "!red", "!green" and "!blue" with three monochrome images of the files,
// one per band.
picNodePtr makeProject(const fs::path& dir)
{
    static const char* const bands[3] = {"!red", "!green", "!blue"};
    picNodePtr node = picProject::Make();
    auto* project = static_cast<picProject*>(node.Get());
    project->SetFilterType(picImageHolder::kRgb);
    for (int c = 0; c < 3; ++c) {
        picChannelFilter band;
        band.SetKey(bands[c]);
        project->SetChannel(c + 1, band);
        picNodePtr child = picSourceImage::Make();
        auto* image = static_cast<picSourceImage*>(child.Get());
        image->SetSourceFile((dir / kNames[c]).c_str());
        image->SetChannel(1, band);
        project->AddChild(image, 0);
        image->MarkLoaded();
    }
    return node;
}

// The project's own request, run by a worker of the download centre, and the save of its result
// through the compressor the extension chooses; the phases marked when times are kept.
void assembleOnce(const fs::path& dir, const fs::path& out, AssemblyTimes* times = nullptr)
{
    auto phase = [&](const char* name, const std::function<void()>& step) {
        const double from = times ? times->now() : 0;
        step();
        if (times)
            times->mark(name, from, times->now());
    };
    // The cached pictures of an earlier run are not reused: every run decodes.
    g_vbDnCenter.RemoveFromCache(IID_picGuiImageObject, "", -1, false);
    picNodePtr node = makeProject(dir);
    auto* project = static_cast<picProject*>(node.Get());
    phase("ask to result", [&] {
        project->StartWork(nullptr);
        vbDnWait(project, vbDnLoad, 600000, false);
    });
    ULONG hr = 0;
    vbString error;
    if (project->GetError(hr, error))
        throw new vbEuser(error);
    phase("encode + write", [&] { project->SaveResult(out.c_str()); });
    phase("project destroyed", [&] { project->Destroy(); });
}

void reportFailure(benchmark::State& state, CException* e)
{
    state.SkipWithError(vbGetMsg(e, true).c_str());
    e->Delete();
}

void BM_Assembly(benchmark::State& state)
{
    const bool grey = state.range(0) == 1;
    const fs::path dir = sourcesOf(grey);
    vbUseEngineCenter use(&g_vbEngineCenter, true);
    for (auto _ : state) {
        try {
            assembleOnce(dir, setting().home / "result.jpg");
        } catch (CException* e) {
            reportFailure(state, e);
            break;
        }
    }
    state.SetLabel(grey ? "grey" : "colour");
}

// The GUI thread while an assembly runs on the download workers and its rows on every core:
// another thread posts it a message every 5 ms, and its window notes how long each waited to be
// handled. Counters: the longest and the mean wait, in milliseconds.
constexpr UINT kProbeMsg = WM_APP + 1;

double steadyMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::vector<double>& probeDelays()
{
    static std::vector<double> delays;
    return delays;
}

LRESULT CALLBACK probeProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != kProbeMsg)
        return DefWindowProcA(wnd, msg, wParam, lParam);
    double sent = 0;
    std::memcpy(&sent, &lParam, sizeof sent);
    probeDelays().push_back(steadyMs() - sent);
    return 0;
}

void BM_GuiDuringAssembly(benchmark::State& state)
{
    const fs::path dir = sourcesOf(true);
    vbUseEngineCenter use(&g_vbEngineCenter, true);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = probeProc;
    wc.lpszClassName = "bench_assembly probe";
    RegisterClassExA(&wc);
    HWND gui = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    probeDelays().clear();
    for (auto _ : state) {
        g_vbDnCenter.RemoveFromCache(IID_picGuiImageObject, "", -1, false);
        picNodePtr node = makeProject(dir);
        auto* project = static_cast<picProject*>(node.Get());
        project->StartWork(nullptr);
        std::atomic<bool> done{false};
        std::thread poster([&] {
            while (!done) {
                const double now = steadyMs();
                LPARAM sent = 0;
                std::memcpy(&sent, &now, sizeof now);
                PostMessageA(gui, kProbeMsg, 0, sent);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
        // The GUI thread's own loop: messages as they come, until the result is there.
        while (!project->IsLoaded()) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        }
        done = true;
        poster.join();
        project->Destroy();
    }
    const std::vector<double>& d = probeDelays();
    double sum = 0;
    for (double x : d)
        sum += x;
    state.counters["gui_max_ms"] = d.empty() ? 0 : *std::max_element(d.begin(), d.end());
    state.counters["gui_mean_ms"] = d.empty() ? 0 : sum / static_cast<double>(d.size());
    DestroyWindow(gui);
    UnregisterClassA(wc.lpszClassName, nullptr);
}

// Plain libjpeg: the three files decoded into memory, one RGB JPEG of their size encoded.
void BM_Baseline(benchmark::State& state)
{
    const bool grey = state.range(0) == 1;
    const fs::path dir = sourcesOf(grey);
    for (auto _ : state) {
        std::vector<std::vector<uint8_t>> pixels;
        for (const char* name : kNames) {
            FILE* f = std::fopen((dir / name).c_str(), "rb");
            jpeg_decompress_struct d{};
            jpeg_error_mgr err{};
            d.err = jpeg_std_error(&err);
            jpeg_create_decompress(&d);
            jpeg_stdio_src(&d, f);
            jpeg_read_header(&d, TRUE);
            jpeg_start_decompress(&d);
            const size_t stride = static_cast<size_t>(d.output_width) * d.output_components;
            std::vector<uint8_t> p(stride * d.output_height);
            while (d.output_scanline < d.output_height) {
                JSAMPROW r = p.data() + d.output_scanline * stride;
                jpeg_read_scanlines(&d, &r, 1);
            }
            jpeg_finish_decompress(&d);
            jpeg_destroy_decompress(&d);
            std::fclose(f);
            pixels.push_back(std::move(p));
        }
        const size_t step = grey ? 1 : 3;
        writeJpeg(setting().home / "baseline.jpg", 3, 0, [&](int y, uint8_t* row) {
            for (int x = 0; x < kWidth; ++x)
                for (int ch = 0; ch < 3; ++ch)
                    row[x * 3 + ch] = pixels[static_cast<size_t>(ch)][(static_cast<size_t>(y) * kWidth + x) * step];
        });
    }
    state.SetLabel(grey ? "grey" : "colour");
}

BENCHMARK(BM_Assembly)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_GuiDuringAssembly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Baseline)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 3 && std::string(argv[1]) == "--sources") {
            fs::create_directories(argv[2]);
            for (int k = 0; k < 3; ++k)
                writeSource(fs::path(argv[2]) / kNames[k], k, true);
            Setting installed(homeBeside(argv[2]));
            return 0;
        }
        const bool idle = argc == 3 && std::string(argv[1]) == "--idle";
        const bool timed = argc == 5 && std::string(argv[4]) == "--times";
        if (idle || ((argc == 4 || timed) && std::string(argv[1]) == "--assemble")) {
            std::unique_ptr<AssemblyTimes> times;
            if (timed)
                times = std::make_unique<AssemblyTimes>(std::vector<std::string>(std::begin(kNames), std::end(kNames)));
            double from = 0;
            {
                Setting installed(homeBeside(argv[2]));
                vbUseEngineCenter use(&g_vbEngineCenter, true);
                if (times)
                    times->mark("start-up", 0, times->now());
                if (!idle)
                    assembleOnce(argv[2], argv[3], times.get());
                if (times)
                    from = times->now();
            }
            if (times) {
                times->mark("shut-down", from, times->now());
                times->print(stdout);
            }
            return 0;
        }
    } catch (CException* e) {
        std::cerr << vbGetMsg(e, true).c_str() << "\n";
        e->Delete();
        return 1;
    } catch (const std::exception& e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
