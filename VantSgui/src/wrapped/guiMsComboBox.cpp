#include "guiMsComboBox.h"

#include "wrapped/guiMsList.h"

namespace list = gui::mslist;

template class TControlTemplate<CComboBox>;

BEGIN_MESSAGE_MAP(guiMsComboBox, CComboBox)
ON_CONTROL_REFLECT(CBN_SELCHANGE, OnSelchange)
END_MESSAGE_MAP()

guiMsComboBox::guiMsComboBox() : guiMsComboBox(2) { }
guiMsComboBox::guiMsComboBox(guiComboType type) : m_type(type) { }
guiMsComboBox::~guiMsComboBox() = default;

int guiMsComboBox::GetListLength() { return list::length(*this, list::kCombo); }
int guiMsComboBox::GetListIndex() { return list::index(*this, list::kCombo); }
void guiMsComboBox::SetListIndex(int index) { list::setIndex(*this, list::kCombo, index); }
vbString guiMsComboBox::GetListItem(int index) { return list::item(*this, list::kCombo, index); }
int guiMsComboBox::GetListItemData(int index) { return list::itemData(*this, list::kCombo, index); }
void guiMsComboBox::SetListItemData(int index, int data) { list::setItemData(*this, list::kCombo, index, data); }

int guiMsComboBox::InsertListItem(int index, const vbString& text)
{
    return list::insert(*this, list::kCombo, index, text);
}

int guiMsComboBox::InsertListItem(int index, const vbString& text, int data)
{
    return list::insert(*this, list::kCombo, index, text, data);
}

void guiMsComboBox::tcClear() { list::clear(*this, list::kCombo); }
vbString guiMsComboBox::tcGetText() { return list::selectedText(*this, list::kCombo); }

int guiMsComboBox::tcGetCreationStyle()
{
    int style = WS_VSCROLL;
    if (m_bSorted)
        style |= CBS_SORT;
    switch (m_type) {
    case 1:
        return style | CBS_DROPDOWN;
    case 2:
        return style | CBS_DROPDOWNLIST;
    default:
        return style | CBS_SIMPLE;
    }
}

void guiMsComboBox::tcSetMaxLength(int length)
{
    if (SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(length), 0) != 0)
        m_maxLength = length;
}

bool guiMsComboBox::editSelection(int& start, int& end)
{
    const LRESULT answer = SendMessage(CB_GETEDITSEL, 0, 0);
    if (static_cast<int32_t>(answer) == CB_ERR)
        return false;
    start = LOWORD(answer);
    end = HIWORD(answer);
    return true;
}

int guiMsComboBox::tcGetSelStart()
{
    int start = 0;
    int end = 0;
    return editSelection(start, end) ? start : 0;
}

int guiMsComboBox::tcGetSelLength()
{
    int start = 0;
    int end = 0;
    return editSelection(start, end) ? end - start : 0;
}

void guiMsComboBox::tcSetSelStart(int start)
{
    int oldStart = 0;
    int oldEnd = 0;
    if (editSelection(oldStart, oldEnd))
        SendMessage(CB_SETEDITSEL, 0, MAKELPARAM(start, start + oldEnd - oldStart));
}

void guiMsComboBox::tcSetSelLength(int length)
{
    int start = 0;
    int end = 0;
    if (editSelection(start, end))
        SendMessage(CB_SETEDITSEL, 0, MAKELPARAM(start, start + length));
}

void guiMsComboBox::tcSelClear() { SendMessage(WM_CLEAR, 0, 0); }

BOOL guiMsComboBox::PreCreateWindow(CREATESTRUCTA& cs)
{
    m_bListHeightFix = true;
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    return CComboBox::PreCreateWindow(cs);
}

LRESULT guiMsComboBox::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return wrapperWindowProc(msg, wParam, lParam, "guiMsComboBox", __LINE__);
}

// A drop-down list that comes collapsed (the control was created too low to hold one) opens with
// room for a few items instead.
bool guiMsComboBox::wrapperStep(UINT msg, WPARAM, LPARAM lParam, LRESULT&)
{
    if (!m_bListHeightFix || msg != WM_CTLCOLORLISTBOX)
        return false;
    const HWND listWnd = reinterpret_cast<HWND>(lParam);
    RECT r;
    if (::GetWindowRect(listWnd, &r) && r.bottom - r.top < 10)
        ::MoveWindow(listWnd, r.left, r.top, r.right - r.left, 100, TRUE);
    return false;
}

void guiMsComboBox::OnSelchange() { m_comboCB.Call(*this); }
