// Bitmap and JPEG files come from disk and from resources: damaged ones must give no picture, and
// every picture made must read back whole.
//
// Input: one byte, then the file. An even first byte reads the rest as a .bmp file as LoadImageA
// does; an odd one hands it to OleLoadPicture on a stream over global memory.

#include "image/ImageLoading.h"

#include "plat/bitmap.h"
#include "plat/gdi.h"
#include "plat/globalmem.h"
#include "plat/olectl.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Sides past this would only make the run slow, not reach other code.
constexpr uint64_t kMaxPixels = uint64_t(1) << 20;

void readBack(HBITMAP bitmap)
{
    BITMAP described{};
    if (GetObjectA(bitmap, sizeof described, &described) != int(sizeof described))
        std::abort();
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), described.bmWidth, -described.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> pixels(size_t(described.bmWidth) * size_t(described.bmHeight));
    HDC dc = CreateCompatibleDC(nullptr);
    if (GetDIBits(dc, bitmap, 0, UINT(described.bmHeight), pixels.data(), &info, DIB_RGB_COLORS) != described.bmHeight)
        std::abort();
    DeleteDC(dc);
}

void throughOle(const uint8_t* data, size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block)
        return;
    if (size)
        std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream)))
        std::abort();
    IPicture* picture = nullptr;
    if (SUCCEEDED(OleLoadPicture(stream, 0, FALSE, IID_IPicture, reinterpret_cast<void**>(&picture)))) {
        OLE_HANDLE handle = 0;
        picture->get_Handle(&handle);
        readBack(reinterpret_cast<HBITMAP>(handle));
        picture->Release();
    }
    stream->Release();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    if (data[0] % 2) {
        throughOle(data + 1, size - 1);
        return 0;
    }
    HBITMAP bitmap = plat::image::bitmapFromBytes(plat::image::Bytes{data + 1, size - 1}, 0, 0, data[0] & 2, kMaxPixels);
    if (bitmap) {
        readBack(bitmap);
        DeleteObject(bitmap);
    }
    return 0;
}
