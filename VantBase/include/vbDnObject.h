#pragma once

// The download object and its pointer. vbTdnObject<T> makes a class of the object model (T is
// vbObject) a target of the download centre: it keeps the URL, the cache key, the error and the
// completion state, the operation bookkeeping of the scheduler, the retry counts, the stop request
// and the cache protocol with which the centre keeps an object alive after its last user has gone.
// A concrete class adds the content handling (LoadFromRes, GetDefaultResType, LoadFromFile, the
// three Loading calls, GetMemSizeForCache, GetClsId) and, for its pointers, the static
// DnClassId() and, when its objects are not cacheable, DnClassIsCacheable().
//
// vbDnPtr<T, piid> creates such an object on demand and asks the centre to load it.
//
// Every field is read and written under the object's own lock; calls that leave the object (the
// protocol's askStopDnOp, SignalPtr, the final release) are made after the lock is left.

#include "vbDnItf.h"
#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbHeap.h"
#include "vbObjectFace.h"
#include "vbObjects.h"
#include "vbPtr.h"

#include <cstdint>

namespace vbImpl {
// Throws vbEsys "<call>(): object set to another download center".
[[noreturn]] VBAPI void throwOtherDnCenter(const char* call);
// Throws vbEsys "<call>(): bad cache id (expected=<given>,obj=<stored>)".
[[noreturn]] VBAPI void throwBadCacheId(const char* call, int given, int stored);
// Throws the vbEdnUser of a stopped operation: "URL '<url>' download canceled..."
[[noreturn]] VBAPI void throwDnStopped(const vbString& url, bool inDestruction);
// The delay before a retry, in milliseconds.
VBAPI int dnRetryDelay(bool now, LONG retryLaterCount);
} // namespace vbImpl

template <class T>
class vbTdnObject : public T, public IvbDnObject, public sIvbDnInfo {
public:
    // Beyond this many delayed retries in a row an operation is given up.
    static constexpr LONG kMaxRetryLater = 308;
    // Immediate retries in a row.
    static constexpr LONG kMaxRetryNow = 2;

    explicit vbTdnObject(const vbString& url = vbString(), int64_t key = 0) : m_url(url), m_key(key) {}

    // What pointers ask of the class before any object exists.
    static bool DnClassIsCacheable() { return true; }

