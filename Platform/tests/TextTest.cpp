// Text through device contexts with the fixed-metrics test face the test main switches on: each
// character 7 px wide, cells 13 px high, ascent 10, a box in columns 1-5 and rows 2-9.

#include "TextDc.h"

#include "plat/errors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using vnt::test::kWhite;
using vnt::test::TextDc;
using vnt::test::expectBox;

HFONT testFont(int weight = FW_NORMAL, bool underline = false, int escapement = 0)
{
    return CreateFontA(-12, 0, escapement, escapement, weight, FALSE, underline, FALSE, ANSI_CHARSET, 0, 0, 0, 0,
        "Arial");
}

TEST(Text, TestFaceMeasuresSevenPixelsPerCharacter)
{
    TextDc t(testFont());
    struct Case {
        std::string text;
        LONG width;
    };
    const Case cases[] = {
        {"Mp", 14},
        {"", 0},
        {"\xC3\xA9", 7},          // UTF-8 e-acute
        {"\xE9", 7},              // a lone byte reads as its Windows-1252 character
        {"\t", 0},                // controls have no width
        {"a\x01" "b", 14},
        {"\xF0\x9F\x98\x80", 7},  // four bytes, one character
        {"\xE0\x80\x80", 21},     // an overlong form is three 1252 characters
    };
    for (const Case& c : cases) {
        SIZE size{-1, -1};
        ASSERT_TRUE(GetTextExtentPoint32A(t.dc, c.text.data(), int(c.text.size()), &size)) << c.text;
        EXPECT_EQ(size.cx, c.width) << c.text;
        EXPECT_EQ(size.cy, 13) << c.text;
    }

    TEXTMETRICA tm{};
    ASSERT_TRUE(GetTextMetricsA(t.dc, &tm));
    EXPECT_EQ(tm.tmHeight, 13);
    EXPECT_EQ(tm.tmAscent, 10);
    EXPECT_EQ(tm.tmDescent, 3);
    EXPECT_EQ(tm.tmInternalLeading, 0);
    EXPECT_EQ(tm.tmExternalLeading, 0);
    EXPECT_EQ(tm.tmAveCharWidth, 7);
    EXPECT_EQ(tm.tmMaxCharWidth, 7);
    EXPECT_EQ(tm.tmWeight, FW_NORMAL);
}

TEST(Text, ExtentsPerByteNeverStopInsideACharacter)
{
    TextDc t(testFont());
    struct Case {
        std::string text;
        int maxExtent;
        int fit;
        std::vector<int> dx;
    };
    const Case cases[] = {
        {"abc", 15, 2, {7, 14, 21}},
        {"abc", 6, 0, {7, 14, 21}},
        {"abc", 100, 3, {7, 14, 21}},
        {"\xC3\xA9", 7, 2, {0, 7}},
        {"a\xC3\xA9", 10, 1, {7, 7, 14}},  // the lead byte of "é" fits by its width, the character does not
        {"\xE9z", 7, 1, {7, 14}},
    };
    for (const Case& c : cases) {
        int fit = -1;
        std::vector<int> dx(c.text.size(), -1);
        SIZE size{};
        ASSERT_TRUE(GetTextExtentExPointA(t.dc, c.text.data(), int(c.text.size()), c.maxExtent, &fit, dx.data(), &size));
        EXPECT_EQ(fit, c.fit) << c.text << " in " << c.maxExtent;
        EXPECT_EQ(dx, c.dx) << c.text;
        EXPECT_EQ(size.cx, c.dx.back());
        EXPECT_EQ(size.cy, 13);
    }
    SIZE size{};
    EXPECT_TRUE(GetTextExtentExPointA(t.dc, "ab", 2, 7, nullptr, nullptr, &size)) << "fit and widths are optional";
    EXPECT_EQ(size.cx, 14);
}

