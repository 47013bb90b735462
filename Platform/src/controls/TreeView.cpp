// The tree view. Items live in a table of slots; an HTREEITEM carries a slot and the slot's
// generation, so a deleted item's handle never names a later item. Siblings are linked both
// ways and a parent knows its last child, so appending (TVI_LAST) takes constant time. The rows
// shown (items whose parents are all expanded) are kept in a list rebuilt after a change, and
// only the rows in view are drawn.

#include "controls/TreeView.h"

#include "controls/Controls.h"
#include "controls/ListCore.h"

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

constexpr int kIndent = 19;
constexpr int kButtonBox = 9;
constexpr int kLabelGap = 3;
constexpr int kWheelStep = 3;
constexpr int kNone = -1;
constexpr int kGenerationShift = 24;

struct Node {
    std::string text;
    int parent = kNone, first = kNone, last = kNone, prev = kNone, next = kNone;
    UINT state = 0;
    LPARAM param = 0;
    int image = 0, selectedImage = 0;
    uint32_t generation = 0;
    bool used = false;
};

struct TreeState {
    std::vector<Node> nodes;
    std::vector<int> free;
    int first = kNone, last = kNone; // the root items
    int selected = kNone;
    int top = 0; // the first row in view
    int rowHeight = 0;
    std::vector<int> rows; // the rows shown, in order
    std::vector<int> depths;
    bool rowsDirty = true;
    bool pressed = false;
};

TreeState* stateOf(HWND hwnd) { return reinterpret_cast<TreeState*>(GetWindowLongPtrA(hwnd, kStateSlot)); }
DWORD styleOf(HWND hwnd) { return DWORD(GetWindowLongPtrA(hwnd, GWL_STYLE)); }

HTREEITEM handleOf(const TreeState& st, int i)
{
    if (i == kNone)
        return nullptr;
    return HTREEITEM(ULONG_PTR(i + 1) | (ULONG_PTR(st.nodes[size_t(i)].generation) << kGenerationShift));
}

int indexOf(const TreeState& st, HTREEITEM h)
{
    const ULONG_PTR v = ULONG_PTR(h);
    if (!h || v > (ULONG_PTR(0xFFFFFFFF) << kGenerationShift))
        return kNone;
    const ULONG_PTR slot = (v & ((ULONG_PTR(1) << kGenerationShift) - 1)) - 1;
    if (slot >= st.nodes.size() || !st.nodes[slot].used || st.nodes[slot].generation != (v >> kGenerationShift))
        return kNone;
    return int(slot);
}

int& firstOf(TreeState& st, int parent) { return parent == kNone ? st.first : st.nodes[size_t(parent)].first; }
int& lastOf(TreeState& st, int parent) { return parent == kNone ? st.last : st.nodes[size_t(parent)].last; }

bool expanded(const TreeState& st, int i) { return st.nodes[size_t(i)].state & TVIS_EXPANDED; }
bool hasChildren(const TreeState& st, int i) { return st.nodes[size_t(i)].first != kNone; }

void changed(HWND hwnd, TreeState& st)
{
    st.rowsDirty = true;
    InvalidateRect(hwnd, nullptr, TRUE);
}

void rebuildRows(TreeState& st)
{
    if (!st.rowsDirty)
        return;
    st.rows.clear();
    st.depths.clear();
    // Depth-first without recursion: a stack of the next sibling to visit per level.
    std::vector<int> stack{st.first};
    while (!stack.empty()) {
        const int i = stack.back();
        if (i == kNone) {
            stack.pop_back();
            if (!stack.empty())
                stack.back() = st.nodes[size_t(stack.back())].next;
            continue;
        }
        st.rows.push_back(i);
        st.depths.push_back(int(stack.size()) - 1);
        if (expanded(st, i) && hasChildren(st, i))
            stack.push_back(st.nodes[size_t(i)].first);
        else
            stack.back() = st.nodes[size_t(i)].next;
    }
    st.rowsDirty = false;
}

int rowOf(TreeState& st, int i)
{
    rebuildRows(st);
    const auto at = std::find(st.rows.begin(), st.rows.end(), i);
    return at == st.rows.end() ? -1 : int(at - st.rows.begin());
}

