#pragma once

// The pause between two tries of a refused engine stop, taken with the centre's lock released:
// pending messages of the thread are pumped one by one, or, when there is none, the thread sleeps
// 100 ms. Answers whether a message was handled. An engine mostly refuses while threads of its
// own end, or while it is busy for a moment, so the sleep is cut short once a pool thread has
// ended or an engine has let go of what made it refuse after the refused try began: newsBefore is
// vbImpl::stopNewsCount() read before that try.

#include <cstdint>

namespace vbImpl {

bool engineWaitPump(uint64_t newsBefore);
// The plain 100 ms sleep between two tries, cut short in the same way.
void engineSleep(uint64_t newsBefore);

// From inside a catch block of a destructor, Destroy or a use holder: the exception in flight
// goes to vbTraceException with the source "vbEngine" and no further.
void traceEngineFailure() noexcept;

} // namespace vbImpl
