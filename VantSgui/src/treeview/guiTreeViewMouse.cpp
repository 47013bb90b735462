// The tree view under the mouse: which part of which row a point hits, and what clicks on it do
// (expanding and collapsing, activating, checking).

#include "guiTreeViewDraw.h"

#include "draw/guiTreeDrawPost.h"

#include "vbBaseItf.h"

namespace {

constexpr int kButton = 9;
constexpr int kCheckColumn = 20;
constexpr int kCheckHeight = 14;
constexpr int kHelpGap = 5;

bool inside(int v, int from, int to) { return v >= from && v < to; }

} // namespace

// ---------------------------------------------------------------------------------------------
// Hit test.

int guiTreeViewLevel::hit(const CPoint& p, guiTreeViewPos& pos, guiTreeHit& part)
{
    if (!m_bExpanded || !inside(p.y, m_placed.top, m_placed.bottom))
        return 0;
    for (size_t i = 0; i < m_items.size(); ++i) {
        guiTreeViewItem& item = *m_items[i];
        if (item.top < 0)
            continue;
        if (p.y < item.top)
            return -1;
        if (p.y < item.top + item.height) {
            pos = guiTreeViewPos{this, static_cast<int>(i) + 1};
            return hitRow(item, p, part) ? 1 : -1;
        }
        if (item.m_child)
            if (const int found = item.m_child->hit(p, pos, part))
                return found;
    }
    return 0;
}

bool guiTreeViewLevel::hitRow(guiTreeViewItem& item, const CPoint& p, guiTreeHit& part)
{
    if (item.type == guiNodeType_Sep || item.type == guiNodeType_Text || !item.enabled || p.x < m_placed.left)
        return false;
    const int rowLeft = m_placed.left + m_indent;
    if (p.x < rowLeft) {
        const int left = m_placed.left + (m_indent - kButton) / 2;
        const int top = item.top + (item.height - kButton) / 2;
        part = guiTreeHit_Expand;
        return item.hasExpandButton && inside(p.x, left, left + kButton) && inside(p.y, top, top + kButton);
    }
    const CSize icon = item.Aspects().GetSzIcon();
    const int helpLeft = m_placed.right - icon.cx - kHelpGap;
    if (item.hasHelpIcon && p.x >= helpLeft) {
        const int top = item.top + (item.height - icon.cy) / 2;
        const bool onIcon = inside(p.x, helpLeft, helpLeft + icon.cx) && inside(p.y, top, top + icon.cy);
        part = onIcon ? guiTreeHit_Help : guiTreeHit_Item;
        return true;
    }
    if (item.hasCheckButton && p.x - rowLeft < kCheckColumn) {
        const int top = item.top + (item.height - kCheckHeight) / 2;
        part = guiTreeHit_Check;
        return inside(p.x - rowLeft, 3, 17) && inside(p.y, top, top + kCheckHeight);
    }
    part = guiTreeHit_Item;
    return true;
}

bool guiTreeViewDraw::hitTest(const CPoint& point, guiTreeViewPos& pos, guiTreeHit& part)
{
    const CPoint p(point.x + m_offset.x - m_treeRect.left, point.y + m_offset.y - m_treeRect.top - 1);
    if (m_content.cx < 0 || !inside(p.x, 0, m_content.cx) || !inside(p.y, 0, m_content.cy))
        return false;
    return m_root.hit(p, pos, part) > 0;
}

// ---------------------------------------------------------------------------------------------
// Mouse input.

void guiTreeViewDraw::OnMouseMove(const CPoint& point, UINT)
{
    guiTreeDrawLife::Entry entry(*m_life);
    if (m_life->IsDestroyPending())
        return;
    guiTreeViewPos pos;
    guiTreeHit part = guiTreeHit_Item;
    if (!hitTest(point, pos, part)) {
        m_pEvents->onMouseMove(this, nullptr, guiTreeHit_Item, m_root.AspectEngine());
        return;
    }
    const guiTreeNodeRef node(pos.level->Item(pos.index).Node());
    if (part == guiTreeHit_Help)
        setHelpOver(pos.level, pos.index);
    else
        setOver(pos.level, pos.index);
    if (m_life->IsDestroyPending())
        return;
    // The row may have gone with a relayout reached from the events.
    const int index = pos.level->IndexOf(node.Get());
    guiTreeAspectEngine& aspects = index > 0 ? pos.level->Item(index).Aspects() : pos.level->AspectEngine();
    m_pEvents->onMouseMove(this, node.Get(), guiTreeHit_Item, aspects);
}

