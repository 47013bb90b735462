#pragma once

// The test face of the headless display: a screen of a chosen size, and a way to run the calling
// thread's messages until nothing is left, so that a test sees what a user would once the
// program has settled.

#include "plat/api.h"
#include "plat/types.h"

namespace plat::headless {

// The screen's size in pixels (GetSystemMetrics SM_CXSCREEN and SM_CYSCREEN follow); a size of
// 0 or less goes back to the default of 1024 x 768.
PLATAPI void setScreenSize(int width, int height);

// Dispatches every message of the calling thread that is ready (sent, posted, input, WM_PAINT,
// due timers) until none is left, and answers how many it dispatched. A pending WM_QUIT stops it
// and stays in the queue for the caller's own loop.
PLATAPI int pumpUntilIdle();

} // namespace plat::headless
