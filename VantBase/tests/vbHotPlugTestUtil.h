#pragma once

// What the plug-in centre tests share: class ids, COM registrations, and a listener that notes
// what it is told.

#include "vbHotPlug.h"
#include "vbHotPlugItf.h"
#include "vbObjectFace.h"
#include "vbRegKey.h"

#include <string>
#include <vector>

namespace vbtest {

inline GUID testClsid(DWORD data1) { return GUID{data1, 0x1234, 0x5678, {0x9A, 0xBC, 0, 0, 0, 0, 0, 0x01}}; }

// Registers path as clsid's in-process server under HKEY_CLASSES_ROOT, or under
// HKEY_LOCAL_MACHINE's classes; server names another server key.
inline void registerServer(const GUID& clsid, const char* path, bool bClassesRoot = true,
    const char* server = "InprocServer32")
{
    vbString key = vbString(bClassesRoot ? "CLSID\\" : "SOFTWARE\\Classes\\CLSID\\") + vbString(clsid, true) + "\\" + server;
    vbRegKey(bClassesRoot ? vbRegClassesRoot : vbRegLocalMachine, key).SetDefaultValue(vbVariant(path));
}

inline bool isRegistered(const GUID& clsid, bool bClassesRoot)
{
    vbString key = vbString(bClassesRoot ? "CLSID\\" : "SOFTWARE\\Classes\\CLSID\\") + vbString(clsid, true);
    return vbRegKey(bClassesRoot ? vbRegClassesRoot : vbRegLocalMachine, key).Exists();
}

// A listener that notes "load" or "unload", the record's module path and whether it was told alone.
class Listener : public vbObject, public IvbHotPlugCb {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbHotPlugCb) {
            *ppv = static_cast<IvbHotPlugCb*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }

    vbPlugUpdateCaps OnGetPluginCaps(IvbHotPlugger*) override { return vbPlugUpdateAllow; }
    void OnUnloadPluginAsked(IvbHotPlugger* plugger, bool bAlone) override { note("unload", plugger, bAlone); }
    void OnLoadPluginAsked(IvbHotPlugger* plugger, bool bAlone) override { note("load", plugger, bAlone); }

    std::vector<std::string> events;

private:
    void note(const char* what, IvbHotPlugger* plugger, bool bAlone)
    {
        std::string path = plugger ? plugger->GetModulePath().c_str() : "-";
        events.push_back(std::string(what) + " " + path + (bAlone ? " alone" : ""));
    }
};

// A plug-in centre of its own, with the parts the message and binding tests look at opened.
class OpenCentre : public vbHotPlugCenter {
public:
    OpenCentre() : vbHotPlugCenter("Test HotPlug Center", vbEngineDeps()) { }
    using vbHotPlugCenter::m_pluggers;
    using vbHotPlugCenter::m_retryTimer;
    using vbHotPlugCenter::onReceiveExternalMsg;
    using vbHotPlugCenter::onRetryTimer;
};

// Made and created as the centre's callers make them; the test holds one reference.
inline Listener* newListener()
{
    auto* l = new Listener;
    l->Create();
    return l;
}

} // namespace vbtest
