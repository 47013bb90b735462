#pragma once

// The inside of windows and message queues, shared by the window, queue, timer and framework
// window sources.
//
// Locks, outermost first: waitLock() (only from a message wait), a queue's mutex, windowsMutex(),
// the owner thread's wake signal. windowsMutex() guards the window tree, geometry, update
// regions, texts, extra bytes and the class table; it is held only briefly and never while a
// window procedure runs.

#include "../gdi/Region.h"
#include "kernel/HandleTable.h"
#include "kernel/Waitable.h"
#include "plat/message.h"
#include "plat/timer.h"
#include "plat/window.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace plat::gdi {
class DeviceContext;
}

namespace plat::ui {

class ThreadQueue;
class WindowSurface;

// A DC that a window (CS_OWNDC) or class (CS_CLASSDC) keeps for good; it leaves the GDI table
// with its holder.
struct KeptDc {
    KeptDc() = default;
    KeptDc(const KeptDc&) = delete;
    KeptDc& operator=(const KeptDc&) = delete;
    ~KeptDc();
    std::shared_ptr<gdi::DeviceContext> dc;
};

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int classExtra = 0;
    int windowExtra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    HCURSOR cursor = nullptr;
    int systemCursorId = 0; // a system class's cursor, made on first need
    HBRUSH background = nullptr;
    LPCSTR menuName = nullptr; // an id made with MAKEINTRESOURCE, or a copy kept in menuNameText
    std::string menuNameText;
    bool builtIn = false; // a system class, never unregistered
    int windowCount = 0; // under windowsMutex()
    KeptDc classDc;      // under windowsMutex()
};

// One scroll bar's settings: a window's own bars and the ScrollBar control keep the same.
struct ScrollData {
    int min = 0;
    int max = 100;
    int page = 0;
    int pos = 0;
    bool shown = true; // own bars: whether the non-client strip holds it
    bool inactive = false; // kept by SIF_DISABLENOSCROLL without room to scroll
};

class Window : public KernelObject {
public:
    Window(std::shared_ptr<WindowClass> cls, std::shared_ptr<ThreadQueue> queue, DWORD threadId);

    const std::shared_ptr<WindowClass> cls;
    const std::shared_ptr<ThreadQueue> queue; // of the creating thread
    const DWORD threadId;
    HWND handle = nullptr;

    std::atomic<WNDPROC> proc;
    std::atomic<DWORD> style{0};
    std::atomic<DWORD> exStyle{0};
    std::atomic<LONG_PTR> userData{0};
    std::atomic<LONG_PTR> id{0};
    std::atomic<bool> destroying{false};
    // WM_DESTROY reached it: from then on DestroyWindow refuses it. A child marked destroying with
    // its parent may still be destroyed on its own before that, as the parent's WM_DESTROY may ask.
    std::atomic<bool> destroyAnnounced{false};

    // Under windowsMutex().
    HWND parent = nullptr; // a child's parent; HWND_MESSAGE for a message-only window
    HWND owner = nullptr;
    std::vector<HWND> children; // the lowest in the Z order first
    std::string text;
    std::vector<unsigned char> extraBytes;
    HINSTANCE instance = nullptr;
    HICON icons[2]{}; // WM_SETICON's ICON_SMALL and ICON_BIG
    RECT rect{}; // screen coordinates for a top-level window, the parent's client coordinates for a child
    RECT toldClient{}; // the client rectangle (window coordinates) WM_SIZE and WM_MOVE last told of

    // Painting, under windowsMutex() (see Painting.cpp).
    gdi::Region update; // client coordinates
    bool eraseWanted = false;
    bool frameWanted = false; // WM_NCPAINT before the next WM_PAINT
    std::optional<gdi::Region> windowRegion; // window coordinates
    std::shared_ptr<WindowSurface> surface; // a top-level window's, made on first need
    KeptDc ownDc;

    ScrollData ownBars[2]; // SB_HORZ, SB_VERT; under windowsMutex()
};

