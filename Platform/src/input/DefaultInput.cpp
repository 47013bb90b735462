// What the default window procedure does with input, focus and activation messages.

#include "controls/Controls.h"
#include "input/Cursors.h"
#include "input/Input.h"
#include "input/WindowGeometry.h"
#include "menu/MenuLoop.h"

#include "plat/cursor.h"
#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "ui/UiCore.h"

namespace plat::input {

namespace {

constexpr LPARAM kKeyboardContextMenu = -1;

// A child's parent, else null.
HWND parentWindow(HWND hwnd)
{
    HWND parent = GetParent(hwnd);
    return parent && (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) ? parent : nullptr;
}

LRESULT passToParent(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HWND parent = parentWindow(hwnd);
    return parent ? SendMessageA(parent, msg, wParam, lParam) : 0;
}

LRESULT hitTest(HWND hwnd, LPARAM lParam)
{
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    auto inside = [&](const RECT& r) { return pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom; };
    if (inside(clientScreenRect(hwnd)))
        return HTCLIENT;
    if (LRESULT bar = controls::ownBarHit(hwnd, pt))
        return bar;
    return inside(windowScreenRect(hwnd)) ? HTBORDER : HTNOWHERE;
}

// The sizing cursor of a border's hit code, else the arrow.
int cursorOfHit(SHORT hit)
{
    switch (hit) {
    case HTLEFT:
    case HTRIGHT: return 32644; // IDC_SIZEWE
    case HTTOP:
    case HTBOTTOM: return 32645; // IDC_SIZENS
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: return 32642; // IDC_SIZENWSE
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: return 32643; // IDC_SIZENESW
    default: return 32512; // IDC_ARROW
    }
}

// A child lets its parent choose first; a window chooses only for itself, not for a child that
// asked it.
LRESULT setCursor(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (passToParent(hwnd, WM_SETCURSOR, wParam, lParam))
        return TRUE;
    if (HWND(wParam) != hwnd)
        return FALSE;
    const SHORT hit = SHORT(LOWORD(lParam));
    if (hit == HTCLIENT) {
        auto w = ui::findWindow(hwnd);
        if (w && w->cls->cursor)
            SetCursor(w->cls->cursor);
        else if (w && w->cls->systemCursorId)
            SetCursor(systemCursor(w->cls->systemCursorId));
        return FALSE;
    }
    SetCursor(systemCursor(cursorOfHit(hit)));
    return FALSE;
}

LRESULT mouseActivate(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (LRESULT answer = passToParent(hwnd, WM_MOUSEACTIVATE, wParam, lParam))
        return answer;
    return neverActivates(topLevelOf(hwnd)) ? MA_NOACTIVATE : MA_ACTIVATE;
}

bool keyDown(HWND hwnd, UINT msg, WPARAM vk, LPARAM keyData)
{
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    if (vk == VK_APPS || (vk == VK_F10 && shift)) {
        SendMessageA(hwnd, WM_CONTEXTMENU, WPARAM(hwnd), kKeyboardContextMenu);
        return true;
    }
    if (msg == WM_SYSKEYDOWN && vk == VK_F4 && (keyData & (1 << 29))) {
        SendMessageA(topLevelOf(hwnd), WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    }
    return false;
}

LRESULT systemCommand(HWND hwnd, WPARAM command)
{
    switch (command & 0xFFF0) {
    case SC_CLOSE: SendMessageA(hwnd, WM_CLOSE, 0, 0); break;
    case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
    case SC_MAXIMIZE: ShowWindow(hwnd, SW_SHOWMAXIMIZED); break;
    case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
    default: break;
    }
    return 0;
}

} // namespace

bool isDefaultInputMessage(UINT msg)
{
    switch (msg) {
    case WM_ACTIVATE:
    case WM_MOUSEACTIVATE:
    case WM_SETCURSOR:
    case WM_NCHITTEST:
    case WM_MOUSEWHEEL:
    case WM_CONTEXTMENU:
    case WM_RBUTTONUP:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_SYSCHAR:
    case WM_SYSCOMMAND: return true;
    default: return false;
    }
}

LRESULT defaultInputProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (menu::systemMenuRequest(hwnd, msg, wParam, lParam))
        return 0;
    switch (msg) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !isWithin(GetFocus(), hwnd))
            SetFocus(hwnd);
        return 0;
    case WM_MOUSEACTIVATE: return mouseActivate(hwnd, wParam, lParam);
    case WM_SETCURSOR: return setCursor(hwnd, wParam, lParam);
    case WM_NCHITTEST: return hitTest(hwnd, lParam);
    case WM_MOUSEWHEEL:
    case WM_CONTEXTMENU: return passToParent(hwnd, msg, wParam, lParam);
    case WM_RBUTTONUP: {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT client = clientScreenRect(hwnd);
        pt = POINT{pt.x + client.left, pt.y + client.top};
        SendMessageA(hwnd, WM_CONTEXTMENU, WPARAM(hwnd), LPARAM(DWORD(WORD(SHORT(pt.x))) | DWORD(WORD(SHORT(pt.y))) << 16));
        return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: keyDown(hwnd, msg, wParam, lParam); return 0;
    case WM_SYSCHAR:
        // Alt+Space: the system menu.
        if (wParam == ' ')
            SendMessageA(topLevelOf(hwnd), WM_SYSCOMMAND, SC_KEYMENU, LPARAM(' '));
        return 0;
    case WM_SYSCOMMAND: return systemCommand(hwnd, wParam);
    default: return 0;
    }
}

} // namespace plat::input
