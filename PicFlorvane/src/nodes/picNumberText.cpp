#include "picNumberText.h"

#include <cctype>
#include <charconv>

namespace {

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool sameNoCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

} // namespace

bool picParseNumber(const vbString& text, const char* suffix, double low, double high, double* value)
{
    const char* begin = text.c_str();
    const char* end = begin + text.GetLength();
    while (begin < end && isSpace(*begin))
        ++begin;
    if (begin < end && *begin == '+' && begin + 1 < end && begin[1] != '-')
        ++begin;
    // A digit must come first (after a sign): no "inf" or "nan".
    const char* first = begin < end && *begin == '-' ? begin + 1 : begin;
    if (first == end || !(isDigit(*first) || (*first == '.' && first + 1 < end && isDigit(first[1]))))
        return false;
    double parsed = 0;
    const auto [rest, error] = std::from_chars(begin, end, parsed);
    if (error != std::errc() || (rest != end && !sameNoCase(rest, suffix)))
        return false;
    if (!(parsed > low && parsed < high))
        return false;
    *value = parsed;
    return true;
}

bool parsePercent(const vbString& text, double* value) { return picParseNumber(text, "%", -1000, 1000, value); }

bool parseWavelength(const vbString& text, double* value) { return picParseNumber(text, "nm", 0, 2000, value); }

vbString picFormatNumber(double value)
{
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6).ptr;
    return vbString(buffer, int(end - buffer));
}
