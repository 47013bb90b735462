#include "tree/guiTreeChildLink.h"

guiTreeChildLink::guiTreeChildLink(guiTreeNode* parent, IguiTreeNode* child) : m_pParent(parent)
{
    if (!child)
        vbImpl::throwSys(E_INVALIDARG, "guiTreeChildLink() : no child node");
    vbPtr::operator=(child);
}

bool guiTreeChildLink::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == CLSID_guiTreeNode) {
        *ppv = m_pParent;
        return true;
    }
    if (iid == IID_IguiTreeNode) {
        *ppv = static_cast<IguiTreeNode*>(m_pParent);
        return true;
    }
    return vbPtr::GetInterface(iid, ppv);
}

void guiTreeChildLink::onSignal(int signal)
{
    guiTreeNode* parent = m_pParent;
    IguiTreeNode* child = GetChild();
    switch (signal) {
    case 0:
    case -1:
    case 4:
        parent->SignalPtr(2);
        break;
    case 3:
        parent->SignalPtr(1);
        break;
    default:
        break;
    }
    // A failed load signals -1 too; only a child that is going away leaves its parents. Exactly
    // this link goes (the child's signal loop has already stepped past it, not past the others);
    // the removal destroys it: nothing of it is used afterwards.
    if (signal == -1 && child && child->IsInDestruction() && !parent->IsInDestruction())
        parent->removeLink(this);
}
