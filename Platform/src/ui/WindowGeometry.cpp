// Window rectangles, client areas, coordinate mapping, the order of siblings, showing, hiding,
// minimising and enabling.

#include "WindowGeometry.h"

#include "Display.h"
#include "Painting.h"
#include "WindowSurface.h"
#include "input/Input.h"
#include "plat/errors.h"
#include "plat/focus.h"
#include "plat/paint.h"
#include "plat/sysmetrics.h"

#include <algorithm>

namespace plat::ui {

namespace {

bool isChild(const Window& w) { return (w.style.load() & WS_CHILD) && w.parent && w.parent != HWND_MESSAGE; }

// The edges between the window rectangle and its client area.
RECT nonClientEdges(const Window& w)
{
    const DWORD style = w.style.load();
    const DWORD exStyle = w.exStyle.load();
    RECT edges{0, 0, 0, 0};
    const bool decorated = (style & WS_CAPTION) == WS_CAPTION || (style & WS_THICKFRAME);
    if (!isChild(w) && decorated)
        return edges;
    LONG edge = 0;
    if (style & WS_BORDER)
        edge += 1;
    if (exStyle & WS_EX_STATICEDGE)
        edge += 1;
    if (exStyle & WS_EX_CLIENTEDGE)
        edge += 2;
    edges = RECT{edge, edge, edge, edge};
    if ((style & WS_VSCROLL) && w.ownBars[1].shown)
        edges.right += GetSystemMetrics(SM_CXVSCROLL);
    if ((style & WS_HSCROLL) && w.ownBars[0].shown)
        edges.bottom += GetSystemMetrics(SM_CYHSCROLL);
    return edges;
}

} // namespace

std::vector<HWND>& topLevelOrder()
{
    static auto* order = new std::vector<HWND>;
    return *order;
}

std::shared_ptr<Window> parentOf(const Window& w) { return isChild(w) ? lookupWindow(w.parent) : nullptr; }

std::shared_ptr<Window> topLevelOf(const std::shared_ptr<Window>& w)
{
    std::shared_ptr<Window> top = w;
    while (auto up = parentOf(*top))
        top = up;
    return top;
}

RECT clientInWindow(const Window& w)
{
    const RECT edges = nonClientEdges(w);
    const LONG cx = std::max<LONG>(width(w.rect) - edges.left - edges.right, 0);
    const LONG cy = std::max<LONG>(height(w.rect) - edges.top - edges.bottom, 0);
    return RECT{edges.left, edges.top, edges.left + cx, edges.top + cy};
}

POINT windowOriginInTop(const Window& w)
{
    POINT at{0, 0};
    std::shared_ptr<Window> hold;
    for (const Window* cur = &w; auto parent = parentOf(*cur); cur = hold.get()) {
        const RECT client = clientInWindow(*parent);
        at.x += cur->rect.left + client.left;
        at.y += cur->rect.top + client.top;
        hold = parent;
    }
    return at;
}

POINT clientOriginInTop(const Window& w)
{
    POINT at = windowOriginInTop(w);
    const RECT client = clientInWindow(w);
    return POINT{at.x + client.left, at.y + client.top};
}

POINT clientOriginOnScreen(const Window& w)
{
    POINT at = clientOriginInTop(w);
    std::shared_ptr<Window> hold;
    const Window* top = &w;
    while (auto parent = parentOf(*top)) {
        hold = parent;
        top = hold.get();
    }
    return POINT{at.x + top->rect.left, at.y + top->rect.top};
}

RECT windowOnScreen(const Window& w)
{
    const POINT client = clientOriginOnScreen(w);
    const RECT inner = clientInWindow(w);
    const LONG left = client.x - inner.left;
    const LONG top = client.y - inner.top;
    return RECT{left, top, left + width(w.rect), top + height(w.rect)};
}

bool visibleWithAncestors(const Window& w)
{
    if (!(w.style.load() & WS_VISIBLE) || w.parent == HWND_MESSAGE)
        return false;
    for (auto p = parentOf(w); p; p = parentOf(*p))
        if (!(p->style.load() & WS_VISIBLE))
            return false;
    return true;
}

bool showing(const Window& w)
{
    if (!visibleWithAncestors(w) || (w.style.load() & WS_MINIMIZE))
        return false;
    for (auto p = parentOf(w); p; p = parentOf(*p))
        if (p->style.load() & WS_MINIMIZE)
            return false;
    return true;
}

} // namespace plat::ui

