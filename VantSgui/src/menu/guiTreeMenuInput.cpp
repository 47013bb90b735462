// The menu engine's input: hit-testing, the mouse, clicks and check toggling, keys across the
// submenu chain, type-ahead search and tool tips.

#include "menu/guiTreeMenuDraw.h"
#include "menu/guiTreeMenuItem.h"
#include "menu/guiTreeMenuPopup.h"
#include "tree/guiTreeNodeCopy.h"

#include "vbMsg.h"

#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/msgbox.h"
#include "plat/window.h"

#include <algorithm>
#include <cstdlib>
#include <string>

// --- hit test ---

guiTreeMenuDraw::Hit guiTreeMenuDraw::hitTest(const CPoint& point) const
{
    const CPoint at(point.x + m_offset.x - m_treeRect.left, point.y + m_offset.y - m_treeRect.top - 1);
    if (at.x < 0 || at.x >= m_size.cx || at.y < 0 || at.y >= m_size.cy)
        return {};
    auto found = std::upper_bound(m_items.begin(), m_items.end(), static_cast<int>(at.y),
        [](int y, const std::unique_ptr<Item>& item) { return y < item->top; });
    if (found == m_items.begin())
        return {};
    const Item& item = **(found - 1);
    if (at.y >= item.top + item.height || !isSelectable(item))
        return {};
    const int n = static_cast<int>(found - m_items.begin());
    const CSize icon = engineOf(item).GetSzIcon();
    if (item.hasHelp && at.x >= helpColumn(item)) {
        const CRect help(CPoint(helpColumn(item), item.top + (item.height - icon.cy) / 2), icon);
        return help.PtInRect(at) ? Hit{-n, guiTreeHit_Help} : Hit{n, guiTreeHit_Item};
    }
    if (item.hasCheck && at.x < 20) {
        const int top = item.top + (item.height - 14) / 2;
        if (CRect(3, top, 17, top + 14).PtInRect(at))
            return {n, guiTreeHit_Check};
        return {};
    }
    return {n, guiTreeHit_Item};
}

bool guiTreeMenuDraw::isSelectable(const Item& item)
{
    return item.type != guiNodeType_Sep && item.type != guiNodeType_Text && item.enabled;
}

// --- mouse ---

void guiTreeMenuDraw::OnMouseMove(const CPoint& point, UINT)
{
    guiTreeDrawLife::Entry entry(m_life);
    const Hit hit = hitTest(point);
    if (hit.pos == 0) {
        m_events->onMouseMove(this, nullptr, guiTreeHit_Item, m_mainEngine);
        return;
    }
    setOver(hit.pos);
    if (const Item* item = itemAt(std::abs(hit.pos)))
        m_events->onMouseMove(this, item->node.Get(), hit.part, engineOf(*item));
}

void guiTreeMenuDraw::OnLButtonUp(const CPoint& point, UINT flags)
{
    guiTreeDrawLife::Entry entry(m_life);
    const Hit hit = hitTest(point);
    if (hit.pos == 0)
        return;
    const int n = std::abs(hit.pos);
    if (hit.part == guiTreeHit_Check) {
        if (flags & guiTreeMouseLeft)
            toggleCheck(n);
        return;
    }
    select(hit.pos, 0, 0);
    if (flags & guiTreeMouseLeft)
        click(n, hit.part == guiTreeHit_Help);
}

void guiTreeMenuDraw::OnLButtonDblClk(const CPoint& point, UINT flags)
{
    guiTreeDrawLife::Entry entry(m_life);
    const Hit hit = hitTest(point);
    if (hit.pos == 0 || hit.part == guiTreeHit_Check)
        return;
    select(hit.pos, 0, 0);
    if ((flags & guiTreeMouseLeft) && !doubleClick(std::abs(hit.pos), hit.part == guiTreeHit_Help) &&
        !m_life.IsDestroyPending())
        MoveCursorToSelection();
}

