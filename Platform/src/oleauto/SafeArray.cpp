#include "plat/oleauto.h"

#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <vector>

namespace {

// The element type lives in a hidden word just before the descriptor.
struct ArrayBlock {
    VARTYPE vt;
    alignas(8) SAFEARRAY sa;
};

ArrayBlock* blockOf(SAFEARRAY* psa)
{
    return reinterpret_cast<ArrayBlock*>(reinterpret_cast<char*>(psa) - offsetof(ArrayBlock, sa));
}

ULONG elementSize(VARTYPE vt)
{
    switch (vt) {
    case VT_I1:
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8:
        return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
        return sizeof(void*);
    case VT_VARIANT:
    case VT_DECIMAL:
        return 16;
    default:
        return 0;
    }
}

USHORT featuresOf(VARTYPE vt)
{
    switch (vt) {
    case VT_BSTR:
        return FADF_HAVEVARTYPE | FADF_BSTR;
    case VT_UNKNOWN:
        return FADF_HAVEVARTYPE | FADF_UNKNOWN;
    case VT_DISPATCH:
        return FADF_HAVEVARTYPE | FADF_DISPATCH;
    case VT_VARIANT:
        return FADF_HAVEVARTYPE | FADF_VARIANT;
    default:
        return FADF_HAVEVARTYPE;
    }
}

// Element count over every dimension; false when it does not fit in memory.
bool countElements(const SAFEARRAY* psa, size_t& count)
{
    count = 1;
    for (USHORT i = 0; i < psa->cDims; ++i) {
        size_t n = psa->rgsabound[i].cElements;
        if (n != 0 && count > SIZE_MAX / n)
            return false;
        count *= n;
    }
    return count <= SIZE_MAX / psa->cbElements;
}

SAFEARRAY* allocate(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* boundsInOrder)
{
    ULONG size = elementSize(vt);
    if (size == 0 || cDims == 0 || cDims > 0xFFFF)
        return nullptr;
    size_t bytes = sizeof(ArrayBlock) + (cDims - 1) * sizeof(SAFEARRAYBOUND);
    void* raw = std::calloc(1, bytes);
    if (!raw)
        return nullptr;
    auto* block = static_cast<ArrayBlock*>(raw);
    block->vt = vt;
    SAFEARRAY* psa = &block->sa;
    psa->cDims = (USHORT)cDims;
    psa->fFeatures = featuresOf(vt);
    psa->cbElements = size;
    // Kept last dimension first, as callers that walk the descriptor expect.
    for (UINT i = 0; i < cDims; ++i)
        psa->rgsabound[i] = boundsInOrder[cDims - 1 - i];
    size_t count;
    if (!countElements(psa, count)) {
        std::free(raw);
        return nullptr;
    }
    if (count > 0) {
        psa->pvData = std::calloc(count, size);
        if (!psa->pvData) {
            std::free(raw);
            return nullptr;
        }
    }
    return psa;
}

void releaseElements(SAFEARRAY* psa, VARTYPE vt)
{
    size_t count;
    if (!psa->pvData || !countElements(psa, count))
        return;
    for (size_t i = 0; i < count; ++i) {
        switch (vt) {
        case VT_BSTR:
            SysFreeString(static_cast<BSTR*>(psa->pvData)[i]);
            break;
        case VT_UNKNOWN:
        case VT_DISPATCH:
            if (IUnknown* p = static_cast<IUnknown**>(psa->pvData)[i])
                p->Release();
            break;
        case VT_VARIANT:
            VariantClear(static_cast<VARIANT*>(psa->pvData) + i);
            break;
        default:
            return;
        }
    }
}

} // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound)
{
    if (!rgsabound)
        return nullptr;
    return allocate(vt, cDims, rgsabound);
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements)
{
    SAFEARRAYBOUND bound{cElements, lLbound};
    return allocate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa)
{
    if (!psa)
        return S_OK;
    if (psa->cLocks > 0)
        return DISP_E_ARRAYISLOCKED;
    releaseElements(psa, blockOf(psa)->vt);
    std::free(psa->pvData);
    std::free(blockOf(psa));
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData)
{
    if (!psa || !ppvData)
        return E_INVALIDARG;
    if (psa->cLocks == 0xFFFFFFFFu)
        return E_UNEXPECTED;
    ++psa->cLocks;
    *ppvData = psa->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa)
{
    if (!psa)
        return E_INVALIDARG;
    if (psa->cLocks == 0)
        return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound)
{
    if (!psa || !plLbound)
        return E_INVALIDARG;
    if (nDim == 0 || nDim > psa->cDims)
        return DISP_E_BADINDEX;
    *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound)
{
    if (!psa || !plUbound)
        return E_INVALIDARG;
    if (nDim == 0 || nDim > psa->cDims)
        return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - nDim];
    *plUbound = (LONG)((int64_t)b.lLbound + (int64_t)b.cElements - 1);
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }

UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt)
{
    if (!psa || !pvt)
        return E_INVALIDARG;
    *pvt = blockOf(psa)->vt;
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut)
{
    if (!ppsaOut)
        return E_INVALIDARG;
    *ppsaOut = nullptr;
    if (!psa)
        return S_OK;
    VARTYPE vt = blockOf(psa)->vt;
    std::vector<SAFEARRAYBOUND> inOrder(psa->rgsabound, psa->rgsabound + psa->cDims);
    std::reverse(inOrder.begin(), inOrder.end());
    SAFEARRAY* copy = allocate(vt, psa->cDims, inOrder.data());
    if (!copy)
        return E_OUTOFMEMORY;
    size_t count = 0;
    countElements(psa, count);
    HRESULT hr = S_OK;
    if (count > 0) {
        if (vt == VT_BSTR) {
            auto* from = static_cast<BSTR*>(psa->pvData);
            auto* to = static_cast<BSTR*>(copy->pvData);
            for (size_t i = 0; i < count && SUCCEEDED(hr); ++i)
                if (from[i] && !(to[i] = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(from[i]), SysStringByteLen(from[i]))))
                    hr = E_OUTOFMEMORY;
        } else if (vt == VT_VARIANT) {
            auto* from = static_cast<VARIANT*>(psa->pvData);
            auto* to = static_cast<VARIANT*>(copy->pvData);
            for (size_t i = 0; i < count && SUCCEEDED(hr); ++i)
                hr = VariantCopy(&to[i], &from[i]);
        } else {
            std::memcpy(copy->pvData, psa->pvData, count * psa->cbElements);
            if (vt == VT_UNKNOWN || vt == VT_DISPATCH)
                for (size_t i = 0; i < count; ++i)
                    if (IUnknown* p = static_cast<IUnknown**>(copy->pvData)[i])
                        p->AddRef();
        }
    }
    if (FAILED(hr)) {
        SafeArrayDestroy(copy);
        return hr;
    }
    *ppsaOut = copy;
    return S_OK;
}
