// The Button control. A press shows the button pushed while the mouse stays on it under the
// capture; a release on it, or Space, clicks: an automatic check box toggles first, then the
// parent hears BN_CLICKED.

#include "controls/Button.h"

#include "controls/Controls.h"

#include "plat/dialog.h"
#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/sysmetrics.h"

namespace plat::controls {

namespace {

constexpr int kCheckBoxSize = 13;
constexpr int kCheckTextGap = 4;

struct ButtonState {
    int check = BST_UNCHECKED;
    bool pushed = false;
    bool focused = false;
    bool tracking = false; // a mouse press is under way
    bool spaceDown = false;
};

DWORD styleOf(HWND hwnd) { return DWORD(GetWindowLongPtrA(hwnd, GWL_STYLE)); }
DWORD kindOf(HWND hwnd) { return styleOf(hwnd) & BS_TYPEMASK; }
bool isCheckBox(HWND hwnd) { return kindOf(hwnd) == BS_CHECKBOX || kindOf(hwnd) == BS_AUTOCHECKBOX; }

ButtonState* stateOf(HWND hwnd) { return reinterpret_cast<ButtonState*>(GetWindowLongPtrA(hwnd, kStateSlot)); }

void setPushed(HWND hwnd, ButtonState& st, bool pushed)
{
    if (st.pushed == pushed)
        return;
    st.pushed = pushed;
    InvalidateRect(hwnd, nullptr, TRUE);
}

void click(HWND hwnd, ButtonState& st)
{
    if (kindOf(hwnd) == BS_AUTOCHECKBOX) {
        st.check = st.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    notifyParent(hwnd, BN_CLICKED);
}

bool inside(HWND hwnd, LPARAM lParam)
{
    RECT client;
    GetClientRect(hwnd, &client);
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&client, pt) != FALSE;
}

void drawCheckMark(HDC hdc, RECT box)
{
    // A tick of three 2-px wide strokes down, then five up.
    const int x0 = box.left + 3, y0 = box.top + 5;
    for (int i = 0; i < 3; ++i)
        fillRect(hdc, RECT{x0 + i, y0 + i, x0 + i + 1, y0 + i + 3}, COLOR_WINDOWTEXT);
    for (int i = 0; i < 4; ++i)
        fillRect(hdc, RECT{x0 + 3 + i, y0 + 1 - i, x0 + 4 + i, y0 + 4 - i}, COLOR_WINDOWTEXT);
}

void paintText(HWND hwnd, HDC hdc, RECT area, UINT format)
{
    const std::string text = windowTextOf(hwnd);
    if (!IsWindowEnabled(hwnd))
        SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(hdc, controlFont(hwnd));
    DrawTextA(hdc, text.c_str(), int(text.size()), &area, format | DT_SINGLELINE | DT_VCENTER);
    SelectObject(hdc, oldFont);
    SetBkMode(hdc, oldMode);
}

void paintPush(HWND hwnd, const ButtonState& st, HDC hdc, RECT client)
{
    FillRect(hdc, &client, controlBrush(hwnd, WM_CTLCOLORBTN, hdc));
    RECT frame = client;
    if (kindOf(hwnd) == BS_DEFPUSHBUTTON) {
        FrameRect(hdc, &frame, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&frame, -1, -1);
    }
    edgeFrame(hdc, frame, !st.pushed);
    RECT text = frame;
    if (st.pushed)
        OffsetRect(&text, 1, 1);
    paintText(hwnd, hdc, text, DT_CENTER);
    if (st.focused) {
        InflateRect(&frame, -3, -3);
        focusFrame(hdc, frame);
    }
}

void paintCheckBox(HWND hwnd, const ButtonState& st, HDC hdc, RECT client)
{
    FillRect(hdc, &client, controlBrush(hwnd, WM_CTLCOLORSTATIC, hdc));
    const int top = (client.bottom - kCheckBoxSize) / 2;
    const RECT box{0, top, kCheckBoxSize, top + kCheckBoxSize};
    fillRect(hdc, box, st.pushed || !IsWindowEnabled(hwnd) ? COLOR_BTNFACE : COLOR_WINDOW);
    edgeFrame(hdc, box, false);
    if (st.check == BST_CHECKED)
        drawCheckMark(hdc, box);
    RECT text{kCheckBoxSize + kCheckTextGap, client.top, client.right, client.bottom};
    paintText(hwnd, hdc, text, DT_LEFT);
    if (st.focused) {
        MeasureDc dc(hwnd);
        const std::string s = windowTextOf(hwnd);
        SIZE size{0, 0};
        GetTextExtentPoint32A(dc.hdc(), s.data(), int(s.size()), &size);
        const int y = (client.bottom - size.cy) / 2;
        focusFrame(hdc, RECT{text.left - 1, y - 1, std::min(text.left + size.cx + 1, client.right), y + size.cy + 1});
    }
}

void paint(HWND hwnd, HDC hdc)
{
    ButtonState* st = stateOf(hwnd);
    if (!st)
        return;
    RECT client;
    GetClientRect(hwnd, &client);
    if (isCheckBox(hwnd))
        paintCheckBox(hwnd, *st, hdc, client);
    else
        paintPush(hwnd, *st, hdc, client);
}

LRESULT dialogCode(HWND hwnd)
{
    switch (kindOf(hwnd)) {
    case BS_PUSHBUTTON: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    default: return DLGC_BUTTON;
    }
}

void focusChanged(HWND hwnd, ButtonState& st, bool focused)
{
    st.focused = focused;
    if (!focused) {
        st.spaceDown = false;
        if (st.tracking && GetCapture() == hwnd)
            ReleaseCapture();
        setPushed(hwnd, st, false);
    }
    InvalidateRect(hwnd, nullptr, TRUE);
    if (styleOf(hwnd) & BS_NOTIFY)
        notifyParent(hwnd, focused ? BN_SETFOCUS : BN_KILLFOCUS);
}

LRESULT buttonMessage(HWND hwnd, ButtonState& st, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        SetFocus(hwnd);
        st.tracking = true;
        SetCapture(hwnd);
        setPushed(hwnd, st, true);
        return 0;
    case WM_MOUSEMOVE:
        if (st.tracking)
            setPushed(hwnd, st, inside(hwnd, lParam));
        return 0;
    case WM_LBUTTONUP: {
        if (!st.tracking)
            return 0;
        const bool clicked = inside(hwnd, lParam);
        st.tracking = false;
        if (GetCapture() == hwnd)
            ReleaseCapture();
        setPushed(hwnd, st, false);
        if (clicked)
            click(hwnd, st);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (st.tracking) {
            st.tracking = false;
            setPushed(hwnd, st, false);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && !st.tracking) {
            st.spaceDown = true;
            setPushed(hwnd, st, true);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && st.spaceDown) {
            st.spaceDown = false;
            setPushed(hwnd, st, false);
            click(hwnd, st);
        }
        return 0;
    case WM_SETFOCUS: focusChanged(hwnd, st, true); return 0;
    case WM_KILLFOCUS: focusChanged(hwnd, st, false); return 0;
    case WM_GETDLGCODE: return dialogCode(hwnd);
    case BM_GETCHECK: return isCheckBox(hwnd) ? st.check : BST_UNCHECKED;
    case BM_SETCHECK:
        if (isCheckBox(hwnd) && st.check != int(wParam)) {
            st.check = int(wParam) & (BST_CHECKED | BST_INDETERMINATE);
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return 0;
    case BM_GETSTATE:
        return (isCheckBox(hwnd) ? st.check : 0) | (st.pushed ? BST_PUSHED : 0) | (st.focused ? BST_FOCUS : 0);
    case BM_SETSTATE: setPushed(hwnd, st, wParam != 0); return 0;
    case BM_SETSTYLE:
        SetWindowLongPtrA(hwnd, GWL_STYLE, LONG_PTR((styleOf(hwnd) & ~DWORD(BS_TYPEMASK)) | (DWORD(wParam) & BS_TYPEMASK)));
        if (LOWORD(lParam))
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case BM_CLICK:
        if (IsWindowEnabled(hwnd))
            click(hwnd, st);
        return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK buttonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return simpleControlProc<ButtonState>(hwnd, msg, wParam, lParam, paint, buttonMessage);
}

} // namespace plat::controls
