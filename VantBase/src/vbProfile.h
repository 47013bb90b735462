#pragma once

// A reader of profile (INI) files with the system's rules: "[section]" lines, "key=value" lines,
// names compared ignoring ASCII case, blanks around names and values dropped, one pair of
// quotes around a value removed, ";" lines ignored. A bare file name lies in the Windows folder.

#include <string>
#include <vector>

namespace vbImpl {

// The key names of the first section named section, in file order; none when the file or the
// section is missing.
std::vector<std::string> profileKeys(const char* file, const char* section);
// The value of key in that section; false when there is none.
bool profileValue(const char* file, const char* section, const char* key, std::string* value);

} // namespace vbImpl
