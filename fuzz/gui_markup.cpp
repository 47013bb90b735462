// Style mark-up as the controls read it: every element goes to a surface and a font, bare and
// under the "caption" prefix; the surface then fills a small bitmap with and without a clip, and
// the font measures and draws a short text wrapped to a width taken from the input. Nothing may
// crash or leak, and only the system's own exceptions may come out.
//
// Every element makes fonts, whose faces are matched and glyphs rendered anew, and fills and
// draws into bitmaps: it runs a few hundred inputs a second.

#include "FuzzTempDir.h"
#include "guiFont.h"
#include "guiSurface.h"

#include "vbEngine.h"
#include "vbException.h"
#include "vbLog.h"
#include "vbXml.h"

#include "plat/bitmap.h"
#include "plat/gdi.h"

#include <cstdint>
#include <cstring>

namespace {

const char kText[] = "Wrapped \x01text\x01 with\r\nbreaks \xC3\xA9\xE2\x82\xAC and a longerwordthanmost";

void paint(const guiSurface& surface, const guiFont& font, int width)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 64;
    info.bmiHeader.biHeight = -64;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    CDC dc;
    dc.Attach(CreateCompatibleDC(nullptr));
    HGDIOBJ previous = SelectObject(dc, bitmap);
    HGDIOBJ previousFont = GetCurrentObject(dc, OBJ_FONT);
    try {
        if (surface.IsValid()) {
            const RECT all{0, 0, 64, 64}, clip{width % 64, 8, 48, 70};
            surface.Fill(dc, all, nullptr);
            surface.Fill(dc, all, &clip);
        }
        if (font.IsValid()) {
            const int len = static_cast<int>(std::strlen(kText));
            font.GetTextSize(dc, width, kText, len, true);
            const vbColor text(RGB(0, 0, 0)), shadow(RGB(200, 0, 0));
            font.DrawText(dc, CRect(2, 2, 2 + width, 62), kText, len, &text, &shadow, true);
        }
    } catch (CException* e) {
        e->Delete();
    }
    SelectObject(dc, previousFont);
    SelectObject(dc, previous);
    DeleteDC(dc.Detach());
    DeleteObject(bitmap);
}

class Target : public IvbXmlTarget {
public:
    explicit Target(int width) : m_width(width) { }

    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    void AddSection(sIvbXmlSource* src, const vbString&, bool, const vbXmlPos&) override
    {
        for (const char* prefix : {"", "caption"}) {
            guiSurface surface(nullptr);
            guiFont font(nullptr);
            try {
                surface.ReadXml(src, prefix, true);
                font.ReadXml(src, prefix, true);
            } catch (CException* e) {
                e->Delete();
            }
            paint(surface, font, m_width);
        }
    }
    void AddSectionEnd(sIvbXmlSource*, const vbString&, const vbXmlPos&) override { }
    void AddText(sIvbXmlSource*, const vbString&, const vbXmlPos&) override { }
    int CutSectionName(sIvbXmlSource*, const vbString&, bool, bool) override { return 0; }
    bool Warning(const vbString&, int, int, const vbString&) override { return true; }
    bool Error(const vbString&, int, int, const vbString&) override { return true; }
    void EndParse(sIvbXmlSource*) override { }

private:
    int m_width;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_pvbLogFileName = nullptr; // rejected colour texts write log lines
    static FuzzTempDir home(true); // the engines' registry and logs are the run's own, not the user's
    static vbUseEngineCenter use(&g_vbEngineCenter);
    if (size < 1)
        return 0;
    // -8 to 247: narrower than a character, negative and wider than the bitmap all occur.
    Target target(static_cast<int>(data[0]) - 8);
    vbXml xml;
    try {
        xml.ParseStart(&target, "style.xml", nullptr, 0, 0, 1);
        xml.Parse(reinterpret_cast<const char*>(data + 1), static_cast<DWORD>(size - 1));
        xml.ParseEnd();
    } catch (CException* e) {
        e->Delete();
    }
    return 0;
}
