#pragma once

// The release log: the one log writer of every deliverable. Each record is appended with one
// open, write and close; every line starts with the process and thread ids. The first record of
// a run is preceded by a start banner, and any record after the set of loaded libraries changed
// by the library list.

#include "vbExport.h"
#include "vbString.h"

// The log file. A bare file name, or a name in a fixed Windows folder ("c:\picfV5108.log"), is
// kept in the per-user state folder, looked up at every write; a path starting with "/" is used
// as it is; null disables writing.
extern VBAPI const char* g_pvbLogFileName;

VBAPI void vbRelOutput(const vbString& text, bool bToFile);
