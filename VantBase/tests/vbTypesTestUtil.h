#pragma once

// Checks shared by the tests of the data types: the vbEsys a call throws, and bytes as text.

#include "vbExpectThrown.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vbtypes {

// Runs f, expects a vbEsys with the code and message, and deletes it.
template <class F>
void expectEsys(F&& f, HRESULT hr, const std::string& msg)
{
    vbtest::expectThrown<vbEsys>(std::forward<F>(f), hr, msg);
}

// "12 FF 00" for the bytes 12 FF 00.
inline std::string hexBytes(const void* p, size_t n)
{
    std::string out;
    auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02X", i ? " " : "", b[i]);
        out += hex;
    }
    return out;
}

inline std::string hexBytes(const std::vector<unsigned char>& v) { return hexBytes(v.data(), v.size()); }

// The folder of the test program, where the build puts the test modules too.
inline std::string binDir()
{
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    path[n] = 0;
    std::string dir(path);
    return dir.substr(0, dir.rfind('/'));
}

} // namespace vbtypes
