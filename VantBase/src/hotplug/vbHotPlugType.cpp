#include "vbHotPlugin.h"

#include "hotplug/vbHotPlugWait.h"

#include "vbException.h"
#include "vbRegEngine.h"
#include "vbSharedQueue.h"
#include "vbVantMsgEngine.h"

#include <memory>

const IID IID_vbHotPlugType = {0x72B5D83C, 0xED16, 0x43E7, {0xBD, 0xA0, 0x91, 0x54, 0x60, 0xD8, 0x0C, 0xB1}};

namespace {

const char* const kCbTimeout = "vbHotPlugType::lockCbCall() : timeout, can't call callbacks !";

vbEngineDeps typeDeps(vbExtraMsg* msg, const vbEngineDeps& deps)
{
    vbEngine* const first[] = {&g_vbHotPlugCenter, msg};
    vbEngineDeps all;
    all.Init(first, 2);
    all.Add(deps.GetItems(), deps.GetSize());
    return all;
}

} // namespace

vbHotPlugType::vbHotPlugType(const char* name, const char* version, const char* label, vbExtraMsg* msg,
    const vbEngineDeps& deps)
    : vbEngine(vbEngineStartOnDemand, label, typeDeps(msg, deps)), m_pMsg(msg), m_name(name), m_version(version)
{
}

vbHotPlugType::~vbHotPlugType() { Destroy(); }

bool vbHotPlugType::GetInterface(const GUID& iid, const void** ppv) const
{
    if (iid == IID_vbHotPlugType) {
        *ppv = this;
        return true;
    }
    if (iid == IID_sIvbHotPlugType) {
        *ppv = static_cast<const sIvbHotPlugType*>(this);
        return true;
    }
    return vbEngine::GetInterface(iid, ppv);
}

bool vbHotPlugType::GetInterface(const GUID& iid, void** ppv)
{
    return static_cast<const vbHotPlugType*>(this)->GetInterface(iid, const_cast<const void**>(ppv));
}

vbString vbHotPlugType::GetPlugTypeName() { return vbString(m_name); }
vbString vbHotPlugType::GetPlugTypeVer() { return vbString(m_version); }
vbString vbHotPlugType::GetPlugTypeLabel() { return GetLabel(); }
vbString vbHotPlugType::GetConfigPath() { return GetPlugTypeName() + " plugins." + GetPlugTypeVer(); }
vbRegKey vbHotPlugType::GetConfigKey() { return vbRegKey(vbRegVantMachine, GetConfigPath()); }

void vbHotPlugType::AskConfigUpdate() const
{
    CheckReady();
    g_vbVantMsgEngine.Post(vbSharedQueue::kAll, *m_pMsg, 0, 0);
}

void vbHotPlugType::AddPlugTypeCb(IvbHotPlugTypeCb* cb)
{
    vbLock use(this);
    vbHotPlugHold<vbHotPlugType, &vbHotPlugType::lockCbAdd, &vbHotPlugType::unlockCbAdd> add(this);
    vbSectLock lock(&m_sect);
    addCb(cb);
}

void vbHotPlugType::addCb(IvbHotPlugTypeCb* cb)
{
    int firstEmpty = 0;
    for (int i = 1; i <= m_callbacks.GetLength(); ++i) {
        vbRefPtr<IvbHotPlugTypeCb, &IID_IvbHotPlugTypeCb> held;
        if (!m_callbacks[i]->GetRefPtr(&held)) {
            if (firstEmpty == 0)
                firstEmpty = i;
        } else if (held.Get() == cb) {
            return;
        }
    }
    std::unique_ptr<vbHotPlugTypeCbObs> entry(new vbHotPlugTypeCbObs(cb));
    if (firstEmpty == 0) {
        m_callbacks.Add(entry.get());
        entry.release();
        return;
    }
    delete m_callbacks[firstEmpty];
    m_callbacks[firstEmpty] = entry.release();
}

// --- the listener lock ---

void vbHotPlugType::lockCbCall() const
{
    auto checkStarted = [this] {
        if (!isNowStarted())
            throw new vbEsys("vbHotPlugType::lockCbCall() : destroyed plug");
    };
    checkStarted();
    vbHotPlugWait(&m_sect, [this] {
        if (m_nCbAdd > 0)
            return false;
        ++m_nCbCall;
        return true;
    }, checkStarted, kCbTimeout);
}

void vbHotPlugType::unlockCbCall() const
{
    vbSectLock lock(&m_sect);
    --m_nCbCall;
}

void vbHotPlugType::lockCbAdd() const
{
    vbHotPlugWait(&m_sect, [this] {
        if (m_nCbCall > 0)
            return false;
        ++m_nCbAdd;
        return true;
    }, nullptr, kCbTimeout);
}

void vbHotPlugType::unlockCbAdd() const
{
    vbSectLock lock(&m_sect);
    --m_nCbAdd;
}

// --- start and stop ---

void vbHotPlugType::onStart()
{
    vbSectLock lock(&m_sect);
    m_bConfigLoaded = false;
    m_seenUpdateCnt = -1;
}

bool vbHotPlugType::onStop(bool bForce)
{
    {
        vbHotPlugHold<vbHotPlugType, &vbHotPlugType::lockCbAdd, &vbHotPlugType::unlockCbAdd> add(this);
        vbSectLock lock(&m_sect);
        m_callbacks.Empty();
    }
    vbSectLock lock(&m_sect);
    return bForce || m_liveRecords == 0;
}

vbPlugUpdateCaps vbHotPlugType::onGetPluginCaps() { return vbPlugUpdateAllow; }
vbPlugUpdateCaps vbHotPlugType::onErrorGetPluginCaps() { return vbPlugUpdateAllow; }