int rowsInView(HWND hwnd, const TreeState& st)
{
    RECT r;
    GetClientRect(hwnd, &r);
    return std::max(1, int(r.bottom) / st.rowHeight);
}

// The left of an item's indent cells: levels below the root, and one more with lines at the root.
int indentOf(HWND hwnd, int depth) { return (depth + ((styleOf(hwnd) & TVS_LINESATROOT) ? 1 : 0)) * kIndent; }

int labelWidth(HWND hwnd, const std::string& text)
{
    MeasureDc dc(hwnd);
    SIZE size{0, 0};
    GetTextExtentPoint32A(dc.hdc(), text.data(), int(text.size()), &size);
    return size.cx + 2 * kLabelGap;
}

bool showsButton(HWND hwnd, const TreeState& st, int i, int depth)
{
    return (styleOf(hwnd) & TVS_HASBUTTONS) && hasChildren(st, i) && indentOf(hwnd, depth) >= kIndent;
}

int allocate(TreeState& st)
{
    int i;
    if (!st.free.empty()) {
        i = st.free.back();
        st.free.pop_back();
    } else {
        i = int(st.nodes.size());
        st.nodes.emplace_back();
    }
    const uint32_t generation = (st.nodes[size_t(i)].generation + 1) & 0xFF;
    st.nodes[size_t(i)] = Node{};
    st.nodes[size_t(i)].generation = generation ? generation : 1;
    st.nodes[size_t(i)].used = true;
    return i;
}

void link(TreeState& st, int i, int parent, int after)
{
    Node& n = st.nodes[size_t(i)];
    n.parent = parent;
    n.prev = after;
    n.next = after == kNone ? firstOf(st, parent) : st.nodes[size_t(after)].next;
    if (n.prev != kNone)
        st.nodes[size_t(n.prev)].next = i;
    else
        firstOf(st, parent) = i;
    if (n.next != kNone)
        st.nodes[size_t(n.next)].prev = i;
    else
        lastOf(st, parent) = i;
}

// The sibling a new item goes after (kNone: first); false for a bad place.
bool placeAfter(TreeState& st, int parent, HTREEITEM where, const std::string& text, int& after)
{
    if (where == TVI_LAST || !where) {
        after = lastOf(st, parent);
    } else if (where == TVI_FIRST) {
        after = kNone;
    } else if (where == TVI_SORT) {
        after = kNone;
        for (int c = firstOf(st, parent); c != kNone && !listTextLess(text, st.nodes[size_t(c)].text); c = st.nodes[size_t(c)].next)
            after = c;
    } else {
        after = indexOf(st, where);
        return after != kNone && st.nodes[size_t(after)].parent == parent;
    }
    return true;
}

void applyItem(TreeState& st, int i, const TVITEMA& in)
{
    Node& n = st.nodes[size_t(i)];
    if ((in.mask & TVIF_TEXT) && in.pszText)
        n.text = in.pszText;
    if (in.mask & TVIF_PARAM)
        n.param = in.lParam;
    if (in.mask & TVIF_IMAGE)
        n.image = in.iImage;
    if (in.mask & TVIF_SELECTEDIMAGE)
        n.selectedImage = in.iSelectedImage;
    if (in.mask & TVIF_STATE)
        n.state = (n.state & ~in.stateMask) | (in.state & in.stateMask & TVIS_EXPANDED);
}

LRESULT insertItem(HWND hwnd, TreeState& st, const TVINSERTSTRUCTA* in)
{
    if (!in)
        return 0;
    const int parent = (!in->hParent || in->hParent == TVI_ROOT) ? kNone : indexOf(st, in->hParent);
    if (parent == kNone && in->hParent && in->hParent != TVI_ROOT)
        return 0;
    const std::string text = (in->item.mask & TVIF_TEXT) && in->item.pszText ? in->item.pszText : "";
    int after = kNone;
    if (!placeAfter(st, parent, in->hInsertAfter, text, after))
        return 0;
    const int i = allocate(st);
    link(st, i, parent, after);
    applyItem(st, i, in->item);
    if (parent == kNone || expanded(st, parent))
        changed(hwnd, st);
    else if (!st.nodes[size_t(parent)].next && st.nodes[size_t(parent)].first == i)
        InvalidateRect(hwnd, nullptr, TRUE); // a button appears
    return LRESULT(handleOf(st, i));
}

