// The process-wide queue of raw input events and the retrieval routine's input step.

#include "input/Input.h"

#include "plat/focus.h"
#include "plat/keyboard.h"
#include "ui/UiCore.h"

#include <algorithm>
#include <deque>

namespace plat::input {

namespace {

struct PendingEvent {
    uint64_t id;
    DWORD thread;
    HWND window; // as found when the event came (coalescing of moves)
    RawEvent event;
};

// Under inputMutex().
struct EventQueue {
    std::deque<PendingEvent> events;
    uint64_t nextId = 1;
};

EventQueue& eventQueue()
{
    static EventQueue* q = new EventQueue;
    return *q;
}

UINT statusBitsOf(EventKind kind)
{
    switch (kind) {
    case EventKind::Move: return QS_MOUSEMOVE;
    case EventKind::Button:
    case EventKind::Wheel: return QS_MOUSEBUTTON;
    default: return QS_KEY;
    }
}

bool isMouse(EventKind kind) { return kind == EventKind::Move || kind == EventKind::Button || kind == EventKind::Wheel; }

// Under inputMutex(): a later move to the same window replaces a pending one.
bool coalesceMove(EventQueue& q, const PendingEvent& e)
{
    for (auto it = q.events.rbegin(); it != q.events.rend(); ++it) {
        if (it->thread != e.thread)
            continue;
        if (it->event.kind != EventKind::Move || it->window != e.window)
            return false;
        it->event = e.event;
        return true;
    }
    return false;
}

void wakeThread(DWORD threadId, UINT bits)
{
    auto q = ui::queueOfThread(threadId);
    if (!q)
        return; // the thread finds the event once it makes its queue
    bool wake;
    {
        std::lock_guard lock(q->mutex);
        q->changed |= bits;
        wake = q->claimWake();
    }
    if (wake)
        q->wakeClaimed();
}

// Under inputMutex(): the first pending event of a thread after the given id.
const PendingEvent* firstAfter(DWORD thread, uint64_t afterId)
{
    for (const PendingEvent& e : eventQueue().events)
        if (e.thread == thread && e.id > afterId)
            return &e;
    return nullptr;
}

void erase(uint64_t id)
{
    std::lock_guard lock(inputMutex());
    auto& events = eventQueue().events;
    events.erase(std::remove_if(events.begin(), events.end(), [id](const PendingEvent& e) { return e.id == id; }),
        events.end());
}

// Puts back an event taken out for handling, in its place.
void putBack(PendingEvent e)
{
    std::lock_guard lock(inputMutex());
    auto& events = eventQueue().events;
    auto at = std::find_if(events.begin(), events.end(), [&](const PendingEvent& x) { return x.id > e.id; });
    events.insert(at, std::move(e));
}

// What a peek found out about an event stays with it for the call that takes it.
void keepLookedAt(const PendingEvent& e)
{
    std::lock_guard lock(inputMutex());
    for (PendingEvent& pending : eventQueue().events)
        if (pending.id == e.id)
            pending.event = e.event;
}

Outcome keyMessage(const RawEvent& ev, DWORD thread, HWND filter, UINT low, UINT high, bool remove, MSG& out)
{
    const HWND focus = threadFocus();
    const HWND target = focus ? focus : threadActive();
    if (!target)
        return Outcome::Drop;
    if (ev.kind == EventKind::Char) {
        out = MSG{target, WM_CHAR, WPARAM(BYTE(ev.text[0])), 1, DWORD(ev.time), ev.pt};
        return ui::hwndMatches(filter, target) && ui::rangeMatches(low, high, WM_CHAR) ? Outcome::Deliver
                                                                                       : Outcome::Skip;
    }
    UINT msg = ev.down ? WM_KEYDOWN : WM_KEYUP;
    if (ev.sysKey || !focus)
        msg += WM_SYSKEYDOWN - WM_KEYDOWN;
    out = MSG{target, msg, WPARAM(ev.vk), LPARAM(ev.keyData), DWORD(ev.time), ev.pt};
    if (!ui::hwndMatches(filter, target) || !ui::rangeMatches(low, high, msg))
        return Outcome::Skip;
    if (keyboardHooksSwallow(thread, remove ? HC_ACTION : HC_NOREMOVE, ev.vk, LPARAM(ev.keyData)))
        return Outcome::Drop;
    if (remove) {
        applyKeyToTable(threadKeyTable(), ev.vk, ev.keyData, ev.down);
        if (ev.down)
            rememberKeyDown(out, ev.text);
    }
    return Outcome::Deliver;
}

} // namespace

std::mutex& inputMutex()
{
    static std::mutex* m = new std::mutex;
    return *m;
}

void queueEvent(RawEvent event)
{
    event.time = ui::nowMs();
    PendingEvent pending{0, 0, nullptr, std::move(event)};
    RawEvent& ev = pending.event;
    if (isMouse(ev.kind)) {
        {
            std::lock_guard lock(inputMutex());
            if (ev.kind == EventKind::Move)
                cursorPosition() = ev.pt;
            else
                ev.pt = cursorPosition();
            if (ev.kind == EventKind::Button)
                setButtonInTable(asyncKeyTable(), ev.button, ev.down);
            ev.keyFlags = asyncMouseKeyFlags();
        }
        pending.window = mouseEventWindow(ev);
    } else {
        pending.window = GetForegroundWindow();
        std::lock_guard lock(inputMutex());
        ev.pt = cursorPosition();
    }
    if (!pending.window)
        return; // nobody to tell
    pending.thread = GetWindowThreadProcessId(pending.window, nullptr);
    if (!pending.thread)
        return;
    const UINT bits = statusBitsOf(ev.kind);
    const DWORD thread = pending.thread;
    {
        std::lock_guard lock(inputMutex());
        EventQueue& q = eventQueue();
        if (ev.kind != EventKind::Move || !coalesceMove(q, pending)) {
            pending.id = q.nextId++;
            q.events.push_back(std::move(pending));
        }
    }
    wakeThread(thread, bits);
}

HWND liveWindowIn(HWND& slot)
{
    std::lock_guard lock(inputMutex());
    if (slot && !ui::windowHandles().lookup(HANDLE(slot)))
        slot = nullptr;
    return slot;
}

void queueMouseMove(POINT screen)
{
    RawEvent e;
    e.kind = EventKind::Move;
    e.pt = screen;
    queueEvent(std::move(e));
}

void queueMouseButton(int button, bool down)
{
    if (button < 0 || button > 2)
        return;
    RawEvent e;
    e.kind = EventKind::Button;
    e.button = button;
    e.down = down;
    queueEvent(std::move(e));
}

void queueWheel(int delta)
{
    RawEvent e;
    e.kind = EventKind::Wheel;
    e.wheelDelta = delta;
    queueEvent(std::move(e));
}

void queueKey(UINT vk, UINT scanCode, bool extended, bool down, const std::string& text)
{
    RawEvent e;
    e.kind = EventKind::Key;
    e.vk = vk & 0xFF;
    e.down = down;
    e.keyData = applyAsyncKey(e.vk, scanCode, extended, down, e.sysKey);
    if (down)
        e.text = text;
    queueEvent(std::move(e));
}

void queueText(const std::string& text)
{
    for (char c : text) {
        RawEvent e;
        e.kind = EventKind::Char;
        e.text.assign(1, c);
        queueEvent(std::move(e));
    }
}

bool takeInput(ui::ThreadQueue& queue, MSG* out, HWND filter, UINT low, UINT high, bool remove)
{
    uint64_t after = 0;
    for (;;) {
        PendingEvent e;
        {
            std::lock_guard lock(inputMutex());
            const PendingEvent* next = firstAfter(queue.threadId, after);
            if (!next)
                return false;
            e = *next;
        }
        after = e.id;
        // Handling an event sends messages, whose procedures may look at the queue again: an
        // event being taken is out of the queue meanwhile, so that it is taken once.
        if (remove)
            erase(e.id);
        const Outcome outcome = isMouse(e.event.kind)
            ? mouseMessage(e.event, filter, low, high, remove, *out)
            : keyMessage(e.event, queue.threadId, filter, low, high, remove, *out);
        if (outcome == Outcome::Deliver) {
            if (remove)
                queue.extraInfo = 0;
            else
                keepLookedAt(e);
            return true;
        }
        if (outcome == Outcome::Drop && !remove)
            erase(e.id);
        if (outcome == Outcome::Skip && remove)
            putBack(std::move(e));
    }
}

void forgetThreadInput(DWORD threadId)
{
    {
        std::lock_guard lock(inputMutex());
        std::erase_if(eventQueue().events, [threadId](const PendingEvent& e) { return e.thread == threadId; });
    }
    forgetThreadHooks(threadId);
}

UINT pendingInputBits(DWORD threadId)
{
    UINT bits = 0;
    std::lock_guard lock(inputMutex());
    for (const PendingEvent& e : eventQueue().events)
        if (e.thread == threadId)
            bits |= statusBitsOf(e.event.kind);
    return bits;
}

} // namespace plat::input
