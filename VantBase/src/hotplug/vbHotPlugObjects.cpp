#include "vbHotPlugin.h"

#include "vbException.h"

#include <cstring>

// --- the plug type's side ---

bool vbHotPlugType::servingPlugin(const vbString& name, PluginPtr* out)
{
    checkPlugins();
    loadConfig();
    vbSectLock lock(&m_sect);
    const Object* found = m_objects.FindSorted<const vbString&>(name, findPlugObj, nullptr);
    if (!found)
        return false;
    *out = found->plugin;
    return true;
}

bool vbHotPlugType::CreatePluggedObject(sIvbPlugPtr* ptr, const vbString& name)
{
    vbLock use(this);
    PluginPtr plugin;
    if (!servingPlugin(name, &plugin))
        return false;
    plugin->createPluggedObject(ptr, name);
    return true;
}

bool vbHotPlugType::CreatePluggedObject(const vbString& name, vbHotPlugObjectPtr* obj, vbHotPluginPtr* plugin)
{
    vbLock use(this);
    PluginPtr serving;
    if (!servingPlugin(name, &serving))
        return false;
    serving->createPluggedObject(name, obj, plugin);
    return true;
}

bool vbHotPlugType::CanWorkWith(IvbHotPlugin* plugin, const vbString& name)
{
    vbLock use(this);
    PluginPtr serving;
    if (!servingPlugin(name, &serving))
        return false;
    return serving->canWorkWith(plugin, name);
}

// --- the record's side ---

void vbHotPlugType::Plugin::createPluggedObject(sIvbPlugPtr* ptr, const vbString& name)
{
    checkNotDestroyed("vbHotPlugType::Plugin::createPluggedObject()");
    loadPlugin();
    vbHotPlugObjectPtr obj;
    createObject(name, &obj);
    ptr->SetPluggedObject(this, obj);
}

void vbHotPlugType::Plugin::createPluggedObject(const vbString& name, vbHotPlugObjectPtr* obj, vbHotPluginPtr* plugin)
{
    checkNotDestroyed("vbHotPlugType::Plugin::createPluggedObject()");
    loadPlugin();
    if (obj)
        createObject(name, obj);
    if (plugin)
        *plugin = static_cast<IvbHotPlugin*>(this);
}

void vbHotPlugType::Plugin::createObject(const vbString& name, vbHotPlugObjectPtr* obj)
{
    const char* const context = "vbHotPlugType::Plugin::createObject()";
    vbSectLock lock(m_pLock);
    for (int attempts = 0;; ++attempts) {
        checkNotDestroyed(context);
        checkUsable(context);
        if (m_hModule && m_create)
            break;
        if (m_busy > 0 || attempts >= 4)
            throw new vbEsys(
                (typeText() + " isn't loaded (Abnormal error, vbHotPlugType::Plugin::createObject) !").c_str());
        lock.Unlock();
        loadPlugin();
        lock.Lock(m_pLock);
    }
    const CreateEntry create = m_create;
    ++m_busy;
    lock.Unlock();
    // The count falls again whatever the module does: an unload waits for it.
    struct Busy {
        Plugin* self;
        ~Busy()
        {
            vbSectLock lock(self->m_pLock);
            --self->m_busy;
        }
    } busy{this};
    create(this, name, obj);
}

bool vbHotPlugType::Plugin::canWorkWith(IvbHotPlugin* plugin, const vbString&)
{
    const char* const context = "vbHotPlugType::Plugin::canWorkWith()";
    checkNotDestroyed(context, " ");
    loadPlugin();
    vbSectLock lock(m_pLock);
    checkNotDestroyed("vbHotPlugType::Plugin::canWorkWith(2)");
    if (m_status < 0)
        checkUsable(context);
    if (m_bLoading || m_bUnloadAsked) {
        if (!plugin)
            return false;
        checkUsable(context);
    }
    if (!plugin)
        return true;
    return std::memcmp(&plugin->GetPluginId(), &m_id, sizeof(GUID)) == 0;
}
