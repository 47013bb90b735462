// The byte block: an exact-size main-heap block of a 32-bit length, the bytes and a 0 byte.

#include "vbData.h"

#include "memory/vbMainBlock.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbLog.h"
#include "vbString.h"

#include "plat/errors.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

constexpr int kHeader = 4;

// Room for the length field and the 0 byte after the bytes.
int64_t blockSize(int n) { return static_cast<int64_t>(n) + kHeader + 1; }

unsigned char* blockOf(unsigned char* p) { return p ? p - kHeader : nullptr; }

void setLengthField(unsigned char* p, int n) { std::memcpy(p - kHeader, &n, sizeof n); }

// Points to the bytes of a fresh block of n bytes (n >= 1), its length and end byte set.
unsigned char* newBlock(int n, const char* failMsg)
{
    auto* block = static_cast<unsigned char*>(vbImpl::mainBlockAlloc(blockSize(n), failMsg));
    unsigned char* p = block + kHeader;
    setLengthField(p, n);
    p[n] = 0;
    return p;
}

bool isInside(const unsigned char* block, int length, const void* p)
{
    auto* q = static_cast<const unsigned char*>(p);
    return block && q >= block && q < block + length;
}

unsigned char upper(unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c; }

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

vbData::vbData(const void* p, int n) : vbData() { SetData(p, n); }

vbData::vbData(char c, int n) : vbData() { SetData(c, n); }

vbData::vbData(const vbData& o) : vbData() { *this = o; }

vbData::vbData(vbData&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) { }

vbData::~vbData()
{
    try {
        Clear();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    } catch (...) {
    }
}

vbData& vbData::operator=(const vbData& o)
{
    if (this == &o)
        return *this;
    if (o.IsEmpty())
        Clear();
    else
        SetData(o.m_p, o.GetLength());
    return *this;
}

vbData& vbData::operator=(vbData&& o) noexcept
{
    if (this != &o) {
        unsigned char* old = std::exchange(m_p, std::exchange(o.m_p, nullptr));
        vbImpl::mainBlockFree(blockOf(old));
    }
    return *this;
}

int vbData::GetLength() const noexcept
{
    if (!m_p)
        return 0;
    int n;
    std::memcpy(&n, m_p - kHeader, sizeof n);
    return n;
}

// ---------------------------------------------------------------------------------------------
// setting

void vbData::resize(int n)
{
    if (n == 0) {
        Clear();
        return;
    }
    if (m_p && n == GetLength())
        return;
    auto* block = static_cast<unsigned char*>(
        vbImpl::mainBlockReAlloc(blockOf(m_p), blockSize(n), "vbData.SetLength() failure"));
    m_p = block + kHeader;
    setLengthField(m_p, n);
    m_p[n] = 0;
}

void vbData::SetLength(int n)
{
    if (n < 0)
        throw new vbEsys(E_INVALIDARG, "vbData.SetLength() failure");
    resize(n);
}

unsigned char* vbData::GetWritePtr(int n)
{
    SetLength(n);
    return m_p;
}

// A fresh block is filled before the old one goes, so p may point into this block.
void vbData::SetData(const void* p, int n)
{
    if (n < 1 || !p)
        throw new vbEsys(E_INVALIDARG, "vbData.SetData() failure");
    unsigned char* q = newBlock(n, "vbData.SetLength() failure");
    std::memcpy(q, p, static_cast<size_t>(n));
    vbImpl::mainBlockFree(blockOf(std::exchange(m_p, q)));
}

void vbData::SetData(const char* p, int n) { SetData(static_cast<const void*>(p), n); }

void vbData::SetData(char c, int n)
{
    if (n < 1)
        throw new vbEsys(E_INVALIDARG, "vbData.SetData() failure");
    resize(n);
    std::memset(m_p, static_cast<unsigned char>(c), static_cast<size_t>(n));
}

void vbData::Init(char c, int n)
{
    if (n < 1)
        throw new vbEsys(E_INVALIDARG, "vbData.Init() failure");
    resize(n);
    std::memset(m_p, static_cast<unsigned char>(c), static_cast<size_t>(n));
}

void vbData::WriteData(int i, const void* p, int n)
{
    if (n < 1)
        return;
    if (i < 1 || static_cast<int64_t>(i) + n - 1 > GetLength() || !p)
        throw new vbEsys(E_INVALIDARG, "vbData.WriteData() failure");
    std::memmove(m_p + i - 1, p, static_cast<size_t>(n));
}

