#pragma once

// The Static control: text, or an icon of the creating module.

#include "plat/controls.h"

namespace plat::controls {

LRESULT CALLBACK staticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace plat::controls
