#include "vbHotPlugin.h"

#include "hotplug/vbHotPlugTrace.h"
#include "hotplug/vbHotPlugWait.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbMsg.h"
#include "vbStrUtil.h"

#include "plat/errors.h"
#include "plat/thread.h"

#include <vector>

namespace {

constexpr int kMaxTurns = 50;
constexpr DWORD kTurnSleepMs = 100;

typedef vbHotPlugHold<vbHotPlugType::Plugin, &vbHotPlugType::Plugin::lockUpdateCall,
    &vbHotPlugType::Plugin::unlockUpdateCall>
    UpdateHold;

// A failure is never reported as 0, which reads as success: without a system error it is E_FAIL.
HRESULT failureHR(HRESULT hr) { return hr < 0 ? hr : E_FAIL; }

HRESULT lastErrorHR()
{
    const DWORD err = GetLastError();
    return err ? static_cast<HRESULT>(0x80070000u | (err & 0xFFFFu)) : E_FAIL;
}

vbString statusText(HRESULT status) { return vbString(static_cast<int>(status)) + ":" + vbFormatErr(status); }

} // namespace

vbHotPlugType::Plugin::Plugin(vbHotPlugType* type, const GUID& id, const vbString& label) : Member(type, id, label) { }

vbHotPlugType::Plugin::~Plugin()
{
    try {
        unloadPlugin(true);
    } catch (CException* e) {
        vbTraceException(e, true, "vbHotPlugin", __LINE__);
    } catch (...) {
        vbTraceException(nullptr, false, "vbHotPlugin", __LINE__);
    }
}

bool vbHotPlugType::Plugin::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbHotPlugTypePlugin) {
        *ppv = this;
        return true;
    }
    return Member::GetInterface(iid, ppv);
}

void vbHotPlugType::Plugin::_forceUnload() { Destroy(); }

void vbHotPlugType::Plugin::onBeforeDestruction(bool)
{
    try {
        unloadPlugin(false);
    } catch (CException* e) {
        vbShowException(e, true, "vbHotPlugin", __LINE__);
    }
}

void vbHotPlugType::Plugin::onDestruction(bool)
{
    try {
        unloadPlugin(true);
    } catch (CException* e) {
        vbShowException(e, true, "vbHotPlugin", __LINE__);
    }
}

// --- state ---

bool vbHotPlugType::Plugin::isToCheck() const
{
    vbSectLock lock(m_pLock);
    return !m_updateNote.IsEmpty() || m_status < 0;
}

void vbHotPlugType::Plugin::check()
{
    if (IsInDestruction())
        return;
    {
        vbSectLock lock(m_pLock);
        if (m_status < 0)
            m_status = 0;
    }
    g_vbHotPlugCenter.CheckPluginPath(m_id);
}

bool vbHotPlugType::Plugin::isLoaded() const
{
    vbSectLock lock(m_pLock);
    return m_hModule != nullptr;
}

vbString vbHotPlugType::Plugin::typeText() const
{
    return "Plugin '" + m_label + "', type '" + m_pType->GetPlugTypeLabel() + "'";
}

void vbHotPlugType::Plugin::checkNotDestroyed(const char* context, const char* tail) const
{
    if (IsInDestruction())
        throw new vbEhotPlug(E_ABORT, "Plugin '" + m_label + "' is in destruction..." + tail, context);
}

void vbHotPlugType::Plugin::checkUsable(const char* context) const
{
    if (m_status < 0)
        throw new vbEsys(m_status, ("Can't load plugin '" + m_label + "', type '" + m_pType->GetPlugTypeLabel() + "' !").c_str());
    if (m_bLoading)
        throw new vbEhotPlug(typeText() + " is loading...", context);
    if (m_bUnloadAsked)
        throw new vbEhotPlug(typeText() + " is unloading...", context);
}

void vbHotPlugType::Plugin::traceLoad(int level, const vbString& text) const
{
    vbHotPlugTrace(level, "vbHotPlugType::Plugin(" + vbString(m_id, true) + ")::OnLoadPluginAsked() : " + text);
}

// --- the update lock ---

void vbHotPlugType::Plugin::lockUpdateCall() const
{
    const DWORD self = GetCurrentThreadId();
    vbHotPlugWait(m_pLock, [&] {
        if (m_nUpdateCall > 0 && m_updateThread != self)
            return false;
        ++m_nUpdateCall;
        m_updateThread = self;
        return true;
    }, nullptr, "vbHotPlugType::Plugin::lockUpdateCall() : timeout, can't update or load plugin !");
}

void vbHotPlugType::Plugin::unlockUpdateCall() const
{
    vbSectLock lock(m_pLock);
    if (--m_nUpdateCall < 1)
        m_updateThread = 0;
}

