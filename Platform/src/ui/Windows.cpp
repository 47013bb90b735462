// Window classes, window handles, the window tree and the default window procedure.

#include "Display.h"
#include "Painting.h"
#include "UiCore.h"
#include "WindowGeometry.h"

#include "controls/Controls.h"
#include "menu/SystemMenu.h"
#include "input/Input.h"

#include "plat/errors.h"
#include "plat/paint.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>
#include <unistd.h>

namespace plat::ui {

namespace {

// The longest class name and the most extra bytes a class may ask for.
constexpr size_t kMaxClassName = 255;
constexpr int kMaxExtraBytes = 65536;

std::string foldAscii(const char* text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

struct ClassTable {
    std::map<std::string, std::shared_ptr<WindowClass>> byName; // folded name
    ATOM nextAtom = 0xC000;
};

// The built-in controls' classes, there before any window.
ClassTable* makeClassTable()
{
    auto* table = new ClassTable;
    for (const controls::SystemClass& sc : controls::systemClasses()) {
        auto cls = std::make_shared<WindowClass>();
        cls->name = sc.name;
        cls->atom = table->nextAtom++;
        cls->style = CS_DBLCLKS | CS_GLOBALCLASS;
        cls->proc = sc.proc;
        cls->windowExtra = controls::kControlExtra;
        cls->systemCursorId = sc.cursorId;
        cls->builtIn = true;
        table->byName.emplace(foldAscii(sc.name), std::move(cls));
    }
    return table;
}

// Under windowsMutex().
ClassTable& classes()
{
    static ClassTable* table = makeClassTable();
    return *table;
}

// Under windowsMutex(): the class a name or an atom names.
std::shared_ptr<WindowClass> findClassLocked(LPCSTR name)
{
    if (!name)
        return nullptr;
    if (IS_INTRESOURCE(name)) {
        ATOM atom = ATOM(reinterpret_cast<ULONG_PTR>(name));
        for (auto& [key, cls] : classes().byName)
            if (cls->atom == atom)
                return cls;
        return nullptr;
    }
    auto it = classes().byName.find(foldAscii(name));
    return it == classes().byName.end() ? nullptr : it->second;
}

// Where a new window goes: CW_USEDEFAULT gives a top-level window three quarters of the screen
// and the place the display chooses; negative sizes count as 0.
RECT initialRect(int x, int y, int cx, int cy, bool child)
{
    if (cx == CW_USEDEFAULT) {
        const SIZE screen = display().screenSize();
        cx = child ? 0 : screen.cx * 3 / 4;
        cy = child ? 0 : screen.cy * 3 / 4;
    }
    cx = std::max(cx, 0);
    cy = std::max(cy, 0);
    if (x == CW_USEDEFAULT) {
        const POINT at = child ? POINT{0, 0} : display().defaultPosition(SIZE{cx, cy});
        x = at.x;
        y = at.y;
    }
    return RECT{x, y, x + cx, y + cy};
}

thread_local CreationHook t_creationHook = nullptr;
thread_local void* t_creationContext = nullptr;

void unlinkChild(HWND parent, HWND child)
{
    if (!parent || parent == HWND_MESSAGE)
        return;
    auto p = std::static_pointer_cast<Window>(windowHandles().lookup(HANDLE(parent)));
    if (!p)
        return;
    auto& list = p->children;
    list.erase(std::remove(list.begin(), list.end(), child), list.end());
}

// Under windowsMutex(): takes a window out of the tree and the handle table.
void forgetLocked(Window& w)
{
    unlinkChild(w.parent, w.handle);
    auto& mine = w.queue->windows;
    mine.erase(std::remove(mine.begin(), mine.end(), w.handle), mine.end());
    std::erase(topLevelOrder(), w.handle);
    forgetPainting(w);
    w.cls->windowCount--;
    windowHandles().remove(HANDLE(w.handle));
}

void collectTree(HWND hwnd, std::vector<HWND>& preOrder)
{
    preOrder.push_back(hwnd);
    std::vector<HWND> children;
    {
        std::lock_guard lock(windowsMutex());
        if (auto w = std::static_pointer_cast<Window>(windowHandles().lookup(HANDLE(hwnd))))
            children = w->children;
    }
    for (auto it = children.rbegin(); it != children.rend(); ++it) // the topmost first
        collectTree(*it, preOrder);
}

// Sends a message to a window of whatever thread, as the destruction sequence needs.
void sendTo(HWND hwnd, UINT msg)
{
    if (auto w = std::static_pointer_cast<Window>(windowHandles().lookup(HANDLE(hwnd)))) {
        if (w->threadId == currentThreadId())
            callWindow(*w, msg, 0, 0);
        else
            SendMessageA(hwnd, msg, 0, 0);
    }
}

// A top-level window's end reaches the display; a shown child's uncovers its place in the parent.
void announceEnd(Window& w)
{
    HWND parent = nullptr;
    RECT place{};
    bool shown = false;
    {
        std::lock_guard lock(windowsMutex());
        if (auto p = parentOf(w)) {
            parent = p->handle;
            place = w.rect;
            shown = showing(w);
        }
    }
    if (!parent && w.parent != HWND_MESSAGE)
        display().topLevelDestroyed(w.handle);
    else if (parent && shown)
        RedrawWindow(parent, &place, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void destroyTree(Window& top)
{
    std::vector<HWND> tree;
    collectTree(top.handle, tree);
    for (HWND hwnd : tree)
        if (auto w = std::static_pointer_cast<Window>(windowHandles().lookup(HANDLE(hwnd))))
            w->destroying = true;
    announceEnd(top);
    for (HWND hwnd : tree) {
        auto w = std::static_pointer_cast<Window>(windowHandles().lookup(HANDLE(hwnd)));
        if (!w) // destroyed on its own by an earlier WM_DESTROY of the tree
            continue;
        w->destroyAnnounced = true;
        sendTo(hwnd, WM_DESTROY);
    }
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
        auto w = std::static_pointer_cast<Window>(windowHandles().lookup(HANDLE(*it)));
        if (!w)
            continue;
        sendTo(*it, WM_NCDESTROY);
        removeWindowTimers(*w->queue, *it);
        std::lock_guard lock(windowsMutex());
        forgetLocked(*w);
    }
}

} // namespace

Window::Window(std::shared_ptr<WindowClass> cls_, std::shared_ptr<ThreadQueue> queue_, DWORD threadId_)
    : cls(std::move(cls_)), queue(std::move(queue_)), threadId(threadId_), proc(cls->proc)
{
}

std::mutex& windowsMutex()
{
    static std::mutex* lock = new std::mutex;
    return *lock;
}

HandleTable& windowHandles()
{
    // Never destroyed: windows may be looked up from other libraries' static destructors.
    static HandleTable* table = new HandleTable;
    return *table;
}

std::shared_ptr<Window> lookupWindow(HWND hwnd)
{
    return std::static_pointer_cast<Window>(windowHandles().lookup(HANDLE(hwnd)));
}

std::shared_ptr<Window> findWindow(HWND hwnd)
{
    auto w = std::static_pointer_cast<Window>(windowHandles().lookup(HANDLE(hwnd)));
    if (!w)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

LRESULT callWindow(Window& window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    WNDPROC proc = window.proc.load();
    return proc ? proc(window.handle, msg, wParam, lParam) : DefWindowProcA(window.handle, msg, wParam, lParam);
}

void dropThreadWindows(ThreadQueue& queue)
{
    std::vector<HWND> tops;
    {
        std::lock_guard lock(windowsMutex());
        for (HWND hwnd : queue.windows)
            if (auto w = std::static_pointer_cast<Window>(windowHandles().lookup(HANDLE(hwnd)))) {
                w->destroying = true;
                if (std::erase(topLevelOrder(), hwnd))
                    tops.push_back(hwnd);
                forgetPainting(*w);
                unlinkChild(w->parent, hwnd);
                w->cls->windowCount--;
                windowHandles().remove(HANDLE(hwnd));
            }
        queue.windows.clear();
    }
    for (HWND hwnd : tops)
        display().topLevelDestroyed(hwnd);
}

void setCreationHook(CreationHook hook, void* context)
{
    t_creationHook = hook;
    t_creationContext = context;
}

} // namespace plat::ui

using namespace plat;
using namespace plat::ui;

ATOM RegisterClassExA(const WNDCLASSEXA* wc)
{
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXA) || !wc->lpfnWndProc || !wc->lpszClassName
        || IS_INTRESOURCE(wc->lpszClassName) || wc->lpszClassName[0] == '\0'
        || std::strlen(wc->lpszClassName) > kMaxClassName || wc->cbClsExtra < 0 || wc->cbWndExtra < 0
        || wc->cbClsExtra > kMaxExtraBytes || wc->cbWndExtra > kMaxExtraBytes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard lock(windowsMutex());
    ClassTable& table = classes();
    std::string key = foldAscii(wc->lpszClassName);
    if (table.byName.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (table.nextAtom == 0) { // every atom of the range was given out
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    auto cls = std::make_shared<WindowClass>();
    cls->name = wc->lpszClassName;
    cls->atom = table.nextAtom++;
    cls->style = wc->style;
    cls->proc = wc->lpfnWndProc;
    cls->classExtra = wc->cbClsExtra;
    cls->windowExtra = wc->cbWndExtra;
    cls->instance = wc->hInstance;
    cls->icon = wc->hIcon;
    cls->smallIcon = wc->hIconSm;
    cls->cursor = wc->hCursor;
    cls->background = wc->hbrBackground;
    if (wc->lpszMenuName && !IS_INTRESOURCE(wc->lpszMenuName)) {
        cls->menuNameText = wc->lpszMenuName;
        cls->menuName = cls->menuNameText.c_str();
    } else {
        cls->menuName = wc->lpszMenuName;
    }
    table.byName.emplace(std::move(key), cls);
    return cls->atom;
}

BOOL UnregisterClassA(LPCSTR lpClassName, HINSTANCE)
{
    std::lock_guard lock(windowsMutex());
    auto cls = findClassLocked(lpClassName);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->builtIn) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (cls->windowCount > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    classes().byName.erase(foldAscii(cls->name.c_str()));
    return TRUE;
}

HWND CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
    int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam)
{
    std::shared_ptr<WindowClass> cls;
    {
        std::lock_guard lock(windowsMutex());
        cls = findClassLocked(lpClassName);
    }
    if (!cls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    std::shared_ptr<Window> parent;
    if (hWndParent && hWndParent != HWND_MESSAGE) {
        parent = findWindow(hWndParent);
        if (!parent)
            return nullptr;
    }
    const bool child = (dwStyle & WS_CHILD) != 0;
    if (child && !hWndParent) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    if (!child && hWndParent != HWND_MESSAGE && !admitTopLevel())
        return nullptr;

    auto w = std::make_shared<Window>(cls, currentQueueShared(), currentThreadId());
    w->style = dwStyle;
    w->exStyle = dwExStyle;
    w->id = child ? LONG_PTR(hMenu) : 0;
    w->extraBytes.assign(size_t(cls->windowExtra), 0);
    w->instance = hInstance;
    w->rect = initialRect(X, Y, nWidth, nHeight, child);
    HWND hwnd = HWND(windowHandles().insert(w));
    if (!hwnd)
        return nullptr;
    w->handle = hwnd;
    {
        std::lock_guard lock(windowsMutex());
        if (hWndParent == HWND_MESSAGE) {
            w->parent = HWND_MESSAGE;
        } else if (child) {
            w->parent = hWndParent;
            // A new child goes below its siblings: the first made stays on top, as a dialog's
            // first control heads its tab order.
            parent->children.insert(parent->children.begin(), hwnd);
        } else {
            topLevelOrder().push_back(hwnd);
            if (!(dwExStyle & WS_EX_TOPMOST)) // below the topmost band
                std::stable_partition(topLevelOrder().begin(), topLevelOrder().end(), [](HWND h) {
                    auto other = std::static_pointer_cast<Window>(windowHandles().lookup(HANDLE(h)));
                    return !other || !(other->exStyle.load() & WS_EX_TOPMOST);
                });
        }
        if (!child && parent) {
            // A window that is not a child is owned by the top-level window of the one named.
            std::shared_ptr<Window> top = parent;
            while (top->style.load() & WS_CHILD) {
                auto up = std::static_pointer_cast<Window>(windowHandles().lookup(HANDLE(top->parent)));
                if (!up)
                    break;
                top = up;
            }
            w->owner = top->handle;
        }
        cls->windowCount++;
        w->queue->windows.push_back(hwnd);
    }

    if (CreationHook hook = t_creationHook) {
        t_creationHook = nullptr;
        hook(hwnd, t_creationContext);
    }
    CREATESTRUCTA cs{lpParam, hInstance, hMenu, hWndParent, nHeight, nWidth, Y, X, LONG(dwStyle), lpWindowName,
        lpClassName, dwExStyle};
    if (!callWindow(*w, WM_NCCREATE, 0, LPARAM(&cs))) {
        w->destroying = true;
        w->destroyAnnounced = true;
        callWindow(*w, WM_NCDESTROY, 0, 0);
        std::lock_guard lock(windowsMutex());
        forgetLocked(*w);
        return nullptr;
    }
    if (callWindow(*w, WM_CREATE, 0, LPARAM(&cs)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    announceCreated(w);
    return hwnd;
}

BOOL DestroyWindow(HWND hWnd)
{
    auto w = findWindow(hWnd);
    if (!w)
        return FALSE;
    if (w->threadId != currentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (w->destroyAnnounced) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    // Owned windows go first, as their owner's end would leave them pointing at nothing.
    std::vector<HWND> owned;
    {
        std::lock_guard lock(windowsMutex());
        for (HWND other : w->queue->windows)
            if (auto o = std::static_pointer_cast<Window>(windowHandles().lookup(HANDLE(other))))
                if (o->owner == hWnd)
                    owned.push_back(other);
    }
    for (HWND other : owned)
        DestroyWindow(other);
    input::windowLeaving(hWnd, true);
    destroyTree(*w);
    menu::forgetSystemMenu(hWnd);
    return TRUE;
}

namespace {

// Keeps a window's icon and tells the back end of a top-level window's; answers the previous one.
HICON setIcon(HWND hwnd, WPARAM which, HICON icon)
{
    auto w = findWindow(hwnd);
    if (!w)
        return nullptr;
    HICON previous, icons[2];
    bool topLevel;
    {
        std::lock_guard lock(windowsMutex());
        HICON& slot = w->icons[which == ICON_BIG ? 1 : 0];
        previous = std::exchange(slot, icon);
        icons[0] = w->icons[0], icons[1] = w->icons[1];
        topLevel = !(w->style.load() & WS_CHILD) && w->parent != HWND_MESSAGE;
    }
    if (topLevel)
        display().iconChanged(hwnd, icons[0], icons[1]);
    return previous;
}

} // namespace

LRESULT CALLBACK DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (input::isDefaultInputMessage(Msg))
        return input::defaultInputProc(hWnd, Msg, wParam, lParam);
    if (controls::isDefaultControlMessage(Msg))
        return controls::defaultControlProc(hWnd, Msg, wParam, lParam);
    switch (Msg) {
    case WM_NCCREATE: {
        auto cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName))
            DefWindowProcA(hWnd, WM_SETTEXT, 0, LPARAM(cs->lpszName));
        return TRUE;
    }
    case WM_SETTEXT: {
        auto w = findWindow(hWnd);
        if (!w)
            return FALSE;
        const char* text = reinterpret_cast<const char*>(lParam);
        bool topLevel;
        {
            std::lock_guard lock(windowsMutex());
            w->text = text ? text : "";
            topLevel = !(w->style.load() & WS_CHILD) && w->parent != HWND_MESSAGE;
        }
        if (topLevel)
            display().topLevelChanged(hWnd); // the title
        return TRUE;
    }
    case WM_GETTEXT: {
        auto w = findWindow(hWnd);
        char* buffer = reinterpret_cast<char*>(lParam);
        if (!w || !buffer || wParam == 0)
            return 0;
        std::lock_guard lock(windowsMutex());
        size_t n = std::min<size_t>(w->text.size(), size_t(wParam) - 1);
        std::memcpy(buffer, w->text.data(), n);
        buffer[n] = '\0';
        return LRESULT(n);
    }
    case WM_GETTEXTLENGTH: {
        auto w = findWindow(hWnd);
        if (!w)
            return 0;
        std::lock_guard lock(windowsMutex());
        return LRESULT(w->text.size());
    }
    case WM_SETICON: return LRESULT(setIcon(hWnd, wParam, HICON(lParam)));
    case WM_GETICON: {
        auto w = findWindow(hWnd);
        std::lock_guard lock(windowsMutex());
        return w ? LRESULT(w->icons[wParam == ICON_BIG ? 1 : 0]) : 0;
    }
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_PAINT: return defaultPaint(hWnd);
    case WM_ERASEBKGND: return defaultEraseBackground(hWnd, HDC(wParam));
    case WM_NCPAINT: return defaultNcPaint(hWnd);
    default:
        return 0;
    }
}

LRESULT CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

BOOL IsWindow(HWND hWnd)
{
    return hWnd && windowHandles().lookup(HANDLE(hWnd)) ? TRUE : FALSE;
}

DWORD GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId)
{
    auto w = findWindow(hWnd);
    if (!w)
        return 0;
    if (lpdwProcessId)
        *lpdwProcessId = DWORD(getpid());
    return w->threadId;
}

HWND GetParent(HWND hWnd)
{
    auto w = findWindow(hWnd);
    if (!w)
        return nullptr;
    std::lock_guard lock(windowsMutex());
    if (w->style.load() & WS_CHILD)
        return w->parent == HWND_MESSAGE ? nullptr : w->parent;
    return w->owner;
}

namespace {

bool extraIndexOk(const Window& w, int index)
{
    if (index < 0 || size_t(index) + sizeof(LONG_PTR) > w.extraBytes.size()) {
        SetLastError(ERROR_INVALID_INDEX);
        return false;
    }
    return true;
}

} // namespace

LONG_PTR GetWindowLongPtrA(HWND hWnd, int nIndex)
{
    auto w = findWindow(hWnd);
    if (!w)
        return 0;
    switch (nIndex) {
    case GWLP_WNDPROC: return LONG_PTR(w->proc.load());
    case GWLP_HINSTANCE: {
        std::lock_guard lock(windowsMutex());
        return LONG_PTR(w->instance);
    }
    case GWLP_HWNDPARENT: return LONG_PTR(GetParent(hWnd));
    case GWLP_ID: return w->id.load();
    case GWL_STYLE: return LONG_PTR(LONG(w->style.load()));
    case GWL_EXSTYLE: return LONG_PTR(LONG(w->exStyle.load()));
    case GWLP_USERDATA: return w->userData.load();
    default: {
        std::lock_guard lock(windowsMutex());
        if (!extraIndexOk(*w, nIndex))
            return 0;
        LONG_PTR value;
        std::memcpy(&value, w->extraBytes.data() + nIndex, sizeof value);
        return value;
    }
    }
}

LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    auto w = findWindow(hWnd);
    if (!w)
        return 0;
    switch (nIndex) {
    case GWLP_WNDPROC:
        if (!dwNewLong) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        return LONG_PTR(w->proc.exchange(reinterpret_cast<WNDPROC>(dwNewLong)));
    case GWLP_HINSTANCE: {
        std::lock_guard lock(windowsMutex());
        return LONG_PTR(std::exchange(w->instance, reinterpret_cast<HINSTANCE>(dwNewLong)));
    }
    case GWLP_HWNDPARENT: {
        HWND owner = reinterpret_cast<HWND>(dwNewLong);
        if (owner && !findWindow(owner))
            return 0;
        std::lock_guard lock(windowsMutex());
        return LONG_PTR(std::exchange(w->owner, owner));
    }
    case GWLP_ID: return w->id.exchange(dwNewLong);
    case GWL_STYLE: return LONG_PTR(LONG(w->style.exchange(DWORD(dwNewLong))));
    case GWL_EXSTYLE: return LONG_PTR(LONG(w->exStyle.exchange(DWORD(dwNewLong))));
    case GWLP_USERDATA: return w->userData.exchange(dwNewLong);
    default: {
        std::lock_guard lock(windowsMutex());
        if (!extraIndexOk(*w, nIndex))
            return 0;
        LONG_PTR previous;
        std::memcpy(&previous, w->extraBytes.data() + nIndex, sizeof previous);
        std::memcpy(w->extraBytes.data() + nIndex, &dwNewLong, sizeof dwNewLong);
        return previous;
    }
    }
}

BOOL SetWindowTextA(HWND hWnd, LPCSTR lpString)
{
    if (!findWindow(hWnd))
        return FALSE;
    return SendMessageA(hWnd, WM_SETTEXT, 0, LPARAM(lpString)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount)
{
    auto w = findWindow(hWnd);
    if (!w || !lpString || nMaxCount <= 0)
        return 0;
    if (w->threadId == currentThreadId())
        return int(SendMessageA(hWnd, WM_GETTEXT, WPARAM(nMaxCount), LPARAM(lpString)));
    // Another thread's window: the stored text, so that a busy thread cannot block the caller.
    return int(DefWindowProcA(hWnd, WM_GETTEXT, WPARAM(nMaxCount), LPARAM(lpString)));
}

int GetWindowTextLengthA(HWND hWnd)
{
    auto w = findWindow(hWnd);
    if (!w)
        return 0;
    if (w->threadId == currentThreadId())
        return int(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
    return int(DefWindowProcA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}
