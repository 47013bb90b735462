#pragma once

// Menus from template bytes (exported for the fuzz target).

#include "plat/api.h"
#include "plat/menu.h"

#include <cstddef>

namespace plat::menu {

// A menu from at most size bytes of a version-0 template; null with ERROR_INVALID_DATA, and no
// menu left, for bytes that are cut, nested more than 16 levels deep or not such a template.
PLATAPI HMENU loadTemplate(const BYTE* data, size_t size);

} // namespace plat::menu
