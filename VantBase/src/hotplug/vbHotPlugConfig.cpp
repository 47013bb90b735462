#include "vbHotPlugin.h"

#include "hotplug/vbHotPlugTrace.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbMsg.h"
#include "vbStrUtil.h"
#include "vbSync.h"
#include "vbVariant.h"

#include <vector>

#include "plat/thread.h"
#include "plat/time.h"

namespace {

// One object name as the reading found it: the module that serves it best so far.
struct ConfigRecord {
    GUID id;
    vbString name;
    LONG priority = 0;
    void* data = nullptr;
    // The plug-in key's name and default value, as enumerated.
    vbString keyName;
    vbString label;
};

int findRecord(const ConfigRecord* element, const vbString& name) { return vbSortStringNC(element->name, name); }

// The id a plug-in key names: a GUID text, braces optional, white space before it, nothing after.
bool parsePluginKey(const vbString& keyName, GUID* id)
{
    const char* end = nullptr;
    return vbStrToGuid(keyName, id, &end) && end && *end == '\0';
}

} // namespace

// --- reading ---

void vbHotPlugType::onReloadConfig()
{
    InUpdateHold inUpdate;
    const vbString path = GetConfigPath();
    vbHotPlugTrace(0, "vbHotPlugType::onReloadConfig(" + path + ")");
    const vbString where = "vbHotPlugType::ReloadConfig(" + path + ")";

    // The registry is read without the type's lock.
    vbArray<ConfigRecord> records;
    vbRegKey config = GetConfigKey();
    if (config.Exists()) {
        vbRegEnumKey plugins(config);
        vbString keyName;
        while (plugins.Next(&keyName)) {
            try {
                GUID id;
                if (!parsePluginKey(keyName, &id)) {
                    vbHotPlugTrace(1, where + " : '" + keyName + "' key ignored, it's not a plugin key");
                    continue;
                }
                vbRegKey pluginKey(config, keyName);
                const vbVariant labelValue = pluginKey.GetDefaultValue();
                const vbString label = labelValue.IsEmpty() || labelValue.IsNull() ? vbString() : labelValue.GetAsString();
                vbRegEnumKey objects(pluginKey);
                vbString objectName;
                while (objects.Next(&objectName)) {
                    try {
                        vbRegKey objectKey(pluginKey, objectName);
                        const vbVariant priority = objectKey.GetValue("priority");
                        if (priority.IsEmpty() || priority.IsNull()) {
                            vbHotPlugTrace(1, where + " : plugin '" + keyName + "', '" + objectName +
                                    "' key ignored, it's not a plugin object key, 'priority' value missing");
                            continue;
                        }
                        ConfigRecord record{id, objectName, priority.GetAsLong(), nullptr, keyName, label};
                        int pos = 0;
                        ConfigRecord* existing = records.FindSorted<const vbString&>(objectName, findRecord, &pos);
                        if (!existing) {
                            records.Insert(pos, record);
                            continue;
                        }
                        if (existing->priority > record.priority)
                            continue;
                        if (existing->priority == record.priority)
                            throw new vbEsys(E_FAIL, (where + " : plugin '" + keyName + "', '" + objectName +
                                    "' object as same priority than plugin '" + vbString(existing->id, true) + "', '" +
                                    existing->name + " (priority=" + vbString(static_cast<int>(existing->priority)) + ")")
                                    .c_str());
                        if (!onLoadConfigForPluggedObject(id, objectName, record.priority, objectKey, &record.data))
                            continue;
                        try {
                            onUnloadConfigForPluggedObject(existing->id, existing->name, existing->data);
                        } catch (...) {
                            onUnloadConfigForPluggedObject(record.id, record.name, record.data);
                            throw;
                        }
                        *existing = record;
                    } catch (CException* e) {
                        vbTraceException(e, true, "vbHotPlugin", __LINE__);
                    }
                }
            } catch (CException* e) {
                vbTraceException(e, true, "vbHotPlugin", __LINE__);
            }
        }
    }

    // The tables are rebuilt under the lock; checks and destructions wait until it is released.
    std::vector<PluginPtr> toCheck;
    std::vector<PluginPtr> toDestroy;
    {
        vbSectLock lock(&m_sect);
        for (int i = 1; i <= m_plugins.GetLength(); ++i)
            m_plugins[i]->resetUsed();
        unloadObjectConfig(m_objects);
        m_objects.Empty();
        for (int i = 1; i <= records.GetLength(); ++i) {
            const ConfigRecord& record = records[i];
            try {
                int pos = 0;
                PluginPtr* found = m_plugins.FindSorted<const GUID&>(record.id, findPlugin, &pos);
                PluginPtr plugin;
                if (found) {
                    plugin = *found;
                    plugin->setUsed();
                } else {
                    Plugin* made = new Plugin(this, record.id, record.label);
                    plugin = made;
                    made->Release();
                    plugin->Create();
                    m_plugins.Insert(pos, plugin);
                }
                m_objects.Add(Object{record.name, plugin, record.data, record.priority});
            } catch (CException* e) {
                vbTraceException(e, true, "vbHotPlugin", __LINE__);
            }
        }
        for (int i = m_plugins.GetLength(); i >= 1; --i) {
            if (!m_plugins[i]->isUsed()) {
                toDestroy.insert(toDestroy.begin(), m_plugins[i]);
                m_plugins.Delete(i);
            } else if (m_plugins[i]->isToCheck()) {
                toCheck.insert(toCheck.begin(), m_plugins[i]);
            }
        }
    }
    for (auto& plugin : toCheck) {
        try {
            plugin->check();
        } catch (CException* e) {
            vbTraceException(e, true, "vbHotPlugin", __LINE__);
        }
    }
    for (auto& plugin : toDestroy) {
        try {
            plugin->Destroy();
        } catch (CException* e) {
            vbTraceException(e, true, "vbHotPlugin", __LINE__);
        }
    }
    toDestroy.clear();
    tellListeners([this](IvbHotPlugTypeCb* cb) { cb->OnReloadConfig(this); });
    g_vbHotPlugCenter.fireOnLoadPluginAsked(nullptr, false, true);
}

