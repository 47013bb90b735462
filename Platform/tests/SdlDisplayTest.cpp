// The desktop back end on SDL's dummy video driver, driven by events pushed into SDL's queue.

#include "UiTestSupport.h"

#include "gdi/Icon.h"
#include "sdl/SdlDisplay.h"
#include "sdl/SdlKeys.h"
#include "sdl/SdlMessageBox.h"

#include "plat/clipboard.h"
#include "plat/controls.h"
#include "plat/focus.h"
#include "plat/gdi.h"
#include "plat/globalmem.h"
#include "plat/headless.h"
#include "plat/caret.h"
#include "plat/cursor.h"
#include "plat/keyboard.h"
#include "plat/mouse.h"
#include "plat/msgbox.h"
#include "plat/paint.h"
#include "plat/sysmetrics.h"
#include "plat/testhooks.h"
#include "plat/thread.h"
#include "plat/window.h"
#include "testsupport/ManualClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

using vnt::test::LoggingProc;
using vnt::test::messageLog;
using vnt::test::ScopedClass;

namespace {

TEST(SdlKeys, MapsKeysByLayoutOrPlace)
{
    struct Case {
        SDL_Keycode key;
        SDL_Scancode scancode;
        Uint16 mod;
        UINT vk, scan;
        bool extended;
    } cases[] = {
        {SDLK_a, SDL_SCANCODE_A, 0, 'A', 0x1E, false},
        {SDLK_z, SDL_SCANCODE_Y, 0, 'Z', 0x2C, false}, // a German layout: the key says Z
        {SDLK_7, SDL_SCANCODE_7, 0, '7', 0x08, false},
        {SDLK_F5, SDL_SCANCODE_F5, 0, VK_F5, 0x3F, false},
        {SDLK_HOME, SDL_SCANCODE_HOME, 0, VK_HOME, 0x47, true},
        {SDLK_KP_7, SDL_SCANCODE_KP_7, KMOD_NUM, VK_NUMPAD7, 0x47, false},
        {SDLK_KP_7, SDL_SCANCODE_KP_7, 0, VK_HOME, 0x47, false},
        {SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, 0, VK_DELETE, 0x53, false},
        {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 0, VK_RETURN, 0x1C, true},
        {SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, 0, VK_DIVIDE, 0x35, true},
        {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 0, VK_CONTROL, 0x1D, true},
        {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 0, VK_SHIFT, 0x2A, false},
        {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 0, VK_SHIFT, 0x36, false},
        {SDLK_MODE, SDL_SCANCODE_MODE, 0, VK_MENU, 0x38, true}, // AltGr
        {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, 0, VK_OEM_1, 0x27, false},
        {SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE, 0, VK_OEM_7, 0x28, false},
        {SDLK_LEFTBRACKET, SDL_SCANCODE_LEFTBRACKET, 0, VK_OEM_4, 0x1A, false},
    };
    for (const Case& c : cases) {
        const plat::sdl::WindowsKey k = plat::sdl::windowsKeyOf(c.key, c.scancode, c.mod);
        EXPECT_EQ(k.vk, c.vk) << SDL_GetScancodeName(c.scancode);
        EXPECT_EQ(k.scan, c.scan) << SDL_GetScancodeName(c.scancode);
        EXPECT_EQ(k.extended, c.extended) << SDL_GetScancodeName(c.scancode);
    }
    EXPECT_EQ(plat::sdl::windowsKeyOf(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, 0).vk, 0u);
}

TEST(SdlMessageBox, ButtonsDefaultsAndEscapePerType)
{
    struct Case {
        UINT type;
        std::vector<int> ids;
        int returnId, escapeId;
    } cases[] = {
        {MB_OK, {IDOK}, IDOK, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, {IDOK, IDCANCEL}, IDCANCEL, IDCANCEL},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, {IDABORT, IDRETRY, IDIGNORE}, IDIGNORE, 0},
        {MB_YESNOCANCEL | MB_DEFBUTTON2, {IDYES, IDNO, IDCANCEL}, IDNO, IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION, {IDYES, IDNO}, IDYES, IDNO},
        {MB_YESNO | MB_DEFBUTTON3, {IDYES, IDNO}, IDYES, IDNO}, // no third button: the first
        {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}, IDRETRY, IDCANCEL},
        {MB_CANCELTRYCONTINUE, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}, IDCANCEL, IDCANCEL},
    };
    for (const Case& c : cases) {
        const plat::sdl::MessageBoxLayout layout = plat::sdl::messageBoxLayout(c.type);
        std::vector<int> ids;
        for (const auto& b : layout.buttons)
            ids.push_back(b.id);
        EXPECT_EQ(ids, c.ids) << std::hex << c.type;
        EXPECT_EQ(layout.returnId, c.returnId) << std::hex << c.type;
        EXPECT_EQ(layout.escapeId, c.escapeId) << std::hex << c.type;
    }
}

