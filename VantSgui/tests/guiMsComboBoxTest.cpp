#include "MsControlBed.h"

#include "guiMsComboBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using gui::test::MessageCounter;
using gui::test::MsControlBed;

// Item rows are the test font's 13 px cell + 2; the field is a row + 6.
constexpr int kRow = 15;
constexpr int kField = 21;

// Counts its callback's calls and keeps the drop-down list's window when it asks for colours.
class Combo : public guiMsComboBox {
public:
    explicit Combo(guiComboType type = 2) : guiMsComboBox(type)
    {
        OnComboBoxCB() = guiMSCOMBOBOXCB(this, &Combo::onChange);
    }
    bool onChange(guiMsComboBox& combo)
    {
        texts.push_back(combo.tcGetText().c_str());
        return true;
    }
    void fill()
    {
        for (const char* item : {"one", "two", "three", "four"})
            InsertListItem(-1, item);
    }

    std::vector<std::string> texts;
    HWND list = nullptr;

protected:
    bool onWindowProc(UINT& msg, WPARAM&, LPARAM& lParam, LRESULT&) override
    {
        if (msg == WM_CTLCOLORLISTBOX)
            list = reinterpret_cast<HWND>(lParam);
        return false;
    }
};

TEST_F(MsControlBed, ComboListOperations)
{
    guiMsComboBox combo;
    place(combo, {10, 10, 160, 210});
    EXPECT_EQ(combo.GetStyle() & 0x3, static_cast<DWORD>(CBS_DROPDOWNLIST));
    EXPECT_NE(combo.GetStyle() & WS_VSCROLL, 0u);
    EXPECT_EQ(combo.InsertListItem(-1, "one"), 0);
    EXPECT_EQ(combo.InsertListItem(-1, "two", 5), 1);
    EXPECT_EQ(combo.InsertListItem(-1, "four"), 2);
    EXPECT_EQ(combo.InsertListItem(2, "three", 7), 2);
    EXPECT_EQ(combo.GetListLength(), 4);
    EXPECT_EQ(combo.GetListItem(2), vbString("three"));
    EXPECT_EQ(combo.GetListItemData(2), 7);
    EXPECT_EQ(combo.GetListItem(3), vbString("four"));
    EXPECT_EQ(combo.GetListItem(4), vbString()) << "no item there";
    EXPECT_EQ(combo.GetListItem(-1), vbString());
    combo.SetListItemData(0, -3);
    EXPECT_EQ(combo.GetListItemData(0), -3);

    // An insertion that fails sets no item's data: its negative index is not used as one.
    {
        MessageCounter counter(combo.GetSafeHwnd());
        EXPECT_LT(combo.InsertListItem(9, "far", 99), 0);
        EXPECT_EQ(counter.count(CB_SETITEMDATA), 0);
    }
    EXPECT_EQ(combo.GetListLength(), 4);
    const std::vector<int> expected{-3, 5, 7, 0};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(combo.GetListItemData(i), expected[static_cast<size_t>(i)]) << i;

    EXPECT_EQ(combo.GetListIndex(), -1);
    EXPECT_EQ(combo.tcGetText(), vbString());
    combo.tcClear();
    EXPECT_EQ(combo.GetListLength(), 0);
}

TEST_F(MsControlBed, ComboSortedKeepsItsItemsInOrder)
{
    guiMsComboBox combo;
    combo.SetSorted(true);
    place(combo, {10, 10, 160, 210});
    EXPECT_NE(combo.GetStyle() & CBS_SORT, 0u);
    combo.InsertListItem(-1, "pear");
    combo.InsertListItem(-1, "apple", 4);
    EXPECT_EQ(combo.GetListItem(0), vbString("apple"));
    EXPECT_EQ(combo.GetListItemData(0), 4);
}

TEST_F(MsControlBed, DropDownListHasNoEditSelectionOrLimit)
{
    Combo combo;
    place(combo, {10, 10, 160, 210});
    combo.fill();
    combo.SetListIndex(1);
    EXPECT_EQ(combo.tcGetSelStart(), 0);
    EXPECT_EQ(combo.tcGetSelLength(), 0);
    combo.tcSetSelStart(1);
    combo.tcSetSelLength(2);
    EXPECT_EQ(combo.tcGetSelStart(), 0);
    EXPECT_EQ(combo.tcGetSelLength(), 0);
    combo.tcSetMaxLength(5);
    EXPECT_EQ(combo.tcGetMaxLength(), -1);
    EXPECT_FALSE(combo.tcIsMouseToTrack());
}

