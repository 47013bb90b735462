#include "UiTestSupport.h"

#include "plat/afxwin.h"
#include "plat/headless.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using plat::headless::pumpUntilIdle;
using vnt::test::ScopedClass;

namespace {

// What the window's previous procedure received, with the lParam that came with it.
std::vector<std::pair<UINT, LPARAM>> g_previous;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    g_previous.push_back({msg, lParam});
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool previousSaw(UINT msg, LPARAM lParam)
{
    for (auto& [m, l] : g_previous)
        if (m == msg && l == lParam)
            return true;
    return false;
}

class BaseWnd : public CWnd {
public:
    std::vector<std::string> calls;
    BOOL updateLeftAfterPaint = TRUE;

protected:
    void OnPaint()
    {
        CPaintDC dc(this);
        calls.push_back("base paint");
    }
    LRESULT OnUser(WPARAM, LPARAM)
    {
        calls.push_back("base user");
        return 1;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
    ON_WM_PAINT()
    ON_MESSAGE(WM_USER, OnUser)
END_MESSAGE_MAP()

class DerivedWnd : public BaseWnd {
protected:
    void OnSize(UINT nType, int cx, int cy)
    {
        calls.push_back("derived size " + std::to_string(cx) + "x" + std::to_string(cy));
        SendMessage(WM_USER + 5, 0, 0x1234); // a nested message must not change what Default() passes on
        CWnd::OnSize(nType, cx, cy);
    }
    LRESULT OnUser(WPARAM, LPARAM)
    {
        calls.push_back("derived user");
        return 2;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedWnd, BaseWnd)
    ON_WM_SIZE()
    ON_MESSAGE(WM_USER, OnUser)
END_MESSAGE_MAP()

class AfxMapTest : public ::testing::Test {
protected:
    ScopedClass cls{"AfxMapRecording", RecordingProc};
    void SetUp() override { g_previous.clear(); }
};

TEST_F(AfxMapTest, DerivedEntriesWinBaseEntriesRunAndTheRestReachesThePreviousProcedure)
{
    DerivedWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, cls.name(), "maps", WS_POPUP | WS_VISIBLE, 0, 0, 100, 80, nullptr, nullptr));
    pumpUntilIdle();
    wnd.calls.clear();
    g_previous.clear();

    EXPECT_EQ(wnd.SendMessage(WM_USER), 2);
    EXPECT_EQ(wnd.calls, std::vector<std::string>{"derived user"});
    EXPECT_FALSE(previousSaw(WM_USER, 0));

    EXPECT_EQ(wnd.SendMessage(WM_USER + 7, 0, 99), 0);
    EXPECT_TRUE(previousSaw(WM_USER + 7, 99));

    wnd.calls.clear();
    wnd.Invalidate();
    wnd.UpdateWindow();
    EXPECT_EQ(wnd.calls, std::vector<std::string>{"base paint"});
    RECT update;
    EXPECT_FALSE(GetUpdateRect(wnd, &update, FALSE)) << "CPaintDC validates the window";
    EXPECT_FALSE(previousSaw(WM_PAINT, 0));
    wnd.DestroyWindow();
}

TEST_F(AfxMapTest, DefaultPassesTheHandledMessageOnAfterANestedSend)
{
    DerivedWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, cls.name(), "maps", WS_POPUP, 0, 0, 100, 80, nullptr, nullptr));
    g_previous.clear();
    wnd.calls.clear();
    wnd.MoveWindow(0, 0, 120, 90);
    EXPECT_EQ(wnd.calls, std::vector<std::string>{"derived size 120x90"});
    ASSERT_GE(g_previous.size(), 2u);
    EXPECT_TRUE(previousSaw(WM_USER + 5, 0x1234));
    EXPECT_TRUE(previousSaw(WM_SIZE, MAKELPARAM(120, 90)));
    wnd.DestroyWindow();
}

// A control that colours and handles its own notifications, and a parent that records what
// reaches it.
class ReflectingChild : public CWnd {
public:
    std::vector<std::string>* log = nullptr;
    CBrush brush{RGB(1, 2, 3)};
    BOOL passClicks = FALSE;

protected:
    void OnSelChange() { log->push_back("child selchange"); }
    BOOL OnClicked()
    {
        log->push_back("child clicked");
        return !passClicks;
    }
    void OnNotifyCode(NMHDR* header, LRESULT* result)
    {
        log->push_back("child notify " + std::to_string(header->code));
        *result = 42;
    }
    HBRUSH CtlColor(CDC*, UINT nCtlColor) { return nCtlColor == CTLCOLOR_STATIC ? HBRUSH(brush) : nullptr; }
    DECLARE_MESSAGE_MAP()
};

constexpr UINT kSelChange = 1;
constexpr UINT kClicked = 0;
constexpr UINT kNotifyCode = 77;

