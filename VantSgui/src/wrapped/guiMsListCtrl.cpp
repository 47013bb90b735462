#include "guiMsListCtrl.h"

template class TControlTemplate<CListCtrl>;

guiMsListCtrl::guiMsListCtrl() = default;
guiMsListCtrl::~guiMsListCtrl() = default;

int guiMsListCtrl::nextSelected(int after)
{
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(after), LVNI_SELECTED));
}

int guiMsListCtrl::GetSelected(vbArray<int, 1, 1>* out)
{
    int count = 0;
    for (int item = nextSelected(-1); item >= 0; item = nextSelected(item)) {
        ++count;
        if (out) {
            out->SetLength(out->GetLength() + 1);
            (*out)[out->GetLength()] = item + 1;
        }
    }
    return count;
}

int guiMsListCtrl::GetSelected()
{
    const int first = nextSelected(-1);
    return first < 0 ? -1 : first + 1;
}

LRESULT guiMsListCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return wrapperWindowProc(msg, wParam, lParam, "guiMsListCtrl", __LINE__);
}
