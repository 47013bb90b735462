#pragma once

// What the VARIANT functions share: which types a VARIANT may hold.

#include "plat/oleauto.h"

namespace plat::oleauto {

// A scalar base type (no ARRAY or BYREF bits) that a VARIANT may hold by value.
bool isValueType(VARTYPE base);
// Whether vt, flags included, names something a VARIANT may hold.
bool isValidVariantType(VARTYPE vt);

} // namespace plat::oleauto
