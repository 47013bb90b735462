#pragma once

// Project files (".picf"): a node, or the children of a node, written to a file with the
// source images they use, and read back under a node.

#include "vbString.h"

class picNode;
class sIpicMainWnd;

// The state of one export or import (file list, owner window), shared by the node writers and
// readers of one run.
class picFileContext;

// Writes node and its subtree (childrenOnly: its children and their subtrees) to path.
void exportProjectFile(sIpicMainWnd* owner, picNode* node, const vbString& path, bool childrenOnly);
