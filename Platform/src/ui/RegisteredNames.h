#pragma once

// The user's table of registered message and clipboard format names (RegisteredMessages.cpp).

#include "plat/api.h"
#include "plat/types.h"

#include <string>
#include <string_view>
#include <vector>

namespace plat::ui {

// The names of the table file's content, in number order (0xC000 first). Any bytes are
// accepted; lines beyond the 0x4000 numbers of the range are ignored. Exported for the
// platform's own tests.
PLATAPI std::vector<std::string> parseRegisteredNames(std::string_view content);

// The number of a name, registering it when new; 0 with the last error on failure.
UINT registerName(LPCSTR name);

} // namespace plat::ui
