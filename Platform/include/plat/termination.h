#pragma once

// The end of the program that the system asks for: the desktop session's end (SIGTERM) or Ctrl+C
// (SIGINT) in the terminal that started it.

#include "plat/api.h"
#include "plat/types.h"

// From now on SIGTERM and SIGINT post WM_QUIT (code 0) to the calling thread, so that its modal
// loops end from the innermost outward and its message loop after them: the program ends as the
// closing of its windows ends it. A second such signal ends the process at once. FALSE with the
// last error when the signals cannot be taken.
PLATAPI BOOL vntQuitOnTerminationSignals();
