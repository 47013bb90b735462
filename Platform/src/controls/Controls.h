#pragma once

// What the window core needs of the built-in controls, and what the controls share: the system
// classes, the default procedure's part for control colours and own scroll bars, fonts and
// colours of a control.

#include "plat/controls.h"
#include "plat/gdi.h"

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

// Drawing shared by the controls: a rectangle in a system colour, a raised box in the button
// face colour, and a small triangle in a box pointing up or left, or (towardsEnd) down or right.
void fillRect(HDC hdc, RECT r, int color);
void raisedBox(HDC hdc, RECT r);
void arrowGlyph(HDC hdc, RECT box, bool vertical, bool towardsEnd, bool active);

// A window's own scroll bars: the hit code over one (0 elsewhere; screen point) and their
// painting into a window DC.
LRESULT ownBarHit(HWND hwnd, POINT screen);
void paintOwnBars(HWND hwnd, HDC windowDc);

} // namespace plat::controls