TEST(Text, BadArgumentsAreRefusedAndLeaveOutputsAlone)
{
    TextDc t(testFont());
    SIZE size{-5, -5};
    int fit = -5;
    struct Case {
        HDC dc;
        const char* text;
        int count;
    };
    const Case cases[] = {{nullptr, "a", 1}, {t.dc, "a", -1}, {t.dc, nullptr, 1}, {HDC(uintptr_t(0x1234)), "a", 1}};
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_FALSE(GetTextExtentPoint32A(c.dc, c.text, c.count, &size));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
        SetLastError(0);
        EXPECT_FALSE(GetTextExtentExPointA(c.dc, c.text, c.count, 10, &fit, nullptr, &size));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
        EXPECT_FALSE(TextOutA(c.dc, 0, 0, c.text, c.count));
        RECT rc{0, 0, 10, 10};
        EXPECT_EQ(DrawTextA(c.dc, c.text, c.count < 0 ? -2 : c.count, &rc, 0), 0);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    }
    EXPECT_EQ(size.cx, -5);
    EXPECT_EQ(fit, -5);
    EXPECT_EQ(t.paintedBox().right, 0) << "nothing drawn";
    EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);

    // A deleted font is refused by SelectObject; the DC keeps what it had.
    HFONT dead = testFont();
    ASSERT_TRUE(DeleteObject(dead));
    EXPECT_EQ(SelectObject(t.dc, dead), nullptr);
    EXPECT_TRUE(GetTextExtentPoint32A(t.dc, "ab", 2, &size));
}

TEST(Text, FontsAreObjectsOfTheTable)
{
    const int before = vntGdiLiveObjectCount();
    LOGFONTA log{};
    log.lfHeight = 16;
    log.lfWeight = FW_BOLD;
    log.lfItalic = 1;
    log.lfQuality = NONANTIALIASED_QUALITY;
    std::string longName(40, 'x');
    std::memcpy(log.lfFaceName, longName.data(), LF_FACESIZE); // no terminator at all
    HFONT font = CreateFontIndirectA(&log);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(vntGdiLiveObjectCount(), before + 1);
    LOGFONTA back{};
    ASSERT_EQ(GetObjectA(font, sizeof back, &back), int(sizeof back));
    EXPECT_EQ(back.lfHeight, 16);
    EXPECT_EQ(back.lfWeight, FW_BOLD);
    EXPECT_EQ(back.lfQuality, NONANTIALIASED_QUALITY);
    EXPECT_EQ(std::string(back.lfFaceName), std::string(31, 'x')) << "cut to 31 bytes";
    EXPECT_EQ(GetObjectType(font), DWORD(OBJ_FONT));

    // A fresh DC has the system font; stock fonts stay through DeleteObject.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ system = GetStockObject(SYSTEM_FONT);
    ASSERT_NE(system, nullptr);
    EXPECT_EQ(SelectObject(dc, font), system);
    EXPECT_EQ(SelectObject(dc, system), font);
    for (int index : {ANSI_FIXED_FONT, ANSI_VAR_FONT, SYSTEM_FONT, SYSTEM_FIXED_FONT, DEFAULT_GUI_FONT}) {
        HGDIOBJ stock = GetStockObject(index);
        ASSERT_NE(stock, nullptr) << index;
        EXPECT_TRUE(DeleteObject(stock));
        EXPECT_EQ(GetObjectType(stock), DWORD(OBJ_FONT)) << index;
    }
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(vntGdiLiveObjectCount(), before);
}

