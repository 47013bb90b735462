// The window objects of the common controls: creation under the control's class, and members
// that are the control's messages.

#include "plat/afxwin.h"

namespace {

LRESULT send(const CWnd* wnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return SendMessageA(wnd->m_hWnd, msg, wParam, lParam);
}

} // namespace

BOOL CStatusBarCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CreateEx(0, STATUSCLASSNAMEA, "", dwStyle, rect, pParentWnd, nID);
}

BOOL CStatusBarCtrl::SetText(LPCSTR lpszText, int nPane, int nType)
{
    return BOOL(send(this, SB_SETTEXTA, WPARAM(nPane | nType), LPARAM(lpszText)));
}

int CStatusBarCtrl::GetText(LPSTR lpszText, int nPane, int* pType) const
{
    const LRESULT result = send(this, SB_GETTEXTA, WPARAM(nPane), LPARAM(lpszText));
    if (pType)
        *pType = HIWORD(result);
    return LOWORD(result);
}

BOOL CStatusBarCtrl::SetParts(int nParts, int* pWidths) { return BOOL(send(this, SB_SETPARTS, WPARAM(nParts), LPARAM(pWidths))); }
int CStatusBarCtrl::GetParts(int nParts, int* pParts) const { return int(send(this, SB_GETPARTS, WPARAM(nParts), LPARAM(pParts))); }

BOOL CStatusBarCtrl::GetBorders(int& nHorz, int& nVert, int& nSpacing) const
{
    int borders[3] = {};
    const BOOL ok = BOOL(send(this, SB_GETBORDERS, 0, LPARAM(borders)));
    nHorz = borders[0], nVert = borders[1], nSpacing = borders[2];
    return ok;
}

BOOL CStatusBarCtrl::GetRect(int nPane, LPRECT lpRect) const { return BOOL(send(this, SB_GETRECT, WPARAM(nPane), LPARAM(lpRect))); }

// The bar is told the size of the button records this framework passes, so that buttons can be
// added at once.
BOOL CToolBarCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    if (!CreateEx(0, TOOLBARCLASSNAMEA, "", dwStyle, rect, pParentWnd, nID))
        return FALSE;
    SetButtonStructSize(sizeof(TBBUTTON));
    return TRUE;
}

void CToolBarCtrl::SetButtonStructSize(int nSize) { send(this, TB_BUTTONSTRUCTSIZE, WPARAM(nSize)); }
BOOL CToolBarCtrl::AddButtons(int nNumButtons, LPTBBUTTON lpButtons)
{
    return BOOL(send(this, TB_ADDBUTTONSA, WPARAM(nNumButtons), LPARAM(lpButtons)));
}

int CToolBarCtrl::AddBitmap(int nNumButtons, UINT nBitmapID)
{
    const TBADDBITMAP add{AfxFindResourceHandle(MAKEINTRESOURCE(nBitmapID), RT_BITMAP), nBitmapID};
    return int(send(this, TB_ADDBITMAP, WPARAM(nNumButtons), LPARAM(&add)));
}

int CToolBarCtrl::AddStrings(LPCSTR lpszStrings) { return int(send(this, TB_ADDSTRINGA, 0, LPARAM(lpszStrings))); }
int CToolBarCtrl::CommandToIndex(UINT nID) const { return int(send(this, TB_COMMANDTOINDEX, WPARAM(nID))); }
BOOL CToolBarCtrl::GetItemRect(int nIndex, LPRECT lpRect) const { return BOOL(send(this, TB_GETITEMRECT, WPARAM(nIndex), LPARAM(lpRect))); }
int CToolBarCtrl::GetState(int nID) const { return int(send(this, TB_GETSTATE, WPARAM(nID))); }
BOOL CToolBarCtrl::SetState(int nID, UINT nState) { return BOOL(send(this, TB_SETSTATE, WPARAM(nID), MAKELPARAM(nState, 0))); }
BOOL CToolBarCtrl::SetButtonInfo(int nID, TBBUTTONINFOA* ptbbi)
{
    return send(this, TB_SETBUTTONINFOA, WPARAM(nID), LPARAM(ptbbi)) >= 0;
}
BOOL CToolBarCtrl::GetButton(int nIndex, LPTBBUTTON lpButton) const { return BOOL(send(this, TB_GETBUTTON, WPARAM(nIndex), LPARAM(lpButton))); }
int CToolBarCtrl::HitTest(LPPOINT ppt) const { return int(send(this, TB_HITTEST, 0, LPARAM(ppt))); }
int CToolBarCtrl::GetButtonCount() const { return int(send(this, TB_BUTTONCOUNT)); }
DWORD CToolBarCtrl::GetStyle() const { return DWORD(send(this, TB_GETSTYLE)); }
DWORD CToolBarCtrl::SetExtendedStyle(DWORD dwExStyle) { return DWORD(send(this, TB_SETEXTENDEDSTYLE, 0, LPARAM(dwExStyle))); }

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CreateEx(0, WC_LISTVIEWA, "", dwStyle, rect, pParentWnd, nID);
}

int CListCtrl::GetItemCount() const { return int(send(this, LVM_GETITEMCOUNT)); }
int CListCtrl::InsertItem(const LVITEMA* pItem) { return int(send(this, LVM_INSERTITEMA, 0, LPARAM(pItem))); }

int CListCtrl::InsertItem(int nItem, LPCSTR lpszItem)
{
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.pszText = const_cast<LPSTR>(lpszItem);
    return InsertItem(&item);
}

BOOL CListCtrl::DeleteItem(int nItem) { return BOOL(send(this, LVM_DELETEITEM, WPARAM(nItem))); }
BOOL CListCtrl::DeleteAllItems() { return BOOL(send(this, LVM_DELETEALLITEMS)); }

