// The desktop back end through SDL2, and the choice of the process's back end.

#include "sdl/SdlDisplay.h"

#include "gdi/Icon.h"
#include "input/Caret.h"
#include "input/Clipboard.h"
#include "input/Input.h"
#include "input/Cursors.h"
#include "sdl/SdlKeys.h"
#include "sdl/SdlMessageBox.h"
#include "sdl/X11Focus.h"
#include "sdl/X11WindowManager.h"
#include "ui/HeadlessDisplay.h"
#include "ui/MessageBoxWindow.h"
#include "ui/UiCore.h"
#include "ui/WindowGeometry.h"
#include "ui/WindowSurface.h"
#include "kernel/CodePageSteps.h"
#include "kernel/Waitable.h"

#include "plat/caret.h"
#include "plat/controls.h"
#include "plat/cursor.h"
#include "plat/errors.h"
#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/testhooks.h"
#include "plat/thread.h"
#include "plat/window.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include <unistd.h>

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
    if ((style & WS_CAPTION) == WS_CAPTION || (style & WS_THICKFRAME)) {
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

// A frame of an icon or cursor as an SDL surface (masked pixels transparent, inverting ones
// black). The caller frees it.
SDL_Surface* surfaceOfFrame(const gdi::IconFrame& f)
{
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

// An icon's first frame as an SDL surface; null for no such image. The caller frees it.
SDL_Surface* surfaceOfImage(HANDLE image)
{
    auto icon = gdi::findAs<gdi::IconObject>(HGDIOBJ(image));
    return icon && !icon->record.frames.empty() ? surfaceOfFrame(icon->record.frames[0]) : nullptr;
}

// The part of area that lies on a surface of this size (empty when none does).
SDL_Rect onSurface(const RECT& area, int width, int height)
{
    SDL_Rect r;
    r.x = std::max<int>(0, area.left);
    r.y = std::max<int>(0, area.top);
    r.w = std::max(0, std::min<int>(area.right, width) - r.x);
    r.h = std::max(0, std::min<int>(area.bottom, height) - r.y);
    return r;
}

// Copies part of the window's pixels into the desktop's surface of it (locked by the caller).
void copyOut(SDL_Surface* target, const gdi::Surface& surface, const SDL_Rect& r)
{
    const uint8_t* in = surface.row(r.y) + size_t(r.x) * 4;
    const Uint32 format = target->format->format;
    const size_t bytes = target->format->BytesPerPixel;
    auto* out = static_cast<uint8_t*>(target->pixels) + size_t(r.y) * size_t(target->pitch) + size_t(r.x) * bytes;
    if (format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) {
        for (int y = 0; y < r.h; ++y)
            std::memcpy(out + size_t(y) * size_t(target->pitch), in + size_t(y) * size_t(surface.stride),
                size_t(r.w) * 4);
    } else {
        SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_RGB888, in, surface.stride, format, out, target->pitch);
    }
}

// Inverts the colours of part of the desktop's surface (locked by the caller): the caret.
void invert(SDL_Surface* target, const SDL_Rect& r)
{
    const SDL_PixelFormat& f = *target->format;
    const Uint32 colours = f.Rmask | f.Gmask | f.Bmask;
    const size_t bytes = f.BytesPerPixel;
    for (int y = 0; y < r.h; ++y) {
        auto* p = static_cast<uint8_t*>(target->pixels) + size_t(r.y + y) * size_t(target->pitch) + size_t(r.x) * bytes;
        for (int x = 0; x < r.w; ++x, p += bytes) {
            Uint32 v = 0;
            std::memcpy(&v, p, bytes); // the low bytes on a little-endian machine
            v ^= colours;
            std::memcpy(p, &v, bytes);
        }
    }
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

ui::DisplayBackend* choose()
{
    const char* headless = std::getenv("VANTREL_HEADLESS");
    if (headless && std::strcmp(headless, "1") == 0)
        return &ui::headlessDisplay();
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
    // The driver's own window surfaces: exact pixels, and no window made anew behind our back
    // for a renderer (which would lose what the desktop was told of it, as its owner).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        // A person who starts the program without a desktop (over ssh) learns it at once.
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            std::fprintf(stderr, "%s: cannot open a window: no display (DISPLAY is not set); set VANTREL_HEADLESS=1 to run without one\n",
                programName().c_str());
        else
            std::fprintf(stderr, "%s: cannot open the display \"%s\" (%s); set VANTREL_HEADLESS=1 to run without one\n",
                programName().c_str(), display, SDL_GetError());
        m_failed = true;
        return false;
    }
    m_wakeEvent = SDL_RegisterEvents(1);
    if (std::strcmp(SDL_GetCurrentVideoDriver(), "x11") == 0)
        m_x11.start();
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
        for (auto& [handle, made] : m_cursors)
            for (SDL_Cursor* frame : made.frames)
                SDL_FreeCursor(frame);
        m_cursors.clear();
        m_shownCursor = nullptr;
    }
    m_caret = ShownCaret{};
    m_sparePopups.clear(); // SDL's end destroys them
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_Quit();
    if (m_x11.running())
        m_x11.stop();
    m_failed = false;
    m_thread.store(0);
}