TEST_F(MsControlBed, ComboCallbackRunsForTheUsersChoiceOnly)
{
    Combo combo;
    place(combo, {10, 10, 160, 210});
    combo.fill();
    combo.SetListIndex(1);
    pump();
    EXPECT_EQ(combo.GetListIndex(), 1);
    EXPECT_EQ(combo.tcGetText(), vbString("two"));
    EXPECT_TRUE(combo.texts.empty()) << "a program's selection is not announced";

    clickAt(50, 20);
    clickAt(50, 10 + kField + 1 + 3 * kRow + 7);
    EXPECT_EQ(combo.texts, std::vector<std::string>{"four"});
    EXPECT_EQ(combo.GetListIndex(), 3);
    EXPECT_EQ(combo.tcGetText(), vbString("four"));
}

TEST_F(MsControlBed, CollapsedDropDownListOpens100PixelsHigh)
{
    Combo combo;
    place(combo, {10, 10, 160, 34}); // leaves the list 3 px
    combo.fill();
    clickAt(50, 20);
    ASSERT_NE(combo.list, nullptr);
    CRect r;
    ::GetWindowRect(combo.list, &r);
    EXPECT_EQ(r.Height(), 100);
    EXPECT_EQ(r.Width(), 150);
    EXPECT_EQ(r.left, kLeft + 10);
    EXPECT_TRUE(IsWindowVisible(combo.list));
}

// As on a page: a row-high combo box with WS_VSCROLL draws no bar of its own, and its grown list
// opens at the choice, as near to the top as six rows of twelve allow.
TEST_F(MsControlBed, ARowHighComboHasNoBarAndOpensItsListAtTheChoice)
{
    Combo combo;
    place(combo, {10, 10, 160, 34});
    for (int i = 0; i < 12; ++i)
        combo.InsertListItem(-1, vbString("item ") + vbString(i));
    CRect client;
    combo.GetClientRect(&client);
    EXPECT_EQ(client.Width(), 150);
    for (const int chosen : {3, 9}) {
        combo.SetListIndex(chosen);
        clickAt(50, 20);
        ASSERT_NE(combo.list, nullptr);
        SCROLLINFO si{sizeof si, SIF_POS | SIF_PAGE, 0, 0, 0, 0, 0};
        ASSERT_TRUE(::GetScrollInfo(combo.list, SB_VERT, &si));
        EXPECT_EQ(si.nPage, 6u);
        EXPECT_EQ(si.nPos, std::min(chosen, 12 - 6));
        clickAt(300, 250);
        EXPECT_FALSE(IsWindowVisible(combo.list));
    }
}

TEST_F(MsControlBed, DropDownComboEditsItsField)
{
    Combo combo(1);
    place(combo, {10, 10, 160, 210});
    combo.fill();
    EXPECT_EQ(combo.GetStyle() & 0x3, static_cast<DWORD>(CBS_DROPDOWN));
    combo.tcSetMaxLength(20);
    EXPECT_EQ(combo.tcGetMaxLength(), 20);

    clickAt(40, 20);
    plat::headless::typeText("hello");
    pump();
    EXPECT_EQ(textOf(combo), "hello");
    EXPECT_EQ(combo.tcGetText(), vbString()) << "no item of the list is selected";
    EXPECT_EQ(combo.tcGetSelStart(), 5);
    combo.tcSetSelStart(1);
    combo.tcSetSelLength(2);
    EXPECT_EQ(combo.tcGetSelStart(), 1);
    EXPECT_EQ(combo.tcGetSelLength(), 2);
    combo.tcSetSelStart(2);
    EXPECT_EQ(combo.tcGetSelStart(), 2);
    EXPECT_EQ(combo.tcGetSelLength(), 2);
    combo.tcSelClear();
    pump();
    EXPECT_EQ(textOf(combo), "heo");
}

} // namespace
