#include "plat/codepage.h"

#include "kernel/CodePageSteps.h"

#include "plat/errors.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <string>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Code page 1252 at 0x80..0x9F; the five bytes it leaves undefined map to the C1 controls of the
// same value, as the original platform maps them.
const char16_t k1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
    0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isUtf8Page(UINT page) { return page == CP_ACP || page == CP_OEMCP || page == CP_THREAD_ACP || page == CP_UTF8; }

// The accepted range of the second byte of a sequence with this lead byte; false for a byte
// that leads no sequence.
bool leadByte(unsigned char c, int* extra, char32_t* bits, unsigned char* low, unsigned char* high)
{
    *low = 0x80;
    *high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        *extra = 1;
        *bits = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        *extra = 2;
        *bits = c & 0x0F;
        if (c == 0xE0)
            *low = 0xA0; // no overlong forms
        if (c == 0xED)
            *high = 0x9F; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        *extra = 3;
        *bits = c & 0x07;
        if (c == 0xF0)
            *low = 0x90;
        if (c == 0xF4)
            *high = 0x8F; // nothing above U+10FFFF
    } else {
        return false;
    }
    return true;
}

// How many bytes of an ill-formed sequence one replacement character stands for: a valid start
// of a sequence is consumed with it.
size_t invalidPrefixLength(const unsigned char* in, size_t n)
{
    int extra;
    char32_t bits;
    unsigned char low, high;
    if (!leadByte(in[0], &extra, &bits, &low, &high))
        return 1;
    size_t j = 1;
    for (int k = 0; k < extra && j < n; ++k, ++j) {
        unsigned char lo = k == 0 ? low : 0x80, hi = k == 0 ? high : 0xBF;
        if (in[j] < lo || in[j] > hi)
            break;
    }
    return j;
}

// Decodes UTF-8; false at the first invalid sequence when strict, else each maximal invalid
// part becomes U+FFFD.
bool decodeUtf8(const unsigned char* in, size_t n, std::u16string& out, bool strict)
{
    size_t i = 0;
    while (i < n) {
        char32_t cp;
        int length = plat::utf8Step(in + i, n - i, &cp);
        if (length == 0) {
            if (strict)
                return false;
            out += kReplacement;
            i += invalidPrefixLength(in + i, n - i);
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += char16_t(0xD800 + (cp >> 10));
            out += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += char16_t(cp);
        }
        i += size_t(length);
    }
    return true;
}

// Encodes UTF-16 as UTF-8; an unpaired surrogate fails when strict, else becomes U+FFFD.
bool encodeUtf8(const char16_t* in, size_t n, std::string& out, bool strict)
{
    for (size_t i = 0; i < n; ++i) {
        uint32_t cp = in[i];
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            if (cp <= 0xDBFF && i + 1 < n && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
                ++i;
            } else {
                if (strict)
                    return false;
                cp = kReplacement;
            }
        }
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | cp >> 6);
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | cp >> 12);
            out += char(0x80 | (cp >> 6 & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | cp >> 18);
            out += char(0x80 | (cp >> 12 & 0x3F));
            out += char(0x80 | (cp >> 6 & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    return true;
}

void decode1252(const unsigned char* in, size_t n, std::u16string& out)
{
    for (size_t i = 0; i < n; ++i)
        out += char16_t(plat::cp1252Char(in[i]));
}

void encode1252(const char16_t* in, size_t n, std::string& out, char fallback, bool& usedDefault)
{
    for (size_t i = 0; i < n; ++i) {
        char16_t c = in[i];
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out += char(c);
            continue;
        }
        int found = -1;
        for (int k = 0; k < 32; ++k)
            if (k1252High[k] == c)
                found = k;
        if (found >= 0) {
            out += char(0x80 + found);
        } else {
            out += fallback;
            usedDefault = true;
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF)
                ++i; // one character, one default
        }
    }
}

// The iconv name of a code page that has no table of ours.
std::string iconvName(UINT page)
{
    switch (page) {
    case CP_MACCP:
    case 10000: return "MACINTOSH";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 50220: return "ISO-2022-JP";
    case 51932: return "EUC-JP";
    case 51936: return "EUC-CN";
    case 51949: return "EUC-KR";
    case 52936: return "HZ-GB-2312";
    case 54936: return "GB18030";
    case CP_UTF7: return "UTF-7";
    case 950: return "BIG5";
    default:
        if (page >= 28591 && page <= 28606)
            return "ISO-8859-" + std::to_string(page - 28590);
        return "CP" + std::to_string(page);
    }
}

class Iconv {
public:
    Iconv(const std::string& to, const std::string& from) : m_cd(iconv_open(to.c_str(), from.c_str())) {}
    ~Iconv()
    {
        if (ok())
            iconv_close(m_cd);
    }
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// One step of an iconv conversion: converts as much as it can; answers false at an input it
// cannot convert (left at *in).
bool iconvStep(iconv_t cd, const char*& in, size_t& inLeft, std::string& out)
{
    char buffer[256];
    while (inLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t rc = iconv(cd, const_cast<char**>(&in), &inLeft, &dst, &dstLeft);
        out.append(buffer, size_t(dst - buffer));
        if (rc == size_t(-1) && errno != E2BIG)
            return false;
    }
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &dstLeft); // shift back to the initial state
    out.append(buffer, size_t(dst - buffer));
    return true;
}