TEST(SdlMessageBox, LongLinesBreakAtSpacesAndLongWordsStayWhole)
{
    struct Case {
        const char* text;
        const char* wrapped;
    } cases[] = {
        {"short text", "short text"},
        {"one two three four", "one two\nthree four"},
        {"exactly ten", "exactly\nten"},
        {"line one\nline two is long", "line one\nline two\nis long"},
        {"/a/path/longer/than/ten then", "/a/path/longer/than/ten\nthen"},
        {"ends with a space ", "ends with\na space "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plat::sdl::wrapForMessageBox(c.text, 10), c.wrapped) << c.text;
}

class SdlDisplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(vntTestUseSdlDisplay(TRUE));
        messageLog().clear();
    }
    void TearDown() override
    {
        for (HWND hwnd : m_windows)
            DestroyWindow(hwnd);
        plat::headless::pumpUntilIdle();
        EXPECT_TRUE(vntTestUseSdlDisplay(FALSE));
    }

    HWND make(DWORD style, DWORD exStyle, int x, int y, int cx, int cy, HWND owner = nullptr)
    {
        HWND hwnd = CreateWindowExA(exStyle, m_class.name(), "sdl test", style, x, y, cx, cy, owner, nullptr,
            nullptr, nullptr);
        EXPECT_NE(hwnd, nullptr);
        m_windows.push_back(hwnd);
        return hwnd;
    }
    static SDL_Window* sdlOf(HWND hwnd) { return plat::sdl::sdlDisplay()->sdlWindowOf(hwnd); }
    static void fill(HWND hwnd, const RECT& r, COLORREF color)
    {
        HDC dc = GetDC(hwnd);
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        ReleaseDC(hwnd, dc);
    }
    // A pixel of the window's SDL surface: what the desktop was given.
    static COLORREF shownPixel(HWND hwnd, int x, int y)
    {
        SDL_Surface* s = SDL_GetWindowSurface(sdlOf(hwnd));
        Uint8 cr, cg, cb;
        const Uint32 v = *reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * 4);
        SDL_GetRGB(v, s->format, &cr, &cg, &cb);
        return RGB(cr, cg, cb);
    }
    static void pushWindowEvent(HWND hwnd, Uint8 event, int a = 0, int b = 0)
    {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = SDL_GetWindowID(sdlOf(hwnd));
        e.window.event = event;
        e.window.data1 = a;
        e.window.data2 = b;
        SDL_PushEvent(&e);
    }
    static void pushKey(Uint32 type, SDL_Keycode key, SDL_Scancode scancode)
    {
        SDL_Event e{};
        e.type = type;
        e.key.keysym.sym = key;
        e.key.keysym.scancode = scancode;
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&e);
    }
    static void pushText(const char* text)
    {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        std::strncpy(e.text.text, text, sizeof e.text.text - 1);
        SDL_PushEvent(&e);
    }

    ScopedClass m_class{"SdlDisplayTest", LoggingProc, 0, 0, HBRUSH(GetStockObject(WHITE_BRUSH))};
    std::vector<HWND> m_windows;
};

