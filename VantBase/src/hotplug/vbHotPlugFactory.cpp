#include "vbHotPlugin.h"

#include "vbException.h"
#include "vbLog.h"
#include "vbVariant.h"

#include "plat/time.h"

vbHotPlugFactory::vbHotPlugFactory(vbHotPlugType* plugType, const GUID& clsid, const char* name,
    const vbHotPlugFactoryList* list, DWORD unloadDelayMs)
    : m_pPlugType(plugType), m_clsid(clsid), m_name(name), m_list(list), m_idleTick(GetTickCount()),
      m_unloadDelay(unloadDelayMs), m_container(&m_sect)
{
}

vbHotPlugFactory::~vbHotPlugFactory()
{
    try {
        // At the host's own exit its centre may be gone before the module: nothing is left to tell.
        if (g_vbHotPlugCenter.IsReady())
            ForceUnload();
    } catch (CException* e) {
        vbTraceException(e, true, "vbHotPlugin", __LINE__);
    } catch (...) {
        vbTraceException(nullptr, false, "vbHotPlugin", __LINE__);
    }
}

// --- registration ---

void vbHotPlugFactory::Register()
{
    vbUseEngineCenter use(&g_vbEngineCenter, false);
    vbRegKey config = m_pPlugType->GetConfigKey();
    vbRegKey plugin(config, vbString(m_clsid, true));
    if (m_name)
        plugin.SetDefaultValue(vbVariant(m_name));
    for (const vbHotPlugFactoryList* item = m_list; item && item->name; ++item)
        vbRegKey(plugin, item->name).SetValue("priority", vbVariant(item->priority));
    m_pPlugType->AskConfigUpdate();
}

void vbHotPlugFactory::Unregister()
{
    vbUseEngineCenter use(&g_vbEngineCenter, false);
    vbRegKey config = m_pPlugType->GetConfigKey();
    vbRegKey(config, vbString(m_clsid, true)).DeleteKey(true, false);
    m_pPlugType->AskConfigUpdate();
}

HRESULT vbHotPlugRegisterCall(void (vbHotPlugFactory::*step)(), vbHotPlugFactory* factory)
{
    try {
        (factory->*step)();
        return S_OK;
    } catch (CException* e) {
        HRESULT hr = vbGetHR(e);
        e->Delete();
        return hr;
    } catch (...) {
        return E_POINTER;
    }
}

// --- the host's calls ---

void vbHotPlugFactory::Load(IvbHotPlugin* plugin)
{
    {
        vbSectLock lock(&m_sect);
        if (m_objCnt != 0 || (m_pPlugin && m_pPlugin != plugin))
            vbRelOutput(vbString("vbHotPlugFactory::Load() : internal pb in Plugin '") + vbString(m_name) + "' (objcnt="
                    + vbString(static_cast<int>(m_objCnt)) + ")",
                true);
        m_bUnloadAsked = false;
        m_pPlugin = plugin;
        m_container = plugin;
    }
    onLoad(plugin);
}

bool vbHotPlugFactory::Unload(IvbHotPlugin* plugin)
{
    {
        vbSectLock lock(&m_sect);
        m_bUnloadAsked = true;
        // Unsigned: the idle time stays right across the wrap of the tick count.
        if (m_objCnt > 0 || GetTickCount() - m_idleTick < m_unloadDelay)
            return false;
        m_pPlugin = nullptr;
        m_container = nullptr;
    }
    onUnload(plugin);
    return true;
}

void vbHotPlugFactory::CreateObject(IvbHotPlugin* plugin, const vbString& name, vbHotPlugObjectPtr* out)
{
    {
        vbSectLock lock(&m_sect);
        if (m_bUnloadAsked)
            throw new vbEhotPlug(vbString("vbHotPlugFactory / Plugin '") + vbString(m_name) + "' is unloading : can't create object '"
                + name + "' !");
    }
    for (const vbHotPlugFactoryList* item = m_list; item && item->name; ++item) {
        if (name.CompareNoCase(item->name) == 0) {
            item->create(this, plugin, item->name, item->value, out);
            return;
        }
    }
    throw new vbEsys(vbString("vbHotPlugFactory / Plugin '") + vbString(m_name) + "' : object '" + name + "' doesn't exist !");
}

void vbHotPlugFactory::IncObjCnt()
{
    vbSectLock lock(&m_sect);
    ++m_objCnt;
}

void vbHotPlugFactory::DecObjCnt()
{
    vbSectLock lock(&m_sect);
    if (--m_objCnt <= 0)
        m_idleTick = GetTickCount();
}

bool vbHotPlugFactory::ForceUnload()
{
    vbRefPtr<IvbHotPlugin, &IID_IvbHotPlugin> plugin;
    {
        vbSectLock lock(&m_sect);
        if (!m_container.GetRefPtr(&plugin))
            return false;
        m_container = nullptr;
    }
    plugin->_forceUnload();
    return true;
}

bool vbHotPlugFactory::GetPluginContainer(vbRefPtr<IvbHotPlugin, &IID_IvbHotPlugin>* out)
{
    vbSectLock lock(&m_sect);
    return m_container.GetRefPtr(out);
}

bool vbHotPlugFactory::isUnloadAsked() const
{
    vbSectLock lock(&m_sect);
    return m_bUnloadAsked;
}

void vbHotPlugFactory::onLoad(IvbHotPlugin*) { }
void vbHotPlugFactory::onUnload(IvbHotPlugin*) { }
