#pragma once

// What the menu engine asks of the submenu popup its host made (createPopupCtrl).

#include "guiTreeDraw.h"

// The popup's engine; null while it has none.
sIguiTreeDraw* guiMenuPopupDraw(guiPopupTreeCtrl* popup);
// Shows root's children in the popup, opened to the right of the anchor (screen coordinates).
void guiMenuPopupOpen(guiPopupTreeCtrl* popup, IguiTreeNode* root, guiTreeDrawType type, const CRect& anchor);
void guiMenuPopupClose(guiPopupTreeCtrl* popup);
bool guiMenuPopupIsOpen(guiPopupTreeCtrl* popup);
bool guiMenuPopupHasRoot(guiPopupTreeCtrl* popup, IguiTreeNode* root);
// The popup's own windows and those of the popups opened below it.
bool guiMenuPopupIsChild(guiPopupTreeCtrl* popup, HWND window);
