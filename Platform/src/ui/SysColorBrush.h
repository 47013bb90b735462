#pragma once

// For the drawing code: which system colour a brush from GetSysColorBrush stands for.

#include "plat/api.h"
#include "plat/types.h"

namespace plat::ui {

// The colour index (0-30) of a system colour brush, or -1 for any other handle.
PLATAPI int sysColorBrushIndex(HBRUSH brush);

} // namespace plat::ui
