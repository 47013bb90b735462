// Mouse messages: the window under the point, hit codes, activation by click, the cursor and
// double clicks.

#include "input/Input.h"
#include "input/WindowGeometry.h"

#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "ui/Display.h"
#include "ui/UiCore.h"

#include <cstdlib>

namespace plat::input {

namespace {

constexpr UINT kDoubleClickMs = 500;
constexpr int kDoubleClickHalfBox = 2; // a 4 x 4 box centred on the first press

// Under inputMutex().
POINT g_cursor{0, 0};
HWND g_capture = nullptr;

// The first press of a possible double click, on the thread that took it.
struct FirstPress {
    bool valid = false;
    HWND hwnd = nullptr;
    int button = 0;
    uint64_t time = 0;
    POINT pt{};
};

FirstPress& firstPress()
{
    thread_local FirstPress press;
    return press;
}

bool contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

bool under(HWND hwnd, POINT pt) { return contains(windowScreenRect(hwnd), pt) && regionContains(hwnd, pt); }

// Appends the windows under pt within hwnd's tree, the deepest and topmost first, then hwnd. A
// disabled child covers the point for its parent: nothing below it in its parent is offered.
void stackUnder(HWND hwnd, POINT pt, std::vector<HWND>& out)
{
    for (HWND child : childrenTopFirst(hwnd)) {
        if (!under(child, pt))
            continue;
        if (!enabledItself(child))
            break;
        stackUnder(child, pt, out);
    }
    out.push_back(hwnd);
}

// The windows that may take a mouse event at pt, in the order they are offered it (the next
// one is the "window below" of HTTRANSPARENT). A disabled top-level window takes none and
// hides what is below it, unless skipDisabled.
std::vector<HWND> windowsUnder(POINT pt, bool skipDisabled)
{
    std::vector<HWND> out;
    for (HWND top : topLevelsTopFirst()) {
        if (!under(top, pt))
            continue;
        if (!enabledItself(top)) {
            if (skipDisabled)
                continue;
            break;
        }
        stackUnder(top, pt, out);
    }
    return out;
}

HWND captureWindow() { return liveWindowIn(g_capture); }

LPARAM packPoint(POINT p) { return LPARAM(DWORD(WORD(SHORT(p.x))) | DWORD(WORD(SHORT(p.y))) << 16); }

LPARAM hitAndMessage(LRESULT hit, UINT msg) { return LPARAM(DWORD(WORD(SHORT(hit))) | DWORD(msg) << 16); }

// The client message of an event before double clicks: WM_MOUSEMOVE, WM_xBUTTONDOWN/UP.
UINT clientMessageOf(const RawEvent& ev)
{
    static constexpr UINT kDown[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    if (ev.kind == EventKind::Move)
        return WM_MOUSEMOVE;
    return kDown[ev.button] + (ev.down ? 0 : 1);
}

UINT nonClientMessageOf(UINT clientMsg)
{
    return clientMsg == WM_MOUSEMOVE ? WM_NCMOUSEMOVE : clientMsg - WM_LBUTTONDOWN + WM_NCLBUTTONDOWN;
}

bool classWantsDoubleClicks(HWND hwnd)
{
    auto w = ui::findWindow(hwnd);
    return w && (w->cls->style & CS_DBLCLKS);
}

// Whether a press makes a double click with the first press kept, which it then replaces.
bool isDoubleClick(HWND hwnd, const RawEvent& ev, bool remove)
{
    FirstPress& first = firstPress();
    const bool dbl = first.valid && first.hwnd == hwnd && first.button == ev.button
        && ev.time - first.time <= GetDoubleClickTime() && std::abs(ev.pt.x - first.pt.x) <= kDoubleClickHalfBox
        && std::abs(ev.pt.y - first.pt.y) <= kDoubleClickHalfBox && classWantsDoubleClicks(hwnd);
    if (remove) {
        first = dbl ? FirstPress{} : FirstPress{true, hwnd, ev.button, ev.time, ev.pt};
    }
    return dbl;
}

// The target of a mouse event and its hit code; null when no window of this thread takes it.
HWND findTarget(RawEvent& ev, LRESULT& hit, bool& captured)
{
    if (ev.hitWindow && IsWindow(ev.hitWindow)) {
        hit = ev.hit;
        captured = ev.captured;
        return ev.hitWindow;
    }
    captured = false;
    if (HWND capture = captureWindow()) {
        captured = true;
        hit = SendMessageA(capture, WM_NCHITTEST, 0, packPoint(ev.pt));
        return capture;
    }
    const DWORD me = ui::currentQueue().threadId;
    for (HWND candidate : windowsUnder(ev.pt, false)) {
        if (GetWindowThreadProcessId(candidate, nullptr) != me)
            return nullptr;
        hit = SendMessageA(candidate, WM_NCHITTEST, 0, packPoint(ev.pt));
        if (hit != HTTRANSPARENT)
            return IsWindow(candidate) ? candidate : nullptr;
    }
    return nullptr;
}

Outcome wheelMessage(const RawEvent& ev, HWND filter, UINT low, UINT high, MSG& out)
{
    HWND target = threadFocus() ? threadFocus() : threadActive();
    if (!target)
        return Outcome::Drop;
    const WPARAM wParam = WPARAM(DWORD(WORD(ev.keyFlags)) | DWORD(WORD(SHORT(ev.wheelDelta))) << 16);
    out = MSG{target, WM_MOUSEWHEEL, wParam, packPoint(ev.pt), DWORD(ev.time), ev.pt};
    return ui::hwndMatches(filter, target) && ui::rangeMatches(low, high, WM_MOUSEWHEEL) ? Outcome::Deliver
                                                                                         : Outcome::Skip;
}

// A press in a window of an inactive top-level window asks it whether to activate; false when
// the click is to be dropped.
bool activateByClick(HWND target, LRESULT hit, UINT clientMsg)
{
    HWND top = topLevelOf(target);
    if (!top || top == threadActive())
        return true;
    const LRESULT answer = SendMessageA(target, WM_MOUSEACTIVATE, WPARAM(top), hitAndMessage(hit, clientMsg));
    if (answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT)
        activate(top, WA_CLICKACTIVE);
    return answer != MA_ACTIVATEANDEAT && answer != MA_NOACTIVATEANDEAT;
}

} // namespace

POINT& cursorPosition() { return g_cursor; }

WPARAM asyncMouseKeyFlags()
{
    const BYTE* keys = asyncKeyTable();
    WPARAM flags = 0;
    if (keys[VK_LBUTTON] & 0x80)
        flags |= MK_LBUTTON;
    if (keys[VK_RBUTTON] & 0x80)
        flags |= MK_RBUTTON;
    if (keys[VK_MBUTTON] & 0x80)
        flags |= MK_MBUTTON;
    if (keys[VK_SHIFT] & 0x80)
        flags |= MK_SHIFT;
    if (keys[VK_CONTROL] & 0x80)
        flags |= MK_CONTROL;
    return flags;
}

HWND mouseEventWindow(const RawEvent& ev)
{
    if (ev.kind == EventKind::Wheel)
        return GetForegroundWindow();
    if (HWND capture = captureWindow())
        return capture;
    std::vector<HWND> candidates = windowsUnder(ev.pt, false);
    return candidates.empty() ? nullptr : candidates.front();
}

Outcome mouseMessage(RawEvent& ev, HWND filter, UINT low, UINT high, bool remove, MSG& out)
{
    if (ev.kind == EventKind::Wheel)
        return wheelMessage(ev, filter, low, high, out);
    LRESULT hit = HTNOWHERE;
    bool captured = false;
    HWND target = findTarget(ev, hit, captured);
    if (!target)
        return Outcome::Drop;
    ev.hitWindow = target;
    ev.hit = hit;
    ev.captured = captured;
    const UINT clientMsg = clientMessageOf(ev);
    const bool client = captured || hit == HTCLIENT;
    UINT msg = client ? clientMsg : nonClientMessageOf(clientMsg);
    const bool press = ev.kind == EventKind::Button && ev.down;
    if (press && client && isDoubleClick(target, ev, false))
        msg += 2;
    if (!ui::hwndMatches(filter, target) || !ui::rangeMatches(low, high, msg))
        return Outcome::Skip;
    if (remove) {
        if (press && !captured && !activateByClick(target, hit, clientMsg))
            return Outcome::Drop;
        if (!captured)
            SendMessageA(target, WM_SETCURSOR, WPARAM(target), hitAndMessage(hit, clientMsg));
        if (!IsWindow(target))
            return Outcome::Drop;
        if (press && client)
            isDoubleClick(target, ev, true);
        if (ev.kind == EventKind::Button)
            setButtonInTable(threadKeyTable(), ev.button, ev.down);
    }
    const LPARAM where = client ? packPoint(screenToClient(target, ev.pt)) : packPoint(ev.pt);
    out = MSG{target, msg, client ? ev.keyFlags : WPARAM(hit), where, DWORD(ev.time), ev.pt};
    return Outcome::Deliver;
}

} // namespace plat::input

using namespace plat;
using namespace plat::input;

HWND SetCapture(HWND hWnd)
{
    if (!ui::findWindow(hWnd))
        return nullptr;
    HWND previous;
    {
        std::lock_guard lock(inputMutex());
        previous = g_capture;
        g_capture = hWnd;
    }
    if (previous && previous != hWnd && IsWindow(previous))
        SendMessageA(previous, WM_CAPTURECHANGED, 0, LPARAM(hWnd));
    return previous;
}

BOOL ReleaseCapture()
{
    HWND previous;
    {
        std::lock_guard lock(inputMutex());
        previous = g_capture;
        g_capture = nullptr;
    }
    if (previous && IsWindow(previous))
        SendMessageA(previous, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() { return captureWindow(); }

BOOL GetCursorPos(LPPOINT lpPoint)
{
    if (!lpPoint)
        return FALSE;
    std::lock_guard lock(inputMutex());
    *lpPoint = g_cursor;
    return TRUE;
}

BOOL SetCursorPos(int X, int Y)
{
    RawEvent move;
    move.kind = EventKind::Move;
    move.pt = POINT{X, Y};
    queueEvent(std::move(move));
    ui::display().cursorPlaced(POINT{X, Y});
    return TRUE;
}

HWND WindowFromPoint(POINT Point)
{
    std::vector<HWND> candidates = windowsUnder(Point, true);
    return candidates.empty() ? nullptr : candidates.front();
}

UINT GetDoubleClickTime() { return kDoubleClickMs; }
