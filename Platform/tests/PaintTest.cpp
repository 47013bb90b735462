#include "UiTestSupport.h"

#include "plat/bitmap.h"
#include "plat/errors.h"
#include "plat/gdi.h"
#include "plat/headless.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/region.h"
#include "plat/sync.h"
#include "plat/sysmetrics.h"
#include "plat/thread.h"
#include "plat/timer.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <thread>

using plat::headless::pumpUntilIdle;
using plat::headless::windowPixel;
using vnt::test::ScopedClass;

namespace {

// Each window paints its client area in the colour kept in its user data.
std::map<HWND, int> g_paints;
std::vector<UINT> g_order; // WM_PAINT and WM_ERASEBKGND as they come
BOOL g_lastErase = FALSE;
RECT g_lastPaintRect{};

LRESULT CALLBACK ColourProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT) {
        g_order.push_back(msg);
        ++g_paints[hwnd];
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        g_lastErase = ps.fErase;
        g_lastPaintRect = ps.rcPaint;
        HBRUSH brush = CreateSolidBrush(COLORREF(GetWindowLongPtrA(hwnd, GWLP_USERDATA)));
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(hdc, &client, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_ERASEBKGND)
        g_order.push_back(msg);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

std::array<LONG, 4> updateBounds(HWND hwnd)
{
    RECT r{};
    GetUpdateRect(hwnd, &r, FALSE);
    return {r.left, r.top, r.right, r.bottom};
}

constexpr COLORREF kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kGrey = 0x808080, kWhite = 0xFFFFFF;

class Painting : public ::testing::Test {
protected:
    ScopedClass cls{"Colour Class", ColourProc};
    int liveAtStart = 0;

    void SetUp() override
    {
        g_paints.clear();
        g_order.clear();
        liveAtStart = vntGdiLiveObjectCount();
    }
    void TearDown() override
    {
        pumpUntilIdle();
        EXPECT_EQ(vntGdiLiveObjectCount(), liveAtStart);
    }
    HWND make(const char* cls, DWORD style, const RECT& r, COLORREF colour, HWND parent = nullptr, DWORD exStyle = 0)
    {
        HWND hwnd = CreateWindowExA(exStyle, cls, "", style | WS_VISIBLE, r.left, r.top, r.right - r.left,
            r.bottom - r.top, parent, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, LONG_PTR(colour));
        return hwnd;
    }
    HWND top(const RECT& r, COLORREF colour) { return make(cls.name(), WS_POPUP, r, colour); }
    HWND child(HWND parent, const RECT& r, COLORREF colour) { return make(cls.name(), WS_CHILD, r, colour, parent); }
    static void fill(HWND hwnd, COLORREF colour)
    {
        HDC hdc = GetDC(hwnd);
        RECT client;
        GetClientRect(hwnd, &client);
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(hdc, &client, brush);
        DeleteObject(brush);
        EXPECT_EQ(ReleaseDC(hwnd, hdc), 1);
    }
};

TEST_F(Painting, InvalidationsGatherIntoOnePaintAfterPostedMessagesAndBeforeTimers)
{
    vnt::test::ManualClock clock;
    HWND hwnd = top({0, 0, 100, 100}, kRed);
    pumpUntilIdle();
    g_paints.clear();

    RECT a{10, 10, 20, 20}, b{50, 5, 60, 15}, c{30, 40, 35, 45};
    InvalidateRect(hwnd, &a, FALSE);
    InvalidateRect(hwnd, &b, FALSE);
    InvalidateRect(hwnd, &c, FALSE);
    EXPECT_EQ(updateBounds(hwnd), (std::array<LONG, 4>{10, 5, 60, 45}));

    PostMessageA(hwnd, WM_USER, 0, 0);
    SetTimer(hwnd, 1, 10, nullptr);
    clock.advance(20);
    std::vector<UINT> taken;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && taken.size() < 5) {
        taken.push_back(msg.message);
        DispatchMessageA(&msg);
        if (msg.message == WM_TIMER)
            KillTimer(hwnd, 1);
    }
    EXPECT_EQ(taken, (std::vector<UINT>{WM_USER, WM_PAINT, WM_TIMER}));
    EXPECT_EQ(g_paints[hwnd], 1);
    EXPECT_EQ(g_lastPaintRect.left, 10);
    EXPECT_EQ(g_lastPaintRect.bottom, 45);
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    DestroyWindow(hwnd);
}

