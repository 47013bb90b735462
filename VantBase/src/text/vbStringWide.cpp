// Strings from and to wide text in a code page.

#include "vbString.h"

#include "plat/afx.h"
#include "plat/codepage.h"
#include "plat/oleauto.h"

namespace {

int wideLength(const WCHAR* w)
{
    int n = 0;
    while (w[n])
        ++n;
    return n;
}

} // namespace

// The converter is asked for the size first: a fixed two bytes per wide character is too little
// for UTF-8, whose characters take up to four.
vbString::vbString(DWORD codePage, const WCHAR* w, int len) : vbString()
{
    if (!w || len <= 0)
        return;
    int n = WideCharToMultiByte(codePage, 0, w, len, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return;
    char* buf = GetBuffer(n);
    n = WideCharToMultiByte(codePage, 0, w, len, buf, n, nullptr, nullptr);
    ReleaseBuffer(n > 0 ? n : 0);
}

vbString::vbString(DWORD codePage, const WCHAR* w) : vbString(codePage, w, w ? wideLength(w) : 0) { }
vbString::vbString(const WCHAR* w) : vbString(static_cast<DWORD>(CP_ACP), w) { }
vbString::vbString(const WCHAR* w, int len) : vbString(static_cast<DWORD>(CP_ACP), w, len) { }

BSTR vbString::AllocSysString() const { return AllocSysString(static_cast<DWORD>(CP_ACP)); }

BSTR vbString::AllocSysString(DWORD codePage) const
{
    int len = GetLength();
    int n = len > 0 ? MultiByteToWideChar(codePage, 0, m_pch, len, nullptr, 0) : 0;
    BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(n > 0 ? n : 0));
    if (!b)
        AfxThrowMemoryException();
    if (n > 0)
        MultiByteToWideChar(codePage, 0, m_pch, len, b, n);
    return b;
}

BSTR vbString::SetSysString(BSTR* pbstr) const { return SetSysString(pbstr, static_cast<DWORD>(CP_ACP)); }

BSTR vbString::SetSysString(BSTR* pbstr, DWORD codePage) const
{
    int len = GetLength();
    int n = len > 0 ? MultiByteToWideChar(codePage, 0, m_pch, len, nullptr, 0) : 0;
    if (!SysReAllocStringLen(pbstr, nullptr, static_cast<UINT>(n > 0 ? n : 0)))
        AfxThrowMemoryException();
    if (n > 0)
        MultiByteToWideChar(codePage, 0, m_pch, len, *pbstr, n);
    return *pbstr;
}
