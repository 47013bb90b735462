// A small program with a real window: a WS_OVERLAPPEDWINDOW "Vantrel desktop check" (so named
// once shown) with a 320 x 200 client area in #006699, a blinking 2 x 20 caret at (200, 100), and
// an orange 100 x 50 rectangle at (10, 10) that turns green when a second thread's WM_APP arrives
// 300 ms after the start (the post must wake the loop). An owned captioned window "Vantrel
// desktop check view" stays above it. --close-after MS closes the main window by itself. --tip
// shows an owned popup "Vantrel desktop check tip" for 400 ms at the start, renamed "... (hidden)"
// as it hides; a key pressed in the main window turns the rectangle blue. Ends with status 0 once
// the main window is closed.

#include "PumpUntilQuit.h"

#include "plat/caret.h"
#include "plat/errors.h"
#include "plat/gdi.h"
#include "plat/handles.h"
#include "plat/message.h"
#include "plat/paint.h"
#include "plat/sync.h"
#include "plat/thread.h"
#include "plat/timer.h"
#include "plat/window.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT_PTR kTipTimer = 2;
bool g_green = false;
bool g_keyed = false;
HWND g_tip = nullptr;

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        HBRUSH brush = CreateSolidBrush(g_keyed ? RGB(0, 0, 200) : g_green ? RGB(0, 200, 0) : RGB(255, 128, 0));
        const RECT r{10, 10, 110, 60};
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_APP:
        g_green = true;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_KEYDOWN:
        g_keyed = true;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_TIMER:
        if (wParam == kCloseTimer)
            DestroyWindow(hwnd);
        if (wParam == kTipTimer) {
            KillTimer(hwnd, kTipTimer);
            SetWindowTextA(g_tip, "Vantrel desktop check tip (hidden)");
            ShowWindow(g_tip, SW_HIDE);
        }
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

DWORD postLater(LPVOID param)
{
    Sleep(300);
    PostMessageA(static_cast<HWND>(param), WM_APP, 0, 0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    UINT closeAfter = 0;
    bool tip = false;
    for (int i = 1; i < argc; ++i) {
        if (i + 1 < argc && std::strcmp(argv[i], "--close-after") == 0)
            closeAfter = UINT(std::atoi(argv[i + 1]));
        tip = tip || std::strcmp(argv[i], "--tip") == 0;
    }

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hbrBackground = CreateSolidBrush(RGB(0x00, 0x66, 0x99));
    wc.lpszClassName = "VantrelDesktopCheck";
    RegisterClassExA(&wc);
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Vantrel desktop check (starting)", WS_OVERLAPPEDWINDOW,
        CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr, nullptr, nullptr);
    if (!hwnd) {
        char text[256] = "";
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, GetLastError(), 0, text, sizeof text, nullptr);
        std::fprintf(stderr, "desktop_window: no window (%lu): %s", static_cast<unsigned long>(GetLastError()), text);
        return 1;
    }
    ShowWindow(hwnd, SW_SHOW);
    SetWindowTextA(hwnd, "Vantrel desktop check");
    UpdateWindow(hwnd);
    CreateCaret(hwnd, nullptr, 2, 20);
    SetCaretPos(200, 100);
    ShowCaret(hwnd);

    WNDCLASSEXA view{};
    view.cbSize = sizeof view;
    view.lpfnWndProc = DefWindowProcA;
    view.hbrBackground = HBRUSH(GetStockObject(WHITE_BRUSH));
    view.lpszClassName = "VantrelDesktopView";
    RegisterClassExA(&view);
    CreateWindowExA(0, view.lpszClassName, "Vantrel desktop check view", WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 780,
        620, 200, 100, hwnd, nullptr, nullptr, nullptr);
    if (closeAfter)
        SetTimer(hwnd, kCloseTimer, closeAfter, nullptr);
    if (tip) {
        g_tip = CreateWindowExA(WS_EX_TOOLWINDOW, view.lpszClassName, "Vantrel desktop check tip",
            WS_POPUP | WS_VISIBLE, 40, 40, 80, 20, hwnd, nullptr, nullptr, nullptr);
        SetTimer(hwnd, kTipTimer, 400, nullptr);
    }
    HANDLE poster = CreateThread(nullptr, 0, postLater, hwnd, 0, nullptr);
    return pumpUntilQuit(poster);
}
