#pragma once

// Internal to the platform library: what a module handle names.

#include "plat/types.h"

#include <cstddef>
#include <cstdint>

namespace plat {

// The resource table of a module (loaded, or loaded as a data file; null names the program).
// False with ERROR_RESOURCE_DATA_NOT_FOUND when it has none, ERROR_INVALID_HANDLE (or
// ERROR_MOD_NOT_FOUND) when the handle names no module.
bool moduleResourceTable(HMODULE module, const uint8_t*& table, size_t& size);

} // namespace plat
