// The system classes, and what every built-in control does alike: fonts, colours, and the
// default window procedure's answers for them.

#include "controls/Controls.h"

#include "controls/ComboBox.h"
#include "controls/Edit.h"
#include "controls/ScrollBar.h"

#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/sysmetrics.h"

namespace plat::controls {

namespace {

constexpr int kArrowCursor = 32512; // IDC_ARROW
constexpr int kBeamCursor = 32513; // IDC_IBEAM

// The default colours of a control kind: text, then background.
void defaultColours(UINT msg, int& text, int& back)
{
    switch (msg) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        text = COLOR_WINDOWTEXT;
        back = COLOR_WINDOW;
        return;
    default:
        text = COLOR_BTNTEXT;
        back = COLOR_BTNFACE;
        return;
    }
}

} // namespace

const std::vector<SystemClass>& systemClasses()
{
    static const std::vector<SystemClass> classes{
        {"ComboBox", comboBoxProc, kArrowCursor},
        {"ComboLBox", comboListProc, kArrowCursor},
        {"Edit", editProc, kBeamCursor},
        {"ScrollBar", scrollBarProc, kArrowCursor},
        {kScrollTrackerClass, scrollTrackerProc, kArrowCursor},
    };
    return classes;
}

bool isDefaultControlMessage(UINT msg)
{
    return (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) || msg == WM_NCLBUTTONDOWN
        || msg == WM_NCLBUTTONDBLCLK;
}

LRESULT defaultControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCLBUTTONDOWN || msg == WM_NCLBUTTONDBLCLK) {
        if (wParam == HTVSCROLL || wParam == HTHSCROLL)
            trackOwnBar(hwnd, wParam == HTVSCROLL ? SB_VERT : SB_HORZ, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    }
    int text, back;
    defaultColours(msg, text, back);
    HDC hdc = HDC(wParam);
    SetTextColor(hdc, GetSysColor(text));
    SetBkColor(hdc, GetSysColor(back));
    return LRESULT(GetSysColorBrush(back));
}

HBRUSH controlBrush(HWND control, UINT msg, HDC hdc, HWND sender)
{
    if (!sender)
        sender = control;
    HWND parent = GetParent(control);
    HBRUSH brush = nullptr;
    if (parent && (GetWindowLongPtrA(control, GWL_STYLE) & WS_CHILD))
        brush = HBRUSH(SendMessageA(parent, msg, WPARAM(hdc), LPARAM(sender)));
    return brush ? brush : HBRUSH(DefWindowProcA(control, msg, WPARAM(hdc), LPARAM(sender)));
}

bool fontMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (msg == WM_SETFONT) {
        SetWindowLongPtrA(hwnd, kFontSlot, LONG_PTR(wParam));
        if (LOWORD(lParam))
            InvalidateRect(hwnd, nullptr, TRUE);
        result = 0;
        return true;
    }
    if (msg == WM_GETFONT) {
        result = GetWindowLongPtrA(hwnd, kFontSlot);
        return true;
    }
    return false;
}

void fillRect(HDC hdc, RECT r, int color) { FillRect(hdc, &r, GetSysColorBrush(color)); }

// A raised box in the button face colour.
void raisedBox(HDC hdc, RECT r)
{
    fillRect(hdc, r, COLOR_BTNFACE);
    fillRect(hdc, RECT{r.left, r.top, r.right, r.top + 1}, COLOR_BTNHIGHLIGHT);
    fillRect(hdc, RECT{r.left, r.top, r.left + 1, r.bottom}, COLOR_BTNHIGHLIGHT);
    fillRect(hdc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, COLOR_BTNSHADOW);
    fillRect(hdc, RECT{r.right - 1, r.top, r.right, r.bottom}, COLOR_BTNSHADOW);
}

// A small triangle pointing towards the bar's start (up, left) or end (down, right).
void arrowGlyph(HDC hdc, RECT box, bool vertical, bool towardsEnd, bool active)
{
    const int color = active ? COLOR_BTNTEXT : COLOR_GRAYTEXT;
    const int cx = (box.left + box.right) / 2;
    const int cy = (box.top + box.bottom) / 2;
    constexpr int kRows = 4;
    for (int i = 0; i < kRows; ++i) {
        const int row = towardsEnd ? i - kRows / 2 : kRows / 2 - i;
        const int half = i;
        if (vertical)
            fillRect(hdc, RECT{cx - half, cy + row, cx + half + 1, cy + row + 1}, color);
        else
            fillRect(hdc, RECT{cx + row, cy - half, cx + row + 1, cy + half + 1}, color);
    }
}

bool paintMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, PaintFunction paint)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (HDC hdc = BeginPaint(hwnd, &ps)) {
            paint(hwnd, hdc);
            EndPaint(hwnd, &ps);
        }
        return true;
    }
    case WM_PRINTCLIENT:
        if (lParam & PRF_CLIENT)
            paint(hwnd, HDC(wParam));
        return true;
    case WM_ERASEBKGND: return true;
    default: return false;
    }
}

HFONT controlFont(HWND hwnd)
{
    auto font = HFONT(GetWindowLongPtrA(hwnd, kFontSlot));
    if (font && GetObjectType(font) == OBJ_FONT)
        return font;
    return HFONT(GetStockObject(DEFAULT_GUI_FONT));
}

} // namespace plat::controls
