// The desktop back end through SDL2, and the choice of the process's back end.

#include "sdl/SdlDisplay.h"

#include "gdi/Icon.h"
#include "input/Clipboard.h"
#include "input/Input.h"
#include "input/Cursors.h"
#include "sdl/SdlKeys.h"
#include "sdl/SdlMessageBox.h"
#include "ui/HeadlessDisplay.h"
#include "ui/UiCore.h"
#include "ui/WindowGeometry.h"
#include "ui/WindowSurface.h"
#include "CodePageSteps.h"
#include "Waitable.h"

#include "plat/controls.h"
#include "plat/cursor.h"
#include "plat/errors.h"
#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/testhooks.h"
#include "plat/thread.h"
#include "plat/window.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace plat::sdl {

namespace {

constexpr int kWheelDelta = 120;

std::string programName()
{
    return ::program_invocation_short_name ? ::program_invocation_short_name : "program";
}

// What the desktop is told of a top-level window: its SDL flags from its styles.
Uint32 windowFlags(DWORD style, DWORD exStyle, bool owned)
{
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (style & (WS_CAPTION | WS_THICKFRAME)) {
        if (style & WS_THICKFRAME)
            flags |= SDL_WINDOW_RESIZABLE;
        return flags;
    }
    if (style & WS_POPUP) {
        flags |= SDL_WINDOW_BORDERLESS;
        if (owned || (exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST)))
            flags |= SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_POPUP_MENU;
    }
    return flags;
}

SDL_SystemCursor systemCursorFor(int id)
{
    switch (id) {
    case 32513: return SDL_SYSTEM_CURSOR_IBEAM;
    case 32514: return SDL_SYSTEM_CURSOR_WAIT;
    case 32515: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case 32642: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case 32643: return SDL_SYSTEM_CURSOR_SIZENESW;
    case 32644: return SDL_SYSTEM_CURSOR_SIZEWE;
    case 32645: return SDL_SYSTEM_CURSOR_SIZENS;
    case 32646: return SDL_SYSTEM_CURSOR_SIZEALL;
    case 32648: return SDL_SYSTEM_CURSOR_NO;
    case 32649: return SDL_SYSTEM_CURSOR_HAND;
    case 32650: return SDL_SYSTEM_CURSOR_WAITARROW;
    default: return SDL_SYSTEM_CURSOR_ARROW; // the arrow, the up arrow and help
    }
}

// An icon's or cursor's first frame as an SDL surface (masked pixels transparent, inverting
// ones black); null for no such image. The caller frees it.
SDL_Surface* surfaceOfImage(HANDLE image)
{
    auto icon = gdi::findAs<gdi::IconObject>(HGDIOBJ(image));
    if (!icon || icon->record.frames.empty())
        return nullptr;
    const gdi::IconFrame& f = icon->record.frames[0];
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, f.width, f.height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s)
        return nullptr;
    for (int y = 0; y < f.height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + size_t(y) * size_t(s->pitch));
        for (int x = 0; x < f.width; ++x) {
            const size_t i = size_t(y) * size_t(f.width) + size_t(x);
            uint32_t p = f.pixels[i];
            if (!f.hasAlpha) {
                const bool keepsUnder = f.mask[i] != 0;
                const bool inverts = keepsUnder && (p & 0xFFFFFF) != 0;
                p = inverts ? 0xFF000000 : keepsUnder ? 0 : (p | 0xFF000000);
            }
            row[x] = p;
        }
    }
    return s;
}

// The keys held when the desktop took the focus away are up when it comes back (no Ctrl stuck
// after Alt+Tab); the lock keys' toggles are what the desktop says. Mouse buttons are left alone.
void settleKeyTable(BYTE* table, Uint16 mod)
{
    constexpr int kFirstKey = 0x07;
    for (int vk = kFirstKey; vk < 256; ++vk)
        table[vk] &= 0x01;
    const auto toggle = [&](int vk, bool on) { table[vk] = BYTE((table[vk] & ~0x01) | (on ? 1 : 0)); };
    toggle(VK_CAPITAL, mod & KMOD_CAPS);
    toggle(VK_NUMLOCK, mod & KMOD_NUM);
    toggle(VK_SCROLL, mod & KMOD_SCROLL);
}

