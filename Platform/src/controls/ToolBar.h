#pragma once

// The tool bar control.

#include "plat/commctrl.h"

namespace plat::controls {

LRESULT CALLBACK toolBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace plat::controls
