#pragma once

// The naps of threads that poll the state of the thread centre's threads (one closing, one letting
// go of its last lock, one starting, stopping or ending): a nap ends as soon as the condition it
// waits for holds after such a change, so that a wait costs the change's time instead of a whole
// polling step, while each step keeps its length when nothing happens.

#include "plat/types.h"

#include <cstdint>
#include <functional>

namespace vbImpl {

// Tells the napping threads that a pool thread's state changed.
void threadStateChanged();
// What a refused engine stop may have waited for has come: a pool thread has ended and left its
// centre, or an engine let go of what made it refuse. Tells the napping threads too.
void stopNews();
// How many such news have come so far in the process.
uint64_t stopNewsCount();

// Sleeps up to ms milliseconds, less when done() answers true: it is asked at once and after each
// change. The caller holds none of the locks that done takes.
void napUntil(DWORD ms, const std::function<bool()>& done);

} // namespace vbImpl
