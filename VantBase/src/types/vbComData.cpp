// COM task-memory blocks.

#include "vbComData.h"

#include "vbData.h"
#include "vbException.h"
#include "vbString.h"

#include "plat/codepage.h"
#include "plat/com.h"
#include "plat/errors.h"

#include <climits>
#include <cstring>
#include <utility>

namespace {

const char* const kNoMemory = "vbComData::vbComData(ulong sz) : not enough memory";

int wideUnits(const WCHAR* p, size_t max)
{
    size_t n = 0;
    while (n < max && p[n])
        ++n;
    return static_cast<int>(n);
}

} // namespace

vbComData::vbComData(ULONG sz) : vbComData() { SetLength(sz); }

vbComData::vbComData(const char* text) : vbComData() { SetString(text); }

vbComData::vbComData(const WCHAR* text) : vbComData() { SetString(text); }

vbComData::~vbComData()
{
    if (m_p)
        CoTaskMemFree(m_p);
}

WCHAR* vbComData::Detach()
{
    if (!m_p)
        throw new vbEsys(E_FAIL, "vbComData::Detach() : no associated memory bloc");
    m_length = 0;
    return static_cast<WCHAR*>(std::exchange(m_p, nullptr));
}

void vbComData::Attach(WCHAR* p, ULONG length)
{
    if (m_p && m_p != p)
        CoTaskMemFree(m_p);
    m_p = p;
    m_length = p ? length : 0;
}

vbComData::operator WCHAR*() const
{
    if (!m_p)
        throw new vbEsys(E_FAIL, "vbComData::operator wchar*() : no associated memory bloc");
    return static_cast<WCHAR*>(m_p);
}

vbComData::operator unsigned char*() const
{
    if (!m_p)
        throw new vbEsys(E_FAIL, "vbComData::operator uchar*() : no associated memory bloc");
    return static_cast<unsigned char*>(m_p);
}

void vbComData::SetLength(ULONG n)
{
    if (n == m_length && (m_p || n == 0))
        return;
    if (n == 0) {
        CoTaskMemFree(std::exchange(m_p, nullptr));
        m_length = 0;
        return;
    }
    void* p = m_p ? CoTaskMemRealloc(m_p, n) : CoTaskMemAlloc(n);
    if (!p)
        throw new vbEsys(E_OUTOFMEMORY, kNoMemory);
    m_p = p;
    m_length = n;
}

void vbComData::SetString(const char* text)
{
    int len = text ? static_cast<int>(strnlen(text, INT_MAX)) : 0;
    if (len == 0)
        return;
    int count = MultiByteToWideChar(CP_ACP, 0, text, len, nullptr, 0);
    if (count <= 0)
        throw new vbEsys(E_FAIL, "vbComData::SetCString(char *ptr) : UNICODE conversion failure (1) !");
    SetLength(static_cast<ULONG>(count) * 2 + 2);
    auto* w = static_cast<WCHAR*>(m_p);
    int written = MultiByteToWideChar(CP_ACP, 0, text, len, w, count);
    if (written <= 0)
        throw new vbEsys(E_FAIL, "vbComData::SetCString(char *ptr) : UNICODE conversion failure (2) !");
    w[written] = 0;
}

void vbComData::SetString(const WCHAR* text)
{
    int len = text ? wideUnits(text, INT_MAX / 2) : 0;
    SetLength(static_cast<ULONG>(len) * 2 + 2);
    auto* w = static_cast<WCHAR*>(m_p);
    if (len)
        std::memcpy(w, text, static_cast<size_t>(len) * 2);
    w[len] = 0;
}

vbString vbComData::GetString() const
{
    if (!m_p)
        throw new vbEsys(E_FAIL, "vbComData::GetString() : empty");
    // The text ends at its terminator, or at the end of the block when it has none.
    auto* w = static_cast<const WCHAR*>(m_p);
    int units = wideUnits(w, m_length / 2);
    if (units == 0)
        return vbString();
    int n = WideCharToMultiByte(CP_ACP, 0, w, units, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        throw new vbEsys(E_FAIL, "vbComData::GetString() : unicode conversion failure (length) !");
    vbData buffer;
    auto* out = reinterpret_cast<char*>(buffer.GetWritePtr(n + 1));
    int written = WideCharToMultiByte(CP_ACP, 0, w, units, out, n, nullptr, nullptr);
    if (written <= 0)
        throw new vbEsys(E_FAIL, "vbComData::GetString() : unicode conversion failure (cvt) !");
    return vbString(out, written);
}
