#include "vbObjects.h"

#include "plat/errors.h"

#include <climits>

const IID IID_IvbObject = {0xA1D4A5A5, 0xCCC7, 0x4812, {0x91, 0x0A, 0xB1, 0xBB, 0x7B, 0xEC, 0x80, 0xF8}};
const IID IID_sIvbPtr = {0xF0003C25, 0x647C, 0x4CE3, {0xBA, 0x0C, 0x98, 0x62, 0x68, 0x3B, 0x63, 0x97}};

void sIvbNotifLock::Lock() { vbPurecall(); }
void sIvbNotifLock::Unlock() { vbPurecall(); }

// --- interface default bodies: reaching one means the purecall error ---

HRESULT IvbObject::QueryInterface(REFIID, void**) { vbPurecall(); }
ULONG IvbObject::AddRef() { vbPurecall(); }
ULONG IvbObject::Release() { vbPurecall(); }
HRESULT IvbObject::QueryInterface(const GUID&, const void**) const { vbPurecall(); }
ULONG IvbObject::AddRef() const { vbPurecall(); }
ULONG IvbObject::Release() const { vbPurecall(); }
bool IvbObject::AddPtr(sIvbPtr*, bool) { vbPurecall(); }
void IvbObject::RemovePtr(sIvbPtr*, bool) { vbPurecall(); }
void IvbObject::SignalPtr(int) { vbPurecall(); }
void IvbObject::LockPtr() const { vbPurecall(); }
void IvbObject::UnlockPtr() const { vbPurecall(); }
bool IvbObject::IsInDestruction() const { vbPurecall(); }

bool sIvbPtr::HasObject(const IvbObject*) { vbPurecall(); }
bool sIvbPtr::_unlink(bool) { vbPurecall(); }
void sIvbPtr::onSignal(int) { vbPurecall(); }
void sIvbPtr::onLink() { vbPurecall(); }
void sIvbPtr::onUnlink() { vbPurecall(); }
void sIvbPtr::setNextPtr(sIvbPtr*) { vbPurecall(); }
void sIvbPtr::setPrevPtr(sIvbPtr*) { vbPurecall(); }
sIvbPtr* sIvbPtr::_link(IvbObject*, sIvbPtr**) { vbPurecall(); }
void sIvbPtr::_unlinkFromList(sIvbPtr**, vbSectLock*) { vbPurecall(); }
sIvbPtr* sIvbPtr::GetNextPtr() { vbPurecall(); }
bool sIvbPtr::IsToUnlinkOnDestroy() { vbPurecall(); }

void sIvbPtrCb::onPtrSignal(sIvbPtr*, int) { vbPurecall(); }
void sIvbPtrCb::onPtrUnlink(sIvbPtr*) { vbPurecall(); }
void sIvbPtrCb::onPtrLink(sIvbPtr*) { vbPurecall(); }

// --- vbObjectBase: allocation ---

void* vbObjectBase::operator new(size_t sz, sIvbHeap* heap)
{
    if (sz > static_cast<size_t>(INT_MAX - kHeapHeader))
        vbImpl::throwSys(E_OUTOFMEMORY, "vbObjectBase::operator new() : not enougth memory");
    auto* block = static_cast<char*>(heap->Alloc(static_cast<int>(sz) + kHeapHeader, vbAllocNoInit));
    if (!block)
        vbImpl::throwSys(E_OUTOFMEMORY, "vbObjectBase::operator new() : not enougth memory");
    *reinterpret_cast<sIvbHeap**>(block) = heap;
    return block + kHeapHeader;
}

void* vbObjectBase::operator new(size_t sz) { return operator new(sz, &vbGetMainHeap()); }
void* vbObjectBase::operator new[](size_t sz, sIvbHeap* heap) { return operator new(sz, heap); }
void* vbObjectBase::operator new[](size_t sz) { return operator new(sz, &vbGetMainHeap()); }

