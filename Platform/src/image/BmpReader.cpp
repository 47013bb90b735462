#include "image/BmpReader.h"

#include "image/DibRows.h"

#include "plat/bitmap.h"

namespace plat::image {

namespace {

constexpr size_t kFileHeaderSize = 14;

struct Header {
    DibLayout layout;
    uint32_t compression = BI_RGB;
    uint32_t colorsUsed = 0;
    size_t tableOffset = 0; // where the masks and palette begin, from the info header
    int paletteEntrySize = 4;
};

bool readHeader(Bytes info, Header& h)
{
    if (!info.holds(0, 4))
        return false;
    const uint32_t size = info.u32(0);
    int64_t width, height;
    if (size == 12) {
        if (!info.holds(0, 12))
            return false;
        width = info.u16(4);
        height = info.u16(6);
        if (info.u16(8) != 1)
            return false;
        h.layout.bits = info.u16(10);
        h.paletteEntrySize = 3;
    } else if (size == 40 || size == 52 || size == 56 || size == 108 || size == 124) {
        if (!info.holds(0, size))
            return false;
        width = info.i32(4);
        height = info.i32(8);
        if (info.u16(12) != 1)
            return false;
        h.layout.bits = info.u16(14);
        h.compression = info.u32(16);
        h.colorsUsed = info.u32(32);
    } else
        return false;
    h.tableOffset = size;
    h.layout.topDown = height < 0;
    h.layout.width = int(width);
    h.layout.height = int(height < 0 ? -height : height);
    if (width < 1 || width > kMaxBmpSide || h.layout.height < 1 || h.layout.height > kMaxBmpSide)
        return false;
    const int bits = h.layout.bits;
    switch (h.compression) {
    case BI_RGB:
        return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case BI_RLE8:
        return bits == 8 && !h.layout.topDown && size != 12;
    case BI_RLE4:
        return bits == 4 && !h.layout.topDown && size != 12;
    case BI_BITFIELDS:
        if (bits != 16 && bits != 32)
            return false;
        h.layout.bitfields = true;
        // The masks follow a 40-byte header and are part of the longer ones.
        if (size == 40 && !info.holds(40, 12))
            return false;
        for (int i = 0; i < 3; ++i)
            h.layout.masks[i] = info.u32(40 + 4 * size_t(i));
        if (size == 40)
            h.tableOffset += 12;
        return true;
    default: // BI_JPEG, BI_PNG and the unknown
        return false;
    }
}

// Each pixel an index into the palette; runs may not leave their row nor the image.
class RleDecoder {
public:
    RleDecoder(const Header& h, Bytes data, Picture& out) : h_(h), data_(data), out_(out) {}

    bool run()
    {
        out_.width = h_.layout.width;
        out_.height = h_.layout.height;
        out_.pixels.assign(size_t(out_.width) * size_t(out_.height), 0);
        const bool four = h_.compression == BI_RLE4;
        size_t at = 0;
        // A stream that ends between two commands ends the picture.
        while (data_.holds(at, 2)) {
            const uint8_t count = data_.data[at], value = data_.data[at + 1];
            at += 2;
            if (count > 0) {
                for (int i = 0; i < count; ++i)
                    if (!put(four ? (i & 1 ? value & 0xF : value >> 4) : value))
                        return false;
                continue;
            }
            if (value == 0) { // end of line
                x_ = 0;
                ++y_;
            } else if (value == 1) // end of bitmap
                return true;
            else if (value == 2) { // delta
                if (!data_.holds(at, 2))
                    return false;
                x_ += data_.data[at];
                y_ += data_.data[at + 1];
                at += 2;
                if (x_ > out_.width || (y_ >= out_.height && (x_ > 0 || y_ > out_.height)))
                    return false;
            } else { // absolute run, padded to a whole word
                const size_t bytes = four ? (value + 1u) / 2 : value;
                if (!data_.holds(at, bytes))
                    return false;
                for (int i = 0; i < value; ++i) {
                    const uint8_t b = data_.data[at + size_t(four ? i / 2 : i)];
                    if (!put(four ? (i & 1 ? b & 0xF : b >> 4) : b))
                        return false;
                }
                at += (bytes + 1) & ~size_t(1);
            }
        }
        return true;
    }

private:
    bool put(uint32_t index)
    {
        if (x_ >= out_.width || y_ >= out_.height)
            return false;
        const int row = out_.height - 1 - y_;
        out_.pixels[size_t(row) * size_t(out_.width) + size_t(x_)] =
            index < h_.layout.palette.size() ? h_.layout.palette[index] : 0;
        ++x_;
        return true;
    }

    const Header& h_;
    Bytes data_;
    Picture& out_;
    int x_ = 0;
    int y_ = 0; // counted from the bottom row
};

} // namespace

bool readBmp(Bytes bytes, Picture& out, uint64_t maxPixels)
{
    const bool fileHeader = bytes.holds(0, 2) && bytes.data[0] == 'B' && bytes.data[1] == 'M';
    const size_t infoAt = fileHeader ? kFileHeaderSize : 0;
    if (!bytes.holds(infoAt, 4))
        return false;
    Bytes info = bytes.from(infoAt, bytes.size - infoAt);
    Header h;
    if (!readHeader(info, h) || uint64_t(h.layout.width) * uint64_t(h.layout.height) > maxPixels)
        return false;
    const int bits = h.layout.bits;
    const uint32_t fullTable = bits <= 8 ? 1u << bits : 0;
    uint32_t entries = h.colorsUsed ? h.colorsUsed : fullTable;
    if (bits <= 8 ? entries > fullTable : entries > 256)
        return false;
    if (bits <= 8 && !readPalette(info, h.tableOffset, entries, h.paletteEntrySize, h.layout.palette))
        return false;
    uint64_t bitsAt = h.tableOffset + uint64_t(entries) * uint64_t(h.paletteEntrySize);
    if (fileHeader) {
        const uint32_t offBits = bytes.u32(10);
        if (offBits < kFileHeaderSize || offBits >= bytes.size)
            return false;
        bitsAt = offBits - kFileHeaderSize;
    }
    if (!info.holds(bitsAt, 0))
        return false;
    Bytes rows = info.from(size_t(bitsAt), info.size - size_t(bitsAt));
    if (h.compression == BI_RLE8 || h.compression == BI_RLE4)
        return RleDecoder(h, rows, out).run();
    if (!decodeDibRows(h.layout, rows, out))
        return false;
    for (uint32_t& px : out.pixels)
        px &= 0xFFFFFF;
    return true;
}

} // namespace plat::image
