// Update regions, WM_PAINT and its companions, and the update lock.

#include "Painting.h"

#include "../gdi/DeviceContext.h"
#include "../gdi/RegionObject.h"
#include "WindowGeometry.h"
#include "controls/Controls.h"
#include "plat/errors.h"
#include "plat/gdi.h"
#include "plat/paint.h"
#include "plat/sysmetrics.h"

#include <utility>

namespace plat::ui {

namespace {

// Under windowsMutex(): the window holding the update lock.
HWND g_lockedWindow = nullptr;

bool hasEdges(const Window& w)
{
    const RECT client = clientInWindow(w);
    return client.left > 0 || client.top > 0 || client.right < width(w.rect) || client.bottom < height(w.rect);
}

// Under windowsMutex().
bool needsPaint(const Window& w)
{
    return (!w.update.isEmpty() || w.frameWanted) && showing(w) && !inLockedTree(w);
}

// Under windowsMutex(): applies RDW_INVALIDATE / RDW_VALIDATE to a window (and with
// RDW_ALLCHILDREN to its descendants); area is in the window's client coordinates, null for all
// of it. Collects the queues of windows that now have something to paint.
void changeUpdate(Window& w, const gdi::Region* area, UINT flags, std::vector<std::shared_ptr<ThreadQueue>>& wake)
{
    if ((flags & RDW_INVALIDATE) && !showing(w))
        return; // a hidden window is painted whole when it is shown
    const RECT client = clientInWindow(w);
    const gdi::Region whole(RECT{0, 0, width(client), height(client)});
    const gdi::Region part = area ? area->intersected(whole) : whole;
    const bool needed = needsPaint(w);
    if (flags & RDW_INVALIDATE) {
        if (!part.isEmpty()) {
            w.update = w.update.united(part);
            if (flags & RDW_ERASE)
                w.eraseWanted = true;
        }
        if ((flags & RDW_FRAME) && hasEdges(w))
            w.frameWanted = true;
    } else if (flags & RDW_VALIDATE) {
        w.update = w.update.subtracted(part);
        if (w.update.isEmpty() || (flags & RDW_NOERASE))
            w.eraseWanted = false;
        if (flags & RDW_NOFRAME)
            w.frameWanted = false;
    }
    if (!needed && needsPaint(w))
        wake.push_back(w.queue);
    if (!(flags & RDW_ALLCHILDREN))
        return;
    for (HWND hwnd : w.children) {
        auto child = lookupWindow(hwnd);
        if (!child)
            continue;
        if (!area) {
            changeUpdate(*child, nullptr, flags, wake);
            continue;
        }
        const RECT childClient = clientInWindow(*child);
        gdi::Region inChild = part;
        inChild.offset(-(child->rect.left + childClient.left), -(child->rect.top + childClient.top));
        changeUpdate(*child, &inChild, flags, wake);
    }
}

// Tells each queue that it has a window to paint.
void wakeForPaint(const std::vector<std::shared_ptr<ThreadQueue>>& queues)
{
    for (const auto& q : queues) {
        bool wake;
        {
            std::lock_guard lock(q->mutex);
            q->changed |= QS_PAINT;
            wake = q->claimWake();
        }
        if (wake)
            q->wakeClaimed();
    }
}

// The windows of a tree, parents first, that have something to paint now.
std::vector<HWND> windowsToPaint(const Window& root)
{
    std::vector<HWND> out;
    std::vector<const Window*> stack{&root};
    std::vector<std::shared_ptr<Window>> hold;
    while (!stack.empty()) {
        const Window* w = stack.back();
        stack.pop_back();
        if (needsPaint(*w))
            out.push_back(w->handle);
        for (auto it = w->children.begin(); it != w->children.end(); ++it) // the topmost pops first
            if (auto child = lookupWindow(*it)) {
                stack.push_back(child.get());
                hold.push_back(std::move(child));
            }
    }
    return out;
}

} // namespace

bool redraw(HWND hwnd, const gdi::Region* area, UINT flags)
{
    auto w = findWindow(hwnd);
    if (!w)
        return false;
    std::vector<std::shared_ptr<ThreadQueue>> wake;
    std::vector<HWND> paintNow;
    {
        std::lock_guard lock(windowsMutex());
        if (flags & (RDW_INVALIDATE | RDW_VALIDATE))
            changeUpdate(*w, area, flags, wake);
        if (flags & RDW_UPDATENOW)
            paintNow = windowsToPaint(*w);
    }
    wakeForPaint(wake);
    for (HWND target : paintNow)
        if ((flags & RDW_ALLCHILDREN) || target == hwnd)
            SendMessageA(target, WM_PAINT, 0, 0);
    return true;
}

namespace {

// The region an HRGN names, or false (ERROR_INVALID_HANDLE).
bool regionOf(HRGN hrgn, gdi::Region& out)
{
    auto object = gdi::findAs<gdi::RegionObject>(hrgn);
    if (!object)
        return false;
    out = object->region;
    return true;
}

bool redrawRect(HWND hwnd, const RECT* rect, UINT flags)
{
    if (!rect)
        return redraw(hwnd, nullptr, flags);
    const gdi::Region area(*rect);
    return redraw(hwnd, &area, flags);
}

bool redrawRgn(HWND hwnd, HRGN hrgn, UINT flags)
{
    if (!hrgn)
        return redraw(hwnd, nullptr, flags);
    gdi::Region area;
    return regionOf(hrgn, area) && redraw(hwnd, &area, flags);
}

} // namespace

bool inLockedTree(const Window& w)
{
    if (!g_lockedWindow)
        return false;
    if (w.handle == g_lockedWindow)
        return true;
    for (auto p = parentOf(w); p; p = parentOf(*p))
        if (p->handle == g_lockedWindow)
            return true;
    return false;
}

HWND windowToPaint(ThreadQueue& q, HWND filter)
{
    std::lock_guard lock(windowsMutex());
    // A thread's windows are listed as made, so a parent of the thread comes before its children.
    for (HWND hwnd : q.windows) {
        if (filter && hwnd != filter)
            continue;
        auto w = lookupWindow(hwnd);
        if (w && needsPaint(*w))
            return hwnd;
    }
    return nullptr;
}

void forgetPainting(const Window& w)
{
    if (g_lockedWindow == w.handle)
        g_lockedWindow = nullptr;
}

LRESULT defaultPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    if (BeginPaint(hwnd, &ps))
        EndPaint(hwnd, &ps);
    return 0;
}