TEST_F(SdlDisplayTest, WindowFlagsFollowStyles)
{
    HWND main = make(WS_OVERLAPPEDWINDOW, 0, 10, 10, 200, 100);
    HWND fixed = make(WS_CAPTION | WS_SYSMENU, 0, 10, 10, 200, 100);
    HWND tip = make(WS_POPUP, WS_EX_TOOLWINDOW, 10, 10, 50, 20);
    HWND list = make(WS_POPUP | WS_BORDER, 0, 10, 10, 50, 20, main);
    HWND splash = make(WS_POPUP, 0, 10, 10, 50, 20);
    HWND message = CreateWindowExA(0, m_class.name(), "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    m_windows.push_back(message);

    // On the desktop from its first showing on (most lists never drop down); gone with its window.
    for (HWND hwnd : {main, fixed, tip, list, splash})
        EXPECT_EQ(sdlOf(hwnd), nullptr);
    for (HWND hwnd : {main, fixed, tip, list, splash})
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    const Uint32 popup = SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_POPUP_MENU;
    EXPECT_TRUE(SDL_GetWindowFlags(sdlOf(main)) & SDL_WINDOW_RESIZABLE);
    EXPECT_FALSE(SDL_GetWindowFlags(sdlOf(main)) & SDL_WINDOW_BORDERLESS);
    EXPECT_FALSE(SDL_GetWindowFlags(sdlOf(fixed)) & (SDL_WINDOW_RESIZABLE | SDL_WINDOW_BORDERLESS));
    EXPECT_EQ(SDL_GetWindowFlags(sdlOf(tip)) & popup, popup);
    EXPECT_EQ(SDL_GetWindowFlags(sdlOf(list)) & popup, popup); // a border is no caption
    EXPECT_EQ(SDL_GetWindowFlags(sdlOf(splash)) & popup, Uint32(SDL_WINDOW_BORDERLESS));
    EXPECT_EQ(sdlOf(message), nullptr);
    EXPECT_TRUE(SDL_GetWindowFlags(sdlOf(main)) & SDL_WINDOW_SHOWN);
    ShowWindow(main, SW_HIDE);
    EXPECT_TRUE(SDL_GetWindowFlags(sdlOf(main)) & SDL_WINDOW_HIDDEN);
    HWND visible = make(WS_POPUP | WS_VISIBLE, 0, 10, 10, 50, 20, main);
    EXPECT_TRUE(SDL_GetWindowFlags(sdlOf(visible)) & SDL_WINDOW_SHOWN);
    DestroyWindow(tip);
    EXPECT_EQ(sdlOf(tip), nullptr);
}

TEST_F(SdlDisplayTest, APopupsWindowServesTheNextPopupOfItsKind)
{
    HWND main = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 10, 10, 200, 100);
    HWND list = make(WS_POPUP | WS_BORDER | WS_VISIBLE, 0, 10, 10, 50, 20, main);
    SDL_Window* kept = sdlOf(list);
    DestroyWindow(list);
    EXPECT_TRUE(SDL_GetWindowFlags(kept) & SDL_WINDOW_HIDDEN);

    HWND menu = make(WS_POPUP | WS_VISIBLE, 0, 30, 40, 60, 70, main);
    EXPECT_EQ(sdlOf(menu), kept);
    int x, y, cx, cy;
    SDL_GetWindowPosition(kept, &x, &y);
    SDL_GetWindowSize(kept, &cx, &cy);
    EXPECT_EQ((std::vector<int>{x, y, cx, cy}), (std::vector<int>{30, 40, 60, 70}));
    EXPECT_TRUE(SDL_GetWindowFlags(kept) & SDL_WINDOW_SHOWN);

    // Another kind (an unowned popup, a captioned window) is made anew and not kept.
    DestroyWindow(menu);
    HWND splash = make(WS_POPUP | WS_VISIBLE, 0, 10, 10, 50, 20);
    EXPECT_NE(sdlOf(splash), kept);
    const Uint32 mainId = SDL_GetWindowID(sdlOf(main));
    DestroyWindow(main);
    HWND view = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 10, 10, 200, 100);
    EXPECT_NE(SDL_GetWindowID(sdlOf(view)), mainId);
}

