#include "menu/guiTreeMenuPopup.h"

#include "guiPopupTreeCtrl.h"

sIguiTreeDraw* guiMenuPopupDraw(guiPopupTreeCtrl* popup) { return popup->GetDraw(); }

void guiMenuPopupOpen(guiPopupTreeCtrl* popup, IguiTreeNode* root, guiTreeDrawType type, const CRect& anchor)
{
    popup->SetRoot(type, root);
    popup->Open(anchor, guiPopupDir_Right);
}

void guiMenuPopupClose(guiPopupTreeCtrl* popup) { popup->Close(); }

bool guiMenuPopupIsOpen(guiPopupTreeCtrl* popup) { return popup->IsOpen(); }

bool guiMenuPopupHasRoot(guiPopupTreeCtrl* popup, IguiTreeNode* root)
{
    guiTreeNodeRef held;
    return popup->GetRoot(&held) && held.Get() == root;
}

bool guiMenuPopupIsChild(guiPopupTreeCtrl* popup, HWND window) { return popup->IsChildCtrl(window, guiTreeRec_Down); }
