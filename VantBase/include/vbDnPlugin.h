#pragma once

// The download sessions and the built-in protocol object: their identity and state. A session
// runs the operations of one worker through a protocol; it keeps the protocol plug-in it observes,
// the plug-in's protocol factory and the current protocol, and three flags: stopping (set when the
// session is destroyed), closeAsked (the plug-in is being let go) and fromPlugin (the current
// protocol comes from a plug-in).

#include "vbDnItf.h"
#include "vbHotPlugin.h"
#include "vbMsg.h"
#include "vbObjectFace.h"
#include "vbObjects.h"
#include "vbPtr.h"

#include "plat/afx.h"

extern VBAPI const IID IID_vbDnBuiltinPlugin;

// The "DnCenter" plug type: its plug-ins serve protocols under the names protocol + ".r" (reading),
// protocol + ".w" (writing) or the bare protocol (both), each a protocol factory.
extern VBAPI vbExtraMsg g_vbDnPlugMsg;
extern VBAPI vbHotPlugType g_vbDnPlugType;

using vbDnProtoPtr = vbRefPtr<IvbDnPlugProto, &IID_IvbDnPlugProto>;

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

    // The protocol chosen for the record's URL serves it: true when it did the whole operation,
    // false when it handed out a stream.
    bool ReadUrl(vbDnData* data, IvbDnObject* obj, vbRefPtr<IvbInputStream, &IID_IvbInputStream>* stream) override;
    bool WriteUrl(vbDnData* data, IvbDnObject* obj, vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>* stream) override;
    // Runs one operation and the tasks queued on it. False when a failure was stored in the
    // object; the retry exceptions (vbEhotPlug, vbEdnRetryLater, vbEdnRetrySession, and a
    // vbEdnRetryNow asked too often, as vbEdn "Too many tries") pass to the caller.
    bool DoDnOp(vbDnData* parent, vbDnOp op, const vbString& url, IvbDnObject* obj) override;
    // Lets the plug-in, its factory and the protocol go; the next operation chooses anew.
    void Close();
    // As Close, and every later protocol choice fails with the stop error.
    void Destroy();

protected:
    // The object's own work, or the URL opened, read or written, and closed.
    virtual void doDnOp(vbDnData* data);
    // The stream in chunks into the object; the object always hears the end.
    virtual void doDnLoad(vbDnData* data);
    virtual void doDnWrite(vbDnData* data);
    // The protocol for the record's URL: the object's own, the current one while it still
    // serves, a plug-in's, or the built-in readers.
    virtual void updateProto(vbDnData* data, IvbDnObject* obj, vbDnProtoPtr* out);
    // A new built-in protocol object for loads of "file", "res" and "data"; false otherwise.
    static bool getBuiltinProto(const vbString& protocol, vbDnOp op, vbDnProtoPtr* out);

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
    // Throws the stop error of a protocol choice (ctx names the step) when stopping; the lock is held.
    void checkStopping(const vbString& url, const char* ctx) const;
    // The protocol becomes the current one (unless stopping) and is handed out.
    void setCurrent(const vbString& url, const char* ctx, const vbDnProtoPtr& proto, bool fromPlugin, vbDnProtoPtr* out);
    // plugin (null: any plug-in of the type) declares an object of name and can serve it now.
    static bool plugDeclares(IvbHotPlugin* plugin, const vbString& name);
    // A plug-in object of name, made into the session (which takes its factory); false when none.
    bool plugCreate(const vbString& name);
    // Lets go of the plug-in and of its object.
    void forgetPlugin();

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

    // The session's plugged-object pointer: the plug type hands it the plug-in's record and the
    // object made there. When the record lets its module go, the session lets go of the record,
    // the object, its factory and its protocol, and hands back nothing, so that the module can
    // go; the next operation chooses its protocol again.
    class PlugPtr : public vbObsPtr<IvbHotPlugin, &IID_IvbHotPlugin>, public sIvbPlugPtr {
    public:
        explicit PlugPtr(vbDnSession* session) : m_session(session) {}
        bool GetInterface(const GUID& iid, const void** ppv) const override;
        bool GetInterface(const GUID& iid, void** ppv) override;
        void SetPluggedObject(IvbHotPlugin* plugin, IvbObject* obj) override;
        bool ReleasePluggedObject(IvbHotPlugin* plugin,
            vbRefPtr<IvbHotPluggedObject, &IID_IvbHotPluggedObject>* out) override;

    private:
        vbDnSession* m_session;
    };

    PlugPtr m_plugPtr{this};
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

    // Every read runs on the caller's thread: nothing to stop.
    bool askStopDnOp(IvbDnObject* obj) override;
    // Exactly "file.r", "res.r" and "data.r".
    bool CanWorkWithProto(vbDnData* data, IvbDnObject* obj, const vbString& name) override;
    void askClose() override;
    // A module resource or an object command ("res"), inline data ("data"), else a file: true
    // when the content was delivered, false with a file stream handed out.
    bool ReadUrl(vbDnData* data, IvbDnObject* obj, vbRefPtr<IvbInputStream, &IID_IvbInputStream>* stream) override;
    // Writing has no built-in protocol: throws vbEsys E_NOTIMPL.
    bool WriteUrl(vbDnData* data, IvbDnObject* obj, vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>* stream) override;

protected:
    ~vbDnBuiltinPlugin() override = default;

private:
    static bool tryResDownload(vbDnData* data, IvbDnObject* obj);
    static bool tryDataDownload(vbDnData* data, IvbDnObject* obj);
};
