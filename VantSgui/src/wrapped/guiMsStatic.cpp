#include "guiMsStatic.h"

BOOL _guiStatic::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return Create("", style, rect, parent, id);
}

BOOL _guiStatic::Create(LPCSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CStatic::Create(text, style, rect, parent, id);
}

template class TControlTemplate<_guiStatic>;

guiMsStatic::guiMsStatic() = default;
guiMsStatic::~guiMsStatic() = default;

LRESULT guiMsStatic::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return wrapperWindowProc(msg, wParam, lParam, "guiMsStatic", __LINE__);
}
