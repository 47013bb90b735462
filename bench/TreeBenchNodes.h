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

// prefix followed by n, built by appending (GCC 12 misreads "literal" + std::string as overlapping).
inline std::string numbered(const char* prefix, int n)
{
    std::string s(prefix);
    s += std::to_string(n);
    return s;
}

// A node with a text, visible and loaded as a loaded document leaves it.
inline guiTreeNodePtr shown(const std::string& text)
{
    guiTreeNodePtr n = benchNode(text);
    n->SetText(text.c_str());
    n->SetVisible(true);
    n->SetLoaded(true, false);
    return n;
}
