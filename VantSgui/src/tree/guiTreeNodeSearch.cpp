// The walks over the node graph: search, positions, paths and the look-ups that climb to the
// owner of the tree. A node may have several parents and may even be its own ancestor, so every
// recursive walk carries the nodes of its current path and never enters one twice.

#include "guiTreeNode.h"
#include "tree/guiTreeNodeCopy.h"

#include "plat/resource.h"

#include <algorithm>

namespace {

// Writes self at level (dropping what a deeper, abandoned branch left there) unless it is already
// on the path above.
template <class E, class N>
bool enterPath(vbArray<E>& path, int level, N* self)
{
    const int above = std::min(level - 1, path.GetLength());
    for (int i = 1; i <= above; ++i) {
        if (path[i] == self)
            return false;
    }
    if (level <= path.GetLength())
        path[level] = self;
    else
        path.Add(self);
    return true;
}

bool sameName(const vbString& a, const vbString& b) { return a.CompareNoCase(b) == 0; }

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

[[noreturn]] void throwPos(const char* text) { vbImpl::throwSys(E_FAIL, "guiTreeNode::GetPos() : %s", text); }

} // namespace

bool guiTreeNode::checkRec(int level, vbArray<IguiTreeNode*>& path) const
{
    return enterPath(path, level, static_cast<IguiTreeNode*>(const_cast<guiTreeNode*>(this)));
}

bool guiTreeNode::checkRec(int level, vbArray<guiTreeNodePtr>& path) { return enterPath(path, level, this); }

// --- search ---

int guiTreeNode::Find(int level, vbArray<IguiTreeNode*>& path, IguiTreeNode* node, guiTreeNodePtr* parent)
{
    if (!checkRec(level, path))
        return 0;
    guiTreeNodeRef child;
    for (int i = 1; GetChild(i, &child); ++i) {
        if (child.Get() == node) {
            if (parent)
                *parent = this;
            return i;
        }
    }
    if (!parent)
        return 0;
    guiTreeNodePtr typed;
    for (int i = 1; GetChild(i, &typed); ++i) {
        if (typed.IsNull())
            continue;
        if (int pos = typed->Find(level + 1, path, node, parent))
            return pos;
    }
    return 0;
}

int guiTreeNode::Find(int level, vbArray<IguiTreeNode*>& path, const vbString& name, guiTreeNodePtr* parent)
{
    if (!HasChildren() || !checkRec(level, path))
        return 0;
    guiTreeNodeRef child;
    for (int i = 1; GetChild(i, &child); ++i) {
        if (!child.IsNull() && sameName(guiTreeNodeCopy(child.Get(), &IguiTreeNode::GetName), name)) {
            if (parent)
                *parent = this;
            return i;
        }
    }
    if (!parent)
        return 0;
    guiTreeNodePtr typed;
    for (int i = 1; GetChild(i, &typed); ++i) {
        if (typed.IsNull())
            continue;
        if (int pos = typed->Find(level + 1, path, name, parent))
            return pos;
    }
    return 0;
}

// --- positions ---

int guiTreeNode::GetPos(guiTreeNodePtr* parent, const vbVariant& pos, guiNodeRelation rel, bool endAsMinusOne)
{
    int n = 0;
    if (pos.IsNull()) {
        if (rel == guiNodeRel_FirstChild)
            return 1;
        if (rel == guiNodeRel_ChildrenEnd)
            return endAsMinusOne ? -1 : GetChildCount();
        if (!parent)
            throwPos("bad position or relation argument");
        guiTreeNodePtr first;
        if (!GetParent(1, &first))
            throwPos("specified relation require a parent for this node, and node is root !");
        *parent = first;
        n = first->positionOf(this);
    } else if (pos.IsNum()) {
        n = pos.GetAsLong();
    } else if (pos.IsInterface()) {
        vbRefQIPtr<IguiTreeNode, &IID_IguiTreeNode> node(pos.GetAsUnknown(), false);
        vbArray<IguiTreeNode*> path;
        n = node.IsNull() ? 0 : Find(1, path, node.Get(), parent);
        if (n == 0)
            throwPos("can't find item by pointer");
    } else {
        const vbString text = pos.GetAsString();
        vbArray<IguiTreeNode*> path;
        n = Find(1, path, text, parent);
        if (n == 0)
            vbImpl::throwSys(E_FAIL, "guiTreeNode::GetPos() : can't find '%s'", text.c_str());
    }
    switch (rel) {
    case guiNodeRel_After:
        return n + 1;
    case guiNodeRel_ParentEnd:
        if (endAsMinusOne)
            return -1;
        return parent && !parent->IsNull() ? (*parent)->GetChildCount() : GetChildCount();
    case guiNodeRel_ChildrenEnd:
    case guiNodeRel_FirstChild: {
        if (!parent)
            throwPos("bad arguments (no parent pointer for child relation)");
        guiTreeNodePtr child;
        if (parent->IsNull() || !(*parent)->GetChild(n, &child) || child.IsNull())
            throwPos("bad node index");
        *parent = child;
        if (rel == guiNodeRel_FirstChild)
            return 1;
        return endAsMinusOne ? -1 : child->GetChildCount();
    }
    default:
        return n;
    }
}

// --- paths ---

int guiTreeNode::getTreePathToRoot(int level, vbArray<guiTreeNodePtr>& path)
{
    if (!checkRec(level, path))
        return -1;
    guiTreeNodePtr parent;
    if (!GetParent(1, &parent))
        return level;
    for (int i = 1; GetParent(i, &parent); ++i) {
        int top = parent->getTreePathToRoot(level + 1, path);
        if (top > 0)
            return top;
    }
    return -1;
}

