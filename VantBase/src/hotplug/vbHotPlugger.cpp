#include "hotplug/vbHotPlugger.h"

#include "hotplug/vbHotPlugTrace.h"

#include "vbException.h"
#include "vbExceptionReport.h"

namespace {

void tellUnload(IvbHotPlugCb* cb, IvbHotPlugger* plugger) { cb->OnUnloadPluginAsked(plugger, false); }
void tellLoad(IvbHotPlugCb* cb, IvbHotPlugger* plugger) { cb->OnLoadPluginAsked(plugger, false); }

} // namespace

vbHotPlugCenter::Plugger::Plugger(vbHotPlugCenter* centre, const vbString& modulePath, const GUID& clsid)
    : m_centre(centre), m_modulePath(modulePath), m_clsid(clsid)
{
    {
        vbSectLock lock(centreLock());
        ++m_centre->m_livePluggers;
    }
    vbHotPlugTrace(1, "vbHotPlugCenter::Plugger::Plugger(" + modulePath + ", id=" + vbString(clsid, true) + ") added");
}

vbHotPlugCenter::Plugger::~Plugger()
{
    // A record that outlives its centre (static destruction) leaves it alone.
    if (!m_centre->IsReady())
        return;
    try {
        CbAddHold add(this);
        vbSectLock lock(centreLock());
        m_callbacks.Empty();
    } catch (CException* e) {
        vbTraceException(e, true, "vbHotPlug", __LINE__);
    }
    vbSectLock lock(centreLock());
    --m_centre->m_livePluggers;
    m_bDestroyed = true;
    updateBusyState();
}

void vbHotPlugCenter::Plugger::updateBusyState()
{
    const bool idle = m_bChecked && !m_bInUpdate && !m_bExternalUpdate;
    if ((m_bDestroyed || idle) && m_bBusyCounted) {
        m_bBusyCounted = false;
        m_centre->mainUnlockInUpdate();
    } else if (!m_bDestroyed && !idle && !m_bBusyCounted) {
        m_bBusyCounted = true;
        m_centre->mainLockInUpdate();
    }
}

// --- the update decision ---

int vbHotPlugCenter::Plugger::tellLoadAlone(IvbHotPlugCb* cb, vbSectLock& lock)
{
    if (cb) {
        vbHotPlugAddCb(m_callbacks, cb);
        m_pFactory.Release();
        lock.Unlock();
        cb->OnLoadPluginAsked(this, true);
    }
    return 0;
}

void vbHotPlugCenter::Plugger::AddPluginCb(IvbHotPlugCb* cb)
{
    checkDestroyed("AddPluginCb");
    CbAddHold add(this);
    vbSectLock lock(centreLock());
    vbHotPlugAddCb(m_callbacks, cb);
    const bool bInUpdate = m_bInUpdate;
    lock.Unlock();
    if (bInUpdate)
        cb->OnUnloadPluginAsked(this, true);
    else
        cb->OnLoadPluginAsked(this, true);
}

void vbHotPlugCenter::Plugger::CheckPluginPath()
{
    // A running update (own download or another party's) brings its own module path.
    vbSectLock lock(centreLock());
    if (m_bInUpdate)
        return;
    const vbString path = vbGetModulePath(m_clsid);
    if (vbSortStringNC(path, m_modulePath) == 0)
        return;
    vbHotPlugTrace(1, "vbHotPlugCenter::Plugger::CheckPluginPath(" + vbString(m_clsid, true) + ", " + m_modulePath +
            ") : module path has changed new path='" + path + "'");
    m_bExternalUpdate = true;
    m_bInUpdate = true;
    updateBusyState();
    lock.Unlock();
    // The update state ends whatever happens: a record left in it would refuse every load.
    struct EndUpdate {
        Plugger* p;
        ~EndUpdate()
        {
            vbSectLock lock(p->centreLock());
            p->m_bExternalUpdate = false;
            p->m_bInUpdate = false;
            p->updateBusyState();
        }
    } endUpdate{this};
    tellAll("CheckPluginPath", tellUnload);
    lock.Lock(centreLock());
    m_modulePath = path;
    m_centre->sortPlugPath();
    lock.Unlock();
    tellAll("CheckPluginPath", tellLoad);
}

void vbHotPlugCenter::Plugger::tellAll(const char* member,
    const std::function<void(IvbHotPlugCb* cb, IvbHotPlugger* plugger)>& tell)
{
    CbCallHold calls(this);
    for (vbHotPlugCbArray* list : {&m_callbacks, &m_centre->m_callbacks}) {
        vbSectLock lock(centreLock());
        for (int i = 1; i <= list->GetLength(); ++i) {
            vbHotPlugCbPtr cb;
            if (!vbHotPlugGetCb(*list, i, &cb))
                continue;
            lock.Unlock();
            try {
                tell(cb, this);
            } catch (CException* e) {
                vbTraceException(e, true, "vbHotPlug", __LINE__);
            }
            checkDestroyed(member);
            lock.Lock(centreLock());
        }
    }
}

bool vbHotPlugCenter::Plugger::HasPlugType(const vbString& plugType)
{
    checkDestroyed("HasPlugType");
    vbSectLock lock(centreLock());
    for (int i = 1; i <= m_plugTypes.GetLength(); ++i) {
        if (vbSortStringNC(m_plugTypes[i], plugType) == 0)
            return true;
    }
    return false;
}

// --- IvbHotPlugger ---

bool vbHotPlugCenter::Plugger::IsExternalUpdate() const
{
    checkDestroyed("IsExternalUpdate");
    vbSectLock lock(centreLock());
    return m_bExternalUpdate;
}

bool vbHotPlugCenter::Plugger::IsUpdate() const
{
    checkDestroyed("IsUpdate");
    vbSectLock lock(centreLock());
    return m_bInUpdate;
}

const GUID& vbHotPlugCenter::Plugger::GetClsId() const
{
    checkDestroyed("GetClsId");
    return m_clsid;
}

vbString vbHotPlugCenter::Plugger::GetModulePath() const
{
    checkDestroyed("GetModulePath");
    vbSectLock lock(centreLock());
    return m_modulePath;
}
