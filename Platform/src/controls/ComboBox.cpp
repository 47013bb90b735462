// The ComboBox control and its list window, "ComboLBox". The combo box holds the items (in the
// shared list store) and all of the behaviour; the list window only shows them. While the list
// of a drop-down combo box is open, the combo box holds the capture, so that any press outside
// closes it; losing the capture closes it too.

#include "controls/ComboBox.h"

#include "controls/Controls.h"
#include "controls/ListCore.h"

#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/sysmetrics.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>

namespace plat::controls {

namespace {

constexpr int kEditId = 1001;
constexpr int kEdge = 2;
constexpr int kWheelStep = 3;

struct ComboState {
    explicit ComboState(bool sorted) : list(sorted) { }

    ListCore list;
    HWND edit = nullptr;
    WNDPROC editProc = nullptr;
    HWND listWindow = nullptr;
    int itemHeight = 0;
    int fieldHeight = 0;
    int droppedHeight = 0;
    bool open = false;
    bool pressOpened = false; // the press that opened the list is still down
    bool closing = false;
    bool barPressed = false; // the list's bar holds the capture until its gesture ends
    int highlight = -1;
    bool focused = false;
};

ComboState* stateOf(HWND combo) { return reinterpret_cast<ComboState*>(GetWindowLongPtrA(combo, kStateSlot)); }

DWORD kindOf(HWND combo) { return DWORD(GetWindowLongPtrA(combo, GWL_STYLE)) & 3; }

bool isSimple(HWND combo) { return kindOf(combo) == CBS_SIMPLE; }

void notify(HWND combo, int code) { notifyParent(combo, code); }

int cellHeightOf(HWND hwnd) { return MeasureDc(hwnd).cellHeight(); }

RECT clientOf(HWND hwnd)
{
    RECT r;
    GetClientRect(hwnd, &r);
    return r;
}

RECT buttonRect(HWND combo, const ComboState& st)
{
    const RECT c = clientOf(combo);
    if (isSimple(combo))
        return RECT{c.right - kEdge, kEdge, c.right - kEdge, kEdge};
    return RECT{c.right - kEdge - GetSystemMetrics(SM_CXVSCROLL), kEdge, c.right - kEdge, st.fieldHeight - kEdge};
}

RECT editRect(HWND combo, const ComboState& st)
{
    const RECT button = buttonRect(combo, st);
    return RECT{kEdge + 1, kEdge + 1, button.left, st.fieldHeight - kEdge - 1};
}

// Rows the list window shows.
int visibleRows(const ComboState& st)
{
    if (!st.listWindow || st.itemHeight <= 0)
        return 1;
    return std::max(1, int(clientOf(st.listWindow).bottom) / st.itemHeight);
}

void updateListScroll(ComboState& st)
{
    if (!st.listWindow)
        return;
    st.list.clampTop(visibleRows(st));
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(0, st.list.count() - 1),
        UINT(visibleRows(st)), st.list.top, 0};
    SetScrollInfo(st.listWindow, SB_VERT, &si, TRUE);
    InvalidateRect(st.listWindow, nullptr, TRUE);
}

// The list's width: its widest entry with the list's border and, when the rows will not all
// fit in height, its bar; at least the field's width.
int listWidth(HWND combo, const ComboState& st, int height, int fieldWidth)
{
    int width = st.list.widestRow(MeasureDc(combo).hdc()) + 2;
    const bool scrolls = st.list.count() * st.itemHeight > height - 2;
    if (scrolls && (GetWindowLongPtrA(st.listWindow, GWL_STYLE) & WS_VSCROLL))
        width += GetSystemMetrics(SM_CXVSCROLL);
    return std::max(width, fieldWidth);
}

// The list's height as it drops: its rows, within the height the combo box was made with.
int droppedListHeight(const ComboState& st)
{
    const int wanted = st.list.count() == 0 ? st.itemHeight + 2 : st.list.count() * st.itemHeight + 2;
    return std::min(st.droppedHeight, wanted);
}

// The place on the screen of a list of that height: under the field, or above it when it would
// pass the screen's bottom and more room lies above; no wider than the screen and moved left to
// stay on it.
RECT listPlace(HWND combo, const ComboState& st, int height)
{
    RECT field;
    GetWindowRect(combo, &field);
    const int screen = GetSystemMetrics(SM_CYSCREEN);
    int top = field.bottom;
    if (field.bottom + height > screen && field.top > screen - field.bottom)
        top = field.top - height;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int width = std::min(listWidth(combo, st, height, field.right - field.left), screenWidth);
    const int left = std::clamp(int(field.left), 0, screenWidth - width);
    return RECT{left, top, left + width, top + height};
}

void showEditText(HWND combo, ComboState& st)
{
    if (!st.edit)
        return;
    const char* text = st.list.valid(st.list.current) ? st.list.item(st.list.current).text.c_str() : "";
    // The edit's own change notifications are not the user's: they are not passed on.
    st.closing = true;
    SetWindowTextA(st.edit, text);
    st.closing = false;
    SendMessageA(st.edit, EM_SETSEL, 0, -1);
    InvalidateRect(combo, nullptr, FALSE);
}

void select(HWND combo, ComboState& st, int index)
{
    st.list.current = st.list.valid(index) ? index : -1;
    st.list.showItem(st.list.current, visibleRows(st));
    showEditText(combo, st);
    InvalidateRect(combo, nullptr, FALSE);
    if (st.listWindow)
        InvalidateRect(st.listWindow, nullptr, TRUE);
}

void openList(HWND combo, ComboState& st)
{
    if (st.open || isSimple(combo) || !st.listWindow)
        return;
    notify(combo, CBN_DROPDOWN);
    if (!IsWindow(combo))
        return;
    st.open = true;
    st.highlight = st.list.current;
    // The chosen entry opens at the top, or as near to it as a full list allows.
    st.list.top = std::max(st.list.current, 0);
    const RECT place = listPlace(combo, st, droppedListHeight(st));
    SetWindowPos(st.listWindow, HWND_TOPMOST, place.left, place.top, place.right - place.left,
        place.bottom - place.top, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    updateListScroll(st);
    SetCapture(combo);
    InvalidateRect(combo, nullptr, FALSE);
}

// Closes the list: chosen is the item taken (-1 when the list is cancelled).
void closeList(HWND combo, ComboState& st, bool choose)
{
    if (!st.open)
        return;
    const int chosen = st.highlight;
    notify(combo, choose ? CBN_SELENDOK : CBN_SELENDCANCEL);
    if (!IsWindow(combo))
        return;
    st.open = false;
    st.pressOpened = false;
    ShowWindow(st.listWindow, SW_HIDE);
    if (GetCapture() == combo) {
        st.closing = true;
        ReleaseCapture();
        st.closing = false;
    }
    InvalidateRect(combo, nullptr, FALSE);
    notify(combo, CBN_CLOSEUP);
    if (!IsWindow(combo) || !choose || !st.list.valid(chosen) || chosen == st.list.current)
        return;
    select(combo, st, chosen);
    notify(combo, CBN_SELCHANGE);
}

// A user's change of selection without the list: announced at once.
void userSelect(HWND combo, ComboState& st, int index)
{
    index = std::clamp(index, 0, st.list.count() - 1);
    if (st.list.count() == 0 || index == st.list.current)
        return;
    select(combo, st, index);
    notify(combo, CBN_SELCHANGE);
}

// The index a navigation key leads to from a start.
int stepFrom(const ComboState& st, int from, WPARAM vk)
{
    const int page = std::max(1, visibleRows(st) - 1);
    switch (vk) {
    case VK_UP: return from < 0 ? 0 : from - 1;
    case VK_DOWN: return from + 1;
    case VK_PRIOR: return from - page;
    case VK_NEXT: return from < 0 ? page : from + page;
    case VK_HOME: return 0;
    case VK_END: return st.list.count() - 1;
    default: return from;
    }
}

bool isNavigation(WPARAM vk)
{
    return vk == VK_UP || vk == VK_DOWN || vk == VK_PRIOR || vk == VK_NEXT || vk == VK_HOME || vk == VK_END;
}

void toggle(HWND combo, ComboState& st)
{
    if (st.open)
        closeList(combo, st, true);
    else
        openList(combo, st);
}

// Keys of the combo box, also when they reach its edit; true when taken.
bool comboKey(HWND combo, ComboState& st, UINT msg, WPARAM vk)
{
    if (msg == WM_SYSKEYDOWN) {
        if (vk != VK_DOWN && vk != VK_UP)
            return false;
        toggle(combo, st);
        return true;
    }
    if (vk == VK_F4) {
        toggle(combo, st);
        return true;
    }
    if (st.open) {
        if (vk == VK_RETURN) {
            closeList(combo, st, true);
            return true;
        }
        if (vk == VK_ESCAPE) {
            closeList(combo, st, false);
            return true;
        }
        if (!isNavigation(vk) || st.list.count() == 0)
            return false;
        st.highlight = std::clamp(stepFrom(st, st.highlight, vk), 0, st.list.count() - 1);
        st.list.showItem(st.highlight, visibleRows(st));
        updateListScroll(st);
        return true;
    }
    if (!isNavigation(vk))
        return false;
    userSelect(combo, st, stepFrom(st, st.list.current, vk));
    return true;
}

void wheel(HWND combo, ComboState& st, WPARAM wParam)
{
    const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
    if (notches == 0)
        return;
    if (st.open) {
        st.list.top -= notches * kWheelStep;
        updateListScroll(st);
        return;
    }
    userSelect(combo, st, st.list.current < 0 ? 0 : st.list.current - notches);
}

// The list item under a screen point, -1 for none; inList tells whether it lies on the list.
int itemAtScreen(const ComboState& st, POINT screen, bool& inList)
{
    inList = false;
    if (!st.listWindow || !IsWindowVisible(st.listWindow))
        return -1;
    RECT r;
    GetWindowRect(st.listWindow, &r);
    inList = screen.x >= r.left && screen.x < r.right && screen.y >= r.top && screen.y < r.bottom;
    POINT pt = screen;
    ScreenToClient(st.listWindow, &pt);
    const RECT c = clientOf(st.listWindow);
    if (!inList || pt.x < 0 || pt.x >= c.right)
        return -1;
    return st.list.itemAt(pt.y, st.itemHeight);
}

POINT toScreen(HWND hwnd, LPARAM lParam)
{
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(hwnd, &pt);
    return pt;
}

bool onField(HWND combo, const ComboState& st, POINT screen)
{
    POINT pt = screen;
    ScreenToClient(combo, &pt);
    return pt.x >= 0 && pt.x < clientOf(combo).right && pt.y >= 0 && pt.y < st.fieldHeight;
}

// The combo box holds the capture while its list is open, so a press on the list's own bar is
// handed to the list; the bar takes the capture for its gesture and gives it back at the end.
void pressListBar(HWND combo, ComboState& st, POINT screen)
{
    const LPARAM at = MAKELPARAM(screen.x, screen.y);
    const LRESULT hit = SendMessageA(st.listWindow, WM_NCHITTEST, 0, at);
    if (hit != HTVSCROLL)
        return;
    st.barPressed = true;
    SendMessageA(st.listWindow, WM_NCLBUTTONDOWN, WPARAM(hit), at);
    st.barPressed = GetCapture() != combo;
}

// The end of a gesture on the list's bar: the open list takes the capture back.
void releaseListBar(HWND combo, ComboState& st)
{
    if (std::exchange(st.barPressed, false) && st.open)
        SetCapture(combo);
}

void mouse(HWND combo, ComboState& st, UINT msg, LPARAM lParam)
{
    const POINT screen = toScreen(combo, lParam);
    bool inList = false;
    const int item = itemAtScreen(st, screen, inList);
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!st.open) {
            if (isSimple(combo) || !onField(combo, st, screen))
                return;
            SetFocus(st.edit ? st.edit : combo);
            openList(combo, st);
            st.pressOpened = st.open;
            return;
        }
        if (!inList)
            closeList(combo, st, false);
        else if (item < 0)
            pressListBar(combo, st, screen);
        return;
    case WM_MOUSEMOVE:
        if (st.open && item >= 0 && item != st.highlight) {
            st.highlight = item;
            InvalidateRect(st.listWindow, nullptr, FALSE);
        }
        return;
    case WM_LBUTTONUP: {
        const bool opening = std::exchange(st.pressOpened, false);
        if (!st.open)
            return;
        if (item >= 0) {
            st.highlight = item;
            closeList(combo, st, true);
        } else if (!opening && !inList) {
            closeList(combo, st, false);
        }
        return;
    }
    default: return;
    }
}

