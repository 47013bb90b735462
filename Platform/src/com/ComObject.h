#pragma once

// IUnknown for the platform's own COM objects: one reference count, the object deleted at its last
// Release, and QueryInterface answering IUnknown with the first face and every other IID with what
// the class's face(riid) gives (null: E_NOINTERFACE). Objects start with one reference, the
// creator's.

#include "plat/unknwn.h"

#include <atomic>

namespace plat::com {

template <class Derived, class First, class... Rest>
class ComObject : public First, public Rest... {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = riid == IID_IUnknown ? static_cast<First*>(this) : static_cast<Derived*>(this)->face(riid);
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0)
            delete static_cast<Derived*>(this);
        return left;
    }

protected:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

private:
    std::atomic<ULONG> m_refs{1};
};

} // namespace plat::com
