// Device contexts of windows and of the screen, the visible part of a window, window regions.

#include "Painting.h"

#include "../gdi/DeviceContext.h"
#include "../gdi/RegionObject.h"
#include "WindowGeometry.h"
#include "WindowSurface.h"
#include "plat/errors.h"
#include "plat/paint.h"

#include <mutex>
#include <unordered_set>

namespace plat::ui {

KeptDc::~KeptDc()
{
    if (dc)
        gdi::destroyDeviceContext(dc->hdc());
}

namespace {

// DCs handed out for one use: ReleaseDC takes them out of the GDI table.
struct HandedOut {
    std::mutex mutex;
    std::unordered_set<HDC> dcs;
};

HandedOut& handedOut()
{
    static auto* set = new HandedOut;
    return *set;
}

std::shared_ptr<gdi::DeviceContext> handOut(gdi::DeviceContext::Type type)
{
    auto dc = gdi::createDeviceContext(type);
    if (dc) {
        std::lock_guard lock(handedOut().mutex);
        handedOut().dcs.insert(dc->hdc());
    }
    return dc;
}

RECT offsetRect(const RECT& r, LONG dx, LONG dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

// Under windowsMutex(): a window's rectangle in its top-level window's coordinates.
RECT rectInTop(const Window& w)
{
    const POINT at = windowOriginInTop(w);
    return RECT{at.x, at.y, at.x + width(w.rect), at.y + height(w.rect)};
}

bool overlaps(const RECT& a, const RECT& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Under windowsMutex(): takes away what the windows of list from index `from` on cover, for
// those that show themselves.
void subtractWindows(gdi::Region& vis, const std::vector<HWND>& list, size_t from)
{
    for (size_t i = from; i < list.size() && !vis.isEmpty(); ++i) {
        auto other = lookupWindow(list[i]);
        if (!other || !(other->style.load() & WS_VISIBLE))
            continue;
        const RECT r = rectInTop(*other);
        if (!overlaps(r, vis.bounds()))
            continue;
        gdi::Region covered(r);
        if (other->windowRegion) { // a shaped window covers only its shape
            covered = *other->windowRegion;
            covered.offset(r.left, r.top);
            covered = covered.intersected(r);
        }
        vis = vis.subtracted(covered);
    }
}

// Under windowsMutex(): the part of a window's client area (or whole window) that can be seen,
// in top-level window coordinates. Children and overlapping siblings always clip, so that
// nothing drawn ever lands on another window.
gdi::Region visibleRegion(const Window& w, bool client)
{
    if (!showing(w) || inLockedTree(w))
        return gdi::Region();
    const RECT whole = rectInTop(w);
    gdi::Region vis(client ? offsetRect(clientInWindow(w), whole.left, whole.top) : whole);
    if (w.windowRegion) {
        gdi::Region shaped = *w.windowRegion;
        shaped.offset(whole.left, whole.top);
        vis = vis.intersected(shaped);
    }
    subtractWindows(vis, w.children, 0);
    const Window* node = &w;
    std::shared_ptr<Window> hold;
    while (auto parent = parentOf(*node)) {
        const RECT parentWhole = rectInTop(*parent);
        vis = vis.intersected(offsetRect(clientInWindow(*parent), parentWhole.left, parentWhole.top));
        const auto& siblings = parent->children;
        const auto at = std::find(siblings.begin(), siblings.end(), node->handle);
        if (at != siblings.end())
            subtractWindows(vis, siblings, size_t(at - siblings.begin()) + 1);
        hold = parent;
        node = hold.get();
    }
    return vis.intersected(RECT{0, 0, width(node->rect), height(node->rect)});
}

} // namespace

std::shared_ptr<gdi::DeviceContext> windowDc(const std::shared_ptr<Window>& w, bool client, const gdi::Region* limit)
{
    if (w->threadId != currentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    std::shared_ptr<gdi::DeviceContext> dc;
    {
        std::lock_guard lock(windowsMutex());
        KeptDc* kept = (w->cls->style & CS_OWNDC) ? &w->ownDc : (w->cls->style & CS_CLASSDC) ? &w->cls->classDc : nullptr;
        if (kept) {
            if (!kept->dc)
                kept->dc = gdi::createDeviceContext(gdi::DeviceContext::Type::Window);
            dc = kept->dc;
        }
    }
    if (!dc)
        dc = handOut(gdi::DeviceContext::Type::Window);
    if (!dc)
        return nullptr;
    std::shared_ptr<WindowSurface> surface;
    POINT origin;
    gdi::Region visible;
    {
        std::lock_guard lock(windowsMutex());
        auto top = topLevelOf(w);
        surface = surfaceOf(*top);
        origin = client ? clientOriginInTop(*w) : windowOriginInTop(*w);
        visible = visibleRegion(*w, client);
        if (limit)
            visible = visible.intersected(*limit);
    }
    dc->attach(surface->surface(), origin, visible);
    // The hook keeps the pixels alive for as long as the DC may draw into them.
    dc->setDrawHook([surface](const RECT& drawn) { surface->addDirty(drawn); });
    surface->track(dc);
    return dc;
}

} // namespace plat::ui

using namespace plat;
using namespace plat::ui;

namespace {

HDC windowDcHandle(HWND hWnd, bool client)
{
    auto w = findWindow(hWnd);
    if (!w)
        return nullptr;
    auto dc = windowDc(w, client, nullptr);
    return dc ? dc->hdc() : nullptr;
}

} // namespace

HDC GetDC(HWND hWnd)
{
    if (!hWnd) {
        auto dc = handOut(gdi::DeviceContext::Type::Screen);
        if (!dc)
            return nullptr;
        dc->detach();
        return dc->hdc();
    }
    return windowDcHandle(hWnd, true);
}

HDC GetWindowDC(HWND hWnd)
{
    if (!hWnd)
        return GetDC(nullptr);
    return windowDcHandle(hWnd, false);
}

int ReleaseDC(HWND hWnd, HDC hDC)
{
    {
        std::lock_guard lock(handedOut().mutex);
        if (handedOut().dcs.erase(hDC)) {
            gdi::destroyDeviceContext(hDC);
            return 1;
        }
    }
    auto w = hWnd ? lookupWindow(hWnd) : nullptr;
    if (!w)
        return 0;
    std::lock_guard lock(windowsMutex());
    const bool kept = (w->ownDc.dc && w->ownDc.dc->hdc() == hDC) || (w->cls->classDc.dc && w->cls->classDc.dc->hdc() == hDC);
    return kept ? 1 : 0;
}

int SetWindowRgn(HWND hWnd, HRGN hRgn, BOOL bRedraw)
{
    auto w = findWindow(hWnd);
    if (!w)
        return 0;
    std::optional<gdi::Region> shape;
    if (hRgn) {
        auto object = gdi::findAs<gdi::RegionObject>(hRgn);
        if (!object)
            return 0;
        shape = object->region;
    }
    HWND parent = nullptr;
    RECT area{};
    {
        std::lock_guard lock(windowsMutex());
        w->windowRegion = std::move(shape);
        if (auto p = parentOf(*w))
            parent = p->handle;
        area = w->rect;
    }
    // The window owns the region now.
    if (hRgn)
        DeleteObject(hRgn);
    if (bRedraw) {
        if (parent)
            RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    return 1;
}
