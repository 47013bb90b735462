#include "../src/gdi/Region.h"
#include "plat/gdi.h"
#include "plat/region.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using plat::gdi::Region;

// Checks every point of a field against the operands, so a wrong band merge or a lost
// rectangle shows as the first point that disagrees.
void expectPointwise(const Region& result, const Region& a, const Region& b, const std::function<bool(bool, bool)>& op)
{
    for (int y = -2; y < 34; ++y)
        for (int x = -2; x < 34; ++x)
            ASSERT_EQ(result.contains(x, y), op(a.contains(x, y), b.contains(x, y))) << x << "," << y;
}

TEST(Region, CombinationsHoldPointByPointAndStayCanonical)
{
    const Region ring = Region(RECT{2, 2, 20, 20}).subtracted(Region(RECT{6, 6, 14, 14}));
    const Region shapes[] = {Region(RECT{10, 0, 30, 12}), Region::ellipse(RECT{0, 4, 25, 30}),
                             Region::roundRect(RECT{5, 5, 31, 21}, 8, 6), Region()};
    for (const Region& other : shapes) {
        expectPointwise(ring.united(other), ring, other, [](bool a, bool b) { return a || b; });
        expectPointwise(ring.intersected(other), ring, other, [](bool a, bool b) { return a && b; });
        expectPointwise(ring.subtracted(other), ring, other, [](bool a, bool b) { return a && !b; });
        expectPointwise(ring.xored(other), ring, other, [](bool a, bool b) { return a != b; });
    }
    // Two halves make one rectangle again, whichever way they were cut.
    const Region whole(RECT{0, 0, 10, 10});
    EXPECT_EQ(Region(RECT{0, 0, 10, 5}).united(Region(RECT{0, 5, 10, 10})), whole);
    EXPECT_EQ(Region(RECT{0, 0, 4, 10}).united(Region(RECT{4, 0, 10, 10})), whole);
    EXPECT_EQ(whole.complexity(), SIMPLEREGION);
    EXPECT_EQ(ring.complexity(), COMPLEXREGION);
    EXPECT_EQ(whole.subtracted(whole).complexity(), NULLREGION);
    EXPECT_TRUE(Region(RECT{5, 5, 5, 9}).isEmpty()) << "no width";
}

TEST(Region, EllipseIsSymmetricInItsBox)
{
    for (RECT box : {RECT{0, 0, 10, 6}, RECT{3, 1, 16, 12}, RECT{0, 0, 1, 1}}) {
        const Region e = Region::ellipse(box);
        const RECT b = e.bounds();
        EXPECT_EQ(b.left, box.left);
        EXPECT_EQ(b.right, box.right);
        EXPECT_EQ(b.top, box.top);
        EXPECT_EQ(b.bottom, box.bottom);
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x) {
                const int mx = box.left + box.right - 1 - x, my = box.top + box.bottom - 1 - y;
                ASSERT_EQ(e.contains(x, y), e.contains(mx, y)) << x << "," << y;
                ASSERT_EQ(e.contains(x, y), e.contains(x, my)) << x << "," << y;
            }
    }
    EXPECT_FALSE(Region::ellipse(RECT{0, 0, 10, 10}).contains(0, 0)) << "corners stay out";
}

TEST(Region, HandlesCombineOffsetAndAnswerTheirType)
{
    HRGN a = CreateRectRgn(0, 0, 10, 10);
    HRGN b = CreateEllipticRgn(5, 5, 15, 15);
    HRGN dst = CreateRectRgn(0, 0, 0, 0);
    struct Case {
        int mode;
        POINT in, out;
        int type;
    } cases[] = {
        {RGN_AND, {9, 9}, {1, 1}, COMPLEXREGION},  {RGN_OR, {12, 12}, {14, 0}, COMPLEXREGION},
        {RGN_XOR, {1, 1}, {9, 9}, COMPLEXREGION},  {RGN_DIFF, {1, 1}, {9, 9}, COMPLEXREGION},
        {RGN_COPY, {0, 0}, {10, 10}, SIMPLEREGION},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CombineRgn(dst, a, b, c.mode), c.type) << c.mode;
        EXPECT_TRUE(PtInRegion(dst, c.in.x, c.in.y)) << c.mode;
        EXPECT_FALSE(PtInRegion(dst, c.out.x, c.out.y)) << c.mode;
    }
    EXPECT_EQ(OffsetRgn(dst, 3, -2), SIMPLEREGION);
    RECT box{};
    EXPECT_EQ(GetRgnBox(dst, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 3);
    EXPECT_EQ(box.top, -2);
    EXPECT_EQ(box.right, 13);
    EXPECT_EQ(box.bottom, 8);
    EXPECT_EQ(CombineRgn(dst, a, b, 0), ERROR);
    EXPECT_EQ(CombineRgn(dst, a, reinterpret_cast<HRGN>(GetStockObject(WHITE_PEN)), RGN_OR), ERROR) << "not a region";
    for (HRGN r : {a, b, dst})
        EXPECT_TRUE(DeleteObject(r));
    EXPECT_EQ(CombineRgn(dst, a, b, RGN_OR), ERROR) << "deleted";
    EXPECT_FALSE(PtInRegion(a, 1, 1));
}

} // namespace
