#pragma once

// The project tree written to the registry soon after it changed, besides the save when the main
// window goes: a crash or a kill loses at most the last second of work. The main window ticks it
// once a second on its own thread; changes that the nodes' change counters do not show (a node
// deleted or renamed, a change pass ended) are told from any thread. A tree that cannot be stored
// is told at once on the main window's progress strip, and for as long as it lasts.

#include "picNode.h"

class guiTreeNode;

class picTreeAutoSave {
public:
    static constexpr UINT kPeriodMs = 1000;

    void MarkChanged();
    // What the tree holds now is what the registry holds: told as the load of the projects list
    // ends (its changes are the load's own), and for the default tree. A change after it is saved
    // by the next tick, the first one included.
    void TakeAsStored();
    // treeRoot: the tree control's root. idle: nothing is being built or walked now. Saves when
    // the projects list has loaded and the tree changed since the last save or since the load;
    // a failed save puts a red row on the strip, renewed by each failed save and gone with the
    // first that succeeds, and is tried again at the next tick.
    void Tick(guiTreeNode* treeRoot, bool idle);
    // Saves now; answers why the tree could not be stored, empty when it was.
    vbString Save(guiTreeNode* treeRoot);
    // Whether the tree may hold changes that are not stored.
    bool HasUnstoredChanges();

    // The strip row's label, and what it and the closing box say of a failure.
    static constexpr const char* kRowLabel = "Project tree";
    static vbString RowText(const vbString& reason);
    static vbString CloseText(const vbString& reason);

private:
    void showFailure(const vbString& reason);
    void hideFailure();

    CCriticalSection m_lock;
    bool m_changed = false;
    bool m_loaded = false;
    picChangeCounts m_saved;
    // The strip shows the failure row; the GUI thread's alone.
    bool m_failing = false;
};
