// Versions and the version records of module files.

#include "vbVersion.h"

#include "vbData.h"
#include "vbException.h"
#include "vbFileTools.h"

#include "plat/errors.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// One part as strtol reads it in the system's 32-bit long: leading blanks and a sign allowed,
// at least one digit, saturating at the limits.
bool readPart(const char*& p, DWORD& part)
{
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(p, &end, 10);
    if (end == p)
        return false;
    if (v > INT32_MAX)
        v = INT32_MAX;
    if (v < INT32_MIN)
        v = INT32_MIN;
    part = static_cast<DWORD>(static_cast<int32_t>(v));
    p = end;
    return true;
}

vbString pathOf(const char* file) { return file ? vbString(file) : vbGetFilePath(static_cast<HINSTANCE>(nullptr)); }

const void* blockOf(const vbData& info) { return static_cast<const void*>(info); }

vbVersion versionOf(const char* file, bool bThrow, bool bFile, const char* name)
{
    vbData info;
    vbString path = pathOf(file);
    if (!vbGetVersionInfo(path, &info)) {
        if (bThrow)
            throw new vbEsys(E_FAIL, vbString(name) + "(" + path + ") : file doesn't have version");
        return vbVersion();
    }
    VS_FIXEDFILEINFO* fi = vbGetVersionRoot(info);
    return fi ? vbVersion(*fi, bFile) : vbVersion();
}

} // namespace

vbVersion::vbVersion(const VS_FIXEDFILEINFO& fi, bool bFile) noexcept
    : m_high(bFile ? fi.dwFileVersionMS : fi.dwProductVersionMS), m_low(bFile ? fi.dwFileVersionLS : fi.dwProductVersionLS)
{
}

vbVersion::vbVersion(const vbString& s, bool bThrow) : vbVersion() { FromStr(s, bThrow); }

int vbVersion::Compare(const vbVersion& o) const noexcept
{
    if (m_high != o.m_high)
        return m_high > o.m_high ? 1 : -1;
    if (m_low != o.m_low)
        return m_low > o.m_low ? 1 : -1;
    return 0;
}

bool vbVersion::FromStr(const vbString& s, bool bThrow)
{
    DWORD parts[4];
    const char* p = s.c_str();
    bool ok = true;
    for (int i = 0; i < 4 && ok; ++i) {
        ok = readPart(p, parts[i]);
        if (ok && i < 3) {
            ok = *p == '.' || *p == ',';
            ++p;
        }
    }
    if (ok && *p == '\0') {
        m_high = (parts[0] << 16) | (parts[1] & 0xFFFFu);
        m_low = (parts[2] << 16) | (parts[3] & 0xFFFFu);
        return true;
    }
    if (bThrow)
        throw new vbEsys(E_FAIL,
            "vbVersion::vbVersion() : '" + s + "' is an invalid version string (format: x.x.x.x or x,x,x,x)");
    return false;
}

vbString vbVersion::ToStr(char sep, bool bAlways) const
{
    vbString out;
    if (IsEmpty() && !bAlways)
        return out;
    out.Format("%d%c%d%c%d%c%d", static_cast<int16_t>(m_high >> 16), sep, static_cast<int16_t>(m_high), sep,
        static_cast<int16_t>(m_low >> 16), sep, static_cast<int16_t>(m_low));
    return out;
}

// ---------------------------------------------------------------------------------------------
// version records

bool vbGetVersionInfo(const char* file, vbData* pData)
{
    vbString path = pathOf(file);
    if (path.IsEmpty())
        return false;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return false;
    if (pData) {
        if (size > INT32_MAX - 5 || !GetFileVersionInfoA(path, handle, size, pData->GetWritePtr(static_cast<int>(size))))
            throw new vbEsys(HRESULT_FROM_WIN32(GetLastError()), "GetFileVersionInfo() : failure");
    }
    return true;
}

VS_FIXEDFILEINFO* vbGetVersionRoot(const vbData& info, unsigned int* pLen)
{
    void* p = nullptr;
    UINT len = 0;
    if (info.IsEmpty() || !VerQueryValueA(blockOf(info), "\\", &p, &len) || !p)
        return nullptr;
    if (pLen)
        *pLen = len;
    return static_cast<VS_FIXEDFILEINFO*>(p);
}

vbString vbGetVersionLangCodePage(const vbData& info, const char* dflt)
{
    void* p = nullptr;
    UINT len = 0;
    if (info.IsEmpty() || !VerQueryValueA(blockOf(info), "\\VarFileInfo\\Translation", &p, &len) || !p || len < 4)
        return vbString(dflt);
    WORD words[2];
    std::memcpy(words, p, sizeof words);
    vbString out;
    out.Format("%08X", static_cast<unsigned>(words[0]) * 65536u + words[1]);
    return out;
}

vbString vbGetVersionString(const vbData& info, const vbString& langCp, const vbString& key)
{
    void* p = nullptr;
    UINT len = 0;
    vbString sub = "\\StringFileInfo\\" + langCp + "\\" + key;
    if (info.IsEmpty() || !VerQueryValueA(blockOf(info), sub, &p, &len) || !p || len == 0)
        return vbString();
    // The count includes the terminator; a record without one is cut at its length.
    const char* text = static_cast<const char*>(p);
    return vbString(text, static_cast<int>(strnlen(text, len)));
}

vbString vbGetProductName(const char* file, bool bWithVersion)
{
    vbString path = pathOf(file);
    vbData info;
    vbString name;
    if (vbGetVersionInfo(path, &info))
        name = vbGetVersionString(info, vbGetVersionLangCodePage(info, "040904E4"), "ProductName");
    if (name.IsEmpty())
        name = vbGetFileName(path.c_str());
    VS_FIXEDFILEINFO* fi = bWithVersion ? vbGetVersionRoot(info) : nullptr;
    if (fi) {
        vbString version;
        version.Format(" %u.%u.%u.%u", fi->dwProductVersionMS >> 16, fi->dwProductVersionMS & 0xFFFFu,
            fi->dwProductVersionLS >> 16, fi->dwProductVersionLS & 0xFFFFu);
        name += version;
    }
    return name;
}

vbVersion vbGetProductVersion(const char* file, bool bThrow) { return versionOf(file, bThrow, false, "vbGetProductVersion"); }

vbVersion vbGetFileVersion(const char* file, bool bThrow) { return versionOf(file, bThrow, true, "vbGetFileVersion"); }
