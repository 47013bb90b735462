#include "../src/gdi/Icon.h"
#include "GdiTestSupport.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

namespace {

using vnt::test::Canvas;

// A 2 x 1 icon: pixel 0 transparent (mask 1, colour 0), pixel 1 the given colour.
HICON twoPixelIcon(uint32_t second)
{
    const uint32_t colors[2] = {0, second};
    HBITMAP color = CreateBitmap(2, 1, 1, 32, colors);
    HBITMAP mask = CreateBitmap(2, 1, 1, 1, "\x80\x00");
    ICONINFO info{TRUE, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

TEST(GdiIcon, MaskAlphaAndBrushDecideWhatShows)
{
    Canvas canvas(4, 1, RGB(0, 128, 0));
    const int before = vntGdiLiveObjectCount();
    HICON masked = twoPixelIcon(0x00FF0000);
    ASSERT_NE(masked, nullptr);
    ASSERT_TRUE(DrawIconEx(canvas.dc, 0, 0, masked, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(canvas.at(0, 0), RGB(0, 128, 0)) << "mask 1 keeps the background";
    EXPECT_EQ(canvas.at(1, 0), RGB(255, 0, 0));

    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    ASSERT_TRUE(DrawIconEx(canvas.dc, 2, 0, masked, 0, 0, 0, blue, DI_NORMAL));
    EXPECT_EQ(canvas.at(2, 0), RGB(0, 0, 255)) << "composed on the brush";
    DeleteObject(blue);

    // Half-transparent white over green.
    HICON alpha = twoPixelIcon(0x80FFFFFF);
    ASSERT_TRUE(DrawIconEx(canvas.dc, 0, 0, alpha, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(canvas.at(1, 0), RGB(255, 128, 128)) << "over the red of the first draw";
    EXPECT_EQ(canvas.at(0, 0), RGB(0, 128, 0)) << "alpha 0";

    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(alpha, &info));
    EXPECT_TRUE(info.fIcon);
    BITMAP bm{};
    GetObjectA(info.hbmColor, int(sizeof bm), &bm);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    GetObjectA(info.hbmMask, int(sizeof bm), &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    EXPECT_TRUE(DestroyIcon(masked));
    EXPECT_TRUE(DestroyIcon(alpha));
    EXPECT_FALSE(DestroyIcon(alpha)) << "already gone";
    EXPECT_FALSE(DrawIconEx(canvas.dc, 0, 0, alpha, 0, 0, 0, nullptr, DI_NORMAL));
    ICONINFO none{TRUE, 0, 0, nullptr, nullptr};
    EXPECT_EQ(CreateIconIndirect(&none), nullptr);
    EXPECT_EQ(vntGdiLiveObjectCount(), before);
}

TEST(GdiIcon, StepsOfStillIconsAndAnimatedCursors)
{
    using namespace plat::gdi;
    IconRecord record;
    record.isIcon = false;
    for (uint32_t c : {0x00FF0000u, 0x0000FF00u, 0x000000FFu})
        record.frames.push_back(IconFrame{1, 1, {c}, {0}, false});
    Canvas canvas(1, 1);
    Canvas big(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    const int before = vntGdiLiveObjectCount();
    HCURSOR cursor = makeIcon(record);
    ASSERT_NE(cursor, nullptr);
    const COLORREF expected[3] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    for (UINT step = 0; step < 3; ++step) {
        ASSERT_TRUE(DrawIconEx(canvas.dc, 0, 0, cursor, 0, 0, step, nullptr, DI_NORMAL)) << step;
        EXPECT_EQ(canvas.at(0, 0), expected[step]) << step;
    }
    EXPECT_FALSE(DrawIconEx(canvas.dc, 0, 0, cursor, 0, 0, 3, nullptr, DI_NORMAL));

    HICON still = twoPixelIcon(0x00FF0000);
    EXPECT_TRUE(DrawIconEx(canvas.dc, 0, 0, still, 0, 0, 100, nullptr, DI_NORMAL));
    EXPECT_TRUE(DrawIcon(big.dc, 0, 0, still));
    EXPECT_EQ(big.at(big.width - 1, big.height - 1), RGB(255, 0, 0)) << "stretched to the icon size";

    record.shared = true;
    HCURSOR shared = makeIcon(record);
    EXPECT_TRUE(DestroyCursor(shared));
    EXPECT_TRUE(DrawIconEx(canvas.dc, 0, 0, shared, 0, 0, 0, nullptr, DI_NORMAL)) << "kept";

    record.sequence = {0, 5};
    EXPECT_EQ(makeIcon(record), nullptr) << "a step names no frame";
    EXPECT_TRUE(DestroyCursor(cursor));
    EXPECT_TRUE(DestroyIcon(still));
    EXPECT_EQ(vntGdiLiveObjectCount(), before + 1) << "the shared cursor stays";
    plat::gdi::removeObject(shared);
}

} // namespace
