#pragma once

// The trace lines of the plug-in system.

#include "vbString.h"

// Writes "HOTPLUG: " + text to the log file when the trace level is at least level.
void vbHotPlugTrace(int level, const vbString& text);
