#pragma once

// Internal to the platform library: how calls that fill a caller's text buffer answer.

#include "plat/types.h"

#include <cstring>
#include <string>

namespace plat {

// The usual rule: when the text and its terminator fit, it is copied and its length answered;
// otherwise nothing is copied and the size needed (terminator included) is answered.
inline DWORD answerText(const std::string& text, LPSTR buffer, DWORD size)
{
    if (!buffer || size <= text.size())
        return DWORD(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return DWORD(text.size());
}

} // namespace plat
