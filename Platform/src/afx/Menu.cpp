// The framework's menu objects.

#include "TempMap.h"

#include "plat/afxwin.h"

#include <utility>

namespace {

using MenuTempMap = plat::afx::TempMap<HMENU, CMenu>;

MenuTempMap& tempMenus()
{
    thread_local MenuTempMap map([](CMenu& menu) { menu.Detach(); }, [](HMENU h) { return IsMenu(h) != FALSE; });
    return map;
}

} // namespace

CMenu::~CMenu() { DestroyMenu(); }

BOOL CMenu::CreatePopupMenu() { return Attach(::CreatePopupMenu()); }

BOOL CMenu::LoadMenu(LPCSTR lpszResourceName)
{
    return Attach(::LoadMenuA(AfxFindResourceHandle(lpszResourceName, RT_MENU), lpszResourceName));
}

BOOL CMenu::DestroyMenu()
{
    HMENU menu = Detach();
    return menu ? ::DestroyMenu(menu) : FALSE;
}

BOOL CMenu::Attach(HMENU hMenu)
{
    if (m_hMenu || !hMenu)
        return FALSE;
    m_hMenu = hMenu;
    return TRUE;
}

HMENU CMenu::Detach() { return std::exchange(m_hMenu, nullptr); }

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    if (!IsMenu(hMenu))
        return nullptr;
    return tempMenus().get<CMenu>(hMenu, [](CMenu& menu, HMENU h) { menu.m_hMenu = h; });
}

void CMenu::DeleteTempMap() { tempMenus().clear(); }

CMenu* CMenu::GetSubMenu(int nPos) const { return FromHandle(::GetSubMenu(m_hMenu, nPos)); }

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem)
{
    return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}

UINT CMenu::GetMenuItemCount() const { return UINT(::GetMenuItemCount(m_hMenu)); }
UINT CMenu::GetMenuItemID(int nPos) const { return ::GetMenuItemID(m_hMenu, nPos); }

int CMenu::GetMenuString(UINT nIDItem, LPSTR lpString, int nMaxCount, UINT nFlags) const
{
    return ::GetMenuStringA(m_hMenu, nIDItem, lpString, nMaxCount, nFlags);
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable)
{
    return UINT(::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable));
}

UINT CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck)
{
    return UINT(::CheckMenuItem(m_hMenu, nIDCheckItem, nCheck));
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect)
{
    return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, pWnd ? pWnd->m_hWnd : nullptr, lpRect);
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const { return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert)); }
