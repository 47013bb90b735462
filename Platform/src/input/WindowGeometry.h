#pragma once

// What hit testing needs to know of the windows' places: screen rectangles, client origins,
// stacking order, visibility, enabled state and window regions.

#include "plat/geometry.h"
#include "plat/types.h"

#include <vector>

namespace plat::input {

RECT windowScreenRect(HWND hwnd);
// The client area in screen coordinates.
RECT clientScreenRect(HWND hwnd);
POINT screenToClient(HWND hwnd, POINT screen);
// Visible top-level windows, the topmost first (message-only windows are no part of it).
std::vector<HWND> topLevelsTopFirst();
// Visible children, the topmost first.
std::vector<HWND> childrenTopFirst(HWND hwnd);
bool enabledItself(HWND hwnd);
// Whether a screen point inside the window's rectangle is inside its window region (a window
// without one: yes).
bool regionContains(HWND hwnd, POINT screen);

} // namespace plat::input
