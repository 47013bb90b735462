#pragma once

// Internal to the platform library: the single-character steps of the code-page conversions, for
// the text code that walks 8-bit strings character by character.

#include <cstddef>

namespace plat {

// The length (1 to 4) of the well-formed UTF-8 sequence at the start of in, with its code point;
// 0 when the bytes there start no well-formed sequence (overlong forms, surrogates and values
// above U+10FFFF included).
int utf8Step(const unsigned char* in, size_t n, char32_t* cp);

// The character a Windows-1252 byte stands for.
char32_t cp1252Char(unsigned char byte);

} // namespace plat
