#pragma once

// Writes small image files for tests, fuzz seeds and the build's own cursors: .ico, .cur and .ani
// of solid-colour or drawn frames, .bmp files of any depth and header, and JPEG files.

#include <cstdint>
#include <functional>
#include <vector>

namespace vnt::test {

using Bytes = std::vector<uint8_t>;

struct IconImage {
    int width = 32;
    int height = 32;
    uint32_t color = 0xFF0000; // 0xRRGGBB
    int bits = 32;             // 1, 4, 8 (colour as entry 1, black as 0), 24 or 32 (opaque)
    int hotX = 0;              // cursors only
    int hotY = 0;
    bool png = false;          // a PNG signature and a few bytes in place of the image
    // 32 bits only, in place of the colour: the pixel at (x, y), y = 0 the top row, as 0xAARRGGBB.
    // The mask keeps what is under the pixels of alpha 0.
    std::function<uint32_t(int x, int y)> argb = nullptr;
};

// cursor: type 2 (.cur) with the hot spots, else type 1 (.ico).
Bytes iconFile(const std::vector<IconImage>& images, bool cursor = false);

// A RIFF "ACON" file of the given .ico/.cur frames; sequence and rates are written when not empty.
Bytes aniFile(const std::vector<Bytes>& frames, const std::vector<uint32_t>& sequence = {},
              const std::vector<uint32_t>& rates = {}, uint32_t displayRate = 10);

struct BmpLayout {
    int width = 4;
    int height = 4; // negative: top-down
    int bits = 24;
    uint32_t compression = 0;
    int headerSize = 40; // 12, 40, 52, 56, 108 or 124
    uint32_t masks[3] = {};  // red, green, blue; written with BI_BITFIELDS (3)
    std::vector<uint32_t> palette; // 0xRRGGBB
    // 0xRRGGBB for 16 bits and up, else the palette index; (x, y) with y = 0 the top row.
    std::function<uint32_t(int x, int y)> pixel = [](int, int) { return 0u; };
    Bytes rle;               // the compressed bits for BI_RLE8 / BI_RLE4, in place of the rows
    bool fileHeader = true;  // the 14-byte "BM" header
};

Bytes bmpFile(const BmpLayout& layout);

// A JPEG file written by libjpeg with its defaults, then these choices.
struct JpegLayout {
    int width = 8;
    int height = 8;
    int components = 3;
    int inColorSpace = 2;   // libjpeg's J_COLOR_SPACE of the samples given (2: JCS_RGB)
    int fileColorSpace = -1; // jpeg_set_colorspace with this one; -1 keeps the default
    int quality = 95;
    bool progressive = false;
    int restartRows = 0;
    int app1Bytes = 0; // an APP1 "Exif" segment of this many bytes
    // Sample k of the pixel at (x, y), y = 0 the top row.
    std::function<uint8_t(int x, int y, int k)> sample = [](int, int, int) { return uint8_t(0); };
};

Bytes jpegFile(const JpegLayout& layout);

enum class JpegColors { Rgb, Grey, AdobeCmyk };

// A baseline (or progressive) JPEG file of one colour, written by libjpeg at quality 95. Grey
// keeps the colour's green; AdobeCmyk stores inverted CMYK samples as YCCK, as Adobe's files do.
Bytes jpegFile(int width, int height, uint32_t color, bool progressive = false, JpegColors colors = JpegColors::Rgb);

} // namespace vnt::test
