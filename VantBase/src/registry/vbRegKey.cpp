// Key handles and the two enumerators over the shared key record.

#include "vbRegKey.h"

#include "registry/vbRegKeyInfo.h"

#include "vbException.h"
#include "vbExceptionReport.h"

namespace {

[[noreturn]] void throwUnlinked(const char* msg) { throw new vbEsys(E_FAIL, msg); }

// Shares other's record (raised before the old one goes: it may be the same), or none.
void shareRecord(vbRegKeyInfo*& mine, vbRegKeyInfo* other)
{
    if (other)
        other->AddRef();
    vbRegKeyInfo* old = mine;
    mine = other;
    if (old)
        old->Release();
}

void releaseRecord(vbRegKeyInfo*& mine) { shareRecord(mine, nullptr); }

// Destructors report what they catch instead of passing it on.
void closeQuietly(vbRegKeyInfo*& info, int line) noexcept
{
    try {
        releaseRecord(info);
    } catch (CException* e) {
        vbShowException(e, true, "vbRegistry", line);
    } catch (...) {
    }
}

} // namespace

// --- key handles ---

vbRegKey::vbRegKey() noexcept : m_pInfo(nullptr) { }

vbRegKey::vbRegKey(vbRegRoot root, const vbString& path) : m_pInfo(nullptr) { Init(root, path); }

vbRegKey::vbRegKey(vbRegKey& parent, const vbString& subPath) : m_pInfo(nullptr) { Init(parent, subPath); }

vbRegKey::vbRegKey(const vbRegKey& other) : m_pInfo(nullptr) { Init(other); }

vbRegKey::~vbRegKey() { closeQuietly(m_pInfo, __LINE__); }

vbRegKey& vbRegKey::operator=(const vbRegKey& other)
{
    Init(other);
    return *this;
}

void vbRegKey::Init(vbRegRoot root, const vbString& path)
{
    Close();
    m_pInfo = new vbRegKeyInfo(root, path);
}

void vbRegKey::Init(vbRegKey& parent, const vbString& subPath) { Init(parent.m_pInfo, subPath); }

void vbRegKey::Init(const vbRegKey& other) { shareRecord(m_pInfo, other.m_pInfo); }

void vbRegKey::Init(vbRegKeyInfo* parent, const vbString& subPath)
{
    if (!parent)
        throw new vbEsys(E_INVALIDARG, "vbRegKey::Init(parent,path) : parent not linked to a registry key !");
    // Built before the old record goes: the parent may be held only through it.
    vbRegKeyInfo* info = new vbRegKeyInfo(parent, subPath);
    Close();
    m_pInfo = info;
}

void vbRegKey::Close() { releaseRecord(m_pInfo); }

vbRegKeyInfo* vbRegKey::info(const char* unlinkedMsg) const
{
    if (!m_pInfo)
        throwUnlinked(unlinkedMsg);
    return m_pInfo;
}

vbVariant vbRegKey::GetDefaultValue()
{
    vbVariant v;
    info("vbRegKey::GetDefaultValue() : not linked to a registry key !")->GetValue("", &v);
    return v;
}

vbVariant vbRegKey::GetValue(const char* name)
{
    if (!m_pInfo)
        throw new vbEsys(true, E_FAIL, "vbRegKey::GetValue(%s) : not linked to a registry key !", name ? name : "");
    vbVariant v;
    m_pInfo->GetValue(name, &v);
    return v;
}

void vbRegKey::SetDefaultValue(const vbVariant& v, bool bExpand)
{
    info("vbRegKey::SetDefaultValue() : not linked to a registry key !")->SetValue("", v, bExpand);
}

void vbRegKey::SetValue(const char* name, const vbVariant& v, bool bExpand)
{
    if (!m_pInfo)
        throw new vbEsys(true, E_FAIL, "vbRegKey::SetValue(%s,...) : not linked to a registry key !", name ? name : "");
    m_pInfo->SetValue(name, v, bExpand);
}

bool vbRegKey::DefaultValueExists()
{
    return info("vbRegKey::IsDefaultValueDefined() : not linked to a registry key !")->ValueExists("");
}

bool vbRegKey::ValueExists(const char* name)
{
    return info("vbRegKey::ValueExists() : not linked to a registry key !")->ValueExists(name);
}

bool vbRegKey::Exists()
{
    return info("vbRegKey::Exists() : not linked to a registry key !")->GetHKey(vbRegKeyInfo::Mode::read) != nullptr;
}

vbRegKey& vbRegKey::CreateKey()
{
    info("vbRegKey::CreateKey() : not linked to a registry key !")->GetHKey(vbRegKeyInfo::Mode::create);
    return *this;
}

vbString vbRegKey::GetName() const { return info("vbRegKey::GetName() : not linked to a registry key !")->GetName(); }

vbString vbRegKey::GetPath() const { return info("vbRegKey::GetPath() : not linked to a registry key !")->GetPath(); }

vbRegRoot vbRegKey::GetRoot() const
{
    return info("vbRegKey::GetRootKey() : not linked to a registry key !")->GetRoot();
}

