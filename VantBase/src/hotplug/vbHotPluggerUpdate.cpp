#include "hotplug/vbHotPlugTrace.h"
#include "hotplug/vbHotPlugger.h"

#include "vbBSTR.h"
#include "vbException.h"
#include "vbLog.h"

#include "plat/com.h"
#include "plat/thread.h"

#include <algorithm>

namespace {

// In-process server, in-process handler and local server.
constexpr DWORD kClassContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

void tellUnload(IvbHotPlugCb* cb, IvbHotPlugger* plugger) { cb->OnUnloadPluginAsked(plugger, false); }

} // namespace

vbString vbHotPlugCenter::Plugger::PlugSource::versionText() const
{
    return vbVersion(versionMS, versionLS).ToStr(',', true);
}

vbString vbHotPlugCenter::Plugger::traceName(const char* member) const
{
    return vbString("vbHotPlugCenter::Plugger::") + member + "(" + vbString(m_clsid, true) + ", " + m_modulePath + ")";
}

vbString vbHotPlugCenter::Plugger::askedText() const
{
    return " : asked version: " + m_asked.versionText() + ", plugurl: " + m_asked.plugurl;
}

// --- installation requests ---

bool vbHotPlugCenter::Plugger::AskedInfo(const PlugInfo* request)
{
    checkDestroyed("AskedInfo");
    vbSectLock lock(centreLock());
    // While a request waits or an update runs, a new one must not go below what was asked last.
    const bool bAgainstAsked = !m_bChecked || m_bInUpdate;
    const PlugSource& compared = bAgainstAsked ? m_asked : m_current;
    const vbVersion version(request->versionMS, request->versionLS);
    const vbString tail = ", asked version: " + version.ToStr(',', true) + ", plugurl: " + request->plugurl;
    if (version < vbVersion(compared.versionMS, compared.versionLS)) {
        vbHotPlugTrace(1, traceName("AskedInfo")
                + (bAgainstAsked ? " : ignored : current asked version: " : " : ignored : current version: ")
                + compared.versionText() + tail);
        return false;
    }
    vbHotPlugTrace(1, traceName("AskedInfo") + " : accepted : current asked version: " + m_asked.versionText() + tail);
    m_plugTypes = request->plugTypes;
    m_asked.plugurl = request->plugurl;
    m_asked.versionLS = request->versionLS;
    m_asked.versionMS = request->versionMS;
    m_retryCount = 0;
    m_bChecked = false;
    m_retryMax = 6;
    updateBusyState();
    return true;
}

// --- the update decision ---

int vbHotPlugCenter::Plugger::UpdateIfAsked(IvbHotPlugCb* cb, int mode)
{
    checkDestroyed("UpdateIfAsked");
    UpdateCallHold update(this);
    CbAddHold add;
    if (cb)
        add.Lock(this);
    if (mode != 1) {
        CbAddHold clean;
        if (!cb)
            clean.Lock(this);
        vbSectLock lock(centreLock());
        vbHotPlugCleanCb(m_callbacks);
    }
    vbSectLock lock(centreLock());
    if (m_bInUpdate) {
        if (cb) {
            vbHotPlugAddCb(m_callbacks, cb);
            lock.Unlock();
            cb->OnUnloadPluginAsked(this, true);
        }
        return 1;
    }
    if (m_bChecked)
        return tellLoadAlone(cb, lock);

    lock.Unlock();
    add.Unlock();
    const int answer = pollCaps(cb);
    switch (answer) {
    case vbPlugUpdateAllow:
        break;
    case vbPlugUpdateLater:
        return retryLater(cb, add);
    case vbPlugUpdateDeny:
        lock.Lock(centreLock());
        vbHotPlugTrace(1, traceName("UpdateIfAsked") + " : check not allowed" + askedText());
        m_asked = m_current;
        m_bChecked = true;
        updateBusyState();
        lock.Unlock();
        break;
    default:
        throw new vbEsys(vbString("vbHotPlugCenter::Plugger::UpdateIfAsked : bad retun value(") + vbString(answer)
            + ") for callbacks OnGetPluginCaps()");
    }

    if (cb)
        add.Lock(this);
    lock.Lock(centreLock());
    // Drops a registration whose file is missing or older than asked, so that the download
    // installs the module afresh.
    vbCheckModulePath(m_clsid, vbVersion(m_asked.versionMS, m_asked.versionLS), 0);
    vbHotPlugTrace(1, traceName("UpdateIfAsked") + " : to check" + askedText());
    if (m_bChecked)
        return tellLoadAlone(cb, lock);
    if (mode != 1 && m_callbacks.GetLength() == 0 && !cb) {
        vbHotPlugTrace(1, traceName("UpdateIfAsked") + " : stay to check, no cb" + askedText());
        return 0;
    }
    return startDownload(cb, mode, add, lock);
}

