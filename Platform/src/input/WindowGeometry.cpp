// Window places as the window tree keeps them, for hit testing.

#include "input/WindowGeometry.h"

#include "ui/WindowGeometry.h"

#include <algorithm>

namespace plat::input {

namespace {

bool visibleItself(const ui::Window& w) { return (w.style.load() & WS_VISIBLE) != 0; }

// The windows of a list, lowest first, that show themselves, topmost first.
std::vector<HWND> visibleTopFirst(const std::vector<HWND>& lowestFirst)
{
    std::vector<HWND> out;
    for (auto it = lowestFirst.rbegin(); it != lowestFirst.rend(); ++it)
        if (auto w = ui::lookupWindow(*it); w && visibleItself(*w))
            out.push_back(*it);
    return out;
}

} // namespace

RECT windowScreenRect(HWND hwnd)
{
    auto w = ui::lookupWindow(hwnd);
    if (!w)
        return RECT{};
    std::lock_guard lock(ui::windowsMutex());
    return ui::windowOnScreen(*w);
}

RECT clientScreenRect(HWND hwnd)
{
    auto w = ui::lookupWindow(hwnd);
    if (!w)
        return RECT{};
    std::lock_guard lock(ui::windowsMutex());
    const POINT at = ui::clientOriginOnScreen(*w);
    const RECT client = ui::clientInWindow(*w);
    return RECT{at.x, at.y, at.x + ui::width(client), at.y + ui::height(client)};
}

POINT screenToClient(HWND hwnd, POINT screen)
{
    RECT c = clientScreenRect(hwnd);
    return POINT{screen.x - c.left, screen.y - c.top};
}

std::vector<HWND> topLevelsTopFirst()
{
    std::vector<HWND> all;
    {
        std::lock_guard lock(ui::windowsMutex());
        all = ui::topLevelOrder();
    }
    return visibleTopFirst(all);
}

std::vector<HWND> childrenTopFirst(HWND hwnd)
{
    std::vector<HWND> children;
    if (auto w = ui::lookupWindow(hwnd)) {
        std::lock_guard lock(ui::windowsMutex());
        children = w->children;
    }
    return visibleTopFirst(children);
}

bool enabledItself(HWND hwnd)
{
    auto w = ui::lookupWindow(hwnd);
    return w && !(w->style.load() & WS_DISABLED);
}

bool regionContains(HWND hwnd, POINT screen)
{
    auto w = ui::lookupWindow(hwnd);
    if (!w)
        return false;
    std::lock_guard lock(ui::windowsMutex());
    if (!w->windowRegion)
        return true;
    const RECT r = ui::windowOnScreen(*w);
    return w->windowRegion->contains(screen.x - r.left, screen.y - r.top);
}

} // namespace plat::input
