// How the tree view reports what happens to an item: to the item's node, then to the node of each
// level up to the root until one takes it, and finally to the host with whether it was taken.

#include "guiTreeViewDraw.h"

bool guiTreeViewDraw::itemEvent(guiTreeViewLevel* level, IguiTreeNode* node, bool help, NodeEvent onNode,
    HostEvent onHost)
{
    const guiTreeNodeRef hold(node);
    bool handled = false;
    if (!level) {
        // No item: the root hears it, with no node.
        const guiTreeNodeRef root(m_root.GetNode());
        handled = root && (root.Get()->*onNode)(nullptr, help);
    } else {
        handled = node && (node->*onNode)(node, help);
        for (guiTreeViewLevel* l = level; !handled && l; l = l->Parent()) {
            const guiTreeNodeRef owner(l->GetNode());
            handled = owner && (owner.Get()->*onNode)(node, help);
        }
    }
    if (IsDestroyPending())
        return handled;
    return (m_pEvents->*onHost)(false, this, node, help, handled) || handled;
}

bool guiTreeViewDraw::itemNotice(guiTreeViewLevel* level, IguiTreeNode* node, NodeNotice onNode, HostNotice onHost)
{
    const guiTreeNodeRef hold(node);
    bool handled = node && (node->*onNode)(node);
    for (guiTreeViewLevel* l = level; !handled && l; l = l->Parent()) {
        const guiTreeNodeRef owner(l->GetNode());
        handled = owner && (owner.Get()->*onNode)(node);
    }
    if (IsDestroyPending())
        return handled;
    return (m_pEvents->*onHost)(false, this, node, handled) || handled;
}

void guiTreeViewDraw::levelExpanded(guiTreeViewLevel* level)
{
    if (level->m_bExpandSent || !level->GetNode())
        return;
    level->m_bExpandSent = true;
    itemNotice(level->Parent(), level->GetNode(), &IguiTreeNode::onExpand, &sIguiTreeItemEvents::onItemExpanded);
}

void guiTreeViewDraw::levelCollapsed(guiTreeViewLevel* level)
{
    if (!level->m_bExpandSent || !level->GetNode())
        return;
    level->m_bExpandSent = false;
    itemNotice(level->Parent(), level->GetNode(), &IguiTreeNode::onCollapse, &sIguiTreeItemEvents::onItemCollapsed);
}
