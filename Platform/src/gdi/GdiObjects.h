#pragma once

// The table of pens and brushes behind their handles, for the drawing code to look them up.

#include "plat/gdi.h"

namespace plat::gdi {

// False when the handle is no live pen (or brush); the record is copied out.
bool lookupPen(HGDIOBJ h, LOGPEN* out);
bool lookupBrush(HGDIOBJ h, LOGBRUSH* out);

} // namespace plat::gdi