TEST_F(SdlDisplayTest, GeometryGoesBothWaysWithoutEcho)
{
    HWND hwnd = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 100, 50, 200, 100);
    int x, y, cx, cy;
    MoveWindow(hwnd, 120, 60, 240, 110, TRUE);
    SDL_GetWindowPosition(sdlOf(hwnd), &x, &y);
    SDL_GetWindowSize(sdlOf(hwnd), &cx, &cy);
    EXPECT_EQ(x, 120);
    EXPECT_EQ(y, 60);
    EXPECT_EQ(cx, 240);
    EXPECT_EQ(cy, 110);

    // The desktop resized it (the dummy driver keeps what the window was told last).
    SDL_SetWindowSize(sdlOf(hwnd), 300, 200);
    messageLog().clear();
    pushWindowEvent(hwnd, SDL_WINDOWEVENT_SIZE_CHANGED, 300, 200);
    plat::headless::pumpUntilIdle();
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    EXPECT_EQ(messageLog().numbers({WM_SIZE}).size(), 1u);

    // Left to the desktop: centred on the screen, as SDL places it, and both agree.
    HWND placed = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, CW_USEDEFAULT, 0, 200, 100);
    RECT r;
    GetWindowRect(placed, &r);
    SDL_GetWindowPosition(sdlOf(placed), &x, &y);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 200) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 100) / 2);
    EXPECT_EQ(x, r.left);
    EXPECT_EQ(y, r.top);
}

TEST_F(SdlDisplayTest, StatesAndTitleFollowTheWindow)
{
    HWND hwnd = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 200, 100);
    plat::headless::pumpUntilIdle();
    auto sizeKinds = [] {
        std::vector<WPARAM> kinds;
        for (const auto& m : messageLog().entries())
            if (m.msg == WM_SIZE)
                kinds.push_back(m.wParam);
        messageLog().clear();
        return kinds;
    };
    using Kinds = std::vector<WPARAM>;

    // The desktop's word: minimised, back (to maximised, as it was), restored.
    const struct {
        Uint8 event;
        Kinds sizes;
        bool iconic;
    } desktop[] = {
        {SDL_WINDOWEVENT_MAXIMIZED, Kinds{SIZE_MAXIMIZED}, false},
        {SDL_WINDOWEVENT_MAXIMIZED, Kinds{}, false}, // no news
        {SDL_WINDOWEVENT_MINIMIZED, Kinds{SIZE_MINIMIZED}, true},
        {SDL_WINDOWEVENT_RESTORED, Kinds{SIZE_MAXIMIZED}, false},
        {SDL_WINDOWEVENT_RESTORED, Kinds{SIZE_RESTORED}, false},
    };
    messageLog().clear();
    for (const auto& step : desktop) {
        pushWindowEvent(hwnd, step.event);
        plat::headless::pumpUntilIdle();
        EXPECT_EQ(sizeKinds(), step.sizes) << int(step.event);
        EXPECT_EQ(bool(IsIconic(hwnd)), step.iconic) << int(step.event);
        EXPECT_FALSE(SDL_GetWindowFlags(sdlOf(hwnd)) & SDL_WINDOW_HIDDEN);
    }

    // The program's word, the same states.
    const struct {
        int command;
        Kinds sizes;
    } program[] = {
        {SW_SHOWMAXIMIZED, Kinds{SIZE_MAXIMIZED}},
        {SW_MINIMIZE, Kinds{SIZE_MINIMIZED}},
        {SW_RESTORE, Kinds{SIZE_MAXIMIZED}},
        {SW_RESTORE, Kinds{SIZE_RESTORED}},
        {SW_SHOWMAXIMIZED, Kinds{SIZE_MAXIMIZED}},
        {SW_SHOWNORMAL, Kinds{SIZE_RESTORED}},
    };
    for (const auto& step : program) {
        ShowWindow(hwnd, step.command);
        EXPECT_EQ(sizeKinds(), step.sizes) << step.command;
    }

    EXPECT_STREQ(SDL_GetWindowTitle(sdlOf(hwnd)), "sdl test");
    SetWindowTextA(hwnd, "Bild \xC3\xBC");
    EXPECT_STREQ(SDL_GetWindowTitle(sdlOf(hwnd)), "Bild \xC3\xBC");
}

