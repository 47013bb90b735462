#include "plat/afxgdi.h"
#include "plat/errors.h"
#include "plat/gdi.h"
#include "plat/sysmetrics.h"
#include "plat/system.h"
#include "plat/testhooks.h"

#include <gtest/gtest.h>

namespace {

TEST(Gdi, PensAndBrushesAreRecordsUntilDeleted)
{
    const int before = vntGdiLiveObjectCount();
    HPEN pen = CreatePen(PS_DOT, 3, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    ASSERT_NE(pen, nullptr);
    ASSERT_NE(brush, nullptr);
    EXPECT_EQ(vntGdiLiveObjectCount(), before + 2);

    LOGPEN lp{};
    EXPECT_EQ(GetObjectA(pen, 0, nullptr), int(sizeof lp));
    EXPECT_EQ(GetObjectA(pen, int(sizeof lp) - 1, &lp), 0) << "a short buffer";
    ASSERT_EQ(GetObjectA(pen, int(sizeof lp), &lp), int(sizeof lp));
    EXPECT_EQ(lp.lopnStyle, UINT(PS_DOT));
    EXPECT_EQ(lp.lopnWidth.x, 3);
    EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
    LOGBRUSH lb{};
    ASSERT_EQ(GetObjectA(brush, int(sizeof lb), &lb), int(sizeof lb));
    EXPECT_EQ(lb.lbStyle, UINT(BS_SOLID));
    EXPECT_EQ(lb.lbColor, RGB(4, 5, 6));

    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_EQ(vntGdiLiveObjectCount(), before);
    // A deleted handle is refused, never taken for a later object.
    HPEN later = CreatePen(PS_SOLID, 1, 0);
    EXPECT_NE(later, pen);
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetObjectA(pen, int(sizeof lp), &lp), 0);
    EXPECT_TRUE(DeleteObject(later));

    // System colour brushes belong to the system.
    EXPECT_TRUE(DeleteObject(GetSysColorBrush(COLOR_BTNFACE)));
    EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), GetSysColorBrush(COLOR_BTNFACE));

    for (int style : {-1, PS_INSIDEFRAME + 1}) {
        EXPECT_EQ(CreatePen(style, 1, 0), nullptr) << style;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    }
    EXPECT_EQ(CreatePen(PS_SOLID, -1, 0), nullptr);
    EXPECT_EQ(vntGdiLiveObjectCount(), before);
}

TEST(Gdi, FrameworkObjectsOwnOneHandle)
{
    const int before = vntGdiLiveObjectCount();
    {
        CPen pen;
        CBrush brush;
        EXPECT_FALSE(pen.DeleteObject()) << "nothing to delete yet";
        ASSERT_TRUE(pen.CreatePen(PS_DASH, 2, RGB(9, 8, 7)));
        EXPECT_FALSE(pen.CreatePen(PS_SOLID, 1, 0)) << "already holds a pen";
        ASSERT_TRUE(brush.CreateSolidBrush(RGB(7, 8, 9)));
        EXPECT_EQ(vntGdiLiveObjectCount(), before + 2);
        LOGPEN lp{};
        ASSERT_NE(pen.GetLogPen(&lp), 0);
        EXPECT_EQ(lp.lopnStyle, UINT(PS_DASH));
        EXPECT_EQ(lp.lopnColor, RGB(9, 8, 7));
        LOGBRUSH lb{};
        ASSERT_NE(brush.GetLogBrush(&lb), 0);
        EXPECT_EQ(lb.lbColor, RGB(7, 8, 9));
        EXPECT_EQ(static_cast<HPEN>(pen), pen.GetSafeHandle());

        EXPECT_TRUE(pen.DeleteObject());
        EXPECT_EQ(pen.GetSafeHandle(), nullptr);
        EXPECT_EQ(vntGdiLiveObjectCount(), before + 1);
    }
    EXPECT_EQ(vntGdiLiveObjectCount(), before) << "the brush went with its object";
}

TEST(TestHooks, SystemColoursAndVersionCanBeChanged)
{
    EXPECT_EQ(GetSysColor(47), 0u);
    const DWORD face = GetSysColor(COLOR_BTNFACE);
    vntTestSetSysColor(COLOR_BTNFACE, 0x00123456);
    vntTestSetSysColor(47, 0x00ABCDEF);
    vntTestSetSysColor(48, 1); // ignored
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), 0x00123456u);
    EXPECT_EQ(GetSysColor(47), 0x00ABCDEFu);
    EXPECT_EQ(GetSysColor(48), 0u);
    vntTestResetSysColors();
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), face);
    EXPECT_EQ(GetSysColor(47), 0u);

    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    vntTestSetOsMajorVersion(4);
    ASSERT_TRUE(GetVersionExA(&version));
    EXPECT_EQ(version.dwMajorVersion, 4u);
    vntTestSetOsMajorVersion(0);
    ASSERT_TRUE(GetVersionExA(&version));
    EXPECT_EQ(version.dwMajorVersion, 5u);
}

} // namespace
