#include "vbHotPlugItf.h"

#include "vbException.h"
#include "vbObjectFace.h"

// The listener a vbHotPlugCb hands out. Events are serialised on the object's lock, which the
// owner's handler receives and may release early. The holder link is cut before destruction, so
// that what a listener list still delivers afterwards goes nowhere.
class vbHotPlugCbObject : public vbObject, public IvbHotPlugCb, public IvbHotPlugTypeCb {
public:
    vbHotPlugCbObject(vbHotPlugCb* holder, vbPlugUpdateCaps caps, bool forwardFirstLoad)
        : m_pHolder(holder), m_caps(caps), m_bForwardFirstLoad(forwardFirstLoad)
    {
    }

    VB_OBJECT_FACE(vbObject)

    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_vbHotPlugCbObject) {
            *ppv = this;
            return true;
        }
        if (iid == IID_IvbHotPlugCb) {
            *ppv = static_cast<IvbHotPlugCb*>(this);
            return true;
        }
        if (iid == IID_IvbHotPlugTypeCb) {
            *ppv = static_cast<IvbHotPlugTypeCb*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }

    // --- IvbHotPlugCb ---
    vbPlugUpdateCaps OnGetPluginCaps(IvbHotPlugger*) override
    {
        vbSectLock lock(m_pLock);
        return m_caps;
    }
    void OnUnloadPluginAsked(IvbHotPlugger* plugger, bool bAlone) override
    {
        vbSectLock lock(m_pLock);
        if (vbHotPlugCb* h = takeEvent())
            h->onUnloadPluginAsked(h, plugger, bAlone, lock);
    }
    void OnLoadPluginAsked(IvbHotPlugger* plugger, bool bAlone) override
    {
        vbSectLock lock(m_pLock);
        if (vbHotPlugCb* h = takeLoadEvent())
            h->onLoadPluginAsked(h, plugger, bAlone, lock);
    }
    void OnProgress(IvbHotPlugger* plugger, ULONG progress, ULONG progressMax, vbPlugStatus status,
        const vbString& text) override
    {
        vbSectLock lock(m_pLock);
        if (vbHotPlugCb* h = takeEvent())
            h->onProgress(h, plugger, progress, progressMax, status, text, lock);
    }
    vbPlugUpdateCaps OnError(IvbHotPlugger* plugger, bool b, LONG hr, const vbString& text) override
    {
        vbSectLock lock(m_pLock);
        if (vbHotPlugCb* h = takeEvent())
            return h->onError(h, plugger, b, hr, text, lock);
        return vbPlugUpdateAllow;
    }

    // --- IvbHotPlugTypeCb ---
    vbPlugUpdateCaps OnGetPluginCaps(IvbHotPlugin*, IvbHotPlugger*) override
    {
        vbSectLock lock(m_pLock);
        return m_caps;
    }
    void OnUnloadPluginAsked(IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool bAlone) override
    {
        vbSectLock lock(m_pLock);
        if (vbHotPlugCb* h = takeEvent())
            h->onUnloadPluginAsked(h, plugin, plugger, bAlone, lock);
    }
    void OnLoadPluginAsked(IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool bAlone) override
    {
        vbSectLock lock(m_pLock);
        if (vbHotPlugCb* h = takeLoadEvent())
            h->onLoadPluginAsked(h, plugin, plugger, bAlone, lock);
    }
    void OnProgress(IvbHotPlugin* plugin, IvbHotPlugger* plugger, ULONG progress, ULONG progressMax,
        vbPlugStatus status, const vbString& text) override
    {
        vbSectLock lock(m_pLock);
        if (vbHotPlugCb* h = takeEvent())
            h->onProgress(h, plugin, plugger, progress, progressMax, status, text, lock);
    }
    vbPlugUpdateCaps OnError(IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool b, LONG hr,
        const vbString& text) override
    {
        vbSectLock lock(m_pLock);
        if (vbHotPlugCb* h = takeEvent())
            return h->onError(h, plugin, plugger, b, hr, text, lock);
        return vbPlugUpdateAllow;
    }
    void OnReloadConfig(sIvbHotPlugType* plugType) override
    {
        vbSectLock lock(m_pLock);
        if (vbHotPlugCb* h = takeLoadEvent())
            h->onReloadConfig(h, plugType, lock);
    }

protected:
    void onBeforeDestruction(bool) override
    {
        vbSectLock lock(m_pLock);
        m_pHolder = nullptr;
    }

private:
    // Any event but a load request lets the next load request through. Called under the lock;
    // answers the holder to forward to, null once the link is cut.
    vbHotPlugCb* takeEvent()
    {
        m_bForwardFirstLoad = true;
        return m_pHolder;
    }
    // The first load request (or reload) is swallowed unless forwarding was asked or another
    // event came before it.
    vbHotPlugCb* takeLoadEvent()
    {
        if (!m_bForwardFirstLoad) {
            m_bForwardFirstLoad = true;
            return nullptr;
        }
        return m_pHolder;
    }

    vbHotPlugCb* m_pHolder;
    vbPlugUpdateCaps m_caps;
    bool m_bForwardFirstLoad;
};

// --- vbHotPlugCb ---

vbHotPlugCb::vbHotPlugCb(sIvbHotPlugCb* plugHandler, sIvbHotPlugTypeCb* plugTypeHandler, bool forwardFirstLoad,
    vbPlugUpdateCaps caps)
    : m_pPlugCb(plugHandler), m_pPlugTypeCb(plugTypeHandler), m_caps(caps), m_bForwardFirstLoad(forwardFirstLoad)
{
}

vbHotPlugCb::~vbHotPlugCb()
{
    try {
        Destroy();
    } catch (CException* e) {
        vbTraceException(e, true, "vbHotPlugItf", __LINE__);
    } catch (...) {
        vbTraceException(nullptr, false, "vbHotPlugItf", __LINE__);
    }
}