std::mutex& windowsMutex();
HandleTable& windowHandles();
// Under windowsMutex(): the top-level windows (message-only ones aside), lowest first.
std::vector<HWND>& topLevelOrder();

// The window a handle names, or null with ERROR_INVALID_WINDOW_HANDLE.
std::shared_ptr<Window> findWindow(HWND hwnd);
// The same without touching the last error.
std::shared_ptr<Window> lookupWindow(HWND hwnd);
// Runs the window's current procedure.
LRESULT callWindow(Window& window, UINT msg, WPARAM wParam, LPARAM lParam);
// Forgets the windows of a thread that ends, without sending them anything.
void dropThreadWindows(ThreadQueue& queue);

// Called on the creating thread after a window exists and before WM_NCCREATE reaches it: the
// framework attaches its window object here, so that creation messages reach it too.
using CreationHook = void (*)(HWND hwnd, void* context);
void setCreationHook(CreationHook hook, void* context);

// A message that another thread sent and waits for.
struct SentMessage {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    std::shared_ptr<ThreadQueue> sender;
    LRESULT result = 0;
    bool done = false; // under the sender's mutex
};

struct QueuedMessage {
    MSG msg;
    LPARAM extraInfo; // what GetMessageExtraInfo answers once the message is taken
};

struct ThreadTimer {
    HWND hwnd;
    UINT_PTR id;
    UINT period;
    TIMERPROC proc;
    uint64_t due;
    bool reported; // its being due was reported as new input
};

class ThreadQueue {
public:
    ThreadQueue(DWORD threadId, WakeSignal& signal);

    const DWORD threadId;
    std::mutex mutex;

    // Under mutex.
    bool alive = true;
    std::deque<std::shared_ptr<SentMessage>> sent;
    std::deque<QueuedMessage> posted;
    bool quitPending = false;
    int quitCode = 0;
    std::vector<ThreadTimer> timers;
    UINT changed = 0; // QS_ bits of input that arrived since the thread last looked

    // Owner thread only.
    LPARAM extraInfo = 0;

    // Under windowsMutex(): the windows the thread made and has not destroyed.
    std::vector<HWND> windows;

    // Waking the owner thread happens after the queue's lock is released, so that the woken
    // thread does not at once block on that lock. Under mutex, claimWake() answers whether the
    // thread still lives and keeps its wake signal from going away; wakeClaimed() then wakes it
    // without the lock. A thread that ends waits for the wakes in flight (waitForWakers).
    bool claimWake()
    {
        if (!alive)
            return false;
        m_wakers.fetch_add(1, std::memory_order_relaxed);
        return true;
    }
    void wakeClaimed()
    {
        m_signal.wake();
        m_wakers.fetch_sub(1, std::memory_order_release);
    }
    void waitForWakers() const;
    // Under mutex: marks due timers as new input once; answers the earliest due time.
    uint64_t refreshTimers(uint64_t now);
    // Under mutex: the kinds of input present now.
    UINT presentBits(uint64_t now) const;

    // The object that message waits add to the caller's objects.
    std::shared_ptr<Waitable> inputWaitable(UINT wakeMask);

private:
    WakeSignal& m_signal;
    std::atomic<int> m_wakers{0};
    std::shared_ptr<Waitable> m_input;
};

// The calling thread's queue, made on first use.
ThreadQueue& currentQueue();
std::shared_ptr<ThreadQueue> currentQueueShared();
// The queue of a thread of this process, or null.
std::shared_ptr<ThreadQueue> queueOfThread(DWORD threadId);

// Posts to a queue; false with the last error set when it is closed or full.
bool postToQueue(ThreadQueue& queue, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Whether a message passes a retrieval filter: a window (or null for all, (HWND)-1 for thread
// messages) and a range of message numbers (0, 0: all).
bool hwndMatches(HWND filter, HWND hwnd);
bool rangeMatches(UINT low, UINT high, UINT msg);

// Removes every timer of a window.
void removeWindowTimers(ThreadQueue& queue, HWND hwnd);

uint64_t nowMs();

} // namespace plat::ui