bool vbRegKey::DeleteValue(const char* name, bool bThrowIfMissing)
{
    return info("vbRegKey::DeleteValue() : not linked to a registry key !")->DeleteValue(name, bThrowIfMissing);
}

bool vbRegKey::DeleteDefaultValue(bool bThrowIfMissing)
{
    return info("vbRegKey::DeleteDefaultValue() : not linked to a registry key !")->DeleteValue("", bThrowIfMissing);
}

bool vbRegKey::DeleteKey(bool bSubKeys, bool bThrowIfMissing)
{
    return info("vbRegKey::DeleteKey() : not linked to a registry key !")->DeleteKey(bSubKeys, bThrowIfMissing);
}

bool vbRegKey::DeleteKey(const char* subKey, bool bSubKeys, bool bThrowIfMissing)
{
    vbRegKey sub;
    sub.Init(info("vbRegKey::DeleteKey() : not linked to a registry key !"), vbString(subKey));
    return sub.m_pInfo->DeleteKey(bSubKeys, bThrowIfMissing);
}

HKEY vbRegKey::getHKey(bool bWrite)
{
    return info("vbRegKey::getHKey() : not linked to a registry key !")
        ->GetHKey(bWrite ? vbRegKeyInfo::Mode::create : vbRegKeyInfo::Mode::read);
}

// --- sub-key enumerator ---

vbRegEnumKey::vbRegEnumKey() noexcept : m_pInfo(nullptr), m_pos(0) { }

vbRegEnumKey::vbRegEnumKey(vbRegKey& key) : m_pInfo(nullptr), m_pos(0) { Init(key); }

vbRegEnumKey::~vbRegEnumKey() { closeQuietly(m_pInfo, __LINE__); }

void vbRegEnumKey::Init(vbRegKey& key)
{
    if (!key.m_pInfo)
        throw new vbEsys(E_INVALIDARG,
            "vbRegEnumKey::RegEnumKeyInit(vbRegKey &key) : argument key not linked to a registry key !");
    shareRecord(m_pInfo, key.m_pInfo);
    m_pos = 0;
}

void vbRegEnumKey::Close() { releaseRecord(m_pInfo); }

bool vbRegEnumKey::next(vbString* pName)
{
    if (!m_pInfo)
        throw new vbEsys(E_FAIL, "vbRegEnumKey::Next() : not linked to a registry key !");
    if (!m_pInfo->EnumKey(m_pos, pName))
        return false;
    ++m_pos;
    return true;
}

bool vbRegEnumKey::Next(vbString* pName)
{
    if (!pName)
        throw new vbEsys(E_POINTER, "vbRegEnumKey::Next(pKeyName) : pKeyName is NULL !");
    return next(pName);
}

bool vbRegEnumKey::Next(vbRegKey* pSubKey)
{
    if (!pSubKey)
        throw new vbEsys(E_POINTER, "vbRegEnumKey::Next(pSubKey) : pSubKey is NULL !");
    vbString name;
    if (!next(&name))
        return false;
    pSubKey->Init(m_pInfo, name);
    return true;
}

bool vbRegEnumKey::Next()
{
    vbString name;
    return next(&name);
}

// --- value enumerator ---

vbRegEnumValue::vbRegEnumValue() noexcept : m_pInfo(nullptr), m_pos(0) { }

vbRegEnumValue::vbRegEnumValue(vbRegKey& key) : m_pInfo(nullptr), m_pos(0) { Init(key); }

vbRegEnumValue::~vbRegEnumValue() { closeQuietly(m_pInfo, __LINE__); }

void vbRegEnumValue::Init(vbRegKey& key)
{
    if (!key.m_pInfo)
        throw new vbEsys(E_INVALIDARG,
            "vbRegEnumValue::RegEnumValueInit(vbRegKey &key) : argument key not linked to a registry key !");
    shareRecord(m_pInfo, key.m_pInfo);
    m_pos = 0;
}

void vbRegEnumValue::Close() { releaseRecord(m_pInfo); }

bool vbRegEnumValue::next(vbString* pName, vbVariant* pValue)
{
    if (!m_pInfo)
        throw new vbEsys(E_FAIL, "vbRegEnumValue::Next() : not linked to a registry key !");
    if (!m_pInfo->EnumValue(m_pos, pName, pValue))
        return false;
    ++m_pos;
    return true;
}

bool vbRegEnumValue::Next(vbString* pName)
{
    if (!pName)
        throw new vbEsys(E_POINTER, "vbRegEnumKey::Next(pValName) : pValName is NULL !");
    return next(pName, nullptr);
}

bool vbRegEnumValue::Next(vbString* pName, vbVariant* pValue)
{
    if (!pName)
        throw new vbEsys(E_POINTER, "vbRegEnumKey::Next(pValName) : pValName is NULL !");
    if (!pValue)
        throw new vbEsys(E_POINTER, "vbRegEnumValue::Next(pValName,pValue) : pValue is NULL !");
    return next(pName, pValue);
}

bool vbRegEnumValue::Next() { return next(nullptr, nullptr); }
