#pragma once

// A download pointer to a tree node. The node it makes for its URL is handed to the pointer's
// owner of the tree (strongly or weakly held), so a node loaded from a URL joins the owner's events
// and URL roots from the start. Nodes are never taken from the download centre's object cache:
// each pointer loads its own.

#include "guiExport.h"
#include "guiTreeNode.h"

#include "vbDnObject.h"

class GUIAPI guiTreePtr : public vbDnPtr<guiTreeNode, &CLSID_guiTreeNode> {
    using Base = vbDnPtr<guiTreeNode, &CLSID_guiTreeNode>;

public:
    explicit guiTreePtr(IguiTreeNodeContainer* owner = nullptr, bool strong = false);
    // A copy names the other's node and URL but has no owner; with a URL and no node it asks for
    // the load at once (priority 1).
    guiTreePtr(const guiTreePtr& o);
    guiTreePtr& operator=(const guiTreePtr& o);

    // Names url and, unless the pointer holds its node already, asks the centre to make and load
    // it (priority 3).
    void Load(const vbString& url);

    // The node for the pointer's URL, given to the owner.
    IvbDnObject* CreateObject() override;
    bool IsCacheable() const override;

private:
    guiTreeContainerRef m_owner;
    bool m_bStrong;
};
