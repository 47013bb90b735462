#pragma once

// Counting and observing pointers over the object model.
//
// vbRefPtr / vbRefQIPtr own one COM reference to an interface. The observing pointers attach
// themselves to an object (its AddPtr), hear its signals and are let go of when it is destroyed:
// vbObsPtr and vbObsPtrExt hold no reference (the object may die under them, after which they
// observe nothing), vbObsRefPtr holds one while attached, and vbPtr holds one and stays attached
// through the object's Destroy. All are templates over the interface type T and its GUID; the
// work is done once, out of line, in vbObsPtrCore.

#include "vbObjects.h"

#include "plat/com.h"

#include <type_traits>

// --- counted pointers ---

namespace vbImpl {
// Releases p, reporting instead of passing on what it throws.
VBAPI void releaseNoThrow(IUnknown* p, const char* file, int line) noexcept;
// The same for a class with several IUnknown faces (the streams), whose own Release is the one.
template <class T>
    requires(!std::is_convertible_v<T*, IUnknown*>)
void releaseNoThrow(T* p, const char* file, int line) noexcept
{
    try {
        p->Release();
    } catch (...) {
        reportCurrent(false, file, line);
    }
}
} // namespace vbImpl

template <class T, const IID* piid>
class vbRefPtr {
public:
    vbRefPtr() = default;
    vbRefPtr(T* p) : m_pObj(p)
    {
        if (p)
            p->AddRef();
    }
    vbRefPtr(const vbRefPtr& o) : vbRefPtr(o.m_pObj) {}
    ~vbRefPtr()
    {
        if (T* p = m_pObj) {
            m_pObj = nullptr;
            vbImpl::releaseNoThrow(p, __FILE__, __LINE__);
        }
    }

    // The new reference is taken before the old one goes, so assigning a pointer to itself is safe.
    vbRefPtr& operator=(T* p)
    {
        if (p)
            p->AddRef();
        T* old = m_pObj;
        m_pObj = nullptr;
        if (old)
            old->Release();
        m_pObj = p;
        return *this;
    }
    vbRefPtr& operator=(const vbRefPtr& o) { return *this = o.m_pObj; }

    // Clears the pointer and releases what it held; false when it was empty.
    bool Release()
    {
        T* p = m_pObj;
        if (!p)
            return false;
        m_pObj = nullptr;
        p->Release();
        return true;
    }

    // The inner pointer's address, for an out-parameter that a callee fills with a counted
    // reference. Refused when a reference is held, so that none is overwritten.
    T** Addr()
    {
        if (m_pObj)
            vbImpl::throwSys(E_FAIL, "T** vbRefPtr()::Addr(), pointer is not NULL !");
        return &m_pObj;
    }
    void** AddrV()
    {
        if (m_pObj)
            vbImpl::throwSys(E_FAIL, "T** vbRefPtr()::AddrV(), pointer is not NULL !");
        return reinterpret_cast<void**>(&m_pObj);
    }

    T* operator->() const
    {
        if (!m_pObj)
            vbImpl::throwSys(E_FAIL, "T* vbRefPtr()::operator->() const, pointer is NULL !");
        return m_pObj;
    }

    // A new instance of the class, asked for the template's interface.
    HRESULT CreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext)
    {
        if (m_pObj)
            vbImpl::throwSys(E_FAIL, "T** vbRefPtr()::CreateInstance(), pointer is not NULL !");
        HRESULT hr = ::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, *piid, reinterpret_cast<void**>(&m_pObj));
        if (FAILED(hr)) {
            m_pObj = nullptr;
            vbImpl::throwSys(hr,
                "Instruction '::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, *piid, (void**)&m_pObj)' failed !");
        }
        return hr;
    }

    operator T*() const { return m_pObj; }
    T* Get() const { return m_pObj; }
    bool IsNull() const { return m_pObj == nullptr; }

protected:
    T* m_pObj = nullptr;
};

template <class T, const IID* piid>
class vbRefQIPtr : public vbRefPtr<T, piid> {
public:
    vbRefQIPtr() = default;
    vbRefQIPtr(IUnknown* pObj, bool bThrow)
    {
        if (!pObj) {
            if (bThrow)
                vbImpl::throwSys(E_FAIL, "vbRefQIPtr() : pObj == NULL");
            return;
        }
        HRESULT hr = pObj->QueryInterface(*piid, reinterpret_cast<void**>(&this->m_pObj));
        if (FAILED(hr)) {
            this->m_pObj = nullptr;
            if (bThrow)
                vbImpl::throwSys(hr, "Instruction 'pObj->QueryInterface(*piid, (void **)&m_pObj)' failed !");
        }
    }
    using vbRefPtr<T, piid>::operator=;

    T* operator->() const
    {
        if (!this->m_pObj)
            vbImpl::throwSys(E_FAIL, "T* vbRefQIPtr()::operator->() const, pointer is NULL !");
        return this->m_pObj;
    }
};

// --- attached pointers ---

// The shared body of the attached pointers. The observed interface is kept as the object's
// answer to the template's GUID; the object itself as the IvbObject face it linked with.
class VBAPI vbObsPtrCore : public sIvbPtr {
public:
    bool GetInterface(const GUID& iid, const void** ppv) const override;
    bool GetInterface(const GUID& iid, void** ppv) override;
    bool HasObject(const IvbObject* p) override;
    bool _unlink(bool bSilent) override;
    void onSignal(int signal) override;
    void onLink() override;
    void onUnlink() override;
    void setNextPtr(sIvbPtr* p) override { m_pNext = p; }
    void setPrevPtr(sIvbPtr* p) override { m_pPrev = p; }
    sIvbPtr* _link(IvbObject* obj, sIvbPtr** head) override;
    void _unlinkFromList(sIvbPtr** head, vbSectLock* objectLock) override;
    sIvbPtr* GetNextPtr() override { return m_pNext; }
    bool IsToUnlinkOnDestroy() override { return m_bUnlinkOnDestroy; }
    void Lock() const override;
    void Unlock() const override;

