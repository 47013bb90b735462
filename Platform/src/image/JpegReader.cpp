#include "image/JpegReader.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace plat::image {

namespace {

// libjpeg reports errors by calling error_exit, which must not return: it jumps back to the
// decode below. Nothing between setjmp and the jump owns memory that a jump would leak, and no
// C++ exception or destructor crosses libjpeg.
struct ErrorJump {
    jpeg_error_mgr manager;
    jmp_buf back;
};

void jumpBack(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->back, 1); }

// Warnings (a truncated file among them) are not printed; libjpeg goes on with what it has.
void stayQuiet(j_common_ptr) {}

uint32_t toPixel(const JSAMPLE* s, int components, bool invertedCmyk)
{
    if (components == 1)
        return uint32_t(s[0]) * 0x010101u;
    if (components == 3)
        return uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2];
    // Adobe's files store CMYK inverted: the samples already read as 255 - ink.
    uint32_t c = s[0], m = s[1], y = s[2], k = s[3];
    if (!invertedCmyk)
        c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    return (c * k / 255) << 16 | (m * k / 255) << 8 | (y * k / 255);
}

// Fills `pixels` (malloc'd, owned by the caller on every return) with width x height pixels.
// Answers 0 on an error.
int decode(const unsigned char* data, unsigned long size, uint32_t** pixels, int* width, int* height)
{
    jpeg_decompress_struct info;
    ErrorJump error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jumpBack;
    error.manager.output_message = stayQuiet;
    JSAMPLE* volatile row = nullptr;
    if (setjmp(error.back)) {
        jpeg_destroy_decompress(&info);
        std::free(row);
        return 0;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, const_cast<unsigned char*>(data), size);
    jpeg_read_header(&info, TRUE);
    if (uint64_t(info.image_width) * info.image_height > kMaxJpegPixels) {
        jpeg_destroy_decompress(&info);
        return 0;
    }
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = info.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&info);
    const int components = info.output_components;
    *width = int(info.output_width);
    *height = int(info.output_height);
    row = static_cast<JSAMPLE*>(std::malloc(size_t(info.output_width) * size_t(components)));
    *pixels = static_cast<uint32_t*>(std::calloc(size_t(info.output_width) * info.output_height, 4));
    if (!row || !*pixels) {
        jpeg_destroy_decompress(&info);
        std::free(row);
        return 0;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {row};
        const JDIMENSION y = info.output_scanline;
        if (jpeg_read_scanlines(&info, rows, 1) != 1)
            break;
        for (JDIMENSION x = 0; x < info.output_width; ++x)
            (*pixels)[size_t(y) * info.output_width + x] = toPixel(row + size_t(x) * size_t(components), components, info.saw_Adobe_marker);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::free(row);
    return 1;
}

} // namespace

bool readJpeg(Bytes bytes, Picture& out)
{
    uint32_t* pixels = nullptr;
    int width = 0, height = 0;
    const int ok = decode(bytes.data, static_cast<unsigned long>(bytes.size), &pixels, &width, &height);
    if (ok && width > 0 && height > 0) {
        out.width = width;
        out.height = height;
        out.pixels.assign(pixels, pixels + size_t(width) * size_t(height));
    }
    std::free(pixels);
    return ok && width > 0 && height > 0;
}

} // namespace plat::image
