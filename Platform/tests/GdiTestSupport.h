#pragma once

// A white memory DC to draw on and read back, and a picture of it as text: '#' where a pixel
// differs from the background, '.' where it does not.

#include "plat/bitmap.h"
#include "plat/gdi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vnt::test {

class Canvas {
public:
    Canvas(int width, int height, COLORREF background = RGB(255, 255, 255))
        : width(width), height(height), background(background)
    {
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(dc, width, height);
        previous = SelectObject(dc, bitmap);
        HBRUSH brush = CreateSolidBrush(background);
        RECT all{0, 0, width, height};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
    }
    ~Canvas()
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // The bitmap's pixel, whatever the DC's clip and mapping; CLR_INVALID outside it.
    COLORREF at(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return CLR_INVALID;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        std::vector<uint32_t> row(static_cast<size_t>(width));
        if (GetDIBits(dc, bitmap, UINT(y), 1, row.data(), &info, DIB_RGB_COLORS) != 1)
            return CLR_INVALID;
        const uint32_t px = row[size_t(x)];
        return RGB(px >> 16 & 0xFF, px >> 8 & 0xFF, px & 0xFF);
    }

    // Rows of '#' and '.', one string per row, joined by '\n' for readable failures.
    std::string picture() const
    {
        std::string text;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                text += at(x, y) == background ? '.' : '#';
            text += '\n';
        }
        return text;
    }

    const int width;
    const int height;
    const COLORREF background;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
};

// Joins rows given one per argument, for pictures written in the test.
template <typename... Rows> std::string rows(Rows... r) { return ((std::string(r) + "\n") + ...); }

} // namespace vnt::test
