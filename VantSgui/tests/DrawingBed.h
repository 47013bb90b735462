#pragma once

// What drawing tests paint on: a memory DC on a 32-bit surface, filled white, with the fixed test
// font selected (7 px advance, 13 px cell, ascent 10); pixels are read back one at a time.

#include "vbXml.h"

#include "plat/bitmap.h"
#include "plat/gdi.h"

#include <functional>
#include <string>

namespace gui::test {

class DrawingBed {
public:
    DrawingBed(int width, int height) : width(width), height(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* raw = nullptr;
        m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
        m_bits = static_cast<const uint32_t*>(raw);
        dc = CreateCompatibleDC(nullptr);
        m_previous = SelectObject(dc, m_bitmap);
        m_font = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Test");
        m_previousFont = SelectObject(dc, m_font);
        HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
        RECT all{0, 0, width, height};
        FillRect(dc, &all, white);
        DeleteObject(white);
    }
    ~DrawingBed()
    {
        SelectObject(dc, m_previousFont);
        SelectObject(dc, m_previous);
        DeleteObject(m_font);
        DeleteDC(dc);
        DeleteObject(m_bitmap);
    }
    DrawingBed(const DrawingBed&) = delete;
    DrawingBed& operator=(const DrawingBed&) = delete;

    COLORREF at(int x, int y) const
    {
        const uint32_t px = m_bits[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
        return RGB(px >> 16 & 0xFF, px >> 8 & 0xFF, px & 0xFF);
    }

    const int width;
    const int height;
    HDC dc;

private:
    HBITMAP m_bitmap;
    const uint32_t* m_bits = nullptr;
    HGDIOBJ m_previous;
    HFONT m_font;
    HGDIOBJ m_previousFont;
};

// Runs onElement with the source of the first element of markup, through the tokenizer.
inline void withElement(const std::string& markup, const std::function<void(sIvbXmlSource*)>& onElement)
{
    struct Target : IvbXmlTarget {
        ULONG AddRef() override { return 1; }
        ULONG Release() override { return 1; }
        void AddSection(sIvbXmlSource* src, const vbString&, bool, const vbXmlPos&) override
        {
            if (!done) {
                done = true;
                onElement(src);
            }
        }
        void AddSectionEnd(sIvbXmlSource*, const vbString&, const vbXmlPos&) override { }
        void AddText(sIvbXmlSource*, const vbString&, const vbXmlPos&) override { }
        int CutSectionName(sIvbXmlSource*, const vbString&, bool, bool) override { return 0; }
        bool Warning(const vbString&, int, int, const vbString&) override { return true; }
        bool Error(const vbString&, int, int, const vbString&) override { return true; }
        void EndParse(sIvbXmlSource*) override { }
        bool done = false;
        std::function<void(sIvbXmlSource*)> onElement;
    } target;
    target.onElement = onElement;
    vbXml xml;
    xml.ParseStart(&target, "style.xml", nullptr, 0, 0, 1);
    xml.Parse(markup.data(), static_cast<DWORD>(markup.size()));
    xml.ParseEnd();
}

} // namespace gui::test
