#pragma once

// The built-in static text as a framework control.

#include "guiContainer.h"

// The built-in static's window object, created without text through the control template.
class GUIAPI _guiStatic : public CStatic {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

protected:
    BOOL Create(LPCSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) override;
};

extern template class GUIAPI TControlTemplate<_guiStatic>;

class GUIAPI guiMsStatic : public TControlTemplate<_guiStatic> {
public:
    guiMsStatic();
    ~guiMsStatic() override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
