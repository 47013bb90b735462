#pragma once

// OLE Automation: BSTR, VARIANT and its conversions, SAFEARRAY, CY, DECIMAL, DATE, IDispatch.
// Conversions follow the en-US rules for every locale the system passes.

#include "plat/api.h"
#include "plat/types.h"
#include "plat/unknwn.h"

// A BSTR points at UTF-16 text preceded by a 4-byte count of its bytes and followed by a 0 unit.
typedef OLECHAR* BSTR;
typedef BSTR* LPBSTR;

typedef uint16_t VARTYPE;
typedef int16_t VARIANT_BOOL;
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

// Days since 30 December 1899, the fraction being the time of day.
typedef double DATE;

// Currency: the amount times 10,000 as a 64-bit integer.
union CY {
    struct {
        ULONG Lo;
        LONG Hi;
    };
    LONGLONG int64;
};

// 96-bit unsigned magnitude, a power-of-ten scale (0-28) and a sign (DECIMAL_NEG).
struct DECIMAL {
    USHORT wReserved;
    BYTE scale;
    BYTE sign;
    ULONG Hi32;
    union {
        struct {
            ULONG Lo32;
            ULONG Mid32;
        };
        ULONGLONG Lo64;
    };
};
#define DECIMAL_NEG ((BYTE)0x80)
static_assert(sizeof(DECIMAL) == 16, "DECIMAL must be 16 bytes");

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_FILETIME = 64,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};

struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    PVOID pvData;
    SAFEARRAYBOUND rgsabound[1];
};
typedef SAFEARRAY* LPSAFEARRAY;
#define FADF_AUTO 0x0001
#define FADF_STATIC 0x0002
#define FADF_EMBEDDED 0x0004
#define FADF_FIXEDSIZE 0x0010
#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR 0x0100
#define FADF_UNKNOWN 0x0200
#define FADF_DISPATCH 0x0400
#define FADF_VARIANT 0x0800

struct IDispatch;
struct VARIANT;

// 16 bytes: the type, three reserved words and an 8-byte value; a DECIMAL covers the whole
// VARIANT, its reserved word overlapping the type.
struct VARIANT {
    union {
        struct {
            VARTYPE vt;
            WORD wReserved1;
            WORD wReserved2;
            WORD wReserved3;
            union {
                LONGLONG llVal;
                LONG lVal;
                BYTE bVal;
                SHORT iVal;
                FLOAT fltVal;
                DOUBLE dblVal;
                VARIANT_BOOL boolVal;
                SCODE scode;
                CY cyVal;
                DATE date;
                BSTR bstrVal;
                IUnknown* punkVal;
                IDispatch* pdispVal;
                SAFEARRAY* parray;
                BYTE* pbVal;
                SHORT* piVal;
                LONG* plVal;
                LONGLONG* pllVal;
                FLOAT* pfltVal;
                DOUBLE* pdblVal;
                VARIANT_BOOL* pboolVal;
                SCODE* pscode;
                CY* pcyVal;
                DATE* pdate;
                BSTR* pbstrVal;
                IUnknown** ppunkVal;
                IDispatch** ppdispVal;
                SAFEARRAY** pparray;
                VARIANT* pvarVal;
                PVOID byref;
                CHAR cVal;
                USHORT uiVal;
                ULONG ulVal;
                ULONGLONG ullVal;
                INT intVal;
                UINT uintVal;
                DECIMAL* pdecVal;
                CHAR* pcVal;
                USHORT* puiVal;
                ULONG* pulVal;
                ULONGLONG* pullVal;
                INT* pintVal;
                UINT* puintVal;
            };
        };
        DECIMAL decVal;
    };
};
static_assert(sizeof(VARIANT) == 16, "VARIANT must be 16 bytes");
typedef VARIANT VARIANTARG;
typedef VARIANT* LPVARIANT;
typedef VARIANT* LPVARIANTARG;

