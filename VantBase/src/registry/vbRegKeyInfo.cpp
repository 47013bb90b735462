// The shared key record: opening in the access an operation needs, values, deletion and
// enumeration.

#include "registry/vbRegKeyInfo.h"

#include "registry/vbRegValue.h"

#include "vbException.h"
#include "vbVariant.h"

#include "plat/errors.h"
#include "plat/interlocked.h"
#include "plat/registry.h"

#include <string>
#include <vector>

namespace {

// The predefined key of a real root, null for a number outside 0 to 6.
HKEY predefinedKey(vbRegRoot root)
{
    static const HKEY kRoots[] = {HKEY_CURRENT_USER, HKEY_CURRENT_CONFIG, HKEY_CLASSES_ROOT, HKEY_USERS,
        HKEY_LOCAL_MACHINE, HKEY_DYN_DATA, HKEY_PERFORMANCE_DATA};
    return root >= 0 && root <= 6 ? kRoots[root] : nullptr;
}

vbString joinPath(const vbString& a, const vbString& b)
{
    if (a.IsEmpty())
        return b;
    if (b.IsEmpty())
        return a;
    return a + "\\" + b;
}

// A registry result as the code of the exception it raises: the Win32 error number itself.
HRESULT code(LONG rc) { return static_cast<HRESULT>(rc); }

// Room for a value of size bytes; false when the memory is not there (a value may be close to
// 2 GB).
bool makeBuffer(std::vector<BYTE>& data, DWORD size) noexcept
{
    try {
        data.resize(size ? size : 1);
        return true;
    } catch (...) {
        return false;
    }
}

// The room a value is first read into.
constexpr DWORD kSmallValue = 256;

// Registry names are at most 255 characters; the enumeration asks with room for one more.
constexpr DWORD kNameChars = 256;

} // namespace

vbRegKeyInfo::vbRegKeyInfo(vbRegRoot root, const vbString& path) : m_pParent(nullptr), m_root(root), m_path(path) { }

vbRegKeyInfo::vbRegKeyInfo(vbRegKeyInfo* parent, const vbString& path)
    : m_pParent(parent), m_root(parent ? parent->m_root : vbRegCurrentUser), m_path(path)
{
    if (path.IsEmpty())
        throw new vbEsys(E_INVALIDARG, "vbRegKeyInfo::vbRegKeyInfo(Parent,path) : path is empty");
    if (m_pParent)
        m_pParent->AddRef();
}

vbRegKeyInfo::~vbRegKeyInfo()
{
    closeHKey();
    if (m_pParent)
        m_pParent->Release();
}

void vbRegKeyInfo::AddRef() noexcept { InterlockedIncrement(&m_cRef); }

void vbRegKeyInfo::Release() noexcept
{
    if (InterlockedDecrement(&m_cRef) == 0)
        delete this;
}

