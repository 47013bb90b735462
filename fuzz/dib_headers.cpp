// Headers, colour tables and rows of DIBs come from files and other programs: any of them must
// be refused or used without reading or writing past the memory the caller owns.
//
// Input: n as two bytes (low first), then n bytes of BITMAPINFO (header and table, padded to a full header), then
// the rows.

#include "plat/bitmap.h"
#include "plat/gdi.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kMaxSide = 128; // sections the target makes to exchange rows with

int64_t rowBytes(int64_t width, int bits) { return (bits * width + 31) / 32 * 4; }

// A section the platform would make of more than 4 MiB (it refuses those past 1 GiB): the
// sanitizer marks every byte of its memory when it is made and again when it goes, which takes
// milliseconds at every input.
bool costlySection(const BITMAPINFOHEADER& h)
{
    constexpr int64_t kPlatformLimit = int64_t(1) << 30, kCostly = int64_t(4) << 20;
    if (h.biWidth <= 0 || h.biHeight == 0)
        return false;
    const int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
    const int64_t row = rowBytes(h.biWidth, h.biBitCount);
    return row <= kPlatformLimit / height && row * height > kCostly;
}

BITMAPINFO plainHeader(int width, int height, int bits)
{
    return BITMAPINFO{{sizeof(BITMAPINFOHEADER), width, height, 1, WORD(bits), BI_RGB, 0, 0, 0, 0, 0}, {}};
}

// Rows through SetDIBits into a section of the header's width, then out both ways.
void exchangeRows(const BITMAPINFO* info, const uint8_t* rows, size_t rowSize, int targetBits)
{
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biHeight < -kMaxSide || h.biHeight > kMaxSide)
        return;
    const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    if (h.biWidth <= 0 || h.biWidth > kMaxSide || height <= 0
        || (h.biBitCount != 1 && h.biBitCount != 8 && h.biBitCount != 24 && h.biBitCount != 32))
        return;
    const BITMAPINFO targetInfo = plainHeader(h.biWidth, -height, targetBits);
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(nullptr, &targetInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!target)
        std::abort();
    // Only the rows the input holds are offered; the start line comes from the header's spare field.
    const int64_t perRow = rowBytes(h.biWidth, h.biBitCount);
    const UINT lines = UINT(std::min<int64_t>(int64_t(rowSize) / perRow, height));
    const UINT start = h.biXPelsPerMeter & 3;
    if (lines > start) {
        const int copied = SetDIBits(nullptr, target, start, lines - start, rows, info, DIB_RGB_COLORS);
        if (copied < 0 || copied > int(lines - start))
            std::abort();
    }
    for (int bitsOut : {24, 32})
        for (int direction : {-1, 1}) {
            BITMAPINFO out = plainHeader(h.biWidth, direction * height, bitsOut);
            std::vector<uint8_t> buffer(size_t(rowBytes(h.biWidth, bitsOut) * height));
            if (GetDIBits(nullptr, target, start, UINT(height), buffer.data(), &out, DIB_RGB_COLORS) > height)
                std::abort();
        }
    DeleteObject(target);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t infoSize = std::min<size_t>(data[0] | size_t(data[1]) << 8, size - 2);
    // The header and table in memory of exactly their size (never less than a full header).
    const size_t owned = std::max(infoSize, sizeof(BITMAPINFOHEADER));
    auto* info = static_cast<BITMAPINFO*>(std::calloc(1, owned));
    std::memcpy(info, data + 2, infoSize);
    // A caller vouches for the entries biClrUsed counts: keep the claim within what it owns.
    BITMAPINFOHEADER& h = info->bmiHeader;
    const size_t tableRoom = h.biSize <= owned ? (owned - h.biSize) / 4 : 0;
    const size_t claimed = std::min<size_t>(h.biClrUsed, h.biBitCount == 1 ? 2 : 256);
    if (claimed > tableRoom)
        h.biClrUsed = DWORD(tableRoom);

    const size_t rowSize = size - 2 - infoSize;
    auto* rows = static_cast<uint8_t*>(std::malloc(rowSize ? rowSize : 1));
    std::memcpy(rows, data + 2 + infoSize, rowSize);

    void* bits = nullptr;
    HBITMAP section = costlySection(h) ? nullptr : CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section) {
        DIBSECTION ds{};
        if (GetObjectA(section, int(sizeof ds), &ds) != int(sizeof ds) || ds.dsBm.bmBits != bits)
            std::abort();
        // Every byte of the section is the caller's to write.
        const size_t bytes = size_t(ds.dsBm.bmWidthBytes) * size_t(ds.dsBm.bmHeight);
        std::memset(bits, 0x5A, bytes);
        static_cast<uint8_t*>(bits)[bytes - 1] = 0xA5;
        DeleteObject(section);
    }
    exchangeRows(info, rows, rowSize, 24);
    exchangeRows(info, rows, rowSize, 32);
    std::free(rows);
    std::free(info);
    if (vntGdiLiveObjectCount() != 0)
        std::abort();
    return 0;
}