void vbData::WriteData(int i, const char* p, int n) { WriteData(i, static_cast<const void*>(p), n); }

void vbData::WriteData(int i, int c, int n)
{
    if (n < 1)
        return;
    if (i < 1 || static_cast<int64_t>(i) + n - 1 > GetLength())
        throw new vbEsys(E_INVALIDARG, "vbData.WriteData() failure");
    std::memset(m_p + i - 1, static_cast<unsigned char>(c), static_cast<size_t>(n));
}

vbData& vbData::Clear()
{
    vbImpl::mainBlockFree(blockOf(std::exchange(m_p, nullptr)));
    return *this;
}

void vbData::Format(const char* fmt, ...)
{
    constexpr int kBuffer = 512;
    char buffer[kBuffer + 1];
    va_list args;
    va_start(args, fmt);
    int n = std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    if (n < 1 || n > kBuffer)
        throw new vbEsys(E_INVALIDARG, "vbData.Format() failure");
    SetData(buffer, n);
}

// ---------------------------------------------------------------------------------------------
// appending

void vbData::Add(const void* p, int n)
{
    if (n == 0)
        return;
    if (n < 0 || !p)
        throw new vbEsys(true, E_INVALIDARG, "vbData::Add(lg=%d) : bad arg", n);
    int length = GetLength();
    if (static_cast<int64_t>(length) + n > INT32_MAX - kHeader - 1)
        throw new vbEsys(E_OUTOFMEMORY, "vbData.SetLength() failure");
    // The source may be inside this block, which may move.
    int64_t inside = isInside(m_p, length, p) ? static_cast<const unsigned char*>(p) - m_p : -1;
    resize(length + n);
    const void* src = inside >= 0 ? m_p + inside : p;
    std::memmove(m_p + length, src, static_cast<size_t>(n));
}

void vbData::Add(const vbData& src, int n)
{
    if (n == 0)
        return;
    if (n > src.GetLength())
        throw new vbEsys(true, E_FAIL, "vbData::Add(datalg=%ld,lg=%ld) : data to write too small",
            static_cast<long>(src.GetLength()), static_cast<long>(n));
    Add(src.m_p, n);
}

vbData& vbData::operator<<(const vbData& src)
{
    Add(src.m_p, src.GetLength());
    return *this;
}

vbData& vbData::operator<<(const vbString& text)
{
    Add(text.c_str(), text.GetLength());
    return *this;
}

vbData& vbData::operator<<(int b)
{
    unsigned char byte = static_cast<unsigned char>(b);
    Add(&byte, 1);
    return *this;
}

void vbData::AddWord(int w)
{
    if (w < 0 || w > 0xFFFF)
        throw new vbEsys(E_FAIL, "vbData::AddWord() : word out of range");
    unsigned char bytes[4];
    int n = 0;
    for (unsigned char b : {static_cast<unsigned char>(w >> 8), static_cast<unsigned char>(w)}) {
        if (b == 0xFF)
            bytes[n++] = 0xFF;
        bytes[n++] = b;
    }
    Add(bytes, n);
}

void vbData::ParseStr(const char* s)
{
    if (!s)
        return;
    vbData bytes;
    unsigned char* out = nullptr;
    int count = 0;
    for (const char* c = s; *c;) {
        int high = hexValue(*c++);
        if (high < 0)
            continue;
        int low = hexValue(*c);
        int value = high;
        if (low >= 0) {
            value = high * 16 + low;
            ++c;
        }
        if (!out)
            out = bytes.GetWritePtr(static_cast<int>(std::strlen(s)));
        out[count++] = static_cast<unsigned char>(value);
    }
    if (count)
        Add(out, count);
}

// ---------------------------------------------------------------------------------------------
// reading and editing

unsigned char& vbData::operator[](int i)
{
    if (i < 1 || i > GetLength())
        throw new vbEsys(true, E_INVALIDARG, "vbData.operator[](%d) failure, bad index", i);
    return m_p[i - 1];
}

unsigned char vbData::operator[](int i) const
{
    if (i < 1 || i > GetLength())
        throw new vbEsys(true, E_INVALIDARG, "vbData.operator[](%d) const failure, bad index", i);
    return m_p[i - 1];
}

int vbData::GetWord(int i) const
{
    if (i < 1 || static_cast<int64_t>(i) + 1 > GetLength())
        throw new vbEsys(true, E_INVALIDARG, "vbData.GetWord(%d) failure, bad index", i);
    return m_p[i - 1] * 256 + m_p[i];
}

