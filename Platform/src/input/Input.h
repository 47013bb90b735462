#pragma once

// The inside of keyboard and mouse input, focus and activation, shared by the input sources,
// the retrieval routine and the default window procedure.
//
// Raw events from the display back end wait in one process-wide queue, each marked with the
// thread it goes to, until that thread's retrieval routine turns them into messages. State that
// belongs to the desktop (the cursor position, the keys down now, the foreground and capture
// windows) is process-wide under inputMutex(); focus, the active window and the key state a
// thread has seen belong to the thread.
//
// inputMutex() is taken after a queue's mutex and windowsMutex(), never the other way round, and
// is never held while a window procedure runs.

#include "plat/message.h"
#include "plat/types.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace plat::ui {
class ThreadQueue;
}

namespace plat::input {

enum class EventKind { Move, Button, Wheel, Key, Char };

struct RawEvent {
    EventKind kind = EventKind::Move;
    uint64_t time = 0;
    POINT pt{}; // the cursor, in screen coordinates
    WPARAM keyFlags = 0; // MK_ flags once the event happened (mouse events)
    int button = 0; // 0 left, 1 right, 2 middle
    bool down = false; // button or key
    int wheelDelta = 0;
    UINT vk = 0; // the generic key (VK_SHIFT, not VK_LSHIFT)
    DWORD keyData = 0; // the key message's lParam
    bool sysKey = false; // a WM_SYSKEYDOWN/UP even with a focus window
    std::string text; // what a key-down types (UTF-8); for Char, the one byte
    // The window a mouse event was found to concern when a peek looked at it, kept so that
    // taking it later asks WM_NCHITTEST no second time.
    HWND hitWindow = nullptr;
    LRESULT hit = 0;
    bool captured = false;
};

std::mutex& inputMutex();
// The window a slot guarded by inputMutex() names, forgetting one that is gone.
HWND liveWindowIn(HWND& slot);

// What the display back end hands over, from any thread. Mouse events in screen coordinates;
// a button 0 left, 1 right, 2 middle; a wheel delta of WHEEL_DELTA a notch away from the user.
// A key by its generic virtual key (VK_SHIFT, not VK_LSHIFT), its set-1 scan code and extended
// flag, a key-down with the UTF-8 text it types (if any); text typed without a key (an input
// method) goes to the focus window byte by byte.
void queueMouseMove(POINT screen);
void queueMouseButton(int button, bool down);
void queueWheel(int delta);
void queueKey(UINT vk, UINT scanCode, bool extended, bool down, const std::string& text);
void queueText(const std::string& text);

// Queues a raw event for the thread it concerns and wakes that thread; stamps its time and,
// for a mouse event, moves the cursor there. Callable from any thread.
void queueEvent(RawEvent event);
// The key state now: applies a key event (down, up, side from scan code and extended flag) and
// answers the key message's lParam and whether it is a system key.
DWORD applyAsyncKey(UINT vk, UINT scanCode, bool extended, bool down, bool& sysKey);

// The retrieval routine's input step, called without the queue's lock: the next input message
// of the calling thread that passes the filter, taking it when remove is set.
bool takeInput(ui::ThreadQueue& queue, MSG* out, HWND filter, UINT low, UINT high, bool remove);
// A thread that ends leaves no pending input and no keyboard hooks behind (its id may come again).
void forgetThreadInput(DWORD threadId);
void forgetThreadHooks(DWORD threadId);
// Under the queue's mutex: QS_KEY / QS_MOUSE bits of the thread's pending input.
UINT pendingInputBits(DWORD threadId);

// What the retrieval routine does with a pending event: hand out its message, leave it for a
// later call (it does not pass the filter), or throw it away.
enum class Outcome { Deliver, Skip, Drop };

// The window a mouse event concerns, found without sending anything (the capture window, the
// window under the point, the focus window for the wheel): its thread takes the event.
HWND mouseEventWindow(const RawEvent& event);
// On the thread the event went to: its message (hit testing, activation by click, the cursor
// and double clicks on the way when remove is set).
Outcome mouseMessage(RawEvent& event, HWND filter, UINT low, UINT high, bool remove, MSG& out);
// Under inputMutex(): the MK_ flags of the buttons and keys down now.
WPARAM asyncMouseKeyFlags();
// Under inputMutex(): the cursor position now.
POINT& cursorPosition();

// Key state tables (256 bytes: bit 7 down, bit 0 toggled).
void applyKeyToTable(BYTE* table, UINT vk, DWORD keyData, bool down);
void setButtonInTable(BYTE* table, int button, bool down);
// The calling thread's table, and the table of the keys down now (under inputMutex()).
BYTE* threadKeyTable();
BYTE* asyncKeyTable();
// Remembers the key-down message just taken and the text it typed, for TranslateMessage.
void rememberKeyDown(const MSG& msg, const std::string& text);

// Calls the thread's keyboard hooks, newest first; true when one swallowed the key.
bool keyboardHooksSwallow(DWORD threadId, int code, WPARAM vk, LPARAM keyData);

// The calling thread's focus and active windows.
HWND threadFocus();
HWND threadActive();
// The top-level window a window belongs to (itself when it is one).
HWND topLevelOf(HWND hwnd);
// Whether hwnd is root or lies in root's tree of children.
bool isWithin(HWND hwnd, HWND root);
// A top-level WS_POPUP with WS_EX_TOOLWINDOW: it never becomes active.
bool neverActivates(HWND topLevel);
// Makes a top-level window of the calling thread the active one (WM_ACTIVATE with how); false
// for one that never activates.
bool activate(HWND topLevel, WORD how);

// Whether the default window procedure has something to do with a message of input, focus or
// activation, and doing it.
bool isDefaultInputMessage(UINT msg);
LRESULT defaultInputProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Before root's tree is destroyed or hidden: capture, focus, activation and the caret leave it.
void windowLeaving(HWND root, bool destroyed);
// The caret goes with its window.
void caretWindowGone(HWND root);

// Before root's tree is disabled: the focus leaves it.
void windowDisabled(HWND root);

} // namespace plat::input
