#include "ControlTestSupport.h"

#include "plat/commctrl.h"
#include "plat/focus.h"

#include <gtest/gtest.h>

using vnt::test::ControlParent;
using vnt::test::printsAsShown;

namespace {

// Some content for the controls that hold items.
void fill(HWND hwnd, const std::string& cls)
{
    for (const char* s : {"one", "two", "three", "four", "five"}) {
        if (cls == "ListBox")
            SendMessageA(hwnd, LB_ADDSTRING, 0, LPARAM(s));
        if (cls == WC_LISTVIEWA) {
            LVITEMA item{LVIF_TEXT, 99, 0, 0, 0, const_cast<char*>(s), 0, 0, 0, 0};
            SendMessageA(hwnd, LVM_INSERTITEMA, 0, LPARAM(&item));
        }
        if (cls == WC_TREEVIEWA) {
            TVINSERTSTRUCTA in{};
            in.hParent = HTREEITEM(SendMessageA(hwnd, TVM_GETNEXTITEM, TVGN_ROOT, 0));
            in.hInsertAfter = TVI_LAST;
            in.item.mask = TVIF_TEXT;
            in.item.pszText = const_cast<char*>(s);
            SendMessageA(hwnd, TVM_INSERTITEMA, 0, LPARAM(&in));
            SendMessageA(hwnd, TVM_EXPAND, TVE_EXPAND, LPARAM(in.hParent));
        }
    }
    if (cls == WC_LISTVIEWA) {
        LVCOLUMNA column{LVCF_TEXT | LVCF_WIDTH, 0, 80, const_cast<char*>("Name"), 0, 0, 0, 0};
        SendMessageA(hwnd, LVM_INSERTCOLUMNA, 0, LPARAM(&column));
        LVITEMA state{};
        state.state = state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(hwnd, LVM_SETITEMSTATE, 1, LPARAM(&state));
    }
    if (cls == TOOLBARCLASSNAMEA) {
        SendMessageA(hwnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        TBBUTTON buttons[3] = {{0, 1, TBSTATE_ENABLED, TBSTYLE_BUTTON, {}, 0, INT_PTR("One")},
            {0, 0, 0, TBSTYLE_SEP, {}, 0, -1}, {0, 2, TBSTATE_ENABLED | TBSTATE_CHECKED, TBSTYLE_CHECK, {}, 0, -1}};
        SendMessageA(hwnd, TB_ADDBUTTONSA, 3, LPARAM(buttons));
    }
    if (cls == STATUSCLASSNAMEA) {
        const int edges[] = {40, -1};
        SendMessageA(hwnd, SB_SETPARTS, 2, LPARAM(edges));
        SendMessageA(hwnd, SB_SETTEXTA, 1, LPARAM("Ready"));
    }
}

TEST(Controls, PrintClientDrawsWhatTheWindowShows)
{
    const struct {
        const char* cls;
        DWORD style;
        const char* text;
    } cases[] = {
        {"Button", BS_DEFPUSHBUTTON, "OK"},
        {"Button", BS_AUTOCHECKBOX, "Check"},
        {"Static", SS_CENTER, "Some text"},
        {"ListBox", WS_VSCROLL, ""},
        {"Edit", 0, "typed"},
        {"ComboBox", CBS_DROPDOWNLIST, ""},
        {"ScrollBar", SBS_HORZ, ""},
        {STATUSCLASSNAMEA, CCS_NORESIZE, ""},
        {TOOLBARCLASSNAMEA, CCS_NORESIZE, ""},
        {WC_LISTVIEWA, LVS_REPORT, ""},
        {WC_TREEVIEWA, TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, ""},
    };
    for (const auto& c : cases) {
        ControlParent parent;
        HWND hwnd = parent.child(c.cls, c.style, {10, 10, 150, 70}, 4, c.text);
        ASSERT_NE(hwnd, nullptr) << c.cls;
        fill(hwnd, c.cls);
        SetFocus(hwnd);
        ControlParent::pump();
        EXPECT_TRUE(printsAsShown(hwnd)) << c.cls << " " << c.style;
    }
}

} // namespace
