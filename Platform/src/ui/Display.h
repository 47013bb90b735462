#pragma once

// The display back end: what shows top-level windows to the user. Every top-level window draws
// into a surface of its own (see WindowSurface.h); the back end is told of the windows' lives
// and, on each window's own thread, of the parts of its surface that changed.

#include "plat/geometry.h"
#include "plat/types.h"

#include <string>

namespace plat::gdi {
struct Surface;
}

namespace plat::ui {

class DisplayBackend {
public:
    virtual ~DisplayBackend() = default;

    virtual SIZE screenSize() const = 0;
    // Where a top-level window of this size goes when its maker lets the desktop choose.
    virtual POINT defaultPosition(SIZE) const { return POINT{0, 0}; }

    // On the window's thread: a top-level window was made; it moved, changed size, was shown,
    // hidden, minimised or restored; it goes.
    virtual void topLevelCreated(HWND hwnd) = 0;
    virtual void topLevelChanged(HWND hwnd) = 0;
    virtual void topLevelDestroyed(HWND hwnd) = 0;

    // On the window's thread, once its retrieval routine has nothing left to hand out: dirty
    // (window coordinates, within the surface) was drawn since the last present.
    virtual void present(HWND hwnd, const gdi::Surface& surface, const RECT& dirty) = 0;

    // The cursor to show over the windows changed; shown is false while ShowCursor hides it.
    virtual void cursorChanged(HCURSOR cursor, bool shown) = 0;
    // From any thread: a cursor or icon handle was destroyed; what the back end made of it goes.
    virtual void cursorDestroyed(HCURSOR) {}
    // From any thread: SetCursorPos put the pointer at this screen point.
    virtual void cursorPlaced(POINT) {}
    // On the window's thread: a top-level window became the thread's active window.
    virtual void topLevelActivated(HWND) {}
    // On the caret's thread: the caret of a window was made, moved, shown, hidden or destroyed.
    // The back end draws it over what it presents of the window (see input/Caret.h), inverted and
    // blinking, never into the window's surface.
    virtual void caretChanged(HWND owner) = 0;
    // On the window's thread: a top-level window was given a new icon (WM_SETICON).
    virtual void iconChanged(HWND hwnd, HICON smallIcon, HICON bigIcon) = 0;
    // On a thread whose retrieval routine found nothing: takes in what the desktop has for it
    // without waiting, and answers whether anything came.
    virtual bool poll() { return false; }
    // A message box on the calling thread, over owner's window: the button's id, or 0 when the
    // back end shows none (the headless policy answers).
    virtual int messageBox(HWND, const char*, const char*, UINT) { return 0; }
    // Whether a person sees the windows (so that dialogs are shown rather than answered by a
    // policy).
    virtual bool showsWindows() const { return false; }
    // On the window's thread: whether the desktop minimises and maximises a top-level window when
    // asked. Where no window manager runs nothing does, and a window minimised all the same would
    // stay on the screen, painted and clicked no more.
    virtual bool changesWindowStates() { return true; }
    // This program put text on the clipboard (CF_TEXT, UTF-8), for the desktop's clipboard.
    virtual void clipboardTextChanged(const std::string& text) = 0;
};

// The process's back end, chosen on first use: headless with VANTREL_HEADLESS=1, else the
// desktop's (which refuses top-level windows when there is no display).
DisplayBackend& display();
// On the thread about to make a top-level window: false, with the last error set, when the
// desktop cannot be opened (the reason is on stderr).
bool admitTopLevel();

} // namespace plat::ui
