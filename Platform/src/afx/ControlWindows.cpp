// The window objects of the built-in controls: creation under the control's class, and members
// that are the control's messages.

#include "plat/afxwin.h"

namespace {

LRESULT send(const CWnd* wnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return SendMessageA(wnd->m_hWnd, msg, wParam, lParam);
}

BOOL createControl(CWnd* wnd, LPCSTR cls, DWORD style, const RECT& rect, CWnd* parent, UINT id, LPCSTR text = "")
{
    return wnd->CreateEx(0, cls, text, style, rect, parent, id);
}

} // namespace

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return createControl(this, "Edit", dwStyle, rect, pParentWnd, nID);
}

DWORD CEdit::GetSel() const { return DWORD(send(this, EM_GETSEL)); }

void CEdit::GetSel(int& nStartChar, int& nEndChar) const
{
    DWORD start = 0, end = 0;
    send(this, EM_GETSEL, WPARAM(&start), LPARAM(&end));
    nStartChar = int(start);
    nEndChar = int(end);
}

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL bNoScroll)
{
    send(this, EM_SETSEL, WPARAM(nStartChar), LPARAM(nEndChar));
    if (!bNoScroll)
        send(this, EM_SCROLLCARET);
}

void CEdit::LimitText(int nChars) { send(this, EM_LIMITTEXT, WPARAM(nChars)); }
void CEdit::SetLimitText(UINT nMax) { send(this, EM_LIMITTEXT, WPARAM(nMax)); }
UINT CEdit::GetLimitText() const { return UINT(send(this, EM_GETLIMITTEXT)); }
void CEdit::SetPasswordChar(char ch) { send(this, EM_SETPASSWORDCHAR, WPARAM((unsigned char)ch)); }
char CEdit::GetPasswordChar() const { return char(send(this, EM_GETPASSWORDCHAR)); }
BOOL CEdit::SetReadOnly(BOOL bReadOnly) { return BOOL(send(this, EM_SETREADONLY, WPARAM(bReadOnly))); }
void CEdit::Clear() { send(this, WM_CLEAR); }
void CEdit::Copy() { send(this, WM_COPY); }
void CEdit::Cut() { send(this, WM_CUT); }
void CEdit::Paste() { send(this, WM_PASTE); }

BOOL CComboBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return createControl(this, "ComboBox", dwStyle, rect, pParentWnd, nID);
}

int CComboBox::GetCount() const { return int(send(this, CB_GETCOUNT)); }
int CComboBox::GetCurSel() const { return int(send(this, CB_GETCURSEL)); }
int CComboBox::SetCurSel(int nSelect) { return int(send(this, CB_SETCURSEL, WPARAM(nSelect))); }
int CComboBox::AddString(LPCSTR lpszString) { return int(send(this, CB_ADDSTRING, 0, LPARAM(lpszString))); }

int CComboBox::InsertString(int nIndex, LPCSTR lpszString)
{
    return int(send(this, CB_INSERTSTRING, WPARAM(nIndex), LPARAM(lpszString)));
}

void CComboBox::ResetContent() { send(this, CB_RESETCONTENT); }

int CComboBox::GetLBText(int nIndex, LPSTR lpszText) const
{
    return int(send(this, CB_GETLBTEXT, WPARAM(nIndex), LPARAM(lpszText)));
}

int CComboBox::GetLBTextLen(int nIndex) const { return int(send(this, CB_GETLBTEXTLEN, WPARAM(nIndex))); }
DWORD_PTR CComboBox::GetItemData(int nIndex) const { return DWORD_PTR(send(this, CB_GETITEMDATA, WPARAM(nIndex))); }

int CComboBox::SetItemData(int nIndex, DWORD_PTR dwItemData)
{
    return int(send(this, CB_SETITEMDATA, WPARAM(nIndex), LPARAM(dwItemData)));
}

void CComboBox::ShowDropDown(BOOL bShowIt) { send(this, CB_SHOWDROPDOWN, WPARAM(bShowIt)); }
BOOL CComboBox::LimitText(int nMaxChars) { return BOOL(send(this, CB_LIMITTEXT, WPARAM(nMaxChars))); }
DWORD CComboBox::GetEditSel() const { return DWORD(send(this, CB_GETEDITSEL)); }

BOOL CComboBox::SetEditSel(int nStartChar, int nEndChar)
{
    return BOOL(send(this, CB_SETEDITSEL, 0, MAKELPARAM(nStartChar, nEndChar)));
}

void CComboBox::Clear() { send(this, WM_CLEAR); }
void CComboBox::Copy() { send(this, WM_COPY); }
void CComboBox::Cut() { send(this, WM_CUT); }
void CComboBox::Paste() { send(this, WM_PASTE); }

