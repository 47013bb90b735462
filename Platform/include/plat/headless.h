#pragma once

// The test face of the headless display: a screen of a chosen size, a way to run the calling
// thread's messages until nothing is left, so that a test sees what a user would once the
// program has settled, input as a user would give it, and a font whose metrics are the same on
// every machine.

#include "plat/api.h"
#include "plat/geometry.h"
#include "plat/types.h"

#include <string>

namespace plat::headless {

// The screen's size in pixels (GetSystemMetrics SM_CXSCREEN and SM_CYSCREEN follow); a size of
// 0 or less goes back to the default of 1024 x 768.
PLATAPI void setScreenSize(int width, int height);

// A pixel of the window's client area as the screen shows it (client coordinates), or
// 0xFFFFFFFF outside the client area or while the window cannot be seen.
PLATAPI COLORREF windowPixel(HWND hwnd, int x, int y);
// A 32-bit top-down DIB section holding a copy of the window's client area, for the caller to
// delete; null for no window.
PLATAPI HBITMAP captureClient(HWND hwnd);

// Dispatches every message of the calling thread that is ready (sent, posted, input, WM_PAINT,
// due timers) until none is left, and answers how many it dispatched. A pending WM_QUIT stops it
// and stays in the queue for the caller's own loop.
PLATAPI int pumpUntilIdle();

// Input, as a user would give it. Events take the platform clock's time (a test's ManualClock
// decides what is a double click) and reach the windows when the test's thread takes its
// messages.
// The mouse moves to a screen point.
PLATAPI void mouseMove(int x, int y);
// button 0 left, 1 right, 2 middle.
PLATAPI void mouseButton(int button, bool down);
// A move there, then a press and a release.
PLATAPI void click(int x, int y, int button = 0);
// WHEEL_DELTA (120) a notch away from the user, negative towards.
PLATAPI void wheel(int delta);
// A key goes down or up. VK_LSHIFT ... VK_RMENU become the generic key with their side's scan
// code and extended flag; keys of the extended block are flagged extended anyway. A down types
// text when given, else what the key types on a US layout with the Shift, Caps Lock and Num
// Lock states (nothing while Ctrl is down).
PLATAPI void key(UINT vk, bool down, bool extended = false, const char* text = nullptr);
// A key going down, then up.
PLATAPI void keyPress(UINT vk);
// Each character (UTF-8) a key press that types it.
PLATAPI void typeText(const char* utf8);

// The cursor SetCursor set last, and the IDC_ number of a built-in cursor (0 for another).
PLATAPI HCURSOR currentCursor();
PLATAPI int systemCursorId(HCURSOR cursor);

// The caret of the calling thread.
struct CaretInfo {
    HWND owner; // null without a caret
    POINT pos; // client coordinates
    SIZE size;
    bool visible; // not hidden (whatever the blink phase)
};
PLATAPI CaretInfo caret();

// The desktop's side of the clipboard: text another program copied, and the text this one did.
PLATAPI void setClipboardText(const char* utf8);
PLATAPI std::string clipboardText();

// Every font made from now on (and every stock font first used from now on) draws with the
// built-in fixed-metrics face, whatever its face name and size: characters 7 px wide (controls
// 0), cells 13 px high with the baseline 10 px down, a box in columns 1-5 (bold 1-6) and rows
// 2-9 of each visible character's cell. The shared test main switches it on.
PLATAPI void useFixedTestFont(bool on);

} // namespace plat::headless