// The desktop takes only well-formed UTF-8: each byte that starts no sequence becomes U+FFFD.
std::string wellFormedUtf8(const std::string& text)
{
    std::string out;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        const int n = utf8Step(bytes + i, text.size() - i, &cp);
        if (n > 0) {
            out.append(text, i, size_t(n));
            i += size_t(n);
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

std::atomic<ui::DisplayBackend*>& chosen()
{
    static std::atomic<ui::DisplayBackend*> backend{nullptr};
    return backend;
}

std::atomic<bool> g_noDisplayNotice{false};

ui::DisplayBackend* choose()
{
    const char* headless = std::getenv("VANTREL_HEADLESS");
    if (headless && std::strcmp(headless, "1") == 0)
        return &ui::headlessDisplay();
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        g_noDisplayNotice.store(true);
        return &ui::headlessDisplay();
    }
    static auto* desktop = new SdlDisplay("x11"); // windows may still go from static destructors
    return desktop;
}

} // namespace

bool SdlDisplay::onDisplayThread() const { return m_thread.load() == GetCurrentThreadId(); }

bool SdlDisplay::open()
{
    const DWORD me = GetCurrentThreadId();
    DWORD none = 0;
    if (!m_thread.compare_exchange_strong(none, me) && none != me)
        return true; // another thread shows the windows: this one's stay off the desktop
    if (m_failed || SDL_WasInit(SDL_INIT_VIDEO))
        return !m_failed;
    if (!std::getenv("SDL_VIDEODRIVER"))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, m_driver.c_str());
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "%s: cannot open the display \"%s\" (%s); set VANTREL_HEADLESS=1 to run without one\n",
            programName().c_str(), display ? display : "", SDL_GetError());
        m_failed = true;
        return false;
    }
    m_wakeEvent = SDL_RegisterEvents(1);
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(0, &bounds) == 0) {
        m_screenWidth.store(bounds.w);
        m_screenHeight.store(bounds.h);
    }
    SDL_StartTextInput();
    currentWakeSignal().setPump(this);
    return true;
}

void SdlDisplay::close()
{
    if (!onDisplayThread())
        return;
    currentWakeSignal().setPump(nullptr);
    {
        std::lock_guard lock(m_mutex);
        for (auto& [handle, cursor] : m_cursors)
            SDL_FreeCursor(cursor);
        m_cursors.clear();
    }
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_Quit();
    m_failed = false;
    m_thread.store(0);
}

SIZE SdlDisplay::screenSize() const { return SIZE{m_screenWidth.load(), m_screenHeight.load()}; }

void SdlDisplay::topLevelCreated(HWND hwnd)
{
    if (!onDisplayThread() || !SDL_WasInit(SDL_INIT_VIDEO)) {
        std::string name;
        {
            std::lock_guard lock(ui::windowsMutex());
            if (auto w = ui::lookupWindow(hwnd))
                name = w->cls->name;
        }
        std::fprintf(stderr, "%s: a window of class \"%s\" made on another thread stays off the desktop\n",
            programName().c_str(), name.c_str());
        return;
    }
    DWORD style, exStyle;
    bool owned;
    std::string title;
    RECT rect;
    {
        std::lock_guard lock(ui::windowsMutex());
        auto w = ui::lookupWindow(hwnd);
        if (!w)
            return;
        style = w->style.load();
        exStyle = w->exStyle.load();
        owned = w->owner != nullptr;
        title = w->text;
        rect = ui::windowOnScreen(*w);
    }
    SDL_Window* window = SDL_CreateWindow(title.c_str(), rect.left, rect.top, std::max<int>(1, ui::width(rect)),
        std::max<int>(1, ui::height(rect)), windowFlags(style, exStyle, owned));
    if (!window) {
        std::fprintf(stderr, "%s: the desktop refused a window (%s)\n", programName().c_str(), SDL_GetError());
        return;
    }
    std::lock_guard lock(m_mutex);
    m_windows[hwnd] = Shown{window, rect, false};
}

