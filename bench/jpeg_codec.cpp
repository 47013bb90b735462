// What a photograph costs through the plug-in's codec objects against the plain library on the
// same data: decoding in one whole-file write and in the 8192-byte writes of a download, and
// encoding in the 16384-byte reads of a save and in one read.

#include "jpegCompressor.h"
#include "jpegDecompressor.h"

#include "VantPicture.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// The factory the codec objects count themselves on; never registered.
vbHotPlugFactory& factory()
{
    static const GUID clsid = {0x5B0C7E23, 0x3D4A, 0x4F6B, {0x9C, 0x1E, 0x27, 0x80, 0x44, 0xA1, 0x6D, 0x3F}};
    static const vbHotPlugFactoryList none[] = {{nullptr, nullptr, 0, 0}};
    static vbHotPlugFactory codecFactory(nullptr, clsid, "JPEG benchmark", none, 0);
    return codecFactory;
}

using Bytes = std::vector<uint8_t>;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// Gradients, a few hard edges and mild noise, roughly what a camera gives; colour is type 1 at
// 24 bits (B, G, R), grey type 0 at 8 bits.
picImagePtr photo(int components)
{
    picImagePtr image;
    picCreateImage(&image, "simple", "photo", picReqThrow);
    picBmpInfo info;
    info.size = picSize(kWidth, kHeight);
    info.bmpType = components == 1 ? picBmpGrey : picBmpRGB;
    info.bitsPerPixel = 8 * components;
    picBitmapPtr bitmap;
    image->CreateBitmap(-1, &info, &bitmap);
    uint32_t seed = 1;
    for (int y = 0; y < kHeight; ++y) {
        void* row = nullptr;
        bitmap->GetBitmapRow(nullptr, y, &row, 1, 0);
        auto* samples = static_cast<uint8_t*>(row);
        for (int x = 0; x < kWidth; ++x) {
            const bool edge = ((x / 700) + (y / 500)) % 2;
            for (int k = 0; k < components; ++k) {
                seed = seed * 1103515245u + 12345u;
                const double base = 128 + 80 * std::sin(x * 0.002 + k) * std::cos(y * 0.003) + (edge ? 30 : -30);
                const int v = int(base) + int(seed >> 28) - 8;
                samples[size_t(x) * components + k] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
    return image;
}

const picImagePtr& image(int components)
{
    static const picImagePtr colour = photo(3);
    static const picImagePtr grey = photo(1);
    return components == 1 ? grey : colour;
}

picCompressorPtr compressorOf(IpicImage* input)
{
    auto* object = new jpegCompressor(&factory());
    object->Create();
    picCompressorPtr c(object);
    object->Release();
    c->SetInputImage(input);
    return c;
}

// The photograph compressed at the compressor's own level (quality 75, library defaults).
const Bytes& file(int components)
{
    static const auto whole = [](int n) {
        picCompressorPtr c = compressorOf(image(n));
        Bytes out(size_t(kWidth) * kHeight * n);
        out.resize(c->Read(out.data(), DWORD(out.size()), false));
        return out;
    };
    static const Bytes colour = whole(3);
    static const Bytes grey = whole(1);
    return components == 1 ? grey : colour;
}

void decodeRaw(benchmark::State& state)
{
    const Bytes& f = file(int(state.range(0)));
    for (auto _ : state) {
        jpeg_decompress_struct d{};
        jpeg_error_mgr err{};
        d.err = jpeg_std_error(&err);
        jpeg_create_decompress(&d);
        jpeg_mem_src(&d, f.data(), f.size());
        jpeg_read_header(&d, TRUE);
        if (d.out_color_space == JCS_RGB)
            d.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&d);
        const size_t stride = (size_t(d.output_width) * d.output_components + 3) & ~size_t(3);
        std::vector<uint8_t> pixels(stride * d.output_height);
        while (d.output_scanline < d.output_height) {
            JSAMPROW rows[2] = {pixels.data() + d.output_scanline * stride,
                pixels.data() + (d.output_scanline + 1) * stride};
            jpeg_read_scanlines(&d, rows, std::min<JDIMENSION>(2, d.output_height - d.output_scanline));
        }
        jpeg_finish_decompress(&d);
        jpeg_destroy_decompress(&d);
        benchmark::DoNotOptimize(pixels.data());
    }
}

void decodeDecompressor(benchmark::State& state)
{
    const Bytes& f = file(int(state.range(0)));
    const size_t chunk = state.range(1) ? size_t(state.range(1)) : f.size();
    for (auto _ : state) {
        auto* object = new jpegDecompressor(&factory());
        object->Create();
        picDecompressorPtr d(object);
        object->Release();
        d->SetOutputImage(nullptr);
        for (size_t at = 0; at < f.size(); at += chunk)
            d->Write(f.data() + at, DWORD(std::min(chunk, f.size() - at)), true);
        picImagePtr out;
        d->GetOutput(&out, picReqThrow);
        benchmark::DoNotOptimize(static_cast<IpicImage*>(out));
    }
}

void encodeRaw(benchmark::State& state)
{
    const int components = int(state.range(0));
    picBitmapPtr bitmap;
    image(components)->GetBitmap(-1, &bitmap, picReqThrow);
    for (auto _ : state) {
        jpeg_compress_struct c{};
        jpeg_error_mgr err{};
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        unsigned char* out = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&c, &out, &size);
        c.image_width = kWidth;
        c.image_height = kHeight;
        c.input_components = components;
        c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 75, TRUE);
        jpeg_start_compress(&c, TRUE);
        while (c.next_scanline < c.image_height) {
            void* row = nullptr;
            bitmap->GetBitmapRow(nullptr, int(c.next_scanline), &row, 1, 0);
            JSAMPROW rows[1] = {static_cast<JSAMPLE*>(row)};
            jpeg_write_scanlines(&c, rows, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
        benchmark::DoNotOptimize(out);
        std::free(out);
    }
}

void encodeCompressor(benchmark::State& state)
{
    const int components = int(state.range(0));
    const size_t expected = file(components).size();
    // One read asks for more than the file holds; a save reads 16384 bytes at a time.
    const size_t block = state.range(1) ? size_t(state.range(1)) : expected + 1;
    Bytes buffer(block);
    for (auto _ : state) {
        picCompressorPtr c = compressorOf(image(components));
        size_t total = 0;
        for (DWORD n = DWORD(block); n == block;) {
            n = c->Read(buffer.data(), DWORD(block), false);
            total += n;
        }
        if (total != expected)
            state.SkipWithError("the compressor's file differs in length");
    }
}

} // namespace

// Arguments: components (3 colour, 1 grey), then the write or read size (0: all at once).
BENCHMARK(decodeRaw)->ArgNames({"components"})->Args({3})->Args({1})->Unit(benchmark::kMillisecond);
BENCHMARK(decodeDecompressor)
    ->ArgNames({"components", "write"})
    ->ArgsProduct({{3, 1}, {0, 8192}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(encodeRaw)->ArgNames({"components"})->Args({3})->Args({1})->Unit(benchmark::kMillisecond);
BENCHMARK(encodeCompressor)
    ->ArgNames({"components", "read"})
    ->ArgsProduct({{3, 1}, {0, 16384}})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
