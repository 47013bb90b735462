// DIB sections and the exchange of rows with bitmaps.
//
// A 1- or 8-bit header may come without its colour table (a bare 40-byte header): the table is
// read only for the biClrUsed entries the caller says are there, never for the full 2^n.

#include "Bitmap.h"
#include "Pixels.h"

#include "plat/bitmap.h"
#include "plat/errors.h"

#include <algorithm>
#include <cstring>

using namespace plat::gdi;

namespace {

constexpr int64_t kMaxBytes = int64_t(1) << 30;

bool depthKnown(int bits) { return bits == 1 || bits == 8 || bits == 24 || bits == 32; }

int64_t rowBytes64(int64_t width, int bits) { return (int64_t(bits) * width + 31) / 32 * 4; }

// Checks a header that describes rows; sets the error and answers false when it is unusable.
bool headerUsable(const BITMAPINFO* info, bool (*depthAllowed)(int))
{
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB
        || !depthAllowed(h.biBitCount) || h.biWidth <= 0 || h.biHeight == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
    if (rowBytes64(h.biWidth, h.biBitCount) > kMaxBytes / height) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

int absHeight(const BITMAPINFOHEADER& h) { return h.biHeight < 0 ? -h.biHeight : h.biHeight; }

// The table of a 1- or 8-bit header as 0x00RRGGBB: biClrUsed entries (at most 2^n) from the
// caller, the rest a grey ramp.
std::vector<uint32_t> colorTable(const BITMAPINFO* info)
{
    const BITMAPINFOHEADER& h = info->bmiHeader;
    const int count = h.biBitCount == 1 ? 2 : 256;
    std::vector<uint32_t> table(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        table[size_t(i)] = uint32_t(i * 255 / (count - 1)) * 0x010101u;
    const size_t given = std::min<size_t>(h.biClrUsed, size_t(count));
    const auto* entries = reinterpret_cast<const uint8_t*>(info) + h.biSize;
    for (size_t i = 0; i < given; ++i) {
        RGBQUAD q;
        std::memcpy(&q, entries + 4 * i, 4);
        table[i] = uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue;
    }
    return table;
}

// Rows of a caller's buffer as a surface: scan line 0 of the range at the top of the surface.
Surface callerRows(const BITMAPINFOHEADER& h, const uint8_t* bits, int lines, const std::vector<uint32_t>& table)
{
    Surface s;
    s.width = h.biWidth;
    s.height = lines;
    s.bitsPerPixel = h.biBitCount;
    s.stride = Bitmap::rowBytes(h.biWidth, h.biBitCount);
    s.bits = const_cast<uint8_t*>(bits);
    s.colors = table.empty() ? nullptr : table.data();
    return s;
}

// The bitmap row that scan line k of a caller's image (rows in its header's order) stands for.
int bitmapRow(const Bitmap& bitmap, const BITMAPINFOHEADER& h, int k)
{
    return h.biHeight < 0 ? k : bitmap.height - 1 - k;
}

bool exchangeDepth(int bits) { return bits == 24 || bits == 32; }

// The scan lines both sides have, from start; 0 when none.
int linesInRange(const Bitmap& bitmap, const BITMAPINFOHEADER& h, UINT start, UINT cLines)
{
    const int64_t limit = std::min<int64_t>(bitmap.height, absHeight(h));
    if (int64_t(start) >= limit)
        return 0;
    return int(std::min<int64_t>(cLines, limit - start));
}

} // namespace

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection, DWORD)
{
    if (ppvBits)
        *ppvBits = nullptr;
    if (usage != DIB_RGB_COLORS || hSection) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!headerUsable(pbmi, depthKnown))
        return nullptr;
    const BITMAPINFOHEADER& h = pbmi->bmiHeader;
    auto bitmap = Bitmap::create(h.biWidth, absHeight(h), h.biBitCount, true, h.biHeight < 0);
    if (!bitmap)
        return nullptr;
    if (h.biBitCount <= 8)
        bitmap->colors = colorTable(pbmi);
    if (ppvBits)
        *ppvBits = bitmap->memory();
    return static_cast<HBITMAP>(insertObject(bitmap));
}

int GetDIBits(HDC, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, BITMAPINFO* lpbmi, UINT usage)
{
    auto bitmap = findAs<Bitmap>(hbm);
    if (!bitmap || !lpbmi || usage != DIB_RGB_COLORS || lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER))
        return 0;
    BITMAPINFOHEADER& h = lpbmi->bmiHeader;
    if (!lpvBits && h.biBitCount == 0) {
        h.biWidth = bitmap->width;
        h.biHeight = bitmap->height;
        h.biPlanes = 1;
        h.biBitCount = WORD(bitmap->bitsPerPixel);
        h.biCompression = BI_RGB;
        h.biSizeImage = DWORD(bitmap->byteSize());
        return bitmap->height;
    }
    if (!headerUsable(lpbmi, exchangeDepth) || h.biWidth != bitmap->width)
        return 0;
    const int lines = linesInRange(*bitmap, h, start, cLines);
    if (!lpvBits || lines == 0)
        return lines;
    const Surface source = bitmap->surface();
    const Surface target = callerRows(h, static_cast<uint8_t*>(lpvBits), lines, {});
    for (int j = 0; j < lines; ++j) {
        const int y = bitmapRow(*bitmap, h, int(start) + j);
        for (int x = 0; x < bitmap->width; ++x)
            writePixel(target, x, j, readPixel(source, x, y));
    }
    return lines;
}

int SetDIBits(HDC, HBITMAP hbm, UINT start, UINT cLines, const void* lpBits, const BITMAPINFO* lpbmi, UINT usage)
{
    auto bitmap = findAs<Bitmap>(hbm);
    if (!bitmap || !lpBits || usage != DIB_RGB_COLORS || !headerUsable(lpbmi, depthKnown))
        return 0;
    const BITMAPINFOHEADER& h = lpbmi->bmiHeader;
    if (h.biWidth != bitmap->width)
        return 0;
    const int lines = linesInRange(*bitmap, h, start, cLines);
    if (lines == 0)
        return 0;
    const std::vector<uint32_t> table = h.biBitCount <= 8 ? colorTable(lpbmi) : std::vector<uint32_t>{};
    const Surface source = callerRows(h, static_cast<const uint8_t*>(lpBits), lines, table);
    const Surface target = bitmap->surface();
    for (int j = 0; j < lines; ++j) {
        const int y = bitmapRow(*bitmap, h, int(start) + j);
        for (int x = 0; x < bitmap->width; ++x)
            writePixel(target, x, y, readPixel(source, x, j));
    }
    return lines;
}
