#pragma once

// The object model: reference-counted objects with a COM face, interface lookup by GUID that adds
// no reference, an explicit life (Create, Destroy) beside the count, and a list of attached
// pointers (observers, see vbPtr.h) that the object signals and lets go of when it dies. Objects
// remember in front of themselves the heap they came from, so that the last Release frees them
// into that heap whichever module drops them. Also the scoped lock holders of the library.

#include "vbBaseItf.h"
#include "vbHeap.h"

#include "plat/afx.h"
#include "plat/unknwn.h"

#include <atomic>
#include <cstddef>

extern VBAPI const IID IID_IvbObject;
extern VBAPI const IID IID_sIvbPtr;

class IvbObject;
class sIvbPtr;

// --- lock holders: each holds at most one lock; Lock releases the one held first; the destructor
// releases and reports (never throws) what goes wrong ---

namespace vbImpl {
// One holder shape for every kind of lock: Ops::lock and Ops::unlock take and leave P.
template <class P, class Ops>
class LockHolder {
public:
    LockHolder() = default;
    explicit LockHolder(P* p) { Lock(p); }
    ~LockHolder()
    {
        try {
            Unlock();
        } catch (...) {
            reportCurrent(true, __FILE__, __LINE__);
        }
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // p must not be null.
    void Lock(P* p)
    {
        Unlock();
        Ops::lock(p);
        m_p = p;
    }
    void Unlock()
    {
        if (P* p = m_p) {
            m_p = nullptr;
            Ops::unlock(p);
        }
    }
    bool IsLocked() const { return m_p != nullptr; }

private:
    P* m_p = nullptr;
};

struct SectOps {
    static void lock(CCriticalSection* p) { p->Lock(); }
    static void unlock(CCriticalSection* p) { p->Unlock(); }
};
struct LockOps {
    template <class L>
    static void lock(L* p) { p->Lock(); }
    template <class L>
    static void unlock(L* p) { p->Unlock(); }
};
struct PtrOps {
    template <class O>
    static void lock(O* p) { p->LockPtr(); }
    template <class O>
    static void unlock(O* p) { p->UnlockPtr(); }
};
} // namespace vbImpl

// Holds a critical section.
class vbSectLock : public vbImpl::LockHolder<CCriticalSection, vbImpl::SectOps> {
public:
    using LockHolder::LockHolder;
};

// Holds an sIvbLock.
class vbLock : public vbImpl::LockHolder<const sIvbLock, vbImpl::LockOps> {
public:
    using LockHolder::LockHolder;
};

// Holds an object's pointer lock (LockPtr / UnlockPtr).
class vbPtrLock : public vbImpl::LockHolder<const IvbObject, vbImpl::PtrOps> {
public:
    using LockHolder::LockHolder;
};

// A lock interface with Lock first and Unlock second, and its holder.
class VBAPI sIvbNotifLock {
public:
    virtual void Lock();
    virtual void Unlock();

protected:
    sIvbNotifLock() = default;
    ~sIvbNotifLock() = default;
};

class vbNotifLock : public vbImpl::LockHolder<sIvbNotifLock, vbImpl::LockOps> {
public:
    using LockHolder::LockHolder;
};

// --- interfaces ---

class VBAPI IvbObject : public IUnknown, public sIvbBase {
public:
    HRESULT QueryInterface(REFIID iid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    virtual HRESULT QueryInterface(const GUID& iid, const void** ppv) const;
    virtual ULONG AddRef() const;
    virtual ULONG Release() const;
    virtual bool AddPtr(sIvbPtr* p, bool bThrow);
    virtual void RemovePtr(sIvbPtr* p, bool bSilent);
    virtual void SignalPtr(int signal);
    virtual void LockPtr() const;
    virtual void UnlockPtr() const;
    virtual bool IsInDestruction() const;

protected:
    IvbObject() = default;
    IvbObject(const IvbObject&) = default;
    IvbObject& operator=(const IvbObject&) { return *this; }
    ~IvbObject() = default;
};

// The contract between an object and the pointers attached to it (see vbPtr.h).
class VBAPI sIvbPtr : public sIvbBase, public sIvbLock {
public:
    virtual bool HasObject(const IvbObject* p);
    virtual bool _unlink(bool bSilent);
    virtual void onSignal(int signal);
    virtual void onLink();
    virtual void onUnlink();
    virtual void setNextPtr(sIvbPtr* p);
    virtual void setPrevPtr(sIvbPtr* p);
    virtual sIvbPtr* _link(IvbObject* obj, sIvbPtr** head);
    virtual void _unlinkFromList(sIvbPtr** head, vbSectLock* objectLock);
    virtual sIvbPtr* GetNextPtr();
    virtual bool IsToUnlinkOnDestroy();

protected:
    sIvbPtr() = default;
    sIvbPtr(const sIvbPtr&) = default;
    sIvbPtr& operator=(const sIvbPtr&) { return *this; }
    ~sIvbPtr() = default;
};

// Optional receiver of an attached pointer's three notifications.
class VBAPI sIvbPtrCb : public sIvbBase {
public:
    virtual void onPtrSignal(sIvbPtr* p, int signal);
    virtual void onPtrUnlink(sIvbPtr* p);
    virtual void onPtrLink(sIvbPtr* p);

protected:
    sIvbPtrCb() = default;
    ~sIvbPtrCb() = default;
};

// --- objects ---

class VBAPI vbObjectBase : public IvbObject {
public:
    // The object is preceded by a 16-byte header holding its heap (16 keeps the object aligned as
    // malloc would); operator delete frees the whole block into that heap.
    static constexpr int kHeapHeader = 16;

