// The wide string in its two kinds: system strings, and main-heap blocks of a 32-bit length, the
// characters and a 0 character (n x 2 + 6 bytes).

#include "vbBSTR.h"

#include "memory/vbMainBlock.h"

#include "vbCodePage.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbString.h"

#include "plat/codepage.h"
#include "plat/errors.h"
#include "plat/resource.h"

#include <cstring>
#include <utility>

namespace {

constexpr int kPrefix = 4;

const char* const kNullCounted = "vbBSTR::vbBSTR(LPCWSTR pszStr, int nSize) : pszStr is null";
const char* const kFailCounted = "vbBSTR::vbBSTR(LPCWSTR pszStr, int nSize)";
const char* const kFailSized = "vbBSTR::vbBSTR(int nSize)";
const char* const kFailCopy = "vbBSTR::Copy()";
const char* const kFailAppend = "vbBSTR::Append(LPCWSTR lpsz, int nLen) : not enough memory";
const char* const kFailLength = "vbBSTR::SetLength(int nLen) : not enough memory";

bool sysKind(vbAllocHeap h) { return h == vbAllocSysString; }

char* heapBlock(BSTR p) { return reinterpret_cast<char*>(p) - kPrefix; }

int lengthOf(vbAllocHeap h, BSTR p) noexcept
{
    if (!p)
        return 0;
    if (sysKind(h))
        return static_cast<int>(SysStringLen(p));
    int32_t n;
    std::memcpy(&n, heapBlock(p), sizeof n);
    return n;
}

int64_t heapBytes(int n) { return static_cast<int64_t>(n) * 2 + kPrefix + 2; }

// A new text of kind h: n characters of p, or n 0 characters when p is null.
BSTR newText(vbAllocHeap h, const WCHAR* p, int n, const char* failMsg)
{
    if (n < 0)
        throw new vbEsys(E_OUTOFMEMORY, failMsg);
    if (sysKind(h)) {
        BSTR s = SysAllocStringLen(p, static_cast<UINT>(n));
        if (!s)
            throw new vbEsys(E_OUTOFMEMORY, failMsg);
        return s;
    }
    char* block = static_cast<char*>(vbImpl::mainBlockAlloc(heapBytes(n), failMsg));
    int32_t len = n;
    std::memcpy(block, &len, sizeof len);
    BSTR s = reinterpret_cast<BSTR>(block + kPrefix);
    if (p)
        std::memcpy(s, p, static_cast<size_t>(n) * 2);
    else
        std::memset(s, 0, static_cast<size_t>(n) * 2);
    s[n] = 0;
    return s;
}

void freeText(vbAllocHeap h, BSTR p) noexcept
{
    if (!p)
        return;
    if (sysKind(h))
        SysFreeString(p);
    else
        vbImpl::mainBlockFree(heapBlock(p));
}

int unitsOf(const WCHAR* p)
{
    int n = 0;
    while (p[n])
        ++n;
    return n;
}

int compareUnits(const WCHAR* a, const WCHAR* b)
{
    for (;; ++a, ++b) {
        if (*a != *b)
            return *a < *b ? -1 : 1;
        if (!*a)
            return 0;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// construction

vbBSTR::vbBSTR() noexcept : m_pText(nullptr), m_flags(kSysForm | kOwned) { }

vbBSTR::vbBSTR(vbAllocHeap h) noexcept : vbBSTR() { setKind(h); }

vbBSTR::vbBSTR(int n, bool bFill, WCHAR c) : vbBSTR(vbAllocSysString, n, bFill, c) { }

vbBSTR::vbBSTR(vbAllocHeap h, int n, bool bFill, WCHAR c) : vbBSTR(h)
{
    m_pText = newText(GetAllocHeap(), nullptr, n, kFailSized);
    if (bFill)
        for (int i = 0; i < n; ++i)
            m_pText[i] = c;
}

vbBSTR::vbBSTR(const WCHAR* p, int n) : vbBSTR(vbAllocSysString, p, n) { }

vbBSTR::vbBSTR(vbAllocHeap h, const WCHAR* p, int n) : vbBSTR(h) { assign(p, n, kNullCounted, kFailCounted); }

vbBSTR::vbBSTR(const WCHAR* p) : vbBSTR()
{
    if (p)
        assign(p, unitsOf(p), kNullCounted, "vbBSTR::vbBSTR(LPCWSTR pszStr)");
}

vbBSTR::vbBSTR(vbAllocHeap h, const WCHAR* p) : vbBSTR(h)
{
    if (p)
        assign(p, unitsOf(p), kNullCounted, kFailCounted);
}

vbBSTR::vbBSTR(const vbBSTR& o) : vbBSTR(vbAllocSysString, o) { }

vbBSTR::vbBSTR(vbAllocHeap h, const vbBSTR& o) : vbBSTR(h)
{
    if (o.m_pText)
        assign(o.m_pText, o.GetLength(), kNullCounted, kFailCopy);
}

vbBSTR::vbBSTR(const char* s) : vbBSTR() { Set(s); }

vbBSTR::vbBSTR(const char* s, int n) : vbBSTR() { Set(s, n); }

vbBSTR::vbBSTR(vbAllocHeap h, const char* s) : vbBSTR(h) { Set(s); }

vbBSTR::vbBSTR(vbAllocHeap h, const char* s, int n) : vbBSTR(h) { Set(s, n); }

vbBSTR::vbBSTR(DWORD codePage, const char* s) : vbBSTR() { Set(codePage, s); }

vbBSTR::vbBSTR(DWORD codePage, const char* s, int n) : vbBSTR() { Set(codePage, s, n); }

vbBSTR::vbBSTR(vbAllocHeap h, DWORD codePage, const char* s) : vbBSTR(h) { Set(codePage, s); }

vbBSTR::vbBSTR(vbAllocHeap h, DWORD codePage, const char* s, int n) : vbBSTR(h) { Set(codePage, s, n); }

vbBSTR::~vbBSTR()
{
    try {
        Clear();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    } catch (...) {
    }
}

// ---------------------------------------------------------------------------------------------
// setting

void vbBSTR::setKind(vbAllocHeap h) noexcept
{
    if (sysKind(h))
        m_flags |= kSysForm;
    else
        m_flags &= ~kSysForm;
}

vbAllocHeap vbBSTR::GetAllocHeap() const noexcept { return isSys() ? vbAllocSysString : vbAllocMainHeap; }

// The new text is made before the old one goes: p may point into it.
void vbBSTR::assign(const WCHAR* p, int n, const char* nullMsg, const char* failMsg)
{
    if (!p && n > 0)
        throw new vbEsys(E_POINTER, nullMsg);
    BSTR fresh = newText(GetAllocHeap(), p, n, failMsg);
    Clear();
    m_pText = fresh;
}

vbBSTR& vbBSTR::operator=(const vbBSTR& o)
{
    if (this != &o)
        Set(o);
    return *this;
}

vbBSTR& vbBSTR::operator=(const WCHAR* p)
{
    if (!p)
        Clear();
    else
        assign(p, unitsOf(p), kNullCounted, "vbBSTR::operator=(LPCWSTR pszStr)");
    return *this;
}

vbBSTR& vbBSTR::operator=(const char* s)
{
    Set(s);
    return *this;
}

void vbBSTR::Set(const WCHAR* p) { *this = p; }

void vbBSTR::Set(const WCHAR* p, int n) { assign(p, n, kNullCounted, kFailCounted); }

void vbBSTR::Set(const vbBSTR& o)
{
    if (this == &o)
        return;
    if (!o.m_pText)
        Clear();
    else
        assign(o.m_pText, o.GetLength(), kNullCounted, kFailCopy);
}

void vbBSTR::SetBSTR(vbAllocHeap h, BSTR p)
{
    if (!p)
        Clear();
    else
        assign(p, lengthOf(h, p), kNullCounted, kFailCopy);
}

void vbBSTR::assignConverted(DWORD codePage, const char* s, int n)
{
    if (!s)
        Clear();
    else
        vbCPconvert(codePage, s, n, this);
}

void vbBSTR::Set(const char* s) { assignConverted(CP_ACP, s, s ? static_cast<int>(std::strlen(s)) : 0); }

void vbBSTR::Set(const char* s, int n) { assignConverted(CP_ACP, s, n); }

void vbBSTR::Set(DWORD codePage, const char* s)
{
    assignConverted(codePage, s, s ? static_cast<int>(std::strlen(s)) : 0);
}

void vbBSTR::Set(DWORD codePage, const char* s, int n) { assignConverted(codePage, s, n); }

// ---------------------------------------------------------------------------------------------
// ownership

void vbBSTR::Attach(BSTR* pp)
{
    Clear();
    if (pp)
        m_pText = std::exchange(*pp, nullptr);
}

void vbBSTR::Attach(vbAllocHeap h, BSTR* pp)
{
    Clear();
    setKind(h);
    Attach(pp);
}

void vbBSTR::AttachEx(BSTR p)
{
    Clear();
    m_pText = p;
    m_flags &= ~kOwned;
}

void vbBSTR::AttachEx(vbAllocHeap h, BSTR p)
{
    Clear();
    setKind(h);
    AttachEx(p);
}

BSTR vbBSTR::Detach()
{
    OwnData();
    return std::exchange(m_pText, nullptr);
}

BSTR* vbBSTR::OwnData()
{
    if (!isOwned()) {
        if (m_pText)
            m_pText = newText(GetAllocHeap(), m_pText, GetLength(), kFailCopy);
        m_flags |= kOwned;
    }
    return &m_pText;
}

BSTR* vbBSTR::Addr()
{
    if (m_pText || !isOwned())
        throw new vbEsys(E_FAIL, "BSTR* vbBSTR::Addr() : bstr not empty !");
    return &m_pText;
}

BSTR vbBSTR::Copy() const { return Copy(GetAllocHeap()); }

BSTR vbBSTR::Copy(vbAllocHeap h) const { return m_pText ? newText(h, m_pText, GetLength(), kFailCopy) : nullptr; }

void vbBSTR::CopyTo(BSTR* pp) const
{
    if (!pp)
        throw new vbEsys(E_POINTER, "vbBSTR::CopyTo(BSTR* pbstr) : pbstr is NULL");
    *pp = Copy();
}

void vbBSTR::SetAllocHeap(vbAllocHeap h)
{
    if (sysKind(h) == isSys()) {
        OwnData();
        return;
    }
    BSTR fresh = Copy(h);
    Clear();
    setKind(h);
    m_pText = fresh;
}

void vbBSTR::Clear()
{
    BSTR old = std::exchange(m_pText, nullptr);
    bool owned = isOwned();
    m_flags |= kOwned;
    if (owned)
        freeText(GetAllocHeap(), old);
}

// ---------------------------------------------------------------------------------------------
// queries and editing

int vbBSTR::GetLength() const noexcept { return lengthOf(GetAllocHeap(), m_pText); }

void vbBSTR::resize(int n, const char* failMsg)
{
    OwnData();
    int old = GetLength();
    if (m_pText && n == old)
        return;
    if (n < 0)
        throw new vbEsys(E_OUTOFMEMORY, failMsg);
    if (isSys() || !m_pText) {
        BSTR fresh = newText(GetAllocHeap(), nullptr, n, failMsg);
        if (m_pText)
            std::memcpy(fresh, m_pText, static_cast<size_t>(old < n ? old : n) * 2);
        Clear();
        m_pText = fresh;
        return;
    }
    char* block = static_cast<char*>(vbImpl::mainBlockReAlloc(heapBlock(m_pText), heapBytes(n), failMsg));
    int32_t len = n;
    std::memcpy(block, &len, sizeof len);
    m_pText = reinterpret_cast<BSTR>(block + kPrefix);
    if (n > old)
        std::memset(m_pText + old, 0, static_cast<size_t>(n - old) * 2);
    m_pText[n] = 0;
}

void vbBSTR::SetLength(int n) { resize(n, kFailLength); }

void vbBSTR::append(const WCHAR* p, int n, const char* failMsg)
{
    if (n <= 0)
        return;
    if (!p)
        throw new vbEsys(E_POINTER, "vbBSTR::Append(LPCWSTR lpsz, int nLen) : lpsz is null");
    OwnData();
    int old = GetLength();
    // The source may lie in this text, which may move.
    int64_t inside = m_pText && p >= m_pText && p < m_pText + old ? p - m_pText : -1;
    if (static_cast<int64_t>(old) + n > INT32_MAX / 2)
        throw new vbEsys(E_OUTOFMEMORY, failMsg);
    if (inside >= 0) {
        vbBSTR part(GetAllocHeap(), p, n);
        append(part.m_pText, n, failMsg);
        return;
    }
    resize(old + n, failMsg);
    std::memcpy(m_pText + old, p, static_cast<size_t>(n) * 2);
}

void vbBSTR::Append(const WCHAR* p, int n) { append(p, n, kFailAppend); }

void vbBSTR::Append(const vbBSTR& o) { append(o.m_pText, o.GetLength(), kFailAppend); }

void vbBSTR::Append(const WCHAR* p)
{
    if (p)
        append(p, unitsOf(p), kFailAppend);
}

vbBSTR& vbBSTR::operator+=(const vbBSTR& o)
{
    Append(o);
    return *this;
}

void vbBSTR::AppendBSTR(vbAllocHeap h, BSTR p) { append(p, lengthOf(h, p), kFailAppend); }

void vbBSTR::Append(const char* s) { Append(CP_ACP, s); }

void vbBSTR::Append(const char* s, int n) { Append(CP_ACP, s, n); }

void vbBSTR::Append(DWORD codePage, const char* s)
{
    if (s)
        Append(codePage, s, static_cast<int>(std::strlen(s)));
}

void vbBSTR::Append(DWORD codePage, const char* s, int n)
{
    vbBSTR part(codePage, s, n);
    Append(part);
}

void vbBSTR::ToLower()
{
    OwnData();
    for (int i = 0, n = GetLength(); i < n; ++i)
        if (m_pText[i] >= u'A' && m_pText[i] <= u'Z')
            m_pText[i] = static_cast<WCHAR>(m_pText[i] - u'A' + u'a');
}

void vbBSTR::ToUpper()
{
    OwnData();
    for (int i = 0, n = GetLength(); i < n; ++i)
        if (m_pText[i] >= u'a' && m_pText[i] <= u'z')
            m_pText[i] = static_cast<WCHAR>(m_pText[i] - u'a' + u'A');
}

void vbBSTR::LoadFromRes(UINT id, const WCHAR* dflt, HINSTANCE hInst)
{
    constexpr int kChars = 512;
    // Room for the longest UTF-8 form of 511 characters.
    char buffer[kChars * 3];
    SetLastError(0);
    int n = LoadStringA(hInst, id, buffer, static_cast<int>(sizeof buffer));
    if (n > 0) {
        vbBSTR text(static_cast<DWORD>(CP_ACP), buffer, n);
        if (text.GetLength() > kChars - 1)
            text.SetLength(kChars - 1);
        Set(text);
        return;
    }
    if (!dflt)
        throw new vbEsys(true, HRESULT_FROM_WIN32(GetLastError()),
            "vbBSTR::LoadFromRes(UINT id=0x%lX,LPCSTR dflt,HINSTANCE hInst)", static_cast<unsigned long>(id));
    *this = dflt;
}

vbBSTR::operator vbString() const
{
    vbString out;
    if (m_pText)
        vbCPconvert(m_pText, GetLength(), CP_ACP, &out);
    return out;
}

bool vbBSTR::operator==(const WCHAR* p) const
{
    if (!m_pText || !p)
        return !m_pText && !p;
    return compareUnits(m_pText, p) == 0;
}

bool vbBSTR::operator<(const WCHAR* p) const
{
    if (!m_pText || !p)
        return !m_pText && p;
    return compareUnits(m_pText, p) < 0;
}

bool vbBSTR::operator==(const char* s) const { return *this == static_cast<const WCHAR*>(vbBSTR(s)); }

bool vbBSTR::operator<(const char* s) const { return *this < static_cast<const WCHAR*>(vbBSTR(s)); }