// --- loading ---

void vbHotPlugType::Plugin::loadPlugin()
{
    UpdateHold update(this);
    vbSectLock lock(m_pLock);
    checkNotDestroyed("vbHotPlugType::Plugin::loadPlugin()");
    if (m_hModule)
        return;
    checkUsable("vbHotPlugType::Plugin::loadPlugin()");
    m_bLoading = true;
    m_busy = 0;
    lock.Unlock();

    vbPlugRet answer = vbPlugReady;
    try {
        InUpdateHold inUpdate;
        answer = g_vbHotPlugCenter.LoadPlugin(m_id, static_cast<IvbHotPlugCb*>(this));
    } catch (CException* e) {
        loadFailed(nullptr, e);
        return;
    } catch (...) {
        loadFailed(nullptr, nullptr);
        return;
    }
    if (answer == vbPlugUpdating) {
        lock.Lock(m_pLock);
        m_status = 0;
        m_bLoading = false;
        lock.Unlock();
        throw new vbEhotPlug(typeText() + " is loading...",
            "vbHotPlugType::Plugin::loadPlugin() : g_vbHotPlugCenter.LoadPlugin() returning vbPlugUpdating");
    }
}

void vbHotPlugType::Plugin::OnLoadPluginAsked(IvbHotPlugger* plugger, bool bNotify)
{
    InUpdateHold inUpdate;
    vbSectLock lock(m_pLock);
    if (m_hModule) {
        traceLoad(1, vbString("not in load(inload") + (m_bLoading ? "True" : "False") + ") -> exit");
        m_bLoading = false;
        return;
    }
    if (m_bUnloadAsked || IsInDestruction()) {
        traceLoad(1, "unload asked, or in destruction -> cancel");
        m_bLoading = false;
        return;
    }
    if (m_status < 0) {
        traceLoad(1, "errors (" + statusText(m_status) + ") -> cancel");
        m_bLoading = false;
        return;
    }
    m_bLoading = true;
    m_busy = 0;
    lock.Unlock();

    const vbString typeName = GetPlugTypeName();
    HMODULE module = nullptr;
    try {
        const vbString path = plugger ? plugger->GetModulePath() : vbString();
        if (path.IsEmpty()) {
            traceLoad(0, "modulepath is empty");
            lock.Lock(m_pLock);
            m_bLoading = false;
            return;
        }
        traceLoad(1, "loading plugin file '" + path + "'...");
        module = LoadLibraryA(path);
        if (!module)
            throw new vbEsys(lastErrorHR(),
                ("Can't load plugin file '" + path + "' (id=" + vbString(m_id, true) + ") !").c_str());
        const vbString invalid = "File '" + path + "' is not a valid plugin for " + m_pType->GetPlugTypeLabel() + " !";
        auto create = reinterpret_cast<CreateEntry>(GetProcAddress(module, "qv" + typeName + "PluginCreateObject"));
        if (!create)
            throw new vbEsys(lastErrorHR(), invalid.c_str());
        auto unload = reinterpret_cast<UnloadEntry>(GetProcAddress(module, "qv" + typeName + "PluginUnload"));
        if (!unload)
            throw new vbEsys(lastErrorHR(), (invalid + " (2)").c_str());
        auto load = reinterpret_cast<LoadEntry>(GetProcAddress(module, "qv" + typeName + "PluginLoad"));
        traceLoad(1, "initializing plugin file '" + path + "'");
        if (load)
            load(this);
        traceLoad(1, "plugin file '" + path + "' loaded");
        lock.Lock(m_pLock);
        m_hModule = module;
        m_create = create;
        m_unload = unload;
        m_bLoading = false;
        const HRESULT status = m_status;
        lock.Unlock();
        traceLoad(1, "loaded ok (" + statusText(status) + ")");
    } catch (CException* e) {
        if (module)
            FreeLibrary(module);
        loadFailed(plugger, e);
        return;
    } catch (...) {
        if (module)
            FreeLibrary(module);
        loadFailed(plugger, nullptr);
        return;
    }
    m_pType->tellListeners([&](IvbHotPlugTypeCb* cb) { cb->OnLoadPluginAsked(this, plugger, bNotify); });
    if (bNotify)
        g_vbHotPlugCenter.fireOnLoadPluginAsked(plugger, true, true);
}

void vbHotPlugType::Plugin::loadFailed(IvbHotPlugger* plugger, CException* e)
{
    {
        vbSectLock lock(m_pLock);
        m_status = e ? failureHR(vbGetHR(e)) : E_POINTER;
        m_bLoading = false;
    }
    onError(plugger, e);
    vbTraceException(e, e != nullptr, "vbHotPlugin", __LINE__);
}

