#pragma once

// The OLE container and site interfaces through which a host walks the controls it holds. Each
// is declared in its original order up to the last operation the system calls; an implementation
// in a module of this system provides exactly these.

#include "plat/objidl.h"

inline constexpr IID IID_IParseDisplayName = VNT_GUID(0x0000011A, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr IID IID_IOleContainer = VNT_GUID(0x0000011B, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr IID IID_IOleClientSite = VNT_GUID(0x00000118, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr IID IID_IOleObject = VNT_GUID(0x00000112, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr IID IID_IOleControlSite = VNT_GUID(0xB196B289, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);

// OLECONTF: which objects IOleContainer::EnumObjects lists.
#define OLECONTF_EMBEDDINGS 1
#define OLECONTF_LINKS 2
#define OLECONTF_OTHERS 4
#define OLECONTF_ONLYUSER 8
#define OLECONTF_ONLYIFRUNNING 16

struct IBindCtx;
struct IMoniker;

struct IParseDisplayName : IUnknown {
    virtual HRESULT ParseDisplayName(IBindCtx* pbc, LPOLESTR pszDisplayName, ULONG* pchEaten, IMoniker** ppmkOut) = 0;
};

struct IOleContainer : IParseDisplayName {
    virtual HRESULT EnumObjects(DWORD grfFlags, IEnumUnknown** ppenum) = 0;
    virtual HRESULT LockContainer(BOOL fLock) = 0;
};

struct IOleClientSite : IUnknown {
    virtual HRESULT SaveObject() = 0;
    virtual HRESULT GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) = 0;
    virtual HRESULT GetContainer(IOleContainer** ppContainer) = 0;
    virtual HRESULT ShowObject() = 0;
    virtual HRESULT OnShowWindow(BOOL fShow) = 0;
    virtual HRESULT RequestNewObjectLayout() = 0;
};

struct IOleObject : IUnknown {
    virtual HRESULT SetClientSite(IOleClientSite* pClientSite) = 0;
    virtual HRESULT GetClientSite(IOleClientSite** ppClientSite) = 0;
};

struct IOleControlSite : IUnknown {
    virtual HRESULT OnControlInfoChanged() = 0;
    virtual HRESULT LockInPlaceActive(BOOL fLock) = 0;
    virtual HRESULT GetExtendedControl(IDispatch** ppDisp) = 0;
};