TEST(Text, DrawTextLaysOutLines)
{
    TextDc t(testFont());
    struct Case {
        const char* text;
        int width;
        UINT format;
        int height;
        LONG right;
    };
    const Case cases[] = {
        {"aaa bbb", 30, DT_WORDBREAK, 26, 21},
        {"aaa bbb", 30, 0, 13, 49},
        {"a\r\nb", 30, 0, 26, 7},
        {"a\nb\rc", 30, 0, 39, 7},
        {"a\r\nb", 30, DT_SINGLELINE, 13, 14},
        {"abcdefghij", 30, DT_WORDBREAK, 39, 28},  // broken after the last character that fits
        {"abc", 3, DT_WORDBREAK, 39, 7},           // at least one character per line
        {"aaaa   bbb", 28, DT_WORDBREAK, 26, 28},  // spaces at the break are dropped
        {"a\tb", 100, 0, 13, 14},
        {"a\tb", 100, DT_EXPANDTABS, 13, 63},      // stops every 8 average widths
        {"a&&b&", 100, 0, 13, 21},
        {"a&&b&", 100, DT_NOPREFIX, 13, 35},
        {"&File", 100, 0, 13, 28},
        {"", 100, 0, 0, 0},
        {"a\r\n\r\nb", 100, 0, 39, 7},
    };
    for (const Case& c : cases) {
        RECT rc{5, 3, 5 + c.width, 3};
        EXPECT_EQ(DrawTextA(t.dc, c.text, -1, &rc, c.format | DT_CALCRECT), c.height) << c.text;
        EXPECT_EQ(rc.right, 5 + c.right) << c.text;
        EXPECT_EQ(rc.bottom, 3 + c.height) << c.text;
    }
    EXPECT_EQ(t.paintedBox().right, 0) << "measuring draws nothing";
}

TEST(Text, TextOutPaintsTheBoxOfTheTestFace)
{
    TextDc t(testFont());
    ASSERT_TRUE(TextOutA(t.dc, 0, 0, "A", 1));
    expectBox(t.paintedBox(), {1, 2, 6, 10});
    EXPECT_EQ(t.paintedCount(0x000000), 5 * 8) << "exactly the box, fully covered";

    TextDc bold(testFont(FW_BOLD));
    ASSERT_TRUE(TextOutA(bold.dc, 10, 10, "A ", 2));
    expectBox(bold.paintedBox(), {11, 12, 17, 20});

    TextDc baseline(testFont());
    SetTextAlign(baseline.dc, TA_BASELINE);
    ASSERT_TRUE(TextOutA(baseline.dc, 0, 20, "A", 1));
    expectBox(baseline.paintedBox(), {1, 12, 6, 20});

    TextDc rightBottom(testFont());
    SetTextAlign(rightBottom.dc, TA_RIGHT | TA_BOTTOM);
    ASSERT_TRUE(TextOutA(rightBottom.dc, 21, 13, "AAA", 3));
    expectBox(rightBottom.paintedBox(), {1, 2, 20, 10});

    TextDc centred(testFont());
    SetTextAlign(centred.dc, TA_CENTER);
    ASSERT_TRUE(TextOutA(centred.dc, 20, 0, "AB", 2));
    expectBox(centred.paintedBox(), {14, 2, 26, 10});

    // The mapping moves the reference point; the text keeps its size.
    TextDc mapped(testFont());
    SetMapMode(mapped.dc, MM_ANISOTROPIC);
    SetWindowExtEx(mapped.dc, 1, 1, nullptr);
    SetViewportExtEx(mapped.dc, 2, 2, nullptr);
    ASSERT_TRUE(TextOutA(mapped.dc, 5, 5, "A", 1));
    SetMapMode(mapped.dc, MM_TEXT); // pixels are read back in device units
    expectBox(mapped.paintedBox(), {11, 12, 16, 20});

    TextDc underlined(testFont(FW_NORMAL, true));
    ASSERT_TRUE(TextOutA(underlined.dc, 0, 0, "  ", 2));
    expectBox(underlined.paintedBox(), {0, 11, 14, 12}); // the underline runs across the advance
    TextDc struck(CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, TRUE, 0, 0, 0, 0, 0, "Arial"));
    ASSERT_TRUE(TextOutA(struck.dc, 0, 0, " ", 1));
    expectBox(struck.paintedBox(), {0, 6, 7, 7});
}

