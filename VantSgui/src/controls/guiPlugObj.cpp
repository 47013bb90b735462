#include "guiProgress.h"

#include "controls/guiProgressLink.h"

#include <mutex>

const IID IID_guiPlugObj = {0x8DF52A37, 0x1DD1, 0x48CC, {0xA2, 0xF5, 0x8F, 0xE4, 0x4E, 0xA6, 0x44, 0xAC}};

guiPlugObj::guiPlugObj(const std::shared_ptr<guiProgressLink>& link, bool showFirst, const GUID& classId,
    vbHotPlugType* type, vbPlugUpdateCaps caps)
    : m_link(link), m_classId(classId), m_pType(type), m_caps(caps), m_bShowFirst(showFirst)
{
    ++m_link->live;
}

guiPlugObj::~guiPlugObj() { --m_link->live; }

bool guiPlugObj::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IvbHotPlugCb) {
        *ppv = static_cast<IvbHotPlugCb*>(this);
        return true;
    }
    if (iid == IID_IvbHotPlugTypeCb) {
        *ppv = static_cast<IvbHotPlugTypeCb*>(this);
        return true;
    }
    if (iid == IID_guiPlugObj) {
        *ppv = this;
        return true;
    }
    return vbObject::GetInterface(iid, ppv);
}

template <class Event>
void guiPlugObj::toStrip(Event event)
{
    std::shared_lock lock(m_link->sect);
    if (guiProgress* strip = m_link->strip)
        event(*strip);
}

vbPlugUpdateCaps guiPlugObj::OnGetPluginCaps(IvbHotPlugger*) { return m_caps; }
vbPlugUpdateCaps guiPlugObj::OnGetPluginCaps(IvbHotPlugin*, IvbHotPlugger*) { return m_caps; }

void guiPlugObj::OnUnloadPluginAsked(IvbHotPlugger* plugger, bool)
{
    OnUnloadPluginAsked(nullptr, plugger, false);
}

void guiPlugObj::OnLoadPluginAsked(IvbHotPlugger* plugger, bool) { OnLoadPluginAsked(nullptr, plugger, false); }

void guiPlugObj::OnProgress(IvbHotPlugger* plugger, ULONG progress, ULONG progressMax, vbPlugStatus status,
    const vbString& text)
{
    OnProgress(nullptr, plugger, progress, progressMax, status, text);
}

vbPlugUpdateCaps guiPlugObj::OnError(IvbHotPlugger* plugger, bool, LONG hr, const vbString& text)
{
    return OnError(nullptr, plugger, false, hr, text);
}

void guiPlugObj::OnUnloadPluginAsked(IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool)
{
    toStrip([&](guiProgress& strip) { strip.onUnload(this, m_classId, m_pType, plugin, plugger); });
}

void guiPlugObj::OnLoadPluginAsked(IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool)
{
    toStrip([&](guiProgress& strip) { strip.onLoad(this, m_classId, m_pType, plugin, plugger); });
}

void guiPlugObj::OnProgress(IvbHotPlugin* plugin, IvbHotPlugger* plugger, ULONG progress, ULONG progressMax,
    vbPlugStatus status, const vbString& text)
{
    toStrip([&](guiProgress& strip) {
        strip.onProgress(this, m_classId, m_pType, plugin, plugger, progress, progressMax, status, text);
    });
}

vbPlugUpdateCaps guiPlugObj::OnError(IvbHotPlugin* plugin, IvbHotPlugger* plugger, bool, LONG hr,
    const vbString& text)
{
    toStrip([&](guiProgress& strip) { strip.onError(this, m_classId, m_pType, plugin, plugger, hr, text); });
    return vbPlugUpdateAllow;
}

void guiPlugObj::OnReloadConfig(sIvbHotPlugType* plugType)
{
    toStrip([&](guiProgress& strip) { strip.onReloadConfig(this, m_classId, m_pType, plugType); });
}
