// The ListBox control, over the shared list store. A single-selection list's selection is the
// store's current item; a multiple-selection list keeps one flag per item and a caret item that
// the keys move; an extended-selection one also an anchor, from which Shift selects a range.
// LBN_SELCHANGE tells the parent of the user's changes only, never of a program's.

#include "controls/ListBox.h"

#include "controls/Controls.h"
#include "controls/ListCore.h"

#include "plat/dialog.h"
#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/sysmetrics.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace plat::controls {

namespace {

constexpr int kWheelStep = 3;

struct ListBoxState {
    explicit ListBoxState(bool sorted) : list(sorted) { }

    ListCore list; // current: the selection (single) or the caret (multiple)
    std::vector<bool> selected; // multiple selection only, one per item
    int anchor = -1; // extended selection: where a Shift range starts
    int itemHeight = 0;
    bool focused = false;
    bool tracking = false;
    bool fitting = false;
};

DWORD styleOf(HWND hwnd) { return DWORD(GetWindowLongPtrA(hwnd, GWL_STYLE)); }
bool isExtended(HWND hwnd) { return (styleOf(hwnd) & LBS_EXTENDEDSEL) != 0; }
bool isMultiple(HWND hwnd) { return (styleOf(hwnd) & LBS_MULTIPLESEL) != 0 || isExtended(hwnd); }

RECT clientOf(HWND hwnd)
{
    RECT r;
    GetClientRect(hwnd, &r);
    return r;
}

int visibleRows(HWND hwnd, const ListBoxState& st) { return std::max(1, int(clientOf(hwnd).bottom) / st.itemHeight); }

void notify(HWND hwnd, int code)
{
    if (styleOf(hwnd) & LBS_NOTIFY)
        notifyParent(hwnd, code);
}

void updateScroll(HWND hwnd, ListBoxState& st)
{
    st.list.clampTop(visibleRows(hwnd, st));
    if (styleOf(hwnd) & WS_VSCROLL) {
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(0, st.list.count() - 1),
            UINT(visibleRows(hwnd, st)), st.list.top, 0};
        SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
    }
    InvalidateRect(hwnd, nullptr, TRUE);
}

bool isSelected(HWND hwnd, const ListBoxState& st, int index)
{
    if (!st.list.valid(index))
        return false;
    return isMultiple(hwnd) ? bool(st.selected[size_t(index)]) : st.list.current == index;
}