void paintField(HWND combo, HDC hdc)
{
    ComboState* st = stateOf(combo);
    if (!st)
        return;
    const RECT c = clientOf(combo);
    const bool enabled = IsWindowEnabled(combo);
    RECT field{0, 0, c.right, st->fieldHeight};
    // The sunken edge, two rings.
    fillRect(hdc, RECT{0, 0, c.right, 1}, COLOR_BTNSHADOW);
    fillRect(hdc, RECT{0, 0, 1, field.bottom}, COLOR_BTNSHADOW);
    fillRect(hdc, RECT{0, field.bottom - 1, c.right, field.bottom}, COLOR_BTNHIGHLIGHT);
    fillRect(hdc, RECT{c.right - 1, 0, c.right, field.bottom}, COLOR_BTNHIGHLIGHT);
    fillRect(hdc, RECT{1, 1, c.right - 1, 2}, COLOR_3DDKSHADOW);
    fillRect(hdc, RECT{1, 1, 2, field.bottom - 1}, COLOR_3DDKSHADOW);
    fillRect(hdc, RECT{1, field.bottom - 2, c.right - 1, field.bottom - 1}, COLOR_3DLIGHT);
    fillRect(hdc, RECT{c.right - 2, 1, c.right - 1, field.bottom - 1}, COLOR_3DLIGHT);
    const RECT button = buttonRect(combo, *st);
    const RECT inner{kEdge, kEdge, button.left, field.bottom - kEdge};
    HBRUSH brush = controlBrush(combo, enabled ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC, hdc, combo);
    FillRect(hdc, &inner, brush);
    if (!isSimple(combo)) {
        raisedBox(hdc, button);
        arrowGlyph(hdc, button, true, true, enabled);
    }
    if (st->edit || !st->list.valid(st->list.current))
        return;
    HGDIOBJ oldFont = SelectObject(hdc, controlFont(combo));
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    if (!enabled)
        SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
    const RECT textRect{inner.left + 1, inner.top + 1, inner.right - 1, inner.bottom - 1};
    if (st->focused && !st->open) {
        FillRect(hdc, &textRect, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        FrameRect(hdc, &textRect, GetSysColorBrush(COLOR_WINDOWTEXT));
    }
    const std::string& text = st->list.item(st->list.current).text;
    ExtTextOutA(hdc, textRect.left + 1, (field.bottom - st->itemHeight) / 2 + 1, ETO_CLIPPED, &textRect, text.data(),
        UINT(text.size()), nullptr);
    SetBkMode(hdc, oldMode);
    SelectObject(hdc, oldFont);
}

// The combo box a list window serves.
HWND comboOfList(HWND list) { return HWND(GetWindowLongPtrA(list, kStateSlot)); }

void paintList(HWND list, HDC hdc)
{
    HWND combo = comboOfList(list);
    ComboState* st = combo ? stateOf(combo) : nullptr;
    if (!st)
        return;
    HBRUSH brush = HBRUSH(SendMessageA(combo, WM_CTLCOLORLISTBOX, WPARAM(hdc), LPARAM(list)));
    if (!brush)
        brush = HBRUSH(DefWindowProcA(combo, WM_CTLCOLORLISTBOX, WPARAM(hdc), LPARAM(list)));
    // The answer may have moved or resized the list: the area is read afterwards, and a change
    // has invalidated what this paint does not reach.
    HGDIOBJ oldFont = SelectObject(hdc, controlFont(combo));
    st->list.paintRows(hdc, clientOf(list), st->itemHeight, brush, isSimple(combo) ? st->list.current : st->highlight);
    SelectObject(hdc, oldFont);
}

// Sizes the combo box from its font: the field, the window and the list under a simple one.
void layout(HWND combo, ComboState& st, int createdHeight)
{
    st.itemHeight = cellHeightOf(combo) + 2;
    st.fieldHeight = st.itemHeight + 6;
    st.droppedHeight = std::max(0, createdHeight - st.fieldHeight);
    RECT r;
    GetWindowRect(combo, &r);
    POINT at{r.left, r.top};
    if (HWND parent = GetParent(combo); parent && (GetWindowLongPtrA(combo, GWL_STYLE) & WS_CHILD))
        ScreenToClient(parent, &at);
    const int height = isSimple(combo) ? std::max(createdHeight, st.fieldHeight) : st.fieldHeight;
    SetWindowPos(combo, nullptr, at.x, at.y, r.right - r.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (st.edit) {
        const RECT e = editRect(combo, st);
        MoveWindow(st.edit, e.left, e.top, e.right - e.left, e.bottom - e.top, TRUE);
        SendMessageA(st.edit, WM_SETFONT, WPARAM(GetWindowLongPtrA(combo, kFontSlot)), FALSE);
    }
    if (isSimple(combo) && st.listWindow)
        MoveWindow(st.listWindow, 0, st.fieldHeight, r.right - r.left, std::max(0, height - st.fieldHeight), TRUE);
    updateListScroll(st);
}

LRESULT CALLBACK comboEditProc(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HWND combo = GetParent(edit);
    ComboState* st = combo ? stateOf(combo) : nullptr;
    if (!st)
        return DefWindowProcA(edit, msg, wParam, lParam);
    if ((msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) && comboKey(combo, *st, msg, wParam))
        return 0;
    if (msg == WM_MOUSEWHEEL) {
        wheel(combo, *st, wParam);
        return 0;
    }
    if (msg == WM_GETDLGCODE)
        return CallWindowProcA(st->editProc, edit, msg, wParam, lParam) | (st->open ? DLGC_WANTALLKEYS : 0);
    return CallWindowProcA(st->editProc, edit, msg, wParam, lParam);
}

bool create(HWND combo, const CREATESTRUCTA& cs)
{
    auto* st = new (std::nothrow) ComboState((cs.style & CBS_SORT) != 0);
    if (!st)
        return false;
    SetWindowLongPtrA(combo, kStateSlot, LONG_PTR(st));
    const DWORD kind = DWORD(cs.style) & 3;
    // The field draws its own sunken edge; the scroll styles are the list's, never bars beside the field.
    SetWindowLongPtrA(combo, GWL_EXSTYLE, GetWindowLongPtrA(combo, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_CLIENTEDGE));
    ShowScrollBar(combo, SB_BOTH, FALSE);
    if (kind == CBS_SIMPLE || kind == CBS_DROPDOWN) {
        const DWORD editStyle = WS_CHILD | WS_VISIBLE | ((cs.style & CBS_AUTOHSCROLL) ? ES_AUTOHSCROLL : 0);
        st->edit = CreateWindowExA(0, "Edit", "", editStyle, 0, 0, 0, 0, combo, HMENU(INT_PTR(kEditId)), nullptr, nullptr);
        if (st->edit)
            st->editProc = WNDPROC(SetWindowLongPtrA(st->edit, GWLP_WNDPROC, LONG_PTR(comboEditProc)));
    }
    const DWORD scroll = DWORD(cs.style) & WS_VSCROLL;
    if (kind == CBS_SIMPLE)
        st->listWindow = CreateWindowExA(0, "ComboLBox", "", WS_CHILD | WS_VISIBLE | WS_BORDER | scroll, 0, 0, 0, 0,
            combo, nullptr, nullptr, nullptr);
    else
        st->listWindow = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "ComboLBox", "",
            WS_POPUP | WS_BORDER | scroll, 0, 0, 0, 0, combo, nullptr, nullptr, nullptr);
    if (st->listWindow)
        SetWindowLongPtrA(st->listWindow, kStateSlot, LONG_PTR(combo));
    layout(combo, *st, cs.cy);
    return true;
}

LRESULT editForward(const ComboState& st, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT without)
{
    return st.edit ? SendMessageA(st.edit, msg, wParam, lParam) : without;
}

LRESULT getText(const ComboState& st, WPARAM wParam, LPARAM lParam, bool lengthOnly)
{
    if (st.edit)
        return SendMessageA(st.edit, lengthOnly ? WM_GETTEXTLENGTH : WM_GETTEXT, wParam, lParam);
    const std::string text = st.list.valid(st.list.current) ? st.list.item(st.list.current).text : "";
    if (lengthOnly)
        return LRESULT(text.size());
    char* buffer = reinterpret_cast<char*>(lParam);
    if (!buffer || wParam == 0)
        return 0;
    const size_t n = std::min(text.size(), size_t(wParam) - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return LRESULT(n);
}

LRESULT listMessage(HWND combo, ComboState& st, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const int index = int(wParam);
    switch (msg) {
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
        const char* text = reinterpret_cast<const char*>(lParam);
        const int at = msg == CB_ADDSTRING ? st.list.add(text) : st.list.insert(index, text);
        if (at >= 0)
            updateListScroll(st);
        return at < 0 ? CB_ERR : at;
    }
    case CB_RESETCONTENT:
        st.list.clear();
        showEditText(combo, st);
        updateListScroll(st);
        InvalidateRect(combo, nullptr, FALSE);
        return TRUE;
    case CB_GETCOUNT: return st.list.count();
    case CB_GETCURSEL: return st.list.current;
    case CB_SETCURSEL:
        select(combo, st, index);
        return st.list.valid(index) ? index : CB_ERR;
    case CB_GETLBTEXT: {
        if (!st.list.valid(index) || !lParam)
            return CB_ERR;
        const std::string& text = st.list.item(index).text;
        std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
        return LRESULT(text.size());
    }
    case CB_GETLBTEXTLEN: return st.list.valid(index) ? LRESULT(st.list.item(index).text.size()) : CB_ERR;
    case CB_GETITEMDATA: return st.list.valid(index) ? st.list.item(index).data : CB_ERR;
    case CB_SETITEMDATA:
        if (!st.list.valid(index))
            return CB_ERR;
        st.list.setData(index, lParam);
        return TRUE;
    case CB_SHOWDROPDOWN:
        if (wParam)
            openList(combo, st);
        else
            closeList(combo, st, false);
        return TRUE;
    default: return 0;
    }
}

// An open list keeps its height and stands where its field now is: under it, or above it near
// the screen's bottom, as wide as the field asks.
void followField(HWND combo, ComboState& st)
{
    if (!st.open)
        return;
    RECT now;
    GetWindowRect(st.listWindow, &now);
    const RECT place = listPlace(combo, st, now.bottom - now.top);
    if (place.left != now.left || place.top != now.top || place.right != now.right)
        SetWindowPos(st.listWindow, nullptr, place.left, place.top, place.right - place.left,
            place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// A drop-down combo box is as high as its field, as the built-in one is: a height it is given
// beyond that is its list's. Taller, the rest of its window would show what was there before,
// which nothing paints.
void keepFieldHeight(HWND combo, ComboState& st)
{
    if (isSimple(combo) || st.fieldHeight <= 0)
        return;
    RECT r;
    GetWindowRect(combo, &r);
    const int height = r.bottom - r.top;
    if (height == st.fieldHeight)
        return;
    st.droppedHeight = std::max(0, height - st.fieldHeight);
    SetWindowPos(combo, nullptr, 0, 0, r.right - r.left, st.fieldHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT comboMessage(HWND combo, ComboState& st, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg >= CB_GETEDITSEL && msg <= CB_SETITEMDATA && msg != CB_LIMITTEXT && msg != CB_GETEDITSEL
        && msg != CB_SETEDITSEL)
        return listMessage(combo, st, msg, wParam, lParam);
    switch (msg) {
    case CB_LIMITTEXT: return st.edit ? (SendMessageA(st.edit, EM_LIMITTEXT, wParam, 0), TRUE) : 0;
    case CB_GETEDITSEL: return editForward(st, EM_GETSEL, wParam, lParam, CB_ERR);
    case CB_SETEDITSEL:
        if (!st.edit)
            return CB_ERR;
        SendMessageA(st.edit, EM_SETSEL, WPARAM(SHORT(LOWORD(lParam))), LPARAM(SHORT(HIWORD(lParam))));
        return TRUE;
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_CLEAR: return editForward(st, msg, wParam, lParam, 0);
    case WM_GETTEXT: return getText(st, wParam, lParam, false);
    case WM_GETTEXTLENGTH: return getText(st, wParam, lParam, true);
    case WM_SETTEXT: {
        if (st.edit)
            return SendMessageA(st.edit, WM_SETTEXT, wParam, lParam);
        const int found = st.list.findExact(reinterpret_cast<const char*>(lParam));
        if (found < 0)
            return CB_ERR;
        select(combo, st, found);
        return TRUE;
    }
    case WM_COMMAND:
        if (HWND(lParam) == st.edit && st.edit && !st.closing) {
            const int code = HIWORD(wParam);
            if (code == EN_UPDATE)
                notify(combo, CBN_EDITUPDATE);
            else if (code == EN_CHANGE)
                notify(combo, CBN_EDITCHANGE);
            else if (code == EN_SETFOCUS && !st.focused) {
                st.focused = true;
                notify(combo, CBN_SETFOCUS);
            } else if (code == EN_KILLFOCUS && GetFocus() != combo) {
                st.focused = false;
                closeList(combo, st, false);
                notify(combo, CBN_KILLFOCUS);
            }
        }
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX: return LRESULT(controlBrush(combo, msg, HDC(wParam), combo));
    case WM_SETFOCUS:
        if (st.edit) {
            SetFocus(st.edit);
            return 0;
        }
        st.focused = true;
        InvalidateRect(combo, nullptr, FALSE);
        notify(combo, CBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        if (st.edit && HWND(wParam) == st.edit)
            return 0;
        st.focused = false;
        closeList(combo, st, false);
        InvalidateRect(combo, nullptr, FALSE);
        notify(combo, CBN_KILLFOCUS);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (comboKey(combo, st, msg, wParam))
            return 0;
        return DefWindowProcA(combo, msg, wParam, lParam);
    case WM_MOUSEWHEEL: wheel(combo, st, wParam); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE: mouse(combo, st, msg, lParam); return 0;
    case WM_CAPTURECHANGED:
        if (!st.closing && !st.barPressed && st.open && HWND(lParam) != combo)
            closeList(combo, st, false);
        return 0;
    case WM_CANCELMODE: closeList(combo, st, false); return 0;
    case WM_SHOWWINDOW:
        if (!wParam)
            closeList(combo, st, false);
        return 0;
    // Its owner placing it again (a page laid out anew) is not the person's doing: an open
    // list stays and follows its field.
    case WM_MOVE: followField(combo, st); return 0;
    case WM_SIZE:
        keepFieldHeight(combo, st);
        followField(combo, st);
        return 0;
    case WM_ENABLE:
        if (st.edit)
            EnableWindow(st.edit, BOOL(wParam));
        InvalidateRect(combo, nullptr, FALSE);
        return 0;
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_WANTARROWS | (st.open ? DLGC_WANTALLKEYS : 0);
    case WM_VSCROLL: return 0;
    case WM_DESTROY:
        closeList(combo, st, false);
        if (st.listWindow && !isSimple(combo))
            DestroyWindow(st.listWindow);
        st.listWindow = nullptr;
        return 0;
    default: return DefWindowProcA(combo, msg, wParam, lParam);
    }
}

// A list resized while open keeps its rows and bar right, and its place on the screen.
void listResized(HWND combo, ComboState& st)
{
    updateListScroll(st);
    followField(combo, st);
}

// Scrolling the list by its own bar.
void listScroll(HWND list, WPARAM wParam)
{
    HWND combo = comboOfList(list);
    ComboState* st = combo ? stateOf(combo) : nullptr;
    if (!st)
        return;
    const int rows = visibleRows(*st);
    switch (LOWORD(wParam)) {
    case SB_LINEUP: --st->list.top; break;
    case SB_LINEDOWN: ++st->list.top; break;
    case SB_PAGEUP: st->list.top -= rows; break;
    case SB_PAGEDOWN: st->list.top += rows; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: st->list.top = HIWORD(wParam); break;
    case SB_ENDSCROLL: releaseListBar(combo, *st); return;
    default: return;
    }
    updateListScroll(*st);
}

} // namespace

LRESULT CALLBACK comboBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (fontMessage(hwnd, msg, wParam, lParam, result)) {
        if (msg == WM_SETFONT)
            if (ComboState* st = stateOf(hwnd)) {
                RECT r;
                GetWindowRect(hwnd, &r);
                const int total = st->droppedHeight + st->fieldHeight;
                layout(hwnd, *st, isSimple(hwnd) ? int(r.bottom - r.top) : total);
            }
        return result;
    }
    if (msg == WM_CREATE)
        return create(hwnd, *reinterpret_cast<const CREATESTRUCTA*>(lParam)) ? 0 : -1;
    return runControl<ComboState>(hwnd, msg, wParam, lParam, paintField, comboMessage);
}

LRESULT CALLBACK comboListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (paintMessage(hwnd, msg, wParam, lParam, paintList))
        return msg == WM_ERASEBKGND;
    switch (msg) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_VSCROLL: listScroll(hwnd, wParam); return 0;
    case WM_SIZE:
        // Its combo box's owner may resize the list as it opens (a collapsed one grows).
        if (HWND combo = comboOfList(hwnd))
            if (ComboState* st = stateOf(combo))
                listResized(combo, *st);
        return 0;
    case WM_LBUTTONDOWN: {
        // A simple combo box's list, always shown: a click chooses at once.
        HWND combo = comboOfList(hwnd);
        ComboState* st = combo ? stateOf(combo) : nullptr;
        if (!st)
            return 0;
        SetFocus(st->edit ? st->edit : combo);
        const int item = st->list.itemAt(GET_Y_LPARAM(lParam), st->itemHeight);
        if (item >= 0 && item != st->list.current) {
            select(combo, *st, item);
            notify(combo, CBN_SELCHANGE);
        }
        return 0;
    }
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace plat::controls
