#pragma once

// Component categories: the standard category manager (CLSID_StdComponentCategoriesMgr,
// created in process) keeps them under HKEY_CLASSES_ROOT: "Component Categories\{catid}" with
// one description per locale (value named by the locale in hex, e.g. "409"), and
// "CLSID\{clsid}\Implemented Categories\{catid}" / "Required Categories\{catid}" per class.

#include "plat/unknwn.h"

inline constexpr CLSID CLSID_StdComponentCategoriesMgr = VNT_GUID(0x0002E005, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr IID IID_ICatRegister = VNT_GUID(0x0002E012, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr IID IID_ICatInformation = VNT_GUID(0x0002E013, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr IID IID_IEnumGUID = VNT_GUID(0x0002E000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr IID IID_IEnumCATEGORYINFO = VNT_GUID(0x0002E011, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

typedef const CATID& REFCATID;

struct CATEGORYINFO {
    CATID catid;
    LCID lcid;
    OLECHAR szDescription[128];
};

struct IEnumGUID : IUnknown {
    virtual HRESULT Next(ULONG celt, GUID* rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT Skip(ULONG celt) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumGUID** ppenum) = 0;
};
typedef IEnumGUID IEnumCLSID;
typedef IEnumGUID IEnumCATID;

struct IEnumCATEGORYINFO : IUnknown {
    virtual HRESULT Next(ULONG celt, CATEGORYINFO* rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT Skip(ULONG celt) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumCATEGORYINFO** ppenum) = 0;
};

struct ICatRegister : IUnknown {
    virtual HRESULT RegisterCategories(ULONG cCategories, CATEGORYINFO rgCategoryInfo[]) = 0;
    virtual HRESULT UnRegisterCategories(ULONG cCategories, CATID rgcatid[]) = 0;
    virtual HRESULT RegisterClassImplCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) = 0;
    virtual HRESULT UnRegisterClassImplCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) = 0;
    virtual HRESULT RegisterClassReqCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) = 0;
    virtual HRESULT UnRegisterClassReqCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) = 0;
};

// The manager answers GetCategoryDesc and IsClassOfCategories; its enumerations answer E_NOTIMPL.
struct ICatInformation : IUnknown {
    virtual HRESULT EnumCategories(LCID lcid, IEnumCATEGORYINFO** ppenumCategoryInfo) = 0;
    virtual HRESULT GetCategoryDesc(REFCATID rcatid, LCID lcid, LPWSTR* pszDesc) = 0;
    virtual HRESULT EnumClassesOfCategories(ULONG cImplemented, const CATID rgcatidImpl[], ULONG cRequired,
        const CATID rgcatidReq[], IEnumGUID** ppenumClsid) = 0;
    virtual HRESULT IsClassOfCategories(REFCLSID rclsid, ULONG cImplemented, const CATID rgcatidImpl[],
        ULONG cRequired, const CATID rgcatidReq[]) = 0;
    virtual HRESULT EnumImplCategoriesOfClass(REFCLSID rclsid, IEnumGUID** ppenumCatid) = 0;
    virtual HRESULT EnumReqCategoriesOfClass(REFCLSID rclsid, IEnumGUID** ppenumCatid) = 0;
};