// Keeps whole rows: the window loses the part of a row that would show at the bottom.
void fitWholeRows(HWND hwnd, ListBoxState& st)
{
    if ((styleOf(hwnd) & LBS_NOINTEGRALHEIGHT) || st.fitting)
        return;
    const int spare = int(clientOf(hwnd).bottom) % st.itemHeight;
    if (spare == 0 || clientOf(hwnd).bottom < st.itemHeight)
        return;
    RECT window;
    GetWindowRect(hwnd, &window);
    st.fitting = true;
    SetWindowPos(hwnd, nullptr, 0, 0, window.right - window.left, window.bottom - window.top - spare,
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    st.fitting = false;
}

void moveCaret(HWND hwnd, ListBoxState& st, int index)
{
    st.list.current = index;
    st.list.showItem(index, visibleRows(hwnd, st));
    updateScroll(hwnd, st);
}

// A user's choice of an item: selects it (single) or toggles it (multiple), then tells the parent.
void choose(HWND hwnd, ListBoxState& st, int index, bool toggle)
{
    if (!st.list.valid(index))
        return;
    if (isMultiple(hwnd)) {
        if (toggle)
            st.selected[size_t(index)] = !st.selected[size_t(index)];
        moveCaret(hwnd, st, index);
        if (toggle)
            notify(hwnd, LBN_SELCHANGE);
        return;
    }
    const bool changed = st.list.current != index;
    moveCaret(hwnd, st, index);
    if (changed)
        notify(hwnd, LBN_SELCHANGE);
}

// An extended-selection list's choice, as on any desktop: alone it selects the one item and
// anchors there, with Control it toggles the item and anchors there, with Shift it selects the
// range from the anchor (added to the selection with Control too).
void extend(HWND hwnd, ListBoxState& st, int index, bool shift, bool control)
{
    if (!st.list.valid(index))
        return;
    if (!control)
        std::fill(st.selected.begin(), st.selected.end(), false);
    if (shift) {
        const int from = st.list.valid(st.anchor) ? st.anchor : index;
        std::fill(st.selected.begin() + std::min(from, index), st.selected.begin() + std::max(from, index) + 1, true);
    } else {
        st.selected[size_t(index)] = !control || !st.selected[size_t(index)];
        st.anchor = index;
    }
    moveCaret(hwnd, st, index);
    notify(hwnd, LBN_SELCHANGE);
}

int addItem(HWND hwnd, ListBoxState& st, int index, const char* text, bool sorted)
{
    const int at = sorted ? st.list.add(text) : st.list.insert(index, text);
    if (at >= 0) {
        st.selected.insert(st.selected.begin() + at, false);
        updateScroll(hwnd, st);
    }
    return at < 0 ? LB_ERR : at;
}

LRESULT itemFromPoint(HWND hwnd, const ListBoxState& st, LPARAM lParam)
{
    const RECT client = clientOf(hwnd);
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (st.list.count() == 0)
        return MAKELONG(0, 1);
    const bool outside = !PtInRect(&client, pt);
    const int lastVisible = std::min(st.list.count() - 1, st.list.top + visibleRows(hwnd, st) - 1);
    const int row = pt.y < 0 ? 0 : pt.y / st.itemHeight;
    const int index = std::min(st.list.top + row, lastVisible);
    const bool below = st.list.top + row > st.list.count() - 1;
    return MAKELONG(index, outside || below ? 1 : 0);
}

LRESULT getSelItems(HWND hwnd, const ListBoxState& st, WPARAM wParam, LPARAM lParam)
{
    if (!isMultiple(hwnd))
        return LB_ERR;
    auto* out = reinterpret_cast<int*>(lParam);
    int n = 0;
    for (int i = 0; i < st.list.count() && n < int(wParam); ++i)
        if (st.selected[size_t(i)] && out)
            out[n++] = i;
    return n;
}

void keyDown(HWND hwnd, ListBoxState& st, WPARAM vk)
{
    const int rows = visibleRows(hwnd, st);
    const int last = st.list.count() - 1;
    if (last < 0)
        return;
    const int at = st.list.current;
    int to;
    switch (vk) {
    case VK_UP: to = at - 1; break;
    case VK_DOWN: to = at + 1; break;
    case VK_PRIOR: to = at - (rows - 1); break;
    case VK_NEXT: to = at + (rows - 1); break;
    case VK_HOME: to = 0; break;
    case VK_END: to = last; break;
    case VK_SPACE:
        if (isMultiple(hwnd))
            choose(hwnd, st, std::max(at, 0), true);
        return;
    default: return;
    }
    to = std::clamp(at < 0 && vk != VK_END ? 0 : to, 0, last);
    const bool shift = GetKeyState(VK_SHIFT) < 0, control = GetKeyState(VK_CONTROL) < 0;
    if (isExtended(hwnd) && (shift || !control))
        extend(hwnd, st, to, shift, false);
    else if (isMultiple(hwnd))
        moveCaret(hwnd, st, to);
    else
        choose(hwnd, st, to, false);
}

void paint(HWND hwnd, HDC hdc)
{
    auto* st = reinterpret_cast<ListBoxState*>(GetWindowLongPtrA(hwnd, kStateSlot));
    if (!st)
        return;
    const RECT client = clientOf(hwnd);
    HBRUSH brush = controlBrush(hwnd, WM_CTLCOLORLISTBOX, hdc);
    HGDIOBJ oldFont = SelectObject(hdc, controlFont(hwnd));
    st->list.paintRows(hdc, client, st->itemHeight, brush, [&](int i) { return isSelected(hwnd, *st, i); });
    SelectObject(hdc, oldFont);
    const int caretRow = st->list.current - st->list.top;
    if (st->focused && st->list.valid(st->list.current) && caretRow >= 0)
        focusFrame(hdc, RECT{0, caretRow * st->itemHeight, client.right, (caretRow + 1) * st->itemHeight});
}

void scrollTo(HWND hwnd, ListBoxState& st, int top)
{
    st.list.top = top;
    updateScroll(hwnd, st);
}

void vscroll(HWND hwnd, ListBoxState& st, WPARAM wParam)
{
    const int rows = visibleRows(hwnd, st);
    switch (LOWORD(wParam)) {
    case SB_LINEUP: scrollTo(hwnd, st, st.list.top - 1); break;
    case SB_LINEDOWN: scrollTo(hwnd, st, st.list.top + 1); break;
    case SB_PAGEUP: scrollTo(hwnd, st, st.list.top - rows); break;
    case SB_PAGEDOWN: scrollTo(hwnd, st, st.list.top + rows); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: scrollTo(hwnd, st, HIWORD(wParam)); break;
    default: break;
    }
}

LRESULT setSel(HWND hwnd, ListBoxState& st, WPARAM wParam, LPARAM lParam)
{
    const int index = int(lParam);
    if (!isMultiple(hwnd) || (index != -1 && !st.list.valid(index)))
        return LB_ERR;
    if (index == -1)
        std::fill(st.selected.begin(), st.selected.end(), wParam != 0);
    else
        st.selected[size_t(index)] = wParam != 0;
    InvalidateRect(hwnd, nullptr, TRUE);
    return 0;
}

LRESULT copyText(const ListBoxState& st, WPARAM wParam, LPARAM lParam)
{
    const int index = int(wParam);
    if (!st.list.valid(index) || !lParam)
        return LB_ERR;
    const std::string& text = st.list.item(index).text;
    std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
    return LRESULT(text.size());
}

LRESULT listMessage(HWND hwnd, ListBoxState& st, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
    case WM_SIZE:
        fitWholeRows(hwnd, st);
        updateScroll(hwnd, st);
        return 0;
    case LB_ADDSTRING: return addItem(hwnd, st, -1, reinterpret_cast<const char*>(lParam), styleOf(hwnd) & LBS_SORT);
    case LB_INSERTSTRING: return addItem(hwnd, st, int(wParam), reinterpret_cast<const char*>(lParam), false);
    case LB_DELETESTRING:
        if (!st.list.valid(int(wParam)))
            return LB_ERR;
        st.list.remove(int(wParam));
        st.selected.erase(st.selected.begin() + int(wParam));
        if (st.anchor >= int(wParam))
            st.anchor = st.anchor == int(wParam) ? -1 : st.anchor - 1;
        updateScroll(hwnd, st);
        return st.list.count();
    case LB_RESETCONTENT:
        st.list.clear();
        st.selected.clear();
        st.anchor = -1;
        updateScroll(hwnd, st);
        return 0;
    case LB_GETCOUNT: return st.list.count();
    case LB_GETTEXT: return copyText(st, wParam, lParam);
    case LB_GETTEXTLEN: return st.list.valid(int(wParam)) ? LRESULT(st.list.item(int(wParam)).text.size()) : LB_ERR;
    case LB_GETITEMDATA: return st.list.valid(int(wParam)) ? st.list.item(int(wParam)).data : LB_ERR;
    case LB_SETITEMDATA:
        if (!st.list.valid(int(wParam)))
            return LB_ERR;
        st.list.setData(int(wParam), lParam);
        return 0;
    case LB_FINDSTRINGEXACT: return st.list.findExact(reinterpret_cast<const char*>(lParam));
    case LB_SETCURSEL: {
        if (isMultiple(hwnd))
            return LB_ERR;
        const int index = st.list.valid(int(wParam)) ? int(wParam) : -1;
        moveCaret(hwnd, st, index);
        return index == int(wParam) ? index : LB_ERR;
    }
    case LB_GETCURSEL: return st.list.current;
    case LB_SETSEL: return setSel(hwnd, st, wParam, lParam);
    case LB_GETSEL: return st.list.valid(int(wParam)) ? LRESULT(isSelected(hwnd, st, int(wParam))) : LB_ERR;
    case LB_GETSELCOUNT:
        return isMultiple(hwnd) ? LRESULT(std::count(st.selected.begin(), st.selected.end(), true)) : LB_ERR;
    case LB_GETSELITEMS: return getSelItems(hwnd, st, wParam, lParam);
    case LB_GETTOPINDEX: return st.list.top;
    case LB_SETTOPINDEX:
        if (!st.list.valid(int(wParam)))
            return LB_ERR;
        scrollTo(hwnd, st, int(wParam));
        return 0;
    case LB_GETITEMHEIGHT: return st.itemHeight;
    case LB_GETITEMRECT: {
        if (!st.list.valid(int(wParam)) || !lParam)
            return LB_ERR;
        const int y = (int(wParam) - st.list.top) * st.itemHeight;
        *reinterpret_cast<RECT*>(lParam) = RECT{0, y, clientOf(hwnd).right, y + st.itemHeight};
        return 1;
    }
    case LB_ITEMFROMPOINT: return itemFromPoint(hwnd, st, lParam);
    case WM_LBUTTONDOWN: {
        SetFocus(hwnd);
        const int item = st.list.itemAt(GET_Y_LPARAM(lParam), st.itemHeight);
        if (isExtended(hwnd))
            extend(hwnd, st, item, wParam & MK_SHIFT, wParam & MK_CONTROL);
        else
            choose(hwnd, st, item, true);
        if (!isMultiple(hwnd)) {
            st.tracking = true;
            SetCapture(hwnd);
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        if (st.tracking) {
            const int item = st.list.itemAt(std::max(0, int(GET_Y_LPARAM(lParam))), st.itemHeight);
            if (item >= 0 && GET_Y_LPARAM(lParam) < clientOf(hwnd).bottom)
                choose(hwnd, st, item, false);
        }
        return 0;
    case WM_LBUTTONUP:
        if (st.tracking && GetCapture() == hwnd)
            ReleaseCapture();
        st.tracking = false;
        return 0;
    case WM_CAPTURECHANGED: st.tracking = false; return 0;
    case WM_LBUTTONDBLCLK:
        if (st.list.itemAt(GET_Y_LPARAM(lParam), st.itemHeight) >= 0)
            notify(hwnd, LBN_DBLCLK);
        return 0;
    case WM_KEYDOWN: keyDown(hwnd, st, wParam); return 0;
    case WM_MOUSEWHEEL:
        scrollTo(hwnd, st, st.list.top - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * kWheelStep);
        return 0;
    case WM_VSCROLL: vscroll(hwnd, st, wParam); return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        st.focused = msg == WM_SETFOCUS;
        InvalidateRect(hwnd, nullptr, TRUE);
        notify(hwnd, st.focused ? LBN_SETFOCUS : LBN_KILLFOCUS);
        return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK listBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (fontMessage(hwnd, msg, wParam, lParam, result)) {
        if (auto* st = reinterpret_cast<ListBoxState*>(GetWindowLongPtrA(hwnd, kStateSlot)); st && msg == WM_SETFONT) {
            st->itemHeight = MeasureDc(hwnd).cellHeight() + 2;
            updateScroll(hwnd, *st);
        }
        return result;
    }
    if (msg == WM_NCCREATE) {
        auto cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* st = new ListBoxState((cs->style & LBS_SORT) != 0);
        SetWindowLongPtrA(hwnd, kStateSlot, LONG_PTR(st));
        st->itemHeight = MeasureDc(hwnd).cellHeight() + 2;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    return runControl<ListBoxState>(hwnd, msg, wParam, lParam, paint, listMessage);
}

} // namespace plat::controls