vbPlugUpdateCaps vbHotPlugType::Plugin::OnError(IvbHotPlugger* plugger, bool b, LONG hr, const vbString& text)
{
    {
        vbSectLock lock(m_pLock);
        if (m_bLoading && !m_hModule && hr < 0) {
            m_status = hr;
            m_bLoading = false;
        }
    }
    return onError(plugger, b, hr, text);
}

// --- unloading ---

void vbHotPlugType::Plugin::OnUnloadPluginAsked(IvbHotPlugger* plugger, bool bNotify)
{
    if (IsInDestruction() || !isLoaded())
        return;
    InUpdateHold inUpdate;
    if (bNotify)
        g_vbHotPlugCenter.fireOnUnloadPluginAsked(plugger, true, true);
    m_pType->tellListeners([&](IvbHotPlugTypeCb* cb) { cb->OnUnloadPluginAsked(this, plugger, bNotify); });
    unloadPlugin(false);
}

void vbHotPlugType::Plugin::unloadPlugin(bool bForce)
{
    InUpdateHold inUpdate;
    UpdateHold update(this);
    vbSectLock lock(m_pLock);
    if (!m_hModule || m_bUnloading)
        return;
    m_bUnloading = true;
    m_bUnloadAsked = true;
    const vbString timeout = "vbHotPlugType(" + m_pType->GetPlugTypeLabel() + ")::Plugin(" + m_label +
        ")::unloadPlugin() : timeout";
    try {
        // Phase 1: the loads and object creations running in the module end first.
        for (int turn = 1; m_bLoading || m_busy > 0; ++turn) {
            lock.Unlock();
            if (turn > kMaxTurns)
                throw new vbEsys(vbHR_HOTPLUG_TIMEOUT, timeout.c_str());
            unloadPluggedObj();
            bool idle = false;
            while (vbDoOneEvent()) {
                lock.Lock(m_pLock);
                if (!m_hModule)
                    return;
                idle = !m_bLoading && m_busy <= 0;
                if (idle)
                    break;
                lock.Unlock();
            }
            if (idle)
                break;
            Sleep(kTurnSleepMs);
            lock.Lock(m_pLock);
        }
        // Phase 2: the module's consent, asked again while messages keep coming.
        const UnloadEntry unload = m_unload;
        lock.Unlock();
        for (int turn = 1;; ++turn) {
            if (turn > kMaxTurns)
                throw new vbEsys(vbHR_HOTPLUG_TIMEOUT, (timeout + " (2)").c_str());
            unloadPluggedObj();
            bool agreed = unload(this, bForce);
            while (!agreed && vbDoOneEvent())
                agreed = unload(this, bForce);
            if (agreed)
                break;
            Sleep(kTurnSleepMs);
        }
    } catch (...) {
        if (!lock.IsLocked())
            lock.Lock(m_pLock);
        m_bUnloading = false;
        if (bForce) {
            // The module is forgotten, not freed: it did not agree to go.
            m_bUnloadAsked = false;
            m_hModule = nullptr;
            m_create = nullptr;
            m_unload = nullptr;
            m_status = E_FAIL;
        }
        throw;
    }
    lock.Lock(m_pLock);
    m_bUnloading = false;
    m_bUnloadAsked = false;
    HMODULE module = m_hModule;
    m_hModule = nullptr;
    m_create = nullptr;
    m_unload = nullptr;
    m_status = 0;
    lock.Unlock();
    vbHotPlugTrace(1, "vbHotPlugType(" + m_pType->GetPlugTypeLabel() + ")::Plugin(" + m_label +
            ")::unloadPlugin() : plugin unloaded");
    FreeLibrary(module);
}

void vbHotPlugType::Plugin::unloadPluggedObj()
{
    std::vector<vbRefPtr<IvbHotPluggedObject, &IID_IvbHotPluggedObject>> objects;
    {
        vbSectLock lock(m_pLock);
        sIvbPtr* next = nullptr;
        for (sIvbPtr* p = m_pFirstPtr; p; p = next) {
            // The pointer detaches itself: its successor is taken first.
            next = p->GetNextPtr();
            try {
                void* face = nullptr;
                if (!p->GetInterface(IID_sIvbPlugPtr, &face))
                    continue;
                vbRefPtr<IvbHotPluggedObject, &IID_IvbHotPluggedObject> object;
                if (static_cast<sIvbPlugPtr*>(face)->ReleasePluggedObject(this, &object) && !object.IsNull())
                    objects.push_back(object);
            } catch (CException* e) {
                vbTraceException(e, true, "vbHotPlugin", __LINE__);
            }
        }
    }
    for (auto& object : objects) {
        try {
            object->OnPluginUnloadAsked(this);
        } catch (CException* e) {
            vbTraceException(e, true, "vbHotPlugin", __LINE__);
        }
    }
}
