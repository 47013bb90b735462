#pragma once

// Text helpers of the URL functions: they work on std::string, where positions cannot be out of
// range, and convert at the edges.

#include "vbString.h"

#include <string>

namespace vbDnText {

inline std::string str(const vbString& s) { return std::string(s.c_str(), static_cast<size_t>(s.GetLength())); }
inline vbString vb(const std::string& s) { return vbString(s.data(), static_cast<int>(s.size())); }

inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
inline bool isSep(char c) { return c == '/' || c == '\\'; }

inline std::string trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

inline std::string lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

inline std::string upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

inline bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

} // namespace vbDnText
