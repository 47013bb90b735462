#pragma once

// Whether an exception class is traced when it is built and written to the log file when it is
// reported. These are the exception engine's switches; while that engine does not run (and until
// it exists) every class counts as traced and logged.

inline bool vbExcIsToTrace(const char* /*className*/) { return true; }
inline bool vbExcIsToLog(const char* /*className*/, bool /*bDefault*/ = false) { return true; }
