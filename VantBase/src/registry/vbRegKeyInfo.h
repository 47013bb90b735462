#pragma once

// The key record that vbRegKey handles and the enumerators share: it opens the key when first
// needed and closes it when the last sharer lets go.

#include "vbRegEngine.h"
#include "vbString.h"

#include "plat/types.h"

class vbVariant;

class vbRegKeyInfo {
public:
    // read: for reading and writing, falling back to reading; create: for writing, created when
    // missing; write: for writing only.
    enum class Mode { read, create, write };

    vbRegKeyInfo(vbRegRoot root, const vbString& path);
    // Refuses an empty path.
    vbRegKeyInfo(vbRegKeyInfo* parent, const vbString& path);
    vbRegKeyInfo(const vbRegKeyInfo&) = delete;
    vbRegKeyInfo& operator=(const vbRegKeyInfo&) = delete;

    void AddRef() noexcept;
    // The last release closes the handle, releases the parent and frees the record.
    void Release() noexcept;

    // Null when the key does not exist (read and write modes).
    HKEY GetHKey(Mode mode);
    const vbString& GetName() const noexcept { return m_path; }
    vbString GetPath() const;
    vbRegRoot GetRoot() const noexcept { return m_root; }

    // False (and *pValue emptied) when the key or the value is missing.
    bool GetValue(const char* name, vbVariant* pValue);
    bool ValueExists(const char* name);
    void SetValue(const char* name, const vbVariant& v, bool bExpand);
    bool DeleteValue(const char* name, bool bThrowIfMissing);
    bool DeleteKey(bool bSubKeys, bool bThrowIfMissing);
    // False at the end or for a missing key.
    bool EnumKey(int pos, vbString* pName);
    bool EnumValue(int pos, vbString* pName, vbVariant* pValue);

private:
    ~vbRegKeyInfo();

    void closeHKey() noexcept;
    // The predefined key of a real root, and the path below it, of a root record.
    void resolveRoot(HKEY* phRoot, vbString* pPath, const char* badRootFn, HRESULT badRootHr) const;
    LONG openHere(HKEY hParent, const vbString& path, Mode mode, bool bParentReadOnly, HKEY* phKey);

    vbRegKeyInfo* m_pParent;
    vbRegRoot m_root;
    vbString m_path;
    HKEY m_hKey = nullptr;
    LONG m_cRef = 1;
    bool m_bReadOnly = false;
};