namespace plat::ui {

namespace {

// Under windowsMutex(): the list that orders the window among its siblings, or null for a
// message-only window.
std::vector<HWND>* siblingList(const Window& w)
{
    if (auto parent = parentOf(w))
        return &parent->children;
    return w.parent == HWND_MESSAGE ? nullptr : &topLevelOrder();
}

bool isTopmost(HWND hwnd)
{
    auto w = lookupWindow(hwnd);
    return w && (w->exStyle.load() & WS_EX_TOPMOST);
}

// Under windowsMutex(): puts the window where hWndInsertAfter says; answers whether the order
// changed.
bool reorder(Window& w, HWND after)
{
    std::vector<HWND>* list = siblingList(w);
    if (!list)
        return false;
    const std::vector<HWND> before = *list;
    const bool topLevel = list == &topLevelOrder();
    if (topLevel && after == HWND_TOPMOST)
        w.exStyle.fetch_or(WS_EX_TOPMOST);
    else if (topLevel && (after == HWND_NOTOPMOST || after == HWND_BOTTOM))
        w.exStyle.fetch_and(~DWORD(WS_EX_TOPMOST));
    std::erase(*list, w.handle);
    auto at = list->end();
    if (after == HWND_BOTTOM)
        at = list->begin();
    else if (after != HWND_TOP && after != HWND_TOPMOST && after != HWND_NOTOPMOST)
        at = std::find(list->begin(), list->end(), after); // just below it
    list->insert(at, w.handle);
    if (topLevel)
        std::stable_partition(list->begin(), list->end(), [](HWND h) { return !isTopmost(h); });
    return *list != before;
}

// What a change of place, size, order or visibility must tell and repaint.
struct Placement {
    RECT rect;      // the window rectangle, in its parent's client coordinates or the screen
    RECT client;    // the client rectangle in the window's own coordinates
    bool showing;
};

Placement placementOf(const Window& w) { return Placement{w.rect, clientInWindow(w), showing(w)}; }

// As the window was last told of: a style changed since (SWP_FRAMECHANGED) shows as a change of
// the client area.
Placement toldPlacementOf(const Window& w) { return Placement{w.rect, w.toldClient, showing(w)}; }

LPARAM sizeParam(const Window& w, const RECT& client)
{
    if (w.style.load() & WS_MINIMIZE)
        return 0;
    return MAKELPARAM(width(client), height(client));
}

// The client origin: in the parent's client area for a child, on the screen otherwise.
LPARAM moveParam(const Placement& p) { return MAKELPARAM(p.rect.left + p.client.left, p.rect.top + p.client.top); }

void sendSize(HWND hwnd, const Window& w, const RECT& client)
{
    const DWORD style = w.style.load();
    const WPARAM kind = (style & WS_MINIMIZE) ? SIZE_MINIMIZED : (style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
    SendMessageA(hwnd, WM_SIZE, kind, sizeParam(w, client));
}

constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN;

// Repaints what a change uncovered or exposed, tells the display of a top-level window's change,
// then sends WM_SIZE and WM_MOVE for a changed client size or position.
void settle(const std::shared_ptr<Window>& w, const Placement& was, bool orderChanged, bool repaint)
{
    Placement now;
    HWND parent = nullptr;
    {
        std::lock_guard lock(windowsMutex());
        now = placementOf(*w);
        w->toldClient = now.client;
        if (auto p = parentOf(*w))
            parent = p->handle;
    }
    const bool moved = now.rect.left != was.rect.left || now.rect.top != was.rect.top;
    const bool resized = width(now.rect) != width(was.rect) || height(now.rect) != height(was.rect);
    const bool clientResized = width(now.client) != width(was.client) || height(now.client) != height(was.client);
    const bool clientMoved = now.client.left != was.client.left || now.client.top != was.client.top;
    const HWND hwnd = w->handle;
    if (!parent && w->parent != HWND_MESSAGE && (moved || resized || now.showing != was.showing))
        display().topLevelChanged(hwnd);
    if (resized && !parent)
        resizeSurface(*w);
    if (repaint) {
        // A child leaves what it no longer covers to the parent and to the siblings under it;
        // one that went down in the order shows them where they now lie above it.
        if (parent && was.showing && (moved || resized || orderChanged || !now.showing)) {
            gdi::Region uncovered(was.rect);
            if (now.showing && !orderChanged)
                uncovered = uncovered.subtracted(gdi::Region(now.rect));
            redraw(parent, &uncovered, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        }
        if (now.showing) {
            const UINT cls = w->cls->style;
            const bool whole = !was.showing || (parent && (moved || orderChanged))
                || (!resized && (clientResized || clientMoved)) // the frame changed
                || ((cls & CS_HREDRAW) && width(now.client) != width(was.client))
                || ((cls & CS_VREDRAW) && height(now.client) != height(was.client));
            if (whole) {
                RedrawWindow(hwnd, nullptr, nullptr, kRedrawAll);
            } else if (resized) {
                // Only the strips the growth added are new; the frame moves with the edges.
                const RECT c{0, 0, width(now.client), height(now.client)};
                const RECT right{width(was.client), 0, c.right, c.bottom};
                const RECT bottom{0, height(was.client), c.right, c.bottom};
                UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN;
                const RECT none{0, 0, 0, 0};
                RedrawWindow(hwnd, &none, nullptr, RDW_INVALIDATE | RDW_FRAME);
                if (right.left < right.right)
                    RedrawWindow(hwnd, &right, nullptr, flags);
                if (bottom.top < bottom.bottom)
                    RedrawWindow(hwnd, &bottom, nullptr, flags);
            }
        }
    }
    if (clientResized)
        sendSize(hwnd, *w, now.client);
    if (moved || clientMoved)
        SendMessageA(hwnd, WM_MOVE, 0, moveParam(now));
}

} // namespace

void announceCreated(const std::shared_ptr<Window>& w)
{
    Placement p;
    {
        std::lock_guard lock(windowsMutex());
        p = placementOf(*w);
        w->toldClient = p.client;
    }
    const HWND hwnd = w->handle;
    if (!parentOf(*w) && w->parent != HWND_MESSAGE)
        display().topLevelCreated(hwnd);
    sendSize(hwnd, *w, p.client);
    SendMessageA(hwnd, WM_MOVE, 0, moveParam(p));
    if (p.showing)
        RedrawWindow(hwnd, nullptr, nullptr, kRedrawAll);
}

void changeOwnBars(const std::shared_ptr<Window>& w, int bar, const ScrollData& data)
{
    Placement was;
    RECT client;
    {
        std::lock_guard lock(windowsMutex());
        was = placementOf(*w);
        w->ownBars[bar] = data;
        client = clientInWindow(*w);
    }
    if (client.right != was.client.right || client.bottom != was.client.bottom) {
        RedrawWindow(w->handle, nullptr, nullptr, kRedrawAll);
        sendSize(w->handle, *w, client);
        return;
    }
    const RECT none{0, 0, 0, 0};
    RedrawWindow(w->handle, &none, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

} // namespace plat::ui

using namespace plat;
using namespace plat::ui;

namespace {

bool needOut(const void* out)
{
    if (out)
        return true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

// The client origin on the screen of a window, (0, 0) for null (the screen itself).
bool screenOrigin(HWND hwnd, POINT& at)
{
    at = POINT{0, 0};
    if (!hwnd)
        return true;
    auto w = findWindow(hwnd);
    if (!w)
        return false;
    std::lock_guard lock(windowsMutex());
    at = clientOriginOnScreen(*w);
    return true;
}

bool isSpecialInsertAfter(HWND h)
{
    return h == HWND_TOP || h == HWND_BOTTOM || h == HWND_TOPMOST || h == HWND_NOTOPMOST;
}

// Showing a top-level window of the calling thread makes it the active one.
void activateShown(const Window& w)
{
    if (!parentOf(w) && w.parent != HWND_MESSAGE && w.threadId == currentThreadId())
        input::activate(w.handle, WA_ACTIVE);
}

bool showActivates(int nCmdShow)
{
    switch (nCmdShow) {
    case SW_SHOWNORMAL:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMAXIMIZED:
    case SW_SHOW:
    case SW_RESTORE:
    case SW_SHOWDEFAULT: return true;
    default: return false;
    }
}

} // namespace

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect)
{
    auto w = findWindow(hWnd);
    if (!w || !needOut(lpRect))
        return FALSE;
    std::lock_guard lock(windowsMutex());
    *lpRect = windowOnScreen(*w);
    return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect)
{
    auto w = findWindow(hWnd);
    if (!w || !needOut(lpRect))
        return FALSE;
    std::lock_guard lock(windowsMutex());
    const RECT client = clientInWindow(*w);
    *lpRect = RECT{0, 0, width(client), height(client)};
    return TRUE;
}

int MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints)
{
    POINT from, to;
    if (!screenOrigin(hWndFrom, from) || !screenOrigin(hWndTo, to))
        return 0;
    const LONG dx = from.x - to.x;
    const LONG dy = from.y - to.y;
    for (UINT i = 0; lpPoints && i < cPoints; ++i) {
        lpPoints[i].x += dx;
        lpPoints[i].y += dy;
    }
    SetLastError(0);
    return int(MAKELONG(dx, dy));
}

namespace {

// Moves a point by the window's client origin on the screen, times direction.
BOOL shiftByClientOrigin(HWND hWnd, LPPOINT lpPoint, LONG direction)
{
    POINT at;
    if (!hWnd || !needOut(lpPoint) || !screenOrigin(hWnd, at))
        return FALSE;
    lpPoint->x += direction * at.x;
    lpPoint->y += direction * at.y;
    return TRUE;
}

} // namespace

BOOL ClientToScreen(HWND hWnd, LPPOINT lpPoint) { return shiftByClientOrigin(hWnd, lpPoint, 1); }

BOOL ScreenToClient(HWND hWnd, LPPOINT lpPoint) { return shiftByClientOrigin(hWnd, lpPoint, -1); }

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    auto w = findWindow(hWnd);
    if (!w)
        return FALSE;
    const bool reordering = !(uFlags & SWP_NOZORDER) && hWndInsertAfter != hWnd;
    if (reordering && !isSpecialInsertAfter(hWndInsertAfter) && !findWindow(hWndInsertAfter))
        return FALSE;
    Placement was;
    bool orderChanged = false;
    {
        std::lock_guard lock(windowsMutex());
        was = toldPlacementOf(*w);
        RECT& r = w->rect;
        if (!(uFlags & SWP_NOMOVE))
            r = RECT{X, Y, X + width(r), Y + height(r)};
        if (!(uFlags & SWP_NOSIZE))
            r = RECT{r.left, r.top, r.left + std::max(cx, 0), r.top + std::max(cy, 0)};
        if (reordering)
            orderChanged = reorder(*w, hWndInsertAfter);
        if (uFlags & SWP_SHOWWINDOW)
            w->style.fetch_or(WS_VISIBLE);
        if (uFlags & SWP_HIDEWINDOW)
            w->style.fetch_and(~DWORD(WS_VISIBLE));
    }
    settle(w, was, orderChanged, !(uFlags & SWP_NOREDRAW));
    if (uFlags & SWP_HIDEWINDOW)
        input::windowLeaving(hWnd, false);
    if ((uFlags & SWP_SHOWWINDOW) && !(uFlags & SWP_NOACTIVATE))
        activateShown(*w);
    return TRUE;
}

BOOL MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint)
{
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW);
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight, flags);
}

