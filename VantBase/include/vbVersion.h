#pragma once

// A four-part version packed into two 32-bit words (high: parts 1 and 2, low: parts 3 and 4, the
// first part of each pair in the upper 16 bits); both words 0xFFFFFFFF is the unset version.
// Below it, the readers of the version records of module files.

#include "vbExport.h"
#include "vbString.h"

#include "plat/types.h"
#include "plat/version.h"

class vbData;

class VBAPI vbVersion {
public:
    vbVersion() noexcept : m_high(0xFFFFFFFFu), m_low(0xFFFFFFFFu) { }
    vbVersion(DWORD high, DWORD low) noexcept : m_high(high), m_low(low) { }
    // The file version words when bFile, else the product version words.
    vbVersion(const VS_FIXEDFILEINFO& fi, bool bFile) noexcept;
    // Unset when the text is no version and bThrow is false.
    vbVersion(const vbString& s, bool bThrow);

    DWORD GetHigh() const noexcept { return m_high; }
    DWORD GetLow() const noexcept { return m_low; }
    void Empty() noexcept { m_high = m_low = 0xFFFFFFFFu; }
    bool IsEmpty() const noexcept { return m_high == 0xFFFFFFFFu && m_low == 0xFFFFFFFFu; }
    bool IsAny() const noexcept { return IsEmpty(); }
    bool IsValid() const noexcept { return m_high != 0xFFFFFFFFu && m_low != 0xFFFFFFFFu; }

    // 1, -1 or 0: the high words, then the low words, unsigned.
    int Compare(const vbVersion& o) const noexcept;
    bool operator==(const vbVersion& o) const noexcept { return Compare(o) == 0; }
    bool operator!=(const vbVersion& o) const noexcept { return Compare(o) != 0; }
    bool operator<(const vbVersion& o) const noexcept { return Compare(o) < 0; }
    bool operator>(const vbVersion& o) const noexcept { return Compare(o) > 0; }
    bool operator<=(const vbVersion& o) const noexcept { return Compare(o) <= 0; }
    bool operator>=(const vbVersion& o) const noexcept { return Compare(o) >= 0; }

    // Four decimal numbers separated by '.' or ','; false (version unchanged) or vbEsys when bThrow.
    bool FromStr(const vbString& s, bool bThrow);
    // The four parts as signed 16-bit numbers joined by sep; the unset version is "" unless bAlways.
    vbString ToStr(char sep, bool bAlways) const;
    operator vbString() const { return ToStr(',', true); }

private:
    DWORD m_high;
    DWORD m_low;
};

// The version block of file (null: the program's file) read into pData when given; false when
// the file has none.
VBAPI bool vbGetVersionInfo(const char* file, vbData* pData);
// The fixed part of a version block, null when absent.
VBAPI VS_FIXEDFILEINFO* vbGetVersionRoot(const vbData& info, unsigned int* pLen = nullptr);
// The first translation as "%08X" of language x 65536 + code page, or dflt.
VBAPI vbString vbGetVersionLangCodePage(const vbData& info, const char* dflt);
VBAPI vbString vbGetVersionString(const vbData& info, const vbString& langCp, const vbString& key);
// "ProductName", or the file's name without extension; bWithVersion adds " a.b.c.d".
VBAPI vbString vbGetProductName(const char* file, bool bWithVersion);
// Unset when the file has no fixed part; a file without version block throws when bThrow.
VBAPI vbVersion vbGetProductVersion(const char* file, bool bThrow);
VBAPI vbVersion vbGetFileVersion(const char* file, bool bThrow);