int vbHotPlugCenter::Plugger::pollCaps(IvbHotPlugCb* cb)
{
    int answer = cb ? cb->OnGetPluginCaps(this) : vbPlugUpdateAllow;
    tellAll("UpdateIfAsked", [&answer](IvbHotPlugCb* each, IvbHotPlugger* plugger) {
        answer = std::max<int>(answer, each->OnGetPluginCaps(plugger));
    });
    return answer;
}

int vbHotPlugCenter::Plugger::retryLater(IvbHotPlugCb* cb, CbAddHold& add)
{
    vbSectLock lock(centreLock());
    vbHotPlugTrace(1, traceName("UpdateIfAsked") + " : to check but retry later" + askedText());
    lock.Unlock();
    if (cb) {
        add.Lock(this);
        lock.Lock(centreLock());
        vbHotPlugAddCb(m_callbacks, cb);
        lock.Unlock();
        cb->OnUnloadPluginAsked(this, true);
    }
    UpdateRetryLater();
    return 1;
}

int vbHotPlugCenter::Plugger::startDownload(IvbHotPlugCb* cb, int mode, CbAddHold& add, vbSectLock& lock)
{
    const GUID clsid = m_clsid;
    m_lastStatus = 0xFFFFFFFFu;
    const vbBSTR url(m_asked.plugurl);
    const DWORD versionMS = m_asked.versionMS;
    const DWORD versionLS = m_asked.versionLS;
    m_loading = m_asked;
    m_bExternalUpdate = false;
    m_bAbortAsked = false;
    m_bObjAvailOk = false;
    m_bChecked = true;
    m_bInUpdate = true;
    updateBusyState();
    lock.Unlock();
    add.Unlock();

    // Until this thread has registered cb and told the hosts to unload, the download's reports
    // wait: on its own thread it may report, and even end, before the call that starts it returns.
    struct Announcing {
        Plugger* p;
        explicit Announcing(Plugger* plugger) : p(plugger)
        {
            std::lock_guard guard(p->m_startMutex);
            p->m_startingThread = GetCurrentThreadId();
        }
        ~Announcing() { end(); }
        void end()
        {
            {
                std::lock_guard guard(p->m_startMutex);
                p->m_startingThread = 0;
            }
            p->m_startAnnounced.notify_all();
        }
    } announcing(this);

    vbRefPtr<IBindCtx, &IID_IBindCtx> pBindCtx;
    vbClassFactoryPtr pFactory;
    HRESULT hr;
    {
        vbMfcModuleState::Switch state(m_moduleState);
        hr = CreateAsyncBindCtx(0, static_cast<IBindStatusCallback*>(this), nullptr, pBindCtx.Addr());
        if (FAILED(hr))
            startFailed(hr, "Instruction '::CreateAsyncBindCtx(0,this,NULL,pBindCtx.Addr())' failed !");
        hr = CoGetClassObjectFromURL(clsid, url, versionMS, versionLS, nullptr, pBindCtx, kClassContext, nullptr,
            IID_IClassFactory, pFactory.AddrV());
    }
    if (FAILED(hr))
        startFailed(hr, "vbHotPlugCenter::Plugger::UpdateIfAsked() failure");

    if (cb)
        add.Lock(this);
    lock.Lock(centreLock());
    if (hr == MK_S_ASYNCHRONOUS) {
        vbHotPlugTrace(1, traceName("UpdateIfAsked") + " : updating" + askedText());
        if (cb)
            vbHotPlugAddCb(m_callbacks, cb);
        add.Unlock();
        const vbString path = m_modulePath;
        lock.Unlock();
        signalStartDownloadToExternalPlugCb(clsid, path, versionMS, versionLS);
        // Every host lets go of the module before its file is replaced.
        tellAll("UpdateIfAsked", tellUnload);
        return 1;
    }
    announcing.end();
    return downloadCurrent(cb, mode, pFactory, add, lock);
}

