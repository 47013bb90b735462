// Focus and activation: per thread, with the foreground window the process-wide one that
// receives the keyboard.

#include "input/Input.h"
#include "input/WindowGeometry.h"

#include "plat/errors.h"
#include "plat/focus.h"
#include "plat/mouse.h"
#include "ui/Display.h"
#include "ui/UiCore.h"

namespace plat::input {

namespace {

struct ThreadFocus {
    HWND focus = nullptr;
    HWND active = nullptr;
};

ThreadFocus& threadFocusState()
{
    thread_local ThreadFocus state;
    return state;
}

// Under inputMutex().
HWND g_foreground = nullptr;

void setForeground(HWND hwnd)
{
    std::lock_guard lock(inputMutex());
    g_foreground = hwnd;
}

void send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (hwnd && IsWindow(hwnd))
        SendMessageA(hwnd, msg, wParam, lParam);
}

// A live window of the calling thread, or null with the last error set.
std::shared_ptr<ui::Window> ownWindow(HWND hwnd)
{
    auto w = ui::findWindow(hwnd);
    if (w && w->threadId != ui::currentQueue().threadId) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return w;
}

HWND parentOf(const ui::Window& w)
{
    std::lock_guard lock(ui::windowsMutex());
    return (w.style.load() & WS_CHILD) && w.parent != HWND_MESSAGE ? w.parent : nullptr;
}

// The thread's topmost visible top-level window other than the one leaving that can be active.
HWND nextActiveCandidate(HWND leaving)
{
    const DWORD me = ui::currentQueue().threadId;
    for (HWND top : topLevelsTopFirst())
        if (top != leaving && GetWindowThreadProcessId(top, nullptr) == me && !neverActivates(top))
            return top;
    return nullptr;
}

} // namespace

HWND threadFocus() { return threadFocusState().focus; }
HWND threadActive() { return threadFocusState().active; }

HWND topLevelOf(HWND hwnd)
{
    while (auto w = std::static_pointer_cast<ui::Window>(ui::windowHandles().lookup(HANDLE(hwnd)))) {
        HWND parent = parentOf(*w);
        if (!parent)
            return hwnd;
        hwnd = parent;
    }
    return nullptr;
}

bool isWithin(HWND hwnd, HWND root)
{
    if (!root)
        return false;
    while (hwnd) {
        if (hwnd == root)
            return true;
        auto w = std::static_pointer_cast<ui::Window>(ui::windowHandles().lookup(HANDLE(hwnd)));
        hwnd = w ? parentOf(*w) : nullptr;
    }
    return false;
}

bool neverActivates(HWND topLevel)
{
    auto w = std::static_pointer_cast<ui::Window>(ui::windowHandles().lookup(HANDLE(topLevel)));
    return w && (w->style.load() & (WS_POPUP | WS_CHILD)) == WS_POPUP && (w->exStyle.load() & WS_EX_TOOLWINDOW);
}

bool activate(HWND topLevel, WORD how)
{
    if (topLevel && neverActivates(topLevel))
        return false;
    ThreadFocus& state = threadFocusState();
    HWND old = state.active;
    if (old == topLevel)
        return true;
    state.active = topLevel;
    {
        std::lock_guard lock(inputMutex());
        if (topLevel || g_foreground == old)
            g_foreground = topLevel;
    }
    if (topLevel)
        ui::display().topLevelActivated(topLevel);
    send(old, WM_ACTIVATE, WA_INACTIVE, LPARAM(topLevel));
    if (topLevel && state.active == topLevel)
        send(topLevel, WM_ACTIVATE, how, LPARAM(old));
    // The focus does not stay behind in a window that lost the activation.
    if (old && old != state.active && isWithin(state.focus, old))
        SetFocus(nullptr);
    return true;
}

void windowLeaving(HWND root, bool destroyed)
{
    HWND capture = GetCapture();
    if (isWithin(capture, root))
        ReleaseCapture();
    ThreadFocus& state = threadFocusState();
    if (isWithin(state.focus, root))
        SetFocus(nullptr);
    if (state.active && state.active == root) {
        HWND next = nullptr;
        auto w = ui::findWindow(root);
        HWND owner = nullptr;
        if (w) {
            std::lock_guard lock(ui::windowsMutex());
            owner = w->owner;
        }
        if (owner && IsWindow(owner) && !neverActivates(owner))
            next = owner;
        else
            next = nextActiveCandidate(root);
        if (!activate(next, WA_ACTIVE))
            activate(nullptr, WA_ACTIVE);
    }
    if (destroyed)
        caretWindowGone(root);
}

void windowDisabled(HWND root)
{
    if (isWithin(threadFocusState().focus, root))
        SetFocus(nullptr);
}

} // namespace plat::input

using namespace plat;
using namespace plat::input;

HWND SetFocus(HWND hWnd)
{
    ThreadFocus& state = threadFocusState();
    const HWND before = state.focus;
    if (hWnd) {
        auto w = ownWindow(hWnd);
        if (!w || w->destroying)
            return nullptr;
        HWND top = topLevelOf(hWnd);
        if (top != state.active && !neverActivates(top)) {
            activate(top, WA_ACTIVE);
            if (!IsWindow(hWnd))
                return nullptr;
        }
    }
    HWND old = state.focus;
    if (old == hWnd)
        return before;
    state.focus = hWnd;
    send(old, WM_KILLFOCUS, WPARAM(hWnd), 0);
    if (hWnd && state.focus == hWnd)
        send(hWnd, WM_SETFOCUS, WPARAM(old), 0);
    return before;
}

HWND GetFocus() { return threadFocusState().focus; }

HWND SetActiveWindow(HWND hWnd)
{
    ThreadFocus& state = threadFocusState();
    HWND old = state.active;
    if (hWnd && !ownWindow(hWnd))
        return nullptr;
    activate(topLevelOf(hWnd), WA_ACTIVE);
    return old;
}

HWND GetActiveWindow() { return threadFocusState().active; }

BOOL SetForegroundWindow(HWND hWnd)
{
    auto w = ui::findWindow(hWnd);
    if (!w)
        return FALSE;
    HWND top = topLevelOf(hWnd);
    if (neverActivates(top))
        return FALSE;
    if (w->threadId == ui::currentQueue().threadId)
        return activate(top, WA_ACTIVE) ? TRUE : FALSE;
    // Another thread's window: the keyboard goes there; that thread activates it itself.
    setForeground(top);
    return TRUE;
}

HWND GetForegroundWindow() { return liveWindowIn(g_foreground); }