bool decodeIconv(UINT page, const char* in, size_t n, std::u16string& out, bool strict)
{
    Iconv cd("UTF-16LE", iconvName(page));
    if (!cd.ok()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::string bytes;
    while (!iconvStep(cd.get(), in, n, bytes)) {
        if (strict) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return false;
        }
        bytes += "\xFD\xFF"; // U+FFFD, little-endian
        ++in;
        --n;
    }
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        out += char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);
    return true;
}

bool encodeIconv(UINT page, const char16_t* in, size_t n, std::string& out, char fallback, bool& usedDefault)
{
    Iconv cd(iconvName(page), "UTF-16LE");
    if (!cd.ok()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::string units;
    for (size_t i = 0; i < n; ++i) {
        units += char(in[i] & 0xFF);
        units += char(in[i] >> 8);
    }
    const char* src = units.data();
    size_t left = units.size();
    while (!iconvStep(cd.get(), src, left, out)) {
        out += fallback;
        usedDefault = true;
        char16_t unit = char16_t(uint8_t(src[0]) | uint8_t(src[1]) << 8);
        size_t skip = (unit >= 0xD800 && unit <= 0xDBFF && left >= 4) ? 4 : 2;
        src += skip;
        left -= skip;
    }
    return true;
}

// The common checks and the copy out: Windows answers the size needed when the output size is 0
// and fails with ERROR_INSUFFICIENT_BUFFER when it is too small.
template <class Out, class Converted>
int answer(const Converted& converted, Out* out, int outSize)
{
    if (converted.size() > size_t(INT32_MAX)) {
        SetLastError(ERROR_ARITHMETIC_OVERFLOW);
        return 0;
    }
    if (outSize == 0)
        return int(converted.size());
    if (converted.size() > size_t(outSize)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(out, converted.data(), converted.size() * sizeof(Out));
    return int(converted.size());
}

} // namespace

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte, LPWSTR lpWideCharStr,
    int cchWideChar)
{
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 || (cchWideChar && !lpWideCharStr)
        || static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : size_t(cbMultiByte);
    const unsigned char* in = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    bool strict = (dwFlags & MB_ERR_INVALID_CHARS) != 0;
    std::u16string converted;
    if (isUtf8Page(CodePage)) {
        if (!decodeUtf8(in, n, converted, strict)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
    } else if (CodePage == 1252) {
        decode1252(in, n, converted);
    } else if (!decodeIconv(CodePage, lpMultiByteStr, n, converted, strict)) {
        return 0;
    }
    return answer(converted, lpWideCharStr, cchWideChar);
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
    int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar)
{
    if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 || (cbMultiByte && !lpMultiByteStr)
        || static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = 0;
    if (cchWideChar == -1) {
        while (lpWideCharStr[n])
            ++n;
        ++n;
    } else {
        n = size_t(cchWideChar);
    }
    bool usedDefault = false;
    std::string converted;
    if (isUtf8Page(CodePage)) {
        // UTF-8 can say everything: no default character is ever used.
        if (!encodeUtf8(lpWideCharStr, n, converted, (dwFlags & WC_ERR_INVALID_CHARS) != 0)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
    } else {
        char fallback = lpDefaultChar && lpDefaultChar[0] ? lpDefaultChar[0] : '?';
        if (CodePage == 1252)
            encode1252(lpWideCharStr, n, converted, fallback, usedDefault);
        else if (!encodeIconv(CodePage, lpWideCharStr, n, converted, fallback, usedDefault))
            return 0;
    }
    if (lpUsedDefaultChar)
        *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    return answer(converted, lpMultiByteStr, cbMultiByte);
}

UINT GetACP() { return CP_UTF8; }

UINT GetOEMCP() { return CP_UTF8; }

BOOL IsValidCodePage(UINT CodePage)
{
    if (CodePage == CP_UTF8 || CodePage == 1252)
        return TRUE;
    if (CodePage == CP_ACP || CodePage == CP_OEMCP || CodePage == CP_THREAD_ACP || CodePage == CP_MACCP)
        return FALSE; // symbolic values, not code pages
    Iconv cd("UTF-16LE", iconvName(CodePage));
    return cd.ok() ? TRUE : FALSE;
}

namespace plat {

int utf8Step(const unsigned char* in, size_t n, char32_t* cp)
{
    if (n == 0)
        return 0;
    if (in[0] < 0x80) {
        *cp = in[0];
        return 1;
    }
    int extra;
    char32_t bits;
    unsigned char low, high;
    if (!leadByte(in[0], &extra, &bits, &low, &high) || n <= size_t(extra))
        return 0;
    for (int k = 1; k <= extra; ++k) {
        unsigned char lo = k == 1 ? low : 0x80, hi = k == 1 ? high : 0xBF;
        if (in[k] < lo || in[k] > hi)
            return 0;
        bits = bits << 6 | (in[k] & 0x3F);
    }
    *cp = bits;
    return extra + 1;
}

char32_t cp1252Char(unsigned char byte) { return byte >= 0x80 && byte < 0xA0 ? k1252High[byte - 0x80] : byte; }

std::u16string utf16FromUtf8(std::string_view text)
{
    std::u16string out;
    decodeUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size(), out, false);
    return out;
}

std::string utf8FromUtf16(std::u16string_view text)
{
    std::string out;
    encodeUtf8(text.data(), text.size(), out, false);
    return out;
}

} // namespace plat
