#pragma once

// A tree-view level's (or the engine's) link to a style record: keeps it alive and hears its
// signals.

#include "guiTreeNode.h"

#include "vbPtr.h"

class guiTreeViewAspectLink final : public vbObsRefPtr<IguiTreeAspect, &IID_IguiTreeAspect> {
public:
    explicit guiTreeViewAspectLink(sIvbPtrCb* notices) { SetCallback(notices); }
    void Set(IguiTreeAspect* aspect) { attach(aspect, false); }
    IguiTreeAspect* Peek() const { return static_cast<IguiTreeAspect*>(m_pObs); }
};
