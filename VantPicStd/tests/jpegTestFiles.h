#pragma once

// JPEG files made in the test with the installed libjpeg, the plain library's own decoding of
// them, and decoding through the decompressor in chunks.

#include "jpegDecompressor.h"

#include "VantPicture.h"

#include "testsupport/ImageFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace jpegtest {

using vnt::test::Bytes;

struct Picture {
    int width = 37;
    int height = 29;
    // The samples given to the encoder: JCS_RGB, JCS_GRAYSCALE, JCS_CMYK or JCS_UNKNOWN (2 components).
    J_COLOR_SPACE space = JCS_RGB;
    bool progressive = false;
    int restartRows = 0;
    int exifBytes = 0;
    int quality = 85;
    // Every pixel this colour (components in the input order) instead of the pattern.
    std::vector<uint8_t> flat;
    // Uncorrelated samples: big files.
    bool noise = false;
};

inline int componentsOf(J_COLOR_SPACE space)
{
    switch (space) {
    case JCS_GRAYSCALE:
        return 1;
    case JCS_CMYK:
        return 4;
    case JCS_UNKNOWN:
        return 2;
    default:
        return 3;
    }
}

inline Bytes encode(const Picture& p)
{
    vnt::test::JpegLayout layout;
    layout.width = p.width;
    layout.height = p.height;
    layout.components = componentsOf(p.space);
    layout.inColorSpace = p.space;
    if (p.space == JCS_CMYK)
        layout.fileColorSpace = JCS_CMYK;
    layout.quality = p.quality;
    layout.progressive = p.progressive;
    layout.restartRows = p.restartRows;
    layout.app1Bytes = p.exifBytes;
    uint32_t seed = 12345;
    layout.sample = [&p, &seed](int x, int y, int k) {
        seed = seed * 1103515245 + 12345;
        if (!p.flat.empty())
            return p.flat[size_t(k)];
        return p.noise ? uint8_t(seed >> 16) : uint8_t(x * 7 + y * 13 + k * 50 + (x * y % 17) * 5);
    };
    return vnt::test::jpegFile(layout);
}

// The first marker of this code in file (its FF byte), or file.size().
inline size_t markerAt(const Bytes& file, uint8_t code)
{
    for (size_t i = 0; i + 1 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == code)
            return i;
    }
    return file.size();
}

inline Bytes inserted(Bytes file, size_t at, const Bytes& bytes)
{
    file.insert(file.begin() + static_cast<ptrdiff_t>(at), bytes.begin(), bytes.end());
    return file;
}

struct Decoded {
    int width = 0;
    int height = 0;
    int components = 0;
    J_COLOR_SPACE space = JCS_UNKNOWN;
    // Rows packed without padding.
    Bytes samples;
};

// The plain library's decoding, in its default colour space except B, G, R for colour.
inline Decoded decodeRaw(const Bytes& file)
{
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&d, TRUE);
    if (d.out_color_space == JCS_RGB)
        d.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&d);
    Decoded out{static_cast<int>(d.output_width), static_cast<int>(d.output_height), d.output_components,
        d.out_color_space, {}};
    const size_t rowLength = static_cast<size_t>(out.width * out.components);
    out.samples.resize(rowLength * static_cast<size_t>(out.height));
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = out.samples.data() + d.output_scanline * rowLength;
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return out;
}

// The factory the tests' codec objects count themselves on; never registered.
inline vbHotPlugFactory& testFactory()
{
    static const GUID clsid = {0x5B0C7E21, 0x3D4A, 0x4F6B, {0x9C, 0x1E, 0x27, 0x80, 0x44, 0xA1, 0x6D, 0x3F}};
    static const vbHotPlugFactoryList none[] = {{nullptr, nullptr, 0, 0}};
    static vbHotPlugFactory factory(nullptr, clsid, "JPEG codec tests", none, 0);
    return factory;
}

inline picDecompressorPtr newDecompressor(vbHotPlugFactory* factory = &testFactory())
{
    auto* object = new jpegDecompressor(factory);
    object->Create();
    picDecompressorPtr d(object);
    object->Release();
    return d;
}

// The rows of bitmap 1 of the decompressor's output, packed without padding.
inline Bytes outputSamples(IpicDecompressor* d)
{
    picImagePtr image;
    picBitmapPtr bitmap;
    if (!d->GetOutput(&image, picReqNoThrow) || !image->GetBitmap(-1, &bitmap, picReqNoThrow))
        return {};
    picSize size;
    picBmpColorType type;
    int bits = 0;
    bitmap->GetFormat(&size, &type, &bits);
    const int rowLength = size.cx * bits / 8;
    Bytes samples;
    for (int y = 0; y < size.cy; ++y) {
        void* row = nullptr;
        bitmap->GetBitmapRow(nullptr, y, &row, 1, 0);
        const auto* bytes = static_cast<const uint8_t*>(row);
        samples.insert(samples.end(), bytes, bytes + rowLength);
    }
    return samples;
}

// Writes file in the chunk sizes next gives; answers what each write answered.
inline std::vector<DWORD> writeChunks(IpicDecompressor* d, const Bytes& file, const std::function<size_t()>& next)
{
    std::vector<DWORD> answers;
    for (size_t at = 0; at < file.size();) {
        const size_t n = std::min(next(), file.size() - at);
        answers.push_back(d->Write(file.data() + at, static_cast<DWORD>(n), true));
        at += n;
    }
    return answers;
}

inline Bytes decodeWhole(const Bytes& file)
{
    picDecompressorPtr d = newDecompressor();
    d->SetOutputImage(nullptr);
    EXPECT_EQ(d->Write(file.data(), static_cast<DWORD>(file.size()), true), file.size());
    return outputSamples(d);
}

} // namespace jpegtest
