#pragma once

// The ActiveX control of the standard picture plug-in. It only makes the module a registrable
// in-process server: its dispatch interface has no members, and it draws a plain ellipse.

#include "plat/gdi.h"
#include "plat/oleauto.h"
#include "plat/window.h"

#include <atomic>

inline constexpr CLSID CLSID_VantPicStd =
    VNT_GUID(0x8726FE1A, 0xAE7E, 0x41D4, 0xBA, 0xE6, 0xAF, 0x99, 0x27, 0x81, 0xD7, 0x39);
inline constexpr IID IID__DVantPicStd =
    VNT_GUID(0x509DF71E, 0xB19E, 0x4856, 0xA2, 0x67, 0x92, 0xC2, 0xC0, 0x5F, 0x08, 0xBF);
inline constexpr GUID LIBID_VANTPICSTDLib =
    VNT_GUID(0x8BA72E57, 0x169A, 0x4B8B, 0x91, 0x0A, 0x58, 0x9B, 0x0D, 0x25, 0x91, 0x9D);

class CVantPicStdCtrl final : public IDispatch {
public:
    // Objects count themselves, so that the module knows whether it may be unloaded.
    CVantPicStdCtrl();
    CVantPicStdCtrl(const CVantPicStdCtrl&) = delete;
    CVantPicStdCtrl& operator=(const CVantPicStdCtrl&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // White bounds with an ellipse inscribed, in the context's own pen and brush.
    void OnDraw(HDC dc, const RECT& bounds);
    // The window the control is shown in, once a container has given it one.
    void SetWindow(HWND hWnd) { m_hWnd = hWnd; }
    void Enable() { enableWindow(TRUE); }
    void Disable() { enableWindow(FALSE); }

    // True while no control lives and no server lock is held.
    static bool CanUnloadNow();

private:
    ~CVantPicStdCtrl();
    void enableWindow(BOOL bEnable);

    std::atomic<ULONG> m_refs{1};
    HWND m_hWnd = nullptr;
};

// The class factory of the control: one static object per module, outside the counts.
class CVantPicStdCtrlFactory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
    HRESULT LockServer(BOOL fLock) override;
};
