#pragma once

// The framework's own push button: a frame, a back surface, an optional icon and a text running
// horizontally or vertically, with a look of its own while the mouse is over it (selected) and
// while it is held down (pressed). A click is reported through a guiBUTTONCB.

#include "guiContainer.h"
#include "guiGlobal.h"

#include "vbIcon.h"
#include "vbWinClass.h"

class GUIAPI guiButton : public TControlTemplate<guiCtrl>, public sIvbIconLoaded {
public:
    static vbWinClass s_Class;

    guiButton();
    ~guiButton() override;

    // Added for the buttons that derive from this one.
    virtual guiBUTTONCB& OnButtonCB() { return m_clickCB; }
    virtual bool IsClicked() { return m_bPressed; }
    virtual vbColor recupTextColor(bool enabled, bool selected);
    virtual vbColor recupTextShadowColor(bool enabled, bool selected);
    virtual guiSurface& recupBack(bool selected);
    virtual guiFont& recupFont(bool selected);
    virtual vbIcon& recupIcon(bool pressed);

    vbString tcGetText() override { return m_text; }
    void tcSetText(const vbString& text) override;
    void tcSetCaption(const vbString& text) override { tcSetText(text); }
    void tcPrintClient(guiDrawInfo* info, CDC* dc, bool erase) override;
    void tcOnMouseOver() override;
    void tcOnMouseOut() override;
    void tcOnDestroy() override;
    void tcSetEnabled(bool enabled) override;

    void onFontChanged(guiFont* font) override;
    void onSurfaceChanged(guiSurface* surface) override;
    void onIconLoaded(vbIcon* icon) override;

    vbIcon& Icon() { return m_icon; }
    vbIcon& SelIcon() { return m_selIcon; }
    void SetBtnIcon(const vbIcon& icon);
    void SetTextShadowColor(const vbColor& color) { setColor(m_textShadowColor, color); }
    const vbColor& GetTextShadowColor() const { return m_textShadowColor; }
    void SetSelTextColor(const vbColor& color) { setColor(m_selTextColor, color); }
    const vbColor& GetSelTextColor() const { return m_selTextColor; }
    void SetSelTextShadowColor(const vbColor& color) { setColor(m_selTextShadowColor, color); }
    const vbColor& GetSelTextShadowColor() const { return m_selTextShadowColor; }
    void SetSelBackColor(const vbColor& color);
    guiSurface& SelBack() { return m_selBack; }
    void SetTextVert(bool vertical);
    bool GetTextVert() const { return m_bTextVert; }

    // The draw info's colour when it has one, else the look's; a draw info with a colour of its
    // own draws no shadow.
    vbColor getTextColor(const guiDrawInfo* info);
    vbColor getTextShadowColor(const guiDrawInfo* info);

    // The height the button needs to show its text (or "Mp" without one) at that width.
    int GetBtnHeightForWidth(int width);

    void ClientPrint(guiDrawInfo* info, CDC* dc) override { ClientPrint(info, dc, nullptr); }
    // clip: the part to paint, null for all of it.
    void ClientPrint(guiDrawInfo* info, CDC* dc, const CRect* clip);

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    bool onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result) override;

private:
    void repaint(bool erase);
    void setColor(vbColor& target, const vbColor& color);
    void onLButtonDown();
    void onLButtonUp();
    // Places the icon inside r for the text direction, at its size scaled for the print.
    CRect iconRect(const guiDrawInfo* info, const CRect& r, vbIcon& icon);
    // Runs the animation where an animated icon was drawn, or stops it.
    void animateAt(const CRect& place, bool animated);

    vbString m_text;
    bool m_bSelected = false;
    bool m_bPressed = false;
    vbColor m_selTextColor;
    vbColor m_selTextShadowColor;
    vbColor m_textShadowColor;
    guiSurface m_selBack;
    vbIcon m_icon;
    vbIcon m_selIcon;
    bool m_bTextVert = false;
    guiBUTTONCB m_clickCB;
    CRect m_animRect;
    uint16_t m_animFrame = 0;
    // Posts WM_USER to the button while an animated icon is shown.
    guiTimerPostEvent m_animEvent;
};
