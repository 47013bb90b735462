#pragma once

// The desktop helpers' main loop: messages are pumped until WM_QUIT, then the thread that posts
// to the window is waited for, so that the process never ends under a running poster.

#include "plat/handles.h"
#include "plat/message.h"
#include "plat/sync.h"

inline int pumpUntilQuit(HANDLE poster)
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    WaitForSingleObject(poster, INFINITE);
    CloseHandle(poster);
    return int(msg.wParam);
}
