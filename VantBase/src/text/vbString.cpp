// The string's storage and its editing members.

#include "vbString.h"

#include "vbException.h"

#include "plat/afx.h"

#include <atomic>
#include <cctype>
#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

// The block every string points into: a header, then the 0-terminated characters. The shared
// empty block is never freed (its count stays negative).
struct vbString::Data {
    std::atomic<int> refs;
    int length;
    int alloc;

    char* chars() noexcept { return reinterpret_cast<char*>(this + 1); }
};

namespace {

// The shared empty block: constant-initialised, so strings made by other static objects before
// this file's initialisation already find it.
struct EmptyRep {
    vbString::Data header;
    char terminator;
};
constinit EmptyRep g_empty{{{-1}, 0, 0}, '\0'};
static_assert(offsetof(EmptyRep, terminator) == sizeof(vbString::Data));

char* emptyChars() noexcept { return &g_empty.terminator; }

vbString::Data* allocData(int alloc)
{
    if (alloc < 0)
        AfxThrowMemoryException();
    void* p = std::malloc(sizeof(vbString::Data) + static_cast<size_t>(alloc) + 1);
    if (!p)
        AfxThrowMemoryException();
    return new (p) vbString::Data{{1}, 0, alloc};
}

bool isWhite(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

char upperAscii(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char lowerAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int clampLength(size_t n)
{
    if (n > static_cast<size_t>(INT_MAX - 64))
        AfxThrowMemoryException();
    return static_cast<int>(n);
}

} // namespace

vbString::Data* vbString::data() const noexcept { return reinterpret_cast<Data*>(m_pch) - 1; }

void vbString::release() noexcept
{
    Data* d = data();
    if (d->refs.load(std::memory_order_relaxed) >= 0 && d->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        d->~Data();
        std::free(d);
    }
    m_pch = emptyChars();
}

// The text becomes a private block with room for at least minAlloc characters; the current
// characters (as many as fit) are kept.
void vbString::makeUnique(int minAlloc)
{
    Data* d = data();
    bool shared = d->refs.load(std::memory_order_acquire) != 1;
    if (!shared && d->alloc >= minAlloc)
        return;
    int alloc = minAlloc;
    if (!shared && alloc < d->alloc + d->alloc / 2)
        alloc = d->alloc + d->alloc / 2; // grow geometrically when appending to a private block
    Data* nd = allocData(alloc);
    int keep = d->length < alloc ? d->length : alloc;
    std::memcpy(nd->chars(), m_pch, static_cast<size_t>(keep));
    nd->chars()[keep] = '\0';
    nd->length = keep;
    release();
    m_pch = nd->chars();
}

void vbString::assign(const char* s, int len)
{
    if (!s || len <= 0) {
        Empty();
        return;
    }
    // s may point into this string's own block: build the new block before letting go.
    Data* nd = allocData(len);
    std::memcpy(nd->chars(), s, static_cast<size_t>(len));
    nd->chars()[len] = '\0';
    nd->length = len;
    release();
    m_pch = nd->chars();
}

vbString::vbString() noexcept : m_pch(emptyChars()) { }

vbString::vbString(const vbString& other) noexcept : m_pch(other.m_pch)
{
    Data* d = data();
    if (d->refs.load(std::memory_order_relaxed) >= 0)
        d->refs.fetch_add(1, std::memory_order_relaxed);
}

vbString::vbString(vbString&& other) noexcept : m_pch(other.m_pch) { other.m_pch = emptyChars(); }

vbString::vbString(const char* s) : m_pch(emptyChars())
{
    if (s)
        assign(s, clampLength(std::strlen(s)));
}

vbString::vbString(const unsigned char* s) : vbString(reinterpret_cast<const char*>(s)) { }

vbString::vbString(const char* s, int len) : m_pch(emptyChars()) { assign(s, len); }

vbString::vbString(char c, int n) : m_pch(emptyChars())
{
    if (n > 0) {
        makeUnique(n);
        std::memset(m_pch, c, static_cast<size_t>(n));
        m_pch[n] = '\0';
        data()->length = n;
    }
}

vbString::~vbString() { release(); }

vbString& vbString::operator=(const vbString& other) noexcept
{
    if (m_pch != other.m_pch) {
        vbString copy(other);
        std::swap(m_pch, copy.m_pch);
    }
    return *this;
}

vbString& vbString::operator=(vbString&& other) noexcept
{
    std::swap(m_pch, other.m_pch);
    return *this;
}

vbString& vbString::operator=(const char* s)
{
    if (!s)
        Empty();
    else
        assign(s, clampLength(std::strlen(s)));
    return *this;
}

vbString& vbString::operator=(char c)
{
    assign(&c, 1);
    return *this;
}

int vbString::GetLength() const noexcept { return data()->length; }

void vbString::Empty() noexcept { release(); }

char* vbString::GetBuffer(int minLength)
{
    int len = GetLength();
    makeUnique(minLength > len ? minLength : len);
    return m_pch;
}

char* vbString::GetBufferSetLength(int length)
{
    if (length < 0)
        length = 0;
    GetBuffer(length);
    m_pch[length] = '\0';
    data()->length = length;
    return m_pch;
}

void vbString::ReleaseBuffer(int newLength)
{
    Data* d = data();
    if (d->refs.load(std::memory_order_relaxed) < 0)
        return; // nothing was locked: an empty string's buffer is the shared empty block
    if (newLength < 0)
        newLength = static_cast<int>(strnlen(m_pch, static_cast<size_t>(d->alloc)));
    if (newLength > d->alloc)
        newLength = d->alloc;
    d->length = newLength;
    m_pch[newLength] = '\0';
}

void vbString::OwnData() { makeUnique(GetLength()); }

vbString vbString::Left(int count) const
{
    if (count <= 0)
        return vbString();
    if (count >= GetLength())
        return *this;
    return vbString(m_pch, count);
}

vbString vbString::Right(int count) const
{
    int len = GetLength();
    if (count <= 0)
        return vbString();
    if (count >= len)
        return *this;
    return vbString(m_pch + len - count, count);
}

void vbString::MakeUpper()
{
    OwnData();
    for (char* p = m_pch; *p; ++p)
        *p = upperAscii(*p);
}

void vbString::MakeLower()
{
    OwnData();
    for (char* p = m_pch; *p; ++p)
        *p = lowerAscii(*p);
}

void vbString::MakeReverse()
{
    OwnData();
    int len = GetLength();
    for (int i = 0, j = len - 1; i < j; ++i, --j)
        std::swap(m_pch[i], m_pch[j]);
}

int vbString::Compare(const char* s) const { return std::strcmp(m_pch, s ? s : ""); }

int vbString::CompareNoCase(const char* s) const
{
    const unsigned char* a = reinterpret_cast<const unsigned char*>(m_pch);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(s ? s : "");
    for (;; ++a, ++b) {
        int ca = static_cast<unsigned char>(lowerAscii(static_cast<char>(*a)));
        int cb = static_cast<unsigned char>(lowerAscii(static_cast<char>(*b)));
        if (ca != cb || ca == 0)
            return ca - cb;
    }
}

int vbString::Replace(char oldChar, char newChar)
{
    int count = 0;
    if (oldChar == newChar || !std::memchr(m_pch, oldChar, static_cast<size_t>(GetLength())))
        return 0;
    OwnData();
    int len = GetLength();
    for (int i = 0; i < len; ++i)
        if (m_pch[i] == oldChar) {
            m_pch[i] = newChar;
            ++count;
        }
    return count;
}

int vbString::Replace(const char* oldText, const char* newText)
{
    if (!oldText || !*oldText)
        return 0;
    if (!newText)
        newText = "";
    size_t oldLen = std::strlen(oldText);
    vbString result;
    int count = 0;
    const char* p = m_pch;
    for (const char* hit = std::strstr(p, oldText); hit; hit = std::strstr(p, oldText)) {
        result.Add(p, static_cast<int>(hit - p));
        result += newText;
        p = hit + oldLen;
        ++count;
    }
    if (count) {
        result += p;
        *this = std::move(result);
    }
    return count;
}

int vbString::Remove(char c)
{
    if (!std::memchr(m_pch, c, static_cast<size_t>(GetLength())))
        return 0;
    OwnData();
    int len = GetLength();
    int j = 0;
    for (int i = 0; i < len; ++i)
        if (m_pch[i] != c)
            m_pch[j++] = m_pch[i];
    m_pch[j] = '\0';
    data()->length = j;
    return len - j;
}

namespace {

template <class Pred>
void trimEnds(vbString& s, bool left, bool right, Pred pred)
{
    const char* p = s;
    int len = s.GetLength();
    int b = 0;
    int e = len;
    if (left)
        while (b < e && pred(p[b]))
            ++b;
    if (right)
        while (e > b && pred(p[e - 1]))
            --e;
    if (b != 0 || e != len)
        s = vbString(p + b, e - b);
}

bool inSet(const char* set, char c) noexcept { return set && c != '\0' && std::strchr(set, c) != nullptr; }

} // namespace

void vbString::TrimLeft() { trimEnds(*this, true, false, isWhite); }
void vbString::TrimLeft(char c) { trimEnds(*this, true, false, [c](char x) { return x == c; }); }
void vbString::TrimLeft(const char* set) { trimEnds(*this, true, false, [set](char x) { return inSet(set, x); }); }
void vbString::TrimRight() { trimEnds(*this, false, true, isWhite); }
void vbString::TrimRight(char c) { trimEnds(*this, false, true, [c](char x) { return x == c; }); }
void vbString::TrimRight(const char* set) { trimEnds(*this, false, true, [set](char x) { return inSet(set, x); }); }
void vbString::Trim() { trimEnds(*this, true, true, isWhite); }
void vbString::Trim(char c) { trimEnds(*this, true, true, [c](char x) { return x == c; }); }
void vbString::Trim(const char* set) { trimEnds(*this, true, true, [set](char x) { return inSet(set, x); }); }

void vbString::Format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    FormatV(fmt, args);
    va_end(args);
}

void vbString::FormatV(const char* fmt, va_list args)
{
    if (!fmt) {
        Empty();
        return;
    }
    va_list probe;
    va_copy(probe, args);
    int n = std::vsnprintf(nullptr, 0, fmt, probe);
    va_end(probe);
    if (n <= 0) {
        Empty();
        return;
    }
    vbString out;
    char* buf = out.GetBuffer(n);
    std::vsnprintf(buf, static_cast<size_t>(n) + 1, fmt, args);
    out.ReleaseBuffer(n);
    *this = std::move(out);
}

void vbString::setFormatted(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    FormatV(fmt, args);
    va_end(args);
}

vbString& vbString::operator+=(const vbString& s)
{
    if (IsEmpty())
        return *this = s;
    Add(s.m_pch, s.GetLength());
    return *this;
}

vbString& vbString::operator+=(const char* s)
{
    if (s)
        Add(s, clampLength(std::strlen(s)));
    return *this;
}

vbString& vbString::operator+=(char c)
{
    Add(&c, 1);
    return *this;
}

vbString operator+(const vbString& a, const vbString& b)
{
    vbString r(a);
    r += b;
    return r;
}

vbString operator+(const vbString& a, const char* b)
{
    vbString r(a);
    r += b;
    return r;
}

vbString operator+(const char* a, const vbString& b)
{
    vbString r(a);
    r += b;
    return r;
}

vbString operator+(const vbString& a, char b)
{
    vbString r(a);
    r += b;
    return r;
}

vbString operator+(char a, const vbString& b)
{
    vbString r(a, 1);
    r += b;
    return r;
}

// ---------------------------------------------------------------------------------------------
// 1-based members

char vbString::GetAt(int i) const
{
    if (i < 1 || i > GetLength())
        throw new vbEsys(true, "vbString::GetAt(%d) : bad index", i);
    return m_pch[i - 1];
}

char vbString::operator[](int i) const { return GetAt(i); }

void vbString::SetAt(int i, char c)
{
    if (i < 1 || i > GetLength())
        throw new vbEsys(true, "vbString::SetAt(%d) : bad index", i);
    OwnData();
    m_pch[i - 1] = c;
}

vbString vbString::Mid(int start, int count) const
{
    if (start < 1 || count < 0)
        throw new vbEsys(true, "vbString::Mid(%d,%d) : bad arg", start, count);
    int len = GetLength();
    if (start > len || count == 0)
        return vbString();
    int avail = len - (start - 1);
    if (count > avail)
        count = avail;
    if (start == 1 && count == len)
        return *this;
    return vbString(m_pch + start - 1, count);
}

vbString vbString::Mid(int start) const
{
    if (start < 1)
        throw new vbEsys(true, "vbString::Mid(%d) : bad arg", start);
    int len = GetLength();
    if (start > len)
        return vbString();
    if (start == 1)
        return *this;
    return vbString(m_pch + start - 1, len - (start - 1));
}

int vbString::Insert(int i, char c)
{
    if (i < 1)
        throw new vbEsys(true, "vbString::Insert(%d) : bad index", i);
    int len = GetLength();
    if (i > len + 1)
        i = len + 1;
    makeUnique(len + 1);
    std::memmove(m_pch + i, m_pch + i - 1, static_cast<size_t>(len - (i - 1)) + 1);
    m_pch[i - 1] = c;
    data()->length = len + 1;
    return len + 1;
}

int vbString::Insert(int i, const char* s)
{
    if (i < 1)
        throw new vbEsys(true, "vbString::Insert(%d) : bad index", i);
    int len = GetLength();
    int n = s ? clampLength(std::strlen(s)) : 0;
    if (n == 0)
        return len;
    if (i > len + 1)
        i = len + 1;
    vbString ins(s, n); // s may lie inside this string
    makeUnique(len + n);
    std::memmove(m_pch + i - 1 + n, m_pch + i - 1, static_cast<size_t>(len - (i - 1)) + 1);
    std::memcpy(m_pch + i - 1, ins.m_pch, static_cast<size_t>(n));
    data()->length = len + n;
    return len + n;
}

int vbString::Delete(int i, int count)
{
    if (i < 1 || count < 0)
        throw new vbEsys(true, "vbString::Delete(%d,%d) : bad arg", i, count);
    int len = GetLength();
    if (i > len || count == 0)
        return len;
    int avail = len - (i - 1);
    if (count > avail)
        count = avail;
    OwnData();
    std::memmove(m_pch + i - 1, m_pch + i - 1 + count, static_cast<size_t>(avail - count) + 1);
    data()->length = len - count;
    return len - count;
}

int vbString::Find(char c) const
{
    const void* p = std::memchr(m_pch, c, static_cast<size_t>(GetLength()));
    return p ? static_cast<int>(static_cast<const char*>(p) - m_pch) + 1 : 0;
}

int vbString::Find(const char* s) const
{
    if (!s)
        return 0;
    const char* p = std::strstr(m_pch, s);
    return p ? static_cast<int>(p - m_pch) + 1 : 0;
}

int vbString::Find(char c, int start) const
{
    if (start < 1)
        throw new vbEsys(true, "vbString::Find(start=%d) : bad index", start);
    int len = GetLength();
    if (start > len)
        return 0;
    const void* p = std::memchr(m_pch + start - 1, c, static_cast<size_t>(len - (start - 1)));
    return p ? static_cast<int>(static_cast<const char*>(p) - m_pch) + 1 : 0;
}

int vbString::Find(const char* s, int start) const
{
    if (start < 1)
        throw new vbEsys(true, "vbString::Find(start=%d) : bad index", start);
    if (!s || start > GetLength())
        return 0;
    const char* p = std::strstr(m_pch + start - 1, s);
    return p ? static_cast<int>(p - m_pch) + 1 : 0;
}

int vbString::ReverseFind(char c) const
{
    for (int i = GetLength(); i >= 1; --i)
        if (m_pch[i - 1] == c)
            return i;
    return 0;
}

int vbString::FindOneOf(const char* set) const
{
    if (!set || !*set)
        return 0;
    size_t n = std::strcspn(m_pch, set);
    return n < static_cast<size_t>(GetLength()) ? static_cast<int>(n) + 1 : 0;
}

// Longer texts are cut to their first len characters either way; shorter ones are filled with c
// on the right (Pad) or in front (PadLeft).
vbString& vbString::pad(int len, char c, bool bLeft)
{
    int cur = GetLength();
    if (len < 0)
        len = 0;
    if (cur > len) {
        SetLength(len);
    } else if (cur < len) {
        makeUnique(len);
        char* fill = m_pch + cur;
        if (bLeft) {
            std::memmove(m_pch + (len - cur), m_pch, static_cast<size_t>(cur));
            fill = m_pch;
        }
        std::memset(fill, c, static_cast<size_t>(len - cur));
        m_pch[len] = '\0';
        data()->length = len;
    }
    return *this;
}

vbString& vbString::Pad(int len, char c) { return pad(len, c, false); }
vbString& vbString::PadLeft(int len, char c) { return pad(len, c, true); }

void vbString::Add(const char* s, int n)
{
    if (!s || n <= 0)
        return;
    int len = GetLength();
    if (n > INT_MAX - 64 - len)
        AfxThrowMemoryException();
    if (s >= m_pch && s <= m_pch + len) {
        vbString copy(s, n); // appending a piece of ourselves
        Add(copy.m_pch, n);
        return;
    }
    makeUnique(len + n);
    std::memcpy(m_pch + len, s, static_cast<size_t>(n));
    m_pch[len + n] = '\0';
    data()->length = len + n;
}

void vbString::Set(const char* s, int n) { assign(s, n); }

void vbString::SetLength(int n)
{
    if (n <= 0) {
        Empty();
        return;
    }
    int len = GetLength();
    makeUnique(n);
    if (n > len)
        std::memset(m_pch + len, ' ', static_cast<size_t>(n - len));
    m_pch[n] = '\0';
    data()->length = n;
}

bool vbString::ToBool() const noexcept
{
    char c = upperAscii(m_pch[0]);
    return c == 'T' || c == 'Y' || c == '1';
}

// ---------------------------------------------------------------------------------------------

vbString vbTrimmed(const vbString& s)
{
    vbString r(s);
    r.Trim();
    return r;
}

vbString vbTrimmed(const char* s)
{
    vbString r(s);
    r.Trim();
    return r;
}

int vbStringToInt(const vbString& s) { return s.IsEmpty() ? 0 : std::atoi(s); }

int vbSortStringNC(const vbString& a, const vbString& b) { return a.CompareNoCase(b); }
