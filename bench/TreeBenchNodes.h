#pragma once

// What the tree benchmarks share: the engines in use and fresh named nodes.

#include "guiTreeNode.h"

#include "vbEngine.h"

#include <string>

inline vbUseEngineCenter& treeEngines()
{
    static vbUseEngineCenter use(&g_vbEngineCenter);
    return use;
}

inline guiTreeNodePtr benchNode(const std::string& name)
{
    auto* n = new guiTreeNode();
    guiTreeNodePtr held(n);
    n->Release();
    n->Create();
    n->SetName(name.c_str());
    return held;
}

inline IguiTreeNode* benchFace(const guiTreeNodePtr& n) { return static_cast<IguiTreeNode*>(n.Get()); }
