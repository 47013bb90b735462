#pragma once

// The Button control: push buttons and check boxes.

#include "plat/controls.h"

namespace plat::controls {

LRESULT CALLBACK buttonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace plat::controls
