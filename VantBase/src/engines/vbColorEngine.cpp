// The colour engine: resolution of colour values, the system colour cache and the table of
// running user colours.

#include "vbColor.h"

#include "vbException.h"
#include "vbObjects.h"

#include "plat/sysmetrics.h"

#include <vector>

const IID IID_vbColorEngine = {0x953877A7, 0x3A35, 0x4ADE, {0x84, 0x60, 0xD0, 0x7E, 0x31, 0x16, 0xB5, 0x89}};

vbColorEngine g_vbColorEngine(nullptr, "KVX Vantrel Color Engine");

namespace {

constexpr DWORD kRefBit = 0x80000000u;
constexpr int kFirstUserId = 256;
// Ids have 12 bits: user colour numbers beyond this would alias smaller ids.
constexpr int kMaxUserColors = 0xFFF - (kFirstUserId - 1);
// References followed in one resolution: 0 to 10 deep.
constexpr int kMaxRecursion = 10;

} // namespace

vbColorEngine::vbColorEngine(vbEngineCenter* pCenter, const char* label)
    : vbEngine(pCenter, vbEngineStartOnDemand, label, vbEngineDeps())
{
    for (DWORD& c : m_sysCache)
        c = vbNULLCOLOR;
}

vbColorEngine::~vbColorEngine() { Destroy(); }

bool vbColorEngine::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbColorEngine) {
        *ppv = this;
        return true;
    }
    return vbEngine::GetInterface(iid, ppv);
}

void vbColorEngine::onStart()
{
    vbSectLock lock(&m_sect);
    for (DWORD& c : m_sysCache)
        c = vbNULLCOLOR;
    m_users.Empty();
    m_osMajor = GetCenter()->GetOSver();
}

bool vbColorEngine::onStop(bool)
{
    vbSectLock lock(&m_sect);
    for (DWORD& c : m_sysCache)
        c = vbNULLCOLOR;
    m_users.Empty();
    return true;
}

int vbColorEngine::resolveId(DWORD color) const
{
    const DWORD minMajor = color >> 24 & 0x7Fu;
    if (minMajor > m_osMajor)
        color >>= 12;
    const int id = static_cast<int>(color & 0xFFFu);
    if (id >= kSysColors && id < kFirstUserId)
        throw new vbEsys(true, E_FAIL, "vbColorEngine()::GetRgb(), bad color id (%X)", static_cast<unsigned>(id));
    return id;
}

DWORD vbColorEngine::sysColor(int id)
{
    if (m_sysCache[id] == vbNULLCOLOR)
        m_sysCache[id] = GetSysColor(id);
    return m_sysCache[id];
}

const vbColorEngine::UserEntry& vbColorEngine::userEntry(int id, int nRec) const
{
    if (nRec > kMaxRecursion)
        throw new vbEsys(true, E_FAIL, "vbColorEngine()::GetRgb(), too many recursive calls (%X,nb rec calls=%d)",
            static_cast<unsigned>(id), nRec);
    const int number = id - (kFirstUserId - 1);
    if (number > m_users.GetLength())
        throw new vbEsys(true, E_FAIL, "vbColorEngine()::GetRgb(), bad user color index (%d,nb user colors=%d)",
            number, m_users.GetLength());
    return m_users[number];
}

DWORD vbColorEngine::GetRgb(DWORD color, int nRec)
{
    vbLock use(this);
    if (color == vbNULLCOLOR)
        throw new vbEsys(E_FAIL, "vbColorEngine()::GetRgb(), color is NULL (vbNULLCOLOR)");
    if (!(color & kRefBit))
        return color;
    const int id = resolveId(color);
    vbSectLock lock(&m_sect);
    if (id < kSysColors)
        return sysColor(id);
    return GetRgb(userEntry(id, nRec).value, nRec + 1);
}

bool vbColorEngine::IsColorNull(DWORD color, int nRec)
{
    vbLock use(this);
    if (color == vbNULLCOLOR)
        return true;
    if (!(color & kRefBit))
        return false;
    const int id = resolveId(color);
    if (id < kSysColors)
        return false;
    vbSectLock lock(&m_sect);
    return IsColorNull(userEntry(id, nRec).value, nRec + 1);
}

void vbColorEngine::Add(vbColorType* type)
{
    vbLock use(this);
    vbSectLock lock(&m_sect);
    int slot = 0;
    for (int i = 1; i <= m_users.GetLength() && !slot; ++i)
        if (!m_users[i].type)
            slot = i;
    if (!slot) {
        if (m_users.GetLength() >= kMaxUserColors)
            throw new vbEsys(true, E_FAIL, "vbColorEngine::Add(%s) : too many user colors (%d)",
                type->m_name ? type->m_name : "", m_users.GetLength());
        slot = m_users.AddEmpty();
    }
    UserEntry& entry = m_users[slot];
    entry.value = type->effective();
    entry.type = type;
    entry.name = type->m_name;
    type->m_number = slot;
    type->m_ref = kRefBit | static_cast<DWORD>(slot + kFirstUserId - 1);
}

// Types stop before the engine (they depend on it), also while the centre shuts down and the
// engine can no longer be locked, so the slot is freed under the section alone.
void vbColorEngine::Remove(vbColorType* type)
{
    vbSectLock lock(&m_sect);
    const int slot = type->m_number;
    if (slot >= 1 && slot <= m_users.GetLength() && m_users[slot].type == type)
        m_users[slot].type = nullptr;
    type->m_number = 0;
    type->m_ref = vbNULLCOLOR;
}

void vbColorEngine::SetUserColor(int number, DWORD value)
{
    vbLock use(this);
    vbSectLock lock(&m_sect);
    m_users[number].value = value;
}

DWORD vbColorEngine::GetUserColor(const vbString& name)
{
    vbLock use;
    if (!IsNowStarted(&use))
        return vbNULLCOLOR;
    vbSectLock lock(&m_sect);
    for (int i = 1; i <= m_users.GetLength(); ++i) {
        const UserEntry& entry = m_users[i];
        if (entry.type && entry.name.CompareNoCase(name) == 0)
            return kRefBit | static_cast<DWORD>(i + kFirstUserId - 1);
    }
    return vbNULLCOLOR;
}

vbString vbColorEngine::GetUserColorName(int number)
{
    vbLock use;
    if (!IsNowStarted(&use))
        return vbString();
    vbSectLock lock(&m_sect);
    if (number < 1 || number > m_users.GetLength())
        return vbString();
    return m_users[number].name;
}

void vbColorEngine::SysChanges()
{
    vbLock use;
    if (!IsNowStarted(&use))
        return;
    vbSectLock lock(&m_sect);
    for (DWORD& c : m_sysCache)
        c = vbNULLCOLOR;
}

void vbColorEngine::UserChanges()
{
    vbLock use;
    if (!IsNowStarted(&use))
        return;
    std::vector<vbColorType*> types;
    {
        vbSectLock lock(&m_sect);
        for (int i = 1; i <= m_users.GetLength(); ++i)
            if (m_users[i].type)
                types.push_back(m_users[i].type);
    }
    for (vbColorType* type : types) {
        // A type that stopped meanwhile has left the table (its stop frees the slot under the
        // section): only one still registered is locked and read.
        vbLock typeUse;
        {
            vbSectLock lock(&m_sect);
            bool registered = false;
            for (int i = 1; i <= m_users.GetLength() && !registered; ++i)
                registered = m_users[i].type == type;
            if (!registered || !type->IsNowStarted(&typeUse))
                continue;
        }
        type->ConfigRead();
    }
}
