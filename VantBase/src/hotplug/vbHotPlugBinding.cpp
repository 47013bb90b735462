#include "hotplug/vbHotPlugger.h"

#include "hotplug/vbHotPlugTrace.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbLog.h"

#include "plat/com.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// The GUID under which the centre holds its records in counted pointers.
const IID kPluggerClass = {0x67C95090, 0x019A, 0x4214, {0x92, 0x69, 0x6D, 0xEE, 0x6D, 0xDC, 0xA8, 0x97}};
constexpr DWORD kClassContext = 7;

vbString hex(DWORD v) { return vbString(static_cast<unsigned long>(v), true); }
vbString dec(ULONG v) { return vbString(static_cast<unsigned long>(v)); }

void tellLoad(IvbHotPlugCb* cb, IvbHotPlugger* plugger) { cb->OnLoadPluginAsked(plugger, false); }

} // namespace

// --- lookup ---

bool vbHotPlugCenter::Plugger::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IvbHotPlugger) {
        *ppv = static_cast<IvbHotPlugger*>(this);
        return true;
    }
    if (iid == IID_IBindStatusCallback) {
        *ppv = static_cast<IBindStatusCallback*>(this);
        return true;
    }
    if (iid == kPluggerClass) {
        *ppv = this;
        return true;
    }
    if (iid == IID_IWindowForBindingUI) {
        vbSectLock lock(centreLock());
        if (!m_centre->m_bAppliWindow || !m_centre->m_hAppliWindow)
            return false;
        *ppv = static_cast<IWindowForBindingUI*>(this);
        return true;
    }
    return vbObject::GetInterface(iid, ppv);
}

HRESULT vbHotPlugCenter::Plugger::bindFrame(const std::function<HRESULT()>& f)
{
    vbMfcModuleState::Switch state(m_moduleState);
    try {
        return f();
    } catch (CException* e) {
        const HRESULT hr = vbGetHR(e);
        e->Delete();
        return hr;
    } catch (...) {
        return E_POINTER;
    }
}

// --- the binding's reports ---

HRESULT vbHotPlugCenter::Plugger::OnStartBinding(DWORD, IBinding* pib)
{
    waitStartAnnounced();
    return bindFrame([&] {
        checkDestroyed("OnStartBinding");
        vbSectLock lock(centreLock());
        vbHotPlugTrace(1, "vbHotPlugCenter::Plugger::OnStartBinding(" + m_modulePath + ", " + vbString(m_clsid, true) + ")");
        m_pBind = pib;
        return S_OK;
    });
}

HRESULT vbHotPlugCenter::Plugger::GetPriority(LONG* pnPriority)
{
    return bindFrame([&] {
        if (pnPriority)
            *pnPriority = 0;
        return S_OK;
    });
}

HRESULT vbHotPlugCenter::Plugger::OnLowResource(DWORD) { return E_NOTIMPL; }

HRESULT vbHotPlugCenter::Plugger::GetBindInfo(DWORD* grfBINDF, BINDINFO* pbindinfo)
{
    return bindFrame([&] {
        if (!grfBINDF || !pbindinfo || pbindinfo->cbSize == 0)
            return E_INVALIDARG;
        *grfBINDF = BINDF_ASYNCHRONOUS | BINDF_GETNEWESTVERSION;
        // The caller's size says how much of the structure there is to fill.
        const ULONG size = pbindinfo->cbSize;
        std::memset(static_cast<void*>(pbindinfo), 0, std::min<size_t>(size, sizeof(BINDINFO)));
        pbindinfo->cbSize = size;
        pbindinfo->dwBindVerb = 0;
        return S_OK;
    });
}

HRESULT vbHotPlugCenter::Plugger::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) { return S_OK; }

HRESULT vbHotPlugCenter::Plugger::GetWindow(REFGUID, HWND* phwnd)
{
    return bindFrame([&] {
        vbSectLock lock(centreLock());
        if (phwnd)
            *phwnd = m_centre->m_hAppliWindow;
        return S_OK;
    });
}

