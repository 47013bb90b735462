#pragma once

#include "plat/types.h"

namespace plat::input {

// A built-in cursor by its IDC_ number (shared; made on first use).
HCURSOR systemCursor(int id);
// A built-in cursor (IDC_ id) or icon (IDI_ id) as LoadImageA gives it for a null instance.
HANDLE systemImage(LPCSTR name, bool isIcon);
// The IDC_ number of a built-in cursor, 0 for any other handle.
int systemCursorIdOf(HCURSOR cursor);
// The cursor SetCursor set last.
HCURSOR shownCursor();

} // namespace plat::input
