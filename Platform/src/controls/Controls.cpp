// The system classes, and what every built-in control does alike: fonts, colours, and the
// default window procedure's answers for them.

#include "controls/Controls.h"

#include "controls/Button.h"
#include "controls/ComboBox.h"
#include "controls/Edit.h"
#include "controls/ListBox.h"
#include "controls/ListView.h"
#include "controls/ScrollBar.h"
#include "controls/Static.h"
#include "controls/StatusBar.h"
#include "controls/ToolBar.h"
#include "controls/TreeView.h"
#include "menu/MenuLoop.h"

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
        {POPUPMENU_CLASS, menu::popupMenuProc, kArrowCursor},
        {"Button", buttonProc, kArrowCursor},
        {"ComboBox", comboBoxProc, kArrowCursor},
        {"ComboLBox", comboListProc, kArrowCursor},
        {"Edit", editProc, kBeamCursor},
        {"ListBox", listBoxProc, kArrowCursor},
        {"ScrollBar", scrollBarProc, kArrowCursor},
        {"Static", staticProc, kArrowCursor},
        {STATUSCLASSNAMEA, statusBarProc, kArrowCursor},
        {TOOLBARCLASSNAMEA, toolBarProc, kArrowCursor},
        {WC_LISTVIEWA, listViewProc, kArrowCursor},
        {WC_TREEVIEWA, treeViewProc, kArrowCursor},
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

void notifyParent(HWND control, int code)
{
    HWND parent = GetParent(control);
    if (parent && (GetWindowLongPtrA(control, GWL_STYLE) & WS_CHILD))
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetWindowLongPtrA(control, GWLP_ID), code), LPARAM(control));
}

LRESULT notifyParent(HWND control, NMHDR& header, int code)
{
    header.hwndFrom = control;
    header.idFrom = UINT_PTR(GetWindowLongPtrA(control, GWLP_ID));
    header.code = UINT(code);
    HWND parent = GetParent(control);
    if (!parent || !(GetWindowLongPtrA(control, GWL_STYLE) & WS_CHILD))
        return 0;
    return SendMessageA(parent, WM_NOTIFY, header.idFrom, LPARAM(&header));
}

std::string windowTextOf(HWND hwnd)
{
    std::string text(size_t(GetWindowTextLengthA(hwnd)) + 1, '\0');
    text.resize(size_t(GetWindowTextA(hwnd, text.data(), int(text.size()))));
    return text;
}

MeasureDc::MeasureDc(HWND hwnd) : m_hwnd(hwnd), m_dc(GetDC(hwnd)) { m_old = SelectObject(m_dc, controlFont(hwnd)); }

MeasureDc::~MeasureDc()
{
    SelectObject(m_dc, m_old);
    ReleaseDC(m_hwnd, m_dc);
}

int MeasureDc::cellHeight() const
{
    TEXTMETRICA tm{};
    GetTextMetricsA(m_dc, &tm);
    return tm.tmHeight;
}

void fillRect(HDC hdc, RECT r, int color) { FillRect(hdc, &r, GetSysColorBrush(color)); }

// A raised box in the button face colour.
void raisedBox(HDC hdc, RECT r)
{
    fillRect(hdc, r, COLOR_BTNFACE);
    edgeFrame(hdc, r, true);
}

void edgeFrame(HDC hdc, RECT r, bool raised)
{
    const int light = raised ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW;
    const int dark = raised ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT;
    fillRect(hdc, RECT{r.left, r.top, r.right, r.top + 1}, light);
    fillRect(hdc, RECT{r.left, r.top, r.left + 1, r.bottom}, light);
    fillRect(hdc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, dark);
    fillRect(hdc, RECT{r.right - 1, r.top, r.right, r.bottom}, dark);
}

void focusFrame(HDC hdc, RECT r)
{
    const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    for (int x = r.left; x < r.right; x += 2) {
        SetPixel(hdc, x, r.top, ink);
        SetPixel(hdc, x, r.bottom - 1, ink);
    }
    for (int y = r.top; y < r.bottom; y += 2) {
        SetPixel(hdc, r.left, y, ink);
        SetPixel(hdc, r.right - 1, y, ink);
    }
}

// A small triangle pointing towards the bar's start (up, left) or end (down, right).
void arrowGlyph(HDC hdc, RECT box, bool vertical, bool towardsEnd, bool active)
{
    const int color = active ? COLOR_BTNTEXT : COLOR_GRAYTEXT;
    const int cx = (box.left + box.right) / 2;
    const int cy = (box.top + box.bottom) / 2;
    constexpr int kRows = 4;
    // Row i is i pixels either side of the middle: row 0 is the tip, on the side pointed to.
    for (int i = 0; i < kRows; ++i) {
        const int row = towardsEnd ? kRows / 2 - i : i - kRows / 2;
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
