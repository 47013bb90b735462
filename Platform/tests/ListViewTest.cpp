#include "ControlTestSupport.h"

#include "plat/commctrl.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/sysmetrics.h"

#include <cstring>

#include <gtest/gtest.h>

using plat::headless::click;
using vnt::test::ControlParent;

namespace {

// Test font: rows of 13 + 3 = 16 px under a header of 19 px.
constexpr int kRow = 16;
constexpr int kHeader = 19;

struct ListViewFixture {
    explicit ListViewFixture(DWORD style = LVS_REPORT, int items = 5)
        : view(parent.child(WC_LISTVIEWA, style, {0, 0, 200, 150}, 6))
    {
        LVCOLUMNA column{LVCF_TEXT | LVCF_WIDTH, 0, 60, const_cast<char*>("Name"), 0, 0, 0, 0};
        SendMessageA(view, LVM_INSERTCOLUMNA, 0, LPARAM(&column));
        column.pszText = const_cast<char*>("Size");
        SendMessageA(view, LVM_INSERTCOLUMNA, 1, LPARAM(&column));
        for (int i = 0; i < items; ++i) {
            std::string text = "item" + std::to_string(i);
            LVITEMA item{LVIF_TEXT, 1000, 0, 0, 0, text.data(), 0, 0, 0, 0}; // past the end: clamped
            EXPECT_EQ(SendMessageA(view, LVM_INSERTITEMA, 0, LPARAM(&item)), i);
        }
        ControlParent::pump();
        parent.events.clear();
    }
    std::vector<NMLISTVIEW> changes() const
    {
        std::vector<NMLISTVIEW> out;
        for (const auto& n : notes)
            if (n.hdr.code == UINT(LVN_ITEMCHANGED))
                out.push_back(n);
        return out;
    }
    std::vector<int> codes() const
    {
        std::vector<int> out;
        for (const auto& n : notes)
            out.push_back(int(n.hdr.code));
        return out;
    }
    void record()
    {
        parent.hook = [this](UINT msg, WPARAM, LPARAM lParam, LRESULT&) {
            if (msg == WM_NOTIFY) {
                NMLISTVIEW copy{};
                std::memcpy(&copy, reinterpret_cast<const void*>(lParam), sizeof copy);
                notes.push_back(copy);
            }
            return false;
        };
    }
    int next(int from, UINT flags) const { return int(SendMessageA(view, LVM_GETNEXTITEM, WPARAM(from), flags)); }
    POINT rowPoint(int i) const { return POINT{10, kHeader + i * kRow + kRow / 2}; }

