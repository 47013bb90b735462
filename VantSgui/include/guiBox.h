#pragma once

// A framed box filled with its surface or a picture, with an optional centred text (horizontal or
// rising vertically, with an optional shadow). It may host other controls: their container is
// associated with it and sees the box's messages first.

#include "guiContainer.h"
#include "guiExport.h"
#include "guiPicture.h"

#include "vbColor.h"
#include "vbString.h"

class GUIAPI guiBox : public TControlTemplate<guiCtrl> {
public:
    guiBox();
    ~guiBox() override;

    void tcSetText(const vbString& text) override;
    vbString tcGetText() override { return m_text; }
    vbString tcGetCaption() override { return m_text; }
    void tcSetCaption(const vbString& text) override { tcSetText(text); }
    void tcSetPicture(const guiPicture& picture) override;
    guiPicture tcGetPicture() override { return m_picture; }
    const guiCursor* tcGetMouseCursor() override;
    void tcPrintChildren(guiDrawInfo* info, CDC& dc, bool erase) override;
    void tcOnDestroy() override;
    void tcPrintClient(guiDrawInfo* info, CDC* dc, bool erase) override;
    void onFontChanged(guiFont* font) override;

    void SetTextVert(bool vertical);
    bool GetTextVert() const { return m_bVertical; }
    // A null colour draws no shadow.
    void SetTextShadowColor(const vbColor& color);
    const vbColor& GetTextShadowColor() const { return m_shadowColor; }
    // The container of the controls whose parent window is this box.
    void SetAssociatedContainer(guiContainer* container) { m_pAssociated = container; }

    void ClientPrint(guiDrawInfo* info, CDC* dc) override;

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    bool onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result) override;
    guiContainer* tcGetHostedContainer() override { return m_pAssociated; }

private:
    // The text centred in the inner rectangle.
    void printText(guiDrawInfo* info, CDC& dc, const CRect& inner);

    vbString m_text;
    guiPicture m_picture;
    vbColor m_shadowColor;
    bool m_bVertical = false;
    guiContainer* m_pAssociated = nullptr;
};