BEGIN_MESSAGE_MAP(ReflectingChild, CWnd)
    ON_CONTROL_REFLECT(kSelChange, OnSelChange)
    ON_CONTROL_REFLECT_EX(kClicked, OnClicked)
    ON_NOTIFY_REFLECT(kNotifyCode, OnNotifyCode)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class RecordingParent : public CWnd {
public:
    std::vector<std::string> log;

protected:
    void OnChildSelChange() { log.push_back("parent selchange"); }
    void OnChildClicked() { log.push_back("parent clicked"); }
    HBRUSH OnCtlColor(CDC*, CWnd*, UINT)
    {
        log.push_back("parent ctlcolor");
        return HBRUSH(GetStockObject(WHITE_BRUSH));
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(RecordingParent, CWnd)
    ON_CONTROL(kSelChange, 10, OnChildSelChange)
    ON_COMMAND(10, OnChildClicked)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

TEST(AfxReflection, TheChildHandlesItsNotificationsBeforeTheParent)
{
    RecordingParent parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr));
    ReflectingChild child;
    child.log = &parent.log;
    ASSERT_TRUE(child.Create(nullptr, "child", WS_VISIBLE, CRect(0, 0, 50, 20), &parent, 10));

    parent.SendMessage(WM_COMMAND, MAKEWPARAM(10, kSelChange), LPARAM(child.m_hWnd));
    EXPECT_EQ(parent.log, std::vector<std::string>{"child selchange"});

    parent.log.clear();
    parent.SendMessage(WM_COMMAND, MAKEWPARAM(10, kClicked), LPARAM(child.m_hWnd));
    child.passClicks = TRUE;
    parent.SendMessage(WM_COMMAND, MAKEWPARAM(10, kClicked), LPARAM(child.m_hWnd));
    EXPECT_EQ(parent.log, (std::vector<std::string>{"child clicked", "child clicked", "parent clicked"}));

    parent.log.clear();
    NMHDR header{child.m_hWnd, 10, kNotifyCode};
    EXPECT_EQ(parent.SendMessage(WM_NOTIFY, 10, LPARAM(&header)), 42);
    EXPECT_EQ(parent.log, std::vector<std::string>{"child notify 77"});

    parent.log.clear();
    HDC hdc = GetDC(child);
    EXPECT_EQ(HBRUSH(parent.SendMessage(WM_CTLCOLORSTATIC, WPARAM(hdc), LPARAM(child.m_hWnd))), HBRUSH(child.brush));
    EXPECT_TRUE(parent.log.empty());
    EXPECT_EQ(HGDIOBJ(parent.SendMessage(WM_CTLCOLOREDIT, WPARAM(hdc), LPARAM(child.m_hWnd))),
        GetStockObject(WHITE_BRUSH))
        << "a null reflected brush leaves the message to the parent";
    EXPECT_EQ(parent.log, std::vector<std::string>{"parent ctlcolor"});
    ReleaseDC(child, hdc);
    parent.DestroyWindow();
}

TEST(AfxDc, FromHandleOfNullOrADeletedDcIsNullAndNeverDeletesTheHandle)
{
    EXPECT_EQ(CDC::FromHandle(nullptr), nullptr);
    HDC hdc = CreateCompatibleDC(nullptr);
    CDC* dc = CDC::FromHandle(hdc);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(dc->m_hDC, hdc);
    EXPECT_EQ(CDC::FromHandle(hdc), dc);
    CDC::DeleteTempMap();
    EXPECT_EQ(GetObjectType(hdc), DWORD(OBJ_MEMDC)) << "dropping the temporary object leaves its DC";
    DeleteDC(hdc);
    EXPECT_EQ(CDC::FromHandle(hdc), nullptr);

    HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));
    CBrush* temp = CBrush::FromHandle(brush);
    ASSERT_NE(temp, nullptr);
    CGdiObject::DeleteTempMap();
    LOGBRUSH lb{};
    EXPECT_EQ(GetObjectA(brush, sizeof lb, &lb), int(sizeof lb));
    DeleteObject(brush);
}

TEST(AfxDc, FillSolidRectLeavesItsColourAsTheBackground)
{
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&dc, 8, 8));
    CBitmap* old = dc.SelectObject(&bitmap);
    dc.FillSolidRect(1, 1, 3, 3, RGB(200, 10, 20));
    EXPECT_EQ(dc.GetBkColor(), RGB(200, 10, 20));
    EXPECT_EQ(dc.GetPixel(2, 2), RGB(200, 10, 20));
    EXPECT_NE(dc.GetPixel(5, 5), RGB(200, 10, 20));
    dc.SelectObject(old);
}

TEST(AfxTypes, RectanglesFollowTheFrameworksRules)
{
    struct Case {
        CRect rect;
        BOOL empty;
    } cases[] = {{CRect(0, 0, 1, 1), FALSE}, {CRect(0, 0, 0, 5), TRUE}, {CRect(5, 5, 4, 9), TRUE}};
    for (const Case& c : cases)
        EXPECT_EQ(c.rect.IsRectEmpty(), c.empty) << c.rect.left << "," << c.rect.right;

    CRect r(10, 10, 20, 20);
    EXPECT_TRUE(r.PtInRect(CPoint(10, 10)));
    EXPECT_FALSE(r.PtInRect(CPoint(20, 15)));
    EXPECT_FALSE(r.PtInRect(CPoint(15, 20)));

    CRect out(1, 2, 3, 4);
    EXPECT_FALSE(out.IntersectRect(&r, CRect(30, 30, 40, 40)));
    EXPECT_TRUE(out.IsRectNull());
    EXPECT_TRUE(out.IntersectRect(&r, CRect(15, 0, 40, 12)));
    EXPECT_EQ(out, CRect(15, 10, 20, 12));
    EXPECT_EQ(CPoint(MAKELPARAM(-3, 7)), CPoint(-3, 7));
}

} // namespace

namespace {

TEST(AfxWndMembers, IconsAreKeptPerSizeByTheDefaultProcedure)
{
    CWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "icons", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    HICON big = reinterpret_cast<HICON>(0x1234), small = reinterpret_cast<HICON>(0x5678);
    EXPECT_EQ(wnd.SetIcon(big, TRUE), nullptr);
    EXPECT_EQ(wnd.SetIcon(small, FALSE), nullptr);
    EXPECT_EQ(wnd.GetIcon(TRUE), big);
    EXPECT_EQ(wnd.GetIcon(FALSE), small);
    EXPECT_EQ(wnd.SetIcon(nullptr, TRUE), big);
    wnd.DestroyWindow();
}

} // namespace