bool vbHotPlugType::onLoadConfigForPluggedObject(const GUID&, const vbString&, LONG, vbRegKey&, void**) { return true; }

void vbHotPlugType::onUnloadConfigForPluggedObject(const GUID&, const vbString&, void*) { }

// --- when the configuration is read ---

void vbHotPlugType::loadConfig()
{
    vbSectLock lock(&m_sect);
    if (m_bConfigLoaded) {
        lock.Unlock();
        waitForReading();
        return;
    }
    // The flag is set first: a reading that fails waits for the next reload message or start.
    beginReading();
    lock.Unlock();
    readConfig();
}

void vbHotPlugType::beginReading()
{
    m_bConfigLoaded = true;
    ++m_nReading;
    m_readingThread = GetCurrentThreadId();
}

void vbHotPlugType::readConfig()
{
    struct End {
        vbHotPlugType* type;
        ~End()
        {
            vbSectLock lock(&type->m_sect);
            ++type->m_nReadingsEnded;
            if (--type->m_nReading == 0)
                type->m_readingThread = 0;
            for (vbEvent* wake : type->m_readingWaiters)
                wake->Set();
        }
    } end{this};
    onReloadConfig();
}

// A thread waiting for readings to end, known to the type while it lives.
struct vbHotPlugType::ReadingWaiter {
    explicit ReadingWaiter(vbHotPlugType& t) : type(t)
    {
        vbSectLock lock(&type.m_sect);
        type.m_readingWaiters.push_back(&wake);
    }
    ~ReadingWaiter()
    {
        vbSectLock lock(&type.m_sect);
        std::erase(type.m_readingWaiters, &wake);
    }
    ReadingWaiter(const ReadingWaiter&) = delete;
    ReadingWaiter& operator=(const ReadingWaiter&) = delete;

    vbHotPlugType& type;
    vbEvent wake;
};

void vbHotPlugType::waitForReading()
{
    // A reading that another thread began (the reload message sets the loaded flag first) is
    // waited for, so that a first use does not search tables not yet filled; never for long.
    // Readings begun meanwhile are not: once as many have ended as were running, the tables hold
    // a whole reading, even while reload messages keep coming. The thread's messages are handled
    // while it waits, as a reading may send to its windows.
    constexpr DWORD kLongestWaitMs = 5000;
    const DWORD self = GetCurrentThreadId();
    ReadingWaiter waiter(*this);
    LONG running = 0;
    LONG endedBefore = 0;
    {
        vbSectLock lock(&m_sect);
        running = m_nReading;
        endedBefore = m_nReadingsEnded;
    }
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD left = 0;
        {
            vbSectLock lock(&m_sect);
            const DWORD waited = GetTickCount() - start;
            if (m_nReading == 0 || m_readingThread == self || m_nReadingsEnded - endedBefore >= running ||
                waited >= kLongestWaitMs)
                return;
            left = kLongestWaitMs - waited;
        }
        HANDLE handle = waiter.wake.GetHandle();
        vbWait(LONG(left), &handle, 1, true);
    }
}

void vbHotPlugType::checkPlugins()
{
    {
        vbSectLock lock(&m_sect);
        const LONG count = static_cast<LONG>(g_vbHotPlugCenter.GetUpdateCnt());
        if (count == m_seenUpdateCnt)
            return;
        m_seenUpdateCnt = count;
    }
    onCheckPlugins();
}

void vbHotPlugType::onCheckPlugins()
{
    vbHotPlugTrace(0, "vbHotPlugType::onCheckPlugin(" + GetPlugTypeName() + " plugins." + GetPlugTypeVer() + ")");
    vbRefPtr<IvbHotPlugCb, &IID_IvbHotPlugCb> notif;
    getPlugNotifCb(&notif);
    g_vbHotPlugCenter.PlugTypeStart(GetPlugTypeName(), notif);
}

void vbHotPlugType::receiveExternalMsg(vbVantMsgCb&, DWORD, DWORD)
{
    vbLock use;
    if (!IsNowStarted(&use))
        return;
    {
        vbSectLock lock(&m_sect);
        beginReading();
    }
    try {
        readConfig();
    } catch (CException* e) {
        vbTraceException(e, true, "vbHotPlugin", __LINE__);
    }
}

void vbHotPlugType::getPlugNotifCb(vbRefPtr<IvbHotPlugCb, &IID_IvbHotPlugCb>* out)
{
    vbSectLock lock(&m_sect);
    if (m_notif.IsNull()) {
        PlugNotif* made = new PlugNotif(this);
        m_notif = made;
        made->Release();
        m_notif->Create();
    }
    *out = static_cast<IvbHotPlugCb*>(m_notif.Get());
}
