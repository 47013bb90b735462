// Text with the installed fonts (DejaVu through fontconfig): the test face is off in here.

#include "TextDc.h"

#include "plat/headless.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <thread>

namespace {

using vnt::test::kWhite;
using vnt::test::TextDc;

class RealFonts : public ::testing::Test {
protected:
    void SetUp() override { plat::headless::useFixedTestFont(false); }
    void TearDown() override { plat::headless::useFixedTestFont(true); }
};

HFONT font(int height, const char* face, int weight = FW_NORMAL, DWORD quality = 0)
{
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, quality, 0, face);
}

SIZE extent(HDC dc, const char* text)
{
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPoint32A(dc, text, int(std::strlen(text)), &size));
    return size;
}

TEXTMETRICA metrics(HDC dc)
{
    TEXTMETRICA tm{};
    EXPECT_TRUE(GetTextMetricsA(dc, &tm));
    return tm;
}

TEST_F(RealFonts, AbsurdHeightsAreBounded)
{
    for (int height : {INT_MAX, INT_MIN}) {
        TextDc huge(font(height, "helvetica"));
        const TEXTMETRICA tm = metrics(huge.dc);
        EXPECT_GT(tm.tmHeight, 1000) << height;
        EXPECT_LE(tm.tmHeight, 4096) << height;
    }
}

TEST_F(RealFonts, MeasureStablyAndBoldIsWider)
{
    TextDc regular(font(-12, "helvetica"));
    const SIZE mp = extent(regular.dc, "Mp");
    EXPECT_GT(mp.cx, 10);
    EXPECT_LT(mp.cx, 30);
    EXPECT_GT(mp.cy, 12);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(extent(regular.dc, "Mp").cx, mp.cx);
        EXPECT_EQ(extent(regular.dc, "Mp").cy, mp.cy);
    }
    TextDc again(font(-12, "helvetica"));
    EXPECT_EQ(extent(again.dc, "Mp").cx, mp.cx) << "a second font of the same request";

    TextDc bold(font(-12, "helvetica", FW_BOLD));
    EXPECT_GE(extent(bold.dc, "Mp").cx, mp.cx);
    EXPECT_EQ(metrics(bold.dc).tmWeight, FW_BOLD);

    char face[64] = {};
    EXPECT_GT(GetTextFaceA(regular.dc, sizeof face, face), 1);
    EXPECT_STRNE(face, "");
}

TEST_F(RealFonts, HeightIsTheCellOrTheEm)
{
    TextDc cell(font(16, "DejaVu Sans"));
    EXPECT_EQ(metrics(cell.dc).tmHeight, 16);
    TEXTMETRICA tm = metrics(cell.dc);
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, 16);

    TextDc em(font(-16, "DejaVu Sans"));
    tm = metrics(em.dc);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 16);
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_GT(tm.tmAveCharWidth, 0);
    EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);

    TextDc standard(font(0, ""));
    tm = metrics(standard.dc);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 12);
}

TEST_F(RealFonts, AnUnknownFaceStillDrawsAndMonochromeHasTwoColours)
{
    TextDc unknown(font(-20, "No Such Face Anywhere"));
    ASSERT_TRUE(TextOutA(unknown.dc, 2, 2, "Wg", 2));
    EXPECT_GT(unknown.paintedBox().right, 0);

    // A character no installed face has draws the face's missing-glyph box.
    TextDc missing(font(-20, "DejaVu Sans"));
    const char privateUse[] = "\xEE\x80\x80";
    EXPECT_GT(extent(missing.dc, privateUse).cx, 0);
    ASSERT_TRUE(TextOutA(missing.dc, 2, 2, privateUse, 3));
    EXPECT_GT(missing.paintedBox().right, 0);

    TextDc grey(font(-20, "DejaVu Sans"));
    TextOutA(grey.dc, 2, 2, "Wg", 2);
    TextDc mono(font(-20, "DejaVu Sans", FW_NORMAL, NONANTIALIASED_QUALITY));
    TextOutA(mono.dc, 2, 2, "Wg", 2);
    const auto greyPixels = grey.pixels(), monoPixels = mono.pixels();
    EXPECT_GT(std::set<COLORREF>(greyPixels.begin(), greyPixels.end()).size(), 2u) << "anti-aliased edges";
    EXPECT_EQ(std::set<COLORREF>(monoPixels.begin(), monoPixels.end()), (std::set<COLORREF>{0x000000, kWhite}));
}

TEST_F(RealFonts, ThreadsDrawTheSamePixelsAsOneAlone)
{
    const char* text = "Quartz \xC3\xA9glise";
    auto draw = [&] {
        TextDc t(font(-11, "DejaVu Sans", FW_BOLD));
        TextOutA(t.dc, 0, 10, text, int(std::strlen(text)));
        return t.pixels();
    };
    const auto alone = draw();
    std::vector<std::vector<COLORREF>> results(4);
    std::vector<std::thread> threads;
    for (auto& result : results)
        threads.emplace_back([&result, &draw] {
            for (int i = 0; i < 5; ++i)
                result = draw();
        });
    for (auto& thread : threads)
        thread.join();
    for (const auto& result : results)
        EXPECT_EQ(result, alone);
}

} // namespace
