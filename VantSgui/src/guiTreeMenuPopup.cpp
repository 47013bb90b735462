// Until the popup tree control exists no host can make a popup (createPopupCtrl answers null),
// so none of these is reached; each reports the missing implementation.

#include "guiTreeMenuPopup.h"

#include "guiBase.h"

sIguiTreeDraw* guiMenuPopupDraw(guiPopupTreeCtrl*) { guiPurecall(); }
void guiMenuPopupOpen(guiPopupTreeCtrl*, IguiTreeNode*, guiTreeDrawType, const CRect&) { guiPurecall(); }
void guiMenuPopupClose(guiPopupTreeCtrl*) { guiPurecall(); }
bool guiMenuPopupHasRoot(guiPopupTreeCtrl*, IguiTreeNode*) { guiPurecall(); }
bool guiMenuPopupIsChild(guiPopupTreeCtrl*, HWND) { guiPurecall(); }
