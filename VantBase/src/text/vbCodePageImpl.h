#pragma once

// The real code page behind a code-page number, shared by the conversions and the registry
// engine's GetRealCP: 0 the ANSI code page, 1 the OEM code page, any other valid page itself.
// An invalid page answers 0, or with bThrow raises vbEapp with the last system error.

#include "plat/types.h"

namespace vbImpl {

DWORD realCodePage(DWORD cp, bool bThrow);

} // namespace vbImpl
