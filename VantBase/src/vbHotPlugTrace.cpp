#include "vbExceptionReport.h"

// The "Trace" value of the machine configuration's "HotPlug Center" key, less one. Until the
// registry classes read it, no level is set.
int vbHotPlugTraceLevel() { return -1; }