BOOL BringWindowToTop(HWND hWnd)
{
    return SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

namespace {

// Sets or clears a state bit (WS_MINIMIZE, WS_MAXIMIZE); on a change the window hears WM_SIZE and
// is repainted as a whole when it comes back from being minimised. A maximised window keeps its
// size: the desktop, where there is one, makes it fill the screen and says so as a resize.
void setState(const std::shared_ptr<Window>& w, DWORD bit, bool on)
{
    Placement was;
    bool unminimized;
    {
        std::lock_guard lock(windowsMutex());
        const DWORD style = w->style.load();
        if (((style & bit) != 0) == on)
            return;
        was = toldPlacementOf(*w);
        unminimized = bit == WS_MINIMIZE && !on;
        if (on)
            w->style.fetch_or(bit);
        else
            w->style.fetch_and(~bit);
    }
    if (!parentOf(*w) && w->parent != HWND_MESSAGE)
        display().topLevelChanged(w->handle);
    sendSize(w->handle, *w, was.client);
    if (unminimized)
        RedrawWindow(w->handle, nullptr, nullptr, kRedrawAll);
}

} // namespace

BOOL ShowWindow(HWND hWnd, int nCmdShow)
{
    auto w = findWindow(hWnd);
    if (!w)
        return FALSE;
    const bool wasVisible = (w->style.load() & WS_VISIBLE) != 0;
    const bool show = nCmdShow != SW_HIDE;
    if (show != wasVisible) {
        SendMessageA(hWnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
            SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    }
    switch (nCmdShow) {
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE: setState(w, WS_MINIMIZE, true); break;
    case SW_SHOWMAXIMIZED:
        setState(w, WS_MINIMIZE, false);
        setState(w, WS_MAXIMIZE, true);
        break;
    case SW_RESTORE: // one step back: a minimised window comes back as it was, maximised or not
        if (w->style.load() & WS_MINIMIZE)
            setState(w, WS_MINIMIZE, false);
        else
            setState(w, WS_MAXIMIZE, false);
        break;
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
        setState(w, WS_MAXIMIZE, false);
        setState(w, WS_MINIMIZE, false);
        break;
    default: break;
    }
    if (showActivates(nCmdShow))
        activateShown(*w);
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hWnd)
{
    auto w = lookupWindow(hWnd);
    if (!w)
        return FALSE;
    std::lock_guard lock(windowsMutex());
    return visibleWithAncestors(*w) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hWnd)
{
    auto w = lookupWindow(hWnd);
    return w && (w->style.load() & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable)
{
    auto w = findWindow(hWnd);
    if (!w)
        return FALSE;
    const DWORD before = bEnable ? w->style.fetch_and(~DWORD(WS_DISABLED)) : w->style.fetch_or(WS_DISABLED);
    const bool wasDisabled = (before & WS_DISABLED) != 0;
    if (wasDisabled == !bEnable)
        return wasDisabled ? TRUE : FALSE;
    if (!bEnable)
        input::windowDisabled(hWnd);
    SendMessageA(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hWnd)
{
    auto w = findWindow(hWnd);
    return w && !(w->style.load() & WS_DISABLED) ? TRUE : FALSE;
}