    static void* operator new(size_t sz, sIvbHeap* heap);
    static void* operator new(size_t sz);
    static void* operator new[](size_t sz, sIvbHeap* heap);
    static void* operator new[](size_t sz);
    static void operator delete(void* p) noexcept;
    static void operator delete(void* p, sIvbHeap* heap) noexcept;
    static void operator delete[](void* p) noexcept;
    static void operator delete[](void* p, sIvbHeap* heap) noexcept;

    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;

    virtual void Create();
    virtual void Destroy();

    bool IsCreated() const { return m_bCreated; }
    bool IsReusable() const { return m_bReusable; }
    bool IsAddPtrAllowed() const { return m_bAddPtrAllowed; }
    // The count as it is now; for diagnostics and tests.
    LONG GetRefCount() const { return m_cRef.load(); }

protected:
    vbObjectBase();
    virtual ~vbObjectBase();

    virtual void onBeforeDestruction(bool bExplicit);
    virtual void onDestruction(bool bExplicit);
    virtual LONG addRef();
    virtual LONG release();
    virtual bool addPtr(sIvbPtr* p, bool bThrow);
    virtual void removePtr(sIvbPtr* p, bool bSilent);
    virtual void removeAllPtr();
    virtual void signalPtr(int signal);

    std::atomic<LONG> m_cRef;
    CCriticalSection* m_pLock = nullptr;
    sIvbPtr* m_pFirstPtr = nullptr;
    bool m_bCreated = false;
    bool m_bInDestruction = false;
    bool m_bReusable = true;
    bool m_bAddPtrAllowed = true;

private:
    vbObjectBase(const vbObjectBase&) = delete;
    vbObjectBase& operator=(const vbObjectBase&) = delete;
};

class VBAPI vbObject : public vbObjectBase {
public:
    HRESULT QueryInterface(REFIID iid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT QueryInterface(const GUID& iid, const void** ppv) const override;
    ULONG AddRef() const override;
    ULONG Release() const override;
    bool AddPtr(sIvbPtr* p, bool bThrow) override;
    void RemovePtr(sIvbPtr* p, bool bSilent) override;
    void SignalPtr(int signal) override;
    void LockPtr() const override;
    void UnlockPtr() const override;
    bool IsInDestruction() const override;

protected:
    vbObject();
    ~vbObject() override;

private:
    mutable CCriticalSection m_sect;
};
