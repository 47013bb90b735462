#pragma once

// The tool-tip window: a borderless topmost popup with rounded corners that shows, after a delay
// on the library's timer, the text the control under the mouse gives, just below the cursor and
// kept on the screen. It never takes the activation. A container holds it through SetToolTip.

#include "guiContainer.h"
#include "guiExport.h"
#include "guiGlobal.h"

#include "vbString.h"

class GUIAPI guiToolTip : public TControlTemplate<guiCtrlPopUp>, public sIguiToolTip {
public:
    // Posted by the delay's timer event when it fires.
    static constexpr UINT kDelayMsg = WM_USER + 255;

    guiToolTip();
    // Destroys the window and tells the container; errors are shown.
    ~guiToolTip() override;

    bool SetCtrl(TControl* control, const CPoint& point) override;
    void RemoveCtrl(TControl* control) override;
    void ResetTip() override;
    void HideTip() override;
    void UpdateTip(TControl* control) override;
    void ForeGroundTip() override;

    void tcSetText(const vbString& text) override;
    vbString tcGetText() override { return m_text; }
    vbString tcGetCaption() override { return m_text; }
    void tcSetVisible(bool visible) override;
    bool tcGetEnabled() override { return m_bEnabled; }
    void tcSetEnabled(bool enabled) override;
    bool tcHasToolTip() override { return false; }
    void tcPrintClient(guiDrawInfo*, CDC*, bool) override { }
    void tcOnDestroy() override;
    void onFontChanged(guiFont* font) override;

    void ClientPrint(guiDrawInfo* info, CDC* dc) override;

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    bool onWindowProc(UINT& msg, WPARAM& wParam, LPARAM& lParam, LRESULT& result) override;

private:
    // Asks the current control for its text (unless it was the last asked and asks for no
    // repeat, and force is false); true when the text or the id changed.
    bool askToolTip(bool force);
    // Hides the tip, then shows it sized to its text below (or above) the cursor.
    void update();
    CSize tipSize();
    void setRegion();
    bool eraseBackground(HDC dc);
    void hide();

    int m_maxWidth = 200;
    bool m_bEnabled = true;
    guiTimerPostEvent m_timerEvent;
    vbString m_text;
    int m_tipId = -1;
    TControl* m_pLastAsked = nullptr;
    TControl* m_pCurrent = nullptr;
    CPoint m_point;
    bool m_bAskAgain = false;
};

// The tip of a text that a control shows in room pixels, width pixels wide: the whole text when
// the room cuts it, so that it can be read, else the control's own tip.
GUIAPI vbString guiCutTextTip(const vbString& text, int width, int room, const vbString& ownTip);
