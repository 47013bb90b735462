// What text costs the platform: measuring and drawing a line of DejaVu Sans at 12 px, each beside
// the same work done with FreeType directly (load each character, sum its advance, and for
// drawing render and blend its coverage into a BGRX buffer), and a word-wrapped paragraph.

#include "plat/bitmap.h"
#include "plat/gdi.h"

#include <benchmark/benchmark.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kLine[] = "The quick brown fox jumps over the lazy dog, 0123456789 (ASCII)!";
static_assert(sizeof kLine - 1 == 64, "a 64-character line");

constexpr int kWidth = 512, kHeight = 64;

// A 32-bit memory DC with DejaVu Sans at -12 selected.
struct TextDc {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, kWidth, kHeight);
    HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font);
    TextDc() { SetBkMode(dc, TRANSPARENT); }
    ~TextDc()
    {
        SelectObject(dc, oldFont);
        SelectObject(dc, oldBitmap);
        DeleteDC(dc);
        DeleteObject(bitmap);
        DeleteObject(font);
    }
};

// The same face opened with FreeType alone.
struct RawFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    RawFace()
    {
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("DejaVu Sans"));
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcChar8* file = nullptr;
        FcPatternGetString(match, FC_FILE, 0, &file);
        FT_Init_FreeType(&library);
        FT_New_Face(library, reinterpret_cast<const char*>(file), 0, &face);
        FT_Set_Pixel_Sizes(face, 0, 12);
        FcPatternDestroy(match);
        FcPatternDestroy(pattern);
    }
    ~RawFace()
    {
        FT_Done_Face(face);
        FT_Done_FreeType(library);
    }
};

void BM_GetTextExtentPoint32A(benchmark::State& state)
{
    TextDc t;
    SIZE size{};
    for (auto _ : state) {
        GetTextExtentPoint32A(t.dc, kLine, 64, &size);
        benchmark::DoNotOptimize(size);
    }
    state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(BM_GetTextExtentPoint32A);

void BM_FreeTypeAdvances(benchmark::State& state)
{
    RawFace raw;
    for (auto _ : state) {
        long width = 0;
        for (const char* p = kLine; *p; ++p) {
            FT_Load_Char(raw.face, FT_ULong(*p), FT_LOAD_DEFAULT);
            width += raw.face->glyph->advance.x >> 6;
        }
        benchmark::DoNotOptimize(width);
    }
    state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(BM_FreeTypeAdvances);

void BM_ExtTextOutA(benchmark::State& state)
{
    TextDc t;
    for (auto _ : state)
        ExtTextOutA(t.dc, 2, 20, 0, nullptr, kLine, 64, nullptr);
    state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(BM_ExtTextOutA);

void BM_FreeTypeRenderAndBlend(benchmark::State& state)
{
    RawFace raw;
    std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4, 0xFF);
    const uint8_t ink[3] = {0, 0, 0};
    for (auto _ : state) {
        int pen = 2;
        const int baseline = 30;
        for (const char* p = kLine; *p; ++p) {
            FT_Load_Char(raw.face, FT_ULong(*p), FT_LOAD_RENDER);
            const FT_GlyphSlot g = raw.face->glyph;
            for (unsigned row = 0; row < g->bitmap.rows; ++row) {
                const int y = baseline - g->bitmap_top + int(row);
                if (y < 0 || y >= kHeight)
                    continue;
                for (unsigned col = 0; col < g->bitmap.width; ++col) {
                    const int x = pen + g->bitmap_left + int(col);
                    const int a = g->bitmap.buffer[row * unsigned(g->bitmap.pitch) + col];
                    if (x < 0 || x >= kWidth || a == 0)
                        continue;
                    uint8_t* px = &pixels[(size_t(y) * kWidth + size_t(x)) * 4];
                    for (int c = 0; c < 3; ++c)
                        px[c] = uint8_t(px[c] + (ink[c] - px[c]) * a / 255);
                    px[3] = 0;
                }
            }
            pen += int(g->advance.x >> 6);
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(BM_FreeTypeRenderAndBlend);

void BM_DrawTextWordBreak4K(benchmark::State& state)
{
    TextDc t;
    std::string paragraph;
    while (paragraph.size() < 4096)
        paragraph += "lorem ipsum dolor sit amet consectetur adipiscing elit ";
    paragraph.resize(4096);
    for (auto _ : state) {
        RECT rc{0, 0, 300, kHeight};
        benchmark::DoNotOptimize(DrawTextA(t.dc, paragraph.data(), int(paragraph.size()), &rc, DT_WORDBREAK));
    }
    state.SetBytesProcessed(state.iterations() * 4096);
}
BENCHMARK(BM_DrawTextWordBreak4K);

} // namespace

BENCHMARK_MAIN();
