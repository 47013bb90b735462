#pragma once

// Project files (".picf"): a node, or the children of a node, written to a file with the
// source images they use, and read back under a node.

#include "vbString.h"

#include <functional>

class picNode;
class sIpicMainWnd;

// The state of one export or import (file list, owner window), shared by the node writers and
// readers of one run.
class picFileContext;

// Writes node and its subtree (childrenOnly: its children and their subtrees) to path. The file
// is replaced only once all of it was written.
void exportProjectFile(sIpicMainWnd* owner, picNode* node, const vbString& path, bool childrenOnly);

// Adds the records of the file at path under target, extracting its images into the user's
// "PicFlorvane Images" folder. Nodes added before an error stay.
void importProjectFile(picFileContext& context, picNode* target, const vbString& path);

// Runs just before an export copies its embedded files (null: nothing); lets a test change the
// files under the writer.
void picSetExportFilesHook(std::function<void()> hook);
