#pragma once

// Lists the entries of one folder, without "." and "..", filtered by attributes, extensions and
// wildcard name patterns. A filter text mixes extensions (".jpg"), "=" patterns ("=thumb*") and
// attribute keywords (dir, archive, compressed, encrypted, hidden, normal, offline, readonly,
// temporary), separated by ";". An enumerator opened with a parent is a slave: it lists a folder
// below its parent's, always with the filters of the topmost enumerator of the chain, and may not
// change filters itself; the parent must outlive it and stay unchanged while it is used.
//
// The platform has no 8.3 names: GetShortName is empty and the short forms equal the long ones.

#include "vbArray.h"
#include "vbDate.h"
#include "vbExport.h"
#include "vbFileTools.h"
#include "vbString.h"

#include "plat/file.h"
#include "plat/types.h"

#include <cstdint>

class VBAPI vbDirEnum {
public:
    vbDirEnum();
    // Open(path, true) and Open(parent, path, true).
    explicit vbDirEnum(const vbString& path);
    vbDirEnum(const vbDirEnum* parent, const vbString& path);
    // A copy takes the place, parent, filters and last error, never the running search or the
    // current entry: each search handle has one owner.
    vbDirEnum(const vbDirEnum& other);
    vbDirEnum& operator=(const vbDirEnum& other);
    virtual ~vbDirEnum();

    // path: a folder, a folder with a wildcard pattern or a file name (below the parent's folder
    // with a parent). A missing folder answers false, or throws with bThrow. Nothing is searched
    // before the first Next.
    bool Open(const vbDirEnum* parent, const vbString& path, bool bThrow);
    bool Open(const vbString& path, bool bThrow);
    bool IsOpen() const { return !m_pattern.IsEmpty(); }

    // The next entry that passes the filters; its name to pName when given. False at the end;
    // with bThrow, a call that starts the search and finds nothing acceptable throws instead.
    bool Next(vbString* pName, bool bThrow);
    // Ends the search; the next Next starts again at the first entry.
    void Reset();
    // Back to closed; the filters stay.
    void Close();

    void ExcludeAttr(DWORD mask);
    void IncludeAttr(DWORD mask);
    void ResetAttr();
    void ExcludeExt(const vbString& list);
    void IncludeExt(const vbString& list);
    void ExcludeExt(const vbArray<vbString>& list);
    void IncludeExt(const vbArray<vbString>& list);
    void ResetExt();
    void ResetAttrExt();

    // With the filters of the topmost enumerator.
    bool IsAttrOk(DWORD attrs) const;
    // ext with its dot; "" stands for names without an extension.
    bool IsExtOk(const vbString& ext) const;
    bool IsFileOk(DWORD attrs, const vbString& name) const;

    // The current entry; each throws when there is none.
    vbString GetName() const;
    vbString GetShortName() const;
    vbString GetPath() const;
    vbString GetShortPath() const;
    vbString GetFullPath() const;
    vbString GetFullShortPath() const;
    vbFileAttr GetAttr() const;
    vbDate GetCreationDate() const;
    vbDate GetAccessDate() const;
    vbDate GetWriteDate() const;
    FILETIME GetCreationFT() const;
    FILETIME GetAccessFT() const;
    FILETIME GetWriteFT() const;
    uint64_t GetFileSize() const;

    // The listed folder, ending with a separator.
    vbString GetDir() const;
    vbString GetShortDir() const;
    // 0 after an entry was found, the system HRESULT of a failed search, E_FAIL when closed.
    HRESULT GetError() const { return m_lastError; }
    bool IsEOD() const { return !m_bCurrent; }
    // The last search ended at the end of the listing.
    bool IsEODerror() const;

private:
    const vbDirEnum& root() const;
    void checkMaster(const char* fn) const;
    const WIN32_FIND_DATAA& current(const char* fn) const;
    // Sorts the extensions of list after moving its patterns and keywords out.
    static void checkExt(vbArray<vbString>& list, vbArray<vbString>& patterns, DWORD& mask);
    // Replaces one side's extensions and patterns with those of list.
    static void setExt(const vbArray<vbString>& list, vbArray<vbString>& exts, vbArray<vbString>& patterns,
        DWORD& mask);
    void copyFrom(const vbDirEnum& other);

    vbString m_pattern;
    vbString m_folder;
    mutable vbString m_shortFolder;
    bool m_bCurrent = false;
    WIN32_FIND_DATAA m_find = {};
    HANDLE m_hFind = INVALID_HANDLE_VALUE;
    DWORD m_excludedAttrs = 0;
    DWORD m_includedAttrs = 0xFFFFFFFFu;
    vbArray<vbString> m_excludedExts;
    vbArray<vbString> m_includedExts;
    vbArray<vbString> m_excludedPatterns;
    vbArray<vbString> m_includedPatterns;
    const vbDirEnum* m_pParent = nullptr;
    HRESULT m_lastError = E_FAIL;
};