bool guiTreeMenuDraw::OnContextMenu(const CPoint& point)
{
    guiTreeDrawLife::Entry entry(m_life);
    const Hit hit = hitTest(point);
    if (hit.pos == 0)
        return false;
    select(hit.pos, 0, 0);
    return contextMenu(std::abs(hit.pos), hit.part == guiTreeHit_Help);
}

// --- item events ---

bool guiTreeMenuDraw::click(int n, bool help)
{
    return clickEvent(n, help, &IguiTreeNode::onClick, &sIguiTreeItemEvents::onItemClicked, guiNodeCheck_Auto);
}

bool guiTreeMenuDraw::doubleClick(int n, bool help)
{
    return clickEvent(n, help, &IguiTreeNode::onDClick, &sIguiTreeItemEvents::onItemDClicked, guiNodeCheck_Manual);
}

// Reported first; when the host does not take it, the click may toggle the check state.
bool guiTreeMenuDraw::clickEvent(int n, bool help, NodeEvent onNode, HostEvent onHost, guiNodeCheckMode needed)
{
    const Item* item = itemAt(n);
    if (!item || !item->node)
        return false;
    const guiTreeNodeRef node(item->node.Get());
    if (itemEvent(node.Get(), help, onNode, onHost))
        return true;
    return toggleOnClick(n, needed);
}

// A click toggles the check state by the applicable check mode: a single click when it is 1
// (auto), a double click when it is not 0 (manual).
bool guiTreeMenuDraw::toggleOnClick(int n, guiNodeCheckMode needed)
{
    const Item* item = itemAt(n);
    if (!item || m_life.IsDestroyPending())
        return false;
    const bool checkItem = item->type == guiNodeType_Check || item->type == guiNodeType_Radio;
    if (!m_checkBoxes && !checkItem)
        return false;
    const guiNodeCheckMode mode = m_checkBoxes ? m_checkMode : item->node->GetCheckMode();
    const bool toggles = needed == guiNodeCheck_Auto ? mode == guiNodeCheck_Auto : mode != guiNodeCheck_Manual;
    return toggles && toggleCheck(n);
}

bool guiTreeMenuDraw::contextMenu(int n, bool help)
{
    const Item* item = itemAt(n);
    if (!item || !item->node)
        return false;
    const guiTreeNodeRef node(item->node.Get());
    return itemEvent(node.Get(), help, &IguiTreeNode::onContextMenu, &sIguiTreeItemEvents::onItemContextMenu);
}

bool guiTreeMenuDraw::toggleCheck(int n)
{
    Item* item = itemAt(n);
    if (!item || !item->node)
        return false;
    const guiTreeNodeRef node(item->node.Get());
    if (m_checkBoxes) {
        if (m_checkMode == guiNodeCheck_Manual)
            return click(n, false);
        bool state = !item->checked;
        m_events->onItemChecked(false, this, node.Get(), &state, true, false);
        item = itemAt(n);
        if (!item || item->node.Get() != node.Get() || state == item->checked)
            return false;
        item->checked = state;
        invalidateItem(n);
        return true;
    }
    const bool checkItem = item->type == guiNodeType_Check || item->type == guiNodeType_Radio;
    if (!checkItem || node->GetCheckMode() == guiNodeCheck_Manual)
        return click(n, false);
    const bool was = node->IsChecked();
    bool state = !was;
    bool handled = node->onCheck(node.Get(), &state);
    guiTreeNodeRef root;
    if (!handled && m_root.Get(&root))
        handled = root->onCheck(node.Get(), &state);
    m_events->onItemChecked(false, this, node.Get(), &state, false, handled);
    node->SetChecked(state);
    return node->IsChecked() != was;
}

// --- keys ---

