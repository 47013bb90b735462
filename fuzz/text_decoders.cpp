// Runs untrusted text through the decoders of escaped text, the search-expression parser, the
// GUID and integer readers and the mask parser: nothing may read outside the given bytes, parse
// errors must come as the system's exceptions, integers must agree with a 128-bit reading, and
// URL escaping must read back unchanged.

#include "vbEscape.h"
#include "vbException.h"
#include "vbExpr.h"
#include "vbLog.h"
#include "vbStrMask.h"
#include "vbStrUtil.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

class ListExpr : public vbExpr {
public:
    bool onGetNext() override
    {
        static const char* const kItems[] = {"", "a", "abc", "ABC", "x:y", "a*b", "#", "\xC3\xA9t\xC3\xA9"};
        if (m_pos >= sizeof kItems / sizeof kItems[0])
            return false;
        m_item = kItems[m_pos++];
        return true;
    }
    bool onKeysOk(const Cond* c, ULONG flags) const override { return c->IsKeyOk(m_item, flags); }
    bool onFlagSet(bool, const vbString& keyword, int, ULONG* pFlags) const override
    {
        if (keyword != "odd")
            return false;
        *pFlags ^= 1;
        return true;
    }

private:
    size_t m_pos = 0;
    vbString m_item;
};

class FakeMask : public sIvbStringMask {
public:
    vbString GetKeyValue(const vbKeyMask& field) override
    {
        return field.name.GetLength() % 3 == 0 ? vbString() : field.name + "=value";
    }
    vbString GetPictureValue(char c, int count) override { return c == 'Y' ? vbString(count) : vbString(); }
};

void check(bool ok)
{
    if (!ok)
        std::abort();
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int digitOf(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

// The reading of an integer text in 128 bits: -1 without digits, else the magnitude (capped).
__int128 reference(const char* p, int base, bool* pNeg)
{
    while (isSpace(*p))
        ++p;
    *pNeg = *p == '-';
    if (*p == '+' || *p == '-')
        ++p;
    while (isSpace(*p))
        ++p;
    bool digits = false;
    if (base == 0) {
        if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
            base = 16;
            p += 2;
        } else if (p[0] == '0' && (p[1] == 'b' || p[1] == 'B')) {
            base = 2;
            p += 2;
        } else if (p[0] == '0' && p[1] >= '0' && p[1] <= '9') {
            base = 8;
            ++p;
            digits = true;
        } else {
            base = 10;
        }
    }
    __int128 value = 0;
    const __int128 cap = __int128(1) << 100;
    for (; digitOf(*p) < base; ++p) {
        digits = true;
        if (value < cap)
            value = value * base + digitOf(*p);
    }
    return digits ? value : -1;
}

void integers(const char* text, int base)
{
    bool neg = false;
    const __int128 ref = reference(text, base, &neg);
    int64_t value = 0;
    const bool ok = vbStrToInt64(text, &value, base, nullptr);
    check(ok == (ref >= 0 && ref <= INT64_MAX));
    if (ok)
        check(__int128(value) == (neg ? -ref : ref));
    uint64_t uvalue = 0;
    const char* end = nullptr;
    const bool uok = vbStrToUint64(text, &uvalue, base, &end);
    check(uok == (!neg && ref >= 0 && ref <= __int128(UINT64_MAX)));
    if (uok)
        check(__int128(uvalue) == ref);
    check(end >= text && end <= text + std::strlen(text));
}

void masks(const char* text, int total)
{
    FakeMask fake;
    if (text[0] == '!') {
        vbString s;
        s.Mask(vbString(text), &fake, total);
        return;
    }
    vbArray<vbKeyMask> fields;
    vbParseMask(text, &fields, &fake);
    vbAdjustMask(&fields, total);
    int64_t sum = 0;
    for (int i = 1; i <= fields.GetLength(); ++i) {
        check(fields[i].width >= fields[i].min);
        sum += fields[i].width;
    }
    if (sum < 100000)
        check(vbMakeMask(fields).GetLength() == sum);
}

void urlRoundTrip(const char* x, int n)
{
    vbString coded;
    const bool bCoded = vbUrlEscape(x, n, &coded, nullptr, nullptr, false);
    const char* src = bCoded ? coded.c_str() : x;
    const int srcLen = bCoded ? coded.GetLength() : n;
    vbString back;
    if (vbUrlUnescape(src, srcLen, &back, 0, false))
        check(back.GetLength() == n && std::memcmp(back.c_str(), x, size_t(n)) == 0);
    else
        check(srcLen == n && std::memcmp(src, x, size_t(n)) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_pvbLogFileName = nullptr; // the throw traces of syntax errors stay out of the user's log
    if (size > 65536)
        return 0;
    const int n = int(size);
    std::unique_ptr<char[]> bytes(new char[size]);
    if (size)
        std::memcpy(bytes.get(), data, size);
    const int wn = n / 2;
    std::unique_ptr<WCHAR[]> wide(new WCHAR[size_t(wn)]);
    for (int i = 0; i < wn; ++i)
        wide[size_t(i)] = WCHAR(data[2 * i] | (data[2 * i + 1] << 8));

    for (unsigned cp : {0u, 1252u}) {
        vbString out;
        vbUnescape(bytes.get(), n, &out, cp);
        vbUrlUnescape(bytes.get(), n, &out, cp, false);
        vbUrlUnescape(bytes.get(), n, &out, cp, true);
        vbHtmlUnescape(bytes.get(), n, &out, false, cp);
        vbHtmlUnescape(bytes.get(), n, &out, true, cp);
    }
    vbBSTR wout;
    vbUnescape(wide.get(), wn, &wout);
    vbUrlUnescape(wide.get(), wn, &wout, false);
    vbUrlUnescape(wide.get(), wn, &wout, true);
    vbHtmlUnescape(wide.get(), wn, &wout, false);
    vbHtmlUnescape(wide.get(), wn, &wout, true);

    urlRoundTrip(bytes.get(), n);

    try {
        ListExpr e;
        e.SearchExpr(vbString(bytes.get(), n), size ? ULONG(data[0]) << 24 : 0u);
        while (e.SearchNext()) {
        }
    } catch (CException* ex) {
        ex->Delete();
    }

    // The readers of 0-ended text get a copy with its terminator and no more.
    std::unique_ptr<char[]> text(new char[size + 1]);
    if (size)
        std::memcpy(text.get(), data, size);
    text[size] = 0;
    GUID g = {};
    const char* end = nullptr;
    if (vbStrToGuid(text.get(), &g, &end))
        check(end > text.get() && end <= text.get() + std::strlen(text.get()));
    integers(text.get(), 0);
    integers(text.get(), size ? 2 + data[0] % 35 : 10);
    masks(text.get(), size ? data[size - 1] % 64 : 0);
    return 0;
}