void vbObjectBase::operator delete(void* p) noexcept
{
    if (!p)
        return;
    char* block = static_cast<char*>(p) - kHeapHeader;
    sIvbHeap* heap = *reinterpret_cast<sIvbHeap**>(block);
    try {
        heap->Free(block);
    } catch (...) {
        vbImpl::reportCurrent(false, __FILE__, __LINE__);
    }
}

void vbObjectBase::operator delete(void* p, sIvbHeap*) noexcept { operator delete(p); }
void vbObjectBase::operator delete[](void* p) noexcept { operator delete(p); }
void vbObjectBase::operator delete[](void* p, sIvbHeap*) noexcept { operator delete(p); }

// --- vbObjectBase: life ---

vbObjectBase::vbObjectBase() : m_cRef(1) {}

vbObjectBase::~vbObjectBase() = default;

bool vbObjectBase::GetInterface(const GUID& iid, const void** ppv) const
{
    return const_cast<vbObjectBase*>(this)->GetInterface(iid, const_cast<void**>(ppv));
}

bool vbObjectBase::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IvbObject || iid == IID_IUnknown) {
        *ppv = static_cast<IvbObject*>(this);
        return true;
    }
    if (iid == IID_sIvbBase) {
        *ppv = static_cast<sIvbBase*>(this);
        return true;
    }
    return false;
}

void vbObjectBase::Create()
{
    if (m_bCreated && !(m_bInDestruction && m_bReusable))
        vbImpl::throwSys(E_FAIL, "vbObjectBase::Create() : already created");
    m_bCreated = true;
    if (m_bInDestruction) {
        vbSectLock lock(m_pLock);
        m_bInDestruction = false;
        m_bAddPtrAllowed = true;
    }
}

void vbObjectBase::Destroy()
{
    // A counted reference for the whole call: unlinking a pointer may drop what was the last
    // reference (an attached vbObsRefPtr), and the object must outlive this call. Dropping it at
    // the end then frees the object as its last Release would.
    struct Hold {
        vbObjectBase* o;
        ~Hold() { o->release(); }
    } hold{this};
    addRef();
    m_bInDestruction = true;
    onBeforeDestruction(true);
    {
        vbSectLock lock(m_pLock);
        m_bAddPtrAllowed = false;
        removeAllPtr();
    }
    onDestruction(true);
}

void vbObjectBase::onBeforeDestruction(bool) {}
void vbObjectBase::onDestruction(bool) {}

LONG vbObjectBase::addRef() { return ++m_cRef; }

LONG vbObjectBase::release()
{
    // The last reference does not take the count to 0 and back: it stays pinned at 1 while the
    // pointers go, so that the references they take and drop on the way never start a second
    // destruction, and an observer upgrading on another thread never sees a count of 0 that it
    // could raise and drop into a destruction of its own while this one has not begun.
    LONG c = m_cRef.load();
    while (c > 1) {
        if (m_cRef.compare_exchange_weak(c, c - 1))
            return c - 1;
    }
    m_bInDestruction = true;
    try {
        onBeforeDestruction(false);
    } catch (...) {
        vbImpl::reportCurrent(true, __FILE__, __LINE__);
    }
    try {
        vbSectLock lock(m_pLock);
        m_bAddPtrAllowed = false;
        removeAllPtr();
    } catch (...) {
        vbImpl::reportCurrent(true, __FILE__, __LINE__);
    }
    try {
        onDestruction(false);
    } catch (...) {
        vbImpl::reportCurrent(true, __FILE__, __LINE__);
    }
    c = --m_cRef;
    if (c == 0) {
        m_cRef = 1;
        delete this;
    }
    return c;
}

namespace {
const sIvbLock* lockFace(sIvbPtr* p)
{
    // The pointer's own lock face; every attached pointer has one.
    return static_cast<const sIvbLock*>(p);
}
} // namespace

