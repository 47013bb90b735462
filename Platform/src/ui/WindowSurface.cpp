// Surfaces of top-level windows and the hand-over of what was drawn to the display back end.

#include "WindowSurface.h"

#include "Display.h"
#include "Painting.h"
#include "WindowGeometry.h"

#include "plat/testhooks.h"
#include "plat/thread.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace plat::ui {

namespace {

// A window may be made larger than any screen; its surface stops at this side, and drawing
// beyond it is clipped away.
constexpr int kMaxSurfaceSide = 16384;

int surfaceSide(LONG side) { return int(std::clamp<LONG>(side, 0, kMaxSurfaceSide)); }

bool isEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

} // namespace

void WindowSurface::track(const std::shared_ptr<gdi::DeviceContext>& dc)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_dcs, [&](const std::weak_ptr<gdi::DeviceContext>& held) {
        auto live = held.lock();
        return !live || live == dc;
    });
    m_dcs.push_back(dc);
}

void WindowSurface::addDirty(const RECT& rect)
{
    RECT r{std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0), std::min<LONG>(rect.right, m_surface.width),
        std::min<LONG>(rect.bottom, m_surface.height)};
    if (isEmpty(r))
        return;
    std::lock_guard lock(m_mutex);
    if (isEmpty(m_dirty)) {
        m_dirty = r;
        return;
    }
    m_dirty = RECT{std::min(m_dirty.left, r.left), std::min(m_dirty.top, r.top), std::max(m_dirty.right, r.right),
        std::max(m_dirty.bottom, r.bottom)};
}

RECT WindowSurface::takeDirty()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_dirty, RECT{0, 0, 0, 0});
}

void WindowSurface::resize(int width, int height)
{
    std::lock_guard lock(m_mutex);
    if (width == m_surface.width && height == m_surface.height)
        return;
    std::vector<uint32_t> pixels(size_t(width) * size_t(height), 0);
    const int keepWidth = std::min(width, m_surface.width);
    // A surface of no width has no rows to keep, whatever its height.
    const int keepRows = keepWidth > 0 ? std::min(height, m_surface.height) : 0;
    for (int y = 0; y < keepRows; ++y)
        std::memcpy(&pixels[size_t(y) * size_t(width)], m_surface.row(y), size_t(keepWidth) * 4);
    m_pixels.swap(pixels);
    m_surface.bits = reinterpret_cast<uint8_t*>(m_pixels.data());
    m_surface.width = width;
    m_surface.height = height;
    m_surface.stride = width * 4;
    m_dirty = RECT{std::min<LONG>(m_dirty.left, width), std::min<LONG>(m_dirty.top, height),
        std::min<LONG>(m_dirty.right, width), std::min<LONG>(m_dirty.bottom, height)};
    for (auto& held : m_dcs)
        if (auto dc = held.lock())
            dc->attach(m_surface, dc->origin(), dc->visible());
}

std::shared_ptr<WindowSurface> surfaceOf(Window& top)
{
    if (!top.surface) {
        top.surface = std::make_shared<WindowSurface>();
        top.surface->resize(surfaceSide(width(top.rect)), surfaceSide(height(top.rect)));
    }
    return top.surface;
}

void resizeSurface(Window& top)
{
    std::shared_ptr<WindowSurface> surface;
    int cx, cy;
    {
        std::lock_guard lock(windowsMutex());
        surface = top.surface;
        cx = surfaceSide(width(top.rect));
        cy = surfaceSide(height(top.rect));
    }
    if (surface)
        surface->resize(cx, cy);
}

namespace {

constexpr uint64_t kPresentIntervalMs = 100;
thread_local uint64_t t_lastPresent = 0; // real milliseconds

} // namespace

void presentOverdue(ThreadQueue& q)
{
    if (realTickMs() - t_lastPresent >= kPresentIntervalMs)
        presentDrawn(q);
}

void presentDrawn(ThreadQueue& q)
{
    t_lastPresent = realTickMs();
    std::vector<std::pair<HWND, std::shared_ptr<WindowSurface>>> tops;
    {
        std::lock_guard lock(windowsMutex());
        for (HWND hwnd : q.windows) {
            auto w = lookupWindow(hwnd);
            // A window under LockWindowUpdate keeps what it drew until it is unlocked.
            if (w && w->surface && !parentOf(*w) && showing(*w) && !inLockedTree(*w))
                tops.emplace_back(hwnd, w->surface);
        }
    }
    for (auto& [hwnd, surface] : tops) {
        const RECT dirty = surface->takeDirty();
        if (!isEmpty(dirty))
            display().present(hwnd, surface->surface(), dirty);
    }
}

} // namespace plat::ui

BOOL vntTestMarkDrawn(HWND hwnd, const RECT* rect)
{
    using namespace plat::ui;
    std::shared_ptr<WindowSurface> surface;
    {
        std::lock_guard lock(windowsMutex());
        auto w = lookupWindow(hwnd);
        if (!w || w->threadId != GetCurrentThreadId() || parentOf(*w) || !w->surface)
            return FALSE;
        surface = w->surface;
    }
    surface->addDirty(rect ? *rect : RECT{0, 0, surface->surface().width, surface->surface().height});
    return TRUE;
}