TEST_F(SdlDisplayTest, MouseKeysAndTextBecomeMessages)
{
    HWND hwnd = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 100, 50, 200, 100);
    SetFocus(hwnd);
    plat::headless::pumpUntilIdle();
    SDL_SetWindowPosition(sdlOf(hwnd), 100, 50);

    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = SDL_GetWindowID(sdlOf(hwnd));
    e.motion.x = 10;
    e.motion.y = 20;
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = 1;
    SDL_PushEvent(&e);
    e.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    SDL_PushEvent(&e);
    e = {};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.preciseY = 0.5f; // a touchpad: two halves make one notch
    SDL_PushEvent(&e);
    SDL_PushEvent(&e);
    // A click in a popup's own SDL window reaches the popup.
    HWND popup = make(WS_POPUP | WS_VISIBLE, 0, 300, 200, 50, 20, hwnd);
    e = {};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = SDL_GetWindowID(sdlOf(popup));
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = 5;
    e.button.y = 6;
    SDL_PushEvent(&e);
    e.type = SDL_MOUSEBUTTONUP;
    SDL_PushEvent(&e);

    std::vector<MSG> seen;
    MSG msg;
    auto drain = [&] {
        seen.clear();
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            seen.push_back(msg);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    };
    drain();
    std::vector<MSG> moves, wheels, clicks;
    for (const MSG& m : seen) {
        if (m.message == WM_MOUSEMOVE && m.hwnd == hwnd)
            moves.push_back(m);
        if (m.message == WM_MOUSEWHEEL)
            wheels.push_back(m);
        if (m.message == WM_LBUTTONDOWN)
            clicks.push_back(m);
    }
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].hwnd, popup);
    EXPECT_EQ(clicks[0].lParam, MAKELPARAM(5, 6));
    POINT pt;
    GetCursorPos(&pt);
    EXPECT_EQ(pt.x, 305);
    EXPECT_EQ(pt.y, 206);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(LOWORD(moves[0].lParam), 10);
    EXPECT_EQ(HIWORD(moves[0].lParam), 20);
    EXPECT_EQ(moves[0].pt.x, 110);
    EXPECT_EQ(moves[0].pt.y, 70);
    ASSERT_EQ(wheels.size(), 3u);
    EXPECT_EQ(short(HIWORD(wheels[0].wParam)), 120);
    EXPECT_EQ(short(HIWORD(wheels[1].wParam)), -120);
    EXPECT_EQ(short(HIWORD(wheels[2].wParam)), 120);

    // A key with its text: the text rides with the key, one WM_CHAR per UTF-8 byte.
    pushKey(SDL_KEYDOWN, SDLK_e, SDL_SCANCODE_E);
    pushText("\xC3\xA9");
    pushKey(SDL_KEYUP, SDLK_e, SDL_SCANCODE_E);
    pushText("x"); // an input method's text, without a key
    messageLog().clear();
    drain();
    std::vector<std::pair<UINT, WPARAM>> keys;
    for (const auto& m : messageLog().entries())
        if (m.msg == WM_KEYDOWN || m.msg == WM_KEYUP || m.msg == WM_CHAR)
            keys.emplace_back(m.msg, m.wParam);
    const std::vector<std::pair<UINT, WPARAM>> expected{
        {WM_KEYDOWN, 'E'}, {WM_CHAR, 0xC3}, {WM_CHAR, 0xA9}, {WM_KEYUP, 'E'}, {WM_CHAR, 'x'}};
    EXPECT_EQ(keys, expected);
}

