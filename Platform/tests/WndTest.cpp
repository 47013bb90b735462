#include "UiTestSupport.h"

#include "plat/afxwin.h"
#include "plat/errors.h"

#include <gtest/gtest.h>

#include <thread>

using vnt::test::createMessageWindow;
using vnt::test::ScopedClass;

namespace {

class ProbeWnd : public CWnd {
public:
    std::vector<UINT> seen;
    int postNcDestroyCalls = 0;
    HWND handleAtPostNcDestroy = reinterpret_cast<HWND>(1);
    BOOL allowCreate = TRUE;
    bool deleteSelf = false;
    bool* deleted = nullptr;

    ~ProbeWnd() override
    {
        if (deleted)
            *deleted = true;
    }

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override
    {
        // As a hidden message window would: its own style and a message-only parent.
        cs.style = LONG(WS_POPUP);
        cs.dwExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
        cs.hwndParent = HWND_MESSAGE;
        return allowCreate && CWnd::PreCreateWindow(cs);
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        seen.push_back(message);
        if (message == WM_USER + 1)
            return 77;
        return CWnd::WindowProc(message, wParam, lParam);
    }
    void PostNcDestroy() override
    {
        ++postNcDestroyCalls;
        handleAtPostNcDestroy = m_hWnd;
        if (deleteSelf)
            delete this;
    }
};

bool contains(const std::vector<UINT>& v, UINT m) { return std::find(v.begin(), v.end(), m) != v.end(); }

TEST(Wnd, CreateExAttachesBeforeTheFirstMessageAndDetachesAfterTheLast)
{
    ProbeWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "probe", 0, 0, 0, 0, 0, nullptr, nullptr));
    ASSERT_NE(wnd.m_hWnd, nullptr);
    ASSERT_GE(wnd.seen.size(), 2u);
    EXPECT_EQ(wnd.seen[0], UINT(WM_NCCREATE));
    EXPECT_EQ(wnd.seen[1], UINT(WM_CREATE));
    EXPECT_EQ(CWnd::FromHandle(wnd.m_hWnd), &wnd);
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);
    EXPECT_EQ(DWORD(GetWindowLongPtrA(wnd, GWL_STYLE)), DWORD(WS_POPUP));
    EXPECT_EQ(DWORD(GetWindowLongPtrA(wnd, GWL_EXSTYLE)), DWORD(WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
    EXPECT_EQ(SendMessageA(wnd, WM_USER + 1, 0, 0), 77);
    char title[16];
    EXPECT_EQ(GetWindowTextA(wnd, title, sizeof title), 5); // default processing kept the title

    HWND hwnd = wnd.m_hWnd;
    EXPECT_TRUE(wnd.DestroyWindow());
    EXPECT_TRUE(contains(wnd.seen, WM_DESTROY));
    EXPECT_EQ(wnd.seen.back(), UINT(WM_NCDESTROY));
    EXPECT_EQ(wnd.postNcDestroyCalls, 1);
    EXPECT_EQ(wnd.handleAtPostNcDestroy, nullptr);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
    EXPECT_FALSE(wnd.DestroyWindow());
}

TEST(Wnd, RefusedPreCreateCallsPostNcDestroyAndCreatesNothing)
{
    ProbeWnd wnd;
    wnd.allowCreate = FALSE;
    EXPECT_FALSE(wnd.CreateEx(0, nullptr, "", 0, 0, 0, 0, 0, nullptr, nullptr));
    EXPECT_EQ(wnd.postNcDestroyCalls, 1);
    EXPECT_TRUE(wnd.seen.empty());
    EXPECT_EQ(wnd.m_hWnd, nullptr);

    ProbeWnd noClass;
    EXPECT_FALSE(noClass.CreateEx(0, "No Such Class", "", 0, 0, 0, 0, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CANNOT_FIND_WND_CLASS));
    EXPECT_EQ(noClass.postNcDestroyCalls, 1);
}

LRESULT CALLBACK ClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_USER + 2)
        return 5;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(Wnd, DefaultProcessingIsTheClassProcedure)
{
    ScopedClass cls("Wnd Class", ClassProc);
    ProbeWnd wnd;
    RECT empty{0, 0, 0, 0};
    ASSERT_TRUE(wnd.CreateEx(0, "Wnd Class", "", 0, empty, nullptr, 0));
    EXPECT_EQ(SendMessageA(wnd, WM_USER + 2, 0, 0), 5);
    EXPECT_EQ(GetWindowLongPtrA(wnd, GWLP_WNDPROC), LONG_PTR(AfxWndProc));
    wnd.DestroyWindow();
}

TEST(Wnd, AHeapWindowObjectMayDeleteItselfAtTheEnd)
{
    // Through the plain call (which reaches the object too) and through the object's own.
    for (const bool throughObject : {false, true}) {
        bool deleted = false;
        auto* wnd = new ProbeWnd;
        wnd->deleteSelf = true;
        wnd->deleted = &deleted;
        ASSERT_TRUE(wnd->CreateEx(0, nullptr, "", 0, 0, 0, 0, 0, nullptr, nullptr));
        HWND hwnd = wnd->m_hWnd;
        EXPECT_TRUE(throughObject ? wnd->DestroyWindow() : DestroyWindow(hwnd)) << throughObject;
        EXPECT_TRUE(deleted) << throughObject;
        EXPECT_FALSE(IsWindow(hwnd)) << throughObject;
    }
}

TEST(Wnd, DestroyingTheObjectDestroysItsWindow)
{
    HWND hwnd;
    {
        ProbeWnd wnd;
        ASSERT_TRUE(wnd.CreateEx(0, nullptr, "", 0, 0, 0, 0, 0, nullptr, nullptr));
        hwnd = wnd.m_hWnd;
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
}

TEST(Wnd, FromHandleGivesATemporaryObjectForAPlainWindow)
{
    ScopedClass cls("Plain For Wnd", DefWindowProcA);
    HWND hwnd = createMessageWindow("Plain For Wnd");
    CWnd* temp = CWnd::FromHandle(hwnd);
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(temp->m_hWnd, hwnd);
    EXPECT_EQ(CWnd::FromHandle(hwnd), temp);
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);

    CWnd attached;
    EXPECT_TRUE(attached.Attach(hwnd));
    EXPECT_EQ(CWnd::FromHandle(hwnd), &attached);
    EXPECT_FALSE(CWnd().Attach(hwnd)); // one object per window
    EXPECT_EQ(attached.Detach(), hwnd);
    DestroyWindow(hwnd);
}

} // namespace

namespace {

TEST(Wnd, TemporaryObjectsNeverDestroyTheirWindow)
{
    ScopedClass cls("Temp Owner", DefWindowProcA);
    HWND hwnd = createMessageWindow("Temp Owner");
    std::thread([hwnd] { EXPECT_EQ(CWnd::FromHandle(hwnd)->m_hWnd, hwnd); }).join(); // its map ends with it
    EXPECT_TRUE(IsWindow(hwnd));
    DestroyWindow(hwnd);
}

} // namespace