SIZE SdlDisplay::screenSize() const { return SIZE{m_screenWidth.load(), m_screenHeight.load()}; }

// Centred on the screen, as SDL places a window whose place is left to it.
POINT SdlDisplay::defaultPosition(SIZE size) const
{
    const SIZE screen = screenSize();
    return POINT{std::max(0, (screen.cx - size.cx) / 2), std::max(0, (screen.cy - size.cy) / 2)};
}

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
    {
        std::lock_guard lock(m_mutex);
        m_windows[hwnd] = Shown{};
    }
    topLevelChanged(hwnd); // one made visible shows at once
}

// The desktop's window for a top-level window about to be shown the first time (most lists of
// combo boxes never are), as it stands now; no window when the desktop refuses one.
SdlDisplay::Shown SdlDisplay::makeWindow(HWND hwnd)
{
    DWORD style, exStyle;
    HWND owner;
    HICON icons[2];
    Shown shown;
    {
        std::lock_guard lock(ui::windowsMutex());
        auto w = ui::lookupWindow(hwnd);
        if (!w)
            return shown;
        style = w->style.load();
        exStyle = w->exStyle.load();
        owner = w->owner;
        icons[0] = w->icons[0], icons[1] = w->icons[1];
        shown.title = w->text;
        shown.rect = ui::windowOnScreen(*w);
    }
    shown.flags = windowFlags(style, exStyle, owner != nullptr);
    shown.popup = (shown.flags & SDL_WINDOW_POPUP_MENU) != 0;
    const int cx = std::max<int>(1, ui::width(shown.rect)), cy = std::max<int>(1, ui::height(shown.rect));
    if ((shown.window = shown.popup ? takeSparePopup(shown.flags) : nullptr)) {
        SDL_SetWindowTitle(shown.window, shown.title.c_str());
        SDL_SetWindowPosition(shown.window, shown.rect.left, shown.rect.top);
        SDL_SetWindowSize(shown.window, cx, cy);
        return shown;
    }
    shown.window = SDL_CreateWindow(shown.title.c_str(), shown.rect.left, shown.rect.top, cx, cy, shown.flags);
    if (!shown.window) {
        std::fprintf(stderr, "%s: the desktop refused a window (%s)\n", programName().c_str(), SDL_GetError());
        return shown;
    }
    m_x11.windowMade(shown.window);
    // An owned captioned window (a view, a dialog) stays above its owner, which it keeps from use.
    if (SDL_Window* ownerWindow = owner && (style & WS_CAPTION) == WS_CAPTION ? sdlWindowOf(owner) : nullptr)
        SDL_SetWindowModalFor(shown.window, ownerWindow);
    if (SDL_Surface* image = surfaceOfImage(icons[1] ? icons[1] : icons[0])) {
        SDL_SetWindowIcon(shown.window, image);
        SDL_FreeSurface(image);
    }
    return shown;
}

