#pragma once

// The framework's controls. A control is a window object and a COM object in one: it answers its
// dispatch interface, and the connection point of its event interface through which containers
// connect their sinks. Its persistent properties pass through a property exchange, one routine
// (DoPropExchange) serving save, load and reset.

#include "plat/afxwin.h"
#include "plat/ocidl.h"
#include "plat/oleauto.h"

#include <atomic>
#include <map>
#include <memory>
#include <string>

namespace plat::com {
class ConnectionPoint;
}

// A control's persistent properties by name, as a save leaves them and a load takes them. The
// framework keeps the version of the properties under "_Version".
using CPropSet = std::map<std::string, DWORD>;

class PLATAPI CPropExchange {
public:
    // A save writes into *pProps and a load reads from them; without a set, a reset: every
    // property takes its default.
    CPropExchange(CPropSet* pProps, BOOL bLoading);

    // TRUE for a load and for a reset.
    BOOL IsLoading() const { return m_bLoading; }
    // The version of the properties being exchanged, once ExchangeVersion has run.
    DWORD GetVersion() const { return m_dwVersion; }

    // A save writes dwVersionDefault (with bConvert) or dwVersionLoaded; a load reads the stored
    // version into dwVersionLoaded (dwVersionDefault when none is stored); a reset gives
    // dwVersionDefault.
    BOOL ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert);

private:
    CPropSet* m_pProps;
    BOOL m_bLoading;
    DWORD m_dwVersion = 0;
};

class PLATAPI COleControl : public CWnd, public IDispatch, public IConnectionPointContainer {
    DECLARE_DYNAMIC(COleControl)
public:
    // The COM object: counted from 1 (its creator's reference); the last Release deletes it, its
    // window included.
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // A dispatch interface without members.
    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

    // What a container's persistence runs: DoPropExchange saving into props, or loading from
    // them; either leaves the control unmodified.
    void SaveProperties(CPropSet& props);
    void LoadProperties(const CPropSet& props);

    // The control's properties, for every exchange; the framework's exchanges nothing.
    virtual void DoPropExchange(CPropExchange* pPX);
    // The framework's reset: DoPropExchange gives every property its default, and the control is
    // unmodified.
    virtual void OnResetState();

    // For DoPropExchange: the control's version of its properties.
    void ExchangeVersion(CPropExchange* pPX, DWORD dwVersionDefault, BOOL bConvert = TRUE);
    // The version of the properties last loaded (the default after a reset; 0 before either).
    DWORD GetVersionLoaded() const { return m_dwVersionLoaded; }

    void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }
    BOOL IsModified() const { return m_bModified; }

protected:
    // iidDispatch is answered with the dispatch face; iidEvents names the event interface.
    COleControl(REFIID iidDispatch, REFIID iidEvents);
    ~COleControl() override;

private:
    std::atomic<ULONG> m_refs{1};
    const IID m_iidDispatch;
    std::unique_ptr<plat::com::ConnectionPoint> m_eventPoint;
    DWORD m_dwVersionLoaded = 0;
    BOOL m_bModified = FALSE;
};
