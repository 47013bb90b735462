// Top-level windows that come and go while other threads post: the main window "Vantrel churn
// check" (1000 x 700) handles a stream of WM_APP posts from a second thread and the pointer's
// moves and clicks; at each it makes a hidden popup and destroys it, and shows a bordered popup
// list that replaces (and destroys) the one of the round before, as a combo box's list and a menu
// level come and go. After ROUNDS rounds (argument, default 3000) it closes the main window and
// ends with status 0.

#include "PumpUntilQuit.h"

#include "plat/gdi.h"
#include "plat/handles.h"
#include "plat/message.h"
#include "plat/paint.h"
#include "plat/sync.h"
#include "plat/thread.h"
#include "plat/window.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

int g_rounds = 3000;
int g_handled = 0;
HWND g_list = nullptr;
HWND g_hidden = nullptr;
std::atomic<bool> g_stop{false};

HWND makePopup(HWND owner, DWORD style, int x)
{
    return CreateWindowExA(0, "VantrelChurnPopup", "", WS_POPUP | style, x, 40, 120, 200, owner, nullptr, nullptr,
        nullptr);
}

// The hidden popup and the list of the round before go at once (the hidden one is the newest
// window while the thread waits), a new list shows, a new hidden popup is made, and the whole
// main window is drawn again, which keeps the X server busy with this connection.
void nextRound(HWND hwnd)
{
    if (g_hidden)
        DestroyWindow(g_hidden);
    if (g_list)
        DestroyWindow(g_list);
    g_list = makePopup(hwnd, WS_BORDER, 20 + 10 * (g_handled % 20));
    ShowWindow(g_list, SW_SHOWNOACTIVATE);
    g_hidden = makePopup(hwnd, 0, 10);
    InvalidateRect(hwnd, nullptr, TRUE);
    if (++g_handled == g_rounds)
        DestroyWindow(hwnd);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_APP:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN: nextRound(hwnd); return 0;
    case WM_DESTROY:
        g_stop = true;
        PostQuitMessage(0);
        return 0;
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

DWORD postAll(LPVOID param)
{
    while (!g_stop) {
        PostMessageA(static_cast<HWND>(param), WM_APP, 0, 0);
        Sleep(1);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        g_rounds = std::atoi(argv[1]);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hbrBackground = HBRUSH(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "VantrelChurnCheck";
    RegisterClassExA(&wc);
    WNDCLASSEXA popup = wc;
    popup.lpfnWndProc = DefWindowProcA;
    popup.lpszClassName = "VantrelChurnPopup";
    RegisterClassExA(&popup);
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Vantrel churn check", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
        1000, 700, nullptr, nullptr, nullptr, nullptr);
    if (!hwnd)
        return 1;
    HANDLE poster = CreateThread(nullptr, 0, postAll, hwnd, 0, nullptr);
    const int status = pumpUntilQuit(poster);
    std::printf("%d rounds\n", g_handled);
    return status;
}
