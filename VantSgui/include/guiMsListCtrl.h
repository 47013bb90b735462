#pragma once

// The built-in list view as a framework control that answers which items are selected, as the
// base library's 1-based indices.

#include "guiContainer.h"

#include "vbArray.h"

extern template class GUIAPI TControlTemplate<CListCtrl>;

class GUIAPI guiMsListCtrl : public TControlTemplate<CListCtrl> {
public:
    guiMsListCtrl();
    ~guiMsListCtrl() override;

    // The selected items in the control's order, each appended to out (when given) as item + 1;
    // out is not emptied first. Answers their number.
    virtual int GetSelected(vbArray<int, 1, 1>* out);
    // The first selected item + 1, or -1 when none is selected.
    virtual int GetSelected();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    int nextSelected(int after);
};
