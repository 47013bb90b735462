// Bitmap objects and their pixel memory.

#include "Bitmap.h"

#include "plat/bitmap.h"
#include "plat/errors.h"

#include <cstring>
#include <sys/mman.h>

namespace plat::gdi {

namespace {

// Picture-sized memory is touched in whole, row after row: in large pages it costs a few hundred
// page faults instead of one per 4 KiB, which in a virtual machine is most of a first pass's time.
void preferLargePages(uint8_t* memory, int64_t bytes)
{
    constexpr uintptr_t kLarge = 2 << 20;
    const uintptr_t first = (reinterpret_cast<uintptr_t>(memory) + kLarge - 1) & ~(kLarge - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(memory) + uintptr_t(bytes)) & ~(kLarge - 1);
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

} // namespace

Bitmap::Bitmap(int width, int height, int bitsPerPixel, bool dib, bool topDown, uint8_t* memory)
    : Object(Kind::Bitmap), width(width), height(height), bitsPerPixel(bitsPerPixel),
      stride(rowBytes(width, bitsPerPixel)), dib(dib), topDown(topDown), memory_(memory)
{
    if (bitsPerPixel == 1)
        colors = {0x000000, 0xFFFFFF};
}

std::shared_ptr<Bitmap> Bitmap::create(int width, int height, int bitsPerPixel, bool dib, bool topDown)
{
    const int64_t bytes = int64_t(rowBytes(width, bitsPerPixel)) * height;
    auto* memory = static_cast<uint8_t*>(std::calloc(size_t(bytes > 0 ? bytes : 1), 1));
    if (!memory) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    preferLargePages(memory, bytes);
    return std::shared_ptr<Bitmap>(new Bitmap(width, height, bitsPerPixel, dib, topDown, memory));
}

std::shared_ptr<Bitmap> Bitmap::stock()
{
    static const std::shared_ptr<Bitmap> bitmap = [] {
        auto b = create(1, 1, 1, false, true);
        insertObject(b, true);
        return b;
    }();
    return bitmap;
}

Surface Bitmap::surface() const
{
    Surface s;
    s.width = width;
    s.height = height;
    s.bitsPerPixel = bitsPerPixel;
    s.colors = colors.empty() ? nullptr : colors.data();
    if (topDown) {
        s.bits = memory_.get();
        s.stride = stride;
    } else {
        s.bits = memory_.get() + int64_t(stride) * (height - 1);
        s.stride = -stride;
    }
    return s;
}

int Bitmap::describe(int c, void* pv) const
{
    BITMAP bm{};
    bm.bmType = 0;
    bm.bmWidth = width;
    bm.bmHeight = height;
    bm.bmWidthBytes = stride;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = WORD(bitsPerPixel);
    bm.bmBits = dib ? memory_.get() : nullptr;
    int size = int(sizeof bm);
    DIBSECTION ds{};
    if (dib && (c >= int(sizeof ds) || !pv)) {
        ds.dsBm = bm;
        ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
        ds.dsBmih.biWidth = width;
        ds.dsBmih.biHeight = topDown ? -height : height;
        ds.dsBmih.biPlanes = 1;
        ds.dsBmih.biBitCount = WORD(bitsPerPixel);
        ds.dsBmih.biCompression = BI_RGB;
        ds.dsBmih.biSizeImage = DWORD(byteSize());
        ds.dsBmih.biClrUsed = DWORD(colors.size());
        size = int(sizeof ds);
    }
    if (!pv)
        return size;
    if (c < int(sizeof bm)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (size == int(sizeof ds))
        std::memcpy(pv, &ds, sizeof ds);
    else
        std::memcpy(pv, &bm, sizeof bm);
    return size;
}

} // namespace plat::gdi