SDL_Window* SdlDisplay::takeSparePopup(Uint32 flags)
{
    auto it = std::find_if(m_sparePopups.begin(), m_sparePopups.end(), [&](const auto& spare) { return spare.first == flags; });
    if (it == m_sparePopups.end())
        return nullptr;
    SDL_Window* window = it->second;
    m_sparePopups.erase(it);
    return window;
}

void SdlDisplay::topLevelChanged(HWND hwnd)
{
    if (!onDisplayThread())
        return;
    Shown now;
    {
        std::lock_guard lock(ui::windowsMutex());
        auto w = ui::lookupWindow(hwnd);
        if (!w)
            return;
        now.rect = ui::windowOnScreen(*w);
        now.visible = ui::visibleWithAncestors(*w);
        now.minimized = (w->style.load() & WS_MINIMIZE) != 0;
        now.maximized = (w->style.load() & WS_MAXIMIZE) != 0;
        now.title = w->text;
    }
    Shown was;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(hwnd);
        if (it == m_windows.end() || (!it->second.window && !now.visible))
            return;
        was = it->second;
    }
    if (!was.window) {
        was = makeWindow(hwnd);
        if (!was.window)
            return;
    }
    now.window = was.window;
    now.popup = was.popup;
    now.flags = was.flags;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(hwnd);
        if (it == m_windows.end())
            return;
        it->second = now;
    }
    SDL_Window* window = now.window;
    const RECT& rect = now.rect;
    if (hwnd != m_fromDesktop) {
        if (rect.left != was.rect.left || rect.top != was.rect.top)
            SDL_SetWindowPosition(window, rect.left, rect.top);
        if (ui::width(rect) != ui::width(was.rect) || ui::height(rect) != ui::height(was.rect))
            SDL_SetWindowSize(window, std::max<int>(1, ui::width(rect)), std::max<int>(1, ui::height(rect)));
    }
    if (now.title != was.title)
        SDL_SetWindowTitle(window, now.title.c_str());
    if (now.visible && !was.visible) {
        SDL_ShowWindow(window);
    } else if (!now.visible && was.visible) {
        SDL_HideWindow(window);
        takeFocusIfNone(sdlWindowOf(GetForegroundWindow()));
    }
    if ((now.minimized != was.minimized || now.maximized != was.maximized) && hwnd != m_fromDesktop) {
        if (now.minimized) {
            SDL_MinimizeWindow(window);
        } else {
            if (was.minimized || !now.maximized)
                SDL_RestoreWindow(window);
            if (now.maximized)
                SDL_MaximizeWindow(window);
        }
    }
}

void SdlDisplay::topLevelActivated(HWND hwnd)
{
    if (!onDisplayThread() || hwnd == m_fromDesktop)
        return;
    SDL_Window* window = nullptr;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(hwnd);
        if (it != m_windows.end() && it->second.visible && !it->second.popup)
            window = it->second.window;
    }
    if (!window)
        return;
    SDL_RaiseWindow(window);
    takeFocusIfNone(window);
}

void SdlDisplay::topLevelDestroyed(HWND hwnd)
{
    Shown gone;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_windows.find(hwnd);
        if (it == m_windows.end())
            return;
        gone = it->second;
        m_windows.erase(it);
    }
    constexpr size_t kSparePopups = 4;
    if (gone.window && gone.popup && m_sparePopups.size() < kSparePopups) {
        if (gone.visible)
            SDL_HideWindow(gone.window);
        m_sparePopups.emplace_back(gone.flags, gone.window);
    } else if (gone.window) {
        SDL_DestroyWindow(gone.window);
    }
    if (gone.window)
        takeFocusIfNone(sdlWindowOf(GetForegroundWindow()));
    if (m_caret.top == hwnd)
        m_caret = ShownCaret{};
}

SDL_Window* SdlDisplay::sdlWindowOf(HWND hwnd)
{
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(hwnd);
    return it == m_windows.end() ? nullptr : it->second.window;
}

