#include "vbStrUtil.h"

#include "vbException.h"

#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/thread.h"
#include "plat/time.h"

#include <atomic>
#include <cstring>

namespace {

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

[[noreturn]] void badStart(int start)
{
    throw new vbEsys(true, E_FAIL, "InStr(), bad start pos (=%d)", start);
}

vbString trimmedPart(const char* p, int n)
{
    return vbTrimmed(vbString(p, n));
}

} // namespace

int InStr(int start, const vbString& text, const vbString& find, int bNoCase)
{
    if (start < 1)
        badStart(start);
    const int len = text.GetLength();
    if (len == 0)
        return 0;
    const int findLen = find.GetLength();
    if (findLen == 0)
        return start;
    const char* t = text.c_str();
    const char* f = find.c_str();
    for (int at = start - 1; at + findLen <= len; ++at) {
        int i = 0;
        while (i < findLen && (bNoCase ? foldAscii(t[at + i]) == foldAscii(f[i]) : t[at + i] == f[i]))
            ++i;
        if (i == findLen)
            return at + 1;
    }
    return 0;
}

int InStr(int start, const vbString& text, char c, int bNoCase)
{
    if (start < 1)
        badStart(start);
    const int len = text.GetLength();
    const char* t = text.c_str();
    const char want = bNoCase ? foldAscii(c) : c;
    for (int at = start - 1; at < len; ++at) {
        if ((bNoCase ? foldAscii(t[at]) : t[at]) == want)
            return at + 1;
    }
    return 0;
}

int vbSplit(const vbString& text, const vbString& sep, vbArray<vbString>* parts, int bNoCase)
{
    const int sepLen = sep.GetLength();
    if (sepLen == 0)
        return text.GetLength();
    const vbString t = vbTrimmed(text);
    const char* s = t.c_str();
    const int len = t.GetLength();
    int count = 0;
    int pos = 1;
    for (;;) {
        const int found = pos <= len ? InStr(pos, t, sep, bNoCase) : 0;
        const int partEnd = found ? found : len + 1;
        if (parts)
            parts->Add(trimmedPart(s + pos - 1, partEnd - pos));
        ++count;
        if (!found)
            return count;
        pos = found + sepLen;
    }
}

// ---------------------------------------------------------------------------------------------

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isSpace(char c)
{
    return isBlank(c) || c == '\v' || c == '\f';
}

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    return 99;
}

// Hex digits up to a dash, at most limit; p is left on the dash.
bool readGuidField(const char*& p, uint64_t limit, uint64_t* pValue)
{
    uint64_t value = 0;
    const char* start = p;
    while (digitValue(*p) < 16) {
        value = value * 16 + uint64_t(digitValue(*p++));
        if (value > limit)
            return false;
    }
    if (p == start || *p != '-')
        return false;
    *pValue = value;
    ++p;
    return true;
}

// The shared reading of both integer forms: magnitude up to maxMagnitude.
bool strToMagnitude(const char* text, uint64_t maxMagnitude, bool bUnsigned, int base, uint64_t* pMag, bool* pNeg,
    const char** pEnd)
{
    if (base != 0 && (base < 2 || base > 36))
        throw new vbEsys(true, E_FAIL, "vbStrToInt64() : base = %d is invalid", base);
    if (!text) {
        if (pEnd)
            *pEnd = text;
        return false;
    }
    const char* p = text;
    while (isSpace(*p))
        ++p;
    bool bNeg = false;
    if (*p == '+' || *p == '-') {
        bNeg = *p == '-';
        if (bNeg && bUnsigned) {
            if (pEnd)
                *pEnd = p;
            return false;
        }
        ++p;
        while (isSpace(*p))
            ++p;
    }
    bool bDigits = false;
    if (base == 0) {
        if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
            base = 16;
            p += 2;
        } else if (p[0] == '0' && (p[1] == 'b' || p[1] == 'B')) {
            base = 2;
            p += 2;
        } else if (p[0] == '0' && p[1] >= '0' && p[1] <= '9') {
            // The leading 0 is a digit of its own: "09" reads 0 and stops at the 9.
            base = 8;
            ++p;
            bDigits = true;
        } else {
            base = 10;
        }
    }
    const uint64_t ubase = uint64_t(base);
    uint64_t value = 0;
    for (;;) {
        const int digit = digitValue(*p);
        if (digit >= base)
            break;
        // Checked before the step, so that neither a wrap nor a signed overflow can happen.
        if (value > (maxMagnitude - uint64_t(digit)) / ubase) {
            if (pEnd)
                *pEnd = p;
            return false;
        }
        value = value * ubase + uint64_t(digit);
        bDigits = true;
        ++p;
    }
    if (!bDigits) {
        if (pEnd)
            *pEnd = p;
        return false;
    }
    while (isSpace(*p))
        ++p;
    if (pEnd)
        *pEnd = p;
    *pMag = value;
    *pNeg = bNeg;
    return true;
}

} // namespace

