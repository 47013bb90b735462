#pragma once

// The root of every COM interface, the class factory, and the GUID helpers they rest on.
// Interfaces are abstract classes whose virtual tables are the calling contract between modules:
// the order of their operations is fixed, and they have no virtual destructor.

#include "plat/api.h"
#include "plat/errors.h"
#include "plat/types.h"

#define STDMETHODCALLTYPE
#define STDAPI extern "C" PLATAPI HRESULT
#define STDMETHOD(method) virtual HRESULT method
#define STDMETHOD_(type, method) virtual type method
#define PURE = 0

// A GUID constant written the way the registry and the documentation print it.
#define VNT_GUID(l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    GUID { (uint32_t)(l), (uint16_t)(w1), (uint16_t)(w2), { b1, b2, b3, b4, b5, b6, b7, b8 } }

inline constexpr GUID GUID_NULL = VNT_GUID(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
inline constexpr IID IID_NULL = GUID_NULL;
inline constexpr CLSID CLSID_NULL = GUID_NULL;
inline constexpr IID IID_IUnknown = VNT_GUID(0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr IID IID_IClassFactory = VNT_GUID(0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

inline BOOL IsEqualGUID(REFGUID a, REFGUID b) { return a == b ? TRUE : FALSE; }
inline BOOL IsEqualIID(REFIID a, REFIID b) { return a == b ? TRUE : FALSE; }
inline BOOL IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b ? TRUE : FALSE; }

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};
typedef IUnknown* LPUNKNOWN;

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
    virtual HRESULT LockServer(BOOL fLock) = 0;
};
typedef IClassFactory* LPCLASSFACTORY;

// Writes the GUID as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with its terminator (39 units) and
// answers 39, or 0 when cchMax is too small.
PLATAPI int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
// Reads the braced form above (hex digits in either case); CO_E_CLASSSTRING when malformed.
PLATAPI HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
PLATAPI HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid);
// A new random GUID (version 4, variant 10).
PLATAPI HRESULT CoCreateGuid(GUID* pguid);
