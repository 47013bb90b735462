#pragma once

#include <string>

namespace plat::shell {

// The folder path of a special folder (CSIDL_...), or empty for an unknown one.
std::string specialFolder(int folder);

} // namespace plat::shell
