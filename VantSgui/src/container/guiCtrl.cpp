#include "guiContainer.h"

#include "plat/window.h"

guiCtrl::~guiCtrl() = default;

BOOL guiCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create(nullptr, nullptr, style, rect, parent, id);
}

BOOL guiCtrl::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create(className, windowName, style, rect, parent, id);
}

guiCtrlPopUp::~guiCtrlPopUp() = default;

BOOL guiCtrlPopUp::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return Create(nullptr, nullptr, style, rect, parent, id);
}

BOOL guiCtrlPopUp::Create(LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, CWnd*, UINT)
{
    return CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, className, windowName, (style & ~WS_CHILD) | WS_POPUP, rect,
        nullptr, 0);
}

template class TControlTemplate<guiCtrl>;
template class TControlTemplate<guiCtrlPopUp>;