void guiTreeViewDraw::OnLButtonUp(const CPoint& point, UINT flags)
{
    guiTreeDrawLife::Entry entry(*m_life);
    guiTreeViewPos pos;
    guiTreeHit part = guiTreeHit_Item;
    if (m_life->IsDestroyPending() || !hitTest(point, pos, part))
        return;
    const bool act = (flags & guiTreeMouseLeft) != 0;
    switch (part) {
    case guiTreeHit_Expand:
        if (act) {
            guiTreeViewLevel* child = pos.level->Item(pos.index).ChildLevel();
            if (child && child->IsExpanded())
                collapseItem(pos.level, pos.index, false);
            else
                expandItem(pos.level, pos.index, false);
        }
        break;
    case guiTreeHit_Check:
        if (act)
            toggleCheck(pos.level, pos.index);
        break;
    default: {
        const bool help = part == guiTreeHit_Help;
        if (help)
            helpSelect(pos.level, pos.index, 1);
        else
            select(pos.level, pos.index, 0, 0, 1);
        if (act && !m_life->IsDestroyPending())
            activateClick(pos.level, pos.index, help);
    }
    }
}

void guiTreeViewDraw::OnLButtonDblClk(const CPoint& point, UINT flags)
{
    guiTreeDrawLife::Entry entry(*m_life);
    guiTreeViewPos pos;
    guiTreeHit part = guiTreeHit_Item;
    if (m_life->IsDestroyPending() || !hitTest(point, pos, part))
        return;
    if (part != guiTreeHit_Item && part != guiTreeHit_Help)
        return;
    const bool help = part == guiTreeHit_Help;
    if (help)
        helpSelect(pos.level, pos.index, 1);
    else
        select(pos.level, pos.index, 0, 0, 1);
    if ((flags & guiTreeMouseLeft) && !m_life->IsDestroyPending())
        activateDClick(pos.level, pos.index, help);
}

