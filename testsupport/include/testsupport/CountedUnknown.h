#pragma once

// A COM object for tests that only counts its references: it answers IUnknown, and one more
// interface when given one.

#include "plat/unknwn.h"

class CountedUnknown : public IUnknown {
public:
    explicit CountedUnknown(const IID& also = IID_IUnknown) : m_also(also) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid != IID_IUnknown && riid != m_also) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG refs = 1;

private:
    const IID m_also;
};
