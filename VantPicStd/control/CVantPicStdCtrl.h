#pragma once

// The ActiveX control of the standard picture plug-in. It only makes the module a registrable
// in-process server: its dispatch and event interfaces have no members, it keeps no properties
// of its own, and it draws a plain ellipse.

#include "plat/afxctl.h"
#include "plat/gdi.h"

inline constexpr CLSID CLSID_VantPicStd =
    VNT_GUID(0x8726FE1A, 0xAE7E, 0x41D4, 0xBA, 0xE6, 0xAF, 0x99, 0x27, 0x81, 0xD7, 0x39);
inline constexpr IID IID__DVantPicStd =
    VNT_GUID(0x509DF71E, 0xB19E, 0x4856, 0xA2, 0x67, 0x92, 0xC2, 0xC0, 0x5F, 0x08, 0xBF);
inline constexpr IID IID__DVantPicStdEvents =
    VNT_GUID(0x8A8F40BD, 0xBE99, 0x4A0D, 0x91, 0x92, 0x1E, 0x75, 0xD9, 0xE3, 0x5E, 0x93);
inline constexpr GUID LIBID_VANTPICSTDLib =
    VNT_GUID(0x8BA72E57, 0x169A, 0x4B8B, 0x91, 0x0A, 0x58, 0x9B, 0x0D, 0x25, 0x91, 0x9D);

class CVantPicStdCtrl final : public COleControl {
public:
    // Version 5.0 of the properties.
    static constexpr DWORD kVersion = 0x50000;

    // Objects count themselves, so that the module knows whether it may be unloaded.
    CVantPicStdCtrl();

    // White bounds with an ellipse inscribed, in the context's own pen and brush.
    void OnDraw(HDC dc, const RECT& bounds);
    // The version, and no property of the control's own.
    void DoPropExchange(CPropExchange* pPX) override;
    // The control's window, once a container has had it made; nothing without one.
    void Enable() { enableWindow(TRUE); }
    void Disable() { enableWindow(FALSE); }

    // True while no control lives and no server lock is held.
    static bool CanUnloadNow();

private:
    ~CVantPicStdCtrl() override;
    void enableWindow(BOOL bEnable);
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
