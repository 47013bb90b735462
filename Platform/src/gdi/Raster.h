#pragma once

// Painting on a DC's surface through its drawable region: every shape ends in spans, and every
// span is cut to the region before a pixel changes. What was touched is told to the DC's hook when
// the painter goes.

#include "DeviceContext.h"

namespace plat::gdi {

enum class Rop { Copy, Invert, Xor, And, Or };

class PLATAPI Raster {
public:
    explicit Raster(DeviceContext& dc);
    ~Raster();
    Raster(const Raster&) = delete;
    Raster& operator=(const Raster&) = delete;

    // Surface coordinates, right and bottom excluded.
    void fillRect(const RECT& rect, COLORREF color, Rop rop = Rop::Copy);
    void span(int y, int x0, int x1, COLORREF color, Rop rop = Rop::Copy);
    void fillRegion(const Region& region, COLORREF color, Rop rop = Rop::Copy);
    void pixel(int x, int y, COLORREF color, Rop rop = Rop::Copy);
    bool visible(int x, int y) const { return clip_.contains(x, y); }
    // Applies fn(x0, x1) to the drawable spans of row y within [x0, x1), and records them as touched.
    template <typename Fn> void eachSpan(int y, int x0, int x1, Fn&& fn);

    const Surface& surface() const { return surface_; }
    const Region& clip() const { return clip_; }

private:
    void touch(int y, int x0, int x1);

    DeviceContext& dc_;
    const Surface& surface_;
    const Region& clip_;
    RECT touched_{0, 0, 0, 0};
};

template <typename Fn> void Raster::eachSpan(int y, int x0, int x1, Fn&& fn)
{
    clip_.forEachSpan(y, x0, x1, [&](int l, int r) {
        touch(y, l, r);
        fn(l, r);
    });
}

} // namespace plat::gdi
