// The functions on plain VARIANTs that vbVariant rests on.

#include "vbVariant.h"

#include "vbException.h"
#include "vbExceptionReport.h"

#include "plat/errors.h"

#include <cstring>

namespace {

// Types that hold nothing to release: cleared and copied without the platform.
bool holdsNoResource(VARTYPE vt)
{
    switch (vt) {
    case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_CY: case VT_DATE: case VT_BOOL: case VT_I1: case VT_UI1:
    case VT_UI2: case VT_UI4: case VT_INT: case VT_UINT: case VT_VOID: case VT_HRESULT: case VT_FILETIME:
        return true;
    default:
        return false;
    }
}

template <class T>
int signOf(T a, T b)
{
    return a < b ? -1 : b < a ? 1 : 0;
}

int compareUnits(BSTR a, BSTR b)
{
    static const OLECHAR empty[1] = {0};
    const OLECHAR* p = a ? a : empty;
    const OLECHAR* q = b ? b : empty;
    for (;; ++p, ++q) {
        if (*p != *q)
            return *p < *q ? -1 : 1;
        if (!*p)
            return 0;
    }
}

int compareBytes(const void* a, const void* b, size_t n)
{
    int r = std::memcmp(a, b, n);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int compareSameType(const VARIANT* a, const VARIANT* b)
{
    switch (a->vt) {
    case VT_EMPTY: case VT_NULL:
        return 0;
    case VT_I2:
        return a->iVal - b->iVal;
    case VT_UI1:
        return a->bVal - b->bVal;
    case VT_I4: case VT_ERROR:
        // The difference of two 32-bit values needs 33 bits.
        return signOf<int64_t>(a->lVal, b->lVal);
    case VT_R4:
        return signOf(a->fltVal, b->fltVal);
    case VT_R8: case VT_DATE:
        return signOf(a->dblVal, b->dblVal);
    case VT_CY:
        return compareBytes(&a->cyVal, &b->cyVal, sizeof(CY));
    case VT_DECIMAL:
        return compareBytes(a, b, sizeof(VARIANT));
    case VT_BSTR:
        return compareUnits(a->bstrVal, b->bstrVal);
    case VT_DISPATCH: case VT_UNKNOWN:
        return signOf(reinterpret_cast<uintptr_t>(a->punkVal), reinterpret_cast<uintptr_t>(b->punkVal));
    case VT_BOOL:
        return (a->boolVal != 0) - (b->boolVal != 0);
    default:
        throw new vbEsys(E_NOTIMPL,
            "vbVariantCmp(const VARIANT* pOp1, const VARIANT* pOp2,bool can_convert) : unsupported VARIANT type !");
    }
}

} // namespace

void vbVariantClear(VARIANT* var)
{
    if (var->vt == VT_EMPTY)
        return;
    if (holdsNoResource(var->vt)) {
        var->vt = VT_EMPTY;
        return;
    }
    if (var->vt == VT_ARRAY) {
        var->vt = VT_EMPTY;
        HRESULT hr = SafeArrayDestroy(var->parray);
        if (FAILED(hr))
            throw new vbEsys(hr, "Instruction '::SafeArrayDestroy(var->parray)' failed !");
        return;
    }
    HRESULT hr = VariantClear(var);
    if (FAILED(hr))
        throw new vbEsys(hr, "Instruction '::VariantClear(var)' failed !");
}

void vbVariantCopy(VARIANT* dst, const VARIANT* src)
{
    if (dst == src)
        return;
    if (src->vt == VT_EMPTY || holdsNoResource(src->vt)) {
        vbVariantClear(dst);
        std::memcpy(dst, src, sizeof(VARIANT));
        return;
    }
    if (src->vt == VT_ARRAY) {
        vbVariantClear(dst);
        dst->vt = VT_ARRAY;
        dst->parray = nullptr;
        HRESULT hr = SafeArrayCopy(src->parray, &dst->parray);
        if (FAILED(hr))
            throw new vbEsys(hr, "Instruction 'SafeArrayCopy( src->parray, &dst->parray )' failed !");
        return;
    }
    HRESULT hr = VariantCopy(dst, src);
    if (FAILED(hr))
        throw new vbEsys(hr, "Instruction '::VariantCopy( dst, (VARIANT*)src )' failed !");
}

void vbVariantChangeType(VARIANT* pDest, const VARIANT* pSrce, VARTYPE vt, LCID lcid)
{
    HRESULT hr = VariantChangeTypeEx(pDest, pSrce, lcid, 0, vt);
    if (FAILED(hr))
        throw new vbEsys(hr, "Instruction '::VariantChangeTypeEx(pDest, (VARIANT*)pSrce,lcid, 0, vt)' failed !");
}

int vbVariantCmp(const VARIANT* pOp1, const VARIANT* pOp2, bool can_convert, LCID lcid)
{
    if (pOp1 == pOp2)
        return 0;
    if (pOp1->vt == pOp2->vt)
        return compareSameType(pOp1, pOp2);
    if (!can_convert)
        return static_cast<int>(pOp1->vt) - static_cast<int>(pOp2->vt);
    VARIANT tmp;
    VariantInit(&tmp);
    vbVariantChangeType(&tmp, pOp2, pOp1->vt, lcid);
    int result;
    try {
        result = compareSameType(pOp1, &tmp);
    } catch (...) {
        try {
            vbVariantClear(&tmp);
        } catch (CException* e) {
            vbShowException(e, true, "vbVariant", 173);
        }
        throw;
    }
    vbVariantClear(&tmp);
    return result;
}
