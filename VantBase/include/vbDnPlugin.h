#pragma once

// The download sessions and the built-in protocol object: their identity and state. A session
// runs the operations of one worker through a protocol; it keeps the protocol plug-in it observes,
// the plug-in's protocol factory and the current protocol, and three flags: stopping (set when the
// session is destroyed), closeAsked (the plug-in is being let go) and fromPlugin (the current
// protocol comes from a plug-in).

#include "vbDnItf.h"
#include "vbObjectFace.h"
#include "vbObjects.h"
#include "vbPtr.h"

#include "plat/afx.h"

extern VBAPI const IID IID_vbDnBuiltinPlugin;

class VBAPI vbDnSession : public vbBase, public sIvbDnSession {
public:
    vbDnSession();
    // Failures are shown, never passed on.
    ~vbDnSession() override;
    vbDnSession(const vbDnSession&) = delete;
    vbDnSession& operator=(const vbDnSession&) = delete;

    // The sIvbDnSession face and, for sIvbBase, the session.
    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;

    // Stopping, or a plug-in protocol whose plug-in is being let go.
    bool ShouldStopDnOp() const override;
    // Throws vbEdnUser E_ABORT when stopping, vbEhotPlug E_ABORT when the plug-in is being let go.
    void CheckStopDnOp(const vbString& url) const override;
    // Without a protocol, forgets that a plug-in was being let go.
    void ResetStatus();

protected:
    // A plug-in object arrived: its protocol factory replaces the current one.
    virtual void onCreateDnPlug(IvbObject* plugged);
    // Lets the factory and the protocol go; the protocol is asked to close.
    virtual void askCloseDnPlug();

    mutable CCriticalSection m_sect;
    vbObsPtr<IvbObject, &IID_IvbObject> m_plug;
    vbRefPtr<IvbDnPlugFactory, &IID_IvbDnPlugFactory> m_factory;
    vbRefPtr<IvbDnPlugProto, &IID_IvbDnPlugProto> m_proto;
    bool m_bStopping = false;
    bool m_bCloseAsked = false;
    bool m_bFromPlugin = false;

private:
    // Hears the observed plug-in: a link brings a factory, a signal lets it go.
    class PlugWatch : public sIvbPtrCb {
    public:
        explicit PlugWatch(vbDnSession* session) : m_session(session) {}
        void onPtrSignal(sIvbPtr* p, int signal) override;
        void onPtrUnlink(sIvbPtr* p) override;
        void onPtrLink(sIvbPtr* p) override;

    private:
        vbDnSession* m_session;
    };

    PlugWatch m_watch{this};
};

// The protocol object of the built-in readers (files, module resources, inline data).
class VBAPI vbDnBuiltinPlugin : public vbObject, public IvbDnPlugProto {
public:
    vbDnBuiltinPlugin() = default;

    // Null out pointer and escaping exceptions: E_POINTER; a refused interface: E_NOINTERFACE.
    HRESULT QueryInterface(REFIID iid, void** ppv) override;
    HRESULT QueryInterface(const GUID& iid, const void** ppv) const override;
    VB_OBJECT_FACE_REST(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override;

protected:
    ~vbDnBuiltinPlugin() override = default;
};
