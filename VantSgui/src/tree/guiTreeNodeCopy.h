#pragma once

// A node hands out its texts by reference to its own fields, and download worker threads
// replace them while the views lay out and paint: a reference kept past the node's lock may
// point at a freed string. Readers on the GUI thread take a copy while holding the node's lock.

#include "guiTreeNode.h"

inline vbString guiTreeNodeCopy(const IguiTreeNode* node, const vbString& (IguiTreeNode::*get)() const)
{
    vbPtrLock lock(node);
    return (node->*get)();
}

inline vbString guiTreeNodeHint(const IguiTreeNode* node, guiTreeHit hit)
{
    vbPtrLock lock(node);
    return node->GetHint(hit);
}
