#pragma once

// The built-in status bar as a framework control: panels laid out by fixed width, percentage or an
// equal share of the free space, each with a text, a default text and a tip; indicator panels
// (insert mode, Caps Lock, Num Lock, clock) refresh themselves on the library's timer. Callers hold
// panels through guiMsSBpanel handles, which the bar detaches when its panels go.

#include "guiContainer.h"
#include "guiGlobal.h"
#include "guiItemHandle.h"

#include "vbArray.h"

#include <vector>

class guiMsStatusBar;

enum guiSBtype : int32_t {
    guiSBnormal = 0,
    guiSBinsert = 1, // "INS" or "OVR"
    guiSBcaps = 2,   // "CAPS" or " - "
    guiSBnum = 3,    // "NUM" or " - "
    guiSBtime = 4,   // the local time
};

// A caller's hold on one panel.
class GUIAPI guiMsSBpanel : public guiItemHandle<guiMsStatusBar> {
public:
    guiMsSBpanel() = default;
    guiMsSBpanel& operator=(const vbString& text)
    {
        SetText(text);
        return *this;
    }

    // The setters show what changed at once when the panel is shown; the getters answer the stored
    // strings. The shown string is the text, or the default text while the text is empty.
    void SetText(const vbString& text);
    vbString GetText() const;
    void SetDfltText(const vbString& text);
    vbString GetDfltText() const;
    void SetToolTipText(const vbString& text);

protected:
    friend class guiMsStatusBar;
    guiMsSBpanel(guiMsStatusBar* owner, int id) : guiItemHandle(owner, id) { }
};

extern template class GUIAPI TControlTemplate<CStatusBarCtrl>;

class GUIAPI guiMsStatusBar : public TControlTemplate<CStatusBarCtrl> {
public:
    // One panel.
    struct BtnInfo {
        guiItemHandle<guiMsStatusBar>* firstHandle = nullptr;
        int32_t id = -1;
        int32_t partIndex = -1;
        vbString toolTipText;
        vbString text;
        vbString dfltText;
        // > 0 fixed pixels, 0 a zero-width panel, -1 an equal share, below -1 that many percent.
        int32_t width = 0;
        int32_t rightEdge = -1;
        guiSBtype type = guiSBnormal;
    };

    static constexpr const char* kSourceName = "guiMsStatusBar";

    guiMsStatusBar();
    ~guiMsStatusBar() override;

    // Appends a panel and lays the bar out (at once when it is visible, else when it is shown).
    guiMsSBpanel Add(int width, guiSBtype type, const vbString& text, const vbString& toolTipText);
    // The layout; also run on WM_SIZE and on showing.
    void Update();

    // SBARS_TOOLTIPS | CCS_NOPARENTALIGN | CCS_NORESIZE.
    int tcGetCreationStyle() override { return 0x080C; }
    // Removes every panel; the callers' handles become detached.
    void tcClear() override;
    // The tip of the first panel whose right edge is at or right of the point, with its position
    // as tool id; else the control's own tip with id -1.
    vbString tcNeedToolTip(const CPoint& point, bool* askAgain, int* toolId) override;
    void tcOnDestroy() override;

protected:
    friend class guiMsSBpanel;
    friend class guiItemHandle<guiMsStatusBar>;

    BtnInfo& getBtnInfo(int id) { return m_list[id]; }
    guiItemHandle<guiMsStatusBar>*& firstHandleOf(int id) { return m_list[id].firstHandle; }
    BtnInfo& newBtnInfo();
    void startTimer();
    // Also detaches the indicator handles.
    void stopTimer();

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool wrapperOwnStep(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDestroy();
    void OnSize(UINT type, int cx, int cy);
    void OnShowWindow(BOOL show, UINT status);
    // A tick of the indicators.
    void OnTimer(WPARAM wParam);

    DECLARE_MESSAGE_MAP()

private:
    static constexpr UINT kTickMessage = 0x04FF;

    // What a panel shows, sent to its part.
    void showText(const BtnInfo& info);
    void setNoParts();
    void detachIndicators();
    // Both layout passes; the edges of the parts shown.
    std::vector<int> layOut(int width, int spacing);

    vbArray<BtnInfo> m_list;
    guiMsSBpanel m_insert;
    guiMsSBpanel m_caps;
    guiMsSBpanel m_num;
    guiMsSBpanel m_time;
    int32_t m_tickCount = 0;
    bool m_bLayoutPending = false;
    guiTimerPostEvent m_tickEvent;
    bool m_bBusy = false;
};
