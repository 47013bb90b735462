#pragma once

#include "plat/types.h"

namespace plat::input {

// Whether a handle names a global memory block that has not been freed.
bool globalBlockLive(HGLOBAL block);

} // namespace plat::input
