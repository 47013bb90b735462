// Tracking a popup menu. Each open level is a "#32768" window (WS_POPUP, WS_EX_TOOLWINDOW |
// WS_EX_TOPMOST, never activated); the first holds the capture while the loop takes the thread's
// messages through the common retrieval routine: the mouse and keys go to the menu, everything
// else (timers, posted messages, painting) is dispatched as usual. The loop ends on a choice,
// on Escape at the first level, Alt or F10, a press outside, WM_CANCELMODE, a lost capture, or
// the owner's deactivation or end.

#include "menu/MenuLoop.h"

#include "controls/Controls.h"
#include "menu/Menus.h"
#include "menu/SystemMenu.h"

#include "plat/errors.h"
#include "plat/focus.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/paint.h"
#include "plat/sysmetrics.h"
#include "plat/thread.h"
#include "plat/timer.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <string>
#include <vector>

namespace plat::menu {

namespace {

constexpr int kFrame = 2;
constexpr int kSeparatorHeight = 8;
constexpr int kItemPadding = 6; // added to the font's cell
constexpr int kTextLeft = 20; // room for the check mark
constexpr int kShortcutGap = 20;
constexpr int kArrowRoom = 20;
constexpr UINT_PTR kOpenTimer = 1;
constexpr UINT kOpenDelay = 400;

struct Level {
    HMENU menu = nullptr;
    HWND window = nullptr;
    std::vector<MenuItem> items;
    std::vector<int> tops; // each item's top, client coordinates
    int itemHeight = 0;
    int highlight = -1;
};

struct Tracker {
    HWND owner = nullptr;
    UINT flags = 0;
    bool system = false;
    bool ownerWasActive = false;
    std::vector<Level> levels;
    bool done = false;
    UINT chosen = 0;
    int pendingOpen = -1; // the item of the deepest level whose submenu opens when the timer fires
};

thread_local Tracker* t_tracker = nullptr;

Level* levelOf(HWND window)
{
    if (!t_tracker)
        return nullptr;
    for (Level& l : t_tracker->levels)
        if (l.window == window)
            return &l;
    return nullptr;
}

// The text before a tab, and the shortcut after it.
std::string labelOf(const std::string& text) { return text.substr(0, text.find('\t')); }
std::string shortcutOf(const std::string& text)
{
    const size_t tab = text.find('\t');
    return tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

// The character after a single "&", folded to lower case; 0 for none.
char mnemonicOf(const std::string& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] != '&')
            return char(std::tolower((unsigned char)text[i + 1]));
        ++i;
    }
    return 0;
}

int textWidth(HDC hdc, const std::string& text, UINT format)
{
    RECT r{0, 0, 0, 0};
    DrawTextA(hdc, text.c_str(), int(text.size()), &r, format | DT_CALCRECT | DT_SINGLELINE);
    return r.right - r.left;
}

