#pragma once

// The project tree between runs: kept in the current user's registry under the per-user path,
// in one of two alternating keys ("PicFlorvane\Root-1", "PicFlorvane\Root-2"), each save in one
// transaction, so that a save that fails or stops half-way never destroys the last good copy.
// The three change counters are kept in the same key, so that ids and stamps keep growing across
// runs.
//
// The tree root is the tree control's own root; the projects list is its first child.

class guiTreeNode;

// Writes the tree; an error leaves the registry as it was and is thrown on.
void saveTreeToRegistry(guiTreeNode* treeRoot);
// False when no tree was saved. Otherwise the tree root gets a new projects list at once and a
// download worker fills it.
bool loadTreeFromRegistry(guiTreeNode* treeRoot);
// The tree root holds one empty, loaded projects list.
void picCreateDefaultTree(guiTreeNode* treeRoot);
