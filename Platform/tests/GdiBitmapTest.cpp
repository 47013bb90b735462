#include "GdiTestSupport.h"
#include "plat/errors.h"
#include "plat/sysmetrics.h"
#include "plat/testhooks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using vnt::test::Canvas;

BITMAPINFO header(int width, int height, int bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = WORD(bits);
    return info;
}

// A DIB section selected into its own memory DC.
struct Section {
    Section(const BITMAPINFO& info)
    {
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        previous = SelectObject(dc, bitmap);
    }
    ~Section()
    {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    uint8_t* bytes() const { return static_cast<uint8_t*>(bits); }
    HBITMAP bitmap;
    void* bits = nullptr;
    HDC dc;
    HGDIOBJ previous;
};

TEST(GdiDib, SectionsHaveTheRowLengthsAndRowOrderOfTheirHeader)
{
    const int before = vntGdiLiveObjectCount();
    struct Case {
        int width, bits, rowBytes;
    } cases[] = {{3, 24, 12}, {33, 1, 8}, {5, 8, 8}, {7, 32, 28}};
    for (const Case& c : cases) {
        BITMAPINFO info = header(c.width, -2, c.bits);
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(bitmap, nullptr) << c.width;
        DIBSECTION ds{};
        ASSERT_EQ(GetObjectA(bitmap, int(sizeof ds), &ds), int(sizeof ds));
        EXPECT_EQ(ds.dsBm.bmWidthBytes, c.rowBytes) << c.width << " x " << c.bits;
        EXPECT_EQ(ds.dsBm.bmBits, bits);
        EXPECT_EQ(ds.dsBmih.biHeight, -2);
        EXPECT_EQ(static_cast<uint8_t*>(bits)[0], 0) << "zeroed";
        BITMAP bm{};
        EXPECT_EQ(GetObjectA(bitmap, int(sizeof bm), &bm), int(sizeof bm)) << "a BITMAP is enough";
        DeleteObject(bitmap);
    }

    // bits is the top row of a top-down section and the bottom row of a bottom-up one.
    for (int height : {-2, 2}) {
        Section s(header(2, height, 32));
        const uint32_t red = 0x00FF0000;
        std::memcpy(s.bytes(), &red, 4);
        EXPECT_EQ(GetPixel(s.dc, 0, height < 0 ? 0 : 1), RGB(255, 0, 0)) << height;
    }
    EXPECT_EQ(vntGdiLiveObjectCount(), before);
}

TEST(GdiDib, BadHeadersAreRefused)
{
    struct Case {
        const char* name;
        void (*spoil)(BITMAPINFOHEADER&);
        DWORD error;
    } cases[] = {
        {"width 0", [](BITMAPINFOHEADER& h) { h.biWidth = 0; }, ERROR_INVALID_PARAMETER},
        {"negative width", [](BITMAPINFOHEADER& h) { h.biWidth = -4; }, ERROR_INVALID_PARAMETER},
        {"height 0", [](BITMAPINFOHEADER& h) { h.biHeight = 0; }, ERROR_INVALID_PARAMETER},
        {"two planes", [](BITMAPINFOHEADER& h) { h.biPlanes = 2; }, ERROR_INVALID_PARAMETER},
        {"run-length", [](BITMAPINFOHEADER& h) { h.biCompression = BI_RLE8; }, ERROR_INVALID_PARAMETER},
        {"16 bits", [](BITMAPINFOHEADER& h) { h.biBitCount = 16; }, ERROR_INVALID_PARAMETER},
        {"short header", [](BITMAPINFOHEADER& h) { h.biSize = 12; }, ERROR_INVALID_PARAMETER},
        {"0x7FFFFFFF squared",
         [](BITMAPINFOHEADER& h) {
             h.biWidth = 0x7FFFFFFF;
             h.biHeight = -0x7FFFFFFF;
         },
         ERROR_NOT_ENOUGH_MEMORY},
        {"above 1 GiB",
         [](BITMAPINFOHEADER& h) {
             h.biWidth = 16385;
             h.biHeight = 16384;
         },
         ERROR_NOT_ENOUGH_MEMORY},
    };
    const int before = vntGdiLiveObjectCount();
    for (const Case& c : cases) {
        BITMAPINFO info = header(4, 4, 32);
        c.spoil(info.bmiHeader);
        void* bits = &info;
        SetLastError(0);
        EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr) << c.name;
        EXPECT_EQ(GetLastError(), c.error) << c.name;
        EXPECT_EQ(bits, nullptr) << c.name;
    }
    EXPECT_EQ(vntGdiLiveObjectCount(), before);
}

