// Scroll bars: the ScrollBar control (SB_CTL) and the bars a window shows in its non-client
// strip (SB_VERT, SB_HORZ) keep the same settings, lay out and paint alike and are tracked by the
// same code. A bar only reports what the user does; whoever receives WM_HSCROLL / WM_VSCROLL
// moves it with SetScrollInfo.

#include "controls/ScrollBar.h"

#include "controls/Controls.h"
#include "ui/UiCore.h"
#include "ui/WindowGeometry.h"

#include "plat/errors.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/sysmetrics.h"
#include "plat/timer.h"

#include <algorithm>
#include <cstdint>

namespace plat::controls {

namespace {

using ui::ScrollData;

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeat = 400;
constexpr UINT kNextRepeat = 100;
constexpr int kMinThumb = 8;

// The highest position the settings allow.
int maxPos(const ScrollData& d) { return d.max - std::max(d.page - 1, 0); }

bool scrollable(const ScrollData& d) { return maxPos(d) > d.min; }

void apply(ScrollData& d, const SCROLLINFO& si)
{
    if (si.fMask & SIF_RANGE) {
        d.min = si.nMin;
        d.max = std::max(si.nMax, si.nMin);
    }
    if (si.fMask & SIF_PAGE)
        d.page = int(std::min<UINT>(si.nPage, 0x7FFFFFFF));
    if (si.fMask & SIF_POS)
        d.pos = si.nPos;
    const int64_t span = int64_t(d.max) - d.min + 1;
    d.page = int(std::clamp<int64_t>(d.page, 0, span));
    d.pos = std::clamp(d.pos, d.min, std::max(maxPos(d), d.min));
}

// Where the parts of a bar lie along its length, from its start.
struct Layout {
    int arrow;
    int troughStart;
    int troughEnd;
    int thumbStart = 0;
    int thumbLength = 0; // 0: no thumb
};

Layout layoutOf(const ScrollData& d, int length, int thickness)
{
    Layout l{};
    l.arrow = std::min(thickness, length / 2);
    l.troughStart = l.arrow;
    l.troughEnd = length - l.arrow;
    const int trough = l.troughEnd - l.troughStart;
    if (d.inactive || !scrollable(d))
        return l;
    int thumb = d.page == 0 ? GetSystemMetrics(SM_CYVTHUMB)
                            : int(int64_t(trough) * d.page / (int64_t(d.max) - d.min + 1));
    thumb = std::max(thumb, kMinThumb);
    if (thumb >= trough)
        return l;
    l.thumbLength = thumb;
    l.thumbStart = l.troughStart + int(int64_t(d.pos - d.min) * (trough - thumb) / (maxPos(d) - d.min));
    return l;
}

enum class Part { None, LineUp, LineDown, PageUp, PageDown, Thumb };

Part partAt(const Layout& l, int along, int length)
{
    if (along < 0 || along >= length)
        return Part::None;
    if (along < l.troughStart)
        return Part::LineUp;
    if (along >= l.troughEnd)
        return Part::LineDown;
    if (l.thumbLength == 0)
        return Part::None;
    if (along < l.thumbStart)
        return Part::PageUp;
    return along < l.thumbStart + l.thumbLength ? Part::Thumb : Part::PageDown;
}

// A bar: a control, or one of a window's own.
struct Target {
    HWND hwnd = nullptr;
    int bar = SB_CTL;
    bool operator==(const Target&) const = default;
};

struct BarState {
    RECT screen{}; // the bar on the screen
    bool vertical = false;
    ScrollData data;
};

int slotOf(const Target& t) { return t.bar == SB_CTL ? 0 : t.bar; }

// Under windowsMutex(): a window's own bar in its window coordinates, empty when not shown.
RECT ownBarRectLocked(const ui::Window& w, int bar)
{
    const DWORD flag = bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
    if (!(w.style.load() & flag) || !w.ownBars[bar].shown)
        return RECT{0, 0, 0, 0};
    const RECT c = ui::clientInWindow(w);
    if (bar == SB_VERT)
        return RECT{c.right, c.top, c.right + GetSystemMetrics(SM_CXVSCROLL), c.bottom};
    return RECT{c.left, c.bottom, c.right, c.bottom + GetSystemMetrics(SM_CYHSCROLL)};
}

bool stateOf(const Target& t, BarState& out)
{
    auto w = ui::lookupWindow(t.hwnd);
    if (!w)
        return false;
    std::lock_guard lock(ui::windowsMutex());
    out.data = w->ownBars[slotOf(t)];
    if (t.bar == SB_CTL) {
        const POINT at = ui::clientOriginOnScreen(*w);
        const RECT c = ui::clientInWindow(*w);
        out.screen = RECT{at.x, at.y, at.x + ui::width(c), at.y + ui::height(c)};
        out.vertical = (w->style.load() & SBS_VERT) != 0;
    } else {
        const RECT r = ownBarRectLocked(*w, t.bar);
        const RECT on = ui::windowOnScreen(*w);
        out.screen = RECT{r.left + on.left, r.top + on.top, r.right + on.left, r.bottom + on.top};
        out.vertical = t.bar == SB_VERT;
    }
    return true;
}

int lengthOf(const BarState& s) { return s.vertical ? ui::height(s.screen) : ui::width(s.screen); }
int thicknessOf(const BarState& s) { return s.vertical ? ui::width(s.screen) : ui::height(s.screen); }
int alongOf(const BarState& s, POINT pt) { return s.vertical ? pt.y - s.screen.top : pt.x - s.screen.left; }

void sendScroll(const Target& t, bool vertical, int code, int pos)
{
    const UINT msg = vertical ? WM_VSCROLL : WM_HSCROLL;
    const WPARAM wParam = MAKEWPARAM(code, pos);
    if (t.bar != SB_CTL) {
        SendMessageA(t.hwnd, msg, wParam, 0);
    } else if (HWND parent = GetParent(t.hwnd)) {
        SendMessageA(parent, msg, wParam, LPARAM(t.hwnd));
    }
}

// The gesture under way on this thread.
struct Track {
    Target target;
    Part part = Part::None;
    bool vertical = false;
    int grab = 0; // where along the thumb it was taken
    int trackPos = 0;
    POINT mouse{};
};

thread_local Track t_track;
thread_local HWND t_tracker = nullptr;

HWND trackerWindow()
{
    if (!t_tracker || !IsWindow(t_tracker))
        t_tracker = CreateWindowExA(0, kScrollTrackerClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    return t_tracker;
}

int codeOf(Part part)
{
    switch (part) {
    case Part::LineUp: return SB_LINEUP;
    case Part::LineDown: return SB_LINEDOWN;
    case Part::PageUp: return SB_PAGEUP;
    default: return SB_PAGEDOWN;
    }
}

// Arrows and trough pages repeat while the mouse stays on the part pressed: a page stops once
// the thumb has reached the mouse.
void repeatStep()
{
    BarState s;
    if (!stateOf(t_track.target, s))
        return;
    const Layout l = layoutOf(s.data, lengthOf(s), thicknessOf(s));
    if (partAt(l, alongOf(s, t_track.mouse), lengthOf(s)) == t_track.part)
        sendScroll(t_track.target, t_track.vertical, codeOf(t_track.part), 0);
}

void dragTo(POINT mouse)
{
    BarState s;
    if (!stateOf(t_track.target, s))
        return;
    const Layout l = layoutOf(s.data, lengthOf(s), thicknessOf(s));
    const int span = l.troughEnd - l.troughStart - l.thumbLength;
    if (span <= 0)
        return;
    const int offset = std::clamp(alongOf(s, mouse) - t_track.grab - l.troughStart, 0, span);
    const int64_t positions = int64_t(maxPos(s.data)) - s.data.min;
    const int pos = s.data.min + int((int64_t(offset) * positions + span / 2) / span);
    if (pos == t_track.trackPos)
        return;
    t_track.trackPos = pos;
    sendScroll(t_track.target, t_track.vertical, SB_THUMBTRACK, pos);
}

void endTrack()
{
    const Track done = t_track;
    t_track = Track{};
    if (!done.target.hwnd)
        return;
    KillTimer(t_tracker, kRepeatTimer);
    if (GetCapture() == t_tracker)
        ReleaseCapture();
    if (!IsWindow(done.target.hwnd))
        return;
    if (done.part == Part::Thumb)
        sendScroll(done.target, done.vertical, SB_THUMBPOSITION, done.trackPos);
    sendScroll(done.target, done.vertical, SB_ENDSCROLL, 0);
}

void startTrack(const Target& target, POINT screen)
{
    BarState s;
    if (t_track.target.hwnd || !stateOf(target, s) || s.data.inactive)
        return;
    const Layout l = layoutOf(s.data, lengthOf(s), thicknessOf(s));
    const int along = alongOf(s, screen);
    const Part part = partAt(l, along, lengthOf(s));
    HWND tracker = trackerWindow();
    if (part == Part::None || !tracker)
        return;
    t_track = Track{target, part, s.vertical, along - l.thumbStart, s.data.pos, screen};
    SetCapture(tracker);
    if (part == Part::Thumb)
        return;
    SetTimer(tracker, kRepeatTimer, kFirstRepeat, nullptr);
    sendScroll(target, s.vertical, codeOf(part), 0);
}

RECT span(const RECT& r, bool vertical, int from, int to)
{
    return vertical ? RECT{r.left, r.top + from, r.right, r.top + to} : RECT{r.left + from, r.top, r.left + to, r.bottom};
}

// A trough in the desktop's own colours is the classic half-tone of the face and the highlight: a
// solid one is the thumb's face, so a long thumb and the trough left beside it read alike, and the
// short rest of the trough looked like the thumb at the other end. A brush of the parent's stays.
void fillTrough(HDC hdc, const RECT& r, HBRUSH brush)
{
    FillRect(hdc, &r, brush);
    if (brush != GetSysColorBrush(COLOR_SCROLLBAR) && brush != GetSysColorBrush(COLOR_BTNFACE))
        return;
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left + ((r.left + y) & 1); x < r.right; x += 2)
            SetPixel(hdc, x, y, light);
}

void paintBar(HDC hdc, const RECT& r, bool vertical, const ScrollData& d, HBRUSH trough, bool enabled)
{
    const int length = vertical ? ui::height(r) : ui::width(r);
    const int thickness = vertical ? ui::width(r) : ui::height(r);
    if (length <= 0 || thickness <= 0)
        return;
    const Layout l = layoutOf(d, length, thickness);
    const bool active = enabled && !d.inactive && scrollable(d);
    const RECT first = span(r, vertical, 0, l.troughStart);
    const RECT last = span(r, vertical, l.troughEnd, length);
    raisedBox(hdc, first);
    raisedBox(hdc, last);
    arrowGlyph(hdc, first, vertical, false, active);
    arrowGlyph(hdc, last, vertical, true, active);
    const RECT troughRect = span(r, vertical, l.troughStart, l.troughEnd);
    fillTrough(hdc, troughRect, trough);
    if (active && l.thumbLength > 0)
        raisedBox(hdc, span(r, vertical, l.thumbStart, l.thumbStart + l.thumbLength));
}

void paintControl(HWND hwnd, HDC hdc)
{
    BarState s;
    if (!stateOf(Target{hwnd, SB_CTL}, s))
        return;
    RECT client;
    GetClientRect(hwnd, &client);
    HBRUSH trough = controlBrush(hwnd, WM_CTLCOLORSCROLLBAR, hdc);
    paintBar(hdc, client, s.vertical, s.data, trough, IsWindowEnabled(hwnd));
}

LRESULT setInfo(HWND hwnd, int slot, const SCROLLINFO& si, bool ownBar)
{
    auto w = ui::findWindow(hwnd);
    if (!w)
        return 0;
    ScrollData d;
    {
        std::lock_guard lock(ui::windowsMutex());
        d = w->ownBars[slot];
    }
    apply(d, si);
    if (!ownBar) {
        std::lock_guard lock(ui::windowsMutex());
        w->ownBars[slot] = d;
        return d.pos;
    }
    const bool keep = (si.fMask & SIF_DISABLENOSCROLL) != 0;
    d.inactive = keep && !scrollable(d);
    d.shown = keep || scrollable(d);
    ui::changeOwnBars(w, slot, d);
    return d.pos;
}

BOOL getInfo(HWND hwnd, const Target& t, SCROLLINFO& si)
{
    auto w = ui::findWindow(hwnd);
    if (!w)
        return FALSE;
    ScrollData d;
    {
        std::lock_guard lock(ui::windowsMutex());
        d = w->ownBars[slotOf(t)];
    }
    if (si.fMask & SIF_RANGE) {
        si.nMin = d.min;
        si.nMax = d.max;
    }
    if (si.fMask & SIF_PAGE)
        si.nPage = UINT(d.page);
    if (si.fMask & SIF_POS)
        si.nPos = d.pos;
    if (si.fMask & SIF_TRACKPOS)
        si.nTrackPos = t_track.target == t && t_track.part == Part::Thumb ? t_track.trackPos : d.pos;
    return TRUE;
}

bool validInfo(const SCROLLINFO* si)
{
    if (si && si->cbSize == sizeof(SCROLLINFO))
        return true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

void showOwnBar(HWND hwnd, int bar, bool show)
{
    auto w = ui::findWindow(hwnd);
    if (!w)
        return;
    ScrollData d;
    {
        std::lock_guard lock(ui::windowsMutex());
        d = w->ownBars[bar];
    }
    d.shown = show;
    ui::changeOwnBars(w, bar, d);
}

POINT trackerToScreen(HWND tracker, LPARAM lParam)
{
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(tracker, &pt);
    return pt;
}

} // namespace

void trackOwnBar(HWND hwnd, int bar, POINT screen) { startTrack(Target{hwnd, bar}, screen); }

LRESULT ownBarHit(HWND hwnd, POINT screen)
{
    BarState s;
    for (int bar : {SB_VERT, SB_HORZ}) {
        if (!stateOf(Target{hwnd, bar}, s))
            return 0;
        const RECT& r = s.screen;
        if (screen.x >= r.left && screen.x < r.right && screen.y >= r.top && screen.y < r.bottom)
            return bar == SB_VERT ? HTVSCROLL : HTHSCROLL;
    }
    return 0;
}

void paintOwnBars(HWND hwnd, HDC windowDc)
{
    auto w = ui::lookupWindow(hwnd);
    if (!w)
        return;
    RECT rects[2];
    ScrollData data[2];
    {
        std::lock_guard lock(ui::windowsMutex());
        for (int bar : {SB_HORZ, SB_VERT}) {
            rects[bar] = ownBarRectLocked(*w, bar);
            data[bar] = w->ownBars[bar];
        }
    }
    const bool enabled = IsWindowEnabled(hwnd);
    for (int bar : {SB_HORZ, SB_VERT})
        paintBar(windowDc, rects[bar], bar == SB_VERT, data[bar], GetSysColorBrush(COLOR_SCROLLBAR), enabled);
    if (rects[SB_HORZ].right < rects[SB_HORZ].left + 1 || rects[SB_VERT].bottom < rects[SB_VERT].top + 1)
        return;
    fillRect(windowDc, RECT{rects[SB_VERT].left, rects[SB_HORZ].top, rects[SB_VERT].right, rects[SB_HORZ].bottom},
        COLOR_BTNFACE);
}

LRESULT CALLBACK scrollBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (fontMessage(hwnd, msg, wParam, lParam, result))
        return result;
    if (paintMessage(hwnd, msg, wParam, lParam, paintControl))
        return msg == WM_ERASEBKGND;
    switch (msg) {
    case WM_CREATE: {
        auto w = ui::findWindow(hwnd);
        std::lock_guard lock(ui::windowsMutex());
        w->ownBars[0] = ScrollData{0, 0, 0, 0, true, false};
        return 0;
    }
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, FALSE); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(hwnd, &pt);
        startTrack(Target{hwnd, SB_CTL}, pt);
        return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case SBM_SETSCROLLINFO: {
        auto si = reinterpret_cast<const SCROLLINFO*>(lParam);
        if (!validInfo(si))
            return 0;
        const LRESULT pos = setInfo(hwnd, 0, *si, false);
        if (wParam)
            InvalidateRect(hwnd, nullptr, FALSE);
        return pos;
    }
    case SBM_GETSCROLLINFO: {
        auto si = reinterpret_cast<SCROLLINFO*>(lParam);
        return validInfo(si) ? getInfo(hwnd, Target{hwnd, SB_CTL}, *si) : FALSE;
    }
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

LRESULT CALLBACK scrollTrackerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_MOUSEMOVE:
        t_track.mouse = trackerToScreen(hwnd, lParam);
        if (t_track.part == Part::Thumb)
            dragTo(t_track.mouse);
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE: endTrack(); return 0;
    case WM_TIMER:
        if (wParam == kRepeatTimer && t_track.target.hwnd) {
            SetTimer(hwnd, kRepeatTimer, kNextRepeat, nullptr);
            repeatStep();
        }
        return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

} // namespace plat::controls

using namespace plat;
using namespace plat::controls;

int SetScrollInfo(HWND hwnd, int nBar, LPCSCROLLINFO lpsi, BOOL redraw)
{
    if (!validInfo(lpsi))
        return 0;
    if (nBar == SB_CTL)
        return int(SendMessageA(hwnd, SBM_SETSCROLLINFO, WPARAM(redraw), LPARAM(lpsi)));
    if (nBar != SB_VERT && nBar != SB_HORZ) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return int(setInfo(hwnd, nBar, *lpsi, true));
}

BOOL GetScrollInfo(HWND hwnd, int nBar, LPSCROLLINFO lpsi)
{
    if (!validInfo(lpsi))
        return FALSE;
    if (nBar == SB_CTL)
        return BOOL(SendMessageA(hwnd, SBM_GETSCROLLINFO, 0, LPARAM(lpsi)));
    if (nBar != SB_VERT && nBar != SB_HORZ) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return getInfo(hwnd, Target{hwnd, nBar}, *lpsi);
}

BOOL ShowScrollBar(HWND hWnd, int wBar, BOOL bShow)
{
    if (!ui::findWindow(hWnd))
        return FALSE;
    switch (wBar) {
    case SB_CTL: ShowWindow(hWnd, bShow ? SW_SHOW : SW_HIDE); break;
    case SB_HORZ:
    case SB_VERT: showOwnBar(hWnd, wBar, bShow); break;
    case SB_BOTH:
        showOwnBar(hWnd, SB_HORZ, bShow);
        showOwnBar(hWnd, SB_VERT, bShow);
        break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    return TRUE;
}