HRESULT vbHotPlugCenter::Plugger::OnProgress(ULONG ulProgress, ULONG ulProgressMax, ULONG ulStatusCode,
    LPCWSTR szStatusText)
{
    waitStartAnnounced();
    return bindFrame([&]() -> HRESULT {
        checkDestroyed("OnProgress");
        vbSectLock lock(centreLock());
        const vbString where = m_modulePath + ", " + vbString(m_clsid, true);
        if (m_bAbortAsked && !m_pBind.IsNull()) {
            vbHotPlugTrace(1, "vbHotPlugCenter::Plugger::OnProgress(" + where + ") status=" + hex(ulStatusCode) +
                    ", progress=" + dec(ulProgress) + "/" + dec(ulProgressMax) + " : ABORT");
            m_bAbortAsked = false;
            vbRefPtr<IBinding, &IID_IBinding> bind = m_pBind;
            m_pBind.Release();
            lock.Unlock();
            return bind->Abort();
        }
        m_lastStatus = ulStatusCode;
        const GUID clsid = m_clsid;
        const vbString path = m_modulePath;
        lock.Unlock();
        const vbString text = szStatusText ? vbString(szStatusText) : vbString();
        vbHotPlugTrace(3, "vbHotPlugCenter::Plugger::OnProgress(" + where + ") status=" + hex(ulStatusCode) + ", msg=" +
                text + ", progress=" + dec(ulProgress) + "/" + dec(ulProgressMax));
        signalProgressToExternalPlugCb(clsid, path, static_cast<int>(ulStatusCode), text, ulProgress, ulProgressMax);
        tellAll("OnProgress", [&](IvbHotPlugCb* cb, IvbHotPlugger* plugger) {
            cb->OnProgress(plugger, ulProgress, ulProgressMax, static_cast<vbPlugStatus>(ulStatusCode), text);
        });
        return S_OK;
    });
}

int vbHotPlugCenter::Plugger::askErrors(bool bRetry, HRESULT hr, const vbString& text)
{
    int answer = vbPlugUpdateAllow;
    tellAll("OnStopBinding", [&](IvbHotPlugCb* cb, IvbHotPlugger* plugger) {
        answer = std::max<int>(answer, cb->OnError(plugger, bRetry, hr, text));
    });
    return answer;
}

HRESULT vbHotPlugCenter::Plugger::OnStopBinding(HRESULT hresult, LPCWSTR szError)
{
    waitStartAnnounced();
    return bindFrame([&] {
        checkDestroyed("OnStopBinding");
        vbSectLock lock(centreLock());
        if (m_bExternalUpdate) {
            m_bExternalUpdate = false;
            updateBusyState();
            vbRelOutput("vbHotPlugCenter::Plugger::OnStopBinding(" + vbString(m_clsid, true) + ", " + m_modulePath +
                    ") : in internal update : m_bExternalUpdate = true !",
                true);
        }
        m_pBind.Release();
        const vbString text = szError ? vbString(szError) : vbString();
        const vbString where = m_modulePath + ", " + vbString(m_clsid, true);
        const vbString pending = "vbHotPlugCenter::Plugger::OnStopBinding(" + vbString(m_clsid, true) + ", " +
            m_modulePath + ") : plug update asked during component download";
        if (FAILED(hresult)) {
            const bool bRetry = m_retryCount < m_retryMax;
            const GUID clsid = m_clsid;
            const vbString path = m_modulePath;
            lock.Unlock();
            vbHotPlugTrace(0, "vbHotPlugCenter::Plugger::OnStopBinding(" + where + ") ERROR : hr=" +
                    hex(static_cast<DWORD>(hresult)) + ", msg=" + text);
            signalErrorToExternalPlugCb(clsid, path, hresult, text);
            const int answer = askErrors(bRetry, hresult, text);
            lock.Lock(centreLock());
            m_bInUpdate = false;
            const bool retry = answer == vbPlugUpdateLater ||
                (answer == vbPlugUpdateAllow && (m_lastStatus == 8 || m_lastStatus == 9));
            if (!m_bChecked) {
                vbHotPlugTrace(1, pending);
            } else if (retry) {
                // The request is still the one asked: the retry must download it again.
                m_bChecked = false;
            } else {
                updateBusyState();
                return S_OK;
            }
            updateBusyState();
            lock.Unlock();
            UpdateRetryLater();
            return S_OK;
        }
        vbHotPlugTrace(1, "vbHotPlugCenter::Plugger::OnStopBinding(" + where + ") OK : hr=" +
                hex(static_cast<DWORD>(hresult)) + ", msg=" + text);
        if (!m_bObjAvailOk) {
            vbRelOutput("vbHotPlugCenter::Plugger::OnStopBinding(" + vbString(m_clsid, true) + ", " + m_modulePath +
                    ") : prb : m_bObjAvailOk = false in async op",
                true);
            lock.Unlock();
            OnObjectAvailable(GUID{}, nullptr);
            checkDestroyed("OnStopBinding");
            lock.Lock(centreLock());
        }
        m_bInUpdate = false;
        updateBusyState();
        if (!m_bChecked) {
            vbHotPlugTrace(1, pending);
            lock.Unlock();
            UpdateRetryLater();
        }
        return S_OK;
    });
}

