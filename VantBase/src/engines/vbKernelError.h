#pragma once

// Failures of kernel calls as the base library reports them: vbEsys with the calling thread's
// last error as HRESULT (0x80070000 | low 16 bits, 0 when there is none).

#include "vbBaseItf.h"

#include "plat/errors.h"

namespace vbImpl {

inline HRESULT hrOfError(DWORD err)
{
    return err == 0 ? 0 : static_cast<HRESULT>(0x80070000u | (err & 0xFFFFu));
}

inline HRESULT hrOfLastError() { return hrOfError(GetLastError()); }

// The same for a failure that must never read as success: E_FAIL when there is no system error.
inline HRESULT hrOfFailure(DWORD err) { return err == 0 ? E_FAIL : hrOfError(err); }

// Reads the last error before anything else can change it.
[[noreturn]] inline void throwLastError(const char* msg) { throwSys(hrOfLastError(), "%s", msg); }

} // namespace vbImpl
