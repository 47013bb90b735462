#include "DrawingBed.h"

#include "guiBase.h"
#include "guiTreeGlyphs.h"

#include "vbEngine.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using gui::test::DrawingBed;
using Points = std::vector<std::pair<int, int>>;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRect = RGB(200, 0, 0);
constexpr COLORREF kMark = RGB(0, 120, 0);
constexpr COLORREF kLight = RGB(0, 0, 230);

class Glyphs : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_use.StartUse(true);
        g_guiClrFrameLight.SetColor(kLight);
    }
    void TearDown() override
    {
        g_guiClrFrameLight.Default();
        m_use.StopUse();
    }

    vbColor rect{kRect};
    vbColor mark{kMark};

private:
    vbUseEngineCenter m_use;
};

// Every pixel outside the box [x0, x1) x [y0, y1) is untouched.
bool cleanOutside(const DrawingBed& bed, int x0, int y0, int x1, int y1)
{
    for (int y = 0; y < bed.height; ++y)
        for (int x = 0; x < bed.width; ++x)
            if ((x < x0 || x >= x1 || y < y0 || y >= y1) && bed.at(x, y) != kWhite)
                return false;
    return true;
}

void expectAll(const DrawingBed& bed, const Points& points, COLORREF color)
{
    for (auto [x, y] : points)
        EXPECT_EQ(bed.at(x, y), color) << x << "," << y;
}

TEST_F(Glyphs, ScrollArrowsPaintTwoChevronsWithoutTheirEndPoints)
{
    struct Case {
        bool up;
        Points painted;
        Points ends;
    };
    const Case cases[] = {
        {true, {{4, 10}, {10, 2}, {4, 14}, {10, 6}}, {{16, 10}, {16, 14}}},
        {false, {{4, 2}, {10, 10}, {4, 6}, {10, 14}}, {{16, 2}, {16, 6}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.up);
        DrawingBed bed(24, 20);
        CDC dc;
        dc.Attach(bed.dc);
        vbDrawScroll(mark, dc, CRect(0, 0, 20, 16), c.up);
        expectAll(bed, c.painted, kMark);
        expectAll(bed, c.ends, kWhite);
        EXPECT_TRUE(cleanOutside(bed, 4, 2, 16, 15));
        dc.Detach();
    }
}

TEST_F(Glyphs, ScrollArrowsNeedRoom)
{
    // Height 8 or less, or narrower than height - 4.
    for (CRect r : {CRect(0, 0, 20, 8), CRect(0, 0, 20, 5), CRect(0, 0, 11, 16)}) {
        SCOPED_TRACE(r.Width() * 100 + r.Height());
        DrawingBed bed(24, 20);
        CDC dc;
        dc.Attach(bed.dc);
        vbDrawScroll(mark, dc, r, true);
        EXPECT_TRUE(cleanOutside(bed, 0, 0, 0, 0));
        dc.Detach();
    }
}

TEST_F(Glyphs, ExpandButtonIsAFilledFramedSquareWithItsSign)
{
    for (bool expanded : {true, false}) {
        SCOPED_TRACE(expanded);
        DrawingBed bed(16, 16);
        CDC dc;
        dc.Attach(bed.dc);
        vbDrawExpandBtn(rect, mark, dc, CRect(0, 0, 11, 11), expanded);
        expectAll(bed, {{0, 0}, {10, 0}, {0, 10}, {10, 10}, {5, 0}, {0, 5}}, kRect);
        expectAll(bed, {{2, 5}, {8, 5}}, kMark);
        expectAll(bed, {{9, 5}, {1, 1}, {3, 3}, {5, 9}}, kLight);
        expectAll(bed, {{5, 2}, {5, 8}}, expanded ? kLight : kMark);
        EXPECT_TRUE(cleanOutside(bed, 0, 0, 11, 11));
        dc.Detach();
    }
}

TEST_F(Glyphs, CheckAndRadioButtonsDrawBoxAndMarkSeparately)
{
    using Draw = void (*)(const vbColor&, const vbColor&, CDC&, const CRect&, bool, bool);
    struct Glyph {
        Draw draw;
        Points mark;     // painted when checked
        Points inside;   // box fill (or untouched without box)
        Points outline;  // rectangle colour with box
        Points outside;  // never painted
    };
    const Glyph glyphs[] = {
        // Mark from (4, 8) through (8, 12) to (12, 4), whose end stays unpainted.
        {vbDrawCheckBtn, {{4, 8}, {8, 12}, {10, 8}}, {{12, 4}, {2, 2}, {13, 13}}, {{0, 0}, {15, 15}, {0, 8}, {8, 15}},
            {}},
        // Dot inscribed in (2, 2, 14, 14); the corners lie outside the circle.
        {vbDrawRadioBtn, {{8, 8}, {5, 8}, {8, 11}}, {{8, 1}, {1, 8}}, {{8, 0}, {0, 8}, {15, 8}, {8, 15}},
            {{0, 0}, {15, 15}, {1, 1}}},
    };
    for (const Glyph& g : glyphs) {
        for (int bits = 0; bits < 4; ++bits) {
            const bool checked = bits & 1, box = bits & 2;
            SCOPED_TRACE(testing::Message() << (g.draw == glyphs[0].draw ? "check" : "radio") << bits);
            DrawingBed bed(20, 20);
            CDC dc;
            dc.Attach(bed.dc);
            g.draw(rect, mark, dc, CRect(0, 0, 16, 16), checked, box);
            const COLORREF inside = box ? kLight : kWhite;
            expectAll(bed, g.mark, checked ? kMark : inside);
            expectAll(bed, g.inside, inside);
            expectAll(bed, g.outline, box ? kRect : kWhite);
            expectAll(bed, g.outside, kWhite);
            EXPECT_TRUE(cleanOutside(bed, 0, 0, 16, 16));
            dc.Detach();
        }
    }
}

} // namespace
