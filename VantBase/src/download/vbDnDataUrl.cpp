// The URL side of an operation record: nested operations, stop checks over the chain of enclosing
// operations, follow-up tasks, and the URL stream opened through the session's protocol, with the
// buffering that frees the protocol for a nested operation.

#include "vbDnItf.h"
#include "engines/vbKernelError.h"

#include "vbBaseItf.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbMemoryStream.h"


#include <cinttypes>
#include <cstdio>

namespace {

constexpr DWORD kChunk = 8192;

using InStream = vbRefPtr<IvbInputStream, &IID_IvbInputStream>;
using OutStream = vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>;

// Detaches a protocol stream from its record and closes it, then lets it go.
template <class Stream>
void dropStream(Stream& stm)
{
    if (stm.IsNull())
        return;
    vbRefQIPtr<IvbDnProtoStream, &IID_IvbDnProtoStream> proto(stm.Get(), false);
    stm.Release();
    if (!proto.IsNull()) {
        proto->AttachDnData(nullptr);
        proto->CloseStream();
    }
}

vbString callText(const char* call, const vbString& url) { return vbString("vbDnData::") + call + "(" + url + ")"; }

} // namespace

bool vbDnData::SubDnOp(vbDnOp op, const vbString& url, IvbDnObject* obj)
{
    if (ShouldStop())
        return false;
    return m_pSession->DoDnOp(this, op, url, obj);
}

bool vbDnData::ShouldStop() const
{
    for (const vbDnData* d = this; d; d = d->m_pParent) {
        if (d->m_pSession && d->m_pSession->ShouldStopDnOp())
            return true;
        if (d->m_pObj && d->m_pObj->IsDnOpStopped())
            return true;
    }
    return false;
}

void vbDnData::CheckStop() const
{
    for (const vbDnData* d = this; d; d = d->m_pParent) {
        if (d->m_pSession)
            d->m_pSession->CheckStopDnOp(d->m_url);
        if (d->m_pObj)
            d->m_pObj->CheckStopDnOp(d->m_url);
    }
}

void vbDnData::AddDnTask(vbDnOp op, const vbString& url, IvbDnObject* obj) { m_tasks.push_back(Task{op, url, obj}); }

bool vbDnData::GetDnTask(vbDnOp* op, vbString* url, vbRefPtr<IvbDnObject, &IID_IvbDnObject>* obj)
{
    if (m_tasks.empty())
        return false;
    Task task = std::move(m_tasks.front());
    m_tasks.pop_front();
    *op = task.op;
    *url = task.url;
    *obj = task.obj;
    return true;
}

bool vbDnData::HasDnTask() const { return !m_tasks.empty(); }

bool vbDnData::UrlOpen()
{
    UrlClose();
    if (m_pParent)
        plugStartRead();
    const bool done = m_op == vbDnLoad ? m_pSession->ReadUrl(this, m_pObj, &m_readStm)
                                       : m_pSession->WriteUrl(this, m_pObj, &m_writeStm);
    if (done) {
        if (m_pObj)
            m_pObj->SetDnProto(nullptr);
        m_readStm.Release();
        m_writeStm.Release();
        return true;
    }
    IUnknown* stm = m_op == vbDnLoad ? static_cast<IUnknown*>(m_readStm.Get()) : m_writeStm.Get();
    vbRefQIPtr<IvbDnProtoStream, &IID_IvbDnProtoStream> proto(stm, false);
    if (!proto.IsNull())
        proto->AttachDnData(this);
    m_bOpened = true;
    return false;
}

void vbDnData::UrlClose()
{
    if (m_pObj)
        m_pObj->SetDnProto(nullptr);
    dropStream(m_readStm);
    dropStream(m_writeStm);
    m_bOpened = false;
    m_bFailed = false;
    m_buffer->SetLength(0);
    m_buffer->Seek(0, vbSeekStart);
}

void vbDnData::plugStartRead()
{
    for (vbDnData* d = this; d; d = d->m_pParent) {
        if (!d->m_bOpened || d->m_op != vbDnLoad || d->m_readStm.IsNull())
            continue;
        vbRefQIPtr<IvbDnProtoRead, &IID_IvbDnProtoRead> check(d->m_readStm.Get(), false);
        if (!check.IsNull() && !check->CanBuffer(d, d->m_pObj))
            return;
        try {
            d->drainToBuffer();
        } catch (CException* e) {
            vbTraceException(e, false, "vbDnItf", 874);
            d->markFailed();
            throw;
        } catch (...) {
            d->markFailed();
            throw;
        }
    }
}

