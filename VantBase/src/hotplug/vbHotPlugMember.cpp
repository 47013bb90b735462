#include "vbHotPlugin.h"

#include "vbException.h"
#include "vbExceptionReport.h"

vbHotPlugType::Member::Member(vbHotPlugType* type, const GUID& id, const vbString& label)
    : m_pType(type), m_id(id), m_label(label)
{
    vbSectLock lock(&m_pType->m_sect);
    ++m_pType->m_liveRecords;
}

vbHotPlugType::Member::~Member()
{
    vbSectLock lock(&m_pType->m_sect);
    --m_pType->m_liveRecords;
}

bool vbHotPlugType::Member::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IvbHotPlugin) {
        *ppv = static_cast<IvbHotPlugin*>(this);
        return true;
    }
    if (iid == IID_IvbHotPlugCb) {
        *ppv = static_cast<IvbHotPlugCb*>(this);
        return true;
    }
    if (iid == IID_sIvbHotPlugType) {
        *ppv = static_cast<sIvbHotPlugType*>(this);
        return true;
    }
    return vbObject::GetInterface(iid, ppv);
}

// --- IvbHotPlugin ---

const GUID& vbHotPlugType::Member::GetPluginId() { return m_id; }
vbString vbHotPlugType::Member::GetPluginLabel() { return m_label; }
vbString vbHotPlugType::Member::GetPlugTypeName() { return m_pType->GetPlugTypeName(); }
vbString vbHotPlugType::Member::GetPlugTypeVer() { return m_pType->GetPlugTypeVer(); }
vbString vbHotPlugType::Member::GetPlugTypeLabel() { return m_pType->GetPlugTypeLabel(); }

vbString vbHotPlugType::Member::GetConfigPath()
{
    if (IsInDestruction())
        throw new vbEhotPlug(E_ABORT, "Plugin '" + m_label + "' is in destruction...",
            "vbHotPlugType::Plugin::GetConfigPath()");
    return m_pType->GetConfigPath();
}

vbRegKey vbHotPlugType::Member::GetConfigKey()
{
    if (IsInDestruction())
        throw new vbEhotPlug(E_ABORT, "Plugin '" + m_label + "' is in destruction...",
            "vbHotPlugType::Plugin::GetConfigKey()");
    return m_pType->GetConfigKey();
}

// --- the relays ---

vbPlugUpdateCaps vbHotPlugType::Member::OnGetPluginCaps(IvbHotPlugger* plugger)
{
    if (IsInDestruction())
        return vbPlugUpdateAllow;
    return m_pType->askListeners(m_pType->onGetPluginCaps(),
        [&](IvbHotPlugTypeCb* cb) { return cb->OnGetPluginCaps(this, plugger); });
}

void vbHotPlugType::Member::OnUnloadPluginAsked(IvbHotPlugger* plugger, bool bNotify)
{
    if (IsInDestruction())
        return;
    m_pType->tellListeners([&](IvbHotPlugTypeCb* cb) { cb->OnUnloadPluginAsked(this, plugger, bNotify); });
}

void vbHotPlugType::Member::OnLoadPluginAsked(IvbHotPlugger* plugger, bool bNotify)
{
    if (IsInDestruction())
        return;
    m_pType->tellListeners([&](IvbHotPlugTypeCb* cb) { cb->OnLoadPluginAsked(this, plugger, bNotify); });
}

void vbHotPlugType::Member::OnProgress(IvbHotPlugger* plugger, ULONG progress, ULONG progressMax,
    vbPlugStatus status, const vbString& text)
{
    if (IsInDestruction())
        return;
    m_pType->tellListeners(
        [&](IvbHotPlugTypeCb* cb) { cb->OnProgress(this, plugger, progress, progressMax, status, text); });
}

vbPlugUpdateCaps vbHotPlugType::Member::OnError(IvbHotPlugger* plugger, bool b, LONG hr, const vbString& text)
{
    return onError(plugger, b, hr, text);
}

vbPlugUpdateCaps vbHotPlugType::Member::onError(IvbHotPlugger* plugger, bool b, LONG hr, const vbString& text)
{
    if (IsInDestruction())
        return vbPlugUpdateAllow;
    return m_pType->askListeners(m_pType->onErrorGetPluginCaps(),
        [&](IvbHotPlugTypeCb* cb) { return cb->OnError(this, plugger, b, hr, text); });
}

vbPlugUpdateCaps vbHotPlugType::Member::onError(IvbHotPlugger* plugger, CException* e)
{
    if (!e)
        return onError(plugger, false, E_POINTER, "Unknown type exception !");
    return onError(plugger, false, vbGetHR(e), vbGetMsg(e, true));
}

// --- the notifier ---

vbHotPlugType::PlugNotif::PlugNotif(vbHotPlugType* type) : Member(type, GUID{}, vbString()) { }

void vbHotPlugType::PlugNotif::_forceUnload()
{
    throw new vbEsys(E_NOTIMPL, "vbHotPlugType::PlugNotif::_forceUnload()");
}
