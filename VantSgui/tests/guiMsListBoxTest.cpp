#include "MsControlBed.h"

#include "guiMsListBox.h"
#include "guiMsListCtrl.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using gui::test::MessageCounter;
using gui::test::MsControlBed;

// Gives a tip for item 3 only, keeps the items it was asked for, and counts the paintings that
// reach its message map.
class ListBox : public guiMsListBox {
public:
    bool onTip(guiMsListBox&, int item, vbString& text)
    {
        asked.push_back(item);
        if (item != 3)
            return false;
        text = "third";
        return true;
    }
    CPoint centreOf(int item)
    {
        CRect r;
        SendMessage(LB_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r));
        return r.CenterPoint();
    }

    std::vector<int> asked;
    int paints = 0;

protected:
    void OnPaint()
    {
        ++paints;
        Default();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ListBox, guiMsListBox)
ON_WM_PAINT()
END_MESSAGE_MAP()

TEST_F(MsControlBed, ListBoxCreationAndItems)
{
    guiMsListBox single;
    place(single, {10, 10, 160, 110});
    EXPECT_EQ(single.GetStyle() & (LBS_NOINTEGRALHEIGHT | LBS_MULTIPLESEL | LBS_SORT),
        static_cast<DWORD>(LBS_NOINTEGRALHEIGHT));
    EXPECT_NE(single.GetExStyle() & WS_EX_CLIENTEDGE, 0u);
    EXPECT_EQ(single.InsertListItem(-1, "b", 2), 0);
    EXPECT_EQ(single.InsertListItem(0, "a", 1), 0);
    EXPECT_EQ(single.GetListItem(1), vbString("b"));
    EXPECT_EQ(single.GetListItemData(1), 2);
    {
        MessageCounter counter(single.GetSafeHwnd());
        EXPECT_LT(single.InsertListItem(5, "far", 9), 0);
        EXPECT_EQ(counter.count(LB_SETITEMDATA), 0);
    }
    EXPECT_EQ(single.GetListItemData(0), 1);
    EXPECT_EQ(single.GetListItemData(1), 2);
    EXPECT_EQ(single.tcGetText(), vbString());
    single.SetListIndex(1);
    EXPECT_EQ(single.tcGetText(), vbString("b"));

    guiMsListBox multiple;
    multiple.SetMultiSel(true);
    multiple.SetSorted(true);
    place(multiple, {200, 10, 350, 110});
    EXPECT_EQ(multiple.GetStyle() & (LBS_MULTIPLESEL | LBS_SORT), static_cast<DWORD>(LBS_MULTIPLESEL | LBS_SORT));
    for (const char* item : {"c", "a", "b"})
        multiple.InsertListItem(-1, item);
    EXPECT_EQ(multiple.GetListItem(0), vbString("a"));
    multiple.SetSelected(0, true);
    multiple.SetSelected(2, true);
    multiple.SetSelected(0, false);
    EXPECT_EQ(multiple.SendMessage(LB_GETSELCOUNT, 0, 0), 1);
    EXPECT_EQ(multiple.SendMessage(LB_GETSEL, 2, 0), TRUE);
}

TEST_F(MsControlBed, ListBoxTipsComeFromTheCallbackPerItem)
{
    ListBox list;
    place(list, {10, 10, 160, 210});
    for (const char* item : {"zero", "one", "two", "three", "four"})
        list.InsertListItem(-1, item);
    list.tcSetToolTip("own", false);

    bool askAgain = false;
    int id = 7;
    EXPECT_EQ(list.tcNeedToolTip(list.centreOf(3), &askAgain, &id), vbString("own")) << "no callback";
    EXPECT_EQ(id, -1);
    EXPECT_FALSE(askAgain);

    list.OnListTipCB() = guiMSLISTBOXtipCB(&list, &ListBox::onTip);
    EXPECT_EQ(list.tcNeedToolTip(list.centreOf(3), &askAgain, &id), vbString("third"));
    EXPECT_EQ(id, 3);
    EXPECT_TRUE(askAgain);

    EXPECT_EQ(list.tcNeedToolTip(list.centreOf(1), &askAgain, &id), vbString("own"));
    EXPECT_EQ(id, -1);
    list.asked.clear();
    EXPECT_EQ(list.tcNeedToolTip(CPoint(20, 180), &askAgain, &id), vbString("own"));
    EXPECT_EQ(list.asked, std::vector<int>{4}) << "below the items: the last one";
    EXPECT_EQ(id, -1);
}

TEST_F(MsControlBed, HiddenListBoxAnswersPaintWithoutPainting)
{
    ListBox list;
    place(list, {10, 10, 160, 110});
    list.InsertListItem(-1, "item");
    pump();
    list.paints = 0;
    list.Invalidate();
    pump();
    EXPECT_EQ(list.paints, 1);

    list.tcSetVisible(false);
    pump();
    EXPECT_EQ(list.SendMessage(WM_PAINT, 0, 0), 0);
    EXPECT_EQ(list.paints, 1);
}

TEST_F(MsControlBed, ListViewAnswersItsSelectionOneBased)
{
    guiMsListCtrl view;
    place(view, {10, 10, 210, 160});
    for (int i = 0; i < 6; ++i)
        view.InsertItem(i, "item");
    vbArray<int, 1, 1> a;
    for (int v : {7, 8, 9})
        a.Add(v);

    EXPECT_EQ(view.GetSelected(), -1);
    EXPECT_EQ(view.GetSelected(&a), 0);
    EXPECT_EQ(a.GetLength(), 3);

    view.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    view.SetItemState(4, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(view.GetSelected(), 1);
    EXPECT_EQ(view.GetSelected(nullptr), 2);
    EXPECT_EQ(view.GetSelected(&a), 2);
    ASSERT_EQ(a.GetLength(), 5);
    const std::vector<int> expected{7, 8, 9, 1, 5};
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(a[i], expected[static_cast<size_t>(i - 1)]) << i;
}

} // namespace
