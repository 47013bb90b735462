#pragma once

// The status bar control.

#include "plat/commctrl.h"

namespace plat::controls {

LRESULT CALLBACK statusBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace plat::controls