    VB_OBJECT_FACE(T)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbDnObject) {
            *ppv = static_cast<IvbDnObject*>(this);
            return true;
        }
        if (iid == IID_sIvbDnInfo) {
            *ppv = static_cast<sIvbDnInfo*>(this);
            return true;
        }
        return T::GetInterface(iid, ppv);
    }

    // --- IvbDnObject ---
    bool CancelDnOp() override { return vbDnCancel(this, vbDnNoOp, true); }
    void ResetDnState() override
    {
        DnLock lock(this);
        m_hr = 0;
        m_errText.Empty();
        m_bLoaded = false;
        m_bWritten = false;
    }
    bool IsDnOpStopped() const override
    {
        DnLock lock(this);
        return m_bStopDnOp || this->m_bInDestruction;
    }
    void CheckStopDnOp(const vbString& url) const override
    {
        bool destruction = false, stop = false;
        {
            DnLock lock(this);
            destruction = this->m_bInDestruction;
            stop = m_bStopDnOp;
        }
        if (destruction || stop)
            vbImpl::throwDnStopped(url, destruction);
    }
    bool HasDnError() const override
    {
        DnLock lock(this);
        return m_hr != 0;
    }
    void SetDnError(ULONG hr, const vbString& text) override
    {
        DnLock lock(this);
        m_hr = hr;
        m_errText = text;
    }
    void SetDnError(CException* e) override { SetDnError(static_cast<ULONG>(vbGetHR(e)), vbGetMsg(e, true)); }
    void ClearDnError() override
    {
        DnLock lock(this);
        m_hr = 0;
        m_errText.Empty();
    }
    bool IsDnOpAsked() const override { return GetDnOpAsked() != vbDnNoOp; }
    vbDnOp GetDnOpAsked() const override
    {
        DnLock lock(this);
        return m_opAsked;
    }
    bool IsDnOpInWork() const override { return GetDnOpInWork() != vbDnNoOp; }
    vbDnOp GetDnOpInWork() const override
    {
        DnLock lock(this);
        return m_opInWork;
    }
    bool CanShowDnDlg() const override { return true; }
    bool IsDnOpAllowed() const override { return true; }
    bool DoDnOp(vbDnData*, vbDnOp, const vbString&) override { return false; }
    vbString GetDnUrl(bool* absolute) const override
    {
        DnLock lock(this);
        if (absolute)
            *absolute = !m_absUrl.IsEmpty();
        return m_absUrl.IsEmpty() ? m_url : m_absUrl;
    }
    void SetDnAbsUrl(const vbString& url) override
    {
        DnLock lock(this);
        m_absUrl = url;
    }
    vbString GetDnRealUrl(bool* real) const override
    {
        DnLock lock(this);
        if (real)
            *real = !m_realUrl.IsEmpty();
        return m_realUrl.IsEmpty() ? GetDnUrl(nullptr) : m_realUrl;
    }
    void SetDnRealUrl(const vbString& url) override
    {
        DnLock lock(this);
        m_realUrl = url;
    }
    bool Load(const char* url, vbDnPriority priority) override { return vbDnAsk(this, vbDnLoad, url, priority, true); }
    bool CancelLoad() override { return vbDnCancel(this, vbDnLoad, true); }
    bool IsLoading() const override { return GetDnOpAsked() == vbDnLoad; }
    void ResetLoaded() override
    {
        DnLock lock(this);
        ClearDnError();
        m_bLoaded = false;
    }
    // Signals 0 to the pointers, or -1 when an error is stored.
    void SetLoaded(bool ok, bool signal) override { setDone(ok, signal, true); }
    // The same operation under the name the application's objects use.
    void SetLoadState(bool loaded, bool notify) { SetLoaded(loaded, notify); }
    bool Write(const char* url, vbDnPriority priority) override
    {
        return vbDnAsk(this, vbDnWrite, url, priority, true);
    }
    bool CancelWrite() override { return vbDnCancel(this, vbDnWrite, true); }
    bool IsWriting() const override { return GetDnOpAsked() == vbDnWrite; }
    void ResetWritten() override
    {
        DnLock lock(this);
        ClearDnError();
        m_bWritten = false;
    }
    // Signals 5 to the pointers, or -2 when an error is stored.
    void SetWritten(bool ok, bool signal) override { setDone(ok, signal, false); }
    void WriteToStream(vbDnData*, IvbOutputStream*) override
    {
        vbImpl::throwSys(E_NOTIMPL, "vbTdnObject(%s)::WriteToStream() not implemented", GetUrl().c_str());
    }
    void WritingEnd(vbDnData*, bool) override {}
    void SetUrl(const vbString& url) override
    {
        DnLock lock(this);
        m_url = url;
        m_absUrl.Empty();
        m_realUrl.Empty();
    }
    void SetDnOpAsked(vbDnOp op) override
    {
        DnLock lock(this);
        m_opAsked = op;
    }
    void SetLoadedFlag() override
    {
        DnLock lock(this);
        m_bLoaded = true;
    }
    void SetWrittenFlag() override
    {
        DnLock lock(this);
        m_bWritten = true;
    }
    void EndDnOp(bool take) override
    {
        ProtoRef dropped;
        DnLock lock(this);
        m_bStopDnOp = false;
        if (take) {
            m_opInWork = m_opAsked;
            m_opAsked = vbDnNoOp;
        } else {
            m_retryLater = 0;
            m_retryNow = 0;
            m_opInWork = vbDnNoOp;
        }
        dropped = m_proto;
        m_proto.Release();
        lock.Unlock();
    }
    bool TakeRetryLater(bool first) override
    {
        DnLock lock(this);
        if (m_opInWork != vbDnNoOp && m_opAsked == vbDnNoOp && !m_bStopDnOp) {
            if (first) {
                m_retryLater = 1;
            } else if (m_retryLater > kMaxRetryLater) {
                m_opInWork = vbDnNoOp;
                m_retryLater = 0;
                return false;
            } else {
                ++m_retryLater;
            }
            m_retryNow = 0;
            m_opAsked = m_opInWork;
            m_opInWork = vbDnNoOp;
            return true;
        }
        m_opInWork = vbDnNoOp;
        m_retryLater = 0;
        return false;
    }
    bool TakeRetryNow() override
    {
        DnLock lock(this);
        m_retryLater = 0;
        if (m_opInWork == vbDnNoOp || m_opAsked != vbDnNoOp || m_bStopDnOp || m_retryNow >= kMaxRetryNow)
            return false;
        ++m_retryNow;
        return true;
    }
    int GetRetryDelay(bool now) const override
    {
        DnLock lock(this);
        return vbImpl::dnRetryDelay(now, m_retryLater);
    }
    void ClearRetryNowCount() override
    {
        DnLock lock(this);
        m_retryNow = 0;
    }
    void SetDnProto(IvbObject* proto) override
    {
        ProtoRef dropped;
        DnLock lock(this);
        dropped = m_proto;
        m_proto = proto;
        lock.Unlock();
    }
    void StopDnOp() override
    {
        ProtoRef proto;
        {
            DnLock lock(this);
            m_bStopDnOp = true;
            proto = m_proto;
        }
        if (!proto.IsNull()) {
            vbRefQIPtr<IvbDnPlugProto, &IID_IvbDnPlugProto> plug(proto.Get(), false);
            if (!plug.IsNull())
                plug->askStopDnOp(this);
        }
    }
    void ClearRetryLaterCount() override
    {
        DnLock lock(this);
        m_retryLater = 0;
    }
    void dnCenter_cache(sIvbDnCenter* center, int id) override
    {
        DnLock lock(this);
        if (m_pCacheCenter && center && center != m_pCacheCenter)
            vbImpl::throwOtherDnCenter("dnCenter_cache");
        if (m_pCacheCenter && center == m_pCacheCenter && id != m_cacheId)
            vbImpl::throwBadCacheId("dnCenter_cache", id, m_cacheId);
        const bool orphan = m_bDeletePending && !center;
        m_bDeletePending = false;
        m_pCacheCenter = center;
        m_cacheId = center ? id : 0;
        if (center) {
            // Revived from the cache: pointers may link to it again.
            this->m_bInDestruction = false;
            this->m_bAddPtrAllowed = true;
        }
        lock.Unlock();
        // Uncached after its last release: nobody else would ever delete it.
        if (orphan)
            deleteNow();
    }
    bool dnCenter_tryDel(sIvbDnCenter* center, int id) override
    {
        DnLock lock(this);
        if (center != m_pCacheCenter)
            vbImpl::throwOtherDnCenter("dnCenter_tryDel");
        if (id != m_cacheId)
            vbImpl::throwBadCacheId("dnCenter_tryDel", id, m_cacheId);
        if (!m_bDeletePending)
            return false;
        m_bDeletePending = false;
        m_pCacheCenter = nullptr;
        m_cacheId = 0;
        lock.Unlock();
        deleteNow();
        return true;
    }
    int dnCenter_getCacheId(sIvbDnCenter* center) const override
    {
        DnLock lock(this);
        if (m_pCacheCenter && m_pCacheCenter != center)
            vbImpl::throwOtherDnCenter("dnCenter_getCacheId");
        return m_cacheId;
    }
    void DnReserved(int, void*) override {}

    // --- sIvbDnInfo ---
    bool IsCacheable() const override { return true; }
    bool IsLoadable() const override { return true; }
    bool IsWritable() const override { return false; }
    vbString GetUrl() const override
    {
        DnLock lock(this);
        return m_url;
    }
    int64_t GetKey() const override
    {
        DnLock lock(this);
        return m_key;
    }
    bool GetError(ULONG& hr, vbString& text) const override
    {
        DnLock lock(this);
        hr = m_hr;
        text = m_errText;
        return m_hr != 0;
    }
    bool IsLoaded() const override
    {
        DnLock lock(this);
        return m_bLoaded;
    }
    bool IsWritten() const override
    {
        DnLock lock(this);
        return m_bWritten;
    }