TEST(GdiDib, AnEightBitSectionFromABareHeaderReadsBackAsGrey)
{
    // Exactly the 40 bytes of the header on the heap: reading a table after it would be caught.
    auto bare = std::make_unique<BITMAPINFOHEADER>(header(3, -1, 8).bmiHeader);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(bare.get()), DIB_RGB_COLORS, &bits,
                                      nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    const uint8_t indices[3] = {0, 128, 255};
    std::memcpy(bits, indices, 3);
    BITMAPINFO out = header(3, -1, 32);
    uint32_t px[3] = {};
    ASSERT_EQ(GetDIBits(nullptr, bitmap, 0, 1, px, &out, DIB_RGB_COLORS), 1);
    EXPECT_EQ(px[0], 0x000000u);
    EXPECT_EQ(px[1], 0x808080u);
    EXPECT_EQ(px[2], 0xFFFFFFu);
    DeleteObject(bitmap);

    // With biClrUsed the caller's entries come first, at most 256 of them.
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[2];
    } withTable{header(1, 1, 8).bmiHeader, {{1, 2, 3, 0}, {4, 5, 6, 0}}};
    withTable.h.biClrUsed = 2;
    bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&withTable), DIB_RGB_COLORS, &bits, nullptr, 0);
    static_cast<uint8_t*>(bits)[0] = 1;
    out = header(1, 1, 32);
    ASSERT_EQ(GetDIBits(nullptr, bitmap, 0, 1, px, &out, DIB_RGB_COLORS), 1);
    EXPECT_EQ(px[0], 0x060504u);
    DeleteObject(bitmap);
}

TEST(GdiDib, RowsGoInAndOutInEitherOrderWithinBothSidesCounts)
{
    Section s(header(2, 3, 24)); // bottom-up
    BITMAPINFO query{};
    query.bmiHeader.biSize = sizeof query.bmiHeader;
    EXPECT_EQ(GetDIBits(s.dc, s.bitmap, 0, 0, nullptr, &query, DIB_RGB_COLORS), 3);
    EXPECT_EQ(query.bmiHeader.biWidth, 2);
    EXPECT_EQ(query.bmiHeader.biHeight, 3);
    EXPECT_EQ(query.bmiHeader.biBitCount, 24);
    EXPECT_EQ(query.bmiHeader.biSizeImage, 24u);

    // Three top-down 32-bit rows in, one colour per row.
    const uint32_t rows[3][2] = {{0x110000, 0x110000}, {0x002200, 0x002200}, {0x000033, 0x000033}};
    BITMAPINFO topDown = header(2, -3, 32);
    EXPECT_EQ(SetDIBits(s.dc, s.bitmap, 0, 3, rows, &topDown, DIB_RGB_COLORS), 3);
    EXPECT_EQ(GetPixel(s.dc, 0, 0), RGB(0x11, 0, 0));
    EXPECT_EQ(GetPixel(s.dc, 1, 2), RGB(0, 0, 0x33));

    // Out bottom-up, 24 bits, from scan line 1: the middle row, then the top one.
    uint8_t out[2][8] = {};
    BITMAPINFO bottomUp = header(2, 3, 24);
    EXPECT_EQ(GetDIBits(s.dc, s.bitmap, 1, 5, out, &bottomUp, DIB_RGB_COLORS), 2);
    EXPECT_EQ(out[0][1], 0x22);
    EXPECT_EQ(out[1][2], 0x11);

    struct Bad {
        const char* name;
        UINT start;
        BITMAPINFO info;
    } bad[] = {{"start past the rows", 3, header(2, 3, 24)},
               {"another width", 0, header(3, 3, 24)},
               {"8-bit rows out", 0, header(2, 3, 8)}};
    for (Bad& b : bad)
        EXPECT_EQ(GetDIBits(s.dc, s.bitmap, b.start, 1, out, &b.info, DIB_RGB_COLORS), 0) << b.name;
    EXPECT_EQ(SetDIBits(s.dc, s.bitmap, 0, 1, nullptr, &topDown, DIB_RGB_COLORS), 0);
    EXPECT_EQ(GetDIBits(s.dc, nullptr, 0, 1, out, &bottomUp, DIB_RGB_COLORS), 0);
}

