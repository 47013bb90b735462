#include "text/TextDecoder.h"

#include "kernel/CodePageSteps.h"

namespace plat::text {

TextChar decodeChar(const char* text, int count, int offset)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text) + offset;
    char32_t code;
    int length = utf8Step(bytes, size_t(count - offset), &code);
    if (length == 0)
        return {cp1252Char(bytes[0]), offset, 1};
    return {code, offset, length};
}

std::vector<TextChar> decodeText(const char* text, int count)
{
    std::vector<TextChar> chars;
    chars.reserve(size_t(count));
    for (int i = 0; i < count; i += chars.back().length)
        chars.push_back(decodeChar(text, count, i));
    return chars;
}

} // namespace plat::text