bool SdlDisplay::keepsCursorFor(HCURSOR cursor)
{
    std::lock_guard lock(m_mutex);
    return m_cursors.count(cursor) != 0;
}

size_t SdlDisplay::cursorStep()
{
    std::lock_guard lock(m_mutex);
    return m_step;
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
    // The caret lies over the copy: where the copy covers part of it, all of it is drawn again.
    RECT area = dirty, overlap;
    const bool caret = m_caret.drawn && m_caret.top == hwnd && IntersectRect(&overlap, &dirty, &m_caret.rect);
    if (caret)
        UnionRect(&area, &dirty, &m_caret.rect);
    const SDL_Rect r = onSurface(area, std::min(surface.width, target->w), std::min(surface.height, target->h));
    if (r.w <= 0 || r.h <= 0)
        return;
    if (SDL_MUSTLOCK(target))
        SDL_LockSurface(target);
    copyOut(target, surface, r);
    if (caret)
        invert(target, onSurface(m_caret.rect, r.x + r.w, r.y + r.h));
    if (SDL_MUSTLOCK(target))
        SDL_UnlockSurface(target);
    SDL_UpdateWindowSurfaceRects(window, &r, 1);
}

// Presents part of a window's surface again (null: all of it), without a paint.
void SdlDisplay::presentArea(HWND hwnd, const RECT* area)
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
    present(hwnd, s, area ? *area : RECT{0, 0, s.width, s.height});
}

void SdlDisplay::caretChanged(HWND)
{
    if (onDisplayThread() && SDL_WasInit(SDL_INIT_VIDEO))
        updateCaret(ui::nowMs());
}

// Where the thread's caret is to be seen inverted at now, if it is.
SdlDisplay::ShownCaret SdlDisplay::caretWanted(uint64_t now)
{
    const input::CaretState& caret = input::currentCaret();
    if (!input::caretShownNow(caret, now))
        return ShownCaret{};
    std::lock_guard lock(ui::windowsMutex());
    auto w = ui::lookupWindow(caret.owner);
    if (!w || !ui::showing(*w))
        return ShownCaret{};
    const POINT origin = ui::clientOriginInTop(*w);
    const RECT client = ui::clientInWindow(*w);
    const RECT clientInTop{origin.x, origin.y, origin.x + ui::width(client), origin.y + ui::height(client)};
    const RECT at{origin.x + caret.pos.x, origin.y + caret.pos.y, origin.x + caret.pos.x + caret.size.cx,
        origin.y + caret.pos.y + caret.size.cy};
    ShownCaret wanted;
    if (!IntersectRect(&wanted.rect, &at, &clientInTop))
        return ShownCaret{};
    wanted.top = ui::topLevelOf(w)->handle;
    wanted.drawn = true;
    return wanted;
}

// Draws the caret where and when it is to be seen: it blinks, and shows at once after a move.
void SdlDisplay::updateCaret(uint64_t now)
{
    const ShownCaret wanted = caretWanted(now);
    if (wanted.drawn == m_caret.drawn
        && (!wanted.drawn || (wanted.top == m_caret.top && EqualRect(&wanted.rect, &m_caret.rect))))
        return;
    const ShownCaret was = std::exchange(m_caret, wanted);
    if (was.drawn)
        presentArea(was.top, &was.rect);
    if (wanted.drawn)
        presentArea(wanted.top, &wanted.rect);
}

// Hands a change over to the display thread (under m_mutex), which applies it now or when woken.
template <typename Change> void SdlDisplay::handOver(Change change)
{
    {
        std::lock_guard lock(m_mutex);
        change();
    }
    if (onDisplayThread())
        applyPending();
    else
        woken();
}

void SdlDisplay::cursorChanged(HCURSOR cursor, bool shown)
{
    handOver([&] {
        m_cursor = cursor;
        m_cursorShown = shown;
        m_cursorPending = true;
    });
}