void SdlDisplay::topLevelChanged(HWND hwnd)
{
    if (!onDisplayThread())
        return;
    RECT rect;
    bool visible, minimized;
    std::string title;
    {
        std::lock_guard lock(ui::windowsMutex());
        auto w = ui::lookupWindow(hwnd);
        if (!w)
            return;
        rect = ui::windowOnScreen(*w);
        visible = ui::visibleWithAncestors(*w);
        minimized = (w->style.load() & WS_MINIMIZE) != 0;
        title = w->text;
    }
    SDL_Window* window;
    RECT was;
    bool wasVisible, wasMinimized;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(hwnd);
        if (it == m_windows.end())
            return;
        window = it->second.window;
        was = it->second.rect;
        wasVisible = it->second.visible;
        wasMinimized = it->second.minimized;
        it->second.rect = rect;
        it->second.visible = visible;
        it->second.minimized = minimized;
    }
    if (hwnd != m_fromDesktop) {
        if (rect.left != was.left || rect.top != was.top)
            SDL_SetWindowPosition(window, rect.left, rect.top);
        if (ui::width(rect) != ui::width(was) || ui::height(rect) != ui::height(was))
            SDL_SetWindowSize(window, std::max<int>(1, ui::width(rect)), std::max<int>(1, ui::height(rect)));
    }
    if (visible && !wasVisible) {
        SDL_SetWindowTitle(window, title.c_str());
        SDL_ShowWindow(window);
    } else if (!visible && wasVisible) {
        SDL_HideWindow(window);
    }
    if (minimized != wasMinimized && hwnd != m_fromDesktop) {
        if (minimized)
            SDL_MinimizeWindow(window);
        else
            SDL_RestoreWindow(window);
    }
}

void SdlDisplay::topLevelDestroyed(HWND hwnd)
{
    SDL_Window* window = nullptr;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(hwnd);
        if (it == m_windows.end())
            return;
        window = it->second.window;
        m_windows.erase(it);
    }
    SDL_DestroyWindow(window);
}

SDL_Window* SdlDisplay::sdlWindowOf(HWND hwnd)
{
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(hwnd);
    return it == m_windows.end() ? nullptr : it->second.window;
}

void SdlDisplay::present(HWND hwnd, const gdi::Surface& surface, const RECT& dirty)
{
    if (!onDisplayThread())
        return;
    SDL_Window* window = sdlWindowOf(hwnd);
    if (!window)
        return;
    SDL_Surface* target = SDL_GetWindowSurface(window); // made anew after a resize
    if (!target)
        return;
    SDL_Rect r;
    r.x = std::max<int>(0, dirty.left);
    r.y = std::max<int>(0, dirty.top);
    r.w = std::min<int>({int(dirty.right), surface.width, target->w}) - r.x;
    r.h = std::min<int>({int(dirty.bottom), surface.height, target->h}) - r.y;
    if (r.w <= 0 || r.h <= 0)
        return;
    if (SDL_MUSTLOCK(target))
        SDL_LockSurface(target);
    auto* out = static_cast<uint8_t*>(target->pixels) + size_t(r.y) * size_t(target->pitch) + size_t(r.x) * 4;
    const uint8_t* in = surface.row(r.y) + size_t(r.x) * 4;
    const Uint32 format = target->format->format;
    if (format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) {
        for (int y = 0; y < r.h; ++y)
            std::memcpy(out + size_t(y) * size_t(target->pitch), in + size_t(y) * size_t(surface.stride),
                size_t(r.w) * 4);
    } else {
        out = static_cast<uint8_t*>(target->pixels) + size_t(r.y) * size_t(target->pitch)
            + size_t(r.x) * size_t(target->format->BytesPerPixel);
        SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_RGB888, in, surface.stride, format, out, target->pitch);
    }
    if (SDL_MUSTLOCK(target))
        SDL_UnlockSurface(target);
    SDL_UpdateWindowSurfaceRects(window, &r, 1);
}

