// The framework window's message route: the maps, reflection to controls, and the default
// handlers that pass a message on.

#include "CurrentMessage.h"

#include "plat/afxwin.h"

namespace plat::afx {

CurrentMessage& currentMessage()
{
    thread_local CurrentMessage current;
    return current;
}

} // namespace plat::afx

namespace {

bool isControlColour(UINT message) { return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC; }

// Offers a child's notification to the child's own object, if it has one.
BOOL reflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

} // namespace

// Reaches the child's protected OnChildNotify from the parent's route.
struct CWndReflect {
    static BOOL toChild(CWnd* child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
    {
        return child->OnChildNotify(message, wParam, lParam, pResult);
    }
};

namespace {

BOOL reflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    CWnd* wnd = child ? CWnd::FromHandlePermanent(child) : nullptr;
    LRESULT ignored = 0;
    return wnd && CWndReflect::toChild(wnd, message, wParam, lParam, pResult ? pResult : &ignored);
}

} // namespace

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *pResult = 0;
        return TRUE;
    }
    if (message == WM_NOTIFY)
        return OnNotify(wParam, lParam, pResult);
    if (isControlColour(message) && reflectToChild(HWND(lParam), message, wParam, lParam, pResult))
        return TRUE;
    return DispatchToMap(message, wParam, lParam, pResult);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (lParam && reflectToChild(HWND(lParam), WM_COMMAND, wParam, lParam, &result))
        return TRUE;
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam), lParam, &result);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header)
        return FALSE;
    if (reflectToChild(header->hwndFrom, WM_NOTIFY, wParam, lParam, pResult))
        return TRUE;
    return DispatchToMap(WM_NOTIFY, wParam, lParam, pResult);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message != WM_COMMAND && message != WM_NOTIFY && !isControlColour(message))
        return FALSE;
    return DispatchToMap(WM_REFLECT_BASE + message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult)
{
    const plat::afx::CurrentMessage& current = plat::afx::currentMessage();
    return reflectToChild(hWndChild, current.message, current.wParam, current.lParam, pResult);
}

LRESULT CWnd::Default()
{
    const plat::afx::CurrentMessage& current = plat::afx::currentMessage();
    return DefWindowProc(current.message, current.wParam, current.lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(MSG* pMsg)
{
    for (HWND hwnd = pMsg->hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        if (CWnd* wnd = FromHandlePermanent(hwnd); wnd && wnd->PreTranslateMessage(pMsg))
            return TRUE;
        if (!(GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD))
            break;
    }
    return FALSE;
}

int CWnd::OnCreate(LPCREATESTRUCTA) { return int(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnNcDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return BOOL(Default()); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
void CWnd::OnEnable(BOOL) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnMButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnMButtonUp(UINT, CPoint) { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return BOOL(Default()); }
int CWnd::OnMouseActivate(CWnd*, UINT, UINT) { return int(Default()); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
UINT CWnd::OnGetDlgCode() { return UINT(Default()); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return HCURSOR(Default()); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
LRESULT CWnd::OnNcHitTest(CPoint) { return Default(); }
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return BOOL(Default()); }
HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) { return HBRUSH(Default()); }
