#pragma once

// The encoders' view of the entity table.

#include "vbEscape.h"

namespace vbImpl {
// The entry with the encode flag that stands for c, or null.
const vbHtmlEntity* htmlEntityOfByte(unsigned char c);
const vbHtmlEntity* htmlEntityOfWide(WCHAR c);
} // namespace vbImpl
