// Icon, cursor and animated cursor files come from modules and from disk: damaged ones must give
// no record, and every record made must draw at every step without reading past its frames.
//
// Input: the bytes of a .ico, .cur or .ani file.

#include "image/ImageLoading.h"

#include "plat/bitmap.h"
#include "plat/gdi.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace plat::image;
    HICON icon = iconFromBytes(Bytes{data, size}, WantedSize{32, 32}, size % 2 == 0, false);
    if (!icon)
        return 0;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP surface = CreateCompatibleBitmap(dc, 32, 32);
    HGDIOBJ previous = SelectObject(dc, surface);
    for (UINT step = 0; step < 4; ++step)
        DrawIconEx(dc, 0, 0, icon, 0, 0, step, nullptr, DI_NORMAL);
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        std::abort();
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    SelectObject(dc, previous);
    DeleteObject(surface);
    DeleteDC(dc);
    DestroyIcon(icon);
    return 0;
}
