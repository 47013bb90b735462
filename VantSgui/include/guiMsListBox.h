#pragma once

// The built-in list box as a framework control: its item list, multiple selection, and a tool tip
// per item given by a callback.

#include "guiContainer.h"

extern template class GUIAPI TControlTemplate<CListBox>;

class GUIAPI guiMsListBox : public TControlTemplate<CListBox> {
public:
    guiMsListBox();
    ~guiMsListBox() override;

    // Item indices are the built-in control's: 0-based, -1 for none.
    int GetListLength();
    int GetListIndex();
    void SetListIndex(int index);
    // Empty for an index with no item.
    vbString GetListItem(int index);
    int GetListItemData(int index);
    void SetListItemData(int index, int data);
    // index below 0 appends, or sorts in; the new item's index, negative when the insertion failed
    // (and then no data is set).
    int InsertListItem(int index, const vbString& text);
    int InsertListItem(int index, const vbString& text, int data);
    // Both read at creation.
    void SetSorted(bool sorted) { m_bSorted = sorted; }
    void SetMultiSel(bool multiple) { m_bMultiSel = multiple; }
    // One item of a multiple-selection list.
    void SetSelected(int index, bool selected);

    int tcGetCreationStyle() override;
    void tcClear() override;
    // The selected item's text, empty when none is selected.
    vbString tcGetText() override;
    // The callback's text for the item under the point (or the last item, below the items) with
    // the item as tool id; else the control's own tip with id -1.
    vbString tcNeedToolTip(const CPoint& point, bool* askAgain, int* toolId) override;

    guiMSLISTBOXtipCB& OnListTipCB() { return m_tipCB; }

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool wrapperStep(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool m_bSorted = false;
    bool m_bMultiSel = false;
    guiMSLISTBOXtipCB m_tipCB;
};
