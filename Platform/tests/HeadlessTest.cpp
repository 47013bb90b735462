#include "UiTestSupport.h"

#include "plat/headless.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

using vnt::test::createMessageWindow;
using vnt::test::LoggingProc;
using vnt::test::messageLog;
using vnt::test::ScopedClass;

namespace {

TEST(Headless, ScreenSizeDrivesTheMetricsAndFallsBackToTheDefault)
{
    plat::headless::setScreenSize(1920, 1080);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1080);
    plat::headless::setScreenSize(0, -1);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
}

TEST(Headless, PumpDispatchesWhatIsReadyAndLeavesTheQuitFlag)
{
    ScopedClass cls("Pump Class", LoggingProc);
    HWND hwnd = createMessageWindow("Pump Class");
    messageLog().clear();
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    PostMessageA(hwnd, WM_USER + 2, 0, 0);
    PostQuitMessage(3);
    PostMessageA(hwnd, WM_USER + 3, 0, 0);
    EXPECT_EQ(plat::headless::pumpUntilIdle(), 3);
    EXPECT_EQ(messageLog().numbers({WM_USER + 1, WM_USER + 2, WM_USER + 3}),
        (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3}));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(3));
    EXPECT_EQ(plat::headless::pumpUntilIdle(), 0);
    DestroyWindow(hwnd);
}

} // namespace
