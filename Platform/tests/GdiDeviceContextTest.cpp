#include "../src/gdi/DeviceContext.h"
#include "plat/bitmap.h"
#include "plat/gdi.h"
#include "plat/region.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace plat::gdi;

// A DC drawing into foreign memory, as a window's: its origin shifts the drawing, its visible
// region and clip cut it, and the hook hears where it drew.
TEST(GdiDeviceContext, DrawsIntoAnAttachedSurfaceThroughOriginAndVisibleRegion)
{
    const int before = vntGdiLiveObjectCount();
    std::vector<uint32_t> pixels(20 * 10, 0xABCDEF);
    Surface surface{reinterpret_cast<uint8_t*>(pixels.data()), 20, 10, 20 * 4};
    auto at = [&](int x, int y) { return pixels[size_t(y * 20 + x)]; };

    auto dc = createDeviceContext(DeviceContext::Type::Window);
    EXPECT_EQ(DeviceContext::find(dc->hdc()), dc);
    std::vector<RECT> drawn;
    dc->setDrawHook([&](const RECT& r) { drawn.push_back(r); });
    // Client at (5, 2); the part left of x = 8 is covered by a sibling.
    dc->attach(surface, POINT{5, 2}, Region(RECT{8, 2, 15, 8}));

    RECT r{0, 0, 100, 100};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    EXPECT_EQ(FillRect(dc->hdc(), &r, red), 1);
    EXPECT_EQ(at(8, 2), 0xFF0000u) << "B,G,R,X with X = 0";
    EXPECT_EQ(at(14, 7), 0xFF0000u);
    EXPECT_EQ(at(7, 2), 0xABCDEFu);
    EXPECT_EQ(at(15, 7), 0xABCDEFu);
    EXPECT_EQ(at(8, 8), 0xABCDEFu);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].left, 8);
    EXPECT_EQ(drawn[0].top, 2);
    EXPECT_EQ(drawn[0].right, 15);
    EXPECT_EQ(drawn[0].bottom, 8);
    EXPECT_EQ(GetPixel(dc->hdc(), 3, 0), RGB(255, 0, 0)) << "client coordinates";
    EXPECT_EQ(GetPixel(dc->hdc(), 0, 0), CLR_INVALID) << "not visible";

    // Attributes and selections survive a new origin, and go with resetState.
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    SelectObject(dc->hdc(), pen);
    SetBkColor(dc->hdc(), RGB(1, 2, 3));
    dc->setOrigin(POINT{0, 0});
    EXPECT_EQ(GetCurrentObject(dc->hdc(), OBJ_PEN), pen);
    dc->resetState();
    EXPECT_EQ(GetCurrentObject(dc->hdc(), OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetBkColor(dc->hdc()), RGB(255, 255, 255));

    // Nothing is drawn once detached, and a window DC is not DeleteDC's to delete.
    drawn.clear();
    dc->detach();
    EXPECT_EQ(FillRect(dc->hdc(), &r, red), 1);
    EXPECT_TRUE(drawn.empty());
    EXPECT_FALSE(DeleteDC(dc->hdc()));
    EXPECT_TRUE(destroyDeviceContext(dc->hdc()));
    EXPECT_FALSE(destroyDeviceContext(dc->hdc()));
    DeleteObject(pen);
    DeleteObject(red);
    dc.reset();
    EXPECT_EQ(vntGdiLiveObjectCount(), before);
}

TEST(GdiDeviceContext, AScreenDcDrawsNothingAndDescribesTheScreen)
{
    auto dc = createDeviceContext(DeviceContext::Type::Screen);
    HDC hdc = dc->hdc();
    EXPECT_EQ(GetDeviceCaps(hdc, HORZRES), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(GetDeviceCaps(hdc, VERTRES), GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(GetDeviceCaps(hdc, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(hdc, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(hdc, LOGPIXELSY), 96);
    RECT r{0, 0, 10, 10};
    EXPECT_EQ(FillRect(hdc, &r, HBRUSH(COLOR_WINDOW + 1)), 1);
    RECT box{1, 1, 1, 1};
    EXPECT_EQ(GetClipBox(hdc, &box), NULLREGION);
    EXPECT_EQ(GetPixel(hdc, 0, 0), CLR_INVALID);
    EXPECT_TRUE(DeleteDC(hdc));
}

TEST(GdiObjects, SelectionKeepsTheCurrentObjectOnBadHandlesAndFreesDeletedOnesLater)
{
    const int before = vntGdiLiveObjectCount();
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_DASH, 1, RGB(1, 2, 3));
    HGDIOBJ stockPen = SelectObject(dc, pen);
    EXPECT_EQ(stockPen, GetStockObject(BLACK_PEN));

    // Delete while selected: the handle dies at once, the pen goes when deselected.
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_EQ(SelectObject(dc, pen), nullptr) << "dead handle";
    EXPECT_EQ(vntGdiLiveObjectCount(), before + 2) << "the DC and the pen still in it";
    EXPECT_EQ(SelectObject(dc, dc), nullptr) << "a DC is not selectable";
    EXPECT_EQ(SelectObject(dc, stockPen), pen);
    EXPECT_EQ(vntGdiLiveObjectCount(), before + 1);

    // A bitmap is in one memory DC at a time.
    HDC other = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 4);
    HGDIOBJ stockBitmap = SelectObject(dc, bitmap);
    EXPECT_NE(stockBitmap, nullptr);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);
    EXPECT_EQ(SelectObject(dc, stockBitmap), bitmap);
    EXPECT_NE(SelectObject(other, bitmap), nullptr);

    // Stock objects outlive DeleteObject; system colour brushes select like brushes.
    for (int i : {WHITE_BRUSH, NULL_BRUSH, WHITE_PEN, NULL_PEN})
        EXPECT_TRUE(DeleteObject(GetStockObject(i))) << i;
    EXPECT_EQ(GetStockObject(9), nullptr);
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    SelectObject(dc, face);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), face);
    EXPECT_EQ(GetObjectType(face), DWORD(OBJ_BRUSH));
    EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_MEMDC));

    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(vntGdiLiveObjectCount(), before);
}

} // namespace