BOOL CScrollBar::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return createControl(this, "ScrollBar", dwStyle, rect, pParentWnd, nID);
}

BOOL CScrollBar::SetScrollInfo(LPSCROLLINFO lpScrollInfo, BOOL bRedraw)
{
    ::SetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo, bRedraw);
    return lpScrollInfo && lpScrollInfo->cbSize == sizeof(SCROLLINFO);
}

BOOL CScrollBar::GetScrollInfo(LPSCROLLINFO lpScrollInfo, UINT nMask)
{
    if (!lpScrollInfo)
        return FALSE;
    lpScrollInfo->fMask = nMask;
    return ::GetScrollInfo(m_hWnd, SB_CTL, lpScrollInfo);
}

void CScrollBar::ShowScrollBar(BOOL bShow) { ::ShowScrollBar(m_hWnd, SB_CTL, bShow); }

BOOL CButton::Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return createControl(this, "Button", dwStyle, rect, pParentWnd, nID, lpszCaption);
}

int CButton::GetCheck() const { return int(send(this, BM_GETCHECK)); }
void CButton::SetCheck(int nCheck) { send(this, BM_SETCHECK, WPARAM(nCheck)); }
UINT CButton::GetState() const { return UINT(send(this, BM_GETSTATE)); }
void CButton::SetState(BOOL bHighlight) { send(this, BM_SETSTATE, WPARAM(bHighlight)); }
UINT CButton::GetButtonStyle() const { return UINT(GetWindowLongPtrA(m_hWnd, GWL_STYLE)) & 0xFFFF; }
void CButton::SetButtonStyle(UINT nStyle, BOOL bRedraw) { send(this, BM_SETSTYLE, WPARAM(nStyle), LPARAM(bRedraw)); }

BOOL CStatic::Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return createControl(this, "Static", dwStyle, rect, pParentWnd, nID, lpszText);
}

HICON CStatic::SetIcon(HICON hIcon) { return HICON(send(this, STM_SETICON, WPARAM(hIcon))); }
HICON CStatic::GetIcon() const { return HICON(send(this, STM_GETICON)); }

BOOL CListBox::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return createControl(this, "ListBox", dwStyle, rect, pParentWnd, nID);
}

int CListBox::GetCount() const { return int(send(this, LB_GETCOUNT)); }
int CListBox::GetCurSel() const { return int(send(this, LB_GETCURSEL)); }
int CListBox::SetCurSel(int nSelect) { return int(send(this, LB_SETCURSEL, WPARAM(nSelect))); }
int CListBox::GetSel(int nIndex) const { return int(send(this, LB_GETSEL, WPARAM(nIndex))); }
int CListBox::SetSel(int nIndex, BOOL bSelect) { return int(send(this, LB_SETSEL, WPARAM(bSelect), LPARAM(nIndex))); }
int CListBox::GetSelCount() const { return int(send(this, LB_GETSELCOUNT)); }
int CListBox::GetSelItems(int nMaxItems, int* rgIndex) const
{
    return int(send(this, LB_GETSELITEMS, WPARAM(nMaxItems), LPARAM(rgIndex)));
}
int CListBox::AddString(LPCSTR lpszItem) { return int(send(this, LB_ADDSTRING, 0, LPARAM(lpszItem))); }
int CListBox::InsertString(int nIndex, LPCSTR lpszItem)
{
    return int(send(this, LB_INSERTSTRING, WPARAM(nIndex), LPARAM(lpszItem)));
}
int CListBox::DeleteString(UINT nIndex) { return int(send(this, LB_DELETESTRING, WPARAM(nIndex))); }
void CListBox::ResetContent() { send(this, LB_RESETCONTENT); }
int CListBox::GetText(int nIndex, LPSTR lpszBuffer) const
{
    return int(send(this, LB_GETTEXT, WPARAM(nIndex), LPARAM(lpszBuffer)));
}
int CListBox::GetTextLen(int nIndex) const { return int(send(this, LB_GETTEXTLEN, WPARAM(nIndex))); }
DWORD_PTR CListBox::GetItemData(int nIndex) const { return DWORD_PTR(send(this, LB_GETITEMDATA, WPARAM(nIndex))); }
int CListBox::SetItemData(int nIndex, DWORD_PTR dwItemData)
{
    return int(send(this, LB_SETITEMDATA, WPARAM(nIndex), LPARAM(dwItemData)));
}
int CListBox::GetTopIndex() const { return int(send(this, LB_GETTOPINDEX)); }
int CListBox::SetTopIndex(int nIndex) { return int(send(this, LB_SETTOPINDEX, WPARAM(nIndex))); }

UINT CListBox::ItemFromPoint(CPoint pt, BOOL& bOutside) const
{
    const LRESULT result = send(this, LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y));
    bOutside = HIWORD(result);
    return LOWORD(result);
}
