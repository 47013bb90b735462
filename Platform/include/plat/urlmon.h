#pragma once

// COM code download: a class object fetched from the URL of its module, installing or updating
// the module first when the installed one is older than the version asked. The download reports
// to the caller's bind status callback. Each interface is declared in its original order up to the
// last operation the system calls or implements.

#include "plat/oleidl.h"
#include "plat/types.h"

inline constexpr IID IID_IBindCtx = VNT_GUID(0x0000000E, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr IID IID_IBinding = VNT_GUID(0x79EAC9C0, 0xBAF9, 0x11CE, 0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B);
inline constexpr IID IID_IBindStatusCallback = VNT_GUID(0x79EAC9C1, 0xBAF9, 0x11CE, 0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B);
inline constexpr IID IID_IWindowForBindingUI = VNT_GUID(0x79EAC9D5, 0xBAFA, 0x11CE, 0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B);

// The download goes on in the background; the callback hears how it ends.
#define MK_S_ASYNCHRONOUS ((HRESULT)0x000401E8L)

// Bind flags answered through GetBindInfo.
#define BINDF_ASYNCHRONOUS 0x00000001
#define BINDF_GETNEWESTVERSION 0x00000010

#define BINDVERB_GET 0

// Progress states of a download, as OnProgress reports them.
#define BINDSTATUS_FINDINGRESOURCE 1
#define BINDSTATUS_CONNECTING 2
#define BINDSTATUS_REDIRECTING 3
#define BINDSTATUS_BEGINDOWNLOADDATA 4
#define BINDSTATUS_DOWNLOADINGDATA 5
#define BINDSTATUS_ENDDOWNLOADDATA 6
#define BINDSTATUS_BEGINDOWNLOADCOMPONENTS 7
#define BINDSTATUS_INSTALLINGCOMPONENTS 8
#define BINDSTATUS_ENDDOWNLOADCOMPONENTS 9

struct FORMATETC;
struct STGMEDIUM;
struct IEnumFORMATETC;

// What the caller asks of a binding. cbSize is set by the one who asks and says how much of the
// structure the answerer may fill.
struct BINDINFO {
    ULONG cbSize;
    LPWSTR szExtraInfo;
    DWORD grfBindInfoF;
    DWORD dwBindVerb;
    LPWSTR szCustomVerb;
    DWORD cbstgmedData;
};

// A bind context carries the callback of one download; the system only holds it.
struct IBindCtx : IUnknown {
};
typedef IBindCtx* LPBINDCTX;

// A running download.
struct IBinding : IUnknown {
    virtual HRESULT Abort() = 0;
};

struct IBindStatusCallback : IUnknown {
    virtual HRESULT OnStartBinding(DWORD dwReserved, IBinding* pib) = 0;
    virtual HRESULT GetPriority(LONG* pnPriority) = 0;
    virtual HRESULT OnLowResource(DWORD reserved) = 0;
    virtual HRESULT OnProgress(ULONG ulProgress, ULONG ulProgressMax, ULONG ulStatusCode, LPCWSTR szStatusText) = 0;
    virtual HRESULT OnStopBinding(HRESULT hresult, LPCWSTR szError) = 0;
    virtual HRESULT GetBindInfo(DWORD* grfBINDF, BINDINFO* pbindinfo) = 0;
    virtual HRESULT OnDataAvailable(DWORD grfBSCF, DWORD dwSize, FORMATETC* pformatetc, STGMEDIUM* pstgmed) = 0;
    virtual HRESULT OnObjectAvailable(REFIID riid, IUnknown* punk) = 0;
};

// Asked for the window that owns any user interface of a download.
struct IWindowForBindingUI : IUnknown {
    virtual HRESULT GetWindow(REFGUID rguidReason, HWND* phwnd) = 0;
};

// A bind context whose downloads report to pBSCb (held by the context). reserved must be 0.
PLATAPI HRESULT CreateAsyncBindCtx(DWORD reserved, IBindStatusCallback* pBSCb, IEnumFORMATETC* pEFetc,
    IBindCtx** ppBC);

// The class object of rclsid, its module fetched from szCodeURL when the one installed is older
// than dwFileVersionMS.dwFileVersionLS. S_OK with *ppv when the installed module is current,
// MK_S_ASYNCHRONOUS when a download goes on and reports to the context's callback, or a failure.
// The system has no network client: a URL it cannot fetch fails at once with E_NOTIMPL.
PLATAPI HRESULT CoGetClassObjectFromURL(REFCLSID rclsid, LPCWSTR szCodeURL, DWORD dwFileVersionMS,
    DWORD dwFileVersionLS, LPCWSTR szTYPE, LPBINDCTX pBindCtx, DWORD dwClsContext, LPVOID pvReserved, REFIID riid,
    LPVOID* ppv);