void vbHotPlugCenter::Plugger::waitStartAnnounced()
{
    std::unique_lock guard(m_startMutex);
    const DWORD self = GetCurrentThreadId();
    m_startAnnounced.wait(guard, [&] { return m_startingThread == 0 || m_startingThread == self; });
}

int vbHotPlugCenter::Plugger::downloadCurrent(IvbHotPlugCb* cb, int mode, IClassFactory* pFactory, CbAddHold& add,
    vbSectLock& lock)
{
    vbHotPlugTrace(1, traceName("UpdateIfAsked") + " : checked" + askedText());
    if (m_bObjAvailOk) {
        m_bObjAvailOk = false;
        vbRelOutput("vbHotPlugCenter::Plugger::UpdateIfAsked() : prb : m_bObjAvailOk = true in sync op", true);
    }
    m_bInUpdate = false;
    m_bExternalUpdate = false;
    m_current = m_loading;
    updateBusyState();
    const vbString path = vbGetModulePath(m_clsid);
    if (vbSortStringNC(path, m_modulePath) != 0) {
        m_modulePath = path;
        m_centre->sortPlugPath();
    }
    if (cb) {
        // The host may create its objects from the class object at hand while it is told.
        m_pFactory = pFactory;
        vbHotPlugAddCb(m_callbacks, cb);
        lock.Unlock();
        try {
            cb->OnLoadPluginAsked(this, true);
        } catch (...) {
            vbSectLock again(centreLock());
            m_pFactory.Release();
            throw;
        }
        lock.Lock(centreLock());
        m_pFactory.Release();
        if (m_bDestroyed)
            return 0;
    }
    if (!m_bChecked) {
        vbHotPlugTrace(1, traceName("UpdateIfAsked") + " : plug update asked during component download");
        lock.Unlock();
        add.Unlock();
        return UpdateIfAsked(nullptr, mode);
    }
    return 0;
}

// A download that cannot start leaves the request pending instead of a download that never ends.
void vbHotPlugCenter::Plugger::startFailed(HRESULT hr, const char* text)
{
    {
        vbSectLock lock(centreLock());
        m_bInUpdate = false;
        m_bExternalUpdate = false;
        m_bChecked = false;
        updateBusyState();
    }
    throw new vbEsys(hr, text);
}

// --- retries ---

void vbHotPlugCenter::Plugger::UpdateRetryLater()
{
    {
        vbSectLock lock(centreLock());
        if (m_retryCount >= m_retryMax)
            throw new vbEsys(vbHR_HOTPLUG_TIMEOUT, vbString("vbHotPlugCenter::Plugger::UpdateRetryLater() : too many try for plugin ")
                + vbString(m_clsid, true) + ", " + m_modulePath);
        ++m_retryCount;
        vbHotPlugTrace(1, traceName("UpdateRetryLater") + " called, retry count = " + vbString(static_cast<int>(m_retryCount)));
    }
    m_centre->retryUpdateForPlugger(this);
}

void vbHotPlugCenter::Plugger::SetUpdateRetryMax(LONG retryMax)
{
    checkDestroyed("SetUpdateRetryMax");
    vbSectLock lock(centreLock());
    m_retryMax = retryMax;
}

LONG vbHotPlugCenter::Plugger::GetUpdateRetryMax() const
{
    checkDestroyed("GetUpdateRetryMax");
    return m_retryMax;
}

LONG vbHotPlugCenter::Plugger::GetUpdateRetryCount() const
{
    checkDestroyed("GetUpdateRetryCount");
    return m_retryCount;
}

