#pragma once

// Fresh tree nodes for the tree fuzz targets: created, named, held by one reference.

#include "guiTreeNode.h"

inline guiTreeNodePtr fuzzNode(const char* name, const char* text = "")
{
    auto* n = new guiTreeNode();
    guiTreeNodePtr held(n);
    n->Release();
    n->Create();
    n->SetName(name);
    n->SetText(text);
    return held;
}

inline IguiTreeNode* fuzzFace(const guiTreeNodePtr& n) { return static_cast<IguiTreeNode*>(n.Get()); }

inline void fuzzLink(const guiTreeNodePtr& parent, const guiTreeNodePtr& child)
{
    parent->AddChild(fuzzFace(child), 0);
}
