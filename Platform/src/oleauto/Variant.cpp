#include "VariantTypes.h"

#include <cstring>

namespace plat::oleauto {

bool isValueType(VARTYPE base)
{
    return (base <= VT_DECIMAL && base != VT_VARIANT) || (base >= VT_I1 && base <= VT_UINT);
}

bool isValidVariantType(VARTYPE vt)
{
    if (vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF))
        return false;
    VARTYPE base = vt & VT_TYPEMASK;
    if (vt & (VT_ARRAY | VT_BYREF)) {
        if (base == VT_EMPTY || base == VT_NULL)
            return false;
        return isValueType(base) || base == VT_VARIANT;
    }
    return isValueType(base);
}

} // namespace plat::oleauto

using plat::oleauto::isValidVariantType;

void VariantInit(VARIANTARG* pvarg)
{
    if (pvarg)
        pvarg->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* pvarg)
{
    if (!pvarg)
        return E_INVALIDARG;
    VARTYPE vt = pvarg->vt;
    if (!isValidVariantType(vt))
        return DISP_E_BADVARTYPE;
    if (!(vt & VT_BYREF)) {
        if (vt & VT_ARRAY) {
            HRESULT hr = SafeArrayDestroy(pvarg->parray);
            if (FAILED(hr))
                return hr;
        } else if (vt == VT_BSTR) {
            SysFreeString(pvarg->bstrVal);
        } else if (vt == VT_UNKNOWN || vt == VT_DISPATCH) {
            if (pvarg->punkVal)
                pvarg->punkVal->Release();
        }
    }
    pvarg->vt = VT_EMPTY;
    return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc)
{
    if (!pvargDest || !pvargSrc)
        return E_INVALIDARG;
    if (pvargDest == pvargSrc)
        return S_OK;
    VARTYPE vt = pvargSrc->vt;
    if (!isValidVariantType(vt))
        return DISP_E_BADVARTYPE;
    VARIANT copy;
    std::memcpy(&copy, pvargSrc, sizeof(VARIANT));
    if (!(vt & VT_BYREF)) {
        if (vt & VT_ARRAY) {
            HRESULT hr = SafeArrayCopy(pvargSrc->parray, &copy.parray);
            if (FAILED(hr))
                return hr;
        } else if (vt == VT_BSTR && pvargSrc->bstrVal) {
            copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(pvargSrc->bstrVal),
                SysStringByteLen(pvargSrc->bstrVal));
            if (!copy.bstrVal)
                return E_OUTOFMEMORY;
        } else if ((vt == VT_UNKNOWN || vt == VT_DISPATCH) && copy.punkVal) {
            copy.punkVal->AddRef();
        }
    }
    HRESULT hr = VariantClear(pvargDest);
    if (FAILED(hr)) {
        VariantClear(&copy);
        return hr;
    }
    std::memcpy(pvargDest, &copy, sizeof(VARIANT));
    return S_OK;
}

HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc)
{
    if (!pvarDest || !pvargSrc)
        return E_INVALIDARG;
    VARTYPE vt = pvargSrc->vt;
    if (!(vt & VT_BYREF))
        return VariantCopy(pvarDest, pvargSrc);
    if (!isValidVariantType(vt))
        return DISP_E_BADVARTYPE;
    if (!pvargSrc->byref)
        return E_INVALIDARG;
    VARTYPE base = vt & ~VT_BYREF;
    VARIANT value;
    VariantInit(&value);
    if (base == VT_VARIANT) {
        // One level of indirection only: a reference to a reference is not a value.
        if (pvargSrc->pvarVal->vt == (VT_VARIANT | VT_BYREF))
            return E_INVALIDARG;
        HRESULT hr = VariantCopyInd(&value, pvargSrc->pvarVal);
        if (FAILED(hr))
            return hr;
    } else {
        // A shallow view of the referenced value, then a real copy of it.
        VARIANT view;
        std::memset(&view, 0, sizeof view);
        if (base == VT_DECIMAL) {
            std::memcpy(&view, pvargSrc->pdecVal, sizeof(DECIMAL));
        } else if (base & VT_ARRAY) {
            view.parray = *pvargSrc->pparray;
        } else {
            size_t size = 0;
            switch (base) {
            case VT_I1: case VT_UI1: size = 1; break;
            case VT_I2: case VT_UI2: case VT_BOOL: size = 2; break;
            case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: size = 4; break;
            case VT_BSTR: case VT_UNKNOWN: case VT_DISPATCH: size = sizeof(void*); break;
            default: size = 8; break;
            }
            std::memcpy(&view.llVal, pvargSrc->byref, size);
        }
        view.vt = base;
        HRESULT hr = VariantCopy(&value, &view);
        if (FAILED(hr))
            return hr;
    }
    HRESULT hr = VariantClear(pvarDest);
    if (FAILED(hr)) {
        VariantClear(&value);
        return hr;
    }
    std::memcpy(pvarDest, &value, sizeof(VARIANT));
    return S_OK;
}
