#pragma once

// Whether an exception class is traced when it is built and written to the log file when it is
// reported: the exception engine's switches (every class counts as traced and logged while that
// engine does not run).

#include "vbExceptionEngine.h"

inline bool vbExcIsToTrace(const char* className) { return g_vbExceptionEngine.IsToTrace(className); }
inline bool vbExcIsToLog(const char* className, bool bDefault = false)
{
    return g_vbExceptionEngine.IsToLog(className, bDefault);
}
