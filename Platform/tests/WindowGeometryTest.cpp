#include "UiTestSupport.h"

#include "plat/errors.h"
#include "plat/headless.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

using vnt::test::ScopedClass;

namespace {

struct Seen {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool visibleThen;
    bool operator==(const Seen&) const = default;
};
std::vector<Seen> g_seen;

LRESULT CALLBACK GeometryProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SIZE || msg == WM_MOVE || msg == WM_SHOWWINDOW || msg == WM_ENABLE || msg == WM_CREATE)
        g_seen.push_back({hwnd, msg, wParam, msg == WM_CREATE ? 0 : lParam, IsWindowVisible(hwnd) != FALSE});
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

std::vector<std::pair<UINT, LPARAM>> seenOf(HWND hwnd)
{
    std::vector<std::pair<UINT, LPARAM>> out;
    for (const Seen& s : g_seen)
        if (s.hwnd == hwnd || !hwnd)
            out.emplace_back(s.msg, s.lParam);
    return out;
}

class WindowGeometry : public ::testing::Test {
protected:
    ScopedClass cls{"Geometry Class", GeometryProc};
    void SetUp() override { g_seen.clear(); }
    HWND make(DWORD style, DWORD exStyle, int x, int y, int cx, int cy, HWND parent = nullptr)
    {
        return CreateWindowExA(exStyle, cls.name(), "", style, x, y, cx, cy, parent, nullptr, nullptr, nullptr);
    }
};