bool vbObjectBase::addPtr(sIvbPtr* p, bool bThrow)
{
    vbSectLock objectLock(m_pLock);
    vbLock ptrLock(lockFace(p));
    if (p->HasObject(this))
        return m_bAddPtrAllowed;
    if (!m_bCreated)
        vbImpl::throwSys(E_FAIL, "vbObjectBase::addPtr() : object not created");
    if (m_bAddPtrAllowed) {
        p->_unlink(true);
        p->_link(this, &m_pFirstPtr);
        ptrLock.Unlock();
        objectLock.Unlock();
        p->onLink();
        return true;
    }
    if (bThrow)
        vbImpl::throwUser(E_ABORT, "Object in destruction or observers not allowed", "vbObjectBase::addPtr()");
    return false;
}

void vbObjectBase::removePtr(sIvbPtr* p, bool bSilent)
{
    vbSectLock objectLock(m_pLock);
    vbLock ptrLock(lockFace(p));
    if (!p->HasObject(this))
        vbImpl::throwSys(E_FAIL, "vbObjectBase::removePtr() : ptr not attached to this object");
    // A counting pointer leaves the object lock and drops its reference in here, which may free
    // the object: nothing of it is touched afterwards.
    p->_unlinkFromList(&m_pFirstPtr, &objectLock);
    ptrLock.Unlock();
    objectLock.Unlock();
    if (!bSilent)
        p->onUnlink();
}

void vbObjectBase::removeAllPtr()
{
    vbSectLock lock(m_pLock);
    for (sIvbPtr* p = m_pFirstPtr; p;) {
        sIvbPtr* next = p->GetNextPtr();
        if (p->IsToUnlinkOnDestroy())
            p->_unlink(false);
        p = next;
    }
}

void vbObjectBase::signalPtr(int signal)
{
    vbSectLock lock(m_pLock);
    for (sIvbPtr* p = m_pFirstPtr; p;) {
        sIvbPtr* next = p->GetNextPtr();
        p->onSignal(signal);
        p = next;
    }
}

// --- vbObject ---

vbObject::vbObject() { m_pLock = &m_sect; }

vbObject::~vbObject() { m_pLock = nullptr; }

namespace {

// The query of either face of an object, const or not: the faces share the object's one count,
// and a failure of the lookup comes back as its code.
template <class Obj, class Ptr>
HRESULT queryFace(Obj* obj, const GUID& iid, Ptr** ppv)
{
    try {
        if (!obj->GetInterface(iid, ppv))
            return E_NOINTERFACE;
        obj->AddRef();
        return S_OK;
    } catch (CException* e) {
        HRESULT hr = vbImpl::hrOf(e);
        e->Delete();
        return hr;
    } catch (...) {
        return E_POINTER;
    }
}

} // namespace

HRESULT vbObject::QueryInterface(REFIID iid, void** ppv) { return queryFace(this, iid, ppv); }

HRESULT vbObject::QueryInterface(const GUID& iid, const void** ppv) const { return queryFace(this, iid, ppv); }

ULONG vbObject::AddRef() { return static_cast<ULONG>(addRef()); }
ULONG vbObject::Release() { return static_cast<ULONG>(release()); }
ULONG vbObject::AddRef() const { return const_cast<vbObject*>(this)->AddRef(); }
ULONG vbObject::Release() const { return const_cast<vbObject*>(this)->Release(); }
bool vbObject::AddPtr(sIvbPtr* p, bool bThrow) { return addPtr(p, bThrow); }
void vbObject::RemovePtr(sIvbPtr* p, bool bSilent) { removePtr(p, bSilent); }
void vbObject::SignalPtr(int signal) { signalPtr(signal); }
void vbObject::LockPtr() const { m_sect.Lock(); }
void vbObject::UnlockPtr() const { m_sect.Unlock(); }
bool vbObject::IsInDestruction() const { return m_bInDestruction; }
