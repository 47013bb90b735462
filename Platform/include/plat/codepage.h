#pragma once

// Code-page conversions. The ANSI code page (CP_ACP) is UTF-8 here, as Linux file names and
// desktops are; 65001 and 1252 convert through our own tables, other code pages through iconv.

#include "plat/api.h"
#include "plat/types.h"

#include <cstddef>
#include <string>
#include <string_view>

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF7 65000
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008

#define WC_COMPOSITECHECK 0x00000200
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

// A length of -1 converts up to and including the terminator. A zero output size asks for the
// size needed. Invalid input becomes U+FFFD (or, for 1252 and iconv pages when encoding, the
// default character "?" with *lpUsedDefaultChar set), unless MB_ERR_INVALID_CHARS /
// WC_ERR_INVALID_CHARS ask for failure with ERROR_NO_UNICODE_TRANSLATION.
PLATAPI int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
    LPWSTR lpWideCharStr, int cchWideChar);
PLATAPI int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
    LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar);
PLATAPI UINT GetACP();   // 65001
PLATAPI UINT GetOEMCP(); // 65001
PLATAPI BOOL IsValidCodePage(UINT CodePage);

namespace plat {
// UTF-8 and UTF-16 for the platform's own code and the libraries; invalid input becomes U+FFFD.
PLATAPI std::u16string utf16FromUtf8(std::string_view text);
PLATAPI std::string utf8FromUtf16(std::u16string_view text);

// How many bytes the UTF-8 sequence a lead byte starts should have; 1 for a byte that starts none.
inline size_t utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 1;
}

// The length of the character at pos of UTF-8 text: a whole sequence, or one stray byte.
inline size_t utf8CharLength(std::string_view s, size_t pos)
{
    const size_t n = utf8SequenceLength(static_cast<unsigned char>(s[pos]));
    if (n == 1 || pos + n > s.size())
        return 1;
    for (size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(s[pos + i]) & 0xC0) != 0x80)
            return 1;
    return n;
}
} // namespace plat