#define V_VT(X) ((X)->vt)
#define V_ISBYREF(X) (V_VT(X) & VT_BYREF)
#define V_ISARRAY(X) (V_VT(X) & VT_ARRAY)
#define V_I2(X) ((X)->iVal)
#define V_I4(X) ((X)->lVal)
#define V_R4(X) ((X)->fltVal)
#define V_R8(X) ((X)->dblVal)
#define V_CY(X) ((X)->cyVal)
#define V_DATE(X) ((X)->date)
#define V_BSTR(X) ((X)->bstrVal)
#define V_BOOL(X) ((X)->boolVal)
#define V_ERROR(X) ((X)->scode)
#define V_UNKNOWN(X) ((X)->punkVal)
#define V_DISPATCH(X) ((X)->pdispVal)
#define V_ARRAY(X) ((X)->parray)
#define V_UI1(X) ((X)->bVal)
#define V_VARIANTREF(X) ((X)->pvarVal)

// Flags of VariantChangeTypeEx.
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_LOCALBOOL 0x10
// Flags of the date-to-text conversion.
#define VAR_TIMEVALUEONLY 0x00000001
#define VAR_DATEVALUEONLY 0x00000002

#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_NEUTRAL 0x0000

PLATAPI BSTR SysAllocString(const OLECHAR* psz);
PLATAPI BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);
PLATAPI BSTR SysAllocStringByteLen(LPCSTR psz, UINT len);
PLATAPI INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
PLATAPI INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len);
PLATAPI void SysFreeString(BSTR bstrString);
PLATAPI UINT SysStringLen(BSTR bstr);
PLATAPI UINT SysStringByteLen(BSTR bstr);

PLATAPI void VariantInit(VARIANTARG* pvarg);
PLATAPI HRESULT VariantClear(VARIANTARG* pvarg);
PLATAPI HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
PLATAPI HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc);
PLATAPI HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt);
PLATAPI HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
    VARTYPE vt);

PLATAPI SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
PLATAPI SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
PLATAPI HRESULT SafeArrayDestroy(SAFEARRAY* psa);
PLATAPI HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
PLATAPI HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
PLATAPI HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
PLATAPI HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
PLATAPI UINT SafeArrayGetDim(SAFEARRAY* psa);
PLATAPI UINT SafeArrayGetElemsize(SAFEARRAY* psa);
PLATAPI HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);
PLATAPI HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);

// Dates: valid from 1 January 100 to 31 December 9999; times are whole seconds.
PLATAPI INT VariantTimeToSystemTime(DOUBLE vtime, LPSYSTEMTIME lpSystemTime);
PLATAPI INT SystemTimeToVariantTime(LPSYSTEMTIME lpSystemTime, DOUBLE* pvtime);
PLATAPI INT DosDateTimeToVariantTime(USHORT wDosDate, USHORT wDosTime, DOUBLE* pvtime);
PLATAPI INT VariantTimeToDosDateTime(DOUBLE vtime, USHORT* pwDosDate, USHORT* pwDosTime);
// "M/D/YYYY h:mm:ss AM": the date alone at midnight, the time alone on 30 December 1899.
PLATAPI HRESULT VarBstrFromDate(DATE dateIn, LCID lcid, ULONG dwFlags, BSTR* pbstrOut);
PLATAPI HRESULT VarDateFromStr(LPCOLESTR strIn, LCID lcid, ULONG dwFlags, DATE* pdateOut);

typedef LONG DISPID;
typedef DISPID MEMBERID;
#define DISPID_UNKNOWN (-1)
#define DISPID_VALUE 0
#define DISPID_PROPERTYPUT (-3)
#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8

struct DISPPARAMS {
    VARIANTARG* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    PVOID pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};

struct ITypeInfo;

inline constexpr IID IID_IDispatch = VNT_GUID(0x00020400, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) = 0;
    virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;
};
typedef IDispatch* LPDISPATCH;
