#include "ImageTestSupport.h"

#include "plat/errors.h"

using namespace vnt::test;

namespace {

constexpr uint32_t kTopLeft = 0xFF0000, kTopRight = 0x00FF00, kBottomLeft = 0x0000FF, kBottomRight = 0xFFFFFF, kInside = 0xFF00FF;

// Corners of distinct colours on magenta (exact at every depth); indexed depths draw palette entries 1-4 on entry 0.
BmpLayout corners(int bits, int width = 5, int height = 3)
{
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bits = bits;
    const int w = width, h = height < 0 ? -height : height;
    const bool indexed = bits <= 8;
    if (indexed)
        layout.palette = bits == 1 ? std::vector<uint32_t>{kInside, kTopLeft}
                                 : std::vector<uint32_t>{kInside, kTopLeft, kTopRight, kBottomLeft, kBottomRight};
    layout.pixel = [=](int x, int y) -> uint32_t {
        const int corner = x == 0 && y == 0 ? 1 : x == w - 1 && y == 0 ? 2 : x == 0 && y == h - 1 ? 3 : x == w - 1 && y == h - 1 ? 4 : 0;
        if (indexed)
            return bits == 1 ? corner == 1 : uint32_t(corner);
        const uint32_t colors[] = {kInside, kTopLeft, kTopRight, kBottomLeft, kBottomRight};
        return colors[corner];
    };
    return layout;
}

void expectCorners(const Bytes& file, int bits, UINT flags = 0)
{
    HBITMAP bitmap = HBITMAP(loadFile(file, IMAGE_BITMAP, 0, 0, flags));
    ASSERT_NE(bitmap, nullptr);
    const Pixels p = pixelsOf(bitmap);
    ASSERT_EQ(p.width, 5);
    ASSERT_EQ(p.height, 3);
    EXPECT_EQ(p.at(0, 0), kTopLeft);
    EXPECT_EQ(p.at(2, 1), kInside);
    if (bits > 1) {
        EXPECT_EQ(p.at(4, 0), kTopRight);
        EXPECT_EQ(p.at(0, 2), kBottomLeft);
        EXPECT_EQ(p.at(4, 2), kBottomRight);
    }
    DeleteObject(bitmap);
}

TEST(BmpFile, EveryDepthAndDirection)
{
    struct Case {
        const char* what;
        int bits;
        uint32_t compression;
        uint32_t masks[3];
        int headerSize;
        bool fileHeader;
    } cases[] = {
        {"1 bit", 1, BI_RGB, {}, 40, true},
        {"4 bits", 4, BI_RGB, {}, 40, true},
        {"8 bits", 8, BI_RGB, {}, 40, true},
        {"16 bits 555", 16, BI_RGB, {}, 40, true},
        {"16 bits 565 fields", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 40, true},
        {"24 bits", 24, BI_RGB, {}, 40, true},
        {"32 bits", 32, BI_RGB, {}, 40, true},
        {"32 bits fields", 32, BI_BITFIELDS, {0xFF0000, 0x00FF00, 0x0000FF}, 40, true},
        {"core header", 8, BI_RGB, {}, 12, true},
        {"core header 24 bits", 24, BI_RGB, {}, 12, true},
        {"V5 header", 32, BI_BITFIELDS, {0x00FF0000, 0x0000FF00, 0x000000FF}, 124, true},
        {"V4 header", 24, BI_RGB, {}, 108, true},
        {"packed DIB", 8, BI_RGB, {}, 40, false},
        {"packed DIB with fields", 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 40, false},
    };
    for (const Case& c : cases) {
        for (int direction : {1, -1}) {
            if (c.headerSize == 12 && direction < 0)
                continue;
            SCOPED_TRACE(testing::Message() << c.what << (direction < 0 ? " top-down" : " bottom-up"));
            BmpLayout layout = corners(c.bits, 5, 3 * direction);
            layout.compression = c.compression;
            std::copy(std::begin(c.masks), std::end(c.masks), layout.masks);
            layout.headerSize = c.headerSize;
            layout.fileHeader = c.fileHeader;
            expectCorners(bmpFile(layout), c.bits);
        }
    }
}

TEST(BmpFile, RunLengthEncodedWithDeltaAndAbsoluteRuns)
{
    // Bottom row: a run of entry 1; next: the absolute run 2 3 2 3; then a delta to (1, 3) and
    // one pixel of entry 4. Untouched pixels stay black.
    struct Case {
        int bits;
        Bytes rle;
    } cases[] = {
        {8, {4, 1, 0, 0, 0, 4, 2, 3, 2, 3, 0, 0, 0, 2, 1, 1, 1, 4, 0, 1}},
        {4, {4, 0x11, 0, 0, 0, 4, 0x23, 0x23, 0, 0, 0, 2, 1, 1, 1, 0x40, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        BmpLayout layout;
        layout.width = layout.height = 4;
        layout.bits = c.bits;
        layout.compression = c.bits == 8 ? BI_RLE8 : BI_RLE4;
        layout.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
        layout.rle = c.rle;
        HBITMAP bitmap = HBITMAP(loadFile(bmpFile(layout), IMAGE_BITMAP));
        ASSERT_NE(bitmap, nullptr);
        const Pixels p = pixelsOf(bitmap);
        EXPECT_EQ(p.at(0, 3), 0xFF0000u);
        EXPECT_EQ(p.at(3, 3), 0xFF0000u);
        EXPECT_EQ(p.at(0, 2), 0x00FF00u);
        EXPECT_EQ(p.at(1, 2), 0x0000FFu);
        EXPECT_EQ(p.at(3, 2), 0x0000FFu);
        EXPECT_EQ(p.at(0, 1), 0u);
        EXPECT_EQ(p.at(0, 0), 0u);
        EXPECT_EQ(p.at(1, 0), 0xFFFFFFu);
        EXPECT_EQ(p.at(2, 0), 0u);
        DeleteObject(bitmap);
    }
}

TEST(BmpFile, StretchedToTheWantedSizeAndAsSection)
{
    const Bytes file = bmpFile(corners(24, 5, 3));
    HBITMAP bitmap = HBITMAP(loadFile(file, IMAGE_BITMAP, 10, 6, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION section{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof section, &section), int(sizeof section));
    const Pixels p = pixelsOf(bitmap);
    ASSERT_EQ(p.width, 10);
    ASSERT_EQ(p.height, 6);
    EXPECT_EQ(p.at(1, 1), kTopLeft);
    EXPECT_EQ(p.at(9, 5), kBottomRight);
    EXPECT_EQ(p.at(4, 3), kInside);
    DeleteObject(bitmap);
}

TEST(BmpFile, DamagedOrUnsupportedFilesAreRefused)
{
    const Bytes good = bmpFile(corners(24, 5, 3));
    auto withHeader = [](int width, int height, int bits, uint32_t compression) {
        BmpLayout layout = corners(bits <= 8 ? 8 : 24, 4, 4);
        layout.width = width;
        layout.height = height;
        layout.bits = bits;
        layout.compression = compression;
        return bmpFile(layout);
    };
    auto changed = [](Bytes b, size_t at, uint8_t value) {
        b[at] = value;
        return b;
    };
    BmpLayout pastRow;
    pastRow.width = pastRow.height = 4;
    pastRow.bits = 8;
    pastRow.compression = BI_RLE8;
    pastRow.palette = {0, 0xFF0000};
    pastRow.rle = {5, 1, 0, 1};
    BmpLayout absolutePastRow = pastRow;
    absolutePastRow.rle = {0, 5, 1, 1, 1, 1, 1, 0, 0, 1};
    BmpLayout deltaOut = pastRow;
    deltaOut.rle = {0, 2, 0, 5, 1, 1, 0, 1};
    BmpLayout rleTopDown = pastRow;
    rleTopDown.height = -4;
    rleTopDown.rle = {4, 1, 0, 1};
    BmpLayout tooManyColours = corners(4);
    tooManyColours.palette.resize(17);
    Bytes cut = good;
    cut.resize(cut.size() - 1);
    struct Case {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"width 0", withHeader(0, 4, 24, BI_RGB)},
        {"width 20000", withHeader(20000, 4, 24, BI_RGB)},
        {"height 0", withHeader(4, 0, 24, BI_RGB)},
        {"planes 2", changed(good, 26, 2)},
        {"bfOffBits past the end", changed(good, 13, 0x10)},
        {"header size 20", changed(good, 14, 20)},
        {"depth 7", changed(good, 28, 7)},
        {"rows cut", cut},
        {"RLE run past its row", bmpFile(pastRow)},
        {"absolute run past its row", bmpFile(absolutePastRow)},
        {"delta out of the image", bmpFile(deltaOut)},
        {"top-down RLE", bmpFile(rleTopDown)},
        {"RLE8 of 24 bits", withHeader(4, 4, 24, BI_RLE8)},
        {"more colours than the depth has", bmpFile(tooManyColours)},
        {"BI_JPEG", withHeader(4, 4, 24, 4)},
        {"BI_PNG", withHeader(4, 4, 24, 5)},
        {"no header", Bytes{'B', 'M', 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(loadFile(c.bytes, IMAGE_BITMAP), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
    }
}

} // namespace
