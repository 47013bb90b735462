#include "hotplug/vbHotPlugger.h"

#include "vbException.h"
#include "vbExceptionReport.h"

#include "plat/time.h"

#include <cstring>

const IID IID_vbHotPlugCenter = {0xE27BD244, 0xDD27, 0x422E, {0xAF, 0xD3, 0x18, 0x81, 0x82, 0xA4, 0x12, 0x22}};

// Within this file the message is built first and destroyed last; the centre takes its address
// only.
vbExtraDataMsg g_vbHotPlugDataMsg("KVX Vantrel HotPlug Message 2");
vbHotPlugCenter g_vbHotPlugCenter("KVX Vantrel HotPlug Center 2", vbEngineDeps());

class vbHotPlugCenter::MainCbAddHold
    : public vbHotPlugHold<vbHotPlugCenter, &vbHotPlugCenter::mainLockCbAdd, &vbHotPlugCenter::mainUnlockCbAdd> {
public:
    using vbHotPlugHold::vbHotPlugHold;
};

class vbHotPlugCenter::MainCbCallHold
    : public vbHotPlugHold<vbHotPlugCenter, &vbHotPlugCenter::mainLockCbCall, &vbHotPlugCenter::mainUnlockCbCall> {
public:
    using vbHotPlugHold::vbHotPlugHold;
};

namespace {

vbEngineDeps centreDeps(const vbEngineDeps& deps)
{
    vbEngine* const first[] = {&g_vbVantMsgEngine, &g_vbHotPlugDataMsg};
    vbEngineDeps all;
    all.Init(first, 2);
    all.Add(deps.GetItems(), deps.GetSize());
    return all;
}

void tellLoad(IvbHotPlugCb* cb, IvbHotPlugger* plugger, bool b) { cb->OnLoadPluginAsked(plugger, b); }
void tellUnload(IvbHotPlugCb* cb, IvbHotPlugger* plugger, bool b) { cb->OnUnloadPluginAsked(plugger, b); }

} // namespace

vbHotPlugCenter::vbHotPlugCenter(const char* label, const vbEngineDeps& deps)
    : vbEngine(vbEngineStartAuto, label, centreDeps(deps))
{
}

vbHotPlugCenter::~vbHotPlugCenter() { Destroy(); }

bool vbHotPlugCenter::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbHotPlugCenter) {
        *ppv = this;
        return true;
    }
    return vbEngine::GetInterface(iid, ppv);
}

// --- start and stop ---

void vbHotPlugCenter::onStart()
{
    m_dataCb.emplace(48, &g_vbHotPlugDataMsg, vbVANTDATACB(this, &vbHotPlugCenter::onReceiveExternalMsg), true);
    m_retryTimer.emplace(1000, vbVANTTIMERCB(this, &vbHotPlugCenter::onRetryTimer), false);
}

bool vbHotPlugCenter::onStop(bool bForce)
{
    {
        vbSectLock lock(&m_sect);
        m_retries.Empty();
    }
    {
        MainCbAddHold add(this);
        vbSectLock lock(&m_sect);
        m_callbacks.Empty();
    }
    m_retryTimer.reset();
    m_dataCb.reset();
    stopAllPlugDownload();
    {
        // The records go with the lock released: a last reference runs the record's destructor.
        vbArray<PluggerPtr> pluggers;
        {
            vbSectLock lock(&m_sect);
            pluggers = m_pluggers;
            m_ids.Empty();
            m_pluggers.Empty();
        }
    }
    vbSectLock lock(&m_sect);
    return bForce || m_livePluggers == 0;
}

// --- record lookup ---

int vbHotPlugCenter::sortPlug(const PluggerPtr* a, const PluggerPtr* b)
{
    return vbSortStringNC((*a)->m_modulePath, (*b)->m_modulePath);
}

int vbHotPlugCenter::findPlug(const PluggerPtr* element, const vbString& path)
{
    return vbSortStringNC((*element)->m_modulePath, path);
}

int vbHotPlugCenter::sortPlugId(const PlugId* a, const PlugId* b) { return std::memcmp(&a->clsid, &b->clsid, sizeof(GUID)); }

int vbHotPlugCenter::findPlugId(const PlugId* element, const GUID& clsid)
{
    return std::memcmp(&element->clsid, &clsid, sizeof(GUID));
}

vbHotPlugCenter::Plugger* vbHotPlugCenter::getPlugger(const GUID& clsid)
{
    int idPos = 0;
    if (const PlugId* id = m_ids.FindSorted<const GUID&>(clsid, findPlugId, &idPos))
        return id->plugger;
    const vbString path = vbGetModulePath(clsid);
    int pathPos = 1;
    Plugger* plugger = findPlugger(path, &pathPos);
    if (!plugger)
        plugger = newPlugger(path, clsid, pathPos);
    m_ids.Insert(idPos, PlugId{clsid, plugger});
    return plugger;
}

vbHotPlugCenter::Plugger* vbHotPlugCenter::findPlugger(const vbString& path, int* pPos)
{
    *pPos = 1;
    if (path.IsEmpty())
        return nullptr;
    const PluggerPtr* found = m_pluggers.FindSorted<const vbString&>(path, findPlug, pPos);
    return found ? found->Get() : nullptr;
}

vbHotPlugCenter::Plugger* vbHotPlugCenter::newPlugger(const vbString& path, const GUID& clsid, int pos)
{
    PluggerPtr made;
    made = new Plugger(this, path, clsid);
    made->Release();
    made->Create();
    m_pluggers.Insert(pos, made);
    return made;
}

