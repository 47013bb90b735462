#include "GdiTestSupport.h"
#include "plat/module.h"
#include "plat/region.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

namespace {

using vnt::test::Canvas;
using vnt::test::rows;

// Selects a pen and brush for one drawing and puts the old ones back.
struct Tools {
    Tools(HDC dc, HPEN pen, HBRUSH brush) : dc(dc), pen(pen), brush(brush)
    {
        oldPen = SelectObject(dc, pen);
        oldBrush = SelectObject(dc, brush);
    }
    ~Tools()
    {
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        DeleteObject(pen);
        DeleteObject(brush);
    }
    HDC dc;
    HPEN pen;
    HBRUSH brush;
    HGDIOBJ oldPen, oldBrush;
};

TEST(GdiPixels, ShapesCoverExactlyTheirPixels)
{
    const int before = vntGdiLiveObjectCount();
    struct Case {
        const char* name;
        void (*draw)(HDC);
        std::string picture;
    } cases[] = {
        {"FillRect excludes right and bottom",
         [](HDC dc) {
             RECT r{1, 1, 4, 3};
             FillRect(dc, &r, HBRUSH(COLOR_WINDOWTEXT + 1));
         },
         rows("......", ".###..", ".###..", "......", "......")},
        {"FrameRect is a ring",
         [](HDC dc) {
             RECT r{0, 0, 5, 4};
             HBRUSH b = CreateSolidBrush(0);
             FrameRect(dc, &r, b);
             DeleteObject(b);
         },
         rows("#####.", "#...#.", "#...#.", "#####.", "......")},
        {"LineTo skips its end",
         [](HDC dc) {
             MoveToEx(dc, 0, 1, nullptr);
             LineTo(dc, 4, 1);
             LineTo(dc, 4, 4);
         },
         rows("......", "#####.", "....#.", "....#.", "......")},
        {"Rectangle with a null pen fills one smaller",
         [](HDC dc) {
             Tools t(dc, CreatePen(PS_NULL, 1, 0), CreateSolidBrush(RGB(0, 0, 255)));
             Rectangle(dc, 0, 0, 4, 3);
         },
         rows("###...", "###...", "......", "......", "......")},
        {"Rectangle outlines inside its box",
         [](HDC dc) {
             Tools t(dc, CreatePen(PS_SOLID, 1, 0), static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
             Rectangle(dc, 1, 0, 5, 4);
         },
         rows(".####.", ".#..#.", ".#..#.", ".####.", "......")},
        {"a width-3 line covers three rows",
         [](HDC dc) {
             Tools t(dc, CreatePen(PS_SOLID, 3, 0), static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
             MoveToEx(dc, 2, 2, nullptr);
             LineTo(dc, 3, 2);
         },
         rows("......", ".###..", ".###..", ".###..", "......")},
        {"a dotted pen leaves gaps",
         [](HDC dc) {
             Tools t(dc, CreatePen(PS_DOT, 1, 0), static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
             SetBkMode(dc, TRANSPARENT);
             MoveToEx(dc, 0, 0, nullptr);
             LineTo(dc, 6, 0);
         },
         rows("###...", "......", "......", "......", "......")},
    };
    for (const Case& c : cases) {
        Canvas canvas(6, 5);
        c.draw(canvas.dc);
        EXPECT_EQ(canvas.picture(), c.picture) << c.name;
    }
    EXPECT_EQ(vntGdiLiveObjectCount(), before);
}

TEST(GdiPixels, DashedPensPaintTheirGapsOnlyWhenOpaque)
{
    Canvas canvas(6, 1);
    HPEN dot = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    HGDIOBJ old = SelectObject(canvas.dc, dot);
    SetBkColor(canvas.dc, RGB(255, 0, 0));
    MoveToEx(canvas.dc, 0, 0, nullptr);
    LineTo(canvas.dc, 6, 0);
    EXPECT_EQ(canvas.at(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(canvas.at(4, 0), RGB(255, 0, 0)) << "a gap in the background colour";
    SelectObject(canvas.dc, old);
    DeleteObject(dot);
}

TEST(GdiPixels, FillRectPaintsTheBrushColourAndX0)
{
    Canvas canvas(12, 12);
    RECT r{0, 0, 10, 10};
    HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
    EXPECT_EQ(FillRect(canvas.dc, &r, brush), 1);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(canvas.at(i, i), i < 10 ? RGB(10, 20, 30) : canvas.background) << i;
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(canvas.bitmap, int(sizeof bm), &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(SetPixel(canvas.dc, 11, 11, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(canvas.dc, 12, 0), CLR_INVALID);
    EXPECT_EQ(InvertRect(canvas.dc, &r), TRUE);
    EXPECT_EQ(canvas.at(0, 0), RGB(245, 235, 225));
    EXPECT_EQ(FillRect(canvas.dc, &r, nullptr), 0);
    DeleteObject(brush);
}

TEST(GdiClip, ExcludedAndRestoredClipsAndMappedFills)
{
    const int before = vntGdiLiveObjectCount();
    {
        Canvas canvas(6, 6);
        HDC dc = canvas.dc;
        const int level = SaveDC(dc);
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
        HGDIOBJ oldPen = SelectObject(dc, pen);
        SetTextColor(dc, RGB(1, 1, 1));
        EXPECT_EQ(ExcludeClipRect(dc, 2, 2, 4, 4), COMPLEXREGION);
        RECT all{0, 0, 6, 6};
        FillRect(dc, &all, HBRUSH(COLOR_WINDOWTEXT + 1));
        EXPECT_EQ(canvas.picture(), rows("######", "######", "##..##", "##..##", "######", "######"));
        RECT box{};
        EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
        RECT inside{2, 2, 4, 4};
        EXPECT_FALSE(RectVisible(dc, &inside));

        EXPECT_TRUE(RestoreDC(dc, level));
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), oldPen);
        EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
        EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
        EXPECT_TRUE(RectVisible(dc, &inside));
        EXPECT_FALSE(RestoreDC(dc, -1)) << "nothing saved any more";
        EXPECT_TRUE(DeleteObject(pen));
    }
    {
        Canvas canvas(12, 12);
        SetMapMode(canvas.dc, MM_ANISOTROPIC);
        SetWindowExtEx(canvas.dc, 1, 1, nullptr);
        SetViewportExtEx(canvas.dc, 2, 2, nullptr);
        RECT r{0, 0, 5, 5};
        FillRect(canvas.dc, &r, HBRUSH(COLOR_WINDOWTEXT + 1));
        EXPECT_EQ(canvas.at(9, 9), RGB(0, 0, 0));
        EXPECT_EQ(canvas.at(10, 10), canvas.background);
        POINT p{3, 4};
        LPtoDP(canvas.dc, &p, 1);
        EXPECT_EQ(p.x, 6);
        EXPECT_EQ(p.y, 8);
        p = POINT{5, 5};
        DPtoLP(canvas.dc, &p, 1);
        EXPECT_EQ(p.x, 3) << "rounded";
    }
    EXPECT_EQ(vntGdiLiveObjectCount(), before);
}

TEST(GdiClip, RectangleOrEllipseClip)
{
    // A pill: the rectangle up to the ellipse's middle, OR the ellipse; outside it stays blank.
    Canvas canvas(24, 10);
    HRGN pill = CreateRectRgn(1, 0, 12, 10);
    HRGN end = CreateEllipticRgn(4, -1, 22, 11);
    ASSERT_EQ(CombineRgn(pill, pill, end, RGN_OR), COMPLEXREGION);
    SelectClipRgn(canvas.dc, pill);
    RECT all{0, 0, 24, 10};
    FillRect(canvas.dc, &all, HBRUSH(COLOR_WINDOWTEXT + 1));
    EXPECT_EQ(canvas.at(0, 5), canvas.background);
    EXPECT_EQ(canvas.at(1, 0), RGB(0, 0, 0));
    EXPECT_EQ(canvas.at(21, 5), RGB(0, 0, 0));
    EXPECT_EQ(canvas.at(21, 0), canvas.background) << "the round end";
    EXPECT_EQ(canvas.at(22, 5), canvas.background);
    DeleteObject(pill);
    DeleteObject(end);
}

} // namespace

namespace {

using vnt::test::Canvas;
using vnt::test::rows;

TEST(GdiPixels, EllipseStarAndArcs)
{
    {
        Canvas canvas(9, 7);
        SelectObject(canvas.dc, GetStockObject(BLACK_BRUSH));
        Ellipse(canvas.dc, 0, 0, 9, 7);
        const std::string picture = canvas.picture();
        EXPECT_EQ(picture, rows("..#####..", ".#######.", "#########", "#########", "#########", ".#######.",
                                "..#####.."));
    }
    {
        // A five-pointed star drawn in one stroke: its centre crosses two edges and stays empty.
        Canvas canvas(21, 21);
        SelectObject(canvas.dc, GetStockObject(NULL_PEN));
        SelectObject(canvas.dc, GetStockObject(BLACK_BRUSH));
        const POINT star[] = {{10, 0}, {16, 20}, {0, 7}, {20, 7}, {4, 20}};
        Polygon(canvas.dc, star, 5);
        EXPECT_EQ(canvas.at(10, 11), canvas.background) << canvas.picture();
        EXPECT_EQ(canvas.at(10, 3), RGB(0, 0, 0));
        EXPECT_EQ(canvas.at(3, 8), RGB(0, 0, 0));
        SetPolyFillMode(canvas.dc, WINDING);
        Polygon(canvas.dc, star, 5);
        EXPECT_EQ(canvas.at(10, 11), RGB(0, 0, 0)) << "winding fills the centre";
    }
    {
        // The upper half of the circle, counter-clockwise from the right to the left.
        Canvas canvas(11, 11);
        Arc(canvas.dc, 0, 0, 11, 11, 10, 5, 0, 5);
        EXPECT_EQ(canvas.at(5, 0), RGB(0, 0, 0));
        EXPECT_EQ(canvas.at(10, 5), RGB(0, 0, 0));
        EXPECT_EQ(canvas.at(5, 10), canvas.background);
        EXPECT_EQ(canvas.at(5, 5), canvas.background);
    }
    {
        Canvas canvas(10, 8);
        SelectObject(canvas.dc, GetStockObject(BLACK_BRUSH));
        RoundRect(canvas.dc, 0, 0, 10, 8, 4, 4);
        EXPECT_EQ(canvas.at(0, 0), canvas.background);
        EXPECT_EQ(canvas.at(0, 4), RGB(0, 0, 0));
        EXPECT_EQ(canvas.at(5, 0), RGB(0, 0, 0));
        EXPECT_EQ(canvas.at(9, 7), canvas.background);
    }
}

TEST(GdiPixels, GradientsRunFromTheUpperLeftVertex)
{
    Canvas canvas(256, 4);
    TRIVERTEX v[2] = {{0, 0, 0, 0, 0, 0}, {256, 2, 0xFF00, 0xFF00, 0xFF00, 0}};
    GRADIENT_RECT mesh{0, 1};
    ASSERT_TRUE(GradientFill(canvas.dc, v, 2, &mesh, 1, GRADIENT_FILL_RECT_H));
    EXPECT_EQ(canvas.at(0, 0), 0u);
    EXPECT_GE(canvas.at(255, 1), 0xFEFEFEu);
    for (int x = 1; x < 256; ++x)
        ASSERT_GE(canvas.at(x, 0) & 0xFF, canvas.at(x - 1, 0) & 0xFF) << x;
    EXPECT_EQ(canvas.at(0, 2), canvas.background) << "bottom excluded";

    // The vertical mesh that names vertex 1 upper-left: its colour lies on row 0.
    TRIVERTEX w[2] = {{0, 0, 0xFF00, 0, 0, 0}, {4, 4, 0, 0, 0xFF00, 0}};
    GRADIENT_RECT down{1, 0};
    ASSERT_TRUE(GradientFill(canvas.dc, w, 2, &down, 1, GRADIENT_FILL_RECT_V));
    EXPECT_EQ(canvas.at(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(canvas.at(0, 3), RGB(191, 0, 63));

    GRADIENT_RECT bad{0, 2};
    EXPECT_FALSE(GradientFill(canvas.dc, w, 2, &bad, 1, GRADIENT_FILL_RECT_H)) << "vertex out of range";
    EXPECT_FALSE(GradientFill(canvas.dc, w, 2, &down, 1, GRADIENT_FILL_TRIANGLE));
}

TEST(GdiPixels, TheGradientModuleForwardsToTheDrawingCode)
{
    HMODULE module = LoadLibraryA("msimg32.dll");
    ASSERT_NE(module, nullptr);
    using Fill = BOOL (*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);
    auto fill = reinterpret_cast<Fill>(GetProcAddress(module, "GradientFill"));
    ASSERT_NE(fill, nullptr);
    Canvas canvas(4, 1);
    TRIVERTEX v[2] = {{0, 0, 0, 0xFF00, 0, 0}, {4, 1, 0, 0xFF00, 0, 0}};
    GRADIENT_RECT mesh{0, 1};
    EXPECT_TRUE(fill(canvas.dc, v, 2, &mesh, 1, GRADIENT_FILL_RECT_H));
    EXPECT_EQ(canvas.at(3, 0), RGB(0, 255, 0));
    FreeLibrary(module);
}

} // namespace