void SdlDisplay::cursorDestroyed(HCURSOR cursor)
{
    handOver([&] {
        m_destroyedCursors.push_back(cursor);
    });
}

void SdlDisplay::cursorPlaced(POINT screen)
{
    handOver([&] {
        m_placed = screen;
        m_placedPending = true;
    });
}

void SdlDisplay::clipboardTextChanged(const std::string& text)
{
    handOver([&] {
        m_clipboard = text;
        m_clipboardPending = true;
    });
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
    for (HCURSOR cursor : std::exchange(m_destroyedCursors, {}))
        freeCursor(cursor);
    if (std::exchange(m_placedPending, false))
        SDL_WarpMouseGlobal(m_placed.x, m_placed.y);
    if (std::exchange(m_cursorPending, false))
        applyCursor();
}

// Under m_mutex: shows the cursor last set; an animated one starts at its first step, unless it
// is already the one shown (SetCursor comes with every move).
void SdlDisplay::applyCursor()
{
    if (!m_cursor || !m_cursorShown) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    if (m_cursor != m_shownCursor) {
        MadeCursor& made = m_cursors[m_cursor];
        if (made.frames.empty())
            made = makeCursor(m_cursor);
        m_shownCursor = m_cursor;
        m_step = 0;
        m_stepStart = ui::nowMs();
        if (!made.frames.empty())
            SDL_SetCursor(made.frames[size_t(made.steps[0])]);
    }
    SDL_ShowCursor(SDL_ENABLE);
}

// Under m_mutex: an animated cursor goes on to the step whose time has come.
void SdlDisplay::stepCursor(uint64_t now)
{
    auto it = m_cursors.find(m_shownCursor);
    if (it == m_cursors.end() || it->second.steps.size() < 2)
        return;
    const MadeCursor& made = it->second;
    uint64_t cycle = 0;
    for (uint32_t ms : made.stepMs)
        cycle += ms;
    if (now - m_stepStart >= 2 * cycle) // a long wait: no need to walk through whole cycles
        m_stepStart = now - (now - m_stepStart) % cycle;
    const size_t was = m_step;
    while (now - m_stepStart >= made.stepMs[m_step]) {
        m_stepStart += made.stepMs[m_step];
        m_step = (m_step + 1) % made.steps.size();
    }
    if (m_step != was)
        SDL_SetCursor(made.frames[size_t(made.steps[m_step])]);
}

// Under m_mutex: the SDL images of a destroyed handle go (SDL shows its default instead).
void SdlDisplay::freeCursor(HCURSOR cursor)
{
    auto it = m_cursors.find(cursor);
    if (it == m_cursors.end())
        return;
    for (SDL_Cursor* frame : it->second.frames)
        SDL_FreeCursor(frame);
    m_cursors.erase(it);
    if (m_shownCursor == cursor)
        m_shownCursor = nullptr;
}

SdlDisplay::MadeCursor SdlDisplay::makeCursor(HCURSOR cursor)
{
    MadeCursor made;
    auto image = gdi::findAs<gdi::IconObject>(HGDIOBJ(cursor));
    const int id = input::systemCursorIdOf(cursor);
    if (id || !image) {
        made.frames.push_back(SDL_CreateSystemCursor(id ? systemCursorFor(id) : SDL_SYSTEM_CURSOR_ARROW));
        made.steps.push_back(0);
        made.stepMs.push_back(0);
        return made;
    }
    const gdi::IconRecord& record = image->record;
    for (const gdi::IconFrame& frame : record.frames) {
        SDL_Surface* s = surfaceOfFrame(frame);
        SDL_Cursor* c = s ? SDL_CreateColorCursor(s, record.hotspot.x, record.hotspot.y) : nullptr;
        SDL_FreeSurface(s);
        made.frames.push_back(c ? c : SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW));
    }
    constexpr uint32_t kJiffiesPerSecond = 60;
    for (int step = 0; step < record.steps(); ++step) {
        made.steps.push_back(record.sequence.empty() ? step : record.sequence[size_t(step)]);
        const DWORD rate = size_t(step) < record.rates.size() ? record.rates[size_t(step)] : record.defaultRate;
        made.stepMs.push_back(std::max<uint32_t>(1, rate * 1000 / kJiffiesPerSecond));
    }
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

