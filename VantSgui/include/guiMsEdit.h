#pragma once

// The built-in single-line edit as a framework control: the built-in control edits, shows the caret
// and draws; the control interface's selection and length operations map onto its messages, and
// every command notification goes to one callback.

#include "guiContainer.h"

extern template class GUIAPI TControlTemplate<CEdit>;

class GUIAPI guiMsEdit : public TControlTemplate<CEdit> {
public:
    guiMsEdit();
    ~guiMsEdit() override;

    // WS_TABSTOP | ES_NOHIDESEL | ES_AUTOHSCROLL.
    int tcGetCreationStyle() override;
    int tcGetSelStart() override;
    int tcGetSelLength() override;
    void tcSetSelStart(int start) override;
    void tcSetSelLength(int length) override;
    void tcSelClear() override;
    void tcSetMaxLength(int length) override;
    int tcGetMaxLength() override;
    bool tcIsTextProtected() override;
    // Every notification code; the callback's true ends it with result 0.
    bool tcOnCommand(UINT command, LRESULT& result) override;
    // A read-only edit, which only shows its text, shows the whole text in its tip when its
    // width cuts it; otherwise, and for an edit that takes typing, the tip is its own.
    vbString tcNeedToolTip(const CPoint& point, bool* track, int* id) override;

    virtual guiMSEDITCB& OnEditCB() { return m_editCB; }

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // The selection as the control reports it; false when it reports none.
    bool selection(int& start, int& end);
    void select(int start, int end);

    guiMSEDITCB m_editCB;
};