TEST_F(SdlDisplayTest, FocusLostCancelsModesAndReleasesKeys)
{
    HWND hwnd = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 200, 100);
    SetFocus(hwnd);
    SetCapture(hwnd);
    pushKey(SDL_KEYDOWN, SDLK_LCTRL, SDL_SCANCODE_LCTRL);
    plat::headless::pumpUntilIdle();
    ASSERT_LT(GetKeyState(VK_CONTROL), 0);

    // Focus moving between our own windows in one pump is no loss, nor is it when a popup (a
    // menu) takes the focus, as SDL gives it where no window manager runs; the popup stays
    // inactive.
    HWND menu = make(WS_POPUP | WS_VISIBLE, 0, 10, 10, 50, 20, hwnd);
    plat::headless::pumpUntilIdle();
    for (HWND gaining : {hwnd, menu}) {
        messageLog().clear();
        pushWindowEvent(hwnd, SDL_WINDOWEVENT_FOCUS_LOST);
        pushWindowEvent(gaining, SDL_WINDOWEVENT_FOCUS_GAINED);
        plat::headless::pumpUntilIdle();
        EXPECT_TRUE(messageLog().numbers({WM_CANCELMODE, WM_ACTIVATE}).empty());
        EXPECT_LT(GetKeyState(VK_CONTROL), 0);
        EXPECT_EQ(GetActiveWindow(), hwnd);
    }
    pushWindowEvent(menu, SDL_WINDOWEVENT_FOCUS_LOST); // the menu went: no loss either
    pushWindowEvent(hwnd, SDL_WINDOWEVENT_FOCUS_GAINED);
    plat::headless::pumpUntilIdle();
    EXPECT_TRUE(messageLog().numbers({WM_CANCELMODE}).empty());

    pushWindowEvent(hwnd, SDL_WINDOWEVENT_FOCUS_LOST);
    plat::headless::pumpUntilIdle();
    EXPECT_EQ(messageLog().numbers({WM_CANCELMODE}).size(), 1u);
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);
    EXPECT_GE(GetAsyncKeyState(VK_CONTROL), 0);
    ReleaseCapture();
}

TEST_F(SdlDisplayTest, PointerLeavingUnderCaptureIsOneMove)
{
    HWND hwnd = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 100, 50, 200, 100);
    SetCursorPos(150, 80);
    plat::headless::pumpUntilIdle();
    int x, y;
    SDL_GetGlobalMouseState(&x, &y);
    auto moves = [] {
        plat::headless::pumpUntilIdle();
        const size_t n = messageLog().numbers({WM_MOUSEMOVE}).size();
        messageLog().clear();
        return n;
    };
    messageLog().clear();
    pushWindowEvent(hwnd, SDL_WINDOWEVENT_LEAVE);
    EXPECT_EQ(moves(), 0u) << "no capture: nothing watches the pointer";

    SetCapture(hwnd);
    pushWindowEvent(hwnd, SDL_WINDOWEVENT_LEAVE);
    pushWindowEvent(hwnd, SDL_WINDOWEVENT_ENTER);
    EXPECT_EQ(moves(), 0u) << "it went from one of our windows to another";

    pushWindowEvent(hwnd, SDL_WINDOWEVENT_LEAVE);
    EXPECT_EQ(moves(), 1u);
    POINT pt;
    GetCursorPos(&pt);
    EXPECT_EQ(pt.x, x);
    EXPECT_EQ(pt.y, y);
    ReleaseCapture();
}

TEST_F(SdlDisplayTest, CloseEventClosesTheWindow)
{
    HWND hwnd = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 200, 100);
    SDL_Window* window = sdlOf(hwnd);
    const Uint32 id = SDL_GetWindowID(window);
    pushWindowEvent(hwnd, SDL_WINDOWEVENT_CLOSE);
    plat::headless::pumpUntilIdle();
    EXPECT_EQ(messageLog().numbers({WM_CLOSE}).size(), 1u);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(SDL_GetWindowFromID(id), nullptr);
}

