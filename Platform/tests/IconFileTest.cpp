#include "ImageTestSupport.h"

#include "gdi/Icon.h"
#include "plat/errors.h"

using namespace vnt::test;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255);

TEST(IconFile, CursorKeepsItsHotSpotAndScalesItWithTheImage)
{
    const Bytes cur = iconFile({{32, 32, 0x00FF00, 32, 5, 7}}, true);
    HCURSOR own = HCURSOR(loadFile(cur, IMAGE_CURSOR));
    ASSERT_NE(own, nullptr);
    IconShape shape = shapeOf(own);
    EXPECT_FALSE(shape.icon);
    EXPECT_EQ(shape.hotspot.x, 5);
    EXPECT_EQ(shape.hotspot.y, 7);
    EXPECT_EQ(shape.color.width, 32);

    HCURSOR doubled = HCURSOR(loadFile(cur, IMAGE_CURSOR, 64, 64));
    shape = shapeOf(doubled);
    EXPECT_EQ(shape.color.width, 64);
    EXPECT_EQ(shape.hotspot.x, 10);
    EXPECT_EQ(shape.hotspot.y, 14);
    EXPECT_EQ(shape.color.at(63, 63), 0x00FF00u);

    // The bytes decide the format; the load type decides what it is.
    EXPECT_TRUE(shapeOf(HICON(loadFile(cur, IMAGE_ICON))).icon);
    DestroyCursor(own);
    DestroyCursor(doubled);
}

TEST(IconFile, NearestEntryWinsAndOthersAreScaled)
{
    // An 8-bit 16 x 16 red entry and a 32-bit 32 x 32 green one.
    const Bytes ico = iconFile({{16, 16, 0xFF0000, 8}, {32, 32, 0x00FF00, 32}});
    struct Case {
        int cx, cy;
        UINT flags;
        int size;
        uint32_t color;
    } cases[] = {
        {16, 16, 0, 16, 0xFF0000},
        {0, 0, LR_DEFAULTSIZE, 32, 0x00FF00},
        {0, 0, 0, 16, 0xFF0000}, // the first entry's own size
        {48, 48, 0, 48, 0x00FF00},
        {24, 24, 0, 24, 0x00FF00}, // a tie goes to the larger
        {20, 20, 0, 20, 0xFF0000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cx << " x " << c.cy << " flags " << c.flags);
        HICON icon = HICON(loadFile(ico, IMAGE_ICON, c.cx, c.cy, c.flags));
        ASSERT_NE(icon, nullptr);
        const IconShape shape = shapeOf(icon);
        EXPECT_TRUE(shape.icon);
        EXPECT_EQ(shape.color.width, c.size);
        EXPECT_EQ(shape.color.height, c.size);
        EXPECT_EQ(shape.color.at(c.size - 1, c.size - 1), c.color);
        DestroyIcon(icon);
    }
}

TEST(IconFile, EveryDepthDrawsItsColour)
{
    for (int bits : {1, 4, 8, 24, 32}) {
        SCOPED_TRACE(bits);
        HICON icon = HICON(loadFile(iconFile({{8, 8, 0x0000FF, bits}}), IMAGE_ICON));
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(drawnAt(icon, 0, 7, 7), kBlue);
        EXPECT_EQ(drawnAt(icon, 0, 8, 8), kWhite);
        DestroyIcon(icon);
    }
}