TEST_F(Painting, WindowsClipTheirChildrenAndTheSiblingsAbove)
{
    HWND parent = top({0, 0, 100, 100}, kGrey);
    // A child made later lies below those made before it, for painting, the mouse and GetWindow.
    HWND upper = child(parent, {30, 30, 80, 80}, kGreen);
    HWND lower = child(parent, {10, 10, 50, 50}, kRed);
    pumpUntilIdle();
    EXPECT_EQ(GetWindow(parent, GW_CHILD), upper);
    EXPECT_EQ(GetWindow(upper, GW_HWNDNEXT), lower);
    EXPECT_EQ(GetWindow(lower, GW_HWNDPREV), upper);
    EXPECT_EQ(GetWindow(lower, GW_HWNDFIRST), upper);
    EXPECT_EQ(GetWindow(upper, GW_HWNDLAST), lower);
    EXPECT_EQ(WindowFromPoint(POINT{40, 40}), upper);
    EXPECT_EQ(windowPixel(parent, 5, 5), kGrey);
    EXPECT_EQ(windowPixel(parent, 15, 15), kRed);
    EXPECT_EQ(windowPixel(parent, 40, 40), kGreen);
    EXPECT_EQ(windowPixel(upper, 0, 0), kGreen);

    fill(lower, kBlue); // spares its parent and the sibling above
    EXPECT_EQ(windowPixel(parent, 15, 15), kBlue);
    EXPECT_EQ(windowPixel(parent, 40, 40), kGreen);
    EXPECT_EQ(windowPixel(parent, 5, 5), kGrey);
    fill(parent, kWhite); // spares the children
    EXPECT_EQ(windowPixel(parent, 5, 5), kWhite);
    EXPECT_EQ(windowPixel(parent, 15, 15), kBlue);
    EXPECT_EQ(windowPixel(parent, 75, 75), kGreen);

    // Parents paint before children; a parent's invalidation does not reach them.
    g_paints.clear();
    InvalidateRect(parent, nullptr, TRUE);
    pumpUntilIdle();
    EXPECT_EQ(g_paints, (std::map<HWND, int>{{parent, 1}}));
    EXPECT_EQ(windowPixel(parent, 15, 15), kBlue);

    BringWindowToTop(lower);
    pumpUntilIdle();
    EXPECT_EQ(windowPixel(parent, 40, 40), kRed);
    EXPECT_EQ(GetWindow(parent, GW_CHILD), lower);
    EXPECT_EQ(WindowFromPoint(POINT{40, 40}), lower);
    ShowWindow(upper, SW_HIDE);
    pumpUntilIdle();
    EXPECT_EQ(windowPixel(parent, 75, 75), kGrey); // the parent repainted what the hidden child left
    EXPECT_EQ(windowPixel(upper, 0, 0), 0xFFFFFFFFu);
    DestroyWindow(parent);
}

TEST_F(Painting, AMovedChildUncoversOnlyWhatItLeft)
{
    HWND parent = top({0, 0, 100, 100}, kGrey);
    HWND moving = child(parent, {10, 10, 50, 50}, kRed);
    pumpUntilIdle();
    SetWindowPos(moving, nullptr, 20, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(updateBounds(parent), (std::array<LONG, 4>{10, 10, 20, 50}));
    pumpUntilIdle();
    EXPECT_EQ(windowPixel(parent, 15, 15), kGrey);
    EXPECT_EQ(windowPixel(parent, 55, 15), kRed);
    DestroyWindow(parent);
}

TEST_F(Painting, AWindowRegionShapesWhatTheWindowDraws)
{
    HWND parent = top({0, 0, 60, 60}, kGrey);
    HWND round = child(parent, {10, 10, 50, 50}, kRed);
    EXPECT_EQ(SetWindowRgn(round, CreateEllipticRgn(0, 0, 40, 40), TRUE), 1);
    pumpUntilIdle();
    EXPECT_EQ(windowPixel(parent, 30, 30), kRed);
    EXPECT_EQ(windowPixel(parent, 11, 11), kGrey); // outside the ellipse, in the corner
    DestroyWindow(parent);
}

TEST_F(Painting, InvalidationFromAnotherThreadWakesTheOwner)
{
    HWND hwnd = top({0, 0, 20, 20}, kRed);
    pumpUntilIdle();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_PAINT), DWORD(WAIT_TIMEOUT));
    std::thread other([&] {
        Sleep(20);
        InvalidateRect(hwnd, nullptr, TRUE);
    });
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_PAINT), DWORD(WAIT_OBJECT_0));
    other.join();
    EXPECT_EQ(HIWORD(GetQueueStatus(QS_PAINT)), QS_PAINT);
    EXPECT_EQ(pumpUntilIdle(), 1);
    DestroyWindow(hwnd);
}

