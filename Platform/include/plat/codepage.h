#pragma once

// Code-page conversions. The ANSI code page (CP_ACP) is UTF-8 here, as Linux file names and
// desktops are; 65001 and 1252 convert through our own tables, other code pages through iconv.

#include "plat/api.h"
#include "plat/types.h"

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
} // namespace plat
