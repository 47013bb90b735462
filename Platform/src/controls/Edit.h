#pragma once

// The single-line Edit control.

#include "plat/controls.h"

namespace plat::controls {

LRESULT CALLBACK editProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace plat::controls
