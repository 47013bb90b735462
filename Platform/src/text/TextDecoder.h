#pragma once

// The characters of the 8-bit strings the text calls take: UTF-8, where a byte that starts no
// well-formed sequence stands alone as its Windows-1252 character, so text written on Windows
// still reads.

#include <cstddef>
#include <vector>

namespace plat::text {

struct TextChar {
    char32_t code;
    int offset; // of its first byte
    int length; // in bytes
};

// C0 controls have no width and draw nothing.
inline bool isControl(char32_t code) { return code >= 1 && code < 32; }

// The character starting at text[offset], offset < count.
TextChar decodeChar(const char* text, int count, int offset);
std::vector<TextChar> decodeText(const char* text, int count);

} // namespace plat::text
