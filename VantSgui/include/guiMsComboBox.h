#pragma once

// The built-in combo box as a framework control: its item list, the edit field's selection when it
// has one, a callback on selection changes, and a drop-down list that never opens collapsed.

#include "guiContainer.h"

// 1: an edit field with a drop-down list; 2: a drop-down list without edit field; any other: the
// list always shown under an edit field.
using guiComboType = int32_t;

extern template class GUIAPI TControlTemplate<CComboBox>;

class GUIAPI guiMsComboBox : public TControlTemplate<CComboBox> {
public:
    guiMsComboBox();
    explicit guiMsComboBox(guiComboType type);
    ~guiMsComboBox() override;

    // Item indices are the built-in control's: 0-based, -1 for none.
    int GetListLength();
    int GetListIndex();
    // Selects without a selection-change notification.
    void SetListIndex(int index);
    // Empty for an index with no item.
    vbString GetListItem(int index);
    int GetListItemData(int index);
    void SetListItemData(int index, int data);
    // index below 0 appends, or sorts in; the new item's index, negative when the insertion failed
    // (and then no data is set).
    int InsertListItem(int index, const vbString& text);
    int InsertListItem(int index, const vbString& text, int data);
    // Read at creation.
    void SetSorted(bool sorted) { m_bSorted = sorted; }
    void SetType(guiComboType type) { m_type = type; }

    int tcGetCreationStyle() override;
    void tcClear() override;
    // The selected item's text, empty when none is selected.
    vbString tcGetText() override;
    // Kept only when the edit field accepts the limit; -1 until then.
    void tcSetMaxLength(int length) override;
    int tcGetMaxLength() override { return m_maxLength; }
    // The edit field's selection; 0 and no effect without an edit field.
    int tcGetSelStart() override;
    int tcGetSelLength() override;
    void tcSetSelStart(int start) override;
    void tcSetSelLength(int length) override;
    void tcSelClear() override;
    bool tcIsMouseToTrack() override { return false; }

    virtual guiMSCOMBOBOXCB& OnComboBoxCB() { return m_comboCB; }

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool wrapperStep(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnSelchange();

    DECLARE_MESSAGE_MAP()

private:
    bool editSelection(int& start, int& end);

    int32_t m_maxLength = -1;
    guiMSCOMBOBOXCB m_comboCB;
    guiComboType m_type;
    bool m_bSorted = false;
    bool m_bListHeightFix = true;
};
