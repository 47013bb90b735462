// Device-dependent bitmaps.

#include "Bitmap.h"

#include "plat/bitmap.h"
#include "plat/errors.h"

#include <cstring>

using namespace plat::gdi;

namespace {

HBITMAP insertBitmap(const std::shared_ptr<Bitmap>& bitmap)
{
    return bitmap ? static_cast<HBITMAP>(insertObject(bitmap)) : nullptr;
}

} // namespace

HBITMAP CreateCompatibleBitmap(HDC, int cx, int cy)
{
    if (cx <= 0 || cy <= 0 || int64_t(cx) * cy * 4 > (int64_t(1) << 30)) {
        SetLastError(cx <= 0 || cy <= 0 ? ERROR_INVALID_PARAMETER : ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return insertBitmap(Bitmap::create(cx, cy, 32, false, true));
}

HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits)
{
    if (nWidth <= 0 || nHeight <= 0 || nPlanes != 1 || (nBitCount != 1 && nBitCount != 32)
        || int64_t(nWidth) * nHeight * nBitCount / 8 > (int64_t(1) << 30)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto bitmap = Bitmap::create(nWidth, nHeight, int(nBitCount), false, true);
    if (bitmap && lpBits) {
        // The caller's rows are WORD-aligned; ours are DWORD-aligned.
        const int sourceStride = (nWidth * int(nBitCount) + 15) / 16 * 2;
        const int copy = (nWidth * int(nBitCount) + 7) / 8;
        for (int y = 0; y < nHeight; ++y)
            std::memcpy(bitmap->memory() + int64_t(y) * bitmap->stride,
                        static_cast<const uint8_t*>(lpBits) + int64_t(y) * sourceStride, size_t(copy));
    }
    return insertBitmap(bitmap);
}
