#include "picNode.h"

#include "picMainWnd.h"

#include "guiContainer.h"

namespace {

constexpr int kRowHeight = 20;

// Places control in row (creating its window in page the first time) and answers whether it was
// created now.
template <class Window>
bool placeRow(TControlTemplate<Window>& control, guiContainer* page, const CRect& row)
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
    row.OffsetRect(0, kRowHeight);
    if (placeRow(m_editName, page, row)) {
        m_editName.tcSetText(GetText());
        m_editName.tcSetToolTip(GetDisplayName() + " name", false);
        m_editName.OnEditCB() = guiMSEDITCB(this, &picNode::onNameEdit);
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

// Every notification of the edit comes here; only a real, non-empty change renames the node.
bool picNode::onNameEdit(guiMsEdit& edit)
{
    const vbString text = edit.tcGetText();
    if (text.IsEmpty() || !SetText(text))
        return false;
    Update(true);
    if (sIpicMainWnd* wnd = GetPageOwner()) {
        wnd->invalidateFilterList();
        // The window's title shows the name too.
        wnd->onNodeChanged(this);
    }
    OnTextChanged();
    return false;
}
