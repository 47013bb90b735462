#include "image/IconReader.h"

#include "image/DibRows.h"

#include "plat/bitmap.h"

#include <algorithm>
#include <cstdlib>

namespace plat::image {

namespace {

constexpr int kMaxIconSide = 256;
constexpr uint32_t kMaxAniCount = 4096;
constexpr uint32_t kAniIconFlag = 1;
// All frames of an animation together; a small file of many tiny frames asked for at a large
// size would otherwise take memory without bound.
constexpr uint64_t kMaxAniPixels = uint64_t(1) << 26;

struct DirEntry {
    int width = 0;
    int height = 0;
    int bits = 0;
    POINT hotspot{};
    Bytes image;
};

bool isPng(Bytes image)
{
    static const uint8_t magic[4] = {0x89, 'P', 'N', 'G'};
    return image.holds(0, 4) && std::memcmp(image.data, magic, 4) == 0;
}

// The entries whose image lies inside the file and is not PNG-coded.
bool readDirectory(Bytes bytes, std::vector<DirEntry>& entries)
{
    if (!isIconDirectory(bytes))
        return false;
    const bool cursor = bytes.u16(2) == 2;
    const uint16_t count = bytes.u16(4);
    if (!bytes.holds(6, 16 * size_t(count)))
        return false;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = 6 + 16 * i;
        DirEntry e;
        e.width = bytes.data[at] ? bytes.data[at] : 256;
        e.height = bytes.data[at + 1] ? bytes.data[at + 1] : 256;
        const uint32_t size = bytes.u32(at + 8), offset = bytes.u32(at + 12);
        if (!bytes.holds(offset, size) || isPng(bytes.from(offset, size)))
            continue;
        e.image = bytes.from(offset, size);
        e.bits = e.image.holds(14, 2) ? e.image.u16(14) : 0;
        if (cursor)
            e.hotspot = POINT{bytes.u16(at + 4), bytes.u16(at + 6)};
        else
            e.hotspot = POINT{e.width / 2, e.height / 2};
        entries.push_back(e);
    }
    return !entries.empty();
}

// A BITMAPINFOHEADER of twice the height, the XOR rows, then the 1-bit AND mask.
bool decodeImage(Bytes image, gdi::IconFrame& frame)
{
    if (!image.holds(0, 40))
        return false;
    const uint32_t headerSize = image.u32(0);
    const int32_t width = image.i32(4), doubleHeight = image.i32(8);
    DibLayout layout;
    layout.bits = image.u16(14);
    const uint32_t compression = image.u32(16), colorsUsed = image.u32(32);
    if (headerSize < 40 || headerSize > image.size || width < 1 || width > kMaxIconSide || doubleHeight < 2
        || doubleHeight > 2 * kMaxIconSide || doubleHeight % 2 != 0 || compression != BI_RGB)
        return false;
    const int bits = layout.bits;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return false;
    layout.width = width;
    layout.height = doubleHeight / 2;
    uint32_t entries = 0;
    if (bits <= 8) {
        entries = colorsUsed ? colorsUsed : 1u << bits;
        if (entries > 1u << bits || !readPalette(image, headerSize, entries, 4, layout.palette))
            return false;
    }
    const size_t xorAt = headerSize + size_t(entries) * 4;
    DibLayout maskLayout;
    maskLayout.width = layout.width;
    maskLayout.height = layout.height;
    maskLayout.bits = 1;
    maskLayout.palette = {0, 1};
    const uint64_t maskAt = xorAt + uint64_t(layout.rowsSize());
    Picture color, mask;
    if (!image.holds(maskAt, uint64_t(maskLayout.rowsSize())) || !decodeDibRows(layout, image.from(xorAt, image.size - xorAt), color)
        || !decodeDibRows(maskLayout, image.from(size_t(maskAt), image.size - size_t(maskAt)), mask))
        return false;
    frame.width = color.width;
    frame.height = color.height;
    frame.mask.assign(mask.pixels.begin(), mask.pixels.end());
    // Alpha counts only when some of it is set; otherwise the mask alone decides.
    frame.hasAlpha = bits == 32 && std::any_of(color.pixels.begin(), color.pixels.end(), [](uint32_t px) { return px >> 24; });
    frame.pixels = std::move(color.pixels);
    return true;
}

void scaleFrame(gdi::IconFrame& frame, int width, int height)
{
    frame.pixels = scaleNearest(frame.pixels, frame.width, frame.height, width, height);
    frame.mask = scaleNearest(frame.mask, frame.width, frame.height, width, height);
    frame.width = width;
    frame.height = height;
}

// Nearest size first; on a tie the larger, then the deeper one.
bool nearer(const DirEntry& a, const DirEntry& b, WantedSize wanted)
{
    const int da = std::abs(a.width - wanted.width) + std::abs(a.height - wanted.height);
    const int db = std::abs(b.width - wanted.width) + std::abs(b.height - wanted.height);
    if (da != db)
        return da < db;
    if (a.width * a.height != b.width * b.height)
        return a.width * a.height > b.width * b.height;
    return a.bits > b.bits;
}

// The one frame of an .ico or .cur and its hot spot, at the wanted size.
bool readIconFrame(Bytes bytes, WantedSize wanted, gdi::IconFrame& frame, POINT& hotspot)
{
    std::vector<DirEntry> entries;
    if (!readDirectory(bytes, entries))
        return false;
    if (wanted.width > kMaxWantedSide || wanted.height > kMaxWantedSide)
        return false;
    if (wanted.width <= 0)
        wanted.width = entries.front().width;
    if (wanted.height <= 0)
        wanted.height = entries.front().height;
    std::stable_sort(entries.begin(), entries.end(), [&](const DirEntry& a, const DirEntry& b) { return nearer(a, b, wanted); });
    for (const DirEntry& e : entries) {
        if (!decodeImage(e.image, frame))
            continue;
        hotspot = e.hotspot;
        if (frame.width != wanted.width || frame.height != wanted.height) {
            hotspot.x = LONG(int64_t(hotspot.x) * wanted.width / frame.width);
            hotspot.y = LONG(int64_t(hotspot.y) * wanted.height / frame.height);
            scaleFrame(frame, wanted.width, wanted.height);
        }
        return true;
    }
    return false;
}

struct AniChunks {
    Bytes header;
    Bytes rates;
    Bytes sequence;
    std::vector<Bytes> icons;
};

// Calls each(id, body) for the chunks in [at, end), each padded to an even length.
template <class F> bool eachChunk(Bytes bytes, size_t at, size_t end, F each)
{
    while (at + 8 <= end) {
        const uint32_t length = bytes.u32(at + 4);
        if (length > end - at - 8)
            return false;
        if (!each(at, bytes.from(at + 8, length)))
            return false;
        at += 8 + size_t(length) + (length & 1);
    }
    return true;
}

bool readAniChunks(Bytes bytes, AniChunks& chunks)
{
    if (!isAnimatedCursor(bytes))
        return false;
    const uint64_t end = 8 + uint64_t(bytes.u32(4));
    if (end > bytes.size)
        return false;
    return eachChunk(bytes, 12, size_t(end), [&](size_t at, Bytes body) {
        if (bytes.tagAt(at, "anih"))
            chunks.header = body;
        else if (bytes.tagAt(at, "rate"))
            chunks.rates = body;
        else if (bytes.tagAt(at, "seq "))
            chunks.sequence = body;
        else if (bytes.tagAt(at, "LIST") && body.tagAt(0, "fram"))
            return eachChunk(body, 4, body.size, [&](size_t inner, Bytes icon) {
                if (body.tagAt(inner, "icon"))
                    chunks.icons.push_back(icon);
                return chunks.icons.size() <= kMaxAniCount;
            });
        return true;
    });
}

} // namespace

