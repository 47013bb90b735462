#include "vbHotPlugin.h"

#include "hotplug/vbHotPlugWait.h"

#include "vbExceptionReport.h"

#include "vbException.h"
#include "vbRegEngine.h"
#include "vbSharedQueue.h"
#include "vbVantMsgEngine.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

const IID IID_vbHotPlugType = {0x72B5D83C, 0xED16, 0x43E7, {0xBD, 0xA0, 0x91, 0x54, 0x60, 0xD8, 0x0C, 0xB1}};
const IID IID_vbHotPlugTypePlugin = {0x2B2174C2, 0x98CB, 0x46CA, {0x81, 0x22, 0xD3, 0x77, 0xBA, 0x71, 0xB8, 0xBB}};

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

vbHotPlugType::~vbHotPlugType()
{
    Destroy();
    m_msgCb.reset();
}

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
    // The engine's own faces without its const form, which asks this object again.
    return const_cast<vbHotPlugType*>(this)->vbEngine::GetInterface(iid, const_cast<void**>(ppv));
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

// --- telling the listeners ---

void vbHotPlugType::tellListeners(const std::function<void(IvbHotPlugTypeCb* cb)>& tell)
{
    vbHotPlugHold<vbHotPlugType, &vbHotPlugType::lockCbCall, &vbHotPlugType::unlockCbCall> calls(this);
    vbSectLock lock(&m_sect);
    for (int i = 1; i <= m_callbacks.GetLength(); ++i) {
        vbRefPtr<IvbHotPlugTypeCb, &IID_IvbHotPlugTypeCb> cb;
        if (!m_callbacks[i]->GetRefPtr(&cb))
            continue;
        lock.Unlock();
        try {
            tell(cb);
        } catch (CException* e) {
            vbTraceException(e, true, "vbHotPlugin", __LINE__);
        } catch (...) {
            vbTraceException(nullptr, false, "vbHotPlugin", __LINE__);
        }
        lock.Lock(&m_sect);
    }
}

vbPlugUpdateCaps vbHotPlugType::askListeners(vbPlugUpdateCaps first,
    const std::function<vbPlugUpdateCaps(IvbHotPlugTypeCb* cb)>& ask)
{
    int answer = first;
    tellListeners([&](IvbHotPlugTypeCb* cb) {
        // A listener that throws counts as -1.
        int one = -1;
        try {
            one = ask(cb);
        } catch (...) {
            answer = std::max(answer, one);
            throw;
        }
        answer = std::max(answer, one);
    });
    return static_cast<vbPlugUpdateCaps>(answer);
}

void vbHotPlugType::centreInUpdate(bool bRaise)
{
    vbSectLock lock(&g_vbHotPlugCenter.m_sect);
    if (bRaise)
        g_vbHotPlugCenter.mainLockInUpdate();
    else
        g_vbHotPlugCenter.mainUnlockInUpdate();
}

int vbHotPlugType::findPlugObj(const Object* element, const vbString& name) { return vbSortStringNC(element->name, name); }

int vbHotPlugType::findPlugin(const PluginPtr* element, const GUID& id)
{
    return std::memcmp(&(*element)->GetPluginId(), &id, sizeof(GUID));
}

void vbHotPlugType::unloadObjectConfig(const vbArray<Object>& objects)
{
    for (int i = 1; i <= objects.GetLength(); ++i) {
        try {
            onUnloadConfigForPluggedObject(objects[i].plugin->GetPluginId(), objects[i].name, objects[i].data);
        } catch (CException* e) {
            vbTraceException(e, true, "vbHotPlugin", __LINE__);
        }
    }
}

// --- start and stop ---

void vbHotPlugType::onStart()
{
    vbSectLock lock(&m_sect);
    m_bConfigLoaded = false;
    m_seenUpdateCnt = -1;
    lock.Unlock();
    m_msgCb.emplace(m_pMsg, vbVANTMSGCB(this, &vbHotPlugType::receiveExternalMsg), true);
}

bool vbHotPlugType::onStop(bool bForce)
{
    m_msgCb.reset();
    // Unloading a module pumps messages and may wait for seconds: the tables are emptied under
    // the lock, the hooks and the records are dealt with after it is released.
    vbArray<Object> objects;
    vbArray<PluginPtr> plugins;
    {
        vbHotPlugHold<vbHotPlugType, &vbHotPlugType::lockCbAdd, &vbHotPlugType::unlockCbAdd> add(this);
        vbSectLock lock(&m_sect);
        objects = m_objects;
        m_objects.Empty();
        plugins = m_plugins;
        m_plugins.Empty();
        m_callbacks.Empty();
        m_notif.Release();
    }
    unloadObjectConfig(objects);
    objects.Empty();
    for (int i = 1; i <= plugins.GetLength(); ++i) {
        try {
            plugins[i]->Destroy();
        } catch (CException* e) {
            vbTraceException(e, true, "vbHotPlugin", __LINE__);
        }
    }
    plugins.Empty();
    vbSectLock lock(&m_sect);
    return bForce || m_liveRecords == 0;
}

vbPlugUpdateCaps vbHotPlugType::onGetPluginCaps() { return vbPlugUpdateAllow; }
vbPlugUpdateCaps vbHotPlugType::onErrorGetPluginCaps() { return vbPlugUpdateAllow; }
