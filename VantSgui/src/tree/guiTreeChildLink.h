#pragma once

// The entry of a parent's children array: an attached counted pointer on the child, through
// which the child knows its parents (it answers the node class id with the parent) and through
// which the child's signals reach the parent.

#include "guiTreeNode.h"

class guiTreeChildLink final : public vbPtr<IguiTreeNode, &IID_IguiTreeNode> {
public:
    // Attaches to child; a refusal (a child in destruction) throws.
    guiTreeChildLink(guiTreeNode* parent, IguiTreeNode* child);

    bool GetInterface(const GUID& iid, void** ppv) override;
    // 0, -1 and 4 become 2 on the parent, 3 becomes 1; a child in destruction leaves the parent.
    void onSignal(int signal) override;

    IguiTreeNode* GetChild() const { return Get(); }

private:
    guiTreeNode* m_pParent;
};