LRESULT defaultEraseBackground(HWND hwnd, HDC hdc)
{
    auto w = findWindow(hwnd);
    if (!w || !w->cls->background)
        return 0;
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(hdc, &client, w->cls->background);
    return 1;
}

namespace {

// One ring of a frame, one pixel wide: the top and left edges in one colour, the bottom and
// right in another; rect shrinks by the ring.
void drawRing(HDC hdc, RECT& r, int topLeft, int bottomRight)
{
    if (r.right - r.left < 1 || r.bottom - r.top < 1)
        return;
    HBRUSH light = GetSysColorBrush(topLeft);
    HBRUSH dark = GetSysColorBrush(bottomRight);
    const RECT top{r.left, r.top, r.right, r.top + 1};
    const RECT left{r.left, r.top, r.left + 1, r.bottom};
    const RECT bottom{r.left, r.bottom - 1, r.right, r.bottom};
    const RECT right{r.right - 1, r.top, r.right, r.bottom};
    FillRect(hdc, &bottom, dark);
    FillRect(hdc, &right, dark);
    FillRect(hdc, &top, light);
    FillRect(hdc, &left, light);
    r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
}

} // namespace

LRESULT defaultNcPaint(HWND hwnd)
{
    auto w = findWindow(hwnd);
    if (!w)
        return 0;
    RECT r;
    bool edges;
    {
        std::lock_guard lock(windowsMutex());
        r = RECT{0, 0, width(w->rect), height(w->rect)};
        edges = hasEdges(*w);
    }
    if (!edges)
        return 0;
    HDC hdc = GetWindowDC(hwnd);
    if (!hdc)
        return 0;
    const DWORD style = w->style.load();
    const DWORD exStyle = w->exStyle.load();
    if (style & WS_BORDER)
        drawRing(hdc, r, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
    if (exStyle & WS_EX_STATICEDGE)
        drawRing(hdc, r, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    if (exStyle & WS_EX_CLIENTEDGE) {
        drawRing(hdc, r, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
        drawRing(hdc, r, COLOR_3DDKSHADOW, COLOR_3DLIGHT);
    }
    controls::paintOwnBars(hwnd, hdc);
    ReleaseDC(hwnd, hdc);
    return 0;
}

} // namespace plat::ui

using namespace plat;
using namespace plat::ui;

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase)
{
    return redrawRect(hWnd, lpRect, RDW_INVALIDATE | (bErase ? RDW_ERASE : 0)) ? TRUE : FALSE;
}

BOOL InvalidateRgn(HWND hWnd, HRGN hRgn, BOOL bErase)
{
    return redrawRgn(hWnd, hRgn, RDW_INVALIDATE | (bErase ? RDW_ERASE : 0)) ? TRUE : FALSE;
}

BOOL ValidateRect(HWND hWnd, const RECT* lpRect) { return redrawRect(hWnd, lpRect, RDW_VALIDATE) ? TRUE : FALSE; }

BOOL ValidateRgn(HWND hWnd, HRGN hRgn) { return redrawRgn(hWnd, hRgn, RDW_VALIDATE) ? TRUE : FALSE; }

BOOL RedrawWindow(HWND hWnd, const RECT* lprcUpdate, HRGN hrgnUpdate, UINT flags)
{
    if (hrgnUpdate)
        return redrawRgn(hWnd, hrgnUpdate, flags) ? TRUE : FALSE;
    return redrawRect(hWnd, lprcUpdate, flags) ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hWnd) { return redraw(hWnd, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN) ? TRUE : FALSE; }

BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase)
{
    auto w = findWindow(hWnd);
    if (!w)
        return FALSE;
    RECT bounds{0, 0, 0, 0};
    bool eraseNow = false;
    {
        std::lock_guard lock(windowsMutex());
        if (!w->update.isEmpty())
            bounds = w->update.bounds();
        eraseNow = bErase && w->eraseWanted && !w->update.isEmpty();
    }
    if (eraseNow) {
        // Erases under the update region now, as the paint would have; the region stays.
        gdi::Region limit;
        {
            std::lock_guard lock(windowsMutex());
            limit = w->update;
            const POINT origin = clientOriginInTop(*w);
            limit.offset(origin.x, origin.y);
        }
        if (auto dc = windowDc(w, true, &limit)) {
            if (SendMessageA(hWnd, WM_ERASEBKGND, WPARAM(dc->hdc()), 0)) {
                std::lock_guard lock(windowsMutex());
                w->eraseWanted = false;
            }
            ReleaseDC(hWnd, dc->hdc());
        }
    }
    if (lpRect)
        *lpRect = bounds;
    return bounds.left < bounds.right ? TRUE : FALSE;
}

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    auto w = findWindow(hWnd);
    if (!w)
        return nullptr;
    if (!lpPaint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (w->threadId != currentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    bool frame;
    {
        std::lock_guard lock(windowsMutex());
        frame = std::exchange(w->frameWanted, false);
    }
    if (frame)
        SendMessageA(hWnd, WM_NCPAINT, 1, 0);
    gdi::Region update;
    bool erase;
    {
        std::lock_guard lock(windowsMutex());
        update = std::exchange(w->update, gdi::Region());
        erase = std::exchange(w->eraseWanted, false);
    }
    gdi::Region limit = update;
    {
        std::lock_guard lock(windowsMutex());
        const POINT origin = clientOriginInTop(*w);
        limit.offset(origin.x, origin.y);
    }
    auto dc = windowDc(w, true, &limit);
    if (!dc)
        return nullptr;
    *lpPaint = PAINTSTRUCT{};
    lpPaint->hdc = dc->hdc();
    if (!update.isEmpty())
        lpPaint->rcPaint = update.bounds();
    if (erase)
        lpPaint->fErase = SendMessageA(hWnd, WM_ERASEBKGND, WPARAM(lpPaint->hdc), 0) ? FALSE : TRUE;
    return lpPaint->hdc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint)
{
    if (!lpPaint)
        return FALSE;
    ReleaseDC(hWnd, lpPaint->hdc);
    return TRUE;
}

BOOL LockWindowUpdate(HWND hWndLock)
{
    HWND unlocked = nullptr;
    {
        std::lock_guard lock(windowsMutex());
        if (hWndLock) {
            if (g_lockedWindow || !windowHandles().lookup(HANDLE(hWndLock)))
                return FALSE;
            g_lockedWindow = hWndLock;
            return TRUE;
        }
        unlocked = std::exchange(g_lockedWindow, nullptr);
    }
    if (unlocked)
        RedrawWindow(unlocked, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
}
