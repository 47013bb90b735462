#include "picNumberText.h"

#include <charconv>
#include <cstring>

bool picParseNumber(const vbString& text, const char* suffix, double low, double high, double* value)
{
    const char* begin = text.c_str();
    const char* end = begin + text.GetLength();
    double parsed = 0;
    const auto [rest, error] = std::from_chars(begin, end, parsed);
    if (error != std::errc() || (rest != end && std::strcmp(rest, suffix) != 0))
        return false;
    if (!(parsed > low && parsed < high))
        return false;
    *value = parsed;
    return true;
}

bool parsePercent(const vbString& text, double* value) { return picParseNumber(text, "%", -1000, 1000, value); }
