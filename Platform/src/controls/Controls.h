#pragma once

// What the window core needs of the built-in controls, and what the controls share: the system
// classes, the default procedure's part for control colours and own scroll bars, fonts and
// colours of a control.

#include "plat/controls.h"
#include "plat/gdi.h"
#include "plat/paint.h"

#include <string>
#include <vector>

namespace plat::controls {

struct SystemClass {
    const char* name;
    WNDPROC proc;
    int cursorId; // IDC_ number
};
// The classes present before the first window.
const std::vector<SystemClass>& systemClasses();

// Extra bytes every control class has: its font, then its own state.
constexpr int kFontSlot = 0;
constexpr int kStateSlot = sizeof(LONG_PTR);
constexpr int kControlExtra = 2 * sizeof(LONG_PTR);

// DefWindowProcA's answer to WM_CTLCOLOR*, and its part for a window's own scroll bars.
bool isDefaultControlMessage(UINT msg);
LRESULT defaultControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The brush a control paints with: its parent's answer to msg, else the default; the DC's colours
// are set by whichever answered. sender is the window named in lParam (a combo box names itself
// for its parts).
HBRUSH controlBrush(HWND control, UINT msg, HDC hdc, HWND sender = nullptr);

// WM_SETFONT / WM_GETFONT of a control; the font to draw with (the default GUI font when none
// was set or the set one is gone).
bool fontMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
HFONT controlFont(HWND hwnd);

// WM_PAINT, WM_PRINTCLIENT (PRF_CLIENT, into wParam's DC) and WM_ERASEBKGND of a control that
// paints its whole client area through one function; false for other messages.
using PaintFunction = void (*)(HWND hwnd, HDC hdc);
bool paintMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, PaintFunction paint);

// A control's procedure once its state (kept in kStateSlot) exists: the state goes with
// WM_NCDESTROY, painting goes to paint, and the rest to handle.
template <class State>
LRESULT runControl(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, PaintFunction paint,
    LRESULT (*handle)(HWND, State&, UINT, WPARAM, LPARAM))
{
    auto* st = reinterpret_cast<State*>(GetWindowLongPtrA(hwnd, kStateSlot));
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, kStateSlot, 0);
        delete st;
        return 0;
    }
    if (!st)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (paintMessage(hwnd, msg, wParam, lParam, paint))
        return msg == WM_ERASEBKGND;
    return handle(hwnd, *st, msg, wParam, lParam);
}

// Tells the parent of a child control a WM_COMMAND notification code (nothing for a window
// that is not a child).
void notifyParent(HWND control, int code);
// Sends the parent of a child control a WM_NOTIFY with an NMHDR-headed record whose header
// this fills in; answers the parent's answer (0 without one).
LRESULT notifyParent(HWND control, NMHDR& header, int code);

// A DC of the control with its font selected, for measuring.
class MeasureDc {
public:
    explicit MeasureDc(HWND hwnd);
    ~MeasureDc();
    MeasureDc(const MeasureDc&) = delete;
    MeasureDc& operator=(const MeasureDc&) = delete;
    HDC hdc() const { return m_dc; }
    // The height of a text cell of the font.
    int cellHeight() const;

private:
    HWND m_hwnd;
    HDC m_dc;
    HGDIOBJ m_old;
};

// The procedure of a control whose state needs nothing from its creation: the state is made at
// WM_NCCREATE, fonts are kept, and a new text or enabled state repaints the control.
template <class State>
LRESULT simpleControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, PaintFunction paint,
    LRESULT (*handle)(HWND, State&, UINT, WPARAM, LPARAM))
{
    LRESULT result = 0;
    if (fontMessage(hwnd, msg, wParam, lParam, result))
        return result;
    switch (msg) {
    case WM_NCCREATE:
        SetWindowLongPtrA(hwnd, kStateSlot, LONG_PTR(new State));
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_SETTEXT:
    case WM_ENABLE:
        result = DefWindowProcA(hwnd, msg, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return result;
    default: return runControl<State>(hwnd, msg, wParam, lParam, paint, handle);
    }
}

// The same for a control of rows (its State has rowHeight): rows are the font's cell and padding
// high, from creation and after every font change.
template <class State>
LRESULT rowControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, PaintFunction paint,
    LRESULT (*handle)(HWND, State&, UINT, WPARAM, LPARAM), int padding)
{
    const LRESULT result = simpleControlProc<State>(hwnd, msg, wParam, lParam, paint, handle);
    if (msg == WM_NCCREATE || msg == WM_SETFONT)
        if (auto* st = reinterpret_cast<State*>(GetWindowLongPtrA(hwnd, kStateSlot)))
            st->rowHeight = MeasureDc(hwnd).cellHeight() + padding;
    return result;
}

// A window's text.
std::string windowTextOf(HWND hwnd);

// Drawing shared by the controls: a rectangle in a system colour, a raised box in the button
// face colour, and a small triangle in a box pointing up or left, or (towardsEnd) down or right.
void fillRect(HDC hdc, RECT r, int color);
void raisedBox(HDC hdc, RECT r);
// A 1-px frame: light top-left and dark bottom-right when raised, the other way when sunken.
void edgeFrame(HDC hdc, RECT r, bool raised);
// A dotted rectangle marking the focus.
void focusFrame(HDC hdc, RECT r);
void arrowGlyph(HDC hdc, RECT box, bool vertical, bool towardsEnd, bool active);

// A window's own scroll bars: the hit code over one (0 elsewhere; screen point) and their
// painting into a window DC.
LRESULT ownBarHit(HWND hwnd, POINT screen);
void paintOwnBars(HWND hwnd, HDC windowDc);

} // namespace plat::controls