void tellSelection(HWND hwnd, TreeState& st, int from, int to, UINT action)
{
    NMTREEVIEWA nm{};
    nm.action = action;
    nm.itemOld.mask = nm.itemNew.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
    nm.itemOld.hItem = handleOf(st, from);
    nm.itemNew.hItem = handleOf(st, to);
    if (from != kNone)
        nm.itemOld.lParam = st.nodes[size_t(from)].param;
    if (to != kNone) {
        nm.itemNew.lParam = st.nodes[size_t(to)].param;
        nm.itemNew.state = TVIS_SELECTED;
    }
    notifyParent(hwnd, nm.hdr, TVN_SELCHANGEDA);
}

void showRow(HWND hwnd, TreeState& st, int i)
{
    const int row = rowOf(st, i);
    const int rows = rowsInView(hwnd, st);
    if (row >= 0 && row < st.top)
        st.top = row;
    else if (row >= st.top + rows)
        st.top = row - rows + 1;
}

void select(HWND hwnd, TreeState& st, int i, UINT action)
{
    if (i == st.selected)
        return;
    const int from = st.selected;
    if (from != kNone)
        st.nodes[size_t(from)].state &= ~UINT(TVIS_SELECTED);
    st.selected = i;
    if (i != kNone) {
        st.nodes[size_t(i)].state |= TVIS_SELECTED;
        for (int p = st.nodes[size_t(i)].parent; p != kNone; p = st.nodes[size_t(p)].parent)
            if (!expanded(st, p)) {
                st.nodes[size_t(p)].state |= TVIS_EXPANDED;
                st.rowsDirty = true;
            }
        showRow(hwnd, st, i);
    }
    InvalidateRect(hwnd, nullptr, TRUE);
    tellSelection(hwnd, st, from, i, action);
}

// Expands, collapses or toggles; true when the item changed. A collapsed item's selected
// descendant gives the selection to the item.
bool expand(HWND hwnd, TreeState& st, int i, UINT how, bool tell)
{
    if (i == kNone || !hasChildren(st, i))
        return false;
    const bool open = how == TVE_TOGGLE ? !expanded(st, i) : how == TVE_EXPAND;
    if (open == expanded(st, i))
        return false;
    st.nodes[size_t(i)].state ^= TVIS_EXPANDED;
    changed(hwnd, st);
    if (!open)
        for (int p = st.selected == kNone ? kNone : st.nodes[size_t(st.selected)].parent; p != kNone; p = st.nodes[size_t(p)].parent)
            if (p == i) {
                select(hwnd, st, i, TVC_UNKNOWN);
                break;
            }
    if (tell) {
        NMTREEVIEWA nm{};
        nm.action = open ? TVE_EXPAND : TVE_COLLAPSE;
        nm.itemNew.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
        nm.itemNew.hItem = handleOf(st, i);
        nm.itemNew.state = st.nodes[size_t(i)].state;
        nm.itemNew.lParam = st.nodes[size_t(i)].param;
        notifyParent(hwnd, nm.hdr, TVN_ITEMEXPANDEDA);
    }
    return true;
}

void unlinkAndFree(TreeState& st, int i)
{
    // The children first, without recursion.
    std::vector<int> pending{i};
    std::vector<int> all;
    while (!pending.empty()) {
        const int n = pending.back();
        pending.pop_back();
        all.push_back(n);
        for (int c = st.nodes[size_t(n)].first; c != kNone; c = st.nodes[size_t(c)].next)
            pending.push_back(c);
    }
    Node& n = st.nodes[size_t(i)];
    if (n.prev != kNone)
        st.nodes[size_t(n.prev)].next = n.next;
    else
        firstOf(st, n.parent) = n.next;
    if (n.next != kNone)
        st.nodes[size_t(n.next)].prev = n.prev;
    else
        lastOf(st, n.parent) = n.prev;
    for (int d : all) {
        st.nodes[size_t(d)].used = false;
        st.nodes[size_t(d)].text.clear();
        st.free.push_back(d);
        if (st.selected == d)
            st.selected = kNone;
    }
}