TEST_F(Painting, OwnDcKeepsItsSelectionsOthersStartFresh)
{
    ScopedClass own("Own DC Class", DefWindowProcA, 0, CS_OWNDC);
    HWND kept = make(own.name(), WS_POPUP, {0, 0, 10, 10}, 0);
    HWND plain = top({0, 0, 10, 10}, 0);
    HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    HPEN dead = CreatePen(PS_SOLID, 1, kBlue);
    DeleteObject(dead);

    HDC first = GetDC(kept);
    SelectObject(first, pen);
    ReleaseDC(kept, first);
    HDC again = GetDC(kept);
    EXPECT_EQ(again, first);
    EXPECT_EQ(GetCurrentObject(again, OBJ_PEN), HGDIOBJ(pen));
    EXPECT_EQ(SelectObject(again, dead), nullptr); // a dead handle keeps the current pen
    EXPECT_EQ(GetCurrentObject(again, OBJ_PEN), HGDIOBJ(pen));
    SelectObject(again, GetStockObject(BLACK_PEN));
    ReleaseDC(kept, again);

    HDC fresh = GetDC(plain);
    SelectObject(fresh, pen);
    ReleaseDC(plain, fresh);
    fresh = GetDC(plain);
    EXPECT_EQ(GetCurrentObject(fresh, OBJ_PEN), GetStockObject(BLACK_PEN));
    ReleaseDC(plain, fresh);
    DeleteObject(pen);
    DestroyWindow(kept);
    DestroyWindow(plain);
}