bool vbHotPlugCb::GetInterface(const GUID& iid, const void** ppv) const
{
    return const_cast<vbHotPlugCb*>(this)->GetInterface(iid, const_cast<void**>(ppv));
}

bool vbHotPlugCb::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_sIvbHotPlugCb) {
        *ppv = static_cast<sIvbHotPlugCb*>(this);
        return true;
    }
    if (iid == IID_sIvbHotPlugTypeCb) {
        *ppv = static_cast<sIvbHotPlugTypeCb*>(this);
        return true;
    }
    if (iid == IID_sIvbBase) {
        *ppv = static_cast<sIvbBase*>(static_cast<vbBase*>(this));
        return true;
    }
    return false;
}

void vbHotPlugCb::Create()
{
    if (m_pObject)
        return;
    auto* object = new vbHotPlugCbObject(this, m_caps, m_bForwardFirstLoad);
    try {
        object->Create();
    } catch (...) {
        object->Release();
        throw;
    }
    m_pObject = object;
}

void vbHotPlugCb::Destroy()
{
    vbHotPlugCbObject* object = m_pObject;
    if (!object)
        return;
    m_pObject = nullptr;
    struct Drop {
        vbHotPlugCbObject* o;
        ~Drop() { o->Release(); }
    } drop{object};
    object->Destroy();
}

bool vbHotPlugCb::HasPlugCb() const { return m_pPlugCb != nullptr; }
bool vbHotPlugCb::HasPlugTypeCb() const { return m_pPlugTypeCb != nullptr; }

vbHotPlugCb::operator IvbHotPlugCb*()
{
    if (!HasPlugCb())
        throw new vbEsys("vbHotPlugCb::operator IvbHotPlugCb*() called with no plug cb defined");
    Create();
    return m_pObject;
}

vbHotPlugCb::operator IvbHotPlugTypeCb*()
{
    if (!HasPlugTypeCb())
        throw new vbEsys("vbHotPlugCb::operator IvbHotPlugTypeCb*() called with no plugtype cb defined");
    Create();
    return m_pObject;
}

// --- the faces: forwarded to the owner's handlers ---

vbPlugUpdateCaps vbHotPlugCb::onGetPluginCaps(vbHotPlugCb* holder, IvbHotPlugger* plugger, vbSectLock& lock)
{
    return m_pPlugCb ? m_pPlugCb->onGetPluginCaps(holder, plugger, lock) : vbPlugUpdateAllow;
}

void vbHotPlugCb::onUnloadPluginAsked(vbHotPlugCb* holder, IvbHotPlugger* plugger, bool bAlone, vbSectLock& lock)
{
    if (m_pPlugCb)
        m_pPlugCb->onUnloadPluginAsked(holder, plugger, bAlone, lock);
}

void vbHotPlugCb::onLoadPluginAsked(vbHotPlugCb* holder, IvbHotPlugger* plugger, bool bAlone, vbSectLock& lock)
{
    if (m_pPlugCb)
        m_pPlugCb->onLoadPluginAsked(holder, plugger, bAlone, lock);
}

vbPlugUpdateCaps vbHotPlugCb::onError(vbHotPlugCb* holder, IvbHotPlugger* plugger, bool b, LONG hr,
    const vbString& text, vbSectLock& lock)
{
    return m_pPlugCb ? m_pPlugCb->onError(holder, plugger, b, hr, text, lock) : vbPlugUpdateAllow;
}

void vbHotPlugCb::onProgress(vbHotPlugCb* holder, IvbHotPlugger* plugger, ULONG progress, ULONG progressMax,
    vbPlugStatus status, const vbString& text, vbSectLock& lock)
{
    if (m_pPlugCb)
        m_pPlugCb->onProgress(holder, plugger, progress, progressMax, status, text, lock);
}

vbPlugUpdateCaps vbHotPlugCb::onGetPluginCaps(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger,
    vbSectLock& lock)
{
    return m_pPlugTypeCb ? m_pPlugTypeCb->onGetPluginCaps(holder, plugin, plugger, lock) : vbPlugUpdateAllow;
}

void vbHotPlugCb::onUnloadPluginAsked(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger,
    bool bAlone, vbSectLock& lock)
{
    if (m_pPlugTypeCb)
        m_pPlugTypeCb->onUnloadPluginAsked(holder, plugin, plugger, bAlone, lock);
}

void vbHotPlugCb::onLoadPluginAsked(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool bAlone,
    vbSectLock& lock)
{
    if (m_pPlugTypeCb)
        m_pPlugTypeCb->onLoadPluginAsked(holder, plugin, plugger, bAlone, lock);
}

vbPlugUpdateCaps vbHotPlugCb::onError(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool b,
    LONG hr, const vbString& text, vbSectLock& lock)
{
    return m_pPlugTypeCb ? m_pPlugTypeCb->onError(holder, plugin, plugger, b, hr, text, lock) : vbPlugUpdateAllow;
}

void vbHotPlugCb::onReloadConfig(vbHotPlugCb* holder, sIvbHotPlugType* plugType, vbSectLock& lock)
{
    if (m_pPlugTypeCb)
        m_pPlugTypeCb->onReloadConfig(holder, plugType, lock);
}

void vbHotPlugCb::onProgress(vbHotPlugCb* holder, IvbHotPlugin* plugin, IvbHotPlugger* plugger, ULONG progress,
    ULONG progressMax, vbPlugStatus status, const vbString& text, vbSectLock& lock)
{
    if (m_pPlugTypeCb)
        m_pPlugTypeCb->onProgress(holder, plugin, plugger, progress, progressMax, status, text, lock);
}
