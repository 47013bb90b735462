#pragma once

// The project tree written to the registry soon after it changed, besides the save when the main
// window goes: a crash or a kill loses at most the last second of work. The main window ticks it
// once a second on its own thread; changes that the nodes' change counters do not show (a node
// deleted or renamed, a change pass ended) are told from any thread.

#include "picNode.h"

class guiTreeNode;

class picTreeAutoSave {
public:
    static constexpr UINT kPeriodMs = 1000;

    void MarkChanged();
    // treeRoot: the tree control's root. idle: nothing is being built or walked now. Saves when
    // the projects list has loaded and the tree changed since the last save or since the load;
    // a failed save is traced and tried again at the next tick.
    void Tick(guiTreeNode* treeRoot, bool idle);

private:
    CCriticalSection m_lock;
    bool m_changed = false;
    bool m_loaded = false;
    picChangeCounts m_saved;
};