void vbRegKeyInfo::closeHKey() noexcept
{
    if (m_hKey) {
        RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
}

vbString vbRegKeyInfo::GetPath() const { return m_pParent ? joinPath(m_pParent->GetPath(), m_path) : m_path; }

void vbRegKeyInfo::resolveRoot(HKEY* phRoot, vbString* pPath, const char* badRootFn, HRESULT badRootHr) const
{
    vbRegRoot real = m_root;
    vbString path = m_path;
    if (m_root < 0) {
        vbString placePath;
        g_vbRegEngine.GetPath(m_root, &real, &placePath);
        path = joinPath(placePath, m_path);
    }
    *phRoot = predefinedKey(real);
    if (!*phRoot)
        throw new vbEsys(true, badRootHr, "vbRegKeyInfo::%s() : bad root key (%d)", badRootFn, static_cast<int>(real));
    *pPath = path;
}

LONG vbRegKeyInfo::openHere(HKEY hParent, const vbString& path, Mode mode, bool bParentReadOnly, HKEY* phKey)
{
    *phKey = nullptr;
    if (mode == Mode::create) {
        DWORD disposition = 0;
        return RegCreateKeyExA(hParent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, phKey,
            &disposition);
    }
    LONG rc = bParentReadOnly ? static_cast<LONG>(ERROR_ACCESS_DENIED)
                              : RegOpenKeyExA(hParent, path, 0, KEY_ALL_ACCESS, phKey);
    if (mode == Mode::read && (rc & 0xFFFF) == ERROR_ACCESS_DENIED) {
        rc = RegOpenKeyExA(hParent, path, 0, KEY_READ, phKey);
        if (rc == ERROR_SUCCESS)
            m_bReadOnly = true;
    }
    return rc;
}

HKEY vbRegKeyInfo::GetHKey(Mode mode)
{
    if (m_hKey) {
        if (m_bReadOnly && mode != Mode::read)
            throw new vbEsys(static_cast<HRESULT>(ERROR_ACCESS_DENIED), "vbRegKeyInfo::GetHKey() : write access denied");
        return m_hKey;
    }
    HKEY hParent;
    vbString path;
    bool bParentReadOnly = false;
    if (m_pParent) {
        hParent = m_pParent->GetHKey(mode);
        if (!hParent)
            return nullptr;
        bParentReadOnly = m_pParent->m_bReadOnly;
        path = m_path;
    } else {
        resolveRoot(&hParent, &path, "GetHKey", E_FAIL);
    }
    HKEY hKey;
    const LONG rc = openHere(hParent, path, mode, bParentReadOnly, &hKey);
    if (rc == ERROR_SUCCESS) {
        m_hKey = hKey;
        return m_hKey;
    }
    if (mode != Mode::create && (rc & 0xFFFF) == ERROR_FILE_NOT_FOUND)
        return nullptr;
    if (mode == Mode::create)
        throw new vbEsys(true, code(rc), "vbRegKeyInfo::GetHKey() : Creation of key '%s' failed !", GetPath().c_str());
    throw new vbEsys(true, code(rc), "vbRegKeyInfo::GetHKey() : Opening key '%s' failure !", GetPath().c_str());
}

// --- values ---

bool vbRegKeyInfo::ValueExists(const char* name)
{
    HKEY h = GetHKey(Mode::read);
    if (!h)
        return false;
    DWORD type = 0, size = 0;
    return RegQueryValueExA(h, name ? name : "", nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

bool vbRegKeyInfo::GetValue(const char* name, vbVariant* pValue)
{
    pValue->Clear();
    if (!name)
        name = "";
    HKEY h = GetHKey(Mode::read);
    if (!h)
        return false;
    // Most values are small: one call reads them, a larger one is asked for again with its size.
    DWORD type = 0;
    std::vector<BYTE> data;
    DWORD size = makeBuffer(data, kSmallValue) ? kSmallValue : 0;
    LONG rc = RegQueryValueExA(h, name, nullptr, &type, size ? data.data() : nullptr, &size);
    if ((rc & 0xFFFF) == ERROR_FILE_NOT_FOUND)
        return false;
    if (rc != ERROR_SUCCESS && (rc & 0xFFFF) != ERROR_MORE_DATA)
        throw new vbEsys(true, code(rc),
            "vbRegKeyInfo::GetValue(%s) : RegQueryValueEx getting size and type failure (path='%s') !", name,
            GetPath().c_str());
    if (rc != ERROR_SUCCESS)
        rc = makeBuffer(data, size) ? RegQueryValueExA(h, name, nullptr, &type, data.data(), &size) : E_OUTOFMEMORY;
    if (rc != ERROR_SUCCESS)
        throw new vbEsys(true, code(rc),
            "vbRegKeyInfo::GetValue(%s) : RegQueryValueEx getting value failure (size=%lu, path='%s') !", name,
            static_cast<unsigned long>(size), GetPath().c_str());
    switch (vbImpl::regValueToVariant(type, data.data(), size, pValue)) {
    case vbImpl::RegValueRead::ok:
        return true;
    case vbImpl::RegValueRead::badSize:
        throw new vbEsys(true, HRESULT_FROM_WIN32(ERROR_INVALID_DATA),
            "vbRegKeyInfo::GetValue(%s) : The value's size does not fit its type (size=%lu, path='%s') !", name,
            static_cast<unsigned long>(size), GetPath().c_str());
    case vbImpl::RegValueRead::unsupportedType:
        break;
    }
    throw new vbEsys(true, E_NOTIMPL,
        "vbRegKeyInfo::GetValue(%s) : The value exists but its type is actually not supported (path='%s') !", name,
        GetPath().c_str());
}

void vbRegKeyInfo::SetValue(const char* name, const vbVariant& v, bool bExpand)
{
    if (!name)
        name = "";
    HKEY h = GetHKey(Mode::create);
    if (v.GetDeRefType() == VT_EMPTY)
        throw new vbEsys(true, E_INVALIDARG,
            "vbRegKeyInfo::SetValue(%s,value) : Invalid argument, variant 'value' is empty (path='%s') !", name,
            GetPath().c_str());
    std::string bytes;
    const DWORD type = vbImpl::variantToRegValue(v, bExpand, &bytes);
    const LONG rc = RegSetValueExA(h, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
        static_cast<DWORD>(bytes.size()));
    if (rc != ERROR_SUCCESS)
        throw new vbEsys(true, code(rc),
            "vbRegKeyInfo::SetValue(%s,'%s') : RegSetValueEx setting value failure (path='%s') !", name,
            vbImpl::regValueText(v).c_str(), GetPath().c_str());
}

bool vbRegKeyInfo::DeleteValue(const char* name, bool bThrowIfMissing)
{
    if (!name)
        name = "";
    HKEY h = GetHKey(Mode::write);
    if (!h) {
        if (!bThrowIfMissing)
            return false;
        throw new vbEsys(true, static_cast<HRESULT>(ERROR_FILE_NOT_FOUND),
            "vbRegKeyInfo::DeleteValue(%s) : Key does not exist (path='%s') !", name, GetPath().c_str());
    }
    const LONG rc = RegDeleteValueA(h, name);
    if (rc == ERROR_SUCCESS)
        return true;
    if ((rc & 0xFFFF) == ERROR_FILE_NOT_FOUND) {
        if (!bThrowIfMissing)
            return false;
        throw new vbEsys(true, static_cast<HRESULT>(ERROR_FILE_NOT_FOUND),
            "vbRegKeyInfo::DeleteValue(%s) : Value does not exist (path='%s') !", name, GetPath().c_str());
    }
    throw new vbEsys(true, code(rc), "vbRegKeyInfo::DeleteValue(%s) : RegDeleteValue failure (path='%s') !", name,
        GetPath().c_str());
}

// --- keys ---

bool vbRegKeyInfo::DeleteKey(bool bSubKeys, bool bThrowIfMissing)
{
    if (!GetHKey(Mode::read)) {
        if (!bThrowIfMissing)
            return false;
        throw new vbEsys(true, static_cast<HRESULT>(ERROR_FILE_NOT_FOUND),
            "vbRegKeyInfo::DeleteKey() : Key does not exist (path='%s') !", GetPath().c_str());
    }
    const vbString path = GetPath();
    if (path.IsEmpty())
        throw new vbEsys(true, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED),
            "vbRegKeyInfo::DeleteKey() : Can't remove root keys (path='%s') !", path.c_str());
    // Deleting shifts the positions: each deletion starts the walk again from the first.
    vbString subKey;
    while (EnumKey(0, &subKey)) {
        if (!bSubKeys)
            throw new vbEsys(true, static_cast<HRESULT>(0x80030091u),
                "vbRegKeyInfo::DeleteKey() : This key contains sub keys (path='%s') !", path.c_str());
        vbRegKeyInfo* child = new vbRegKeyInfo(this, subKey);
        try {
            child->DeleteKey(true, true);
        } catch (...) {
            child->Release();
            throw;
        }
        child->Release();
    }
    closeHKey();

    HKEY hParent;
    vbString name;
    if (m_pParent) {
        hParent = m_pParent->GetHKey(Mode::write);
        if (!hParent)
            throw new vbEsys(true, static_cast<HRESULT>(ERROR_FILE_NOT_FOUND),
                "vbRegKeyInfo::DeleteKey() : Can't open parent key (parent key path'%s', key path='%s') !",
                m_pParent->GetPath().c_str(), path.c_str());
        name = m_path;
    } else {
        resolveRoot(&hParent, &name, "DeleteKey", E_INVALIDARG);
    }
    const LONG rc = RegDeleteKeyA(hParent, name);
    if (rc != ERROR_SUCCESS)
        throw new vbEsys(true, code(rc), "vbRegKeyInfo::DeleteKey() : RegDeleteKey failure (path='%s') !",
            path.c_str());
    return true;
}

bool vbRegKeyInfo::EnumKey(int pos, vbString* pName)
{
    HKEY h = GetHKey(Mode::read);
    if (!h)
        return false;
    char name[kNameChars + 1] = {};
    const LONG rc = RegEnumKeyA(h, static_cast<DWORD>(pos), name, kNameChars);
    if (rc == ERROR_NO_MORE_ITEMS)
        return false;
    if (rc != ERROR_SUCCESS)
        throw new vbEsys(true, code(rc), "vbRegKeyInfo::EnumKey(%d) : RegEnumKey failure (path='%s') !", pos,
            GetPath().c_str());
    *pName = name;
    return true;
}

bool vbRegKeyInfo::EnumValue(int pos, vbString* pName, vbVariant* pValue)
{
    HKEY h = GetHKey(Mode::read);
    if (!h)
        return false;
    char name[kNameChars + 1] = {};
    DWORD nameChars = kNameChars;
    DWORD type = 0;
    // As in GetValue: a small value comes with its name, a larger one is asked for again.
    std::vector<BYTE> data;
    DWORD size = pValue && makeBuffer(data, kSmallValue) ? kSmallValue : 0;
    LONG rc = RegEnumValueA(h, static_cast<DWORD>(pos), name, &nameChars, nullptr, pValue ? &type : nullptr,
        size ? data.data() : nullptr, pValue ? &size : nullptr);
    if (rc == ERROR_NO_MORE_ITEMS)
        return false;
    const bool more = pValue && (rc & 0xFFFF) == ERROR_MORE_DATA && nameChars < kNameChars;
    if (rc != ERROR_SUCCESS && !more)
        throw new vbEsys(true, code(rc), "vbRegKeyInfo::EnumValue(%d) : RegEnumValue failure (path='%s') !", pos,
            GetPath().c_str());
    if (pName)
        *pName = name;
    if (!pValue)
        return true;
    nameChars = kNameChars;
    if (more)
        rc = makeBuffer(data, size)
            ? RegEnumValueA(h, static_cast<DWORD>(pos), name, &nameChars, nullptr, &type, data.data(), &size)
            : E_OUTOFMEMORY;
    if ((rc & 0xFFFF) == ERROR_FILE_NOT_FOUND)
        throw new vbEsys(true, code(rc), "vbRegKeyInfo::EnumValue(%d) : RegEnumValue failure (path='%s') !", pos,
            GetPath().c_str());
    if (rc != ERROR_SUCCESS)
        throw new vbEsys(true, code(rc),
            "vbRegKeyInfo::EnumValue(%d: '%s') : RegEnumValue getting value failure (size=%lu, path='%s') !", pos,
            name, static_cast<unsigned long>(size), GetPath().c_str());
    switch (vbImpl::regValueToVariant(type, data.data(), size, pValue)) {
    case vbImpl::RegValueRead::ok:
        return true;
    case vbImpl::RegValueRead::badSize:
        throw new vbEsys(true, HRESULT_FROM_WIN32(ERROR_INVALID_DATA),
            "vbRegKeyInfo::EnumValue(%d: '%s') : The value's size does not fit its type (size=%lu, path='%s') !", pos,
            name, static_cast<unsigned long>(size), GetPath().c_str());
    case vbImpl::RegValueRead::unsupportedType:
        break;
    }
    throw new vbEsys(true, E_NOTIMPL,
        "vbRegKeyInfo::EnumValue(%d: '%s') : The value exists but its type is actually not supported (size=%lu, "
        "path='%s') !",
        pos, name, static_cast<unsigned long>(size), GetPath().c_str());
}
