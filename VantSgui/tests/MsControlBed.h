#pragma once

// The window of the GUI tests with wrapped built-in controls in its container.

#include "GuiTestBed.h"

#include "plat/headless.h"

#include <string>

namespace gui::test {

class MsControlBed : public GuiTestBed {
protected:
    // Creates the wrapper in the window's container at client rectangle r.
    template <class W>
    W& place(W& control, const RECT& r)
    {
        control.Create(&window->container, r, true, true);
        pump();
        return control;
    }

    // A click at a point of the window's client area.
    static void clickAt(int x, int y)
    {
        plat::headless::click(kLeft + x, kTop + y);
        pump();
    }

    static std::string textOf(CWnd& wnd)
    {
        char text[256] = {};
        wnd.GetWindowText(text, sizeof text);
        return text;
    }
};

// Records what the layout helper is asked at a wrapper's creation.
struct CreationLayoutHelper : LayoutHelper {
    void PreCreateLayout(TControl* control, CREATESTRUCTA& cs) override
    {
        asked = control;
        exStyleSeen = cs.dwExStyle;
        cs.style |= addStyle;
    }
    TControl* asked = nullptr;
    DWORD exStyleSeen = 0;
    DWORD addStyle = 0;
};

} // namespace gui::test