void SdlDisplay::presentWhole(HWND hwnd)
{
    std::shared_ptr<ui::WindowSurface> surface;
    {
        std::lock_guard lock(ui::windowsMutex());
        auto w = ui::lookupWindow(hwnd);
        if (!w || !w->surface)
            return;
        surface = w->surface;
    }
    const gdi::Surface& s = surface->surface();
    present(hwnd, s, RECT{0, 0, s.width, s.height});
}

void SdlDisplay::cursorChanged(HCURSOR cursor, bool shown)
{
    {
        std::lock_guard lock(m_mutex);
        m_cursor = cursor;
        m_cursorShown = shown;
        m_cursorPending = true;
    }
    if (onDisplayThread())
        applyPending();
    else
        woken();
}

void SdlDisplay::clipboardTextChanged(const std::string& text)
{
    {
        std::lock_guard lock(m_mutex);
        m_clipboard = text;
        m_clipboardPending = true;
    }
    if (onDisplayThread())
        applyPending();
    else
        woken();
}

// On the display thread: what other threads handed over for SDL.
void SdlDisplay::applyPending()
{
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return;
    std::unique_lock lock(m_mutex);
    if (m_clipboardPending) {
        m_clipboardPending = false;
        const std::string text = m_clipboard;
        lock.unlock();
        SDL_SetClipboardText(wellFormedUtf8(text).c_str());
        // What the desktop holds now, as it will read back: not another program's copy.
        char* held = SDL_GetClipboardText();
        const std::string published = held ? held : "";
        SDL_free(held);
        lock.lock();
        m_published = published;
    }
    if (m_cursorPending) {
        m_cursorPending = false;
        if (!m_cursor || !m_cursorShown) {
            SDL_ShowCursor(SDL_DISABLE);
            return;
        }
        SDL_Cursor*& made = m_cursors[m_cursor];
        if (!made)
            made = makeCursor(m_cursor);
        if (made)
            SDL_SetCursor(made);
        SDL_ShowCursor(SDL_ENABLE);
    }
}

SDL_Cursor* SdlDisplay::makeCursor(HCURSOR cursor)
{
    if (const int id = input::systemCursorIdOf(cursor))
        return SDL_CreateSystemCursor(systemCursorFor(id));
    SDL_Surface* image = surfaceOfImage(cursor);
    if (!image)
        return SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    const POINT hot = gdi::findAs<gdi::IconObject>(HGDIOBJ(cursor))->record.hotspot;
    SDL_Cursor* made = SDL_CreateColorCursor(image, hot.x, hot.y);
    SDL_FreeSurface(image);
    return made;
}

void SdlDisplay::iconChanged(HWND hwnd, HICON smallIcon, HICON bigIcon)
{
    SDL_Window* window = onDisplayThread() ? sdlWindowOf(hwnd) : nullptr;
    if (!window)
        return;
    if (SDL_Surface* image = surfaceOfImage(bigIcon ? bigIcon : smallIcon)) {
        SDL_SetWindowIcon(window, image);
        SDL_FreeSurface(image);
    }
}

void SdlDisplay::woken()
{
    if (m_wakeEvent == 0 || m_wakePushed.exchange(true))
        return;
    SDL_Event e{};
    e.type = m_wakeEvent;
    SDL_PushEvent(&e);
}

void SdlDisplay::pump(uint32_t realMs)
{
    if (poll())
        return; // the events may have woken the thread: the caller looks first
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, int(realMs)))
        handle(e);
    poll();
}

int SdlDisplay::messageBox(const char* text, const char* caption, UINT type)
{
    if (const int pressed = showMessageBox(text, caption, type))
        return pressed;
    std::fprintf(stderr, "%s: cannot show a message box on the desktop (%s): answering without one\n",
        programName().c_str(), SDL_GetError());
    return 0;
}

