#pragma once

// The built-in tree view as a framework control, created with a style the caller chooses and
// reporting clicks through one callback.

#include "guiContainer.h"

extern template class GUIAPI TControlTemplate<CTreeCtrl>;

class GUIAPI guiMsTreeCtrl : public TControlTemplate<CTreeCtrl> {
public:
    guiMsTreeCtrl();
    ~guiMsTreeCtrl() override;

    // For the next creation of the window.
    void SetCreationStyle(int style) { m_creationStyle = style; }
    int tcGetCreationStyle() override { return m_creationStyle; }
    // NM_CLICK only; the callback's true ends it with result 0.
    bool tcOnNotify(NMHDR* header, LRESULT& result) override;

    virtual guiMSTREECLICKCB& OnTreeClickCB() { return m_treeClickCB; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    int32_t m_creationStyle = 0;
    guiMSTREECLICKCB m_treeClickCB;
};