TEST(Text, ExtTextOutFillsAndClipsToItsRectangle)
{
    TextDc t(testFont());
    SetBkColor(t.dc, RGB(255, 0, 0));
    RECT rc{4, 5, 20, 9};
    ASSERT_TRUE(ExtTextOutA(t.dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr));
    expectBox(t.paintedBox(), rc);
    EXPECT_EQ(t.paintedCount(RGB(255, 0, 0)), 16 * 4);

    TextDc clipped(testFont());
    RECT cut{0, 0, 10, 6};
    ASSERT_TRUE(ExtTextOutA(clipped.dc, 0, 0, ETO_CLIPPED, &cut, "AA", 2, nullptr));
    expectBox(clipped.paintedBox(), {1, 2, 10, 6});

    // An opaque background mode fills each character's cell; widths per byte move the pen.
    TextDc cells(testFont());
    SetBkMode(cells.dc, OPAQUE);
    SetBkColor(cells.dc, RGB(0, 0, 255));
    const INT dx[] = {10, 1, 2};
    ASSERT_TRUE(ExtTextOutA(cells.dc, 0, 0, 0, nullptr, "a\xC3\xA9", 3, dx));
    expectBox(cells.paintedBox(), {0, 0, 16, 13}); // the last box reaches past its 3-px advance
    EXPECT_EQ(GetPixel(cells.dc, 11, 5), 0x000000u) << "the second character starts at 10";
    EXPECT_EQ(GetPixel(cells.dc, 7, 5), RGB(0, 0, 255));

    // The pen position moves with TA_UPDATECP.
    TextDc current(testFont());
    SetTextAlign(current.dc, TA_UPDATECP);
    MoveToEx(current.dc, 7, 0, nullptr);
    ASSERT_TRUE(TextOutA(current.dc, 50, 50, "A", 1));
    ASSERT_TRUE(TextOutA(current.dc, 50, 50, "A", 1));
    expectBox(current.paintedBox(), {8, 2, 20, 10});
    POINT pos{};
    GetCurrentPositionEx(current.dc, &pos);
    EXPECT_EQ(pos.x, 21);
}

TEST(Text, VerticalTextGoesUpFromTheReferencePoint)
{
    TextDc t(testFont(FW_NORMAL, false, 900));
    ASSERT_TRUE(TextOutA(t.dc, 10, 40, "AB", 2));
    const RECT box = t.paintedBox();
    EXPECT_GE(box.left, 10);
    EXPECT_LE(box.right, 10 + 13);
    EXPECT_GE(box.top, 40 - 14);
    EXPECT_LE(box.bottom, 40);
    // The turned box: rows 2-9 of the cell become columns, columns 1-5 rows above the point.
    expectBox(box, {12, 40 - 13, 20, 40 - 1});
}

TEST(Text, DrawTextDrawsLinesPrefixesAndAlignment)
{
    TextDc wrapped(testFont());
    RECT rc{0, 0, 30, 64};
    EXPECT_EQ(DrawTextA(wrapped.dc, "abcdefghij", -1, &rc, DT_WORDBREAK), 39);
    // Lines of 4, 4 and 2 characters.
    EXPECT_EQ(GetPixel(wrapped.dc, 22, 5), 0x000000u);
    EXPECT_EQ(GetPixel(wrapped.dc, 22, 18), 0x000000u);
    EXPECT_EQ(GetPixel(wrapped.dc, 12, 31), 0x000000u);
    EXPECT_EQ(GetPixel(wrapped.dc, 15, 31), kWhite);

    TextDc prefixed(testFont());
    rc = RECT{0, 0, 64, 64};
    EXPECT_EQ(DrawTextA(prefixed.dc, "&File", -1, &rc, 0), 13);
    for (int x = 0; x < 64; ++x)
        EXPECT_EQ(GetPixel(prefixed.dc, x, 11), x < 7 ? 0u : kWhite) << "only F is underlined, x " << x;

    TextDc centred(testFont());
    rc = RECT{0, 0, 64, 64};
    EXPECT_EQ(DrawTextA(centred.dc, "AB", -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE), 25 + 13);
    // Cells at x 25..39, y 25..38.
    expectBox(centred.paintedBox(), {26, 27, 38, 35});

    TextDc clipped(testFont());
    rc = RECT{0, 0, 10, 5};
    DrawTextA(clipped.dc, "AAAA", -1, &rc, 0);
    expectBox(clipped.paintedBox(), {1, 2, 10, 5});
    TextDc unclipped(testFont());
    DrawTextA(unclipped.dc, "AAAA", -1, &rc, DT_NOCLIP);
    expectBox(unclipped.paintedBox(), {1, 2, 27, 10});
}

} // namespace
