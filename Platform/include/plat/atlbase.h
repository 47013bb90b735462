#pragma once

// CComPtr: an interface pointer that holds one reference for as long as it holds the pointer.

#include "plat/unknwn.h"

#include <cassert>

template <class T> class CComPtr {
public:
    CComPtr() = default;
    CComPtr(T* p) : p(p)
    {
        if (p)
            p->AddRef();
    }
    CComPtr(const CComPtr& other) : CComPtr(other.p) {}
    ~CComPtr() { Release(); }

    CComPtr& operator=(const CComPtr& other) { return *this = other.p; }
    CComPtr& operator=(T* other)
    {
        if (other)
            other->AddRef();
        Release();
        p = other;
        return *this;
    }

    T* operator->() const { return p; }
    operator T*() const { return p; }
    // For calls that hand out a new reference; the pointer must be empty.
    T** operator&()
    {
        assert(!p);
        return &p;
    }
    void Release()
    {
        T* held = p;
        p = nullptr;
        if (held)
            held->Release();
    }

    T* p = nullptr;
};
