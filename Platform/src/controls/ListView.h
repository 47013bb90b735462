#pragma once

// The list view control.

#include "plat/commctrl.h"

namespace plat::controls {

LRESULT CALLBACK listViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace plat::controls