bool isIconDirectory(Bytes bytes)
{
    return bytes.holds(0, 6) && bytes.u16(0) == 0 && (bytes.u16(2) == 1 || bytes.u16(2) == 2) && bytes.u16(4) >= 1;
}

bool isAnimatedCursor(Bytes bytes) { return bytes.tagAt(0, "RIFF") && bytes.tagAt(8, "ACON"); }

bool readIconFile(Bytes bytes, WantedSize wanted, gdi::IconRecord& out)
{
    gdi::IconFrame frame;
    if (!readIconFrame(bytes, wanted, frame, out.hotspot))
        return false;
    out.frames = {std::move(frame)};
    return true;
}

bool readAnimatedCursor(Bytes bytes, WantedSize wanted, gdi::IconRecord& out)
{
    AniChunks chunks;
    if (!readAniChunks(bytes, chunks) || !chunks.header.holds(0, 36))
        return false;
    const Bytes& h = chunks.header;
    const uint32_t frames = h.u32(4), steps = h.u32(8), flags = h.u32(32);
    if (!(flags & kAniIconFlag) || frames < 1 || frames > kMaxAniCount || steps < 1 || steps > kMaxAniCount
        || chunks.icons.size() != frames)
        return false;
    const bool sequenced = chunks.sequence.data != nullptr;
    if (!sequenced && steps != frames)
        return false;
    if ((sequenced && !chunks.sequence.holds(0, 4 * size_t(steps))) || (chunks.rates.data && !chunks.rates.holds(0, 4 * size_t(steps))))
        return false;
    gdi::IconRecord record;
    for (uint32_t i = 0; i < steps; ++i) {
        if (sequenced) {
            const uint32_t index = chunks.sequence.u32(4 * size_t(i));
            if (index >= frames)
                return false;
            record.sequence.push_back(int(index));
        }
        // A duration of 0 would never move on: it counts as one jiffy.
        const uint32_t rate = chunks.rates.data ? chunks.rates.u32(4 * size_t(i)) : h.u32(28);
        record.rates.push_back(std::max<DWORD>(rate, 1));
    }
    record.defaultRate = std::max<DWORD>(h.u32(28), 1);
    uint64_t pixels = 0;
    for (size_t i = 0; i < chunks.icons.size(); ++i) {
        gdi::IconFrame frame;
        POINT hotspot;
        if (!readIconFrame(chunks.icons[i], wanted, frame, hotspot))
            return false;
        pixels += frame.pixels.size();
        if (pixels > kMaxAniPixels)
            return false;
        if (i == 0)
            record.hotspot = hotspot;
        record.frames.push_back(std::move(frame));
    }
    out = std::move(record);
    return true;
}

bool readCursorOrIcon(Bytes bytes, WantedSize wanted, gdi::IconRecord& out)
{
    return isAnimatedCursor(bytes) ? readAnimatedCursor(bytes, wanted, out) : readIconFile(bytes, wanted, out);
}

} // namespace plat::image
