#include "ControlTestSupport.h"

#include "plat/afxwin.h"

#include <gtest/gtest.h>

using vnt::test::ControlParent;
using vnt::test::windowText;

namespace {

// A scroll bar object that sees the settings its window is given, as a framework subclass does.
class WatchedScrollBar : public CScrollBar {
public:
    int settings = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == SBM_SETSCROLLINFO)
            ++settings;
        return CScrollBar::WindowProc(message, wParam, lParam);
    }
};

TEST(AfxControls, WindowObjectsDriveTheBuiltInControls)
{
    ControlParent parent;
    CWnd* host = CWnd::FromHandle(parent.hwnd);

    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, RECT{10, 10, 150, 34}, host, 11));
    SetWindowTextA(edit, "abcdef");
    edit.SetSel(1, 3);
    int start = 0, end = 0;
    edit.GetSel(start, end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 3);
    EXPECT_EQ(edit.GetSel(), DWORD(MAKELONG(1, 3)));
    edit.LimitText(5);
    EXPECT_EQ(edit.GetLimitText(), 5u);
    edit.Clear();
    EXPECT_EQ(windowText(edit), "adef");
    edit.SetPasswordChar('#');
    EXPECT_EQ(edit.GetPasswordChar(), '#');

    CComboBox combo;
    ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_SORT, RECT{10, 50, 150, 150}, host, 12));
    combo.AddString("beta");
    combo.AddString("Alpha");
    EXPECT_EQ(combo.InsertString(-1, "zulu"), 2);
    char text[16];
    EXPECT_EQ(combo.GetLBText(0, text), 5);
    EXPECT_STREQ(text, "Alpha");
    EXPECT_EQ(combo.GetLBTextLen(1), 4);
    EXPECT_EQ(combo.SetItemData(1, 77), TRUE);
    EXPECT_EQ(combo.GetItemData(1), DWORD_PTR(77));
    EXPECT_EQ(combo.SetCurSel(2), 2);
    EXPECT_EQ(combo.GetCurSel(), 2);
    EXPECT_FALSE(combo.LimitText(4)) << "no edit field to limit";
    EXPECT_EQ(combo.GetEditSel(), DWORD(CB_ERR));
    EXPECT_EQ(combo.GetCount(), 3);
    combo.ResetContent();
    EXPECT_EQ(combo.GetCount(), 0);

    WatchedScrollBar bar;
    ASSERT_TRUE(bar.Create(WS_CHILD | WS_VISIBLE | SBS_HORZ, RECT{10, 200, 200, 216}, host, 13));
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 50, 10, 45, 0};
    EXPECT_TRUE(bar.SetScrollInfo(&si));
    EXPECT_EQ(bar.settings, 1);
    SCROLLINFO back{sizeof back, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(bar.GetScrollInfo(&back));
    EXPECT_EQ(back.nPos, 41);
    EXPECT_EQ(back.nMax, 50);
    bar.ShowScrollBar(FALSE);
    EXPECT_FALSE(IsWindowVisible(bar));
}

} // namespace
