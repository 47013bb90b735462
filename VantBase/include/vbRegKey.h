#pragma once

// Registry keys. A vbRegKey is a cheap handle on a key named by a root and a path, or by a parent
// key and a sub-path; handles share one counted key record that opens the key when an operation
// first needs it (for reading, creating or writing) and closes it with the last handle. A key
// that can only be read stays read-only for the record's life: writes then fail with "write
// access denied" (code 5).
//
// Values are variants. Reading: REG_SZ and REG_EXPAND_SZ give text (not expanded), REG_BINARY a
// byte array, REG_DWORD a VT_I4; any other type fails with E_NOTIMPL; every value read carries
// the locale 1033. Writing: a byte array is REG_BINARY; VT_BOOL, the 8-, 16- and 32-bit integers
// are REG_DWORD (true as 1); everything else is its text in the en-US rules, as REG_SZ (or
// REG_EXPAND_SZ when asked), whatever the process locale. An empty variant is refused.
//
// A handle, record or enumerator is used by one thread at a time; only the sharing count is
// interlocked. Every failure is a vbEsys whose code is the registry call's result.

#include "vbExport.h"
#include "vbRegEngine.h"
#include "vbString.h"
#include "vbVariant.h"

#include "plat/types.h"

class vbRegKeyInfo;

class VBAPI vbRegKey {
public:
    vbRegKey() noexcept;
    vbRegKey(vbRegRoot root, const vbString& path);
    // parent must be linked.
    vbRegKey(vbRegKey& parent, const vbString& subPath);
    vbRegKey(const vbRegKey& other);
    // Close; an exception is shown, not passed on.
    virtual ~vbRegKey();
    vbRegKey& operator=(const vbRegKey& other);

    void Init(vbRegRoot root, const vbString& path);
    void Init(vbRegKey& parent, const vbString& subPath);
    void Init(const vbRegKey& other);
    void Init(vbRegKeyInfo* parent, const vbString& subPath);
    // Lets the record go; the handle is then not linked.
    void Close();
    bool IsLinked() const noexcept { return m_pInfo != nullptr; }

    // Empty when the key or the value does not exist.
    vbVariant GetDefaultValue();
    vbVariant GetValue(const char* name);
    // Create the key (and its missing parents) first.
    void SetDefaultValue(const vbVariant& v, bool bExpand = false);
    void SetValue(const char* name, const vbVariant& v, bool bExpand = false);
    bool DefaultValueExists();
    bool ValueExists(const char* name);
    bool Exists();
    vbRegKey& CreateKey();

    // The record's own path (relative to its parent or root).
    vbString GetName() const;
    // The path through the chain of parent records; a path object's own place is not included.
    vbString GetPath() const;
    vbRegRoot GetRoot() const;

    // True when deleted; a missing key or value answers false, or throws with bThrowIfMissing.
    bool DeleteValue(const char* name, bool bThrowIfMissing = false);
    bool DeleteDefaultValue(bool bThrowIfMissing = false);
    // With bSubKeys the whole tree below goes too; without, a key with sub-keys is refused.
    bool DeleteKey(bool bSubKeys, bool bThrowIfMissing);
    bool DeleteKey(const char* subKey, bool bSubKeys, bool bThrowIfMissing);

    // The open handle: with bWrite opened for writing (created when missing), else as for
    // reading (null when the key does not exist). It belongs to the record.
    HKEY getHKey(bool bWrite);

private:
    friend class vbRegEnumKey;
    friend class vbRegEnumValue;

    vbRegKeyInfo* info(const char* unlinkedMsg) const;

    vbRegKeyInfo* m_pInfo;
};

// The sub-keys of a key, in the registry's order (case-insensitive by name).
class VBAPI vbRegEnumKey {
public:
    vbRegEnumKey() noexcept;
    explicit vbRegEnumKey(vbRegKey& key);
    virtual ~vbRegEnumKey();
    vbRegEnumKey(const vbRegEnumKey&) = delete;
    vbRegEnumKey& operator=(const vbRegEnumKey&) = delete;

    void Init(vbRegKey& key);
    // False at the end, or when the key does not exist.
    bool Next(vbString* pName);
    // Links pSubKey to the next sub-key, as a child of the enumerated key.
    bool Next(vbRegKey* pSubKey);
    bool Next();
    void Reset() noexcept { m_pos = 0; }
    void Close();

private:
    bool next(vbString* pName);

    vbRegKeyInfo* m_pInfo;
    int m_pos;
};

// The values of a key, in the registry's order (case-insensitive by name).
class VBAPI vbRegEnumValue {
public:
    vbRegEnumValue() noexcept;
    explicit vbRegEnumValue(vbRegKey& key);
    virtual ~vbRegEnumValue();
    vbRegEnumValue(const vbRegEnumValue&) = delete;
    vbRegEnumValue& operator=(const vbRegEnumValue&) = delete;

    void Init(vbRegKey& key);
    bool Next(vbString* pName);
    // The name and the value, read as GetValue reads it; both pointers must be given.
    bool Next(vbString* pName, vbVariant* pValue);
    bool Next();
    void Reset() noexcept { m_pos = 0; }
    void Close();

private:
    bool next(vbString* pName, vbVariant* pValue);

    vbRegKeyInfo* m_pInfo;
    int m_pos;
};