TEST_F(SdlDisplayTest, PresentsWhatWasPainted)
{
    HWND hwnd = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 64, 32);
    plat::headless::pumpUntilIdle();
    fill(hwnd, RECT{4, 4, 20, 12}, RGB(255, 0, 0));
    plat::headless::pumpUntilIdle();
    EXPECT_EQ(shownPixel(hwnd, 5, 5), RGB(255, 0, 0));
    EXPECT_EQ(shownPixel(hwnd, 30, 20), RGB(255, 255, 255));
}

TEST_F(SdlDisplayTest, CaretBlinksInvertedOverTheCopyOnly)
{
    vnt::test::ManualClock clock;
    HWND hwnd = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 64, 32);
    plat::headless::pumpUntilIdle();
    ASSERT_TRUE(CreateCaret(hwnd, nullptr, 2, 10));
    SetCaretPos(5, 5);
    ShowCaret(hwnd);
    plat::headless::pumpUntilIdle();
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
    EXPECT_EQ(shownPixel(hwnd, 6, 14), black);
    EXPECT_EQ(shownPixel(hwnd, 7, 6), white) << "two pixels wide";
    HDC dc = GetDC(hwnd);
    EXPECT_EQ(GetPixel(dc, 6, 14), white) << "never drawn into the window";
    ReleaseDC(hwnd, dc);

    const UINT blink = GetCaretBlinkTime();
    clock.advance(blink);
    plat::headless::pumpUntilIdle();
    EXPECT_EQ(shownPixel(hwnd, 6, 6), white) << "off";
    clock.advance(blink);
    plat::headless::pumpUntilIdle();
    EXPECT_EQ(shownPixel(hwnd, 6, 6), black) << "on again";

    // Moved in its off phase: shown at once, in its new place only.
    clock.advance(blink);
    plat::headless::pumpUntilIdle();
    SetCaretPos(20, 5);
    plat::headless::pumpUntilIdle();
    EXPECT_EQ(shownPixel(hwnd, 20, 5), black);
    EXPECT_EQ(shownPixel(hwnd, 5, 5), white);

    // A paint under it keeps it inverted over the new pixels.
    fill(hwnd, RECT{0, 0, 64, 32}, RGB(255, 0, 0));
    plat::headless::pumpUntilIdle();
    EXPECT_EQ(shownPixel(hwnd, 21, 14), RGB(0, 255, 255));
    EXPECT_EQ(shownPixel(hwnd, 22, 14), RGB(255, 0, 0));

    HideCaret(hwnd);
    plat::headless::pumpUntilIdle();
    EXPECT_EQ(shownPixel(hwnd, 20, 5), RGB(255, 0, 0));
    DestroyCaret();
}

TEST_F(SdlDisplayTest, ALockedWindowIsNotPresented)
{
    HWND hwnd = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 64, 32);
    plat::headless::pumpUntilIdle();
    fill(hwnd, RECT{0, 0, 8, 8}, RGB(0, 0, 255));
    ASSERT_TRUE(LockWindowUpdate(hwnd));
    plat::headless::pumpUntilIdle();
    EXPECT_EQ(shownPixel(hwnd, 0, 0), RGB(255, 255, 255)) << "held";
    ASSERT_TRUE(LockWindowUpdate(nullptr));
    plat::headless::pumpUntilIdle();
    HDC dc = GetDC(hwnd);
    EXPECT_EQ(shownPixel(hwnd, 0, 0), GetPixel(dc, 0, 0)) << "shown once unlocked";
    ReleaseDC(hwnd, dc);
}