LRESULT deleteItem(HWND hwnd, TreeState& st, HTREEITEM h)
{
    if (h == TVI_ROOT || !h) {
        while (st.first != kNone)
            unlinkAndFree(st, st.first);
        st.top = 0;
        changed(hwnd, st);
        return TRUE;
    }
    const int i = indexOf(st, h);
    if (i == kNone)
        return FALSE;
    unlinkAndFree(st, i);
    changed(hwnd, st);
    return TRUE;
}

LRESULT nextItem(HWND hwnd, TreeState& st, WPARAM code, HTREEITEM h)
{
    const int i = indexOf(st, h);
    switch (code) {
    case TVGN_ROOT: return LRESULT(handleOf(st, st.first));
    case TVGN_CARET: return LRESULT(handleOf(st, st.selected));
    case TVGN_CHILD:
        if (!h || h == TVI_ROOT)
            return LRESULT(handleOf(st, st.first));
        return i == kNone ? 0 : LRESULT(handleOf(st, st.nodes[size_t(i)].first));
    case TVGN_FIRSTVISIBLE:
        rebuildRows(st);
        return st.top < int(st.rows.size()) ? LRESULT(handleOf(st, st.rows[size_t(st.top)])) : 0;
    default: break;
    }
    if (i == kNone)
        return 0;
    switch (code) {
    case TVGN_NEXT: return LRESULT(handleOf(st, st.nodes[size_t(i)].next));
    case TVGN_PREVIOUS: return LRESULT(handleOf(st, st.nodes[size_t(i)].prev));
    case TVGN_PARENT: return LRESULT(handleOf(st, st.nodes[size_t(i)].parent));
    case TVGN_NEXTVISIBLE: {
        const int row = rowOf(st, i);
        return row >= 0 && row + 1 < int(st.rows.size()) ? LRESULT(handleOf(st, st.rows[size_t(row) + 1])) : 0;
    }
    default: (void)hwnd; return 0;
    }
}

// Where a point lies: the item of its row and a TVHT_ code.
int hitTest(HWND hwnd, TreeState& st, POINT pt, UINT& flags)
{
    rebuildRows(st);
    RECT client;
    GetClientRect(hwnd, &client);
    flags = 0;
    if (pt.y < 0)
        flags |= TVHT_ABOVE;
    if (pt.y >= client.bottom)
        flags |= TVHT_BELOW;
    if (pt.x < 0)
        flags |= TVHT_TOLEFT;
    if (pt.x >= client.right)
        flags |= TVHT_TORIGHT;
    if (flags)
        return kNone;
    const int row = st.top + pt.y / st.rowHeight;
    if (row >= int(st.rows.size())) {
        flags = TVHT_NOWHERE;
        return kNone;
    }
    const int i = st.rows[size_t(row)];
    const int depth = st.depths[size_t(row)];
    const int label = indentOf(hwnd, depth);
    if (pt.x >= label)
        flags = pt.x < label + labelWidth(hwnd, st.nodes[size_t(i)].text) ? TVHT_ONITEMLABEL : TVHT_ONITEMRIGHT;
    else if (pt.x >= label - kIndent && showsButton(hwnd, st, i, depth))
        flags = TVHT_ONITEMBUTTON;
    else
        flags = TVHT_ONITEMINDENT;
    return i;
}

