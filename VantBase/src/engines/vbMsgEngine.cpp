// The message centre and the message engines.

#include "vbMsg.h"

#include "vbException.h"
#include "vbObjects.h"

#include "plat/errors.h"

const IID IID_vbMsgEngine = {0xFCFC22D9, 0x3ABF, 0x44C2, {0xA7, 0x0E, 0x9F, 0x58, 0x45, 0x3B, 0x3F, 0xEB}};
const IID IID_vbMsg = {0x2B1BF2EF, 0xD4C1, 0x44DA, {0xA4, 0xFE, 0xFE, 0x41, 0xD4, 0xE9, 0xD3, 0x3D}};
const IID IID_vbExtraMsg = {0x3D67C01F, 0xCCCD, 0x450A, {0xAB, 0x54, 0x23, 0x3D, 0x4C, 0x56, 0xC5, 0x8B}};
const IID IID_vbExtraDataMsg = {0x5C0027FE, 0xA73C, 0x4FCA, {0xA8, 0xB2, 0x57, 0x95, 0xB2, 0x0C, 0xFB, 0x64}};

vbMsgEngine g_vbMsgEngine("KVX Vantrel Intra application Message Center", vbEngineDeps());

namespace {

// Private numbers start right after this one.
constexpr DWORD kMsgBase = 0x7FFF;

vbEngineDeps depsAfter(vbEngine* first, const vbEngineDeps& rest)
{
    vbEngineDeps deps;
    deps.Add(first);
    deps.Add(rest.GetItems(), rest.GetSize());
    return deps;
}

bool answer(void** ppv, void* face)
{
    *ppv = face;
    return true;
}

} // namespace

// --- message centre ---

vbMsgEngine::vbMsgEngine(const char* label, const vbEngineDeps& deps)
    : vbEngine(vbEngineStartOnDemand, label, deps)
{
}

vbMsgEngine::~vbMsgEngine() { Destroy(); }

bool vbMsgEngine::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbMsgEngine)
        return answer(ppv, this);
    return vbEngine::GetInterface(iid, ppv);
}

int vbMsgEngine::Add(vbMsg* msg)
{
    vbLock use(this);
    vbSectLock lock(&GetCenter()->m_lock);
    const int count = m_table.GetLength();
    for (int i = 1; i <= count; ++i) {
        if (!m_table[i]) {
            m_table[i] = msg;
            return i;
        }
    }
    // Checked before the table grows: a slot past the range, even left empty, would be handed out
    // by the next scan.
    if (count >= kMaxMessages)
        throw new vbEsys("vbMsgEngine::Add() : too many messages");
    return m_table.Add(msg);
}

void vbMsgEngine::Remove(int index)
{
    if (!isNowStarted())
        return;
    vbSectLock lock(&GetCenter()->m_lock);
    m_table[index] = nullptr;
}

bool vbMsgEngine::onStop(bool)
{
    m_table.Empty();
    return true;
}

// --- private messages ---

vbMsg::vbMsg(const char* label, const vbEngineDeps& deps)
    : vbEngine(vbEngineStartOnDemand, label, depsAfter(&g_vbMsgEngine, deps))
{
}

vbMsg::~vbMsg() { Destroy(); }

bool vbMsg::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbMsg)
        return answer(ppv, this);
    return vbEngine::GetInterface(iid, ppv);
}

vbMsg::operator DWORD() const
{
    vbLock use(this);
    return GetMsg();
}

DWORD vbMsg::GetMsg() const
{
    vbSectLock lock(&m_sect);
    return kMsgBase + static_cast<DWORD>(m_index);
}

void vbMsg::onStart()
{
    const int index = g_vbMsgEngine.Add(this);
    vbSectLock lock(&m_sect);
    m_index = index;
}

bool vbMsg::onStop(bool)
{
    int index;
    {
        vbSectLock lock(&m_sect);
        index = m_index;
    }
    if (index) {
        g_vbMsgEngine.Remove(index);
        vbSectLock lock(&m_sect);
        m_index = 0;
    }
    return true;
}

// --- registered messages ---

vbExtraMsg::vbExtraMsg(const char* name, const vbEngineDeps& deps) : vbExtraMsg("vbExtraMsg", name, deps) { }

vbExtraMsg::vbExtraMsg(const char* kind, const char* name, const vbEngineDeps& deps)
    : vbEngine(vbEngineStartOnDemand, name, deps), m_kind(kind)
{
}

vbExtraMsg::~vbExtraMsg() { Destroy(); }

bool vbExtraMsg::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbExtraMsg)
        return answer(ppv, this);
    return vbEngine::GetInterface(iid, ppv);
}

vbExtraMsg::operator DWORD() const
{
    vbLock use(this);
    return m_id;
}

void vbExtraMsg::onStart()
{
    const UINT id = RegisterWindowMessageA(GetLabelPtr());
    if (id == 0)
        throw new vbEsys(true, HRESULT_FROM_WIN32(GetLastError()), "%s(%s)::onStart() : RegisterWindowMessage failure",
            m_kind, GetLabelPtr());
    if (id < 0xC000)
        throw new vbEsys(true, HRESULT_FROM_WIN32(GetLastError()),
            "%s(%s)::onStart() : RegisterWindowMessage failure (id < 0xC000)", m_kind, GetLabelPtr());
    m_id = id;
}

bool vbExtraMsg::onStop(bool)
{
    m_id = 0;
    return true;
}

vbExtraDataMsg::vbExtraDataMsg(const char* name, const vbEngineDeps& deps)
    : vbExtraMsg("vbExtraDataMsg", name, deps)
{
}

vbExtraDataMsg::~vbExtraDataMsg() { Destroy(); }

bool vbExtraDataMsg::GetInterface(const GUID& iid, void** ppv)
{
    // A data message is not a plain registered message: only its own identifier and the
    // engine's are answered.
    if (iid == IID_vbExtraDataMsg)
        return answer(ppv, this);
    return vbEngine::GetInterface(iid, ppv);
}
