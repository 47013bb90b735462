#include "vbPtr.h"

#include "plat/errors.h"

namespace vbImpl {

void releaseNoThrow(IUnknown* p, const char* file, int line) noexcept
{
    try {
        p->Release();
    } catch (...) {
        reportCurrent(false, file, line);
    }
}

} // namespace vbImpl

vbObsPtrCore::vbObsPtrCore(Kind kind, const IID* piid, CCriticalSection* sect)
    : m_pSect(sect), m_piid(piid), m_kind(kind), m_bUnlinkOnDestroy(kind != kPtr)
{
}

const char* vbObsPtrCore::className() const
{
    switch (m_kind) {
    case kObs:
        return "vbObsPtr";
    case kObsRef:
        return "vbObsRefPtr";
    case kObsExt:
        return "vbObsPtrExt";
    case kPtr:
        break;
    }
    return "vbPtr";
}

bool vbObsPtrCore::GetInterface(const GUID& iid, const void** ppv) const
{
    return const_cast<vbObsPtrCore*>(this)->GetInterface(iid, const_cast<void**>(ppv));
}

bool vbObsPtrCore::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_sIvbPtr || iid == IID_sIvbBase) {
        *ppv = static_cast<sIvbPtr*>(this);
        return true;
    }
    if (iid == IID_sIvbLock) {
        *ppv = static_cast<sIvbLock*>(this);
        return true;
    }
    return false;
}

void vbObsPtrCore::Lock() const
{
    if (m_pSect)
        m_pSect->Lock();
}

void vbObsPtrCore::Unlock() const
{
    if (m_pSect)
        m_pSect->Unlock();
}

bool vbObsPtrCore::HasObject(const IvbObject* p)
{
    vbSectLock lock;
    if (m_pSect)
        lock.Lock(m_pSect);
    if (!p)
        return m_pObj == nullptr;
    return m_pObj == p;
}

bool vbObsPtrCore::IsAttached()
{
    vbSectLock lock;
    if (m_pSect)
        lock.Lock(m_pSect);
    return m_pObj != nullptr;
}

void* vbObsPtrCore::refObserved(IvbObject** pObj)
{
    vbSectLock lock;
    if (m_pSect)
        lock.Lock(m_pSect);
    if (!m_pObj)
        return nullptr;
    m_pObj->AddRef();
    if (pObj)
        *pObj = m_pObj;
    return m_pObs;
}

bool vbObsPtrCore::_unlink(bool bSilent)
{
    if (m_kind == kPtr) {
        // The pointer's own reference keeps the object alive through the call.
        IvbObject* obj = m_pObj;
        if (!obj)
            return false;
        obj->RemovePtr(this, bSilent);
        return true;
    }
    // A counted reference taken under the section, which is left before the object is called:
    // the object's lock always comes before the pointer's.
    IvbObject* obj = nullptr;
    if (!refObserved(&obj))
        return false;
    struct Drop {
        IvbObject* o;
        ~Drop() { vbImpl::releaseNoThrow(o, __FILE__, __LINE__); }
    } drop{obj};
    obj->RemovePtr(this, bSilent);
    return true;
}

sIvbPtr* vbObsPtrCore::_link(IvbObject* obj, sIvbPtr** head)
{
    const bool counted = m_kind == kObsRef || m_kind == kPtr;
    if (counted)
        obj->AddRef();
    void* pv = nullptr;
    bool found = false;
    try {
        found = obj->GetInterface(*m_piid, &pv);
    } catch (...) {
        if (counted)
            obj->Release();
        throw;
    }
    if (!found) {
        if (counted)
            obj->Release();
        vbImpl::throwSys(E_NOINTERFACE, "%s()::_link() : can't get desired interface from pObj", className());
    }
    m_pObs = pv;
    m_pObj = obj;
    m_pPrev = nullptr;
    sIvbPtr* old = *head;
    if (old)
        old->setPrevPtr(this);
    m_pNext = old;
    *head = this;
    return old;
}

void vbObsPtrCore::_unlinkFromList(sIvbPtr** head, vbSectLock* objectLock)
{
    if (m_pNext)
        m_pNext->setPrevPtr(m_pPrev);
    if (m_pPrev)
        m_pPrev->setNextPtr(m_pNext);
    else if (*head == this)
        *head = m_pNext;
    IvbObject* obj = m_pObj;
    m_pObs = nullptr;
    m_pObj = nullptr;
    m_pNext = nullptr;
    m_pPrev = nullptr;
    if (m_kind == kObsRef || m_kind == kPtr) {
        // Out of the object's lock before the reference goes: the Release may free the object.
        if (objectLock)
            objectLock->Unlock();
        obj->Release();
    }
}

void vbObsPtrCore::onSignal(int signal)
{
    if (m_pCb)
        m_pCb->onPtrSignal(this, signal);
}

void vbObsPtrCore::onLink()
{
    if (m_pCb)
        m_pCb->onPtrLink(this);
}

void vbObsPtrCore::onUnlink()
{
    if (m_pCb)
        m_pCb->onPtrUnlink(this);
}

void vbObsPtrCore::unlinkForDestroy() noexcept
{
    try {
        _unlink(false);
    } catch (...) {
        vbImpl::reportCurrent(false, __FILE__, __LINE__);
    }
}

void vbObsPtrCore::attach(IvbObject* obj, bool bThrow)
{
    if (obj && obj->AddPtr(this, bThrow))
        return;
    _unlink(false);
}
