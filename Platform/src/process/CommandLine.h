#pragma once

#include "plat/api.h"

#include <string>
#include <vector>

namespace plat {

// Splits a command line into arguments the way Windows programs split theirs: the first
// argument runs to the next blank or tab, or from a leading quote to the next quote, taken as it
// is. In the others, blanks outside quotes separate arguments; a quote starts or ends a quoted
// run ("" inside one gives a quote); 2n backslashes before a quote give n backslashes, 2n+1
// give n and a literal quote; other backslashes are kept. Exported for the platform's tests.
PLATAPI std::vector<std::string> splitCommandLine(const std::string& commandLine);

// Splits arguments that follow a program name (all by the rules of the later arguments above).
PLATAPI std::vector<std::string> splitArguments(const std::string& arguments);

// A path as this system names files: "\" becomes "/". False (ERROR_PATH_NOT_FOUND) for a
// drive-letter path, which names nothing here.
bool toNativePath(std::string& path);

} // namespace plat
