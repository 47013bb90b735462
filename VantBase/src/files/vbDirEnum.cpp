// The directory enumerator: one folder's entries through the find calls, filtered.

#include "vbDirEnum.h"

#include "vbException.h"
#include "vbStrUtil.h"

#include "plat/errors.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr HRESULT kNoMoreFiles = static_cast<HRESULT>(0x80070012u);

struct AttrKeyword {
    const char* name;
    DWORD bit;
};

constexpr AttrKeyword kKeywords[] = {
    {"dir", 0x10},
    {"archive", 0x20},
    {"compressed", 0x800},
    {"encrypted", 0x40},
    {"hidden", 0x2},
    {"normal", 0x80},
    {"offline", 0x1000},
    {"readonly", 0x1},
    {"temporary", 0x100},
};

HRESULT systemHR()
{
    const DWORD err = GetLastError();
    return err == 0 ? 0 : static_cast<HRESULT>(0x80070000u | (err & 0xFFFFu));
}

int compareNC(const vbString* element, const char* key) { return vbSortStringNC(*element, vbString(key)); }

bool containsNC(const vbArray<vbString>& sorted, const vbString& key)
{
    return sorted.FindSorted<const char*>(key.c_str(), compareNC, nullptr) != nullptr;
}

bool matchesAny(const vbArray<vbString>& patterns, const vbString& name)
{
    for (int i = 1; i <= patterns.GetLength(); ++i)
        if (vbMatchPath(patterns[i], name) == 0)
            return true;
    return false;
}

bool endsWithSeparator(const vbString& path)
{
    const int n = path.GetLength();
    return n > 0 && (path.c_str()[n - 1] == '/' || path.c_str()[n - 1] == '\\');
}

} // namespace

vbDirEnum::vbDirEnum() = default;

vbDirEnum::vbDirEnum(const vbString& path) { Open(nullptr, path, true); }

vbDirEnum::vbDirEnum(const vbDirEnum* parent, const vbString& path) { Open(parent, path, true); }

vbDirEnum::vbDirEnum(const vbDirEnum& other) { copyFrom(other); }

vbDirEnum& vbDirEnum::operator=(const vbDirEnum& other)
{
    if (this != &other) {
        Reset();
        copyFrom(other);
    }
    return *this;
}

vbDirEnum::~vbDirEnum() { Close(); }

void vbDirEnum::copyFrom(const vbDirEnum& other)
{
    m_pattern = other.m_pattern;
    m_folder = other.m_folder;
    m_shortFolder = other.m_shortFolder;
    m_excludedAttrs = other.m_excludedAttrs;
    m_includedAttrs = other.m_includedAttrs;
    m_excludedExts = other.m_excludedExts;
    m_includedExts = other.m_includedExts;
    m_excludedPatterns = other.m_excludedPatterns;
    m_includedPatterns = other.m_includedPatterns;
    m_pParent = other.m_pParent;
    m_lastError = other.m_lastError;
}

// --- opening and stepping ---

bool vbDirEnum::Open(const vbString& path, bool bThrow) { return Open(nullptr, path, bThrow); }

bool vbDirEnum::Open(const vbDirEnum* parent, const vbString& path, bool bThrow)
{
    Close();
    m_pParent = parent;
    const vbString text = vbTrimmed(path);
    const vbString pattern = parent ? parent->m_folder + text : text;
    if (pattern.IsEmpty()) {
        if (parent) {
            m_pParent = nullptr;
            throw new vbEsys(E_FAIL, "vbDirEnum::Open() : path is empty");
        }
        m_folder = "./";
        m_pattern = "./*.*";
        return true;
    }
    if (vbDirExists(pattern)) {
        m_folder = endsWithSeparator(pattern) ? pattern : pattern + "/";
        m_pattern = m_folder + "*.*";
        return true;
    }
    const vbString folder = vbGetFileDir(pattern, true);
    if (folder.IsEmpty()) {
        m_folder = "./";
        m_pattern = "./" + pattern;
        return true;
    }
    // A failed open leaves the enumerator closed (no parent either), not open on a folder that is
    // not there.
    if (!vbDirExists(folder)) {
        m_pParent = nullptr;
        if (bThrow)
            throw new vbEsys(E_FAIL, ("vbDirEnum::Open() : directory '" + folder + "' doesn't exist").c_str());
        return false;
    }
    m_folder = folder;
    m_pattern = pattern;
    return true;
}

