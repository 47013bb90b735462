#include "guiMsScrollBar.h"

template class TControlTemplate<CScrollBar>;

guiMsScrollBar::guiMsScrollBar(bool vertical) : m_bVertical(vertical) { }
guiMsScrollBar::~guiMsScrollBar() = default;

int guiMsScrollBar::tcGetCreationStyle() { return m_bVertical ? SBS_VERT : SBS_HORZ; }

BOOL guiMsScrollBar::PreCreateWindow(CREATESTRUCTA& cs)
{
    layoutPreCreate(cs);
    return CScrollBar::PreCreateWindow(cs);
}

LRESULT guiMsScrollBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return wrapperWindowProc(msg, wParam, lParam, "guiMsScrollBar", __LINE__);
}
