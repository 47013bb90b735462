#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace vnt::test {

// The bytes of a file as they are (empty when it cannot be read).
inline std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace vnt::test