protected:
    // The last release: the object stays alive (delete pending) while a centre caches it.
    LONG release() override
    {
        LONG c = this->m_cRef.load();
        while (c > 1) {
            if (this->m_cRef.compare_exchange_weak(c, c - 1))
                return c - 1;
        }
        this->m_bInDestruction = true;
        try {
            this->onBeforeDestruction(false);
        } catch (...) {
            vbImpl::reportCurrent(true, __FILE__, __LINE__);
        }
        try {
            vbSectLock lock(this->m_pLock);
            this->m_bAddPtrAllowed = false;
            this->removeAllPtr();
        } catch (...) {
            vbImpl::reportCurrent(true, __FILE__, __LINE__);
        }
        try {
            this->onDestruction(false);
        } catch (...) {
            vbImpl::reportCurrent(true, __FILE__, __LINE__);
        }
        {
            DnLock lock(this);
            c = --this->m_cRef;
            if (c == 0 && m_pCacheCenter) {
                m_bDeletePending = true;
                return 0;
            }
        }
        if (c == 0) {
            this->m_cRef = 1;
            delete this;
        }
        return c;
    }

    void removeAllPtr() override
    {
        {
            DnLock lock(this);
            m_opAsked = vbDnNoOp;
        }
        T::removeAllPtr();
    }

