// The list view: items with sub-item texts, a state (focused, selected) and a value each, shown
// in the report view (a plain header over rows, each sub-item clipped to its column) or, in
// every other view, as a list running down columns. Clicks select (Ctrl toggles, Shift selects a
// range, unless LVS_SINGLESEL); every state change, the program's too, is told to the parent
// with LVN_ITEMCHANGED. Only the rows in view are drawn.

#include "controls/ListView.h"

#include "controls/Controls.h"

#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/sysmetrics.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace plat::controls {

namespace {

constexpr int kRowPadding = 3;
constexpr int kHeaderPadding = 6;
constexpr int kTextMargin = 4;
constexpr int kListColumnWidth = 120;
constexpr int kWheelStep = 3;

struct Item {
    std::vector<std::string> texts{std::string()};
    UINT state = 0;
    LPARAM param = 0;
    int image = 0;
};

struct Column {
    std::string text;
    int width = 0;
};

struct ListViewState {
    std::vector<Item> items;
    std::vector<Column> columns;
    int top = 0; // the first row (report) or column of rows (list) in view
    int anchor = -1; // where a Shift range starts
    int rowHeight = 0;
};

ListViewState* stateOf(HWND hwnd) { return reinterpret_cast<ListViewState*>(GetWindowLongPtrA(hwnd, kStateSlot)); }
DWORD styleOf(HWND hwnd) { return DWORD(GetWindowLongPtrA(hwnd, GWL_STYLE)); }
bool isReport(HWND hwnd) { return (styleOf(hwnd) & LVS_TYPEMASK) == LVS_REPORT; }
bool singleSelection(HWND hwnd) { return styleOf(hwnd) & LVS_SINGLESEL; }
bool valid(const ListViewState& st, int i) { return i >= 0 && size_t(i) < st.items.size(); }

RECT clientOf(HWND hwnd)
{
    RECT r;
    GetClientRect(hwnd, &r);
    return r;
}

int headerHeight(HWND hwnd, const ListViewState& st) { return isReport(hwnd) ? st.rowHeight - kRowPadding + kHeaderPadding : 0; }

int rowsInView(HWND hwnd, const ListViewState& st)
{
    return std::max(1, int(clientOf(hwnd).bottom - headerHeight(hwnd, st)) / st.rowHeight);
}

// The item's rectangle in client coordinates (the first column's width in the list view).
RECT itemRect(HWND hwnd, const ListViewState& st, int i)
{
    const int rows = rowsInView(hwnd, st);
    if (isReport(hwnd)) {
        const int y = headerHeight(hwnd, st) + (i - st.top) * st.rowHeight;
        return RECT{0, y, clientOf(hwnd).right, y + st.rowHeight};
    }
    const int x = (i / rows - st.top) * kListColumnWidth, y = (i % rows) * st.rowHeight;
    return RECT{x, y, x + kListColumnWidth, y + st.rowHeight};
}

int itemAt(HWND hwnd, const ListViewState& st, POINT pt)
{
    if (isReport(hwnd)) {
        if (pt.y < headerHeight(hwnd, st))
            return -1;
        const int i = st.top + (pt.y - headerHeight(hwnd, st)) / st.rowHeight;
        return valid(st, i) ? i : -1;
    }
    const int rows = rowsInView(hwnd, st);
    if (pt.x < 0 || pt.y < 0 || pt.y >= rows * st.rowHeight)
        return -1;
    const int i = (st.top + pt.x / kListColumnWidth) * rows + pt.y / st.rowHeight;
    return valid(st, i) ? i : -1;
}

void notifyChange(HWND hwnd, const ListViewState& st, int i, UINT oldState, UINT newState)
{
    NMLISTVIEW nm{};
    nm.iItem = i;
    nm.uNewState = newState;
    nm.uOldState = oldState;
    nm.uChanged = LVIF_STATE;
    nm.lParam = st.items[size_t(i)].param;
    notifyParent(hwnd, nm.hdr, LVN_ITEMCHANGED);
}

// Changes the masked bits of one item's state, telling the parent of a change.
void changeState(HWND hwnd, ListViewState& st, int i, UINT state, UINT mask)
{
    if (!valid(st, i))
        return;
    const UINT old = st.items[size_t(i)].state;
    const UINT now = (old & ~mask) | (state & mask);
    if (now == old)
        return;
    st.items[size_t(i)].state = now;
    const RECT r = itemRect(hwnd, st, i);
    InvalidateRect(hwnd, &r, TRUE);
    notifyChange(hwnd, st, i, old, now);
}

// Sets an item's state; one item at most is focused, and with LVS_SINGLESEL one is selected.
void setState(HWND hwnd, ListViewState& st, int i, UINT state, UINT mask)
{
    UINT unique = LVIS_FOCUSED | (singleSelection(hwnd) ? LVIS_SELECTED : 0);
    unique &= mask & state;
    if (unique)
        for (int j = 0; j < int(st.items.size()); ++j)
            if (j != i && (st.items[size_t(j)].state & unique))
                changeState(hwnd, st, j, 0, unique);
    changeState(hwnd, st, i, state, mask);
}

void selectOnly(HWND hwnd, ListViewState& st, int from, int to)
{
    for (int j = 0; j < int(st.items.size()); ++j)
        if (j < from || j > to)
            changeState(hwnd, st, j, 0, LVIS_SELECTED);
    for (int j = from; j <= to; ++j)
        changeState(hwnd, st, j, LVIS_SELECTED, LVIS_SELECTED);
}

void clickItem(HWND hwnd, ListViewState& st, int i, WPARAM keys)
{
    const bool multi = !singleSelection(hwnd);
    if (i < 0) {
        if (!(keys & MK_CONTROL) || !multi)
            selectOnly(hwnd, st, 0, -1);
        return;
    }
    if (multi && (keys & MK_CONTROL)) {
        changeState(hwnd, st, i, st.items[size_t(i)].state ^ LVIS_SELECTED, LVIS_SELECTED);
        st.anchor = i;
    } else if (multi && (keys & MK_SHIFT) && valid(st, st.anchor)) {
        selectOnly(hwnd, st, std::min(st.anchor, i), std::max(st.anchor, i));
    } else {
        selectOnly(hwnd, st, i, i);
        st.anchor = i;
    }
    setState(hwnd, st, i, LVIS_FOCUSED, LVIS_FOCUSED);
}

void sendActivate(HWND hwnd, int code, int item, POINT pt, WPARAM keys)
{
    NMITEMACTIVATE nm{};
    nm.iItem = item;
    nm.ptAction = pt;
    nm.uKeyFlags = UINT(keys);
    notifyParent(hwnd, nm.hdr, code);
}

void paintRow(HWND hwnd, const ListViewState& st, HDC hdc, int i, const std::vector<Column>& columns)
{
    const Item& item = st.items[size_t(i)];
    const RECT row = itemRect(hwnd, st, i);
    const bool selected = item.state & LVIS_SELECTED;
    int x = row.left;
    for (size_t c = 0; c < columns.size(); ++c) {
        RECT cell{x, row.top, x + columns[c].width, row.bottom};
        if (selected && c == 0)
            fillRect(hdc, RECT{cell.left, cell.top, isReport(hwnd) ? row.right : cell.right, cell.bottom}, COLOR_HIGHLIGHT);
        SetTextColor(hdc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        if (c < item.texts.size()) {
            RECT text{cell.left + kTextMargin, cell.top, cell.right - kTextMargin, cell.bottom};
            DrawTextA(hdc, item.texts[c].c_str(), int(item.texts[c].size()), &text,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        x = cell.right;
    }
    if ((item.state & LVIS_FOCUSED) && GetFocus() == hwnd)
        focusFrame(hdc, RECT{row.left, row.top, isReport(hwnd) ? row.right : row.left + columns[0].width, row.bottom});
}

void paintHeader(HWND hwnd, const ListViewState& st, HDC hdc)
{
    const int height = headerHeight(hwnd, st);
    fillRect(hdc, RECT{0, 0, clientOf(hwnd).right, height}, COLOR_BTNFACE);
    SetTextColor(hdc, GetSysColor(COLOR_BTNTEXT));
    int x = 0;
    for (const Column& c : st.columns) {
        const RECT cell{x, 0, x + c.width, height};
        edgeFrame(hdc, cell, true);
        RECT text{cell.left + kTextMargin, 0, cell.right - kTextMargin, height};
        DrawTextA(hdc, c.text.c_str(), int(c.text.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        x = cell.right;
    }
}

void paint(HWND hwnd, HDC hdc)
{
    ListViewState* st = stateOf(hwnd);
    if (!st)
        return;
    const RECT client = clientOf(hwnd);
    FillRect(hdc, &client, GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ oldFont = SelectObject(hdc, controlFont(hwnd));
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    const std::vector<Column> columns = isReport(hwnd) ? st->columns : std::vector<Column>{Column{"", kListColumnWidth}};
    if (isReport(hwnd))
        paintHeader(hwnd, *st, hdc);
    const int rows = rowsInView(hwnd, *st);
    const int first = isReport(hwnd) ? st->top : st->top * rows;
    const int shown = isReport(hwnd) ? rows + 1 : rows * (int(client.right) / kListColumnWidth + 1);
    for (int i = first; i < std::min(int(st->items.size()), first + shown); ++i)
        if (!columns.empty())
            paintRow(hwnd, *st, hdc, i, columns);
    SetBkMode(hdc, oldMode);
    SelectObject(hdc, oldFont);
}

void scrollTo(HWND hwnd, ListViewState& st, int top)
{
    const int rows = rowsInView(hwnd, st);
    const int last = isReport(hwnd) ? int(st.items.size()) - rows : (int(st.items.size()) - 1) / rows;
    st.top = std::clamp(top, 0, std::max(0, last));
    InvalidateRect(hwnd, nullptr, TRUE);
}

void keyDown(HWND hwnd, ListViewState& st, WPARAM vk)
{
    if (st.items.empty())
        return;
    int focused = -1;
    for (int i = 0; i < int(st.items.size()); ++i)
        if (st.items[size_t(i)].state & LVIS_FOCUSED)
            focused = i;
    int to;
    switch (vk) {
    case VK_UP: to = focused - 1; break;
    case VK_DOWN: to = focused + 1; break;
    case VK_HOME: to = 0; break;
    case VK_END: to = int(st.items.size()) - 1; break;
    default: return;
    }
    to = std::clamp(to, 0, int(st.items.size()) - 1);
    clickItem(hwnd, st, to, 0);
    const int rows = rowsInView(hwnd, st);
    if (isReport(hwnd) && (to < st.top || to >= st.top + rows))
        scrollTo(hwnd, st, to < st.top ? to : to - rows + 1);
}

std::string textOf(const LVITEMA& item) { return item.pszText ? item.pszText : ""; }

LRESULT insertItem(HWND hwnd, ListViewState& st, const LVITEMA* in)
{
    if (!in || in->iSubItem != 0)
        return -1;
    const int at = std::clamp(in->iItem, 0, int(st.items.size()));
    Item item;
    if (in->mask & LVIF_TEXT)
        item.texts[0] = textOf(*in);
    if (in->mask & LVIF_PARAM)
        item.param = in->lParam;
    if (in->mask & LVIF_IMAGE)
        item.image = in->iImage;
    if (in->mask & LVIF_STATE)
        item.state = in->state & in->stateMask;
    st.items.insert(st.items.begin() + at, std::move(item));
    if (st.anchor >= at)
        ++st.anchor;
    InvalidateRect(hwnd, nullptr, TRUE);
    return at;
}

LRESULT getItemText(const ListViewState& st, WPARAM wParam, LVITEMA* in)
{
    if (!in || !valid(st, int(wParam)) || !in->pszText || in->cchTextMax <= 0)
        return 0;
    const auto& texts = st.items[wParam].texts;
    const std::string text = in->iSubItem >= 0 && size_t(in->iSubItem) < texts.size() ? texts[size_t(in->iSubItem)] : "";
    const size_t n = std::min(text.size(), size_t(in->cchTextMax) - 1);
    std::memcpy(in->pszText, text.data(), n);
    in->pszText[n] = '\0';
    return LRESULT(n);
}

bool setItemText(HWND hwnd, ListViewState& st, int i, int sub, const char* text)
{
    if (!valid(st, i) || sub < 0)
        return false;
    auto& texts = st.items[size_t(i)].texts;
    if (size_t(sub) >= texts.size())
        texts.resize(size_t(sub) + 1);
    texts[size_t(sub)] = text ? text : "";
    const RECT r = itemRect(hwnd, st, i);
    InvalidateRect(hwnd, &r, TRUE);
    return true;
}

LRESULT nextItem(const ListViewState& st, WPARAM wParam, LPARAM flags)
{
    const UINT wanted = UINT(flags) & (LVNI_FOCUSED | LVNI_SELECTED);
    for (int i = int(wParam) + 1; i < int(st.items.size()); ++i)
        if ((st.items[size_t(i)].state & wanted) == wanted)
            return i;
    return -1;
}

LRESULT listViewMessage(HWND hwnd, ListViewState& st, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case LVM_GETITEMCOUNT: return LRESULT(st.items.size());
    case LVM_INSERTITEMA: return insertItem(hwnd, st, reinterpret_cast<const LVITEMA*>(lParam));
    case LVM_DELETEITEM:
        if (!valid(st, int(wParam)))
            return FALSE;
        st.items.erase(st.items.begin() + int(wParam));
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case LVM_DELETEALLITEMS:
        st.items.clear();
        st.top = 0;
        st.anchor = -1;
        InvalidateRect(hwnd, nullptr, TRUE);
        return TRUE;
    case LVM_GETNEXTITEM: return nextItem(st, wParam, lParam);
    case LVM_INSERTCOLUMNA: {
        const auto* in = reinterpret_cast<const LVCOLUMNA*>(lParam);
        if (!in)
            return -1;
        const int at = std::clamp(int(wParam), 0, int(st.columns.size()));
        Column c;
        c.text = (in->mask & LVCF_TEXT) && in->pszText ? in->pszText : "";
        c.width = (in->mask & LVCF_WIDTH) ? in->cx : 0;
        st.columns.insert(st.columns.begin() + at, c);
        InvalidateRect(hwnd, nullptr, TRUE);
        return at;
    }
    case LVM_SETITEMSTATE: {
        const auto* in = reinterpret_cast<const LVITEMA*>(lParam);
        if (!in || (int(wParam) != -1 && !valid(st, int(wParam))))
            return FALSE;
        if (int(wParam) != -1)
            setState(hwnd, st, int(wParam), in->state, in->stateMask);
        else
            for (int i = 0; i < int(st.items.size()); ++i)
                changeState(hwnd, st, i, in->state, in->stateMask);
        return TRUE;
    }
    case LVM_GETITEMSTATE: return valid(st, int(wParam)) ? LRESULT(st.items[wParam].state & UINT(lParam)) : 0;
    case LVM_GETITEMTEXTA: return getItemText(st, wParam, reinterpret_cast<LVITEMA*>(lParam));
    case LVM_SETITEMTEXTA: {
        const auto* in = reinterpret_cast<const LVITEMA*>(lParam);
        return in && setItemText(hwnd, st, int(wParam), in->iSubItem, in->pszText);
    }
    case LVM_SETITEMA: {
        const auto* in = reinterpret_cast<const LVITEMA*>(lParam);
        if (!in || !valid(st, in->iItem))
            return FALSE;
        if ((in->mask & LVIF_TEXT) && !setItemText(hwnd, st, in->iItem, in->iSubItem, in->pszText))
            return FALSE;
        if (in->mask & LVIF_PARAM)
            st.items[size_t(in->iItem)].param = in->lParam;
        if (in->mask & LVIF_STATE)
            setState(hwnd, st, in->iItem, in->state, in->stateMask);
        return TRUE;
    }
    case LVM_GETITEMA: {
        auto* in = reinterpret_cast<LVITEMA*>(lParam);
        if (!in || !valid(st, in->iItem))
            return FALSE;
        const Item& item = st.items[size_t(in->iItem)];
        if (in->mask & LVIF_TEXT)
            getItemText(st, WPARAM(in->iItem), in);
        if (in->mask & LVIF_PARAM)
            in->lParam = item.param;
        if (in->mask & LVIF_IMAGE)
            in->iImage = item.image;
        if (in->mask & LVIF_STATE)
            in->state = item.state & in->stateMask;
        return TRUE;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        SetFocus(hwnd);
        const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const int item = itemAt(hwnd, st, pt);
        if (msg == WM_LBUTTONDOWN) {
            clickItem(hwnd, st, item, wParam);
            sendActivate(hwnd, NM_CLICK, item, pt, wParam);
        } else {
            sendActivate(hwnd, NM_DBLCLK, item, pt, wParam);
        }
        return 0;
    }
    case WM_KEYDOWN: keyDown(hwnd, st, wParam); return 0;
    case WM_MOUSEWHEEL: scrollTo(hwnd, st, st.top - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * kWheelStep); return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK listViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return rowControlProc<ListViewState>(hwnd, msg, wParam, lParam, paint, listViewMessage, kRowPadding);
}

} // namespace plat::controls
