#include "guiMsTreeCtrl.h"

template class TControlTemplate<CTreeCtrl>;

guiMsTreeCtrl::guiMsTreeCtrl() = default;
guiMsTreeCtrl::~guiMsTreeCtrl() = default;

bool guiMsTreeCtrl::tcOnNotify(NMHDR* header, LRESULT& result)
{
    if (header->code != static_cast<UINT>(NM_CLICK) || !m_treeClickCB.Call(*this))
        return false;
    result = 0;
    return true;
}

LRESULT guiMsTreeCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return wrapperWindowProc(msg, wParam, lParam, "guiMsTreeCtrl", __LINE__);
}
