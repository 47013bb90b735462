#include "ControlTestSupport.h"

#include "plat/cursor.h"
#include "plat/module.h"
#include "plat/mouse.h"
#include "plat/sysmetrics.h"

#include <gtest/gtest.h>

using vnt::test::ControlParent;

namespace {

// Records the parent's own clicks.
struct ClickLog {
    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_LBUTTONDOWN)
            ++clicks();
        if (msg == WM_COMMAND)
            codes().push_back(HIWORD(wParam));
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    static int& clicks()
    {
        static int n = 0;
        return n;
    }
    static std::vector<int>& codes()
    {
        static std::vector<int> v;
        return v;
    }
};

TEST(Static, ClicksPassToTheParentUnlessItNotifies)
{
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ClickLog::proc;
    wc.lpszClassName = "Static Click Parent";
    RegisterClassExA(&wc);
    HWND parent = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
        nullptr, nullptr);
    CreateWindowExA(0, "Static", "label", WS_CHILD | WS_VISIBLE, 10, 10, 80, 20, parent, HMENU(3), nullptr, nullptr);
    CreateWindowExA(0, "Static", "link", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 10, 40, 80, 20, parent, HMENU(4), nullptr,
        nullptr);
    ClickLog::clicks() = 0;
    ClickLog::codes().clear();
    plat::headless::click(20, 15);
    ControlParent::pump();
    EXPECT_EQ(ClickLog::clicks(), 1);
    EXPECT_TRUE(ClickLog::codes().empty());
    plat::headless::click(20, 45);
    ControlParent::pump();
    EXPECT_EQ(ClickLog::clicks(), 1);
    EXPECT_EQ(ClickLog::codes(), std::vector<int>{STN_CLICKED});
    DestroyWindow(parent);
    UnregisterClassA(wc.lpszClassName, nullptr);
}

TEST(Static, IconStaticTakesTheIconsSize)
{
    ControlParent parent;
    // The text names an icon of the creating module.
    HWND icon = CreateWindowExA(0, "Static", "#128", WS_CHILD | WS_VISIBLE | SS_ICON, 5, 5, 2, 2, parent.hwnd,
        HMENU(1), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(icon, nullptr);
    RECT r;
    GetWindowRect(icon, &r);
    EXPECT_EQ(r.right - r.left, 32);
    EXPECT_EQ(r.bottom - r.top, 32);
    EXPECT_NE(SendMessageA(icon, STM_GETICON, 0, 0), 0);
    HICON other = LoadIconA(nullptr, MAKEINTRESOURCE(32513));
    const LRESULT previous = SendMessageA(icon, STM_SETICON, WPARAM(other), 0);
    EXPECT_NE(previous, 0);
    EXPECT_EQ(SendMessageA(icon, STM_GETICON, 0, 0), LRESULT(other));
}

TEST(Static, TextWrapsAndAlignsInTheStaticColours)
{
    ControlParent parent;
    parent.hook = [](UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
        if (msg != WM_CTLCOLORSTATIC)
            return false;
        SetTextColor(HDC(wParam), RGB(255, 0, 0));
        result = LRESULT(GetStockObject(WHITE_BRUSH));
        return true;
    };
    // Test font: 7 px per character, 13 px lines; "aa bb" in 21 px wraps after "aa".
    HWND left = parent.child("Static", SS_LEFT, {0, 0, 21, 30}, 1, "aa bb");
    HWND right = parent.child("Static", SS_RIGHT | SS_NOPREFIX, {0, 40, 70, 60}, 2, "&x");
    ControlParent::pump();
    auto px = [](HWND h, int x, int y) { return plat::headless::windowPixel(h, x, y); };
    EXPECT_EQ(px(left, 2, 5), RGB(255, 0, 0)); // glyph box of the first line
    EXPECT_EQ(px(left, 2, 18), RGB(255, 0, 0)); // "bb" on the second
    EXPECT_EQ(px(left, 20, 28), RGB(255, 255, 255));
    // Right aligned, "&" shown: two characters end at the right edge.
    EXPECT_EQ(px(right, 70 - 14 + 2, 5), RGB(255, 0, 0));
    EXPECT_EQ(px(right, 40, 5), RGB(255, 255, 255));
}

} // namespace