// Off X11, or for a window kept off the desktop, the state is the platform's alone.
bool SdlDisplay::changesWindowStates()
{
    return !onDisplayThread() || !m_x11.connection() || windowManagerRuns(m_x11.connection());
}

void SdlDisplay::woken()
{
    if (m_x11.running()) {
        m_x11.wake();
        return;
    }
    if (m_wakeEvent == 0 || m_wakePushed.exchange(true))
        return;
    SDL_Event e{};
    e.type = m_wakeEvent;
    SDL_PushEvent(&e);
}

// When the caret blinks or an animated cursor steps next (Clock::kNever: neither).
uint64_t SdlDisplay::nextDue(uint64_t now)
{
    uint64_t due = Clock::kNever;
    const input::CaretState& caret = input::currentCaret();
    if (caret.owner && caret.hideCount == 0) {
        const uint64_t blink = GetCaretBlinkTime();
        due = caret.blinkStart + ((now - caret.blinkStart) / blink + 1) * blink;
    }
    std::lock_guard lock(m_mutex);
    auto it = m_cursors.find(m_shownCursor);
    if (it != m_cursors.end() && it->second.steps.size() > 1)
        due = std::min(due, m_stepStart + it->second.stepMs[m_step]);
    return due;
}

void SdlDisplay::pump(uint32_t realMs)
{
    if (poll())
        return; // the events may have woken the thread: the caller looks first
    const uint64_t now = ui::nowMs(), due = nextDue(now);
    const uint64_t wait = due == Clock::kNever ? realMs : std::clamp<uint64_t>(due - now, 1, realMs);
    SDL_Event e;
    if (m_x11.running())
        m_x11.wait(uint32_t(wait));
    else if (SDL_WaitEventTimeout(&e, int(wait)))
        handle(e);
    poll();
}

int SdlDisplay::messageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    // A box of our own windows takes the keys a person presses while it is up, with or without a
    // window manager; SDL's, on a display connection of its own, is for the threads that show no
    // windows. The process's first thread, which shows the program's windows, shows a box it asks
    // before its first window as one of ours too: SDL's puts a long text on one line, past the
    // screen's edge.
    if (onDisplayThread() || (m_thread.load() == 0 && GetCurrentThreadId() == DWORD(getpid()) && open()
                                 && onDisplayThread()))
        return ui::runMessageBoxWindow(owner, text, caption, type);
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
    while (SDL_PollEvent(&e)) {
        handle(e);
        any = true;
    }
    releaseKeysLetGo();
    if (m_focusLeft)
        focusLeftUs();
    if (m_pointerLeft)
        pointerLeftUs();
    const uint64_t now = ui::nowMs();
    updateCaret(now);
    {
        std::lock_guard lock(m_mutex);
        stepCursor(now);
    }
    return any;
}

HWND SdlDisplay::windowOf(Uint32 windowId)
{
    SDL_Window* window = SDL_GetWindowFromID(windowId);
    if (!window)
        return nullptr;
    std::lock_guard lock(m_mutex);
    for (auto& [hwnd, shown] : m_windows)
        if (shown.window == window)
            return hwnd;
    return nullptr;
}

