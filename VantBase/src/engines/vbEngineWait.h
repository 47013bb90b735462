#pragma once

// The pause between two tries of a refused engine stop, taken with the centre's lock released:
// pending messages of the thread are pumped one by one, or, when there is none, the thread sleeps
// 100 ms. Answers whether a message was handled.

namespace vbImpl {

bool engineWaitPump();

// From inside a catch block of a destructor, Destroy or a use holder: the exception in flight
// goes to vbTraceException with the source "vbEngine" and no further.
void traceEngineFailure() noexcept;

} // namespace vbImpl
