// Window places as the window tree keeps them.

#include "input/WindowGeometry.h"

#include "ui/UiCore.h"

#include <algorithm>

namespace plat::input {

namespace {

std::shared_ptr<ui::Window> lookup(HWND hwnd)
{
    return std::static_pointer_cast<ui::Window>(ui::windowHandles().lookup(HANDLE(hwnd)));
}

bool visibleItself(const ui::Window& w) { return (w.style.load() & WS_VISIBLE) != 0; }

} // namespace

RECT windowScreenRect(HWND hwnd)
{
    RECT r{};
    POINT origin{0, 0};
    bool first = true;
    while (auto w = lookup(hwnd)) {
        std::lock_guard lock(ui::windowsMutex());
        if (first)
            r = w->rect;
        else
            origin = POINT{origin.x + w->rect.left, origin.y + w->rect.top};
        first = false;
        if (!(w->style.load() & WS_CHILD) || w->parent == HWND_MESSAGE)
            break;
        hwnd = w->parent;
    }
    return RECT{r.left + origin.x, r.top + origin.y, r.right + origin.x, r.bottom + origin.y};
}

RECT clientScreenRect(HWND hwnd) { return windowScreenRect(hwnd); }

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
        all = ui::topLevelWindows();
    }
    // The newest is the topmost.
    std::vector<HWND> out;
    for (HWND hwnd : all)
        if (auto w = lookup(hwnd); w && visibleItself(*w))
            out.push_back(hwnd);
    std::reverse(out.begin(), out.end());
    return out;
}

std::vector<HWND> childrenTopFirst(HWND hwnd)
{
    std::vector<HWND> children;
    if (auto w = lookup(hwnd)) {
        std::lock_guard lock(ui::windowsMutex());
        children = w->children;
    }
    std::vector<HWND> out;
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (auto c = lookup(*it); c && visibleItself(*c))
            out.push_back(*it);
    return out;
}

bool enabledItself(HWND hwnd)
{
    auto w = lookup(hwnd);
    return w && !(w->style.load() & WS_DISABLED);
}

bool regionContains(HWND, POINT) { return true; }

} // namespace plat::input
