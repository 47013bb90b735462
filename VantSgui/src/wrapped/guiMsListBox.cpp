#include "guiMsListBox.h"

#include "wrapped/guiMsList.h"

namespace list = gui::mslist;

template class TControlTemplate<CListBox>;

guiMsListBox::guiMsListBox() = default;
guiMsListBox::~guiMsListBox() = default;

int guiMsListBox::GetListLength() { return list::length(*this, list::kListBox); }
int guiMsListBox::GetListIndex() { return list::index(*this, list::kListBox); }
void guiMsListBox::SetListIndex(int index) { list::setIndex(*this, list::kListBox, index); }
vbString guiMsListBox::GetListItem(int index) { return list::item(*this, list::kListBox, index); }
int guiMsListBox::GetListItemData(int index) { return list::itemData(*this, list::kListBox, index); }
void guiMsListBox::SetListItemData(int index, int data) { list::setItemData(*this, list::kListBox, index, data); }

int guiMsListBox::InsertListItem(int index, const vbString& text)
{
    return list::insert(*this, list::kListBox, index, text);
}

int guiMsListBox::InsertListItem(int index, const vbString& text, int data)
{
    return list::insert(*this, list::kListBox, index, text, data);
}

void guiMsListBox::SetSelected(int index, bool selected)
{
    SendMessage(LB_SETSEL, selected ? TRUE : FALSE, index);
}

void guiMsListBox::tcClear() { list::clear(*this, list::kListBox); }
vbString guiMsListBox::tcGetText() { return list::selectedText(*this, list::kListBox); }

int guiMsListBox::tcGetCreationStyle()
{
    int style = LBS_NOINTEGRALHEIGHT;
    if (m_bMultiSel)
        style |= LBS_MULTIPLESEL;
    if (m_bSorted)
        style |= LBS_SORT;
    return style;
}

vbString guiMsListBox::tcNeedToolTip(const CPoint& point, bool* askAgain, int* toolId)
{
    *toolId = -1;
    if (m_tipCB.IsEmpty())
        return tcGetToolTip();
    *askAgain = true;
    BOOL outside = FALSE;
    const int item = static_cast<int>(ItemFromPoint(point, outside));
    const bool onItems = !outside && item < GetListLength();
    const bool belowLast = outside && GetListLength() > 0 && item == GetListLength() - 1;
    vbString text;
    if ((onItems || belowLast) && m_tipCB.Call(*this, item, text)) {
        *toolId = item;
        return text;
    }
    return tcGetToolTip();
}

BOOL guiMsListBox::PreCreateWindow(CREATESTRUCTA& cs)
{
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    return CListBox::PreCreateWindow(cs);
}

LRESULT guiMsListBox::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return wrapperWindowProc(msg, wParam, lParam, "guiMsListBox", __LINE__);
}

// A hidden list box has nothing to show.
bool guiMsListBox::wrapperStep(UINT msg, WPARAM, LPARAM, LRESULT& result)
{
    if (msg != WM_PAINT || tcGetVisible())
        return false;
    result = 0;
    return true;
}