void vbHotPlugCenter::sortPlugPath()
{
    vbSectLock lock(&m_sect);
    for (int i = 2; i <= m_pluggers.GetLength(); ++i) {
        for (int j = i; j > 1 && sortPlug(&m_pluggers[j - 1], &m_pluggers[j]) > 0; --j) {
            PluggerPtr moved = m_pluggers[j];
            m_pluggers[j] = m_pluggers[j - 1];
            m_pluggers[j - 1] = moved;
        }
    }
}

// --- operations ---

vbPlugRet vbHotPlugCenter::PlugTypeStart(const vbString& plugTypeName, IvbHotPlugCb* cb)
{
    vbLock use(this);
    vbPlugRet ret = vbPlugReady;
    vbSectLock lock(&m_sect);
    for (int i = 1; i <= m_pluggers.GetLength(); ++i) {
        PluggerPtr plugger = m_pluggers[i];
        if (!plugTypeName.IsEmpty() && !plugger->HasPlugType(plugTypeName))
            continue;
        lock.Unlock();
        if (plugger->UpdateIfAsked(cb, 1) == vbPlugUpdating)
            ret = vbPlugUpdating;
        lock.Lock(&m_sect);
    }
    return ret;
}

vbPlugRet vbHotPlugCenter::LoadPlugin(const GUID& clsid, IvbHotPlugCb* cb)
{
    vbLock use(this);
    PluggerPtr plugger;
    {
        vbSectLock lock(&m_sect);
        plugger = getPlugger(clsid);
    }
    return static_cast<vbPlugRet>(plugger->UpdateIfAsked(cb, 1));
}

void vbHotPlugCenter::AddPluginCb(const GUID& clsid, IvbHotPlugCb* cb)
{
    vbLock use(this);
    PluggerPtr plugger;
    {
        vbSectLock lock(&m_sect);
        plugger = getPlugger(clsid);
    }
    plugger->AddPluginCb(cb);
}

void vbHotPlugCenter::AddPluginCb(IvbHotPlugCb* cb)
{
    vbLock use(this);
    MainCbAddHold add(this);
    vbSectLock lock(&m_sect);
    mainCleanCb();
    mainAddCb(cb);
}

void vbHotPlugCenter::mainCleanCb() { vbHotPlugCleanCb(m_callbacks); }

void vbHotPlugCenter::mainAddCb(IvbHotPlugCb* cb) { vbHotPlugAddCb(m_callbacks, cb); }

void vbHotPlugCenter::fireOnLoadPluginAsked(IvbHotPlugger* plugger, bool b, bool bLock)
{
    fireAll(bLock, tellLoad, plugger, b);
}

void vbHotPlugCenter::fireOnUnloadPluginAsked(IvbHotPlugger* plugger, bool b, bool bLock)
{
    fireAll(bLock, tellUnload, plugger, b);
}

void vbHotPlugCenter::fireAll(bool bLock, void (*tell)(IvbHotPlugCb* cb, IvbHotPlugger* plugger, bool b),
    IvbHotPlugger* plugger, bool b)
{
    MainCbCallHold calls;
    if (bLock)
        calls.Lock(this);
    vbSectLock lock(&m_sect);
    for (int i = 1; i <= m_callbacks.GetLength(); ++i) {
        vbHotPlugCbPtr cb;
        if (!vbHotPlugGetCb(m_callbacks, i, &cb))
            continue;
        lock.Unlock();
        try {
            tell(cb, plugger, b);
        } catch (CException* e) {
            vbTraceException(e, true, "vbHotPlug", __LINE__);
        }
        lock.Lock(&m_sect);
    }
}

void vbHotPlugCenter::CheckPluginPath(const GUID& clsid)
{
    vbLock use(this);
    PluggerPtr plugger;
    {
        vbSectLock lock(&m_sect);
        const PlugId* id = m_ids.FindSorted<const GUID&>(clsid, findPlugId, nullptr);
        if (!id)
            return;
        plugger = id->plugger;
    }
    plugger->CheckPluginPath();
}

void vbHotPlugCenter::stopAllPlugDownload()
{
    vbSectLock lock(&m_sect);
    for (int i = 1; i <= m_pluggers.GetLength(); ++i) {
        PluggerPtr plugger = m_pluggers[i];
        lock.Unlock();
        plugger->AbortDownload();
        lock.Lock(&m_sect);
    }
}

void vbHotPlugCenter::SetAppliWindow(bool bOffer, HWND hWnd)
{
    CheckReady();
    vbSectLock lock(&m_sect);
    m_bAppliWindow = bOffer;
    m_hAppliWindow = hWnd;
}

void vbHotPlugCenter::GetAppliWindow(bool* pbOffer, HWND* phWnd) const
{
    CheckReady();
    vbSectLock lock(&m_sect);
    if (pbOffer)
        *pbOffer = m_bAppliWindow;
    if (phWnd)
        *phWnd = m_hAppliWindow;
}

// --- counters ---

ULONG vbHotPlugCenter::GetUpdateCnt() const { return m_updateCnt; }
ULONG vbHotPlugCenter::GetInUpdateCnt() const { return m_inUpdateCnt; }

ULONG vbHotPlugCenter::GetInUpdateLastTick() const
{
    vbSectLock lock(&m_sect);
    return m_inUpdateTick;
}

void vbHotPlugCenter::InUpdateTickForce()
{
    vbSectLock lock(&m_sect);
    m_inUpdateTick = GetTickCount();
}

void vbHotPlugCenter::mainLockInUpdate()
{
    ++m_inUpdateCnt;
    m_inUpdateTick = GetTickCount();
}

void vbHotPlugCenter::mainUnlockInUpdate()
{
    --m_inUpdateCnt;
    m_inUpdateTick = GetTickCount();
}

