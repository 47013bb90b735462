#pragma once

// Bitmaps behind HBITMAP: device-dependent ones (always 32 bits, or 1) and DIB sections (1, 8,
// 24 or 32 bits, either row order), with their pixel memory and colour table.

#include "GdiObjects.h"
#include "Surface.h"

#include <cstdlib>
#include <memory>
#include <vector>

namespace plat::gdi {

class DeviceContext;

class PLATAPI Bitmap : public Object {
public:
    // Null (ERROR_NOT_ENOUGH_MEMORY) when the pixel memory cannot be had; pixels start at 0.
    static std::shared_ptr<Bitmap> create(int width, int height, int bitsPerPixel, bool dib, bool topDown);
    // The stock 1 x 1 monochrome bitmap a memory DC starts with.
    static std::shared_ptr<Bitmap> stock();

    const int width;
    const int height;
    const int bitsPerPixel;
    const int stride; // bytes per row, a multiple of 4
    const bool dib;
    const bool topDown;
    // 0x00RRGGBB entries for 1- and 8-bit bitmaps.
    std::vector<uint32_t> colors;

    // The rows in memory order: the bottom row first for a bottom-up DIB.
    uint8_t* memory() const { return memory_.get(); }
    int64_t byteSize() const { return int64_t(stride) * height; }
    // A top-down view of the pixels.
    Surface surface() const;

    // The memory DC it is selected in, if any; a bitmap is in one DC at a time.
    DeviceContext* selectedIn = nullptr;

    int describe(int c, void* pv) const override;

    static int rowBytes(int width, int bitsPerPixel) { return int((int64_t(bitsPerPixel) * width + 31) / 32 * 4); }

private:
    struct FreeMemory {
        void operator()(uint8_t* p) const { std::free(p); }
    };
    Bitmap(int width, int height, int bitsPerPixel, bool dib, bool topDown, uint8_t* memory);
    std::unique_ptr<uint8_t, FreeMemory> memory_;
};

} // namespace plat::gdi