void guiTreeMenuDraw::onKeyDown(UINT& key)
{
    guiTreeDrawLife::Entry entry(m_life);
    m_events->askStopCloseTimer(this);
    if (sIguiTreeDraw* sub = popupDraw(); sub && sub->HasSelection()) {
        clearTyped();
        sub->onKeyDown(key);
        return;
    }
    const int n = std::abs(m_sel);
    const bool help = m_sel < 0;
    const int count = GetItemCount();
    bool ok = true;
    switch (key) {
    case VK_END:
        ok = count > 0;
        if (ok)
            select(count, 0, 0);
        break;
    case VK_HOME:
        ok = SelectFirst();
        break;
    case VK_BACK:
        ok = backspace();
        break;
    case VK_RETURN:
        ok = n != 0 && click(n, help);
        break;
    case VK_ESCAPE:
        // Escape also leaves this menu level, as on any desktop: a submenu closes back to its
        // item, the first popup closes the menu; a menu in a plain window stays.
        clearTyped();
        m_events->askCloseCtrl(this, false);
        break;
    case VK_PRIOR:
        ok = m_events->onPageUp(this);
        break;
    case VK_NEXT:
        ok = m_events->onPageDn(this);
        break;
    case VK_LEFT:
        ok = n == 0 ? SelectFirst() : help ? select(n, 0, 0) : m_events->onSelectLeft(this);
        break;
    case VK_RIGHT:
        ok = n == 0 ? SelectFirst() : right(n, help);
        break;
    case VK_UP:
    case VK_DOWN:
        ok = upDown(key == VK_DOWN, n);
        break;
    default:
        return;
    }
    key = 0;
    if (!ok)
        MessageBeep(0);
}

bool guiTreeMenuDraw::right(int n, bool help)
{
    const Item* item = itemAt(n);
    if (!item)
        return false;
    if (!help && (item->helpIcon.IsValid() || item->selHelpIcon.IsValid()))
        return select(-n, 0, 0);
    if (!item->hasSubmenu || !popupDraw())
        return false;
    if (help)
        select(n, 0, 0);
    // Escape closed it while its item stayed selected.
    if (!guiMenuPopupIsOpen(m_popup))
        openPopup(n);
    sIguiTreeDraw* sub = popupDraw();
    return sub && sub->SelectFirst();
}

bool guiTreeMenuDraw::upDown(bool down, int n)
{
    if (GetKeyState(VK_CONTROL) < 0) {
        if (n == 0 || m_matchLength == 0 || m_typed.IsEmpty() || m_searchRunning)
            return false;
        return search(m_typed.Text(), true, !down);
    }
    if (n == 0)
        return SelectFirst();
    const int count = GetItemCount();
    const int step = down ? 1 : -1;
    for (int p = n + step; p >= 1 && p <= count; p += step)
        if (isSelectable(*itemAt(p))) {
            select(p, 0, 0);
            return true;
        }
    // None: round to the other end, whatever item stands there.
    select(down ? 1 : count, 0, 0);
    return true;
}

bool guiTreeMenuDraw::backspace()
{
    if (m_typed.IsEmpty())
        return false;
    const int removed = m_typed.RemoveLast();
    if (m_typed.IsEmpty()) {
        clearTyped();
        return true;
    }
    if (m_sel > 0 && m_matchLength > removed)
        select(m_sel, m_matchStart, m_matchLength - removed);
    return search(m_typed.Text(), false, false);
}

void guiTreeMenuDraw::onChar(UINT& character)
{
    guiTreeDrawLife::Entry entry(m_life);
    m_events->askStopCloseTimer(this);
    if (sIguiTreeDraw* sub = popupDraw(); sub && sub->HasSelection()) {
        clearTyped();
        sub->onChar(character);
        return;
    }
    if (character > 32) {
        std::string ch;
        if (m_typed.Collect(static_cast<unsigned char>(character), ch))
            typeAhead(ch);
        character = 0;
        return;
    }
    if (character == 32) {
        if (m_sel != 0 && !click(std::abs(m_sel), m_sel < 0))
            MessageBeep(0);
        character = 0;
    }
}

void guiTreeMenuDraw::typeAhead(const std::string& ch)
{
    std::string tried = m_typed.Text() + ch;
    bool found = search(tried, false, false);
    while (!found && !m_life.IsDestroyPending() && guiTypedText::CharCount(tried) >= 2) {
        tried = guiTypedText::DropBeforeLast(tried);
        found = search(tried, true, false);
    }
}