void paintRow(HWND hwnd, TreeState& st, HDC hdc, int row, int y)
{
    const int i = st.rows[size_t(row)];
    const int depth = st.depths[size_t(row)];
    const Node& n = st.nodes[size_t(i)];
    const int label = indentOf(hwnd, depth);
    const int mid = y + st.rowHeight / 2;
    if ((styleOf(hwnd) & TVS_HASLINES) && label >= kIndent) {
        const int x = label - kIndent / 2 - 1;
        fillRect(hdc, RECT{x, mid, label, mid + 1}, COLOR_GRAYTEXT);
        fillRect(hdc, RECT{x, y, x + 1, n.next != kNone ? y + st.rowHeight : mid}, COLOR_GRAYTEXT);
    }
    if (showsButton(hwnd, st, i, depth)) {
        const int x = label - kIndent / 2 - 1 - kButtonBox / 2;
        const RECT box{x, mid - kButtonBox / 2, x + kButtonBox, mid - kButtonBox / 2 + kButtonBox};
        fillRect(hdc, box, COLOR_WINDOW);
        FrameRect(hdc, &box, GetSysColorBrush(COLOR_GRAYTEXT));
        fillRect(hdc, RECT{box.left + 2, mid, box.right - 2, mid + 1}, COLOR_WINDOWTEXT);
        if (!expanded(st, i))
            fillRect(hdc, RECT{(box.left + box.right) / 2, box.top + 2, (box.left + box.right) / 2 + 1, box.bottom - 2},
                COLOR_WINDOWTEXT);
    }
    const bool selected = i == st.selected;
    RECT text{label, y, label + labelWidth(hwnd, n.text), y + st.rowHeight};
    if (selected) {
        fillRect(hdc, text, GetFocus() == hwnd ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
        if (GetFocus() == hwnd)
            focusFrame(hdc, text);
    }
    SetTextColor(hdc, GetSysColor(selected && GetFocus() == hwnd ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    text.left += kLabelGap;
    DrawTextA(hdc, n.text.c_str(), int(n.text.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void paint(HWND hwnd, HDC hdc)
{
    TreeState* st = stateOf(hwnd);
    if (!st)
        return;
    rebuildRows(*st);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(hdc, &client, GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ oldFont = SelectObject(hdc, controlFont(hwnd));
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    const int end = std::min(int(st->rows.size()), st->top + rowsInView(hwnd, *st) + 1);
    for (int row = st->top; row < end; ++row)
        paintRow(hwnd, *st, hdc, row, (row - st->top) * st->rowHeight);
    SetBkMode(hdc, oldMode);
    SelectObject(hdc, oldFont);
}

void scrollTo(HWND hwnd, TreeState& st, int top)
{
    rebuildRows(st);
    st.top = std::clamp(top, 0, std::max(0, int(st.rows.size()) - rowsInView(hwnd, st)));
    InvalidateRect(hwnd, nullptr, TRUE);
}

void keyDown(HWND hwnd, TreeState& st, WPARAM vk)
{
    rebuildRows(st);
    if (st.rows.empty())
        return;
    const int at = st.selected == kNone ? -1 : rowOf(st, st.selected);
    const int last = int(st.rows.size()) - 1;
    const int i = st.selected;
    switch (vk) {
    case VK_UP: select(hwnd, st, st.rows[size_t(std::max(at - 1, 0))], TVC_BYKEYBOARD); return;
    case VK_DOWN: select(hwnd, st, st.rows[size_t(std::min(at + 1, last))], TVC_BYKEYBOARD); return;
    case VK_HOME: select(hwnd, st, st.rows.front(), TVC_BYKEYBOARD); return;
    case VK_END: select(hwnd, st, st.rows.back(), TVC_BYKEYBOARD); return;
    case VK_LEFT:
        if (i == kNone)
            return;
        if (!expand(hwnd, st, i, TVE_COLLAPSE, true) && st.nodes[size_t(i)].parent != kNone)
            select(hwnd, st, st.nodes[size_t(i)].parent, TVC_BYKEYBOARD);
        return;
    case VK_RIGHT:
        if (i == kNone || !hasChildren(st, i))
            return;
        if (!expand(hwnd, st, i, TVE_EXPAND, true))
            select(hwnd, st, st.nodes[size_t(i)].first, TVC_BYKEYBOARD);
        return;
    default: return;
    }
}

POINT pointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

// A left release after a press: NM_CLICK first; unless it answers non-zero, a click on a label
// selects its item and one on a button toggles it.
void release(HWND hwnd, TreeState& st, POINT pt)
{
    NMHDR click{};
    if (notifyParent(hwnd, click, NM_CLICK))
        return;
    UINT flags = 0;
    const int i = hitTest(hwnd, st, pt, flags);
    if (i == kNone)
        return;
    if (flags & TVHT_ONITEMBUTTON)
        expand(hwnd, st, i, TVE_TOGGLE, true);
    else if (flags & TVHT_ONITEMLABEL)
        select(hwnd, st, i, TVC_BYMOUSE);
}

bool copyItem(const TreeState& st, TVITEMA* out)
{
    const int i = out ? indexOf(st, out->hItem) : kNone;
    if (i == kNone)
        return false;
    const Node& n = st.nodes[size_t(i)];
    if ((out->mask & TVIF_TEXT) && out->pszText && out->cchTextMax > 0) {
        const size_t len = std::min(n.text.size(), size_t(out->cchTextMax) - 1);
        std::memcpy(out->pszText, n.text.data(), len);
        out->pszText[len] = '\0';
    }
    if (out->mask & TVIF_PARAM)
        out->lParam = n.param;
    if (out->mask & TVIF_IMAGE)
        out->iImage = n.image;
    if (out->mask & TVIF_SELECTEDIMAGE)
        out->iSelectedImage = n.selectedImage;
    if (out->mask & TVIF_STATE)
        out->state = n.state & out->stateMask;
    if (out->mask & TVIF_CHILDREN)
        out->cChildren = n.first != kNone ? 1 : 0;
    return true;
}

LRESULT treeMessage(HWND hwnd, TreeState& st, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case TVM_INSERTITEMA: return insertItem(hwnd, st, reinterpret_cast<const TVINSERTSTRUCTA*>(lParam));
    case TVM_DELETEITEM: return deleteItem(hwnd, st, HTREEITEM(lParam));
    case TVM_EXPAND: return expand(hwnd, st, indexOf(st, HTREEITEM(lParam)), UINT(wParam) & 3, false);
    case TVM_GETCOUNT: return LRESULT(st.nodes.size() - st.free.size());
    case TVM_GETNEXTITEM: return nextItem(hwnd, st, wParam, HTREEITEM(lParam));
    case TVM_SELECTITEM: {
        if (wParam != TVGN_CARET)
            return FALSE;
        const int i = indexOf(st, HTREEITEM(lParam));
        if (lParam && i == kNone)
            return FALSE;
        select(hwnd, st, i, TVC_UNKNOWN);
        return TRUE;
    }
    case TVM_GETITEMA: return copyItem(st, reinterpret_cast<TVITEMA*>(lParam));
    case TVM_SETITEMA: {
        const auto* in = reinterpret_cast<const TVITEMA*>(lParam);
        const int i = in ? indexOf(st, in->hItem) : kNone;
        if (i == kNone)
            return FALSE;
        applyItem(st, i, *in);
        changed(hwnd, st);
        return TRUE;
    }
    case TVM_HITTEST: {
        auto* info = reinterpret_cast<TVHITTESTINFO*>(lParam);
        if (!info)
            return 0;
        info->hItem = handleOf(st, hitTest(hwnd, st, info->pt, info->flags));
        return LRESULT(info->hItem);
    }
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        st.pressed = true;
        SetCapture(hwnd);
        return 0;
    case WM_LBUTTONUP:
        if (!st.pressed)
            return 0;
        st.pressed = false;
        if (GetCapture() == hwnd)
            ReleaseCapture();
        release(hwnd, st, pointOf(lParam));
        return 0;
    case WM_CAPTURECHANGED: st.pressed = false; return 0;
    case WM_LBUTTONDBLCLK: {
        UINT flags = 0;
        const int i = hitTest(hwnd, st, pointOf(lParam), flags);
        NMHDR dbl{};
        if (!notifyParent(hwnd, dbl, NM_DBLCLK) && (flags & TVHT_ONITEMLABEL))
            expand(hwnd, st, i, TVE_TOGGLE, true);
        return 0;
    }
    case WM_KEYDOWN: keyDown(hwnd, st, wParam); return 0;
    case WM_MOUSEWHEEL: scrollTo(hwnd, st, st.top - GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA * kWheelStep); return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace

LRESULT CALLBACK treeViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return rowControlProc<TreeState>(hwnd, msg, wParam, lParam, paint, treeMessage, 2);
}

} // namespace plat::controls
