// Text layout over arbitrary bytes: the first byte chooses DrawTextA's flags, the second the
// rectangle's width, the rest (its first 256 bytes) is the text. Measuring, laying out and
// drawing never crash or loop, and per-byte widths keep their promises: they never decrease, the
// last is the extent, and the count that fits ends on a character boundary.

#include "plat/bitmap.h"
#include "plat/gdi.h"
#include "plat/headless.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Laying out costs in proportion to the text: past this many bytes (many lines at any width, a
// word far wider than the widest rectangle) a longer text finds nothing new, only slows the run.
constexpr size_t kMaxText = 256;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void measure(HDC dc, const char* text, int count, int maxExtent)
{
    std::vector<INT> dx(size_t(count) + 1);
    INT fit = -1;
    SIZE size{};
    check(GetTextExtentExPointA(dc, text, count, maxExtent, &fit, dx.data(), &size));
    SIZE whole{};
    check(GetTextExtentPoint32A(dc, text, count, &whole));
    check(whole.cx == (count ? dx[size_t(count) - 1] : 0) && whole.cx == size.cx);
    for (int i = 1; i < count; ++i)
        check(dx[size_t(i)] >= dx[size_t(i) - 1]);
    check(fit >= 0 && fit <= count);
    // A prefix cut inside a character would read its bytes as other characters, of other width.
    SIZE prefix{};
    check(GetTextExtentPoint32A(dc, text, fit, &prefix));
    check(prefix.cx == (fit ? dx[size_t(fit) - 1] : 0));
    check(fit == 0 || dx[size_t(fit) - 1] <= maxExtent);
}

void run(HFONT font, bool fixedFace, const uint8_t* data, size_t size)
{
    const UINT format = (UINT(data[0]) & (DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_WORDBREAK | DT_SINGLELINE
                                            | DT_EXPANDTABS))
        | (data[0] & 0x80 ? DT_NOPREFIX : 0);
    const int width = data[1];
    const char* text = reinterpret_cast<const char*>(data + 2);
    const int count = int(std::min(size - 2, kMaxText));

    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 48, 32);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, data[1] & 1 ? OPAQUE : TRANSPARENT);

    RECT rc{3, 2, 3 + width, 30};
    const int height = DrawTextA(dc, text, count, &rc, format | DT_CALCRECT);
    check(height >= 0 && rc.bottom - rc.top == height && rc.left == 3);
    // Wrapped lines (a single line never wraps) stay within the width, but for a single character
    // wider than it (the test face's are 7 px; real faces borrow glyphs of any width from others).
    if (fixedFace && (format & DT_WORDBREAK) && !(format & (DT_EXPANDTABS | DT_SINGLELINE)))
        check(rc.right - rc.left <= (width > 7 ? width : 7));
    rc = RECT{3, 2, 3 + width, 30};
    DrawTextA(dc, text, count, &rc, format);
    ExtTextOutA(dc, 40, 20, ETO_CLIPPED, &rc, text, UINT(count), nullptr);
    measure(dc, text, count, width);

    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// The four fonts (test face or real, normal or bold) are made once: the layout under test does
// not depend on a font being new, and making one costs more than laying out a short text.
HFONT fontFor(bool fixed, bool bold)
{
    static HFONT fonts[2][2] = {};
    HFONT& font = fonts[fixed][bold];
    if (!font)
        font = CreateFontA(-12, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "DejaVu Sans");
    return font;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    for (bool fixed : {true, false}) {
        plat::headless::useFixedTestFont(fixed);
        run(fontFor(fixed, data[0] & 0x40), fixed, data, size);
    }
    return 0;
}