    // A counted pointer to the observed object: true while it lives; out is left alone otherwise.
    template <class T, const IID* piid>
    bool GetRefPtr(vbRefPtr<T, piid>* out)
    {
        if (T* p = static_cast<T*>(refObserved(nullptr))) {
            *out = p;
            p->Release();
            return true;
        }
        return false;
    }

    // The receiver of the three notifications; null drops them.
    void SetCallback(sIvbPtrCb* cb) { m_pCb = cb; }
    sIvbPtrCb* GetCallback() const { return m_pCb; }
    // Whether an object is attached now.
    bool IsAttached();

protected:
    enum Kind { kObs, kObsRef, kObsExt, kPtr };
    vbObsPtrCore(Kind kind, const IID* piid, CCriticalSection* sect);
    ~vbObsPtrCore() = default;
    vbObsPtrCore(const vbObsPtrCore&) = delete;
    vbObsPtrCore& operator=(const vbObsPtrCore&) = delete;

    // Counted reference to the observed interface (null when none), taken under the section.
    void* refObserved(IvbObject** pObj);
    // The destructors' unlink: reports instead of passing on.
    void unlinkForDestroy() noexcept;
    // Attaches to obj through its AddPtr, or (null, refused) detaches; for assignments.
    void attach(IvbObject* obj, bool bThrow);
    const char* className() const;

    CCriticalSection* m_pSect;
    void* m_pObs = nullptr;
    IvbObject* m_pObj = nullptr;
    sIvbPtr* m_pNext = nullptr;
    sIvbPtr* m_pPrev = nullptr;
    sIvbPtrCb* m_pCb = nullptr;
    const IID* m_piid;
    Kind m_kind;
    bool m_bUnlinkOnDestroy;
};

// An observing pointer with its own section. The section outlives the unlink in the destructor.
template <class T, const IID* piid>
class vbObsPtrOwned : public vbObsPtrCore {
protected:
    vbObsPtrOwned(Kind kind, T* p, bool bThrow) : vbObsPtrCore(kind, piid, &m_sect)
    {
        if (p)
            p->AddPtr(this, bThrow);
    }
    ~vbObsPtrOwned() { unlinkForDestroy(); }

private:
    CCriticalSection m_sect;
};

// Observes without a reference.
template <class T, const IID* piid>
class vbObsPtr : public vbObsPtrOwned<T, piid> {
public:
    explicit vbObsPtr(T* p = nullptr, bool bThrow = true) : vbObsPtrOwned<T, piid>(vbObsPtrCore::kObs, p, bThrow) {}
};

// Observes with one counted reference while attached.
template <class T, const IID* piid>
class vbObsRefPtr : public vbObsPtrOwned<T, piid> {
public:
    explicit vbObsRefPtr(T* p = nullptr, bool bThrow = true)
        : vbObsPtrOwned<T, piid>(vbObsPtrCore::kObsRef, p, bThrow)
    {
    }

    // Same identity (IUnknown) as p; with nothing observed, true exactly for null.
    bool IsSameObject(IUnknown* p)
    {
        vbSectLock lock(this->m_pSect);
        if (!this->m_pObs)
            return p == nullptr;
        if (!p)
            return false;
        vbRefQIPtr<IUnknown, &IID_IUnknown> mine(static_cast<T*>(this->m_pObs), false);
        vbRefQIPtr<IUnknown, &IID_IUnknown> other(p, false);
        return mine.Get() == other.Get();
    }
};

// Observes without a reference under its owner's section, so that the owner, holding its
// section, sees a stable pointer.
template <class T, const IID* piid>
class vbObsPtrExt : public vbObsPtrCore {
public:
    explicit vbObsPtrExt(CCriticalSection* ownerSection) : vbObsPtrCore(kObsExt, piid, ownerSection) {}
    ~vbObsPtrExt() { unlinkForDestroy(); }

    // Attaches to p (leaving a previous object silently), or detaches for null or a refusal.
    vbObsPtrExt& operator=(T* p)
    {
        attach(p, false);
        return *this;
    }
};

// Attached counted pointer that derived pointer classes extend: it stays attached through the
// object's Destroy and keeps the object alive until it lets go.
template <class T, const IID* piid>
class vbPtr : public vbObsPtrCore {
public:
    vbPtr() : vbObsPtrCore(kPtr, piid, nullptr) {}
    explicit vbPtr(T* p) : vbPtr() { attach(p, true); }
    vbPtr(const vbPtr& o) : vbPtr() { attach(o.m_pObj, true); }
    ~vbPtr() { unlinkForDestroy(); }

    vbPtr& operator=(T* p)
    {
        attach(p, true);
        return *this;
    }
    vbPtr& operator=(const vbPtr& o)
    {
        if (this != &o)
            attach(o.m_pObj, true);
        return *this;
    }

    T* operator->() const
    {
        if (!m_pObs)
            vbImpl::throwSys(E_FAIL, "T* vbPtr()::operator->() const, pointer is NULL !");
        return static_cast<T*>(m_pObs);
    }
    T* Get() const { return static_cast<T*>(m_pObs); }
};
