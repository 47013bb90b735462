#pragma once

#include "plat/dialog.h"
#include "plat/message.h"

namespace vnt::test {

// Takes the thread's ready messages through the dialog's keyboard handling first, as a dialog's
// modal loop does, until none is left.
inline void pumpDialog(HWND hDlg)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (!IsDialogMessageA(hDlg, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
}

} // namespace vnt::test