int CListCtrl::InsertColumn(int nCol, LPCSTR lpszColumnHeading, int nFormat, int nWidth, int nSubItem)
{
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_FMT | (nWidth >= 0 ? LVCF_WIDTH : 0) | (nSubItem >= 0 ? LVCF_SUBITEM : 0);
    column.fmt = nFormat;
    column.cx = nWidth;
    column.pszText = const_cast<LPSTR>(lpszColumnHeading);
    column.iSubItem = nSubItem;
    return int(send(this, LVM_INSERTCOLUMNA, WPARAM(nCol), LPARAM(&column)));
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const { return int(send(this, LVM_GETNEXTITEM, WPARAM(nItem), LPARAM(nFlags))); }

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask)
{
    LVITEMA item{};
    item.state = nState;
    item.stateMask = nMask;
    return BOOL(send(this, LVM_SETITEMSTATE, WPARAM(nItem), LPARAM(&item)));
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const { return UINT(send(this, LVM_GETITEMSTATE, WPARAM(nItem), LPARAM(nMask))); }

int CListCtrl::GetItemText(int nItem, int nSubItem, LPSTR lpszText, int nLen) const
{
    LVITEMA item{};
    item.iSubItem = nSubItem;
    item.pszText = lpszText;
    item.cchTextMax = nLen;
    return int(send(this, LVM_GETITEMTEXTA, WPARAM(nItem), LPARAM(&item)));
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCSTR lpszText)
{
    LVITEMA item{};
    item.iSubItem = nSubItem;
    item.pszText = const_cast<LPSTR>(lpszText);
    return BOOL(send(this, LVM_SETITEMTEXTA, WPARAM(nItem), LPARAM(&item)));
}

BOOL CListCtrl::GetItem(LVITEMA* pItem) const { return BOOL(send(this, LVM_GETITEMA, 0, LPARAM(pItem))); }
BOOL CListCtrl::SetItem(const LVITEMA* pItem) { return BOOL(send(this, LVM_SETITEMA, 0, LPARAM(pItem))); }

DWORD_PTR CListCtrl::GetItemData(int nItem) const
{
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    GetItem(&item);
    return DWORD_PTR(item.lParam);
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData)
{
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    item.lParam = LPARAM(dwData);
    return SetItem(&item);
}

BOOL CTreeCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CreateEx(0, WC_TREEVIEWA, "", dwStyle, rect, pParentWnd, nID);
}

HTREEITEM CTreeCtrl::InsertItem(const TVINSERTSTRUCTA* lpInsertStruct)
{
    return HTREEITEM(send(this, TVM_INSERTITEMA, 0, LPARAM(lpInsertStruct)));
}

HTREEITEM CTreeCtrl::InsertItem(LPCSTR lpszItem, HTREEITEM hParent, HTREEITEM hInsertAfter)
{
    TVINSERTSTRUCTA in{};
    in.hParent = hParent;
    in.hInsertAfter = hInsertAfter;
    in.item.mask = TVIF_TEXT;
    in.item.pszText = const_cast<LPSTR>(lpszItem);
    return InsertItem(&in);
}

BOOL CTreeCtrl::DeleteItem(HTREEITEM hItem) { return BOOL(send(this, TVM_DELETEITEM, 0, LPARAM(hItem))); }
BOOL CTreeCtrl::DeleteAllItems() { return DeleteItem(TVI_ROOT); }
BOOL CTreeCtrl::Expand(HTREEITEM hItem, UINT nCode) { return BOOL(send(this, TVM_EXPAND, WPARAM(nCode), LPARAM(hItem))); }
HTREEITEM CTreeCtrl::GetNextItem(HTREEITEM hItem, UINT nCode) const { return HTREEITEM(send(this, TVM_GETNEXTITEM, WPARAM(nCode), LPARAM(hItem))); }
HTREEITEM CTreeCtrl::GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_CHILD); }
HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_NEXT); }
HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_PARENT); }
HTREEITEM CTreeCtrl::GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
BOOL CTreeCtrl::SelectItem(HTREEITEM hItem) { return BOOL(send(this, TVM_SELECTITEM, TVGN_CARET, LPARAM(hItem))); }
BOOL CTreeCtrl::GetItem(TVITEMA* pItem) const { return BOOL(send(this, TVM_GETITEMA, 0, LPARAM(pItem))); }
BOOL CTreeCtrl::SetItem(TVITEMA* pItem) { return BOOL(send(this, TVM_SETITEMA, 0, LPARAM(pItem))); }

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM hItem) const
{
    TVITEMA item{};
    item.mask = TVIF_HANDLE | TVIF_PARAM;
    item.hItem = hItem;
    GetItem(&item);
    return DWORD_PTR(item.lParam);
}

BOOL CTreeCtrl::SetItemData(HTREEITEM hItem, DWORD_PTR dwData)
{
    TVITEMA item{};
    item.mask = TVIF_HANDLE | TVIF_PARAM;
    item.hItem = hItem;
    item.lParam = LPARAM(dwData);
    return SetItem(&item);
}

UINT CTreeCtrl::GetCount() const { return UINT(send(this, TVM_GETCOUNT)); }

HTREEITEM CTreeCtrl::HitTest(CPoint pt, UINT* pFlags) const
{
    TVHITTESTINFO info{pt, 0, nullptr};
    HTREEITEM item = HTREEITEM(send(this, TVM_HITTEST, 0, LPARAM(&info)));
    if (pFlags)
        *pFlags = info.flags;
    return item;
}
