// The node's own popup: a popup button owned by the node, with the node as its root. Popups run
// on the GUI thread; the node lock only guards the handover of the button.

#include "guiPopupButton.h"
#include "guiTreeNode.h"

#include <memory>

bool guiTreeNode::Popup(guiContainer& container, const CRect& rect, guiPopupDir dir)
{
    PopupEnd();
    auto button = std::make_unique<guiPopupButton>();
    button->Create(&container, rect, false, true);
    button->SetMouseTrack(GetPopupMouseTrack());
    button->SetExpandedLevel(GetPopupExpandedLevel());
    if (button->GetPopupDir() != dir) {
        button->ClosePopup();
        button->SetPopupDir(dir);
    }
    button->SetRoot(GetPopupDrawType(), static_cast<IguiTreeNode*>(this));
    guiPopupButton* opened = button.get();
    {
        NodeLock lock(this);
        m_pPopupButton = button.release();
    }
    opened->OpenPopup();
    return true;
}

void guiTreeNode::PopupEnd()
{
    std::unique_ptr<guiPopupButton> button;
    {
        NodeLock lock(this);
        button.reset(m_pPopupButton);
        m_pPopupButton = nullptr;
    }
    if (button && button->GetSafeHwnd())
        button->DestroyWindow();
}

bool guiTreeNode::onPopupEnd(guiPopupTreeCtrl&)
{
    PopupEnd();
    return true;
}
