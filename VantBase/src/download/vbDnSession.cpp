// A download session: its flags and stop checks, the protocol plug-in it observes, and how it runs
// an operation through the protocol it chose (vbDnSessionProto.cpp).

#include "vbDnPlugin.h"
#include "download/vbDnLoading.h"

#include "vbBaseItf.h"
#include "vbException.h"
#include "vbExceptionReport.h"

namespace {

constexpr DWORD kChunk = 8192;
constexpr HRESULT kTooManyTries = static_cast<HRESULT>(0x800005B4u);

} // namespace

vbDnSession::vbDnSession() { m_plug.SetCallback(&m_watch); }

vbDnSession::~vbDnSession()
{
    try {
        m_plug.SetCallback(nullptr);
        forgetPlugin();
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

bool vbDnSession::DoDnOp(vbDnData* parent, vbDnOp op, const vbString& url, IvbDnObject* obj)
{
    for (;;) {
        try {
            ResetStatus();
            vbDnData data(parent, op, url, obj);
            data.CheckDnOp();
            doDnOp(&data);
            vbDnOp taskOp = vbDnNoOp;
            vbString taskUrl;
            vbRefPtr<IvbDnObject, &IID_IvbDnObject> taskObj;
            while (data.GetDnTask(&taskOp, &taskUrl, &taskObj))
                DoDnOp(&data, taskOp, taskUrl, taskObj);
            return true;
        } catch (vbEdnRetryNow* e) {
            if (obj->TakeRetryNow()) {
                vbTraceException(e, true, "vbDnPlugin", __LINE__);
                continue;
            }
            auto* tooMany = new vbEdn(kTooManyTries, "Too many tries for url '" + url + "'", vbGetMsg(e, true));
            vbTraceException(e, true, "vbDnPlugin", __LINE__);
            vbTraceException(tooMany, false, "vbDnPlugin", __LINE__);
            throw tooMany;
        } catch (vbEhotPlug* e) {
            vbTraceException(e, false, "vbDnPlugin", __LINE__);
            throw;
        } catch (vbEdnRetryLater* e) {
            vbTraceException(e, false, "vbDnPlugin", __LINE__);
            throw;
        } catch (vbEdnRetrySession* e) {
            vbTraceException(e, false, "vbDnPlugin", __LINE__);
            throw;
        } catch (CException* e) {
            obj->SetDnError(e);
            vbTraceException(e, true, "vbDnPlugin", __LINE__);
            return false;
        } catch (...) {
            vbImpl::reportCurrent(false, "vbDnPlugin", __LINE__);
            obj->SetDnError(E_FAIL, "vbDownloadCenter::directDownload() : Unknown exception");
            return false;
        }
    }
}

void vbDnSession::doDnOp(vbDnData* data)
{
    if (data->GetObject()->DoDnOp(data, data->GetOp(), data->GetUrl()))
        return;
    if (data->UrlOpen())
        return;
    try {
        if (data->GetOp() == vbDnLoad)
            doDnLoad(data);
        else
            doDnWrite(data);
    } catch (...) {
        try {
            data->UrlClose();
        } catch (...) {
            vbImpl::reportCurrent(false, "vbDnPlugin", __LINE__);
        }
        throw;
    }
    data->UrlClose();
}

void vbDnSession::doDnLoad(vbDnData* data)
{
    IvbDnObject* obj = data->GetObject();
    vbDnFeedLoad(data, obj, data->UrlGetSize(), [&] {
        unsigned char chunk[kChunk];
        for (;;) {
            data->CheckStop();
            const DWORD n = data->UrlRead(chunk, kChunk, false);
            if (n == 0 || !obj->LoadingAddBuffer(data, chunk, n))
                break;
        }
    });
}

void vbDnSession::doDnWrite(vbDnData* data)
{
    vbRefPtr<IvbOutputStream, &IID_IvbOutputStream> out;
    data->UrlGetWriteStm(&out);
    data->GetObject()->WriteToStream(data, out);
    data->UrlWritingEnd(true);
    data->GetObject()->WritingEnd(data, true);
}

void vbDnSession::Close()
{
    forgetPlugin();
    askCloseDnPlug();
    vbSectLock lock(&m_sect);
    m_bFromPlugin = false;
}

void vbDnSession::Destroy()
{
    {
        vbSectLock lock(&m_sect);
        m_bStopping = true;
    }
    forgetPlugin();
    askCloseDnPlug();
}
