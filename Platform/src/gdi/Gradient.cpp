// Rectangle gradients.

#include "DeviceContext.h"
#include "Pixels.h"
#include "Raster.h"

#include "plat/errors.h"
#include "plat/gdi.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace plat::gdi;

namespace {

// The colour at step t of span steps from a to b: each 16-bit channel moves linearly, in 64 bits,
// and its high byte is the pixel's.
COLORREF colorAt(const TRIVERTEX& a, const TRIVERTEX& b, int64_t t, int64_t span)
{
    auto channel = [&](COLOR16 c0, COLOR16 c1) {
        return BYTE((int64_t(c0) + (int64_t(c1) - int64_t(c0)) * t / span) >> 8);
    };
    return RGB(channel(a.Red, b.Red), channel(a.Green, b.Green), channel(a.Blue, b.Blue));
}

void fillRect(DeviceContext& dc, Raster& raster, const TRIVERTEX& first, const TRIVERTEX& second, bool vertical)
{
    const RECT reach = raster.clip().bounds();
    const RECT logical{std::min(first.x, second.x), std::min(first.y, second.y), std::max(first.x, second.x),
                       std::max(first.y, second.y)};
    const RECT r = dc.rectToSurface(dc.rectToDevice(logical));
    const int64_t span = vertical ? r.bottom - r.top : r.right - r.left;
    if (r.left >= r.right || r.top >= r.bottom)
        return;
    // The colours run over the whole rectangle; only the part that can be seen is visited.
    if (vertical) {
        for (int y = std::max(r.top, reach.top); y < std::min(r.bottom, reach.bottom); ++y)
            raster.span(y, r.left, r.right, colorAt(first, second, y - r.top, span));
        return;
    }
    // One row of pixels, worked out once and copied into every row the clip lets through.
    const int x0 = std::max<int>(r.left, reach.left), x1 = std::min<int>(r.right, reach.right);
    if (x0 >= x1)
        return;
    std::vector<uint32_t> row(size_t(x1 - x0));
    for (int x = x0; x < x1; ++x)
        row[size_t(x - x0)] = toPixel(colorAt(first, second, x - r.left, span));
    const Surface& surface = raster.surface();
    for (int y = std::max(r.top, reach.top); y < std::min(r.bottom, reach.bottom); ++y)
        raster.eachSpan(y, x0, x1, [&](int l, int rr) {
            if (surface.bitsPerPixel == 32) {
                std::memcpy(surface.row(y) + 4 * int64_t(l), &row[size_t(l - x0)], size_t(rr - l) * 4);
                return;
            }
            for (int x = l; x < rr; ++x)
                writePixel(surface, x, y, row[size_t(x - x0)]);
        });
}

} // namespace

BOOL GradientFill(HDC hdc, PTRIVERTEX pVertex, ULONG nVertex, PVOID pMesh, ULONG nMesh, ULONG ulMode)
{
    auto dc = DeviceContext::find(hdc);
    if (!dc || !pVertex || !pMesh || (ulMode != GRADIENT_FILL_RECT_H && ulMode != GRADIENT_FILL_RECT_V)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* rects = static_cast<const GRADIENT_RECT*>(pMesh);
    for (ULONG i = 0; i < nMesh; ++i)
        if (rects[i].UpperLeft >= nVertex || rects[i].LowerRight >= nVertex) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    Raster raster(*dc);
    for (ULONG i = 0; i < nMesh; ++i)
        fillRect(*dc, raster, pVertex[rects[i].UpperLeft], pVertex[rects[i].LowerRight], ulMode == GRADIENT_FILL_RECT_V);
    return TRUE;
}
