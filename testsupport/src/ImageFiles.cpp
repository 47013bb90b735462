#include "testsupport/ImageFiles.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <jpeglib.h>

namespace vnt::test {

namespace {

void put16(Bytes& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void put32(Bytes& b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

void set32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

void putTag(Bytes& b, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(tag[i]));
}

uint32_t channel(uint32_t rgb, uint32_t mask)
{
    if (!mask)
        return 0;
    int shift = 0;
    while (!(mask >> shift & 1))
        ++shift;
    const uint32_t top = mask >> shift;
    const uint32_t value = rgb * top / 255;
    return value << shift & mask;
}

uint32_t packMasked(uint32_t rgb, const uint32_t (&masks)[3])
{
    return channel(rgb >> 16 & 0xFF, masks[0]) | channel(rgb >> 8 & 0xFF, masks[1]) | channel(rgb & 0xFF, masks[2]);
}

// One row of pixels at the given depth, padded to 4 bytes.
Bytes row(int width, int bits, const uint32_t (&masks)[3], const std::function<uint32_t(int)>& pixel)
{
    const size_t stride = size_t((bits * width + 31) / 32 * 4);
    Bytes r(stride, 0);
    for (int x = 0; x < width; ++x) {
        const uint32_t v = pixel(x);
        switch (bits) {
        case 1:
            r[size_t(x / 8)] |= uint8_t((v & 1) << (7 - x % 8));
            break;
        case 4:
            r[size_t(x / 2)] |= uint8_t((v & 0xF) << (x % 2 ? 0 : 4));
            break;
        case 8:
            r[size_t(x)] = uint8_t(v);
            break;
        case 16: {
            const uint32_t p = masks[0] | masks[1] | masks[2] ? packMasked(v, masks)
                                                                : (v >> 19 & 31) << 10 | (v >> 11 & 31) << 5 | (v >> 3 & 31);
            r[2 * size_t(x)] = uint8_t(p);
            r[2 * size_t(x) + 1] = uint8_t(p >> 8);
            break;
        }
        case 24:
            r[3 * size_t(x)] = uint8_t(v);
            r[3 * size_t(x) + 1] = uint8_t(v >> 8);
            r[3 * size_t(x) + 2] = uint8_t(v >> 16);
            break;
        default: {
            const uint32_t p = masks[0] | masks[1] | masks[2] ? packMasked(v, masks) : v;
            for (int i = 0; i < 4; ++i)
                r[4 * size_t(x) + size_t(i)] = uint8_t(p >> (8 * i));
        }
        }
    }
    return r;
}

// BITMAPINFOHEADER, palette, XOR rows (bottom-up) and AND mask of one icon image.
Bytes iconImageBytes(const IconImage& image)
{
    if (image.png)
        return Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0};
    Bytes b;
    const uint32_t colors = image.bits <= 8 ? 1u << image.bits : 0;
    put32(b, 40);
    put32(b, uint32_t(image.width));
    put32(b, uint32_t(2 * image.height));
    put16(b, 1);
    put16(b, uint32_t(image.bits));
    for (int i = 0; i < 6; ++i)
        put32(b, 0);
    for (uint32_t i = 0; i < colors; ++i)
        put32(b, i == 1 ? image.color : 0);
    const uint32_t noMasks[3] = {};
    const uint32_t value = image.bits <= 8 ? 1 : image.bits == 32 ? image.color | 0xFF000000 : image.color;
    // Rows are stored bottom-up.
    auto pixel = [&](int x, int r) { return image.argb ? image.argb(x, image.height - 1 - r) : value; };
    for (int r = 0; r < image.height; ++r) {
        Bytes bits = row(image.width, image.bits, noMasks, [&](int x) { return pixel(x, r); });
        b.insert(b.end(), bits.begin(), bits.end());
    }
    for (int r = 0; r < image.height; ++r) {
        Bytes bits = row(image.width, 1, noMasks, [&](int x) { return image.argb && pixel(x, r) >> 24 == 0 ? 1u : 0u; });
        b.insert(b.end(), bits.begin(), bits.end());
    }
    return b;
}

} // namespace

Bytes iconFile(const std::vector<IconImage>& images, bool cursor)
{
    Bytes b;
    put16(b, 0);
    put16(b, cursor ? 2 : 1);
    put16(b, uint32_t(images.size()));
    std::vector<Bytes> bodies;
    size_t offset = 6 + 16 * images.size();
    for (const IconImage& image : images) {
        bodies.push_back(iconImageBytes(image));
        b.push_back(uint8_t(image.width >= 256 ? 0 : image.width));
        b.push_back(uint8_t(image.height >= 256 ? 0 : image.height));
        b.push_back(0);
        b.push_back(0);
        put16(b, cursor ? uint32_t(image.hotX) : 1);
        put16(b, cursor ? uint32_t(image.hotY) : uint32_t(image.bits));
        put32(b, uint32_t(bodies.back().size()));
        put32(b, uint32_t(offset));
        offset += bodies.back().size();
    }
    for (const Bytes& body : bodies)
        b.insert(b.end(), body.begin(), body.end());
    return b;
}

Bytes aniFile(const std::vector<Bytes>& frames, const std::vector<uint32_t>& sequence, const std::vector<uint32_t>& rates,
              uint32_t displayRate)
{
    Bytes b;
    putTag(b, "RIFF");
    put32(b, 0);
    putTag(b, "ACON");
    putTag(b, "anih");
    put32(b, 36);
    const uint32_t steps = uint32_t(sequence.empty() ? frames.size() : sequence.size());
    for (uint32_t v : {36u, uint32_t(frames.size()), steps, 0u, 0u, 0u, 0u, displayRate, sequence.empty() ? 1u : 3u})
        put32(b, v);
    auto table = [&](const char* tag, const std::vector<uint32_t>& values) {
        if (values.empty())
            return;
        putTag(b, tag);
        put32(b, uint32_t(4 * values.size()));
        for (uint32_t v : values)
            put32(b, v);
    };
    table("rate", rates);
    table("seq ", sequence);
    putTag(b, "LIST");
    const size_t listSize = b.size();
    put32(b, 0);
    putTag(b, "fram");
    for (const Bytes& frame : frames) {
        putTag(b, "icon");
        put32(b, uint32_t(frame.size()));
        b.insert(b.end(), frame.begin(), frame.end());
        if (frame.size() % 2)
            b.push_back(0);
    }
    set32(b, listSize, uint32_t(b.size() - listSize - 4));
    set32(b, 4, uint32_t(b.size() - 8));
    return b;
}

Bytes bmpFile(const BmpLayout& layout)
{
    Bytes info;
    const int height = std::abs(layout.height);
    const bool bitfields = layout.compression == 3;
    put32(info, uint32_t(layout.headerSize));
    if (layout.headerSize == 12) {
        put16(info, uint32_t(layout.width));
        put16(info, uint32_t(height));
        put16(info, 1);
        put16(info, uint32_t(layout.bits));
    } else {
        put32(info, uint32_t(layout.width));
        put32(info, uint32_t(layout.height));
        put16(info, 1);
        put16(info, uint32_t(layout.bits));
        put32(info, layout.compression);
        for (int i = 0; i < 2; ++i)
            put32(info, 0);
        put32(info, 0);
        put32(info, uint32_t(layout.palette.size()));
        put32(info, 0);
        if (layout.headerSize > 40 || bitfields)
            for (uint32_t m : layout.masks)
                put32(info, m);
        info.resize(size_t(layout.headerSize) + (bitfields && layout.headerSize == 40 ? 12 : 0), 0);
    }
    std::vector<uint32_t> palette = layout.palette;
    // A core header has no colour count: its table is always whole.
    if (layout.headerSize == 12 && layout.bits <= 8)
        palette.resize(size_t(1) << layout.bits);
    for (uint32_t c : palette) {
        put16(info, c & 0xFFFF);
        info.push_back(uint8_t(c >> 16));
        if (layout.headerSize != 12)
            info.push_back(0);
    }
    Bytes bits = layout.rle;
    if (layout.compression != 1 && layout.compression != 2) {
        const uint32_t noMasks[3] = {};
        for (int i = 0; i < height; ++i) {
            const int y = layout.height < 0 ? i : height - 1 - i;
            Bytes r = row(layout.width, layout.bits, bitfields ? layout.masks : noMasks, [&](int x) { return layout.pixel(x, y); });
            bits.insert(bits.end(), r.begin(), r.end());
        }
    }
    Bytes b;
    if (layout.fileHeader) {
        b = {'B', 'M'};
        put32(b, uint32_t(14 + info.size() + bits.size()));
        put32(b, 0);
        put32(b, uint32_t(14 + info.size()));
    }
    b.insert(b.end(), info.begin(), info.end());
    b.insert(b.end(), bits.begin(), bits.end());
    return b;
}

Bytes jpegFile(const JpegLayout& layout)
{
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(layout.width);
    info.image_height = JDIMENSION(layout.height);
    info.input_components = layout.components;
    info.in_color_space = J_COLOR_SPACE(layout.inColorSpace);
    jpeg_set_defaults(&info);
    if (layout.fileColorSpace >= 0)
        jpeg_set_colorspace(&info, J_COLOR_SPACE(layout.fileColorSpace));
    jpeg_set_quality(&info, layout.quality, TRUE);
    if (layout.progressive)
        jpeg_simple_progression(&info);
    info.restart_in_rows = layout.restartRows;
    jpeg_start_compress(&info, TRUE);
    if (layout.app1Bytes > 0) {
        Bytes exif(size_t(layout.app1Bytes), 0x5A);
        const char tag[] = "Exif\0";
        std::copy(tag, tag + std::min(sizeof tag, exif.size()), exif.begin());
        jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), unsigned(exif.size()));
    }
    std::vector<JSAMPLE> line(size_t(layout.components) * size_t(layout.width));
    while (info.next_scanline < info.image_height) {
        const int y = int(info.next_scanline);
        for (int x = 0; x < layout.width; ++x) {
            for (int k = 0; k < layout.components; ++k)
                line[size_t(x) * layout.components + k] = layout.sample(x, y, k);
        }
        JSAMPROW rows[1] = {line.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes bytes(out, out + size);
    std::free(out);
    return bytes;
}

Bytes jpegFile(int width, int height, uint32_t color, bool progressive, JpegColors colors)
{
    const uint8_t r = uint8_t(color >> 16), g = uint8_t(color >> 8), b = uint8_t(color);
    JpegLayout layout;
    layout.width = width;
    layout.height = height;
    layout.progressive = progressive;
    std::vector<uint8_t> pixel = {r, g, b};
    if (colors == JpegColors::Grey) {
        layout.components = 1;
        layout.inColorSpace = JCS_GRAYSCALE;
        pixel = {g};
    } else if (colors == JpegColors::AdobeCmyk) {
        // No black ink: the inverted cyan, magenta and yellow are the red, green and blue.
        layout.components = 4;
        layout.inColorSpace = JCS_CMYK;
        layout.fileColorSpace = JCS_YCCK;
        pixel = {r, g, b, 255};
    }
    layout.sample = [&pixel](int, int, int k) { return pixel[size_t(k)]; };
    return jpegFile(layout);
}

} // namespace vnt::test
