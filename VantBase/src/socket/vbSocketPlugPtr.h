#pragma once

// The socket's pointer to the plug-in record that made its plug object: the plug type hands the
// object over through it (SetPluggedObject), and when the record unloads its module it asks the
// pointer to let go, which closes the socket.

#include "vbSocket.h"

class vbSocket::PlugPtr final : public vbObsPtrExt<IvbHotPlugin, &IID_IvbHotPlugin>, public sIvbPlugPtr {
public:
    PlugPtr(vbSocket* socket, CCriticalSection* sect) : vbObsPtrExt(sect), m_socket(socket) {}

    bool GetInterface(const GUID& iid, const void** ppv) const override
    {
        return const_cast<PlugPtr*>(this)->GetInterface(iid, const_cast<void**>(ppv));
    }
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_sIvbPlugPtr) {
            *ppv = static_cast<sIvbPlugPtr*>(this);
            return true;
        }
        return vbObsPtrCore::GetInterface(iid, ppv);
    }

    void SetPluggedObject(IvbHotPlugin* plugin, IvbObject* obj) override;
    bool ReleasePluggedObject(IvbHotPlugin* plugin, vbRefPtr<IvbHotPluggedObject, &IID_IvbHotPluggedObject>* out) override;
    // The record that made the plug object; null when none (or an object handed over without one).
    IvbHotPlugin* Plugin() const { return static_cast<IvbHotPlugin*>(m_pObs); }

private:
    vbSocket* m_socket;
};
