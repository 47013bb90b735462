// The test face of the headless display.

#include "HeadlessDisplay.h"
#include "WindowGeometry.h"
#include "WindowSurface.h"

#include "plat/bitmap.h"
#include "plat/headless.h"
#include "plat/message.h"

#include <cstring>

namespace plat::headless {

void setScreenSize(int width, int height) { ui::headlessDisplay().setScreenSize(width, height); }

namespace {

constexpr COLORREF kNoPixel = 0xFFFFFFFF;

// Under windowsMutex(): the window's client rectangle in its top-level window's surface, and
// that surface.
struct ClientPixels {
    std::shared_ptr<ui::WindowSurface> surface;
    RECT rect;
    bool showing;
};

bool clientPixels(HWND hwnd, ClientPixels& out)
{
    auto w = ui::lookupWindow(hwnd);
    if (!w)
        return false;
    out.showing = ui::showing(*w);
    const POINT at = ui::clientOriginInTop(*w);
    const RECT client = ui::clientInWindow(*w);
    out.rect = RECT{at.x, at.y, at.x + ui::width(client), at.y + ui::height(client)};
    out.surface = ui::surfaceOf(*ui::topLevelOf(w));
    return true;
}

// The surface's pixel as a COLORREF, or kNoPixel beyond the surface.
COLORREF surfacePixel(const gdi::Surface& s, LONG x, LONG y)
{
    if (x < 0 || y < 0 || x >= s.width || y >= s.height)
        return kNoPixel;
    const uint8_t* p = s.row(int(y)) + x * 4;
    return COLORREF(p[2]) | COLORREF(p[1]) << 8 | COLORREF(p[0]) << 16;
}

} // namespace

COLORREF windowPixel(HWND hwnd, int x, int y)
{
    std::lock_guard lock(ui::windowsMutex());
    ClientPixels pixels;
    if (!clientPixels(hwnd, pixels) || !pixels.showing || x < 0 || y < 0 || x >= ui::width(pixels.rect)
        || y >= ui::height(pixels.rect))
        return kNoPixel;
    return surfacePixel(pixels.surface->surface(), pixels.rect.left + x, pixels.rect.top + y);
}

HBITMAP captureClient(HWND hwnd)
{
    ClientPixels pixels;
    {
        std::lock_guard lock(ui::windowsMutex());
        if (!clientPixels(hwnd, pixels))
            return nullptr;
    }
    const LONG cx = ui::width(pixels.rect), cy = ui::height(pixels.rect);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!copy)
        return nullptr;
    const gdi::Surface& s = pixels.surface->surface();
    auto* out = static_cast<uint8_t*>(bits);
    for (LONG y = 0; y < cy; ++y) {
        const LONG sy = pixels.rect.top + y;
        if (sy < 0 || sy >= s.height)
            continue;
        const LONG left = std::max<LONG>(pixels.rect.left, 0);
        const LONG right = std::min<LONG>(pixels.rect.right, s.width);
        if (left < right)
            std::memcpy(out + (size_t(y) * size_t(cx) + size_t(left - pixels.rect.left)) * 4, s.row(int(sy)) + left * 4,
                size_t(right - left) * 4);
    }
    return copy;
}

int pumpUntilIdle()
{
    int dispatched = 0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ++dispatched;
    }
    return dispatched;
}

} // namespace plat::headless
