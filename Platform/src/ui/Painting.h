#pragma once

// The inside of painting, for the retrieval routine, the default window procedure and window
// destruction.

#include "UiCore.h"

namespace plat::ui {

// Under the queue's lock: the first window of the thread, parents before children, that matches
// the filter (null: any) and has something to paint; null when there is none.
HWND windowToPaint(ThreadQueue& q, HWND filter);

// Under windowsMutex(): the window goes; it no longer holds the update lock.
void forgetPainting(const Window& w);

// DefWindowProcA's WM_PAINT, WM_ERASEBKGND and WM_NCPAINT.
LRESULT defaultPaint(HWND hwnd);
LRESULT defaultEraseBackground(HWND hwnd, HDC hdc);
LRESULT defaultNcPaint(HWND hwnd);

} // namespace plat::ui

namespace plat::gdi {
class DeviceContext;
class Region;
} // namespace plat::gdi

namespace plat::ui {

// RedrawWindow with a region: area in the window's client coordinates, null for all of it.
bool redraw(HWND hwnd, const gdi::Region* area, UINT flags);

// Under windowsMutex(): the window or an ancestor holds the update lock (LockWindowUpdate).
bool inLockedTree(const Window& w);

// A DC of the window's client area (or whole window) on its own thread: the window's or class's
// kept DC, or a fresh one to release. limit (top-level window coordinates) narrows the visible
// part further. Null with ERROR_ACCESS_DENIED on another thread.
std::shared_ptr<gdi::DeviceContext> windowDc(const std::shared_ptr<Window>& w, bool client, const gdi::Region* limit);

} // namespace plat::ui
