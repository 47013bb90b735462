#pragma once

// The built-in button (push button, check box ...) as a framework control. Every command
// notification goes to one callback; a derived class may make the font bold while the mouse is
// over the button; printed for a drawing context of its own, it draws its frame and centred text.

#include "guiContainer.h"

// The built-in button's window object, created without text through the control template.
class GUIAPI _guiButton : public CButton {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

protected:
    BOOL Create(LPCSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) override;
};

extern template class GUIAPI TControlTemplate<_guiButton>;

class GUIAPI guiMsButton : public TControlTemplate<_guiButton> {
public:
    guiMsButton();
    ~guiMsButton() override;

    // The check state.
    int tcGetValue() override;
    void tcSetValue(int value) override;
    // Every notification code; the callback's true ends it with result 0.
    bool tcOnCommand(UINT command, LRESULT& result) override;
    void tcOnMouseOver() override;
    void tcOnMouseOut() override;
    // A drawing context of kind 0 (or none) lets the built-in button print itself.
    void tcPrintClient(guiDrawInfo* info, CDC* dc, bool erase) override;
    int tcGetCreationStyle() override { return m_creationStyle; }

    // The style bits added at creation (WS_TABSTOP at first), the button kind among them; for
    // windows created afterwards.
    void SetCreationStyle(int style) { m_creationStyle = style; }
    virtual guiMSBUTTONCB& OnButtonCB() { return m_buttonCB; }

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    bool m_bBoldOnHover = false;

private:
    guiMSBUTTONCB m_buttonCB;
    int32_t m_creationStyle = WS_TABSTOP;
};
