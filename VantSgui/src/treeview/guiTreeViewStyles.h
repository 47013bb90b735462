#pragma once

// The style look-up of the tree view: the names a level or an item class asks its nodes for, most
// specific first, and the tree view's built-in default aspect.

#include "guiExport.h"
#include "guiTreeNode.h"

#include "vbString.h"

constexpr int guiTreeViewLevelNamesMax = 16;
constexpr int guiTreeViewItemNamesMax = 8;

// With the children class K and the engine's aspect name N: N.K and K under "treeview." and
// plain; the root level then adds N, "treeview" and the unnamed aspect. In a popup each of these
// comes after its "popup.treeview." and "popup." forms. Answers the count.
GUIAPI int guiTreeViewLevelNames(const vbString& childrenClass, const vbString& aspectName, bool popup, bool root,
    vbString (&names)[guiTreeViewLevelNamesMax]);
// The same for an item's class, without the root level's names.
GUIAPI int guiTreeViewItemNames(const vbString& itemClass, const vbString& aspectName, bool popup,
    vbString (&names)[guiTreeViewItemNamesMax]);

// A new record of the built-in look: system colours, a -12 font, a bold selection, an underlined
// hover, 16 x 16 icons and the hourglass while loading.
GUIAPI guiTreeAspectRef guiTreeViewDefaultAspect();