TEST(IconFile, AnimatedCursorStepsFollowItsSequence)
{
    const std::vector<Bytes> frames = {iconFile({{32, 32, 0xFF0000, 32, 3, 4}}, true), iconFile({{32, 32, 0x00FF00, 32}}, true),
                                       iconFile({{32, 32, 0x0000FF, 32}}, true)};
    HCURSOR cursor = HCURSOR(loadFile(aniFile(frames, {0, 2, 1, 2}, {5, 0, 7, 8}), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
    ASSERT_NE(cursor, nullptr);
    const COLORREF expected[] = {kRed, kBlue, kGreen, kBlue};
    for (UINT step = 0; step < 4; ++step)
        EXPECT_EQ(drawnAt(cursor, step), expected[step]) << step;
    EXPECT_EQ(drawnAt(cursor, 4), CLR_INVALID);
    // Each step keeps its own duration; 0 would never move on and counts as one jiffy.
    auto record = plat::gdi::findAs<plat::gdi::IconObject>(cursor);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->record.rates, (std::vector<DWORD>{5, 1, 7, 8}));
    const IconShape shape = shapeOf(cursor);
    EXPECT_FALSE(shape.icon);
    EXPECT_EQ(shape.hotspot.x, 3);
    EXPECT_EQ(shape.hotspot.y, 4);
    DestroyCursor(cursor);

    // Without a sequence the frames show in order.
    HCURSOR plain = HCURSOR(loadFile(aniFile(frames), IMAGE_CURSOR));
    EXPECT_EQ(drawnAt(plain, 1), kGreen);
    EXPECT_EQ(drawnAt(plain, 3), CLR_INVALID);
    DestroyCursor(plain);
}

TEST(IconFile, PngEntriesAreSkipped)
{
    HICON icon = HICON(loadFile(iconFile({{32, 32, 0, 32, 0, 0, true}, {16, 16, 0x00FF00, 24}}), IMAGE_ICON, 32, 32));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(drawnAt(icon, 0, 31, 31), kGreen); // the 16 x 16 entry, scaled

    SetLastError(0);
    EXPECT_EQ(loadFile(iconFile({{32, 32, 0, 32, 0, 0, true}}), IMAGE_ICON), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
    DestroyIcon(icon);
}

TEST(IconFile, SizesOutOfRangeAreRefused)
{
    const Bytes ico = iconFile({{16, 16, 0xFF0000, 32}});
    const Bytes bmp = bmpFile(BmpLayout{});
    struct Case {
        const Bytes& bytes;
        UINT type;
        int cx, cy;
    } cases[] = {{ico, IMAGE_ICON, 1025, 32}, {ico, IMAGE_CURSOR, 32, -1}, {bmp, IMAGE_BITMAP, 16385, 1}, {bmp, IMAGE_BITMAP, -4, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cx << " x " << c.cy);
        SetLastError(0);
        EXPECT_EQ(loadFile(c.bytes, c.type, c.cx, c.cy), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    }
    HICON large = HICON(loadFile(ico, IMAGE_ICON, 1024, 1024));
    EXPECT_NE(large, nullptr);
    DestroyIcon(large);
}

TEST(IconFile, DamagedFilesAreRefused)
{
    const Bytes ico = iconFile({{16, 16, 0xFF0000, 32}});
    const std::vector<Bytes> frames = {iconFile({{8, 8, 0xFF0000, 32}}), iconFile({{8, 8, 0x00FF00, 32}})};
    auto changed = [](Bytes b, size_t at, uint8_t value) {
        b[at] = value;
        return b;
    };
    auto cut = [](Bytes b, size_t size) {
        b.resize(size);
        return b;
    };
    const Bytes ani = aniFile(frames);
    struct Case {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"zero count", changed(ico, 4, 0)},
        {"directory cut", cut(ico, 20)},
        {"image offset past the end", changed(ico, 6 + 15, 0x7F)},
        {"mask cut", cut(ico, ico.size() - 1)},
        {"odd image height", changed(ico, 22 + 8, 33)},
        {"compressed image", changed(ico, 22 + 16, 1)},
        {"reserved word set", changed(ico, 0, 1)},
        {"frame index past the frames", aniFile(frames, {0, 2})},
        {"raw bitmap frames", changed(ani, 52, 0)},
        {"frame count not the icons'", changed(ani, 24, 3)},
        {"no steps", changed(ani, 28, 0)},
        {"RIFF size past the file", changed(ani, 7, 0x10)},
        {"chunk past the file", cut(ani, ani.size() - 3)},
        {"rates shorter than the steps", aniFile(frames, {}, {6})},
        {"neither icon nor animation", Bytes{'B', 'M', 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(loadFile(c.bytes, IMAGE_CURSOR), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
    }
}

} // namespace