vbString guiTreeNode::GetPath() const
{
    vbArray<guiTreeNodePtr> chain;
    const int top = const_cast<guiTreeNode*>(this)->getTreePathToRoot(1, chain);
    if (top < 1)
        vbImpl::throwSys(E_FAIL, "guiTreeNode::GetPath() : unable to find path to root");
    vbString text;
    char separator = '\\';
    for (int i = top; i >= 1; --i) {
        const guiTreeNodePtr& node = chain[i];
        if (!text.IsEmpty())
            text += separator;
        text += guiTreeNodeCopy(node.Get(), &IguiTreeNode::GetName);
        if (char own = node->GetPathChar())
            separator = own;
    }
    return text;
}

namespace {

// Drops the separators (either of two) at the front of rest: empty components are skipped.
void skipSeparators(vbString& rest, char separator, char other)
{
    int n = 0;
    while (n < rest.GetLength() && (rest[n + 1] == separator || rest[n + 1] == other))
        ++n;
    if (n > 0)
        rest = rest.Mid(n + 1);
}

// The length of name when rest begins with it (ASCII case folded) followed by either separator
// or by nothing; else -1.
int nameAtFront(const vbString& rest, const vbString& name, char separator, char other)
{
    const int length = name.GetLength();
    if (length > rest.GetLength())
        return -1;
    const char* a = rest.c_str();
    const char* b = name.c_str();
    for (int i = 0; i < length; ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return -1;
    }
    if (length < rest.GetLength() && a[length] != separator && a[length] != other)
        return -1;
    return length;
}

// Drops name from the front of rest when it stands there as nameAtFront says.
bool takeName(vbString& rest, const vbString& name, char separator, char other)
{
    const int length = nameAtFront(rest, name, separator, other);
    if (length < 0)
        return false;
    rest = rest.Mid(length + 1);
    return true;
}

} // namespace

// GetPath writes each name followed by its own node's separator (its path character, else the one
// in force above it). A child's name is therefore taken when the separator in force or the
// child's own follows it, so that the path of a node below one with a path character of its own
// finds that node again.
bool guiTreeNode::GetPathChild(const vbString& path, guiTreeNodeRef* out, int separator, int level)
{
    const char own = GetPathChar();
    const char sep = own ? own : static_cast<char>(separator);
    vbString rest = path;
    skipSeparators(rest, sep, sep);
    if (level == 0) {
        const vbString name = guiTreeNodeCopy(this, &IguiTreeNode::GetName);
        while (!rest.IsEmpty() && takeName(rest, name, sep, sep))
            skipSeparators(rest, sep, sep);
    }
    if (rest.IsEmpty()) {
        *out = static_cast<IguiTreeNode*>(this);
        return true;
    }
    guiTreeNodeRef child;
    for (int i = 1; GetChild(i, &child); ++i) {
        if (child.IsNull())
            continue;
        const char childOwn = child->GetPathChar();
        const char childSep = childOwn ? childOwn : sep;
        const int length = nameAtFront(rest, guiTreeNodeCopy(child.Get(), &IguiTreeNode::GetName), childSep, sep);
        if (length < 0)
            continue;
        vbString below = rest.Mid(length + 1);
        skipSeparators(below, childSep, sep);
        if (below.IsEmpty()) {
            *out = child;
            return true;
        }
        return child->GetPathChild(below, out, sep, level + 1);
    }
    return false;
}

// --- the owner's look-ups ---

vbString guiTreeNode::GetUrlRootForProtocol(const vbString& protocol)
{
    vbArray<IguiTreeNode*> path;
    return getUrlRootForProtocoleRec(1, path, protocol);
}

vbString guiTreeNode::getUrlRootForProtocoleRec(int level, vbArray<IguiTreeNode*>& path, const vbString& protocol)
{
    if (!checkRec(level, path))
        return vbString();
    guiTreeContainerRef hold;
    if (IguiTreeNodeContainer* container = takeContainer(&hold)) {
        vbString root = container->GetUrlRootForProtocol(protocol);
        if (!root.IsEmpty())
            return root;
    }
    guiTreeNodePtr parent;
    for (int i = 1; GetParent(i, &parent); ++i) {
        vbString root = parent->getUrlRootForProtocoleRec(level + 1, path, protocol);
        if (!root.IsEmpty())
            return root;
    }
    return vbString();
}

bool guiTreeNode::LoadFromRes(vbDnData* data, const char* name, const char* type, HINSTANCE module)
{
    // Only a named resource of no given type and module is the tree owner's; the rest is the
    // download centre's own resource loading.
    if (!name || IS_INTRESOURCE(name) || type || module)
        return false;
    vbArray<IguiTreeNode*> path;
    return loadFromResRec(1, path, data, this, name);
}

bool guiTreeNode::loadFromResRec(int level, vbArray<IguiTreeNode*>& path, vbDnData* data, guiTreeNode* loading,
    const char* name)
{
    if (!checkRec(level, path))
        return false;
    guiTreeContainerRef hold;
    if (IguiTreeNodeContainer* container = takeContainer(&hold)) {
        if (container->LoadNodeFromRes(data, loading, name))
            return true;
    }
    guiTreeNodePtr parent;
    for (int i = 1; GetParent(i, &parent); ++i) {
        if (parent->loadFromResRec(level + 1, path, data, loading, name))
            return true;
    }
    return false;
}
