#pragma once

// The platform's side of plat/testhooks.h.

#include "kernel/Waitable.h"

namespace plat {

// Whether CreateThread is to fail now (consumes one armed failure).
bool testFailThreadCreation();

// Under waitLock(), for a wait that has just taken object: whether to report it abandoned
// (consumes one armed abandonment).
bool testForcedAbandon(const Waitable* object);

// Whether SetTimer is to fail now (consumes one armed failure).
bool testFailTimer();
// SetClipboardData fails with ERROR_NOT_ENOUGH_MEMORY while failures are armed.
bool testFailClipboardData();

// The slice of pumping waits a test set, or 0 for the platform's own.
uint32_t testPumpSliceMs();

// Whether LoadLibraryA of name is to fail as if the module were missing.
bool testFailLibraryLoad(const char* name);

} // namespace plat