bool vbDirEnum::Next(vbString* pName, bool bThrow)
{
    if (!IsOpen())
        throw new vbEsys(E_FAIL, "vbDirEnum::Next() : vbDirEnum not opened");
    const bool starting = m_hFind == INVALID_HANDLE_VALUE;
    for (;;) {
        SetLastError(0);
        bool found;
        if (m_hFind == INVALID_HANDLE_VALUE) {
            m_hFind = FindFirstFileA(m_pattern, &m_find);
            found = m_hFind != INVALID_HANDLE_VALUE;
        } else {
            found = FindNextFileA(m_hFind, &m_find) != FALSE;
        }
        if (!found) {
            m_bCurrent = false;
            m_lastError = systemHR();
            if (bThrow && starting)
                throw new vbEsys(m_lastError, ("vbDirEnum::Next() on path '" + m_pattern + "' failed").c_str());
            return false;
        }
        const char* name = m_find.cFileName;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        if (!IsFileOk(m_find.dwFileAttributes, vbString(name)))
            continue;
        if (pName)
            *pName = name;
        m_lastError = 0;
        m_bCurrent = true;
        return true;
    }
}

void vbDirEnum::Reset()
{
    if (m_hFind != INVALID_HANDLE_VALUE) {
        FindClose(m_hFind);
        m_hFind = INVALID_HANDLE_VALUE;
    }
    m_bCurrent = false;
}

void vbDirEnum::Close()
{
    Reset();
    m_pattern.Empty();
    m_folder.Empty();
    m_shortFolder.Empty();
    m_pParent = nullptr;
    m_lastError = E_FAIL;
}

// --- filters ---

void vbDirEnum::checkMaster(const char* fn) const
{
    if (m_pParent)
        throw new vbEsys(true, E_FAIL,
            "vbDirEnum::%s() : this vbDirEnum is in slave mode (it has a parent), you can't change its attributes", fn);
}

void vbDirEnum::ExcludeAttr(DWORD mask)
{
    checkMaster("ExcludeAttr");
    m_excludedAttrs = mask;
}

void vbDirEnum::IncludeAttr(DWORD mask)
{
    checkMaster("IncludeAttr");
    m_includedAttrs = mask;
}

void vbDirEnum::ResetAttr()
{
    m_excludedAttrs = 0;
    m_includedAttrs = 0xFFFFFFFFu;
}

void vbDirEnum::ExcludeExt(const vbString& list)
{
    checkMaster("ExcludeExt");
    vbArray<vbString> parts;
    vbSplit(list, ";", &parts, 0);
    setExt(parts, m_excludedExts, m_excludedPatterns, m_excludedAttrs);
}

void vbDirEnum::IncludeExt(const vbString& list)
{
    checkMaster("IncludeExt");
    vbArray<vbString> parts;
    vbSplit(list, ";", &parts, 0);
    setExt(parts, m_includedExts, m_includedPatterns, m_includedAttrs);
}

void vbDirEnum::ExcludeExt(const vbArray<vbString>& list)
{
    checkMaster("ExcludeExt");
    setExt(list, m_excludedExts, m_excludedPatterns, m_excludedAttrs);
}

void vbDirEnum::IncludeExt(const vbArray<vbString>& list)
{
    checkMaster("IncludeExt");
    setExt(list, m_includedExts, m_includedPatterns, m_includedAttrs);
}

void vbDirEnum::setExt(const vbArray<vbString>& list, vbArray<vbString>& exts, vbArray<vbString>& patterns, DWORD& mask)
{
    exts = list;
    patterns.Empty();
    checkExt(exts, patterns, mask);
}

void vbDirEnum::ResetExt()
{
    m_excludedExts.Empty();
    m_includedExts.Empty();
    m_excludedPatterns.Empty();
    m_includedPatterns.Empty();
}

void vbDirEnum::ResetAttrExt()
{
    ResetAttr();
    ResetExt();
}

void vbDirEnum::checkExt(vbArray<vbString>& list, vbArray<vbString>& patterns, DWORD& mask)
{
    auto sortExts = [&list] {
        std::sort(list.GetData(), list.GetData() + list.GetLength(),
            [](const vbString& a, const vbString& b) { return vbSortStringNC(a, b) < 0; });
    };
    int i = 1;
    while (i <= list.GetLength()) {
        vbString item = vbTrimmed(list[i]);
        if (item.IsEmpty()) {
            list.Delete(i);
            continue;
        }
        if (item[1] == '.') {
            list[i] = item;
            ++i;
            continue;
        }
        if (item[1] == '=') {
            patterns.Add(vbString(item.c_str() + 1));
            list.Delete(i);
            continue;
        }
        const AttrKeyword* keyword = nullptr;
        for (const AttrKeyword& k : kKeywords)
            if (item.CompareNoCase(k.name) == 0)
                keyword = &k;
        if (!keyword) {
            // The items before it stay in force; the bad one and the rest are dropped, so that the
            // extensions kept are sorted for the lookups.
            while (list.GetLength() >= i)
                list.Delete(list.GetLength());
            sortExts();
            throw new vbEsys(E_FAIL, ("vbDirEnum::CheckExt() : '" + item + "' isn't a valid extension or attribute").c_str());
        }
        mask |= keyword->bit;
        list.Delete(i);
    }
    sortExts();
}

