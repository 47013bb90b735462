#pragma once

// Where windows lie: client areas inside window rectangles, positions within a top-level window
// (whose surface every window of its tree draws into) and on the screen. All under windowsMutex().

#include "UiCore.h"

namespace plat::ui {

// The window's parent when it is a child, else null.
std::shared_ptr<Window> parentOf(const Window& w);
// The top-level window at the root of the window's tree (the window itself for a top-level one).
std::shared_ptr<Window> topLevelOf(const std::shared_ptr<Window>& w);

// The client rectangle in the window's own coordinates (origin at the window's top-left corner).
RECT clientInWindow(const Window& w);
// The window's top-left corner in its top-level window's coordinates.
POINT windowOriginInTop(const Window& w);
// The client area's top-left corner in its top-level window's coordinates.
POINT clientOriginInTop(const Window& w);
// The client area's top-left corner on the screen.
POINT clientOriginOnScreen(const Window& w);
// The window rectangle on the screen.
RECT windowOnScreen(const Window& w);

// WS_VISIBLE on the window and every ancestor.
bool visibleWithAncestors(const Window& w);
// Visible, and neither it nor an ancestor minimised: the window can be seen and painted.
bool showing(const Window& w);

// After WM_CREATE: tells the display of a new top-level window, sends WM_SIZE and WM_MOVE, and
// invalidates a window made visible.
void announceCreated(const std::shared_ptr<Window>& w);

// Replaces one of the window's own scroll bars' settings; when that shows or hides the bar, the
// client area changes as after a resize (WM_SIZE, repainting). The frame is repainted.
void changeOwnBars(const std::shared_ptr<Window>& w, int bar, const ScrollData& data);

inline LONG width(const RECT& r) { return r.right - r.left; }
inline LONG height(const RECT& r) { return r.bottom - r.top; }

} // namespace plat::ui