TEST_F(SdlDisplayTest, AnimatedCursorStepsAndGoesWithItsHandle)
{
    vnt::test::ManualClock clock;
    make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 64, 32);
    plat::gdi::IconRecord record;
    record.isIcon = false;
    for (uint32_t c : {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu})
        record.frames.push_back(plat::gdi::IconFrame{2, 2, std::vector<uint32_t>(4, c), std::vector<uint8_t>(4, 0), true});
    record.sequence = {0, 2, 1};
    record.rates = {6, 12, 6}; // 100, 200 and 100 ms
    HCURSOR cursor = plat::gdi::makeIcon(record);
    ASSERT_NE(cursor, nullptr);
    auto* desktop = plat::sdl::sdlDisplay();

    SetCursor(cursor);
    plat::headless::pumpUntilIdle();
    EXPECT_TRUE(desktop->keepsCursorFor(cursor));
    const struct {
        uint64_t advance;
        size_t step;
    } steps[] = {{99, 0}, {1, 1}, {199, 1}, {1, 2}, {100, 0}, {400 * 10 + 250, 1}};
    for (const auto& s : steps) {
        clock.advance(s.advance);
        plat::headless::pumpUntilIdle();
        EXPECT_EQ(desktop->cursorStep(), s.step) << s.advance;
    }
    SetCursor(cursor); // again, as with every move: the animation goes on
    plat::headless::pumpUntilIdle();
    EXPECT_EQ(desktop->cursorStep(), 1u);

    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    ASSERT_TRUE(DestroyCursor(cursor));
    EXPECT_FALSE(desktop->keepsCursorFor(cursor));
}

TEST_F(SdlDisplayTest, AStreamOfMessagesDoesNotFreezeTheScreen)
{
    HWND hwnd = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 64, 32);
    plat::headless::pumpUntilIdle();
    fill(hwnd, RECT{0, 0, 8, 8}, RGB(0, 0, 255));
    // The thread is never idle: a message always waits when it looks.
    std::this_thread::sleep_for(std::chrono::milliseconds(110));
    PostMessageA(hwnd, WM_APP, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE));
    EXPECT_EQ(shownPixel(hwnd, 0, 0), RGB(0, 0, 255));
}

TEST_F(SdlDisplayTest, AnotherThreadsPostEndsTheWait)
{
    // The pump's own bound a minute long: a post that only that bound noticed would take that long.
    vntTestSetPumpSliceMs(60000);
    struct Restore {
        ~Restore() { vntTestSetPumpSliceMs(0); }
    } restore;
    HWND hwnd = make(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 0, 64, 32);
    plat::headless::pumpUntilIdle();
    const auto start = std::chrono::steady_clock::now();
    std::thread poster([hwnd] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        PostMessageA(hwnd, WM_APP, 0, 0);
    });
    MSG msg;
    do
        ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
    while (msg.message != WM_APP);
    poster.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

TEST_F(SdlDisplayTest, ClipboardTextReachesTheDesktop)
{
    HWND hwnd = make(WS_OVERLAPPEDWINDOW, 0, 0, 0, 64, 32);
    auto publish = [&](const char* bytes) {
        ASSERT_TRUE(OpenClipboard(hwnd));
        EmptyClipboard();
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, std::strlen(bytes) + 1);
        std::memcpy(GlobalLock(mem), bytes, std::strlen(bytes) + 1);
        GlobalUnlock(mem);
        SetClipboardData(CF_TEXT, mem);
        CloseClipboard();
    };
    auto desktopText = [] {
        char* text = SDL_GetClipboardText();
        std::string copy = text ? text : "";
        SDL_free(text);
        return copy;
    };
    publish("a\xFF\xC3");
    EXPECT_EQ(desktopText(), "a\xEF\xBF\xBD\xEF\xBF\xBD"); // stray bytes as U+FFFD
    publish("abc");
    EXPECT_EQ(desktopText(), "abc");

    // Another program copied: its text is what CF_TEXT holds now.
    SDL_SetClipboardText("from elsewhere");
    SDL_Event e{};
    e.type = SDL_CLIPBOARDUPDATE;
    SDL_PushEvent(&e);
    plat::headless::pumpUntilIdle();
    ASSERT_TRUE(OpenClipboard(hwnd));
    HANDLE data = GetClipboardData(CF_TEXT);
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(data)), "from elsewhere");
    GlobalUnlock(data);
    CloseClipboard();
}

} // namespace
