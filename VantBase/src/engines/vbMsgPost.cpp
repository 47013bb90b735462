// Posting with bounded retries, and the pump of one message.

#include "vbMsg.h"

#include "vbException.h"
#include "vbExceptionReport.h"

#include "plat/afxwin.h"
#include "plat/errors.h"
#include "plat/thread.h"
#include "plat/window.h"

#include <cstdint>

namespace {

// A post to another thread is tried this often, this far apart, before it fails.
constexpr int kPostTries = 50;
constexpr DWORD kPostPauseMs = 100;

[[noreturn]] void throwLastError(const char* msg) { throw new vbEsys(HRESULT_FROM_WIN32(GetLastError()), msg); }

HWND handleOf(CWnd* pWnd) { return pWnd ? pWnd->m_hWnd : nullptr; }

// Keeps the thread's message extra information across a pump step.
class ExtraInfoKeeper {
public:
    ExtraInfoKeeper() : m_saved(GetMessageExtraInfo()) { }
    ~ExtraInfoKeeper() { SetMessageExtraInfo(m_saved); }
    ExtraInfoKeeper(const ExtraInfoKeeper&) = delete;
    ExtraInfoKeeper& operator=(const ExtraInfoKeeper&) = delete;

private:
    LPARAM m_saved;
};

} // namespace

void vbPostMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (PostMessageA(hWnd, msg, wParam, lParam))
        return;
    if (!hWnd || GetWindowThreadProcessId(hWnd, nullptr) == GetCurrentThreadId())
        throwLastError("vbPostMessage() failure");
    vbPostExternalMessage(hWnd, msg, wParam, lParam);
}

void vbPostMessage(CWnd* pWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    vbPostMessage(handleOf(pWnd), msg, wParam, lParam);
}

void vbPostExternalMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    for (int i = 0; i < kPostTries; ++i) {
        if (!IsWindow(hWnd))
            throw new vbEsys(true, "vbPostExternalMessage(), hWnd=%llX isn't a window !",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hWnd)));
        if (PostMessageA(hWnd, msg, wParam, lParam))
            return;
        Sleep(kPostPauseMs);
    }
    throwLastError("vbPostExternalMessage() failure");
}

void vbPostExternalMessage(CWnd* pWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    vbPostExternalMessage(handleOf(pWnd), msg, wParam, lParam);
}

void vbPostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam)
{
    for (int i = 0; i < kPostTries; ++i) {
        if (PostThreadMessageA(threadId, msg, wParam, lParam))
            return;
        Sleep(kPostPauseMs);
    }
    throwLastError("vbPostThreadMessage() failure");
}

void vbPostThreadMessage(HANDLE hThread, DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam)
{
    for (int i = 0; i < kPostTries; ++i) {
        if (PostThreadMessageA(threadId, msg, wParam, lParam))
            return;
        if (GetLastError() == ERROR_INVALID_THREAD_ID) {
            // Either the thread has no queue yet (retry) or it is gone (nothing to tell it).
            DWORD code = 0;
            if (!GetExitCodeThread(hThread, &code) || code != STILL_ACTIVE)
                return;
            SetLastError(ERROR_INVALID_THREAD_ID);
        }
        Sleep(kPostPauseMs);
    }
    throwLastError("vbPostThreadMessage2() failure");
}

void vbDispatchMsg(const MSG& msg)
{
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

bool vbDoOneEvent(bool* quit)
{
    ExtraInfoKeeper keep;
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT) {
        // The loop that owns the thread must still see it.
        PostQuitMessage(static_cast<int>(msg.wParam));
        if (quit)
            *quit = true;
        return false;
    }
    try {
        vbDispatchMsg(msg);
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    }
    return true;
}

bool vbDoCmdEvent()
{
    ExtraInfoKeeper keep;
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, WM_COMMAND, WM_COMMAND, PM_REMOVE))
        return false;
    DispatchMessageA(&msg);
    return true;
}
