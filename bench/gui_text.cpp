// What word-wrapped drawing costs beside rendering the same glyphs with FreeType alone: 4 KB of
// prose wrapped into 400 px in DejaVu Sans at 12 px, measured and drawn, against FT_Load_Char with
// FT_LOAD_RENDER of each character.

#include "guiFont.h"

#include "vbEngine.h"

#include "plat/afxgdi.h"
#include "plat/bitmap.h"
#include "plat/gdi.h"

#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <string>

namespace {

constexpr int kWidth = 400;

const std::string& prose()
{
    static const std::string text = [] {
        const char* words[] = {"the", "light", "filter", "shows", "each", "source", "image", "through", "a",
            "coloured", "glass,", "and", "result", "pictures", "are", "assembled", "from", "them."};
        std::string t;
        for (unsigned i = 0; t.size() < 4096; i = i * 7 + 3)
            t += std::string(words[i % (sizeof words / sizeof *words)]) + ' ';
        t.resize(4096);
        return t;
    }();
    return text;
}

guiFont& font()
{
    static vbUseEngineCenter use(&g_vbEngineCenter);
    static guiFont f = [] {
        guiFont made(nullptr);
        made.SetAll("DejaVu Sans", -12, false, false, false, false);
        return guiFont(nullptr, made);
    }();
    return f;
}

void BM_WrapMeasure(benchmark::State& state)
{
    guiFont& f = font();
    CDC dc;
    dc.Attach(CreateCompatibleDC(nullptr));
    for (auto _ : state)
        benchmark::DoNotOptimize(f.GetTextSize(dc, kWidth, prose().data(), int(prose().size()), false));
    DeleteDC(dc.Detach());
}
BENCHMARK(BM_WrapMeasure)->Unit(benchmark::kMicrosecond);

void BM_WrapDraw(benchmark::State& state)
{
    guiFont& f = font();
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), kWidth, -1200, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    CDC dc;
    dc.Attach(CreateCompatibleDC(nullptr));
    HGDIOBJ previous = SelectObject(dc, bitmap);
    const vbColor black(RGB(0, 0, 0));
    for (auto _ : state)
        f.DrawText(dc, CRect(0, 0, kWidth, 1200), prose().data(), int(prose().size()), &black, nullptr, true);
    SelectObject(dc, previous);
    DeleteDC(dc.Detach());
    DeleteObject(bitmap);
}
BENCHMARK(BM_WrapDraw)->Unit(benchmark::kMicrosecond);

void BM_FreeTypeRender(benchmark::State& state)
{
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) ||
        FT_New_Face(library, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0, &face)) {
        state.SkipWithError("DejaVu Sans not found");
        return;
    }
    FT_Set_Pixel_Sizes(face, 0, 12);
    for (auto _ : state)
        for (unsigned char c : prose())
            benchmark::DoNotOptimize(FT_Load_Char(face, c, FT_LOAD_RENDER));
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}
BENCHMARK(BM_FreeTypeRender)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
