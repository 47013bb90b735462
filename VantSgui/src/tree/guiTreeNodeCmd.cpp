// Commands from a node to the views that show it. A view attaches a per-node face to each node it
// shows; a command for a node also reaches the views of its ancestors (a menu shows an item
// without having opened it), each view once, with the path from the node up to the view's own
// level. The views only queue the command under their own lock (a leaf lock), which is why the
// faces are called while this node's lock is held: the attached pointers cannot go meanwhile.

#include "guiTreeDraw.h"
#include "guiTreeNode.h"

#include <algorithm>

template <class F>
bool guiTreeNode::sendToViews(F f) const
{
    NodeLock lock(this);
    const std::vector<void*> faces = attachedFaces(IID_sIguiTreeNodeDraw);
    for (void* pv : faces)
        f(static_cast<sIguiTreeNodeDraw*>(pv));
    return !faces.empty();
}

template <class F>
bool guiTreeNode::askViews(F f) const
{
    NodeLock lock(this);
    const std::vector<void*> faces = attachedFaces(IID_sIguiTreeNodeDraw);
    return std::any_of(faces.begin(), faces.end(), [&](void* pv) { return f(static_cast<sIguiTreeNodeDraw*>(pv)); });
}

template <class F>
bool guiTreeNode::sendToParents(F f) const
{
    bool any = false;
    guiTreeNodePtr parent;
    for (int i = 1; GetParent(i, &parent); ++i) {
        if (f(parent.Get()))
            any = true;
    }
    return any;
}

template <class F>
bool guiTreeNode::askParents(F f) const
{
    guiTreeNodePtr parent;
    for (int i = 1; GetParent(i, &parent); ++i) {
        if (f(parent.Get()))
            return true;
    }
    return false;
}

bool guiTreeNode::cmdRec(guiTree_Cmd cmd, int level, vbArray<IguiTreeNode*>& path, vbArray<sIguiTreeDraw*>& views)
{
    if (!checkRec(level, path))
        return false;
    bool reached = false;
    {
        NodeLock lock(this);
        for (void* pv : attachedFaces(IID_sIguiTreeNodeDraw)) {
            auto* face = static_cast<sIguiTreeNodeDraw*>(pv);
            sIguiTreeDraw* view = face->GetDraw();
            sIguiTreeDraw* const* first = views.GetData();
            if (std::find(first, first + views.GetLength(), view) != first + views.GetLength())
                continue;
            reached = true;
            if (face->PostCmdNodes(cmd, path.GetData(), level - 1))
                views.Add(view);
        }
    }
    guiTreeNodePtr parent;
    for (int i = 1; GetParent(i, &parent); ++i) {
        if (parent->cmdRec(cmd, level + 1, path, views))
            reached = true;
    }
    return reached;
}

bool guiTreeNode::commandAll(guiTree_Cmd cmd)
{
    vbArray<IguiTreeNode*> path;
    vbArray<sIguiTreeDraw*> views;
    return cmdRec(cmd, 1, path, views);
}

bool guiTreeNode::Select() { return commandAll(guiTreeCmd_Select); }

bool guiTreeNode::MouseOver() { return commandAll(guiTreeCmd_Over); }

bool guiTreeNode::Expand() { return commandAll(guiTreeCmd_Expand); }

bool guiTreeNode::Unselect()
{
    return sendToParents([this](guiTreeNode* parent) { return parent->Unselect(static_cast<IguiTreeNode*>(this)); });
}

bool guiTreeNode::UnMouseOver()
{
    return sendToParents(
        [this](guiTreeNode* parent) { return parent->UnMouseOver(static_cast<IguiTreeNode*>(this)); });
}

bool guiTreeNode::Unselect(IguiTreeNode* child)
{
    return sendToViews([child](sIguiTreeNodeDraw* face) { face->PostCmdNodes(guiTreeCmd_Unselect, &child, 1); });
}

bool guiTreeNode::UnMouseOver(IguiTreeNode* child)
{
    return sendToViews([child](sIguiTreeNodeDraw* face) { face->PostCmdNodes(guiTreeCmd_EndOver, &child, 1); });
}

bool guiTreeNode::Collapse()
{
    return sendToViews([](sIguiTreeNodeDraw* face) { face->PostCmdNodes(guiTreeCmd_Collapse, nullptr, 0); });
}

bool guiTreeNode::IsSelected(IguiTreeNode* child) const
{
    return askViews([child](sIguiTreeNodeDraw* face) { return face->IsSelected(child); });
}

bool guiTreeNode::IsMouseOver(IguiTreeNode* child) const
{
    return askViews([child](sIguiTreeNodeDraw* face) { return face->IsOver(child); });
}

bool guiTreeNode::IsSelected() const
{
    auto* self = static_cast<IguiTreeNode*>(const_cast<guiTreeNode*>(this));
    return askParents([self](guiTreeNode* parent) { return parent->IsSelected(self); });
}

bool guiTreeNode::IsMouseOver() const
{
    auto* self = static_cast<IguiTreeNode*>(const_cast<guiTreeNode*>(this));
    return askParents([self](guiTreeNode* parent) { return parent->IsMouseOver(self); });
}

bool guiTreeNode::IsExpanded() const
{
    return askViews([](sIguiTreeNodeDraw* face) { return face->IsExpanded(); });
}
