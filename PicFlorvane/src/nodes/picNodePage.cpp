#include "picNode.h"

#include "picMainWnd.h"

#include "guiContainer.h"

namespace {

constexpr int kRowHeight = 20;

// Places control in row (creating its window in page the first time) and answers whether it was
// created now.
bool placeRow(TControlTemplate<guiCtrl>& control, guiContainer* page, const CRect& row)
{
    if (!control.tcGetHwnd()) {
        control.Create(page, row, true, true);
        return true;
    }
    control.tcSetWindowPos(row.left, row.top, row.Width(), row.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    return false;
}

} // namespace

void picNode::BuildPropertyPage(sIpicMainWnd* wnd, guiContainer* page, CRect& rect, bool)
{
    setLocked(m_pageOwner, wnd);
    CRect row(rect.left, rect.top, rect.right, rect.top + kRowHeight);
    if (placeRow(m_btnActions, page, row)) {
        m_btnActions.tcSetText("Actions");
        m_btnActions.tcGetFont().SetSize(-11, true);
        m_btnActions.tcSetTextColor(0xFF0000);
        guiSurface& back = m_btnActions.tcGetBackSurface();
        back.SetGradStart(0xFFFFFF, false);
        back.SetGradEnd(0xFACE87, true);
        m_btnActions.OnButtonCB() = guiBUTTONCB(this, &picNode::onActionsClick);
    }
    rect.top += 2 * kRowHeight;
}

bool picNode::onActionsClick(guiButton& button)
{
    sIpicMainWnd* wnd = GetPageOwner();
    if (!wnd)
        return false;
    CRect screen;
    button.tcGetRect(screen, true);
    return wnd->openNodeMenu(this, &screen);
}
