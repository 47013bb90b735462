#pragma once

// The calling process's identity.

#include "plat/api.h"
#include "plat/types.h"

PLATAPI DWORD GetCurrentProcessId();
// A pseudo-handle meaning "the calling process" (the value of INVALID_HANDLE_VALUE, as on the
// original platform); DuplicateHandle turns it into a real handle.
PLATAPI HANDLE GetCurrentProcess();