// Lays the level out; answers its window's size.
SIZE layout(Level& level)
{
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldFont = SelectObject(hdc, GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA tm{};
    GetTextMetricsA(hdc, &tm);
    level.itemHeight = tm.tmHeight + kItemPadding;
    int labels = 0, shortcuts = 0, y = kFrame;
    level.tops.clear();
    for (const MenuItem& it : level.items) {
        level.tops.push_back(y);
        y += it.separator() ? kSeparatorHeight : level.itemHeight;
        labels = std::max(labels, textWidth(hdc, labelOf(it.text), 0));
        shortcuts = std::max(shortcuts, textWidth(hdc, shortcutOf(it.text), DT_NOPREFIX));
    }
    SelectObject(hdc, oldFont);
    DeleteDC(hdc);
    level.tops.push_back(y);
    const int width = kTextLeft + labels + (shortcuts ? kShortcutGap + shortcuts : 0) + kArrowRoom + 2 * kFrame;
    return SIZE{width, y + kFrame};
}

int itemAt(const Level& level, POINT screen)
{
    RECT r;
    GetWindowRect(level.window, &r);
    if (!PtInRect(&r, screen))
        return -1;
    const int y = screen.y - r.top;
    for (size_t i = 0; i + 1 < level.tops.size(); ++i)
        if (y >= level.tops[i] && y < level.tops[i + 1])
            return level.items[i].separator() ? -1 : int(i);
    return -1;
}

bool inside(const Level& level, POINT screen)
{
    RECT r;
    GetWindowRect(level.window, &r);
    return PtInRect(&r, screen) != FALSE;
}

void tellSelect(const Tracker& t, const Level& level)
{
    if (t.flags & TPM_NONOTIFY)
        return;
    if (level.highlight < 0) {
        SendMessageA(t.owner, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
        return;
    }
    const MenuItem& it = level.items[size_t(level.highlight)];
    const UINT flags = (it.flags & 0xFFFF) | MF_HILITE;
    const UINT item = it.popup() ? UINT(level.highlight) : UINT(it.id);
    SendMessageA(t.owner, WM_MENUSELECT, MAKEWPARAM(item, flags), LPARAM(level.menu));
}

void highlight(Tracker& t, Level& level, int item)
{
    if (level.highlight == item)
        return;
    level.highlight = item;
    InvalidateRect(level.window, nullptr, TRUE);
    tellSelect(t, level);
}

// Places a popup of the given size at (x, y) as the alignment flags say, on the point's other
// side where it would pass the screen's right or bottom edge.
POINT placeFirst(UINT flags, int x, int y, SIZE size)
{
    int left = x, top = y;
    if (flags & TPM_CENTERALIGN)
        left = x - size.cx / 2;
    else if (flags & TPM_RIGHTALIGN)
        left = x - size.cx;
    if (flags & TPM_VCENTERALIGN)
        top = y - size.cy / 2;
    else if (flags & TPM_BOTTOMALIGN)
        top = y - size.cy;
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    if (left + size.cx > screenW)
        left = x - size.cx;
    if (top + size.cy > screenH)
        top = y - size.cy;
    return POINT{std::max(0, left), std::max(0, top)};
}

// A submenu beside its item: to the right of the parent, else to its left; up from the item's
// bottom when it would pass the screen's bottom.
POINT placeBeside(const Level& parent, int item, SIZE size)
{
    RECT r;
    GetWindowRect(parent.window, &r);
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    int left = r.right - kFrame;
    if (left + size.cx > screenW)
        left = r.left - size.cx + kFrame;
    int top = r.top + parent.tops[size_t(item)] - kFrame;
    if (top + size.cy > screenH)
        top = r.top + parent.tops[size_t(item) + 1] + kFrame - size.cy;
    return POINT{std::max(0, left), std::max(0, top)};
}

void closeFrom(Tracker& t, size_t depth)
{
    while (t.levels.size() > depth) {
        HWND window = t.levels.back().window;
        t.levels.pop_back();
        if (IsWindow(window))
            DestroyWindow(window);
    }
    t.pendingOpen = -1;
}

// Opens a level for menu: tells the owner first, then shows it at the place where() gives.
template <class Where>
bool openLevel(Tracker& t, HMENU menu, UINT index, Where where)
{
    SendMessageA(t.owner, WM_INITMENUPOPUP, WPARAM(menu), MAKELPARAM(index, t.system));
    Level level;
    level.menu = menu;
    if (!itemsOf(menu, level.items))
        return false;
    const SIZE size = layout(level);
    const POINT at = where(size);
    level.window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, POPUPMENU_CLASS, "", WS_POPUP, at.x, at.y,
        size.cx, size.cy, t.owner, nullptr, nullptr, nullptr);
    if (!level.window)
        return false;
    t.levels.push_back(std::move(level));
    ShowWindow(t.levels.back().window, SW_SHOWNOACTIVATE);
    return true;
}

void openSub(Tracker& t, size_t depth, int item)
{
    closeFrom(t, depth + 1);
    Level& parent = t.levels[depth];
    const MenuItem it = parent.items[size_t(item)];
    if (!it.popup() || !it.enabled())
        return;
    const Level parentCopy = parent;
    openLevel(t, it.sub, UINT(item), [&](SIZE size) { return placeBeside(parentCopy, item, size); });
}

void choose(Tracker& t, const MenuItem& it)
{
    if (!it.enabled() || it.separator())
        return;
    t.chosen = UINT(it.id);
    t.done = true;
}

void cancel(Tracker& t)
{
    t.chosen = 0;
    t.done = true;
}

// Activates an item of a level: a submenu opens, a command is chosen.
void activate(Tracker& t, size_t depth, int item, bool firstOfSub)
{
    const MenuItem it = t.levels[depth].items[size_t(item)];
    if (it.popup()) {
        openSub(t, depth, item);
        if (firstOfSub && t.levels.size() > depth + 1) {
            Level& sub = t.levels.back();
            for (size_t i = 0; i < sub.items.size(); ++i)
                if (!sub.items[i].separator()) {
                    highlight(t, sub, int(i));
                    break;
                }
        }
        return;
    }
    choose(t, it);
}

void hover(Tracker& t, POINT screen)
{
    for (size_t d = t.levels.size(); d-- > 0;) {
        Level& level = t.levels[d];
        if (!inside(level, screen))
            continue;
        const int item = itemAt(level, screen);
        if (item == level.highlight)
            return;
        closeFrom(t, d + 1);
        // The delay runs from the move itself, whatever the owner does when told of it.
        if (item >= 0 && level.items[size_t(item)].popup()) {
            t.pendingOpen = item;
            SetTimer(t.levels.front().window, kOpenTimer, kOpenDelay, nullptr);
        }
        highlight(t, level, item);
        return;
    }
    Level& deepest = t.levels.back();
    if (t.levels.size() == 1 || deepest.highlight >= 0)
        highlight(t, deepest, -1);
}

void mouse(Tracker& t, const MSG& msg)
{
    POINT screen{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    ClientToScreen(msg.hwnd, &screen);
    const bool right = msg.message == WM_RBUTTONDOWN || msg.message == WM_RBUTTONUP;
    switch (msg.message) {
    case WM_MOUSEMOVE: hover(t, screen); return;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
        for (size_t d = t.levels.size(); d-- > 0;)
            if (inside(t.levels[d], screen)) {
                const int item = itemAt(t.levels[d], screen);
                if (item >= 0 && t.levels[d].items[size_t(item)].popup()) {
                    highlight(t, t.levels[d], item);
                    openSub(t, d, item);
                }
                return;
            }
        cancel(t); // a press outside closes the menu and goes no further
        return;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        if (right && !(t.flags & TPM_RIGHTBUTTON))
            return;
        for (size_t d = t.levels.size(); d-- > 0;)
            if (inside(t.levels[d], screen)) {
                const int item = itemAt(t.levels[d], screen);
                if (item >= 0 && !t.levels[d].items[size_t(item)].popup())
                    choose(t, t.levels[d].items[size_t(item)]);
                return;
            }
        return;
    default: return;
    }
}

// The next item up or down from the highlight, past separators, wrapping.
int step(const Level& level, int direction)
{
    const int n = int(level.items.size());
    int at = level.highlight;
    for (int tries = 0; tries < n; ++tries) {
        at = at < 0 ? (direction > 0 ? 0 : n - 1) : (at + direction + n) % n;
        if (!level.items[size_t(at)].separator())
            return at;
    }
    return -1;
}

void key(Tracker& t, WPARAM vk)
{
    const size_t depth = t.levels.size() - 1;
    Level& level = t.levels.back();
    switch (vk) {
    case VK_UP:
    case VK_DOWN: highlight(t, level, step(level, vk == VK_DOWN ? 1 : -1)); return;
    case VK_RIGHT:
        if (level.highlight >= 0 && level.items[size_t(level.highlight)].popup())
            activate(t, depth, level.highlight, true);
        return;
    case VK_LEFT:
        if (depth > 0)
            closeFrom(t, depth);
        return;
    case VK_RETURN:
        if (level.highlight >= 0)
            activate(t, depth, level.highlight, true);
        return;
    case VK_ESCAPE:
        if (depth > 0)
            closeFrom(t, depth);
        else
            cancel(t);
        return;
    case VK_MENU:
    case VK_F10: cancel(t); return;
    default: return;
    }
}

void mnemonic(Tracker& t, WPARAM ch)
{
    const char wanted = char(std::tolower(int(ch & 0xFF)));
    const size_t depth = t.levels.size() - 1;
    Level& level = t.levels.back();
    for (size_t i = 0; i < level.items.size(); ++i)
        if (!level.items[i].separator() && mnemonicOf(level.items[i].text) == wanted) {
            highlight(t, level, int(i));
            activate(t, depth, int(i), true);
            return;
        }
}

void timer(Tracker& t)
{
    KillTimer(t.levels.front().window, kOpenTimer);
    const int item = std::exchange(t.pendingOpen, -1);
    const size_t depth = t.levels.size() - 1;
    if (item >= 0 && t.levels[depth].highlight == item)
        openSub(t, depth, item);
}

bool isOurs(const Tracker& t, HWND hwnd)
{
    return std::any_of(t.levels.begin(), t.levels.end(), [&](const Level& l) { return l.window == hwnd; });
}

// One message of the loop: the menu's own input is handled here, the rest dispatched.
void handle(Tracker& t, MSG& msg)
{
    if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST && msg.message != WM_MOUSEWHEEL) {
        if (isOurs(t, msg.hwnd))
            mouse(t, msg);
        return;
    }
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        TranslateMessage(&msg);
        key(t, msg.wParam);
        return;
    case WM_CHAR:
    case WM_SYSCHAR: mnemonic(t, msg.wParam); return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_MOUSEWHEEL: return;
    case WM_TIMER:
        if (msg.hwnd == t.levels.front().window && msg.wParam == kOpenTimer) {
            timer(t);
            return;
        }
        break;
    default: break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

HWND topLevelOf(HWND hwnd)
{
    while (hwnd && (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD))
        hwnd = GetParent(hwnd);
    return hwnd;
}

bool lostTheMenu(const Tracker& t)
{
    if (!IsWindow(t.owner) || t.levels.empty() || !IsWindow(t.levels.front().window))
        return true;
    if (GetCapture() != t.levels.front().window)
        return true;
    return t.ownerWasActive && GetActiveWindow() != topLevelOf(t.owner);
}

void runLoop(Tracker& t)
{
    SetCapture(t.levels.front().window);
    MSG msg;
    while (!t.done) {
        if (lostTheMenu(t)) {
            cancel(t);
            break;
        }
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(int(msg.wParam));
            cancel(t);
            break;
        }
        handle(t, msg);
    }
}

void paintLevel(HWND hwnd, HDC hdc)
{
    RECT client;
    GetClientRect(hwnd, &client);
    controls::fillRect(hdc, client, COLOR_MENU);
    controls::edgeFrame(hdc, client, true);
    const Level* level = levelOf(hwnd);
    if (!level)
        return;
    HGDIOBJ oldFont = SelectObject(hdc, GetStockObject(DEFAULT_GUI_FONT));
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    for (size_t i = 0; i < level->items.size(); ++i) {
        const MenuItem& it = level->items[i];
        RECT row{kFrame, level->tops[i], client.right - kFrame, level->tops[i + 1]};
        if (it.separator()) {
            const int y = (row.top + row.bottom) / 2 - 1;
            controls::fillRect(hdc, RECT{row.left + 1, y, row.right - 1, y + 1}, COLOR_BTNSHADOW);
            controls::fillRect(hdc, RECT{row.left + 1, y + 1, row.right - 1, y + 2}, COLOR_BTNHIGHLIGHT);
            continue;
        }
        const bool lit = int(i) == level->highlight;
        if (lit)
            controls::fillRect(hdc, row, COLOR_HIGHLIGHT);
        SetTextColor(hdc, GetSysColor(!it.enabled() ? COLOR_GRAYTEXT : lit ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
        RECT text{row.left + kTextLeft - kFrame, row.top, row.right - kArrowRoom, row.bottom};
        const std::string label = labelOf(it.text), shortcut = shortcutOf(it.text);
        DrawTextA(hdc, label.c_str(), int(label.size()), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        DrawTextA(hdc, shortcut.c_str(), int(shortcut.size()), &text, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        if (it.flags & MF_CHECKED) {
            const int cx = row.left + kTextLeft / 2 - 2, cy = (row.top + row.bottom) / 2;
            controls::fillRect(hdc, RECT{cx - 3, cy - 3, cx + 3, cy + 3}, lit ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
        }
        if (it.popup())
            controls::arrowGlyph(hdc, RECT{row.right - kArrowRoom, row.top, row.right, row.bottom}, false, true,
                it.enabled());
    }
    SetBkMode(hdc, oldMode);
    SelectObject(hdc, oldFont);
}

// The system menu of a top-level window, and where it opens.
HMENU systemMenuOf(HWND hwnd)
{
    const DWORD style = DWORD(GetWindowLongPtrA(hwnd, GWL_STYLE));
    if (!(style & WS_SYSMENU) || (style & WS_CHILD))
        return nullptr;
    return GetSystemMenu(hwnd, FALSE);
}

} // namespace

LRESULT CALLBACK popupMenuProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (controls::paintMessage(hwnd, msg, wParam, lParam, paintLevel))
        return msg == WM_ERASEBKGND;
    switch (msg) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_CANCELMODE:
        if (t_tracker && levelOf(hwnd))
            cancel(*t_tracker);
        return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

bool systemMenuRequest(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    POINT at{0, 0};
    if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_KEYMENU && lParam == ' ') {
        ClientToScreen(hwnd, &at);
    } else if (msg == WM_CONTEXTMENU && HWND(wParam) == hwnd) {
        at = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (lParam == -1) {
            at = POINT{0, 0};
            ClientToScreen(hwnd, &at);
        }
    } else {
        return false;
    }
    HMENU menu = systemMenuOf(hwnd);
    if (!menu)
        return false;
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd, nullptr);
    return true;
}

} // namespace plat::menu

using namespace plat::menu;

BOOL TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int, HWND hWnd, const RECT*)
{
    if (!IsMenu(hMenu)) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return FALSE;
    }
    if (!IsWindow(hWnd) || GetWindowThreadProcessId(hWnd, nullptr) != GetCurrentThreadId()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (t_tracker) {
        SetLastError(ERROR_POPUP_ALREADY_ACTIVE);
        return FALSE;
    }
    Tracker t;
    t.owner = hWnd;
    t.flags = uFlags;
    t.system = isSystemMenu(hMenu);
    if (t.system)
        offerWindowStates(hMenu);
    t.ownerWasActive = GetActiveWindow() == topLevelOf(hWnd);
    t_tracker = &t;
    SendMessageA(hWnd, WM_ENTERMENULOOP, TRUE, 0);
    if (openLevel(t, hMenu, 0, [&](SIZE size) { return placeFirst(uFlags, x, y, size); }))
        runLoop(t);
    if (!t.levels.empty())
        KillTimer(t.levels.front().window, kOpenTimer);
    if (!t.levels.empty() && GetCapture() == t.levels.front().window)
        ReleaseCapture();
    closeFrom(t, 0);
    t_tracker = nullptr;
    if (IsWindow(hWnd)) {
        if (!(uFlags & TPM_NONOTIFY))
            SendMessageA(hWnd, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
        SendMessageA(hWnd, WM_EXITMENULOOP, TRUE, 0);
    }
    if (uFlags & TPM_RETURNCMD)
        return BOOL(t.chosen);
    if (t.chosen && IsWindow(hWnd))
        PostMessageA(hWnd, t.system ? WM_SYSCOMMAND : WM_COMMAND, t.system ? WPARAM(t.chosen) : MAKEWPARAM(t.chosen, 0), 0);
    return TRUE;
}
