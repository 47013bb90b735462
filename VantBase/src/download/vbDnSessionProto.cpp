// How a download session chooses the protocol of a URL: the object's own, the current one while
// it still serves the URL's protocol name, one made by a "DnCenter" plug-in's factory, or the
// built-in readers. Protocol calls are made outside the session's lock.

#include "vbDnPlugin.h"

#include "vbException.h"
#include "vbHeap.h"

namespace {

using FactoryPtr = vbRefPtr<IvbDnPlugFactory, &IID_IvbDnPlugFactory>;
using PluginPtr = vbRefPtr<IvbHotPlugin, &IID_IvbHotPlugin>;

// The names a plug-in may serve a URL's protocol under, the most specific first.
struct ProtoNames {
    ProtoNames(const vbString& protocol, vbDnOp op) : names{protocol + (op == vbDnLoad ? ".r" : ".w"), protocol} {}
    vbString names[2];
};

} // namespace

void vbDnSession::checkStopping(const vbString& url, const char* ctx) const
{
    if (m_bStopping)
        throw new vbEdnUser(E_ABORT, "Url '" + url + "' download canceled, download center stopping...", vbString(ctx));
}

bool vbDnSession::ReadUrl(vbDnData* data, IvbDnObject* obj, vbRefPtr<IvbInputStream, &IID_IvbInputStream>* stream)
{
    vbDnProtoPtr proto;
    updateProto(data, obj, &proto);
    obj->SetDnProto(proto);
    return proto->ReadUrl(data, obj, stream);
}

bool vbDnSession::WriteUrl(vbDnData* data, IvbDnObject* obj, vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>* stream)
{
    vbDnProtoPtr proto;
    updateProto(data, obj, &proto);
    obj->SetDnProto(proto);
    return proto->WriteUrl(data, obj, stream);
}

void vbDnSession::updateProto(vbDnData* data, IvbDnObject* obj, vbDnProtoPtr* out)
{
    const vbString& url = data->GetUrl();
    const vbDnOp op = data->GetOp();

    vbRefQIPtr<IvbDnObjectProto, &IID_IvbDnObjectProto> own(obj, false);
    vbDnProtoPtr ownProto;
    if (!own.IsNull() && own->GetDnProto(op, url, &ownProto)) {
        setCurrent(url, "vbDnSession::updateProto()", ownProto, false, out);
        return;
    }

    vbDnProtoPtr proto;
    FactoryPtr factory;
    PluginPtr plugin;
    bool fromPlugin = false;
    {
        vbSectLock lock(&m_sect);
        checkStopping(url, "vbDnSession::updateProto(2)");
        proto = m_proto;
        factory = m_factory;
        fromPlugin = m_bFromPlugin;
        m_plugPtr.GetRefPtr(&plugin);
    }

    vbString protocol = vbGetProtocol(url);
    if (protocol.IsEmpty())
        protocol = "file";
    const ProtoNames names(protocol, op);

    // A built-in or object protocol serves while no plug-in claims the name; a plug-in's while
    // its plug-in still declares it.
    if (!proto.IsNull() && (!fromPlugin || !plugin.IsNull())) {
        for (const vbString& name : names.names) {
            if (plugDeclares(fromPlugin ? plugin.Get() : nullptr, name) == fromPlugin &&
                proto->CanWorkWithProto(data, obj, name)) {
                *out = proto;
                return;
            }
        }
    }

    // The current protocol cannot serve: a plug-in's factory that takes the name, a new plug-in
    // object, or the built-in readers.
    bool factoryTakes = false;
    if (!plugin.IsNull() && !factory.IsNull()) {
        for (const vbString& name : names.names)
            if (plugDeclares(plugin, name) && factory->CanWorkWith(data, obj, name)) {
                factoryTakes = true;
                break;
            }
    }
    {
        vbSectLock lock(&m_sect);
        checkStopping(url, factoryTakes ? "vbDnSession::updateProto(4)" : "vbDnSession::updateProto(5)");
        m_proto.Release();
        if (!factoryTakes) {
            m_factory.Release();
            m_bFromPlugin = false;
        }
    }
    if (!factoryTakes) {
        forgetPlugin();
        factory.Release();
        for (const vbString& name : names.names)
            if (plugCreate(name)) {
                vbSectLock lock(&m_sect);
                factory = m_factory;
                break;
            }
    }

    if (factory.IsNull()) {
        vbDnProtoPtr builtin;
        if (!getBuiltinProto(protocol, op, &builtin))
            throw new vbEhotPlug(vbString(op == vbDnLoad ? "Can't load URL '" : "Can't write to URL '") + url +
                "', using protocol '" + protocol + "' !\nReason : protocol plugin not ready or bad protocol");
        setCurrent(url, "vbDnSession::updateProto(3)", builtin, false, out);
        return;
    }

    vbDnProtoPtr made;
    factory->CreateProto(obj, protocol, true, &made);
    setCurrent(url, "vbDnSession::updateProto(4)", made, true, out);
}

void vbDnSession::setCurrent(const vbString& url, const char* ctx, const vbDnProtoPtr& proto, bool fromPlugin,
    vbDnProtoPtr* out)
{
    vbSectLock lock(&m_sect);
    checkStopping(url, ctx);
    m_proto = proto;
    m_bFromPlugin = fromPlugin;
    *out = proto;
}

bool vbDnSession::getBuiltinProto(const vbString& protocol, vbDnOp op, vbDnProtoPtr* out)
{
    if (op != vbDnLoad || (protocol != "file" && protocol != "res" && protocol != "data"))
        return false;
    auto* builtin = new (&vbGetMainHeap()) vbDnBuiltinPlugin();
    try {
        builtin->Create();
        *out = static_cast<IvbDnPlugProto*>(builtin);
    } catch (...) {
        builtin->Release();
        throw;
    }
    builtin->Release();
    return true;
}

bool vbDnSession::plugDeclares(IvbHotPlugin* plugin, const vbString& name)
{
    return g_vbDnPlugType.CanWorkWith(plugin, name);
}

bool vbDnSession::plugCreate(const vbString& name) { return g_vbDnPlugType.CreatePluggedObject(&m_plugPtr, name); }

void vbDnSession::forgetPlugin()
{
    m_plugPtr._unlink(true);
    m_plug._unlink(true);
}

bool vbDnSession::PlugPtr::GetInterface(const GUID& iid, const void** ppv) const
{
    return const_cast<PlugPtr*>(this)->GetInterface(iid, const_cast<void**>(ppv));
}

bool vbDnSession::PlugPtr::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_sIvbPlugPtr) {
        *ppv = static_cast<sIvbPlugPtr*>(this);
        return true;
    }
    return vbObsPtr::GetInterface(iid, ppv);
}

void vbDnSession::PlugPtr::SetPluggedObject(IvbHotPlugin* plugin, IvbObject* obj)
{
    attach(plugin, true);
    // The object's arrival brings its factory (onCreateDnPlug), or is refused.
    obj->AddPtr(&m_session->m_plug, true);
}

bool vbDnSession::PlugPtr::ReleasePluggedObject(IvbHotPlugin*, vbRefPtr<IvbHotPluggedObject, &IID_IvbHotPluggedObject>*)
{
    m_session->forgetPlugin();
    m_session->askCloseDnPlug();
    return false;
}