bool SdlDisplay::isPopup(HWND hwnd)
{
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(hwnd);
    return it != m_windows.end() && it->second.popup;
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
        // Fine-grained wheels and touchpads turn by parts of a notch: whole notches go in, the
        // rest waits for the next turn in the same direction.
        float turn = e.wheel.preciseY != 0 ? e.wheel.preciseY : float(e.wheel.y);
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
            turn = -turn;
        if ((turn < 0) != (m_wheelRest < 0))
            m_wheelRest = 0;
        m_wheelRest += turn;
        const int notches = int(m_wheelRest);
        m_wheelRest -= float(notches);
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

// Where no window manager runs, SDL gives the focus to every window it shows, a menu's too, and
// around the change it reports every held key up as the old window loses the focus and every held
// modifier down again as the new one gains it. When the focus only goes from one of our windows to
// another, nothing was pressed or released: a menu that Alt+Space opened took that Alt for a new
// press and closed at once. Those pairs are dropped; the ups of keys not pressed again pass.
void SdlDisplay::handleKey(const SDL_KeyboardEvent& e)
{
    if (e.type == SDL_KEYUP && focusLossFollows())
        m_keysLetGo.push_back(e);
    else
        queueKey(e);
}

// Whether the events waiting next are key ups, then our window's focus loss.
bool SdlDisplay::focusLossFollows()
{
    SDL_Event next[16];
    const int n = SDL_PeepEvents(next, 16, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    for (int i = 0; i < n; ++i) {
        if (next[i].type == SDL_KEYUP)
            continue;
        return next[i].type == SDL_WINDOWEVENT && next[i].window.event == SDL_WINDOWEVENT_FOCUS_LOST;
    }
    return false;
}

// The keys SDL reports down as one of our windows gains the focus, right after it, that it let go
// of as the focus left another of ours.
void SdlDisplay::dropKeysPressedAgain()
{
    SDL_Event next;
    while (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 && next.type == SDL_KEYDOWN) {
        auto it = std::find_if(m_keysLetGo.begin(), m_keysLetGo.end(),
            [&](const SDL_KeyboardEvent& up) { return up.keysym.scancode == next.key.keysym.scancode; });
        if (it == m_keysLetGo.end())
            return;
        m_keysLetGo.erase(it);
        SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_KEYDOWN, SDL_KEYDOWN);
    }
}

void SdlDisplay::releaseKeysLetGo()
{
    for (const SDL_KeyboardEvent& up : std::exchange(m_keysLetGo, {}))
        queueKey(up);
}

void SdlDisplay::queueKey(const SDL_KeyboardEvent& e)
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
    case SDL_WINDOWEVENT_EXPOSED: presentArea(hwnd, nullptr); break;
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_RESTORED: {
        const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
        const int command = e.event == SDL_WINDOWEVENT_MINIMIZED ? SW_SHOWMINNOACTIVE
            : e.event == SDL_WINDOWEVENT_MAXIMIZED               ? SW_SHOWMAXIMIZED
                                                                 : SW_RESTORE;
        const bool already = command == SW_SHOWMINNOACTIVE ? (style & WS_MINIMIZE) != 0
            : command == SW_SHOWMAXIMIZED                  ? (style & (WS_MINIMIZE | WS_MAXIMIZE)) == WS_MAXIMIZE
                                                           : !(style & (WS_MINIMIZE | WS_MAXIMIZE));
        if (already)
            break;
        m_fromDesktop = hwnd;
        ShowWindow(hwnd, command);
        m_fromDesktop = nullptr;
        break;
    }
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        m_focusLeft = false; // it only went from one of our windows to another
        dropKeysPressedAgain();
        if (isPopup(hwnd))
            break; // given the focus by SDL itself where no window manager runs: menus stay inactive
        m_fromDesktop = hwnd;
        input::activate(hwnd, WA_ACTIVE);
        m_fromDesktop = nullptr;
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST: m_focusLeft = !isPopup(hwnd); break;
    case SDL_WINDOWEVENT_ENTER: m_pointerLeft = false; break;
    case SDL_WINDOWEVENT_LEAVE: m_pointerLeft = true; break;
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

// The pointer went to another program's window: under a capture, where it went is one move, so
// that a window watching the pointer through the capture (hover) sees it leave. There is no grab:
// the other programs keep their clicks.
void SdlDisplay::pointerLeftUs()
{
    m_pointerLeft = false;
    if (!GetCapture())
        return;
    int x = 0, y = 0;
    SDL_GetGlobalMouseState(&x, &y);
    input::queueMouseMove(POINT{x, y});
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