HRESULT vbHotPlugCenter::Plugger::OnObjectAvailable(REFIID riid, IUnknown* punk)
{
    waitStartAnnounced();
    return bindFrame([&] {
        checkDestroyed("OnObjectAvailable");
        vbSectLock lock(centreLock());
        vbHotPlugTrace(0, "vbHotPlugCenter::Plugger::OnObjectAvailable(" + m_modulePath + ", " + vbString(m_clsid, true) + ")");
        if (m_bObjAvailOk)
            vbRelOutput("vbHotPlugCenter::Plugger::OnObjectAvailable(" + m_modulePath + ", " + vbString(m_clsid, true) +
                    ") : already called !",
                true);
        m_bObjAvailOk = true;
        m_current = m_loading;
        const vbString path = vbGetModulePath(m_clsid);
        if (vbSortStringNC(path, m_modulePath) != 0) {
            m_modulePath = path;
            m_centre->sortPlugPath();
        }
        const GUID clsid = m_clsid;
        const vbString modulePath = m_modulePath;
        const DWORD versionMS = m_current.versionMS;
        const DWORD versionLS = m_current.versionLS;
        lock.Unlock();
        signalEndDownloadToExternalPlugCb(clsid, modulePath, versionMS, versionLS);
        vbClassFactoryPtr factory;
        if (!punk || FAILED(punk->QueryInterface(IID_IClassFactory, factory.AddrV()))) {
            factory.Release();
            if (!(riid == GUID{}))
                vbRelOutput("vbHotPlugCenter::Plugger::OnObjectAvailable() : called with no interface pointer", true);
        }
        lock.Lock(centreLock());
        m_pFactory = factory;
        lock.Unlock();
        struct Drop {
            Plugger* p;
            ~Drop()
            {
                vbSectLock lock(p->centreLock());
                p->m_pFactory.Release();
            }
        } drop{this};
        tellAll("OnObjectAvailable", tellLoad);
        return S_OK;
    });
}

// --- aborting ---

void vbHotPlugCenter::Plugger::abortBinding(vbSectLock& lock)
{
    vbRefPtr<IBinding, &IID_IBinding> bind = m_pBind;
    m_pBind.Release();
    lock.Unlock();
    const HRESULT hr = bind->Abort();
    if (FAILED(hr))
        throw new vbEsys(hr, "Instruction 'pBind->Abort()' failed !");
}

void vbHotPlugCenter::Plugger::AbortDownload()
{
    vbSectLock lock(centreLock());
    if (m_bDestroyed || !m_bInUpdate || m_bExternalUpdate)
        return;
    vbHotPlugTrace(1, "vbHotPlugCenter::Plugger::AbortDownload(" + m_modulePath + ", " + vbString(m_clsid, true) +
            ") : pBind = " + vbString(static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(m_pBind.Get())), true));
    if (m_pBind.IsNull()) {
        m_bAbortAsked = true;
        return;
    }
    abortBinding(lock);
}

void vbHotPlugCenter::Plugger::onBeforeDestruction(bool)
{
    vbSectLock lock(centreLock());
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    const vbString head = "vbHotPlugCenter::Plugger::onBeforeDestruction(" + m_modulePath + ", id=" +
        vbString(m_clsid, true) + ") destroyed";
    if (!m_bInUpdate || m_bExternalUpdate) {
        vbHotPlugTrace(2, head);
        return;
    }
    if (m_pBind.IsNull()) {
        vbHotPlugTrace(2, head + " / abort asked, pBind is null");
        m_bAbortAsked = true;
        return;
    }
    vbHotPlugTrace(2, head + " / abort asked, pBind is ok");
    abortBinding(lock);
}

// --- the module's class object ---

void vbHotPlugCenter::Plugger::GetClassFactory(const GUID& clsid, vbClassFactoryPtr* ppFact)
{
    checkDestroyed("GetClassFactory");
    {
        vbSectLock lock(centreLock());
        if (clsid == m_clsid && !m_pFactory.IsNull()) {
            *ppFact = m_pFactory;
            return;
        }
    }
    const HRESULT hr = CoGetClassObject(clsid, kClassContext, nullptr, IID_IClassFactory, ppFact->AddrV());
    if (FAILED(hr))
        throw new vbEsys(hr, "Instruction '::CoGetClassObject(clsid,CLSCTX_ALL,0,IID_IClassFactory,ppFact->AddrV())' failed !");
}

void vbHotPlugCenter::Plugger::CreateInstance(const GUID& clsid, const GUID& iid, void** ppInterf)
{
    checkDestroyed("CreateInstance");
    vbClassFactoryPtr factory;
    {
        vbSectLock lock(centreLock());
        if (clsid == m_clsid)
            factory = m_pFactory;
    }
    if (!factory.IsNull()) {
        const HRESULT hr = factory->CreateInstance(nullptr, iid, ppInterf);
        if (FAILED(hr))
            throw new vbEsys(hr, "Instruction 'pFact->CreateInstance(NULL,iid,ppInterf)' failed !");
        return;
    }
    const HRESULT hr = CoCreateInstance(clsid, nullptr, kClassContext, iid, ppInterf);
    if (FAILED(hr))
        throw new vbEsys(hr, "Instruction '::CoCreateInstance(clsid,NULL,CLSCTX_ALL,iid,ppInterf)' failed !");
}