bool vbStrToGuid(const char* text, GUID* pGuid, const char** pEnd)
{
    if (!text)
        return false;
    const char* p = text;
    while (isBlank(*p))
        ++p;
    const bool bBrace = *p == '{';
    if (bBrace) {
        ++p;
        while (isBlank(*p))
            ++p;
    }
    uint64_t d1 = 0;
    uint64_t d2 = 0;
    uint64_t d3 = 0;
    if (!readGuidField(p, 0xFFFFFFFFu, &d1) || !readGuidField(p, 0xFFFF, &d2) || !readGuidField(p, 0xFFFF, &d3))
        return false;
    BYTE bytes[8];
    for (BYTE& b : bytes) {
        const int hi = digitValue(p[0]);
        if (hi >= 16)
            return false;
        const int lo = digitValue(p[1]);
        if (lo >= 16)
            return false;
        b = BYTE(hi * 16 + lo);
        p += 2;
        if (*p == '-')
            ++p;
    }
    if (pGuid) {
        pGuid->Data1 = DWORD(d1);
        pGuid->Data2 = WORD(d2);
        pGuid->Data3 = WORD(d3);
        std::memcpy(pGuid->Data4, bytes, sizeof bytes);
    }
    if (pEnd) {
        while (isBlank(*p))
            ++p;
        if (bBrace && *p == '}') {
            ++p;
            while (isBlank(*p))
                ++p;
        }
        *pEnd = p;
    }
    return true;
}

bool vbStrToInt64(const char* text, int64_t* pValue, int base, const char** pEnd)
{
    uint64_t mag = 0;
    bool bNeg = false;
    if (!strToMagnitude(text, uint64_t(INT64_MAX), false, base, &mag, &bNeg, pEnd))
        return false;
    if (pValue)
        *pValue = bNeg ? -int64_t(mag) : int64_t(mag);
    return true;
}

bool vbStrToUint64(const char* text, uint64_t* pValue, int base, const char** pEnd)
{
    uint64_t mag = 0;
    bool bNeg = false;
    if (!strToMagnitude(text, UINT64_MAX, true, base, &mag, &bNeg, pEnd))
        return false;
    if (pValue)
        *pValue = mag;
    return true;
}

// ---------------------------------------------------------------------------------------------

namespace {

template <class T>
int compareNumbers(const T& a, const T& b)
{
    return a > b ? 1 : (a < b ? -1 : 0);
}

} // namespace

int vbSortString(const vbString& a, const vbString& b)
{
    return std::strcmp(a.c_str(), b.c_str());
}

int vbFindString(const vbString& a, const void* key)
{
    return std::strcmp(a.c_str(), static_cast<const vbString*>(key)->c_str());
}

int vbSortLong(const LONG& a, const LONG& b)
{
    return compareNumbers(a, b);
}

int vbFindLong(const LONG& a, const void* key)
{
    return compareNumbers(a, *static_cast<const LONG*>(key));
}

int vbSortUlong(const ULONG& a, const ULONG& b)
{
    return compareNumbers(a, b);
}

int vbFindUlong(const ULONG& a, const void* key)
{
    return compareNumbers(a, *static_cast<const ULONG*>(key));
}

int vbSortInt64(const int64_t& a, const int64_t& b)
{
    return compareNumbers(a, b);
}

int vbFindInt64(const int64_t& a, const void* key)
{
    return compareNumbers(a, *static_cast<const int64_t*>(key));
}

int vbSortUint64(const uint64_t& a, const uint64_t& b)
{
    return compareNumbers(a, b);
}

int vbFindUint64(const uint64_t& a, const void* key)
{
    return compareNumbers(a, *static_cast<const uint64_t*>(key));
}

// ---------------------------------------------------------------------------------------------

vbString vbFormatErr(LONG code)
{
    vbString text;
    const DWORD c = static_cast<DWORD>(code);
    if (!text.FormatErr(c) && !text.FormatErr(c & 0x1FFFFFFFu))
        text.FormatErr(c & 0xFFFFu);
    return text;
}

uint64_t vbGetTimeInMicroSec()
{
    static std::atomic<int64_t> s_frequency{0};
    int64_t frequency = s_frequency.load(std::memory_order_relaxed);
    if (frequency == 0) {
        LARGE_INTEGER f;
        frequency = QueryPerformanceFrequency(&f) && f.QuadPart > 0 ? f.QuadPart : -1;
        s_frequency.store(frequency, std::memory_order_relaxed);
    }
    LARGE_INTEGER counter;
    if (frequency < 0 || !QueryPerformanceCounter(&counter))
        return UINT64_MAX;
    return uint64_t(double(counter.QuadPart) / double(frequency) * 1000000.0);
}

uint64_t vbGetTimeSpentInMicroSec()
{
    static std::atomic<bool> s_noThreadTimes{false};
    if (!s_noThreadTimes.load(std::memory_order_relaxed)) {
        FILETIME creation;
        FILETIME exit;
        FILETIME kernel;
        FILETIME user;
        if (GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user)) {
            const uint64_t k = (uint64_t(kernel.dwHighDateTime) << 32) | kernel.dwLowDateTime;
            const uint64_t u = (uint64_t(user.dwHighDateTime) << 32) | user.dwLowDateTime;
            return (k + u) / 10;
        }
        s_noThreadTimes.store(true, std::memory_order_relaxed);
    }
    return vbGetTimeInMicroSec();
}