    ControlParent parent;
    HWND view;
    std::vector<NMLISTVIEW> notes;
};

TEST(ListView, NextItemWalksTheSelectionAndEveryChangeIsTold)
{
    ListViewFixture f;
    f.record();
    LVITEMA state{};
    state.state = state.stateMask = LVIS_SELECTED;
    SendMessageA(f.view, LVM_SETITEMSTATE, 0, LPARAM(&state));
    SendMessageA(f.view, LVM_SETITEMSTATE, 4, LPARAM(&state));
    SendMessageA(f.view, LVM_SETITEMSTATE, 4, LPARAM(&state)); // no change, no notification
    EXPECT_EQ(f.next(-1, LVNI_SELECTED), 0);
    EXPECT_EQ(f.next(0, LVNI_SELECTED), 4);
    EXPECT_EQ(f.next(4, LVNI_SELECTED), -1);
    EXPECT_EQ(f.next(-1, LVNI_ALL), 0);
    EXPECT_EQ(f.next(-1, LVNI_FOCUSED), -1);
    ASSERT_EQ(f.changes().size(), 2u);
    EXPECT_EQ(f.changes()[1].iItem, 4);
    EXPECT_EQ(f.changes()[1].uNewState, UINT(LVIS_SELECTED));
    EXPECT_EQ(f.changes()[1].uOldState, 0u);
    EXPECT_EQ(f.changes()[1].uChanged, UINT(LVIF_STATE));
    // -1: every item.
    state.state = 0;
    SendMessageA(f.view, LVM_SETITEMSTATE, WPARAM(-1), LPARAM(&state));
    EXPECT_EQ(f.next(-1, LVNI_SELECTED), -1);
    EXPECT_EQ(f.changes().size(), 4u);
}

TEST(ListView, ClicksSelectTogglesAndRanges)
{
    ListViewFixture f;
    f.record();
    const POINT p1 = f.rowPoint(1), p3 = f.rowPoint(3);
    click(p1.x, p1.y);
    ControlParent::pump();
    EXPECT_EQ(f.codes(), (std::vector<int>{LVN_ITEMCHANGED, LVN_ITEMCHANGED, NM_CLICK}));
    plat::headless::key(VK_SHIFT, true);
    click(p3.x, p3.y);
    plat::headless::key(VK_SHIFT, false);
    ControlParent::pump();
    std::vector<int> selected;
    for (int i = f.next(-1, LVNI_SELECTED); i >= 0; i = f.next(i, LVNI_SELECTED))
        selected.push_back(i);
    EXPECT_EQ(selected, (std::vector<int>{1, 2, 3}));
    plat::headless::key(VK_CONTROL, true);
    click(p1.x, p1.y + kRow);
    plat::headless::key(VK_CONTROL, false);
    ControlParent::pump();
    EXPECT_EQ(SendMessageA(f.view, LVM_GETITEMSTATE, 2, LVIS_SELECTED | LVIS_FOCUSED), LVIS_FOCUSED);
    EXPECT_EQ(f.next(-1, LVNI_FOCUSED), 2);

    ListViewFixture single(LVS_REPORT | LVS_SINGLESEL);
    plat::headless::key(VK_SHIFT, true);
    click(p1.x, p1.y);
    click(p3.x, p3.y);
    plat::headless::key(VK_SHIFT, false);
    ControlParent::pump();
    EXPECT_EQ(single.next(-1, LVNI_SELECTED), 3);
    EXPECT_EQ(single.next(3, LVNI_SELECTED), -1);
}

TEST(ListView, TextsOfItemsAndSubItemsAndTheReportPicture)
{
    ListViewFixture f;
    LVITEMA sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<char*>("a long size text");
    EXPECT_TRUE(SendMessageA(f.view, LVM_SETITEMTEXTA, 0, LPARAM(&sub)));
    char buffer[32] = {};
    LVITEMA get{};
    get.iSubItem = 1;
    get.pszText = buffer;
    get.cchTextMax = sizeof buffer;
    EXPECT_EQ(SendMessageA(f.view, LVM_GETITEMTEXTA, 0, LPARAM(&get)), 16);
    EXPECT_STREQ(buffer, "a long size text");
    get.iSubItem = 0;
    SendMessageA(f.view, LVM_GETITEMTEXTA, 2, LPARAM(&get));
    EXPECT_STREQ(buffer, "item2");
    EXPECT_EQ(SendMessageA(f.view, LVM_GETITEMCOUNT, 0, 0), 5);
    ControlParent::pump();
    // The header in the face colour; the sub-item text ends at its column's right edge (120).
    EXPECT_EQ(plat::headless::windowPixel(f.view, 30, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(plat::headless::windowPixel(f.view, 45, 10), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(plat::headless::windowPixel(f.view, 64 + 2, kHeader + 6), GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(plat::headless::windowPixel(f.view, 125, kHeader + 6), GetSysColor(COLOR_WINDOW));
    EXPECT_TRUE(SendMessageA(f.view, LVM_DELETEALLITEMS, 0, 0));
    EXPECT_EQ(SendMessageA(f.view, LVM_GETITEMCOUNT, 0, 0), 0);
}

} // namespace
