#pragma once

// The built-in scroll bar control as a framework control, vertical or horizontal for its whole
// life. Range, position and scrolling are the built-in control's own.

#include "guiContainer.h"

extern template class GUIAPI TControlTemplate<CScrollBar>;

class GUIAPI guiMsScrollBar : public TControlTemplate<CScrollBar> {
public:
    explicit guiMsScrollBar(bool vertical);
    ~guiMsScrollBar() override;

    // SBS_VERT or SBS_HORZ.
    int tcGetCreationStyle() override;
    bool tcIsMouseToTrack() override { return false; }

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool m_bVertical;
};