TEST_F(Painting, WindowDcsBelongToTheWindowsThreadTheScreenDcToAny)
{
    HWND hwnd = top({0, 0, 10, 10}, kRed);
    HDC windowDc = HDC(1);
    DWORD error = 0;
    HDC screen = nullptr;
    int width = 0, released = 0;
    std::thread other([&] {
        windowDc = GetDC(hwnd);
        error = GetLastError();
        screen = GetDC(nullptr);
        width = GetDeviceCaps(screen, HORZRES);
        released = ReleaseDC(nullptr, screen);
    });
    other.join();
    EXPECT_EQ(windowDc, nullptr);
    EXPECT_EQ(error, DWORD(ERROR_ACCESS_DENIED));
    EXPECT_NE(screen, nullptr);
    EXPECT_EQ(width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(released, 1);
    DestroyWindow(hwnd);
}

TEST_F(Painting, ErasingAndTheDefaultProcedure)
{
    ScopedClass face("Face Class", DefWindowProcA, 0, 0, HBRUSH(COLOR_BTNFACE + 1));
    HWND plain = make(face.name(), WS_POPUP, {0, 0, 10, 10}, 0);
    pumpUntilIdle();
    EXPECT_EQ(windowPixel(plain, 5, 5), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(SendMessageA(plain, WM_PRINTCLIENT, 0, PRF_CLIENT), 0);

    HWND bare = top({0, 0, 10, 10}, kRed); // no class brush: the default erase answers 0
    pumpUntilIdle();
    InvalidateRect(bare, nullptr, TRUE);
    g_order.clear();
    pumpUntilIdle();
    EXPECT_EQ(g_order, (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
    EXPECT_TRUE(g_lastErase);
    InvalidateRect(bare, nullptr, FALSE);
    g_order.clear();
    pumpUntilIdle();
    EXPECT_EQ(g_order, (std::vector<UINT>{WM_PAINT}));
    EXPECT_FALSE(g_lastErase);
    DestroyWindow(plain);
    DestroyWindow(bare);
}

TEST_F(Painting, GrowthKeepsPixelsUnlessTheClassRedrawsOnResize)
{
    ScopedClass redraws("Redrawing Class", ColourProc, 0, CS_HREDRAW | CS_VREDRAW);
    for (bool whole : {false, true}) {
        HWND hwnd = make(whole ? redraws.name() : cls.name(), WS_POPUP, {0, 0, 50, 50}, kRed);
        pumpUntilIdle();
        HDC hdc = GetDC(hwnd);
        SetPixel(hdc, 2, 2, kBlue);
        ReleaseDC(hwnd, hdc);
        SetWindowPos(hwnd, nullptr, 0, 0, 80, 60, SWP_NOMOVE | SWP_NOZORDER);
        pumpUntilIdle();
        EXPECT_EQ(windowPixel(hwnd, 2, 2), whole ? kRed : kBlue) << whole;
        EXPECT_EQ(windowPixel(hwnd, 70, 55), kRed) << whole;
        DestroyWindow(hwnd);
    }
}

TEST_F(Painting, LockedWindowsNeitherPaintNorDraw)
{
    HWND parent = top({0, 0, 40, 40}, kRed);
    HWND inner = child(parent, {0, 0, 10, 10}, kGreen);
    HWND other = top({0, 0, 10, 10}, kRed);
    pumpUntilIdle();
    EXPECT_TRUE(LockWindowUpdate(parent));
    EXPECT_FALSE(LockWindowUpdate(other));
    g_paints.clear();
    InvalidateRect(parent, nullptr, TRUE);
    pumpUntilIdle();
    fill(inner, kBlue);
    EXPECT_TRUE(g_paints.empty());
    EXPECT_EQ(windowPixel(inner, 1, 1), kGreen);
    EXPECT_TRUE(LockWindowUpdate(nullptr));
    pumpUntilIdle();
    EXPECT_EQ(g_paints[parent], 1);
    EXPECT_EQ(g_paints[inner], 1);
    DestroyWindow(parent);
    DestroyWindow(other);
}

TEST_F(Painting, MinimisedWindowsAreNeverPainted)
{
    HWND hwnd = top({0, 0, 10, 10}, kRed);
    ShowWindow(hwnd, SW_MINIMIZE);
    pumpUntilIdle();
    InvalidateRect(hwnd, nullptr, TRUE);
    EXPECT_EQ(pumpUntilIdle(), 0);
    EXPECT_TRUE(g_paints.empty());
    ShowWindow(hwnd, SW_RESTORE);
    pumpUntilIdle();
    EXPECT_EQ(g_paints[hwnd], 1);
    DestroyWindow(hwnd);
}

TEST_F(Painting, ClientEdgeIsDrawnSunkenAroundTheClient)
{
    HWND parent = top({0, 0, 40, 40}, kWhite);
    HWND edged = make(cls.name(), WS_CHILD, {10, 10, 30, 30}, kRed, parent, WS_EX_CLIENTEDGE);
    pumpUntilIdle();
    EXPECT_EQ(windowPixel(parent, 10, 10), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(windowPixel(parent, 29, 29), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(windowPixel(parent, 11, 11), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(windowPixel(parent, 28, 28), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(windowPixel(parent, 12, 12), kRed);
    EXPECT_EQ(windowPixel(edged, 0, 0), kRed);
    EXPECT_EQ(windowPixel(edged, 16, 16), 0xFFFFFFFFu); // past its 16 x 16 client area
    DestroyWindow(parent);
}

TEST_F(Painting, CaptureCopiesTheClientArea)
{
    HWND hwnd = top({5, 5, 25, 15}, kBlue);
    pumpUntilIdle();
    HBITMAP copy = plat::headless::captureClient(hwnd);
    ASSERT_NE(copy, nullptr);
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectA(copy, sizeof dib, &dib), int(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmWidth, 20);
    EXPECT_EQ(dib.dsBm.bmHeight, 10);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
    const auto* px = static_cast<const uint32_t*>(dib.dsBm.bmBits);
    EXPECT_EQ(px[0] & 0xFFFFFF, 0x0000FFu); // B,G,R,X: blue in the low byte
    DeleteObject(copy);
    ShowWindow(hwnd, SW_HIDE);
    EXPECT_EQ(windowPixel(hwnd, 1, 1), 0xFFFFFFFFu);
    DestroyWindow(hwnd);
}

} // namespace
