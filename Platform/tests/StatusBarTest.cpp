#include "ControlTestSupport.h"

#include "plat/commctrl.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

using vnt::test::ControlParent;

namespace {

TEST(StatusBar, PartsRunFromTheLastEdgePlusTheSpacing)
{
    ControlParent parent;
    HWND bar = parent.child(STATUSCLASSNAMEA, 0, {0, 0, 10, 10}, 3);
    // Docked along the parent's bottom, as wide as it.
    RECT r;
    GetWindowRect(bar, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 400);
    EXPECT_EQ(r.bottom, 300);
    int borders[3] = {};
    EXPECT_TRUE(SendMessageA(bar, SB_GETBORDERS, 0, LPARAM(borders)));
    EXPECT_EQ(borders[1], 2);
    EXPECT_EQ(borders[2], 2);

    const int edges[] = {50, 120, -1};
    EXPECT_TRUE(SendMessageA(bar, SB_SETPARTS, 3, LPARAM(edges)));
    RECT part{};
    ASSERT_TRUE(SendMessageA(bar, SB_GETRECT, 1, LPARAM(&part)));
    EXPECT_EQ(part.left, 52);
    EXPECT_EQ(part.right, 120);
    ASSERT_TRUE(SendMessageA(bar, SB_GETRECT, 2, LPARAM(&part)));
    EXPECT_EQ(part.right, 400);
    EXPECT_FALSE(SendMessageA(bar, SB_SETTEXTA, 5, LPARAM("beyond")));
    EXPECT_TRUE(SendMessageA(bar, SB_SETTEXTA, 1 | SBT_POPOUT, LPARAM("Ready")));
    char text[16] = {};
    EXPECT_EQ(SendMessageA(bar, SB_GETTEXTA, 1, LPARAM(text)), MAKELONG(5, SBT_POPOUT));
    EXPECT_STREQ(text, "Ready");
    int read[4] = {};
    EXPECT_EQ(SendMessageA(bar, SB_GETPARTS, 4, LPARAM(read)), 3);
    EXPECT_EQ(read[1], 120);
    EXPECT_FALSE(SendMessageA(bar, SB_SETPARTS, 257, LPARAM(edges)));

    // A resized parent moves the bar along when told.
    SetWindowPos(parent.hwnd, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    SendMessageA(bar, WM_SIZE, 0, 0);
    GetWindowRect(bar, &r);
    EXPECT_EQ(r.right, 300);
    EXPECT_EQ(r.bottom, 200);

    // No parts: one empty area.
    EXPECT_TRUE(SendMessageA(bar, SB_SETPARTS, 0, 0));
    EXPECT_FALSE(SendMessageA(bar, SB_SETTEXTA, 0, LPARAM("x")));
    ControlParent::pump();
    EXPECT_EQ(plat::headless::windowPixel(bar, 150, 10), GetSysColor(COLOR_BTNFACE));
}

TEST(StatusBar, ANoResizeBarStaysWhereItIsAndClipsItsText)
{
    ControlParent parent;
    HWND bar = parent.child(STATUSCLASSNAMEA, CCS_NORESIZE, {10, 10, 110, 32}, 3);
    RECT r;
    GetWindowRect(bar, &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.bottom, 32);
    const int edges[] = {30, -1};
    SendMessageA(bar, SB_SETPARTS, 2, LPARAM(edges));
    SendMessageA(bar, SB_SETTEXTA, 0, LPARAM("wwwwwwwwwwwww"));
    ControlParent::pump();
    // The sunken frame of part 0, and nothing of its text past its edge.
    EXPECT_EQ(plat::headless::windowPixel(bar, 0, 5), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(plat::headless::windowPixel(bar, 29, 5), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(plat::headless::windowPixel(bar, 31, 10), GetSysColor(COLOR_BTNFACE));
}

} // namespace
