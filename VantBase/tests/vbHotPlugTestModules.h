#pragma once

// What the plug-in record and configuration tests share: the test plug type with its protected
// parts opened, the test modules, and a plug-type listener that notes what it is told.

#include "vbHotPlugTestType.h"
#include "vbHotPlugTestUtil.h"

#include "vbRegEngine.h"
#include "vbRegKey.h"
#include "vbVariant.h"

#include "plat/module.h"
#include "plat/process_ids.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace vbtest {

class OpenTestType : public HotPlugTestType {
public:
    using vbHotPlugType::getPlugNotifCb;
    using vbHotPlugType::m_objects;
    using vbHotPlugType::m_plugins;
    using vbHotPlugType::m_sect;
    using vbHotPlugType::onReloadConfig;
    using vbHotPlugType::onStop;
    using vbHotPlugType::receiveExternalMsg;

    // A record of the type, as a reading makes it; the caller holds the reference.
    Plugin* newRecord(const GUID& id, const char* label)
    {
        auto* record = new Plugin(this, id, label);
        record->Create();
        return record;
    }
};

// The file of test module variant 1 (complete), 2 (no load entry), 3 (no create entry) or 4
// (refuses every unload).
inline std::string hotPlugModulePath(int variant)
{
    return std::string(VNT_BIN_DIR "/vb_testmod_hotplug") + std::to_string(variant) + ".so";
}

// Registers a test module the way an installer does: its own DllRegisterServer.
inline void registerHotPlugModule(int variant)
{
    HMODULE module = LoadLibraryA(hotPlugModulePath(variant).c_str());
    ASSERT_NE(module, nullptr);
    auto reg = reinterpret_cast<HRESULT (*)()>(GetProcAddress(module, "DllRegisterServer"));
    ASSERT_NE(reg, nullptr);
    EXPECT_EQ(reg(), S_OK);
    FreeLibrary(module);
}

inline bool isModuleLoaded(int variant) { return GetModuleHandleA(hotPlugModulePath(variant).c_str()) != nullptr; }

// The events of a creation of "wait" in a test module, held until "leave" is set; each test process
// has its own.
inline std::string hotPlugEventName(const char* which)
{
    return std::string("vbtest.hotplug.") + which + "." + std::to_string(GetCurrentProcessId());
}

inline void setHotPlugTrace(int value)
{
    vbRegKey(vbRegVantMachine, "HotPlug Center").SetValue("Trace", vbVariant(value));
}

// Notes the events of a plug type; answers the caps question with caps, or throws.
class TypeListener : public vbObject, public IvbHotPlugTypeCb {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbHotPlugTypeCb) {
            *ppv = static_cast<IvbHotPlugTypeCb*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }

    vbPlugUpdateCaps OnGetPluginCaps(IvbHotPlugin*, IvbHotPlugger*) override
    {
        if (bThrow)
            throw new vbEsys(E_FAIL, "listener refuses");
        return caps;
    }
    void OnUnloadPluginAsked(IvbHotPlugin*, IvbHotPlugger*, bool) override { add("unload"); }
    void OnLoadPluginAsked(IvbHotPlugin*, IvbHotPlugger*, bool) override { add("load"); }
    vbPlugUpdateCaps OnError(IvbHotPlugin*, IvbHotPlugger*, bool, LONG hr, const vbString& text) override
    {
        char code[16];
        snprintf(code, sizeof code, "%08X", static_cast<unsigned>(hr));
        add(std::string("error ") + code + " " + text.c_str());
        return vbPlugUpdateAllow;
    }
    void OnReloadConfig(sIvbHotPlugType*) override { add("reload"); }
    // A reload message from another process reaches the listener on the message thread, maybe
    // while the test itself reloads.
    void add(std::string event)
    {
        std::lock_guard<std::mutex> lock(m_eventsLock);
        events.push_back(std::move(event));
    }

    std::vector<std::string> events;
    vbPlugUpdateCaps caps = vbPlugUpdateAllow;
    bool bThrow = false;

private:
    std::mutex m_eventsLock;
};

} // namespace vbtest