bool SdlDisplay::poll()
{
    if (!onDisplayThread() || !SDL_WasInit(SDL_INIT_VIDEO))
        return false;
    applyPending();
    SDL_Event e;
    bool any = false;
    m_focusLeft = false;
    while (SDL_PollEvent(&e)) {
        handle(e);
        any = true;
    }
    if (m_focusLeft)
        focusLeftUs();
    return any;
}

HWND SdlDisplay::windowOf(Uint32 windowId)
{
    SDL_Window* window = SDL_GetWindowFromID(windowId);
    std::lock_guard lock(m_mutex);
    for (auto& [hwnd, shown] : m_windows)
        if (shown.window == window)
            return hwnd;
    return nullptr;
}

void SdlDisplay::handle(const SDL_Event& e)
{
    if (e.type == m_wakeEvent) {
        m_wakePushed.store(false);
        return;
    }
    switch (e.type) {
    case SDL_MOUSEMOTION: {
        SDL_Window* window = SDL_GetWindowFromID(e.motion.windowID);
        int x = 0, y = 0;
        if (window)
            SDL_GetWindowPosition(window, &x, &y);
        input::queueMouseMove(POINT{x + e.motion.x, y + e.motion.y});
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const int button = e.button.button == SDL_BUTTON_LEFT ? 0
            : e.button.button == SDL_BUTTON_RIGHT              ? 1
            : e.button.button == SDL_BUTTON_MIDDLE             ? 2
                                                               : -1;
        if (button < 0)
            break;
        SDL_Window* window = SDL_GetWindowFromID(e.button.windowID);
        int x = 0, y = 0;
        if (window)
            SDL_GetWindowPosition(window, &x, &y);
        input::queueMouseMove(POINT{x + e.button.x, y + e.button.y});
        input::queueMouseButton(button, e.type == SDL_MOUSEBUTTONDOWN);
        break;
    }
    case SDL_MOUSEWHEEL: {
        const int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        if (notches)
            input::queueWheel(notches * kWheelDelta);
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: handleKey(e.key); break;
    case SDL_TEXTINPUT: input::queueText(e.text.text); break;
    case SDL_WINDOWEVENT: handleWindowEvent(e.window); break;
    case SDL_QUIT: closeAllMainWindows(); break;
    case SDL_CLIPBOARDUPDATE: takeDesktopClipboard(); break;
    case SDL_DISPLAYEVENT: {
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(0, &bounds) == 0) {
            m_screenWidth.store(bounds.w);
            m_screenHeight.store(bounds.h);
        }
        break;
    }
    default: break;
    }
}

void SdlDisplay::handleKey(const SDL_KeyboardEvent& e)
{
    const WindowsKey k = windowsKeyOf(e.keysym.sym, e.keysym.scancode, e.keysym.mod);
    if (!k.vk)
        return;
    std::string text;
    if (e.type == SDL_KEYDOWN) {
        // The text the key typed rides with it, so that a key a hook diverts does not also type.
        SDL_Event next;
        if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) == 1) {
            SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT);
            text = next.text.text;
        }
    }
    input::queueKey(k.vk, k.scan, k.extended, e.type == SDL_KEYDOWN, text);
}

void SdlDisplay::handleWindowEvent(const SDL_WindowEvent& e)
{
    const HWND hwnd = windowOf(e.windowID);
    if (!hwnd)
        return;
    switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE: PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    case SDL_WINDOWEVENT_MOVED:
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
        SDL_Window* window = SDL_GetWindowFromID(e.windowID);
        int x, y, cx, cy;
        SDL_GetWindowPosition(window, &x, &y);
        SDL_GetWindowSize(window, &cx, &cy);
        m_fromDesktop = hwnd;
        SetWindowPos(hwnd, nullptr, x, y, cx, cy, SWP_NOACTIVATE | SWP_NOZORDER);
        m_fromDesktop = nullptr;
        break;
    }
    case SDL_WINDOWEVENT_EXPOSED: presentWhole(hwnd); break;
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_RESTORED: {
        const bool minimize = e.event == SDL_WINDOWEVENT_MINIMIZED;
        if (bool(IsIconic(hwnd)) == minimize)
            break;
        m_fromDesktop = hwnd;
        ShowWindow(hwnd, minimize ? SW_SHOWMINNOACTIVE : SW_RESTORE);
        m_fromDesktop = nullptr;
        break;
    }
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        m_focusLeft = false; // it only went from one of our windows to another
        input::activate(hwnd, WA_ACTIVE);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST: m_focusLeft = true; break;
    default: break;
    }
}