// --- the type-ahead search ---

void guiTreeMenuDraw::clearTyped()
{
    m_typed.Clear();
    if (m_matchLength != 0) {
        m_matchStart = m_matchLength = 0;
        invalidateItem(std::abs(m_sel));
    }
    if (m_searchRunning)
        m_search.cancel = true;
}

bool guiTreeMenuDraw::search(const std::string& text, bool skipStart, bool backward)
{
    m_typed.Set(text);
    if (m_searchRunning) {
        m_search.cancel = true;
        return true;
    }
    for (;;) {
        m_search = Search{std::abs(m_sel), m_typed.Text(), false, {}, {}, false, skipStart, backward};
        m_searchRunning = true;
        const int count = GetItemCount();
        for (int i = 0; i < count; ++i) {
            const int pos = backward ? count - i : i + 1;
            if (!matchItem(pos))
                break;
            bool quit = false;
            vbDoOneEvent(&quit);
            if (quit || m_life.IsDestroyPending())
                break;
        }
        m_searchRunning = false;
        if (m_life.IsDestroyPending())
            return true;
        if (!m_search.cancel)
            break;
        if (m_typed.IsEmpty())
            return false;
    }
    const Slot& after = m_search.after;
    const Slot& before = m_search.before;
    const Slot& won =
        m_search.passed && after.pos != 0 && (before.pos == 0 || after.start <= before.start) ? after : before;
    if (won.pos == 0)
        return false;
    select(won.pos, won.start, won.length);
    return true;
}

// One item of the search; false ends the visit.
bool guiTreeMenuDraw::matchItem(int pos)
{
    if (m_search.cancel)
        return false;
    const Item* item = itemAt(pos);
    if (!item)
        return false;
    if (!m_search.passed)
        m_search.passed = m_search.backward ? pos <= m_search.start : pos >= m_search.start;
    if (m_search.skipStart && pos == m_search.start)
        return true;
    const vbString& text = item->selText.IsEmpty() ? item->text : item->selText;
    if (text.IsEmpty())
        return true;
    Slot& slot = m_search.passed ? m_search.after : m_search.before;
    int start = 0, length = 0;
    if (!guiTextMatch(text, m_search.text, slot.pos != 0 ? slot.start : 0, &start, &length))
        return true;
    slot = Slot{pos, start, length};
    return !(m_search.passed && start == 1);
}

// --- tool tips and the remaining operations ---

vbString guiTreeMenuDraw::tcNeedToolTip(const CPoint& point, bool* shown, INT_PTR* identity)
{
    guiTreeDrawLife::Entry entry(m_life);
    if (shown)
        *shown = true;
    const Hit hit = hitTest(point);
    const Item* item = itemAt(std::abs(hit.pos));
    if (!item) {
        if (identity)
            *identity = reinterpret_cast<INT_PTR>(static_cast<sIguiTreeDraw*>(this));
        return m_status;
    }
    if (identity)
        *identity = reinterpret_cast<INT_PTR>(item->node.Get());
    return guiTreeHintAndStatus(guiTreeNodeHint(item->node.Get(), hit.part), m_status);
}

void guiTreeMenuDraw::MoveCursorToSelection()
{
    if (m_sel == 0)
        return;
    if (sIguiTreeDraw* sub = popupDraw(); sub && sub->HasSelection()) {
        clearTyped();
        sub->MoveCursorToSelection();
        return;
    }
    const Item* item = itemAt(std::abs(m_sel));
    if (!item)
        return;
    const CRect row = toClient(CRect(0, item->top, m_size.cx, item->top + item->height));
    POINT p{row.left + m_size.cx / 2, row.top + item->height / 2};
    if (!m_treeRect.PtInRect(p))
        return;
    ClientToScreen(m_host->GetSafeHwnd(), &p);
    SetCursorPos(p.x, p.y);
}
