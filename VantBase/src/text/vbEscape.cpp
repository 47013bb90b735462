#include "vbEscape.h"

#include "text/vbHtmlEntities.h"

#include "plat/codepage.h"

#include <cstring>
#include <string>

// The 8-bit and wide forms share one body per coding, written over the character type. The 8-bit
// forms treat text as bytes; only the UTF-16 code units of \u, %u and &#n; go through a code page.

namespace {

using Bytes = std::string;
using Units = std::u16string;

unsigned codeOf(char c)
{
    return static_cast<unsigned char>(c);
}

unsigned codeOf(WCHAR c)
{
    return c;
}

template <class C>
bool inSet(const C* set, C c)
{
    if (!set || c == 0)
        return false;
    for (; *set; ++set) {
        if (*set == c)
            return true;
    }
    return false;
}

template <class C>
void appendAscii(std::basic_string<C>& buf, const char* text)
{
    for (; *text; ++text)
        buf += C(*text);
}

template <class C>
void appendHex(std::basic_string<C>& buf, unsigned value, int digits)
{
    static const char kHex[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        buf += C(kHex[(value >> shift) & 0xF]);
}

template <class C>
void appendDecimal(std::basic_string<C>& buf, unsigned value)
{
    char digits[16];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value);
    while (n > 0)
        buf += C(digits[--n]);
}

int hexDigit(unsigned c)
{
    if (c >= '0' && c <= '9')
        return int(c - '0');
    if (c >= 'a' && c <= 'f')
        return int(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return int(c - 'A' + 10);
    return -1;
}

// Up to maxDigits hex digits from s[*pi] on (before len); -1 when there is none.
template <class C>
int readHex(const C* s, int len, int* pi, int maxDigits)
{
    int value = -1;
    for (int k = 0; k < maxDigits && *pi < len; ++k) {
        const int d = hexDigit(codeOf(s[*pi]));
        if (d < 0)
            break;
        value = (value < 0 ? 0 : value * 16) + d;
        ++*pi;
    }
    return value;
}

bool isAlnum(unsigned c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Where decoded characters go: bytes stand for themselves in both forms; a UTF-16 code unit is
// converted to the code page in the 8-bit form (nothing when it does not convert).
struct ByteSink {
    Bytes& buf;
    UINT codePage;
    void byte(unsigned b) { buf += char(b & 0xFF); }
    void unit(unsigned u)
    {
        const WCHAR wc = WCHAR(u);
        char converted[4];
        const int n = WideCharToMultiByte(codePage, 0, &wc, 1, converted, int(sizeof converted), nullptr, nullptr);
        if (n > 0)
            buf.append(converted, size_t(n));
    }
    void entity(const vbHtmlEntity& e) { buf += e.text; }
    void ch(char c) { buf += c; }
};

struct UnitSink {
    Units& buf;
    void byte(unsigned b) { buf += WCHAR(b & 0xFF); }
    void unit(unsigned u) { buf += WCHAR(u); }
    void entity(const vbHtmlEntity& e) { buf += e.wtext; }
    void ch(WCHAR c) { buf += c; }
};

bool appendResult(bool bCoded, const Bytes& buf, vbString* out)
{
    if (bCoded)
        out->Add(buf.data(), int(buf.size()));
    return bCoded;
}

bool appendResult(bool bCoded, const Units& buf, vbBSTR* out)
{
    if (bCoded)
        out->Append(buf.data(), int(buf.size()));
    return bCoded;
}

// ----- encoders ------------------------------------------------------------------------------

template <class C>
bool escapeBackslash(const C* s, int len, std::basic_string<C>& buf, const C* extra, const C* keep, bool bUnicode)
{
    bool bCoded = false;
    for (int i = 0; i < len; ++i) {
        const C ch = s[i];
        const unsigned c = codeOf(ch);
        const bool bDefault = c < 32 || c >= 128 || c == '"' || c == '\'' || c == '\\';
        if (inSet(keep, ch) || !(bDefault || inSet(extra, ch))) {
            buf += ch;
            continue;
        }
        bCoded = true;
        if (!bDefault) {
            appendAscii(buf, "\\x");
            appendHex(buf, c, 2);
        } else if (c == 0) {
            // "\0" before an octal digit would read back as one octal escape.
            const unsigned next = i + 1 < len ? codeOf(s[i + 1]) : 0;
            appendAscii(buf, next >= '0' && next <= '7' ? "\\x00" : "\\0");
        } else if (c == '\t' || c == '\n' || c == '\r') {
            appendAscii(buf, c == '\t' ? "\\t" : c == '\n' ? "\\n" : "\\r");
        } else if (c == '"' || c == '\'' || c == '\\') {
            buf += C('\\');
            buf += ch;
        } else if (c >= 256) {
            appendAscii(buf, "\\u");
            appendHex(buf, c, 4);
        } else if (c >= 128 && bUnicode) {
            appendAscii(buf, "\\u00");
            appendHex(buf, c, 2);
        } else {
            appendAscii(buf, "\\x");
            appendHex(buf, c, 2);
        }
    }
    return bCoded;
}

template <class C>
bool escapeUrl(const C* s, int len, std::basic_string<C>& buf, const C* extra, const C* keep, bool bUnicode)
{
    static const char kOwnSet[] = "\"'\\><#&+:%{}[]|^~";
    bool bCoded = false;
    for (int i = 0; i < len; ++i) {
        const C ch = s[i];
        const unsigned c = codeOf(ch);
        const bool bDefault = c < 32 || c >= 128 || (c != 0 && std::strchr(kOwnSet, int(c)) != nullptr);
        if (inSet(keep, ch) || !(bDefault || inSet(extra, ch))) {
            buf += ch;
            continue;
        }
        bCoded = true;
        if (c == ' ') {
            buf += C('+');
        } else if (c >= 256) {
            appendAscii(buf, "%u");
            appendHex(buf, c, 4);
        } else if (c >= 128 && bUnicode) {
            appendAscii(buf, "%u00");
            appendHex(buf, c, 2);
        } else {
            buf += C('%');
            appendHex(buf, c, 2);
        }
    }
    return bCoded;
}

const vbHtmlEntity* encodeEntity(char c)
{
    return vbImpl::htmlEntityOfByte(static_cast<unsigned char>(c));
}

const vbHtmlEntity* encodeEntity(WCHAR c)
{
    return vbImpl::htmlEntityOfWide(c);
}

template <class C>
bool escapeHtml(const C* s, int len, std::basic_string<C>& buf, const C* extra, const C* keep, bool bBr)
{
    bool bCoded = false;
    for (int i = 0; i < len; ++i) {
        const C ch = s[i];
        const unsigned c = codeOf(ch);
        const bool bDefault = c < 32 || c >= 128 || c == '"' || c == '\'' || c == '<' || c == '>' || c == '&';
        if (inSet(keep, ch) || !(bDefault || inSet(extra, ch))) {
            buf += ch;
            continue;
        }
        bCoded = true;
        const bool bCrLf = c == '\r' && i + 1 < len && codeOf(s[i + 1]) == '\n';
        if (c == '\n' || bCrLf) {
            appendAscii(buf, bBr ? "<br>\r\n" : "\r\n");
            if (bCrLf)
                ++i;
        } else if (const vbHtmlEntity* e = encodeEntity(ch)) {
            buf += C('&');
            appendAscii(buf, e->name);
            buf += C(';');
        } else {
            appendAscii(buf, "&#");
            appendDecimal(buf, c);
            buf += C(';');
        }
    }
    return bCoded;
}

// ----- decoders ------------------------------------------------------------------------------

template <class C, class Sink>
bool unescapeBackslash(const C* s, int len, Sink& out)
{
    bool bCoded = false;
    int i = 0;
    while (i < len) {
        const C ch = s[i];
        if (codeOf(ch) != '\\' || i + 1 >= len) {
            out.ch(ch);
            ++i;
            continue;
        }
        const C next = s[i + 1];
        i += 2;
        bCoded = true;
        switch (codeOf(next)) {
        case 'n':
            out.byte('\n');
            break;
        case 'r':
            out.byte('\r');
            break;
        case 't':
            out.byte('\t');
            break;
        case '0': {
            unsigned value = 0;
            for (int k = 0; k < 3 && i < len && codeOf(s[i]) >= '0' && codeOf(s[i]) <= '7'; ++k, ++i)
                value = value * 8 + (codeOf(s[i]) - '0');
            out.byte(value);
            break;
        }
        case 'x': {
            const int value = readHex(s, len, &i, 2);
            if (value < 0)
                out.ch(next);
            else
                out.byte(unsigned(value));
            break;
        }
        case 'u': {
            const int value = readHex(s, len, &i, 4);
            if (value < 0)
                out.ch(next);
            else
                out.unit(unsigned(value));
            break;
        }
        default:
            out.ch(next);
            break;
        }
    }
    return bCoded;
}

template <class C, class Sink>
bool unescapeUrl(const C* s, int len, Sink& out, bool bPlus)
{
    bool bCoded = false;
    int i = 0;
    while (i < len) {
        const C ch = s[i];
        if (bPlus && codeOf(ch) == '+') {
            out.byte(' ');
            bCoded = true;
            ++i;
            continue;
        }
        if (codeOf(ch) != '%' || i + 1 >= len) {
            out.ch(ch);
            ++i;
            continue;
        }
        const C next = s[i + 1];
        bCoded = true;
        if (hexDigit(codeOf(next)) >= 0) {
            ++i;
            out.byte(unsigned(readHex(s, len, &i, 2)));
            continue;
        }
        i += 2;
        if (codeOf(next) == 'u') {
            const int value = readHex(s, len, &i, 4);
            if (value < 0)
                out.ch(next);
            else
                out.unit(unsigned(value));
        } else {
            out.ch(next);
        }
    }
    return bCoded;
}

// The reference that begins with the & at s[i], decoded into out; false when it stays as it is.
// *pEnd: behind its semicolon.
template <class C, class Sink>
bool htmlReference(const C* s, int len, int i, Sink& out, int* pEnd)
{
    static constexpr int kMaxReference = 12;
    int j = i + 1;
    const bool bNumeric = j < len && codeOf(s[j]) == '#';
    if (bNumeric)
        ++j;
    while (j < len && j - (i + 1) <= kMaxReference && isAlnum(codeOf(s[j])))
        ++j;
    if (j >= len || codeOf(s[j]) != ';' || j - (i + 1) > kMaxReference)
        return false;
    if (bNumeric) {
        const int first = i + 2;
        if (j == first)
            return false;
        unsigned long long value = 0;
        for (int k = first; k < j; ++k) {
            const unsigned c = codeOf(s[k]);
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
        }
        // A code point beyond the 16-bit units cannot be one unit: keep the reference.
        if (value > 0xFFFF)
            return false;
        out.unit(unsigned(value));
    } else {
        char name[kMaxReference + 1];
        const int n = j - (i + 1);
        for (int k = 0; k < n; ++k)
            name[k] = char(codeOf(s[i + 1 + k]));
        const vbHtmlEntity* e = vbHtmlFindEntity(name, n);
        if (!e)
            return false;
        out.entity(*e);
    }
    *pEnd = j + 1;
    return true;
}

template <class C, class Sink>
bool unescapeHtml(const C* s, int len, Sink& out, bool bBr)
{
    bool bCoded = false;
    int i = 0;
    while (i < len) {
        const unsigned c = codeOf(s[i]);
        if (c == '&') {
            int end = 0;
            if (htmlReference(s, len, i, out, &end)) {
                bCoded = true;
                i = end;
                continue;
            }
        } else if (bBr && (c == '\r' || c == '\n')) {
            out.byte(' ');
            bCoded = true;
            i += (c == '\r' && i + 1 < len && codeOf(s[i + 1]) == '\n') ? 2 : 1;
            continue;
        } else if (bBr && c == '<' && i + 3 < len && (codeOf(s[i + 1]) | 0x20) == 'b'
            && (codeOf(s[i + 2]) | 0x20) == 'r' && codeOf(s[i + 3]) == '>') {
            out.byte('\r');
            out.byte('\n');
            bCoded = true;
            i += 4;
            continue;
        }
        out.ch(s[i]);
        ++i;
    }
    return bCoded;
}

// Runs a coder over a buffer of the output's character type and appends only when it coded.
template <class Out, class C, class F>
bool codeInto(const C* s, int len, Out* out, F&& coder)
{
    if (!s || !out || len < 1)
        return false;
    std::basic_string<C> buf;
    return appendResult(coder(buf), buf, out);
}

} // namespace

// ----- the exported forms ----------------------------------------------------------------------

bool vbEscape(const char* s, int len, vbString* out, const char* extra, const char* keep, bool bUnicode)
{
    return codeInto(s, len, out, [&](Bytes& buf) { return escapeBackslash(s, len, buf, extra, keep, bUnicode); });
}

bool vbEscape(const char* s, int len, vbString* out, const char* extra, const char* keep)
{
    return vbEscape(s, len, out, extra, keep, false);
}

bool vbEscape(const WCHAR* s, int len, vbBSTR* out, const WCHAR* extra, const WCHAR* keep, bool bUnicode)
{
    return codeInto(s, len, out, [&](Units& buf) { return escapeBackslash(s, len, buf, extra, keep, bUnicode); });
}

bool vbEscape(const WCHAR* s, int len, vbBSTR* out, const WCHAR* extra, const WCHAR* keep)
{
    return vbEscape(s, len, out, extra, keep, false);
}

bool vbUnescape(const char* s, int len, vbString* out, unsigned int codePage)
{
    return codeInto(s, len, out, [&](Bytes& buf) {
        ByteSink sink{buf, codePage};
        return unescapeBackslash(s, len, sink);
    });
}

bool vbUnescape(const WCHAR* s, int len, vbBSTR* out)
{
    return codeInto(s, len, out, [&](Units& buf) {
        UnitSink sink{buf};
        return unescapeBackslash(s, len, sink);
    });
}

bool vbUrlEscape(const char* s, int len, vbString* out, const char* extra, const char* keep, bool bUnicode)
{
    return codeInto(s, len, out, [&](Bytes& buf) { return escapeUrl(s, len, buf, extra, keep, bUnicode); });
}

bool vbUrlEscape(const WCHAR* s, int len, vbBSTR* out, const WCHAR* extra, const WCHAR* keep, bool bUnicode)
{
    return codeInto(s, len, out, [&](Units& buf) { return escapeUrl(s, len, buf, extra, keep, bUnicode); });
}

bool vbUrlUnescape(const char* s, int len, vbString* out, unsigned int codePage, bool bPlus)
{
    return codeInto(s, len, out, [&](Bytes& buf) {
        ByteSink sink{buf, codePage};
        return unescapeUrl(s, len, sink, bPlus);
    });
}

bool vbUrlUnescape(const WCHAR* s, int len, vbBSTR* out, bool bPlus)
{
    return codeInto(s, len, out, [&](Units& buf) {
        UnitSink sink{buf};
        return unescapeUrl(s, len, sink, bPlus);
    });
}

bool vbHtmlEscape(const char* s, int len, vbString* out, const char* extra, const char* keep, bool bBr)
{
    return codeInto(s, len, out, [&](Bytes& buf) { return escapeHtml(s, len, buf, extra, keep, bBr); });
}

bool vbHtmlEscape(const WCHAR* s, int len, vbBSTR* out, const WCHAR* extra, const WCHAR* keep, bool bBr)
{
    return codeInto(s, len, out, [&](Units& buf) { return escapeHtml(s, len, buf, extra, keep, bBr); });
}

bool vbHtmlUnescape(const char* s, int len, vbString* out, bool bBr, unsigned int codePage)
{
    return codeInto(s, len, out, [&](Bytes& buf) {
        ByteSink sink{buf, codePage};
        return unescapeHtml(s, len, sink, bBr);
    });
}

bool vbHtmlUnescape(const WCHAR* s, int len, vbBSTR* out, bool bBr)
{
    return codeInto(s, len, out, [&](Units& buf) {
        UnitSink sink{buf};
        return unescapeHtml(s, len, sink, bBr);
    });
}

vbString vbEscape(const vbString& s, bool* pFlag)
{
    if (pFlag)
        *pFlag = false;
    vbString out;
    if (vbEscape(s.c_str(), s.GetLength(), &out, nullptr, nullptr, false))
        return out;
    return s;
}

vbString vbUnescape(const vbString& s)
{
    vbString out;
    if (vbUnescape(s.c_str(), s.GetLength(), &out, 0))
        return out;
    return s;
}
