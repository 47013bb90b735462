#pragma once

// The ListBox control.

#include "plat/controls.h"

namespace plat::controls {

LRESULT CALLBACK listBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace plat::controls