// Another program has the focus now: what only a user at our windows could end ends now.
void SdlDisplay::focusLeftUs()
{
    m_focusLeft = false;
    {
        std::lock_guard lock(input::inputMutex());
        settleKeyTable(input::asyncKeyTable(), SDL_GetModState());
    }
    settleKeyTable(input::threadKeyTable(), SDL_GetModState());
    if (HWND active = GetActiveWindow())
        SendMessageA(active, WM_ACTIVATE, WA_INACTIVE, 0);
    if (HWND capture = GetCapture())
        SendMessageA(capture, WM_CANCELMODE, 0, 0);
}

// Another program copied text: it becomes the clipboard's CF_TEXT. What we published ourselves
// stays as we gave it (byte for byte, whatever the desktop made of it).
void SdlDisplay::takeDesktopClipboard()
{
    if (!SDL_HasClipboardText())
        return;
    char* text = SDL_GetClipboardText();
    const std::string copied = text ? text : "";
    SDL_free(text);
    {
        std::lock_guard lock(m_mutex);
        if (copied == m_published)
            return;
        m_published = copied;
    }
    input::setClipboardTextFromDesktop(copied);
}

// A request to end the program (SIGINT, SIGTERM) closes its main windows as their users would.
void SdlDisplay::closeAllMainWindows()
{
    std::vector<HWND> targets;
    {
        std::lock_guard lock(ui::windowsMutex());
        for (HWND hwnd : ui::topLevelOrder()) {
            auto w = ui::lookupWindow(hwnd);
            if (w && !w->owner && (w->style.load() & WS_CAPTION) == WS_CAPTION && w->threadId == m_thread.load())
                targets.push_back(hwnd);
        }
    }
    for (HWND hwnd : targets)
        PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

SdlDisplay* sdlDisplay() { return dynamic_cast<SdlDisplay*>(chosen().load()); }

} // namespace plat::sdl

namespace plat::ui {

DisplayBackend& display()
{
    auto& slot = sdl::chosen();
    DisplayBackend* backend = slot.load();
    if (!backend) {
        DisplayBackend* expected = nullptr;
        backend = sdl::choose();
        if (!slot.compare_exchange_strong(expected, backend))
            backend = expected;
    }
    return *backend;
}

bool admitTopLevel()
{
    DisplayBackend& backend = display();
    if (auto* desktop = dynamic_cast<sdl::SdlDisplay*>(&backend)) {
        if (desktop->open())
            return true;
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return false;
    }
    if (sdl::g_noDisplayNotice.exchange(false))
        std::fprintf(stderr, "%s: no display (DISPLAY is not set): running without windows; set VANTREL_HEADLESS=1 to silence this\n",
            sdl::programName().c_str());
    return true;
}

} // namespace plat::ui

BOOL vntTestUseSdlDisplay(BOOL on)
{
    using namespace plat;
    {
        std::lock_guard lock(ui::windowsMutex());
        if (!ui::topLevelOrder().empty())
            return FALSE;
    }
    static auto* dummy = new sdl::SdlDisplay("dummy");
    ui::display(); // the choice is made before it is replaced
    if (auto* current = sdl::sdlDisplay(); current && !on)
        current->close();
    sdl::chosen().store(on ? static_cast<ui::DisplayBackend*>(dummy) : &ui::headlessDisplay());
    return TRUE;
}
