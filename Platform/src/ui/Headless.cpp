// The test face of the headless display.

#include "HeadlessDisplay.h"

#include "plat/headless.h"
#include "plat/message.h"

namespace plat::headless {

void setScreenSize(int width, int height) { ui::headlessDisplay().setScreenSize(width, height); }

int pumpUntilIdle()
{
    int dispatched = 0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        ++dispatched;
    }
    return dispatched;
}

} // namespace plat::headless
