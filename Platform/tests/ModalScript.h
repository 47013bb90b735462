#pragma once

// Drives a modal window by a script: each time its modal loop goes idle, its owner, a window of a
// class with modalScriptOwnerProc, takes the next step. A window still open after the last step is
// a failure and is ended.

#include "plat/dialog.h"
#include "plat/message.h"
#include "plat/window.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace vnt::test {

using ModalStep = std::function<void(HWND modal)>;

inline std::vector<ModalStep>& modalScript()
{
    static std::vector<ModalStep> steps;
    return steps;
}

inline LRESULT CALLBACK modalScriptOwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ENTERIDLE) {
        std::vector<ModalStep>& steps = modalScript();
        if (steps.empty()) {
            ADD_FAILURE() << "the window is still open after the last step";
            EndDialog(HWND(lParam), 0);
        } else {
            ModalStep step = std::move(steps.front());
            steps.erase(steps.begin());
            step(HWND(lParam));
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace vnt::test
