#pragma once

// The tree view control.

#include "plat/commctrl.h"

namespace plat::controls {

LRESULT CALLBACK treeViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace plat::controls