vbData vbData::Mid(int i, int n) const
{
    if (i < 1 || n < 0)
        throw new vbEsys(true, E_FAIL, "vbData::Mid(%d,%d) : bad arg", i, n);
    int length = GetLength();
    vbData out;
    if (i > length || n == 0)
        return out;
    int count = length - i + 1 < n ? length - i + 1 : n;
    out.SetData(m_p + i - 1, count);
    return out;
}

vbData vbData::Mid(int i) const
{
    if (i < 1)
        throw new vbEsys(true, E_FAIL, "vbData::Mid(%d) : bad arg", i);
    int length = GetLength();
    return i > length ? vbData() : Mid(i, length - i + 1);
}

void vbData::Delete(int i, int n)
{
    if (i < 1 || n < 0)
        throw new vbEsys(E_INVALIDARG, "vbData.Delete() failure");
    int length = GetLength();
    if (i > length || n == 0)
        return;
    int count = length - i + 1 < n ? length - i + 1 : n;
    std::memmove(m_p + i - 1, m_p + i - 1 + count, static_cast<size_t>(length - (i - 1) - count));
    resize(length - count);
}

void vbData::Attach(vbData* o)
{
    if (!o || o == this)
        return;
    Clear();
    m_p = std::exchange(o->m_p, nullptr);
}

void* vbData::Detach(vbData* o)
{
    unsigned char* p = std::exchange(m_p, nullptr);
    if (o && o != this) {
        o->Clear();
        o->m_p = p;
    }
    return blockOf(p);
}

int vbData::Compare(const vbData& o) const
{
    int a = GetLength(), b = o.GetLength();
    if (a != b)
        return a - b;
    if (a == 0)
        return 0;
    int r = std::memcmp(m_p, o.m_p, static_cast<size_t>(a));
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int vbData::PartialCompare(const vbData& o) const
{
    int a = GetLength(), b = o.GetLength();
    if (a < b)
        return a - b;
    if (b == 0)
        return 0;
    int r = std::memcmp(m_p, o.m_p, static_cast<size_t>(b));
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// free functions

vbData Mid(const vbData& data, int i, int n) { return data.Mid(i, n); }

vbData Mid(const vbData& data, int i) { return data.Mid(i); }

int InStr(int start, const vbData& data, const vbData& find, int bNoCase)
{
    if (start < 1)
        throw new vbEsys(true, E_FAIL, "InStr(vbData), bad start pos (=%d)", start);
    int length = data.GetLength();
    if (length == 0)
        return 0;
    int n = find.GetLength();
    if (n == 0)
        return start;
    auto* hay = static_cast<const unsigned char*>(static_cast<const void*>(data));
    auto* pat = static_cast<const unsigned char*>(static_cast<const void*>(find));
    // Every byte of the pattern is compared, 0 bytes included.
    for (int64_t pos = start; pos + n - 1 <= length; ++pos) {
        const unsigned char* at = hay + pos - 1;
        bool same = true;
        for (int k = 0; k < n && same; ++k)
            same = bNoCase ? upper(at[k]) == upper(pat[k]) : at[k] == pat[k];
        if (same)
            return static_cast<int>(pos);
    }
    return 0;
}

int InStr(int start, const vbData& data, unsigned char c, int bNoCase)
{
    if (start < 1)
        throw new vbEsys(true, E_FAIL, "InStr(vbData), bad start pos (=%d)", start);
    int length = data.GetLength();
    auto* hay = static_cast<const unsigned char*>(static_cast<const void*>(data));
    unsigned char want = bNoCase ? upper(c) : c;
    for (int pos = start; pos <= length; ++pos) {
        unsigned char b = hay[pos - 1];
        if ((bNoCase ? upper(b) : b) == want)
            return pos;
    }
    return 0;
}

void vbDataTrace(const char* title, const vbData& data)
{
    vbString text;
    text.Format("\n<%s>\n", title ? title : "");
    auto* p = static_cast<const unsigned char*>(static_cast<const void*>(data));
    int length = data.GetLength();
    bool pending = true;
    for (int i = 0; i < length; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02hX", static_cast<unsigned short>(p[i]));
        text += hex;
        pending = true;
        if ((i + 1) % 32 == 0) {
            vbRelOutput(text, true);
            text.Empty();
            pending = false;
        }
    }
    if (pending)
        vbRelOutput(text, true);
}
