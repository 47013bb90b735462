#pragma once

// The ComboBox control and its drop-down list window.

#include "plat/controls.h"

namespace plat::controls {

LRESULT CALLBACK comboBoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK comboListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace plat::controls