const vbDirEnum& vbDirEnum::root() const
{
    const vbDirEnum* e = this;
    while (e->m_pParent)
        e = e->m_pParent;
    return *e;
}

bool vbDirEnum::IsAttrOk(DWORD attrs) const
{
    const vbDirEnum& r = root();
    return (attrs & r.m_excludedAttrs) == 0 && (attrs & r.m_includedAttrs) != 0;
}

bool vbDirEnum::IsExtOk(const vbString& ext) const
{
    const vbDirEnum& r = root();
    if (r.m_excludedExts.GetLength() == 0 && r.m_includedExts.GetLength() == 0)
        return true;
    const vbString key = ext.IsEmpty() ? vbString(".") : ext;
    if (containsNC(r.m_excludedExts, key))
        return false;
    return r.m_includedExts.GetLength() == 0 || containsNC(r.m_includedExts, key);
}

bool vbDirEnum::IsFileOk(DWORD attrs, const vbString& name) const
{
    const vbDirEnum& r = root();
    if (!IsAttrOk(attrs))
        return false;
    if (matchesAny(r.m_excludedPatterns, name))
        return false;
    if (r.m_includedPatterns.GetLength() > 0) {
        if (matchesAny(r.m_includedPatterns, name))
            return true;
        if (r.m_excludedExts.GetLength() == 0 && r.m_includedExts.GetLength() == 0)
            return false;
    }
    if (attrs & FILE_ATTRIBUTE_DIRECTORY)
        return true;
    return IsExtOk(vbGetFileExt(name, true));
}

// --- the current entry ---

const WIN32_FIND_DATAA& vbDirEnum::current(const char* fn) const
{
    if (!m_bCurrent)
        throw new vbEsys(m_lastError,
            ("vbDirEnum::" + vbString(fn) + "() on path '" + m_pattern + "'failed : no current file").c_str());
    return m_find;
}

vbString vbDirEnum::GetName() const { return current("GetName").cFileName; }

vbString vbDirEnum::GetShortName() const { return current("GetShortName").cAlternateFileName; }

vbString vbDirEnum::GetPath() const { return m_folder + current("GetName").cFileName; }

// Without an alternate name (always, here) the long name is the short one.
vbString vbDirEnum::GetShortPath() const
{
    const WIN32_FIND_DATAA& f = current("GetShortPath");
    return GetShortDir() + (f.cAlternateFileName[0] ? f.cAlternateFileName : f.cFileName);
}

vbString vbDirEnum::GetFullPath() const { return vbGetFullPath(m_folder + current("GetFullPath").cFileName); }

vbString vbDirEnum::GetFullShortPath() const
{
    return vbGetShortPath(vbGetFullPath(m_folder + current("GetFullShortPath").cFileName));
}

vbFileAttr vbDirEnum::GetAttr() const { return vbFileAttr(current("GetAttr").dwFileAttributes); }

vbDate vbDirEnum::GetCreationDate() const { return vbDate(current("GetCreationDate").ftCreationTime); }

vbDate vbDirEnum::GetAccessDate() const { return vbDate(current("GetAccessDate").ftLastAccessTime); }

vbDate vbDirEnum::GetWriteDate() const { return vbDate(current("GetWriteDate").ftLastWriteTime); }

FILETIME vbDirEnum::GetCreationFT() const { return current("GetCreationFT").ftCreationTime; }

FILETIME vbDirEnum::GetAccessFT() const { return current("GetAccessFT").ftLastAccessTime; }

FILETIME vbDirEnum::GetWriteFT() const { return current("GetWriteFT").ftLastWriteTime; }

uint64_t vbDirEnum::GetFileSize() const
{
    const WIN32_FIND_DATAA& f = current("GetFileSize");
    return uint64_t(f.nFileSizeHigh) << 32 | f.nFileSizeLow;
}

// --- the folder ---

vbString vbDirEnum::GetDir() const
{
    if (!IsOpen())
        throw new vbEsys(E_FAIL, "vbDirEnum::GetDir() : vbDirEnum not opened");
    return m_folder;
}

vbString vbDirEnum::GetShortDir() const
{
    if (!IsOpen())
        throw new vbEsys(E_FAIL, "vbDirEnum::GetShortDir() : vbDirEnum not opened");
    if (m_shortFolder.IsEmpty()) {
        const vbString shortPath = vbGetShortPath(m_folder);
        m_shortFolder = shortPath.IsEmpty() ? vbString("./") : vbEndSlash(shortPath, false);
    }
    return m_shortFolder;
}

bool vbDirEnum::IsEODerror() const { return m_lastError == kNoMoreFiles; }