TEST_F(WindowGeometry, SizeAndMoveFollowCreationAndEachChange)
{
    HWND top = make(WS_POPUP, 0, 10, 20, 300, 200);
    HWND child = make(WS_CHILD | WS_BORDER, 0, 5, 6, 50, 40, top);
    using V = std::vector<std::pair<UINT, LPARAM>>;
    EXPECT_EQ(seenOf(top), (V{{WM_CREATE, 0}, {WM_SIZE, MAKELPARAM(300, 200)}, {WM_MOVE, MAKELPARAM(10, 20)}}));
    EXPECT_EQ(seenOf(child), (V{{WM_CREATE, 0}, {WM_SIZE, MAKELPARAM(48, 38)}, {WM_MOVE, MAKELPARAM(6, 7)}}));

    g_seen.clear();
    SetWindowPos(child, nullptr, 7, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(seenOf(nullptr), (V{{WM_MOVE, MAKELPARAM(8, 7)}}));
    g_seen.clear();
    MoveWindow(child, 7, 6, 60, 40, TRUE);
    EXPECT_EQ(seenOf(nullptr), (V{{WM_SIZE, MAKELPARAM(58, 38)}}));
    g_seen.clear();
    MoveWindow(child, 7, 6, 60, 40, TRUE);
    EXPECT_TRUE(g_seen.empty());
    // A style that adds a scroll bar takes effect with SWP_FRAMECHANGED.
    SetWindowLongPtrA(child, GWL_STYLE, WS_CHILD | WS_BORDER | WS_VSCROLL);
    SetWindowPos(child, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    EXPECT_EQ(seenOf(nullptr), (V{{WM_SIZE, MAKELPARAM(58 - GetSystemMetrics(SM_CXVSCROLL), 38)}}));

    // Minimised from the start: SIZE_MINIMIZED without a size.
    g_seen.clear();
    HWND small = make(WS_POPUP | WS_MINIMIZE, 0, 0, 0, 30, 30);
    EXPECT_TRUE(IsIconic(small));
    ASSERT_GE(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[1].msg, UINT(WM_SIZE));
    EXPECT_EQ(g_seen[1].wParam, WPARAM(SIZE_MINIMIZED));
    EXPECT_EQ(g_seen[1].lParam, 0);
    g_seen.clear();
    ShowWindow(small, SW_RESTORE);
    EXPECT_FALSE(IsIconic(small));
    EXPECT_EQ(seenOf(small), (V{{WM_SHOWWINDOW, 0}, {WM_SIZE, MAKELPARAM(30, 30)}}));
    DestroyWindow(small);
    DestroyWindow(top);
}

TEST_F(WindowGeometry, NonClientEdgesNarrowTheClientArea)
{
    HWND parent = make(WS_POPUP, 0, 0, 0, 400, 400);
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    struct Case {
        const char* what;
        DWORD style;
        DWORD exStyle;
        LONG edge; // on each side
        LONG right, bottom; // scroll bars
    } cases[] = {
        {"caption top-level", WS_OVERLAPPED | WS_CAPTION, 0, 0, 0, 0},
        {"thick-frame top-level with client edge", WS_POPUP | WS_THICKFRAME, WS_EX_CLIENTEDGE, 0, 0, 0},
        {"bordered popup", WS_POPUP | WS_BORDER, 0, 1, 0, 0},
        {"child with client edge", WS_CHILD, WS_EX_CLIENTEDGE, 2, 0, 0},
        {"child with static edge", WS_CHILD, WS_EX_STATICEDGE, 1, 0, 0},
        {"child with border and client edge", WS_CHILD | WS_BORDER, WS_EX_CLIENTEDGE, 3, 0, 0},
        {"child with caption", WS_CHILD | WS_CAPTION, 0, 1, 0, 0},
        {"child with both scroll bars", WS_CHILD | WS_VSCROLL | WS_HSCROLL, 0, 0, bar, bar},
    };
    for (const Case& c : cases) {
        HWND hwnd = make(c.style, c.exStyle, 10, 10, 100, 80, (c.style & WS_CHILD) ? parent : nullptr);
        RECT client{}, window{};
        GetClientRect(hwnd, &client);
        GetWindowRect(hwnd, &window);
        EXPECT_EQ(client.right, 100 - 2 * c.edge - c.right) << c.what;
        EXPECT_EQ(client.bottom, 80 - 2 * c.edge - c.bottom) << c.what;
        POINT origin{0, 0};
        ClientToScreen(hwnd, &origin);
        EXPECT_EQ(origin.x - window.left, c.edge) << c.what;
        EXPECT_EQ(origin.y - window.top, c.edge) << c.what;
        DestroyWindow(hwnd);
    }
    DestroyWindow(parent);
}

TEST_F(WindowGeometry, CoordinatesNestThroughParentsAndEdges)
{
    HWND top = make(WS_POPUP | WS_BORDER, 0, 100, 50, 400, 300);
    HWND child = make(WS_CHILD, WS_EX_CLIENTEDGE, 10, 20, 200, 100, top);
    HWND grandchild = make(WS_CHILD, 0, 3, 4, 50, 50, child);

    RECT r{};
    EXPECT_TRUE(GetWindowRect(grandchild, &r));
    EXPECT_EQ(r.left, 116);
    EXPECT_EQ(r.top, 77);
    EXPECT_EQ(r.right, 166);
    EXPECT_EQ(r.bottom, 127);

    POINT p{1, 2};
    ClientToScreen(grandchild, &p);
    EXPECT_EQ(p.x, 117);
    EXPECT_EQ(p.y, 79);
    ScreenToClient(top, &p);
    EXPECT_EQ(p.x, 117 - 101);
    EXPECT_EQ(p.y, 79 - 51);

    POINT pts[2] = {{0, 0}, {5, 5}};
    const int shift = MapWindowPoints(grandchild, top, pts, 2);
    EXPECT_EQ(short(LOWORD(shift)), 15);
    EXPECT_EQ(short(HIWORD(shift)), 26);
    EXPECT_EQ(pts[1].x, 20);
    EXPECT_EQ(pts[1].y, 31);
    EXPECT_EQ(short(LOWORD(MapWindowPoints(nullptr, grandchild, nullptr, 0))), -116);

    SetLastError(0);
    EXPECT_FALSE(GetClientRect(HWND(0x1234), &r));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    DestroyWindow(top);
}

TEST_F(WindowGeometry, ShowingHidingAndEnabling)
{
    HWND top = make(WS_POPUP, 0, 0, 0, 100, 100);
    HWND child = make(WS_CHILD | WS_VISIBLE, 0, 0, 0, 10, 10, top);
    EXPECT_FALSE(IsWindowVisible(child)); // its parent is hidden
    for (const Seen& s : g_seen)
        EXPECT_NE(s.msg, UINT(WM_SHOWWINDOW)); // WS_VISIBLE at creation shows without it

    g_seen.clear();
    EXPECT_FALSE(ShowWindow(top, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(child));
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(g_seen[0], (Seen{top, WM_SHOWWINDOW, TRUE, 0, false})); // sent before it shows
    EXPECT_TRUE(ShowWindow(top, SW_SHOW));
    g_seen.clear();
    EXPECT_TRUE(ShowWindow(top, SW_HIDE));
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0], (Seen{top, WM_SHOWWINDOW, FALSE, 0, true}));
    g_seen.clear();
    SetWindowPos(top, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    EXPECT_TRUE(IsWindowVisible(top));
    EXPECT_TRUE(g_seen.empty());

    g_seen.clear();
    EXPECT_FALSE(EnableWindow(child, FALSE)); // was enabled
    EXPECT_TRUE(EnableWindow(child, FALSE));
    EXPECT_FALSE(IsWindowEnabled(child));
    EXPECT_TRUE(EnableWindow(child, TRUE));
    EXPECT_TRUE(IsWindowEnabled(child));
    EXPECT_EQ(seenOf(child), (std::vector<std::pair<UINT, LPARAM>>{{WM_ENABLE, 0}, {WM_ENABLE, 0}}));
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].wParam, WPARAM(FALSE));
    EXPECT_EQ(g_seen[1].wParam, WPARAM(TRUE));

    g_seen.clear();
    ShowWindow(top, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(top));
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].wParam, WPARAM(SIZE_MINIMIZED));
    DestroyWindow(top);
}

TEST_F(WindowGeometry, DefaultPlacementAndNegativeSizes)
{
    plat::headless::setScreenSize(800, 600);
    HWND top = make(WS_POPUP, 0, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0);
    HWND child = make(WS_CHILD, 0, 0, 0, -5, -5, top);
    RECT r{};
    GetWindowRect(top, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 600);
    EXPECT_EQ(r.bottom, 450);
    GetClientRect(child, &r);
    EXPECT_EQ(r.right, 0);
    EXPECT_EQ(r.bottom, 0);
    DestroyWindow(top);
    plat::headless::setScreenSize(0, 0);
}

} // namespace
