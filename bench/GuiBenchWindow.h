#pragma once

// What the GUI benchmarks run in: the engines in use, and a top-level window whose container
// sees each of its messages first.

#include "guiContainer.h"

#include "vbEngine.h"

#include "plat/afxwin.h"

namespace guibench {

inline vbUseEngineCenter& engines()
{
    static vbUseEngineCenter use(&g_vbEngineCenter, true);
    return use;
}

class Frame : public CWnd {
public:
    Frame() : app(this, "GuiBench", "Gui bench"), container(&app, this, nullptr, nullptr) { }
    guiApp app;
    guiContainer container;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        LRESULT result = -1;
        if (container.DispatchMsg(msg, wParam, lParam, result))
            return result;
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

} // namespace guibench
