#pragma once

// The ScrollBar control and a window's own scroll bars: one set of rules for settings, layout,
// painting and mouse tracking.

#include "plat/controls.h"

namespace plat::controls {

LRESULT CALLBACK scrollBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The hidden window that holds the capture while a bar is being pressed or dragged.
LRESULT CALLBACK scrollTrackerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
constexpr const char* kScrollTrackerClass = "VntScrollTracker";

// A press on a window's own bar (SB_VERT or SB_HORZ) at a screen point.
void trackOwnBar(HWND hwnd, int bar, POINT screen);

} // namespace plat::controls
