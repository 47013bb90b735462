#pragma once

// The surface of a top-level window: 32-bit B,G,R,X pixels of the window's size that every DC of
// its windows draws into, and the part drawn since the display back end last showed it.

#include "UiCore.h"

#include "../gdi/DeviceContext.h"
#include "../gdi/Surface.h"

#include <mutex>
#include <vector>

namespace plat::ui {

class WindowSurface {
public:
    // Window DCs attached to the surface: they follow it when it is resized.
    void track(const std::shared_ptr<gdi::DeviceContext>& dc);
    // Called by the DCs' drawing hook, window coordinates.
    void addDirty(const RECT& rect);
    // The part drawn since the last call, and forgets it.
    RECT takeDirty();
    // Keeps the pixels both sizes share; the rest starts black.
    void resize(int width, int height);

    const gdi::Surface& surface() const { return m_surface; }

private:
    std::mutex m_mutex;
    std::vector<uint32_t> m_pixels;
    gdi::Surface m_surface;
    RECT m_dirty{0, 0, 0, 0};
    std::vector<std::weak_ptr<gdi::DeviceContext>> m_dcs;
};

// Under windowsMutex(): the surface of a top-level window, made at the window's size on first
// need.
std::shared_ptr<WindowSurface> surfaceOf(Window& top);
// Follows a top-level window's new size, when it has a surface already.
void resizeSurface(Window& top);
// Hands the drawn parts of the thread's top-level windows to the display back end.
void presentDrawn(ThreadQueue& q);
// The same when the thread last presented 100 ms ago or longer: a thread that always has messages
// waiting still shows what it draws.
void presentOverdue(ThreadQueue& q);

} // namespace plat::ui