bool guiTreeViewDraw::OnContextMenu(const CPoint& point)
{
    guiTreeDrawLife::Entry entry(*m_life);
    guiTreeViewPos pos;
    guiTreeHit part = guiTreeHit_Item;
    if (m_life->IsDestroyPending() || !hitTest(point, pos, part))
        return false;
    const bool help = part == guiTreeHit_Help;
    if (help)
        helpSelect(pos.level, pos.index, 1);
    else
        select(pos.level, pos.index, 0, 0, 1);
    if (!m_life->IsDestroyPending())
        contextMenu(pos.level, pos.index, help);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Item operations.

namespace {

// The item at index of level when it still shows node (a handler may have changed the tree).
guiTreeViewItem* itemOf(guiTreeViewLevel* level, int index, IguiTreeNode* node = nullptr)
{
    if (!level || index < 1 || index > level->ItemCount())
        return nullptr;
    guiTreeViewItem& item = level->Item(index);
    return node && item.Node() != node ? nullptr : &item;
}

bool isCheckType(const guiTreeViewItem& item)
{
    return item.type == guiNodeType_Check || item.type == guiNodeType_Radio;
}

} // namespace

bool guiTreeViewDraw::expandItem(guiTreeViewLevel* level, int index, bool recursive)
{
    guiTreeViewItem* item = itemOf(level, index);
    guiTreeViewLevel* child = item ? item->ChildLevel() : nullptr;
    if (!child || (child->IsExpanded() && !recursive))
        return false;
    child->request(recursive ? guiTreeViewLevel::kExpandAll : guiTreeViewLevel::kExpand);
    return true;
}

bool guiTreeViewDraw::collapseItem(guiTreeViewLevel* level, int index, bool recursive)
{
    guiTreeViewItem* item = itemOf(level, index);
    guiTreeViewLevel* child = item ? item->ChildLevel() : nullptr;
    if (!child || (!child->IsExpanded() && !recursive))
        return false;
    child->request(recursive ? guiTreeViewLevel::kCollapseAll : guiTreeViewLevel::kCollapse);
    return true;
}

// Reported first; when nobody takes it, a click checks or opens the item. A single click toggles
// in check mode auto, a double click in any mode but manual.
bool guiTreeViewDraw::activate(guiTreeViewLevel* level, int index, bool help, bool doubleClick)
{
    guiTreeViewItem* item = itemOf(level, index);
    if (!item || !item->Node())
        return false;
    const guiTreeNodeRef node(item->Node());
    const bool handled = doubleClick
        ? itemEvent(level, node.Get(), help, &IguiTreeNode::onDClick, &sIguiTreeItemEvents::onItemDClicked)
        : itemEvent(level, node.Get(), help, &IguiTreeNode::onClick, &sIguiTreeItemEvents::onItemClicked);
    if (handled)
        return true;
    item = itemOf(level, index, node.Get());
    if (!item || m_life->IsDestroyPending())
        return false;
    if (guiTreeViewLevel* child = item->ChildLevel())
        return child->IsExpanded() ? collapseItem(level, index, false) : expandItem(level, index, false);
    if (!m_bCheckBoxes && !isCheckType(*item))
        return false;
    const guiNodeCheckMode mode = m_bCheckBoxes ? m_checkMode : item->checkMode;
    const bool toggles = doubleClick ? mode != guiNodeCheck_Manual : mode == guiNodeCheck_Auto;
    return toggles && toggleCheck(level, index);
}

bool guiTreeViewDraw::activateClick(guiTreeViewLevel* level, int index, bool help)
{
    return activate(level, index, help, false);
}

bool guiTreeViewDraw::activateDClick(guiTreeViewLevel* level, int index, bool help)
{
    return activate(level, index, help, true);
}

bool guiTreeViewDraw::contextMenu(guiTreeViewLevel* level, int index, bool help)
{
    guiTreeViewItem* item = itemOf(level, index);
    if (!item || !item->Node())
        return false;
    return itemEvent(level, item->Node(), help, &IguiTreeNode::onContextMenu, &sIguiTreeItemEvents::onItemContextMenu);
}

bool guiTreeViewDraw::toggleCheck(guiTreeViewLevel* level, int index)
{
    guiTreeViewItem* item = itemOf(level, index);
    if (!item || !item->Node())
        return false;
    const guiTreeNodeRef node(item->Node());
    if (m_bCheckBoxes && m_checkMode != guiNodeCheck_Manual) {
        // The engine keeps the state; the host may change the offered one.
        bool state = !item->engineChecked;
        m_pEvents->onItemChecked(false, this, node.Get(), &state, true, false);
        item = itemOf(level, index, node.Get());
        if (item && state != item->engineChecked) {
            item->engineChecked = state;
            repaintRow(level, index);
        }
        return true;
    }
    if (m_bCheckBoxes || !isCheckType(*item) || item->checkMode == guiNodeCheck_Manual)
        return activateClick(level, index, false);
    const bool was = node->IsChecked();
    bool state = !was;
    bool handled = false;
    // A failing handler is shown; the state still changes.
    auto ask = [&](IguiTreeNode* handler) {
        try {
            handled = handler->onCheck(node.Get(), &state);
        } catch (...) {
            vbImpl::reportCurrent(true, "guiTreeViewMouse", __LINE__);
        }
    };
    ask(node.Get());
    for (guiTreeViewLevel* l = level; !handled && l && !m_life->IsDestroyPending(); l = l->Parent())
        if (const guiTreeNodeRef owner(l->GetNode()); owner)
            ask(owner.Get());
    if (!m_life->IsDestroyPending())
        m_pEvents->onItemChecked(false, this, node.Get(), &state, false, handled);
    node->SetChecked(state);
    return node->IsChecked() != was;
}