void vbDnData::markFailed() noexcept
{
    // What the stream still holds is unknown: the record's reads now fail instead.
    try {
        dropStream(m_readStm);
    } catch (...) {
        vbImpl::reportCurrent(false, "vbDnItf", __LINE__);
    }
    m_bOpened = true;
    m_bFailed = true;
}

void vbDnData::drainToBuffer()
{
    m_buffer->SetLength(0);
    m_buffer->Seek(0, vbSeekStart);
    unsigned char chunk[kChunk];
    for (;;) {
        const DWORD n = m_readStm->Read(chunk, kChunk, false);
        if (ShouldStop() || n == 0)
            break;
        m_buffer->Write(chunk, n, true);
    }
    m_buffer->Seek(0, vbSeekStart);
    dropStream(m_readStm);
    if (m_pObj)
        m_pObj->SetDnProto(nullptr);
}

void vbDnData::checkRead(const char* call) const
{
    if (!m_bOpened)
        throw new vbEdn(callText(call, m_url) + " : url not opened");
    if (m_op != vbDnLoad)
        throw new vbEdn(callText(call, m_url) + " : url opened for write operations");
}

void vbDnData::checkWrite(const char* call) const
{
    if (!m_bOpened)
        throw new vbEdn(callText(call, m_url) + " : url not opened");
    if (m_op == vbDnLoad || m_writeStm.IsNull())
        throw new vbEdn(callText(call, m_url) + " : url opened for read operations");
}

void vbDnData::checkBuffer(const char* call) const
{
    if (!m_bFailed)
        return;
    throw new vbEdnUser(vbImpl::hrOfFailure(GetLastError()), "Can't download url '" + m_url + "' (error during download) !",
        vbString("vbDnData::") + call + "(), plugStartRead previous failure");
}

DWORD vbDnData::UrlRead(void* buffer, DWORD size, bool all)
{
    checkRead("UrlRead");
    if (!m_readStm.IsNull())
        return m_readStm->Read(buffer, size, all);
    checkBuffer("UrlRead");
    return m_buffer->Read(buffer, size, all);
}

DWORD vbDnData::UrlWrite(const void* buffer, DWORD size, bool all)
{
    checkWrite("UrlWrite");
    return m_writeStm->Write(buffer, size, all);
}

int64_t vbDnData::UrlGetSize()
{
    checkRead("UrlGetSize");
    if (m_readStm.IsNull()) {
        checkBuffer("UrlGetSize");
        return m_buffer->GetLength();
    }
    vbRefQIPtr<IvbLongSeekStream, &IID_IvbLongSeekStream> longSeek(m_readStm.Get(), false);
    if (!longSeek.IsNull())
        return static_cast<int64_t>(longSeek->GetLongLength());
    vbRefQIPtr<IvbSeekStream, &IID_IvbSeekStream> seek(m_readStm.Get(), false);
    if (!seek.IsNull())
        return static_cast<int64_t>(static_cast<uint64_t>(seek->GetLength()));
    return -1;
}

bool vbDnData::UrlSetSize(int64_t size)
{
    checkWrite("UrlSetSize");
    vbRefQIPtr<IvbLongSeekStream, &IID_IvbLongSeekStream> longSeek(m_writeStm.Get(), false);
    if (!longSeek.IsNull()) {
        longSeek->SetLongLength(static_cast<uint64_t>(size));
        return true;
    }
    vbRefQIPtr<IvbSeekStream, &IID_IvbSeekStream> seek(m_writeStm.Get(), false);
    if (seek.IsNull())
        return false;
    if (static_cast<uint64_t>(size) >> 32) {
        char text[32];
        std::snprintf(text, sizeof text, "%" PRId64, size);
        throw new vbEdn(callText("UrlSetSize", m_url) + " : sz too big (sz=" + text + ")");
    }
    seek->SetLength(static_cast<DWORD>(size));
    return true;
}

void vbDnData::UrlGetReadStm(vbRefPtr<IvbInputStream, &IID_IvbInputStream>* out)
{
    checkRead("UrlGetReadStm");
    if (!m_readStm.IsNull()) {
        *out = m_readStm;
        return;
    }
    checkBuffer("UrlGetReadStm");
    *out = static_cast<IvbInputStream*>(m_buffer.Get());
}

void vbDnData::UrlGetWriteStm(vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>* out)
{
    checkWrite("UrlGetWriteStm");
    *out = m_writeStm;
}

void vbDnData::UrlWritingEnd(bool ok)
{
    checkWrite("UrlWritingEnd");
    vbRefQIPtr<IvbDnProtoWrite, &IID_IvbDnProtoWrite> end(m_writeStm.Get(), false);
    if (!end.IsNull())
        end->WritingEnd(this, ok);
}
