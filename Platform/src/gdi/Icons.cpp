// Icons and cursors: made from bitmaps or records, described as bitmaps, drawn and destroyed.

#include "Bitmap.h"
#include "DeviceContext.h"
#include "Icon.h"
#include "Pixels.h"
#include "Raster.h"

#include "../ui/Display.h"

#include "plat/bitmap.h"
#include "plat/errors.h"
#include "plat/gdi.h"
#include "plat/sysmetrics.h"

#include <cstring>

using namespace plat::gdi;

namespace {

// The 0xAARRGGBB pixel of a bitmap, the fourth byte of a 32-bit one as alpha.
uint32_t argbAt(const Bitmap& bitmap, const Surface& s, int x, int y)
{
    if (bitmap.bitsPerPixel == 32) {
        uint32_t px;
        std::memcpy(&px, s.row(y) + 4 * x, 4);
        return px;
    }
    return readPixel(s, x, y);
}

// What a mask bitmap keeps: bits that read as white.
bool keeps(const Surface& mask, int x, int y) { return readPixel(mask, x, y) != 0; }

BOOL destroy(HICON icon)
{
    auto object = findAs<IconObject>(icon);
    if (!object)
        return FALSE;
    if (object->record.shared)
        return TRUE;
    if (!removeObject(icon))
        return FALSE;
    plat::ui::display().cursorDestroyed(icon); // its handle may name another image soon
    return TRUE;
}

uint32_t blend(uint32_t dst, uint32_t src, uint32_t alpha)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t d = dst >> shift & 0xFF, s = src >> shift & 0xFF;
        out |= ((s * alpha + d * (255 - alpha) + 127) / 255) << shift;
    }
    return out;
}

} // namespace

namespace plat::gdi {

HICON makeIcon(IconRecord record)
{
    bool usable = !record.frames.empty();
    for (const IconFrame& f : record.frames) {
        const size_t area = size_t(std::max(0, f.width)) * size_t(std::max(0, f.height));
        usable = usable && f.width > 0 && f.height > 0 && f.pixels.size() == area && f.mask.size() == area;
    }
    for (int index : record.sequence)
        usable = usable && index >= 0 && index < int(record.frames.size());
    if (!usable) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HICON>(insertObject(std::make_shared<IconObject>(std::move(record))));
}

} // namespace plat::gdi

HICON CreateIconIndirect(PICONINFO info)
{
    std::shared_ptr<Bitmap> mask = info ? findAs<Bitmap>(info->hbmMask) : nullptr;
    std::shared_ptr<Bitmap> color = info && info->hbmColor ? findAs<Bitmap>(info->hbmColor) : nullptr;
    if (!mask || (info->hbmColor && !color)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const int width = mask->width;
    const int height = color ? color->height : mask->height / 2;
    if (height <= 0 || (color && (color->width != width || mask->height < height))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    IconFrame frame;
    frame.width = width;
    frame.height = height;
    const Surface maskBits = mask->surface();
    const Surface colorBits = color ? color->surface() : Surface{};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            frame.mask.push_back(keeps(maskBits, x, y) ? 1 : 0);
            // Without a colour bitmap the mask's lower half is the image.
            const uint32_t px = color ? argbAt(*color, colorBits, x, y) : (keeps(maskBits, x, y + height) ? 0xFFFFFF : 0);
            frame.pixels.push_back(px);
            frame.hasAlpha = frame.hasAlpha || (px >> 24) != 0;
        }
    IconRecord record;
    record.frames.push_back(std::move(frame));
    record.hotspot = POINT{LONG(info->xHotspot), LONG(info->yHotspot)};
    record.isIcon = info->fIcon != FALSE;
    return makeIcon(std::move(record));
}

BOOL GetIconInfo(HICON hIcon, PICONINFO info)
{
    auto icon = findAs<IconObject>(hIcon);
    if (!icon || !info)
        return FALSE;
    const IconFrame& f = icon->record.frames.front();
    auto mask = Bitmap::create(f.width, f.height, 1, false, true);
    auto color = Bitmap::create(f.width, f.height, 32, false, true);
    if (!mask || !color)
        return FALSE;
    const Surface maskBits = mask->surface(), colorBits = color->surface();
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            const size_t i = size_t(y) * size_t(f.width) + size_t(x);
            writePixel(maskBits, x, y, f.mask[i] ? 0xFFFFFF : 0);
            std::memcpy(colorBits.row(y) + 4 * x, &f.pixels[i], 4);
        }
    info->fIcon = icon->record.isIcon ? TRUE : FALSE;
    info->xHotspot = DWORD(icon->record.hotspot.x);
    info->yHotspot = DWORD(icon->record.hotspot.y);
    info->hbmMask = static_cast<HBITMAP>(insertObject(mask));
    info->hbmColor = static_cast<HBITMAP>(insertObject(color));
    return TRUE;
}

BOOL DestroyIcon(HICON hIcon) { return destroy(hIcon); }
BOOL DestroyCursor(HCURSOR hCursor) { return destroy(hCursor); }

BOOL DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth, UINT step, HBRUSH brush,
                UINT flags)
{
    auto dc = DeviceContext::find(hdc);
    auto icon = findAs<IconObject>(hIcon);
    if (!dc || !icon)
        return FALSE;
    const IconRecord& record = icon->record;
    const int steps = record.steps();
    if (steps > 1 && int64_t(step) >= steps)
        return FALSE;
    const int index = steps == 1 ? 0 : record.sequence.empty() ? int(step) : record.sequence[step];
    const IconFrame& f = record.frames[size_t(index)];
    const bool defaultSize = flags & DI_DEFAULTSIZE;
    const int cx = cxWidth ? cxWidth : defaultSize ? GetSystemMetrics(SM_CXICON) : f.width;
    const int cy = cyWidth ? cyWidth : defaultSize ? GetSystemMetrics(SM_CYICON) : f.height;
    COLORREF under = 0;
    const bool composed = brush && brushColor(brush, &under);
    const RECT r = dc->rectToSurface(dc->rectToDevice(RECT{xLeft, yTop, xLeft + cx, yTop + cy}));
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return TRUE;
    const bool image = flags & DI_IMAGE, masked = flags & DI_MASK;
    Raster raster(*dc);
    const Surface& target = raster.surface();
    for (int y = r.top; y < r.bottom; ++y) {
        const int fy = int(int64_t(2 * (y - r.top) + 1) * f.height / (2 * h));
        raster.eachSpan(y, r.left, r.right, [&](int l, int rr) {
            for (int x = l; x < rr; ++x) {
                const int fx = int(int64_t(2 * (x - r.left) + 1) * f.width / (2 * w));
                const size_t i = size_t(fy) * size_t(f.width) + size_t(fx);
                const uint32_t dst = composed ? toPixel(under) : readPixel(target, x, y);
                const uint32_t src = f.pixels[i] & 0xFFFFFFu;
                uint32_t out = dst;
                if (f.hasAlpha && image && masked)
                    out = blend(dst, src, f.pixels[i] >> 24);
                else {
                    if (masked)
                        out = f.mask[i] ? out : 0;
                    if (image)
                        out ^= src;
                }
                writePixel(target, x, y, out);
            }
        });
    }
    return TRUE;
}

BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon)
{
    return DrawIconEx(hDC, X, Y, hIcon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}