private:
    using ProtoRef = vbRefPtr<IvbObject, &IID_IvbObject>;

    // The object's own lock, taken through the base class's critical-section holder.
    struct DnLock : vbSectLock {
        explicit DnLock(const vbTdnObject* o) : vbSectLock(o->m_pLock) {}
    };

    void setDone(bool ok, bool signal, bool load)
    {
        int code = 0;
        {
            DnLock lock(this);
            if (ok)
                load ? SetLoadedFlag() : SetWrittenFlag();
            else
                load ? ResetLoaded() : ResetWritten();
            code = m_hr == 0 ? (load ? 0 : 5) : (load ? -1 : -2);
        }
        if (signal)
            this->SignalPtr(code);
    }

    // A reference taken and dropped again: the release that ends a cached object's life.
    void deleteNow()
    {
        this->addRef();
        try {
            this->release();
        } catch (CException* e) {
            vbTraceException(e, true, __FILE__, __LINE__);
        } catch (...) {
            vbImpl::reportCurrent(false, __FILE__, __LINE__);
        }
    }

    vbString m_url;
    int64_t m_key;
    vbString m_absUrl;
    vbString m_realUrl;
    ULONG m_hr = 0;
    vbString m_errText;
    bool m_bLoaded = false;
    bool m_bWritten = false;
    vbDnOp m_opAsked = vbDnNoOp;
    vbDnOp m_opInWork = vbDnNoOp;
    bool m_bStopDnOp = false;
    LONG m_retryLater = 0;
    LONG m_retryNow = 0;
    ProtoRef m_proto;
    bool m_bDeletePending = false;
    sIvbDnCenter* m_pCacheCenter = nullptr;
    int m_cacheId = 0;
};

template <class T, const IID* piid>
class vbDnPtr : public vbPtr<T, piid>, public sIvbDnPtr {
public:
    vbDnPtr() = default;
    explicit vbDnPtr(const vbString& url, int64_t key = 0) : m_url(url), m_key(key) {}
    // A copy shares the other pointer's object, URL and key.
    vbDnPtr(const vbDnPtr& o) : vbPtr<T, piid>(o), m_url(o.m_url), m_key(o.m_key) {}
    ~vbDnPtr()
    {
        try {
            vbDnUnpark(this);
        } catch (...) {
            vbImpl::reportCurrent(false, __FILE__, __LINE__);
        }
    }
    vbDnPtr& operator=(const vbDnPtr& o)
    {
        if (this != &o) {
            vbPtr<T, piid>::operator=(o);
            m_url = o.m_url;
            m_key = o.m_key;
        }
        return *this;
    }