TEST(GdiBlit, CopiesConvertDepthsAndApplyTheirOperation)
{
    Section source(header(2, -1, 24));
    const uint8_t bgr[6] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
    std::memcpy(source.bits, bgr, 6);
    Section target(header(2, -1, 32));
    std::memset(target.bits, 0xFF, 8);
    ASSERT_TRUE(BitBlt(target.dc, 0, 0, 2, 1, source.dc, 0, 0, SRCCOPY));
    uint32_t px[2];
    std::memcpy(px, target.bits, 8);
    EXPECT_EQ(px[0], 0x00302010u) << "B, G, R kept, X = 0";
    EXPECT_EQ(px[1], 0x00605040u);

    struct Case {
        DWORD rop;
        uint32_t expected;
    } cases[] = {{SRCAND, 0x00302010u & 0x000F0F0Fu},
                 {SRCPAINT, 0x00302010u | 0x000F0F0Fu},
                 {SRCINVERT, 0x00302010u ^ 0x000F0F0Fu},
                 {DSTINVERT, 0x00F0F0F0u},
                 {BLACKNESS, 0}};
    for (const Case& c : cases) {
        const uint32_t start[2] = {0x000F0F0F, 0x000F0F0F};
        std::memcpy(target.bits, start, 8);
        ASSERT_TRUE(BitBlt(target.dc, 0, 0, 1, 1, source.dc, 0, 0, c.rop));
        std::memcpy(px, target.bits, 8);
        EXPECT_EQ(px[0], c.expected) << std::hex << c.rop;
    }

    // A monochrome source paints 0 in the text colour and 1 in the background colour.
    HBITMAP mono = CreateBitmap(2, 1, 1, 1, "\x40\x00");
    HDC monoDc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(monoDc, mono);
    SetTextColor(target.dc, RGB(255, 0, 0));
    SetBkColor(target.dc, RGB(0, 0, 255));
    ASSERT_TRUE(BitBlt(target.dc, 0, 0, 2, 1, monoDc, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(target.dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(target.dc, 1, 0), RGB(0, 0, 255));
    SelectObject(monoDc, old);
    DeleteDC(monoDc);
    DeleteObject(mono);

    // The bits count, not the colours of a monochrome section's table.
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD colors[2];
    } inverted{header(2, 1, 1).bmiHeader, {{255, 255, 255, 0}, {0, 0, 0, 0}}};
    inverted.h.biClrUsed = 2;
    Section monoSection(*reinterpret_cast<BITMAPINFO*>(&inverted));
    monoSection.bytes()[0] = 0x40;
    ASSERT_TRUE(BitBlt(target.dc, 0, 0, 2, 1, monoSection.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(target.dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(target.dc, 1, 0), RGB(0, 0, 255));
}

TEST(GdiBlit, StretchesSampleMirrorAndAverage)
{
    // A 4 x 2 source: columns 0 and 2 dark, 1 and 3 light, rows alike.
    Canvas source(4, 2);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            SetPixel(source.dc, x, y, x % 2 ? RGB(200, 100, 50) : RGB(0, 0, 0));

    Canvas target(8, 4);
    ASSERT_TRUE(StretchBlt(target.dc, 0, 0, 8, 4, source.dc, 0, 0, 4, 2, SRCCOPY)) << "COLORONCOLOR by default";
    EXPECT_EQ(target.at(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(target.at(1, 3), RGB(0, 0, 0));
    EXPECT_EQ(target.at(2, 0), RGB(200, 100, 50));
    ASSERT_TRUE(StretchBlt(target.dc, 3, 0, -4, 2, source.dc, 0, 0, 4, 2, SRCCOPY)) << "mirrored";
    EXPECT_EQ(target.at(3, 0), RGB(0, 0, 0)) << "source column 0 at the right";
    EXPECT_EQ(target.at(0, 0), RGB(200, 100, 50));

    // HALFTONE 2:1: each target pixel the mean of a 2 x 2 block.
    Canvas half(2, 1);
    SetStretchBltMode(half.dc, HALFTONE);
    ASSERT_TRUE(StretchBlt(half.dc, 0, 0, 2, 1, source.dc, 0, 0, 4, 2, SRCCOPY));
    EXPECT_EQ(half.at(0, 0), RGB(100, 50, 25));
    EXPECT_EQ(half.at(1, 0), RGB(100, 50, 25));

    // HALFTONE enlarging interpolates between neighbours, the edges held.
    Canvas wide(4, 1);
    SetStretchBltMode(wide.dc, HALFTONE);
    ASSERT_TRUE(StretchBlt(wide.dc, 0, 0, 4, 1, source.dc, 0, 0, 2, 1, SRCCOPY));
    const BYTE reds[4] = {0, 50, 150, 200};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(GetRValue(wide.at(x, 0)), reds[x]) << x;
}

TEST(GdiBlit, HalftoneShrinksUpsideDown)
{
    // Eight source rows of their own grey, drawn into four target rows turned over: each target
    // row the mean of two source rows, the last two at the top.
    Canvas source(4, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 4; ++x)
            SetPixel(source.dc, x, y, RGB(y * 30, y * 30, y * 30));
    Canvas target(2, 4);
    SetStretchBltMode(target.dc, HALFTONE);
    ASSERT_TRUE(StretchBlt(target.dc, 0, 3, 2, -4, source.dc, 0, 0, 4, 8, SRCCOPY));
    const BYTE greys[4] = {195, 135, 75, 15};
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(target.at(1, y), RGB(greys[y], greys[y], greys[y])) << y;
}

TEST(GdiBlit, ThreadedHalftoneMatchesOneThread)
{
    Section source(header(1200, -900, 24));
    for (int i = 0; i < 1200 * 900 * 3; ++i)
        source.bytes()[i] = uint8_t(i * 7 / 3);
    Section one(header(301, -203, 32)), many(header(301, -203, 32));
    for (Section* s : {&one, &many})
        SetStretchBltMode(s->dc, HALFTONE);
    vntTestSetBlitThreads(1);
    ASSERT_TRUE(StretchBlt(one.dc, 0, 0, 301, 203, source.dc, 0, 0, 1200, 900, SRCCOPY));
    vntTestSetBlitThreads(4);
    ASSERT_TRUE(StretchBlt(many.dc, 0, 0, 301, 203, source.dc, 0, 0, 1200, 900, SRCCOPY));
    vntTestSetBlitThreads(0);
    EXPECT_EQ(std::memcmp(one.bits, many.bits, 301 * 203 * 4), 0);
}

} // namespace

namespace {

TEST(GdiDib, HugeShapesOnSmallSectionsCostOnlyWhatShows)
{
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 4, -4, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, section);
    const int far = 1 << 29;
    RECT huge{-far, -far, far, far};
    FillRect(dc, &huge, HBRUSH(COLOR_WINDOWTEXT + 1));
    EXPECT_EQ(GetPixel(dc, 3, 3), RGB(0, 0, 0));
    TRIVERTEX v[2] = {{-far, -far, 0xFF00, 0xFF00, 0xFF00, 0}, {far, far, 0xFF00, 0xFF00, 0xFF00, 0}};
    GRADIENT_RECT mesh{0, 1};
    EXPECT_TRUE(GradientFill(dc, v, 2, &mesh, 1, GRADIENT_FILL_RECT_V));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    const POINT triangle[3] = {{-far, -far}, {far, 0}, {-far, far}};
    EXPECT_TRUE(Polygon(dc, triangle, 3));
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 0, 0));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    EXPECT_TRUE(Ellipse(dc, -far, -far, far, far));
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(255, 255, 255));
    EXPECT_TRUE(Arc(dc, -far, -far, far, far, 0, 0, 0, 0));
    MoveToEx(dc, -far, -far, nullptr);
    EXPECT_TRUE(LineTo(dc, far, far));
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(0, 0, 0)) << "the diagonal";
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(section);
}

} // namespace
