// The Static control. Text statics draw their window text through DrawTextA (wrapped unless
// SS_LEFTNOWORDWRAP); an SS_ICON static's text names an icon of the module that creates it, and
// the control takes the icon's size. Without SS_NOTIFY the control is transparent to the mouse,
// so that clicks reach the window beneath.

#include "controls/Static.h"

#include "controls/Controls.h"

#include "plat/cursor.h"
#include "plat/dialog.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/sysmetrics.h"

#include <string>

namespace plat::controls {

namespace {

struct StaticState {
    HICON icon = nullptr;
};

DWORD styleOf(HWND hwnd) { return DWORD(GetWindowLongPtrA(hwnd, GWL_STYLE)); }
bool isIcon(HWND hwnd) { return (styleOf(hwnd) & SS_TYPEMASK) == SS_ICON; }

StaticState* stateOf(HWND hwnd) { return reinterpret_cast<StaticState*>(GetWindowLongPtrA(hwnd, kStateSlot)); }

UINT textFormat(DWORD style)
{
    UINT format = DT_EXPANDTABS;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: format |= DT_CENTER | DT_WORDBREAK; break;
    case SS_RIGHT: format |= DT_RIGHT | DT_WORDBREAK; break;
    case SS_LEFTNOWORDWRAP: break;
    default: format |= DT_LEFT | DT_WORDBREAK; break;
    }
    if (style & SS_NOPREFIX)
        format |= DT_NOPREFIX;
    return format;
}

void paint(HWND hwnd, HDC hdc)
{
    StaticState* st = stateOf(hwnd);
    if (!st)
        return;
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(hdc, &client, controlBrush(hwnd, WM_CTLCOLORSTATIC, hdc));
    if (isIcon(hwnd)) {
        if (st->icon)
            DrawIcon(hdc, 0, 0, st->icon);
        return;
    }
    const std::string text = windowTextOf(hwnd);
    if (!IsWindowEnabled(hwnd))
        SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(hdc, controlFont(hwnd));
    DrawTextA(hdc, text.c_str(), int(text.size()), &client, textFormat(styleOf(hwnd)));
    SelectObject(hdc, oldFont);
    SetBkMode(hdc, oldMode);
}

// Shows an icon, the control taking the system's icon size; answers the previous one.
HICON setIcon(HWND hwnd, StaticState& st, HICON icon)
{
    HICON previous = st.icon;
    st.icon = icon;
    if (icon)
        SetWindowPos(hwnd, nullptr, 0, 0, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
            SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd, nullptr, TRUE);
    return previous;
}

LRESULT staticMessage(HWND hwnd, StaticState& st, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        if (isIcon(hwnd)) {
            auto cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            if (cs && cs->lpszName && *cs->lpszName)
                setIcon(hwnd, st, LoadIconA(cs->hInstance, cs->lpszName));
        }
        return 0;
    case WM_NCHITTEST:
        if (!(styleOf(hwnd) & SS_NOTIFY))
            return HTTRANSPARENT;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_LBUTTONDOWN:
        if (styleOf(hwnd) & SS_NOTIFY)
            notifyParent(hwnd, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (styleOf(hwnd) & SS_NOTIFY)
            notifyParent(hwnd, STN_DBLCLK);
        return 0;
    case STM_SETICON: return LRESULT(setIcon(hwnd, st, HICON(wParam)));
    case STM_GETICON: return LRESULT(st.icon);
    case WM_GETDLGCODE: return DLGC_STATIC;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK staticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return simpleControlProc<StaticState>(hwnd, msg, wParam, lParam, paint, staticMessage);
}

} // namespace plat::controls