    // --- the pointer operations, one body for both faces ---
    bool GetInterface(const GUID& iid, const void** ppv) const override
    {
        return const_cast<vbDnPtr*>(this)->GetInterface(iid, const_cast<void**>(ppv));
    }
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_sIvbDnPtr) {
            *ppv = static_cast<sIvbDnPtr*>(this);
            return true;
        }
        return vbObsPtrCore::GetInterface(iid, ppv);
    }
    void Lock() const override { vbObsPtrCore::Lock(); }
    void Unlock() const override { vbObsPtrCore::Unlock(); }
    bool HasObject(const IvbObject* p) override { return vbObsPtrCore::HasObject(p); }
    bool _unlink(bool bSilent) override { return vbObsPtrCore::_unlink(bSilent); }
    void onSignal(int signal) override { vbObsPtrCore::onSignal(signal); }
    void onLink() override { vbObsPtrCore::onLink(); }
    void onUnlink() override { vbObsPtrCore::onUnlink(); }
    void setNextPtr(sIvbPtr* p) override { vbObsPtrCore::setNextPtr(p); }
    void setPrevPtr(sIvbPtr* p) override { vbObsPtrCore::setPrevPtr(p); }
    sIvbPtr* _link(IvbObject* obj, sIvbPtr** head) override { return vbObsPtrCore::_link(obj, head); }
    void _unlinkFromList(sIvbPtr** head, vbSectLock* objectLock) override
    {
        vbObsPtrCore::_unlinkFromList(head, objectLock);
    }
    sIvbPtr* GetNextPtr() override { return vbObsPtrCore::GetNextPtr(); }
    bool IsToUnlinkOnDestroy() override { return vbObsPtrCore::IsToUnlinkOnDestroy(); }

    // --- sIvbDnPtr ---
    // A new object of the class with this pointer's URL and key, linked to it.
    IvbDnObject* CreateObject() override
    {
        T* obj = new (&vbGetMainHeap()) T(m_url, m_key);
        try {
            obj->Create();
            void* face = nullptr;
            if (!obj->GetInterface(IID_IvbDnObject, &face) || !face)
                vbImpl::throwSys(E_NOINTERFACE, "vbDnPtr::CreateObject() : object doesn't have interface IvbDnObject");
            obj->AddPtr(this, true);
            obj->Release();
            return static_cast<IvbDnObject*>(face);
        } catch (...) {
            obj->Release();
            throw;
        }
    }
    IvbDnObject* GetDnObject() override { return this->Get(); }
    const IvbDnObject* GetDnObject() const override { return this->Get(); }
    sIvbDnPtr* GetParkedNext() override
    {
        vbLock lock(static_cast<const sIvbDnPtr*>(this));
        sIvbDnPtr* next = m_pParkedNext;
        m_pParkedNext = nullptr;
        return next;
    }
    void SetParkedNext(sIvbDnPtr* next) override
    {
        vbLock lock(static_cast<const sIvbDnPtr*>(this));
        m_pParkedNext = next;
    }

    // --- sIvbDnInfo: URL and key are the pointer's; the rest is the object's, or the class's ---
    bool IsCacheable() const override { return this->Get() ? this->Get()->IsCacheable() : T::DnClassIsCacheable(); }
    bool IsLoadable() const override { return !this->Get() || this->Get()->IsLoadable(); }
    bool IsWritable() const override { return this->Get() && this->Get()->IsWritable(); }
    const GUID& GetClsId() const override { return this->Get() ? this->Get()->GetClsId() : T::DnClassId(); }
    vbString GetUrl() const override { return m_url; }
    int64_t GetKey() const override { return m_key; }
    bool GetError(ULONG& hr, vbString& text) const override
    {
        if (this->Get())
            return this->Get()->GetError(hr, text);
        hr = 0;
        text.Empty();
        return false;
    }
    bool IsLoaded() const override { return this->Get() && this->Get()->IsLoaded(); }
    bool IsWritten() const override { return this->Get() && this->Get()->IsWritten(); }

    // Asks the centre to load the object: false when one is linked or there is no URL.
    bool AskLoad(vbDnPriority priority)
    {
        if (this->Get() || m_url.IsEmpty())
            return false;
        return vbDnAsk(static_cast<sIvbDnPtr*>(this), vbDnLoad, priority, true, true);
    }
    bool WaitLoad(int timeOutMs)
    {
        if (!this->Get() || m_url.IsEmpty())
            return false;
        return vbDnWait(this->Get(), vbDnLoad, timeOutMs, true);
    }
    // False when both are unchanged (the URL compared exactly); otherwise the object is let go.
    bool SetUrlKey(const vbString& url, int64_t key)
    {
        if (url == m_url && key == m_key)
            return false;
        Unlink();
        m_url = url;
        m_key = key;
        return true;
    }
    bool Unlink(bool bSilent = true)
    {
        vbDnUnpark(this);
        return vbObsPtrCore::_unlink(bSilent);
    }

private:
    vbString m_url;
    int64_t m_key = 0;
    sIvbDnPtr* m_pParkedNext = nullptr;
};
