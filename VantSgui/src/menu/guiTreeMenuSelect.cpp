// The menu engine's selected and over positions and their reports to the nodes and the host.

#include "menu/guiTreeMenuDraw.h"
#include "menu/guiTreeMenuItem.h"
#include "menu/guiTreeMenuPopup.h"

#include <cstdlib>

bool guiTreeMenuDraw::itemEvent(IguiTreeNode* node, bool help, NodeEvent onNode, HostEvent onHost)
{
    const guiTreeNodeRef hold(node);
    // The item's node first; the root (with the item's node) when there is none or it declined.
    bool handled = node && (node->*onNode)(node, help);
    guiTreeNodeRef root;
    if (!handled && m_root.Get(&root))
        handled = (root.Get()->*onNode)(node, help);
    return (m_events->*onHost)(false, this, node, help, handled);
}

IguiTreeNode* guiTreeMenuDraw::nodeAt(int pos) const
{
    const Item* item = itemAt(std::abs(pos));
    return item ? item->node.Get() : nullptr;
}

void guiTreeMenuDraw::reportSelect(int pos)
{
    itemEvent(nodeAt(pos), pos < 0, &IguiTreeNode::onSelect, &sIguiTreeItemEvents::onItemSelected);
}

void guiTreeMenuDraw::reportOver(int pos)
{
    itemEvent(nodeAt(pos), pos < 0, &IguiTreeNode::onOver, &sIguiTreeItemEvents::onItemOver);
}

bool guiTreeMenuDraw::select(int pos, int matchStart, int matchLength)
{
    if (std::abs(pos) > GetItemCount())
        return false;
    if (pos == m_sel && matchStart == m_matchStart && matchLength == m_matchLength)
        return false;
    m_events->cancelScrollSelect();
    if (m_sel != 0 && std::abs(m_sel) != std::abs(pos))
        invalidateItem(std::abs(m_sel));
    m_sel = pos;
    if (pos != 0)
        scrollIntoView(std::abs(pos), pos < 0, true);
    reportSelect(pos);
    guiTreeNodeRef root;
    if (m_root.Get(&root))
        root->MemorizeSelected(pos);
    m_matchStart = matchStart;
    m_matchLength = matchLength;
    return true;
}

bool guiTreeMenuDraw::setOver(int pos)
{
    if (m_mouseTrack == guiMouseTrack_Select)
        return select(pos, 0, 0);
    if (m_mouseTrack != guiMouseTrack_Over || std::abs(pos) > GetItemCount() || pos == m_over)
        return false;
    m_events->cancelScrollSelect();
    if (m_over != 0 && std::abs(m_over) != std::abs(pos))
        invalidateItem(std::abs(m_over));
    m_over = pos;
    if (pos != 0)
        scrollIntoView(std::abs(pos), pos < 0, true);
    reportOver(pos);
    return true;
}

void guiTreeMenuDraw::ClearSelection() { select(0, 0, 0); }

void guiTreeMenuDraw::CancelSelection() { select(0, 0, 0); }

bool guiTreeMenuDraw::HasSelection() { return m_sel != 0 && !m_treeRect.IsRectEmpty(); }

void guiTreeMenuDraw::ClearOver()
{
    if (m_mouseTrack == guiMouseTrack_Over)
        setOver(0);
}

bool guiTreeMenuDraw::SelectFirst()
{
    if (m_items.empty())
        return false;
    select(1, 0, 0);
    return true;
}

bool guiTreeMenuDraw::GetSelected(guiTreeNodeRef* out, bool* helpPart)
{
    if (sIguiTreeDraw* sub = popupDraw(); sub && sub->HasSelection() && sub->GetSelected(out, helpPart))
        return true;
    const Item* item = itemAt(std::abs(m_sel));
    if (!item || item->node->IsInDestruction())
        return false;
    if (out)
        *out = item->node.Get();
    if (helpPart)
        *helpPart = m_sel < 0;
    return true;
}
