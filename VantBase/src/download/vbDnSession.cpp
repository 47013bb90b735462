// A download session's identity and state: its flags, its stop checks and the protocol plug-in it
// observes.

#include "vbDnPlugin.h"

#include "vbException.h"
#include "vbExceptionReport.h"

vbDnSession::vbDnSession() { m_plug.SetCallback(&m_watch); }

vbDnSession::~vbDnSession()
{
    try {
        m_plug.SetCallback(nullptr);
        m_plug._unlink(true);
        m_factory.Release();
        m_proto.Release();
    } catch (CException* e) {
        vbShowException(e, true, "vbDnPlugin", 57);
    } catch (...) {
        vbImpl::reportCurrent(true, "vbDnPlugin", 57);
    }
}

bool vbDnSession::GetInterface(const GUID& iid, const void** ppv) const
{
    return const_cast<vbDnSession*>(this)->GetInterface(iid, const_cast<void**>(ppv));
}

bool vbDnSession::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_sIvbDnSession) {
        *ppv = static_cast<sIvbDnSession*>(this);
        return true;
    }
    if (iid == IID_sIvbBase) {
        *ppv = static_cast<vbBase*>(this);
        return true;
    }
    return false;
}

bool vbDnSession::ShouldStopDnOp() const
{
    vbSectLock lock(&m_sect);
    return m_bStopping || (m_bFromPlugin && m_bCloseAsked);
}

void vbDnSession::CheckStopDnOp(const vbString& url) const
{
    vbSectLock lock(&m_sect);
    const vbString ctx("vbDnSession::checkStopDnOp()");
    if (m_bStopping)
        throw new vbEdnUser(E_ABORT, "URL '" + url + "' download canceled, download center stopping...", ctx);
    if (m_bFromPlugin && m_bCloseAsked)
        throw new vbEhotPlug(E_ABORT, "URL '" + url + "' download canceled, download center updating plugins...", ctx);
}

void vbDnSession::ResetStatus()
{
    vbSectLock lock(&m_sect);
    if (m_proto.IsNull()) {
        m_bFromPlugin = false;
        m_bCloseAsked = false;
    }
}

void vbDnSession::onCreateDnPlug(IvbObject* plugged)
{
    vbRefQIPtr<IvbDnPlugFactory, &IID_IvbDnPlugFactory> factory(plugged, true);
    vbRefPtr<IvbDnPlugProto, &IID_IvbDnPlugProto> dropped;
    {
        vbSectLock lock(&m_sect);
        m_factory = factory.Get();
        dropped = m_proto;
        m_proto.Release();
        m_bCloseAsked = false;
    }
    if (!dropped.IsNull())
        dropped->askClose();
}

void vbDnSession::askCloseDnPlug()
{
    vbRefPtr<IvbDnPlugProto, &IID_IvbDnPlugProto> proto;
    vbRefPtr<IvbDnPlugFactory, &IID_IvbDnPlugFactory> factory;
    try {
        {
            vbSectLock lock(&m_sect);
            proto = m_proto;
            factory = m_factory;
            m_proto.Release();
            m_factory.Release();
            m_bCloseAsked = true;
        }
        if (!proto.IsNull())
            proto->askClose();
    } catch (CException* e) {
        vbTraceException(e, true, "vbDnPlugin", __LINE__);
    }
}

void vbDnSession::PlugWatch::onPtrSignal(sIvbPtr*, int) { m_session->askCloseDnPlug(); }

void vbDnSession::PlugWatch::onPtrUnlink(sIvbPtr*) {}

void vbDnSession::PlugWatch::onPtrLink(sIvbPtr*)
{
    vbRefPtr<IvbObject, &IID_IvbObject> plugged;
    if (!m_session->m_plug.GetRefPtr(&plugged))
        return;
    try {
        m_session->onCreateDnPlug(plugged);
    } catch (...) {
        // A plug-in object without a protocol factory is not kept.
        m_session->m_plug._unlink(true);
        throw;
    }
}
