#pragma once

// A small memory DC for text tests: white 64 x 64 pixels, black text on a transparent background,
// and the pixels read back.

#include "plat/bitmap.h"
#include "plat/gdi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace vnt::test {

constexpr COLORREF kWhite = 0xFFFFFF;

// Takes the font over, selects it, and deletes it at the end.
class TextDc {
public:
    explicit TextDc(HFONT font = nullptr, int size = 64) : m_font(font)
    {
        dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateCompatibleBitmap(dc, size, size);
        m_oldBitmap = SelectObject(dc, m_bitmap);
        m_size = size;
        PatBlt(dc, 0, 0, size, size, WHITENESS);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, 0x000000);
        if (font)
            m_oldFont = SelectObject(dc, font);
    }
    ~TextDc()
    {
        if (m_font)
            SelectObject(dc, m_oldFont);
        SelectObject(dc, m_oldBitmap);
        DeleteDC(dc);
        DeleteObject(m_bitmap);
        if (m_font)
            DeleteObject(m_font);
    }
    TextDc(const TextDc&) = delete;
    TextDc& operator=(const TextDc&) = delete;

    // The pixels that are not white, as a bounding box (empty: nothing painted).
    RECT paintedBox(COLORREF background = kWhite) const
    {
        RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int y = 0; y < m_size; ++y)
            for (int x = 0; x < m_size; ++x)
                if (GetPixel(dc, x, y) != background) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        return box.left == INT_MAX ? RECT{} : box;
    }
    std::vector<COLORREF> pixels() const
    {
        std::vector<COLORREF> all;
        for (int y = 0; y < m_size; ++y)
            for (int x = 0; x < m_size; ++x)
                all.push_back(GetPixel(dc, x, y));
        return all;
    }
    int paintedCount(COLORREF color) const
    {
        int n = 0;
        for (int y = 0; y < m_size; ++y)
            for (int x = 0; x < m_size; ++x)
                n += GetPixel(dc, x, y) == color;
        return n;
    }

    HDC dc;

private:
    HFONT m_font;
    HBITMAP m_bitmap;
    HGDIOBJ m_oldBitmap;
    HGDIOBJ m_oldFont = nullptr;
    int m_size;
};

inline void expectBox(const RECT& got, const RECT& want)
{
    EXPECT_EQ(got.left, want.left);
    EXPECT_EQ(got.top, want.top);
    EXPECT_EQ(got.right, want.right);
    EXPECT_EQ(got.bottom, want.bottom);
}

} // namespace vnt::test
