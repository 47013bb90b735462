#pragma once

// What other parts of the platform need of the COM runtime's registry reading.

#include "plat/types.h"

#include <string>

namespace plat::com {

// "CLSID\\{...}\\InprocServer32" under HKEY_CLASSES_ROOT.
std::string classKeyPath(REFCLSID rclsid);
// The module path registered for a class, or empty.
std::string serverPath(REFCLSID rclsid);

} // namespace plat::com
