#pragma once

// Late binding to OLE Automation objects. vbDispatch holds an IDispatch pointer and a list of
// member names, resolved to DISPIDs all at once by Bind; vbControl pairs the binder of an ActiveX
// control with the binder of its extender, the container's wrapper that carries its "Name".

#include "vbArray.h"
#include "vbBSTR.h"
#include "vbExport.h"
#include "vbPtr.h"
#include "vbString.h"

#include "plat/oleauto.h"

typedef vbRefPtr<IDispatch, &IID_IDispatch> vbDispatchPtr;

class VBAPI vbDispatch {
public:
    // With bWithName, "Name" is the first name of the list, ahead of those added.
    explicit vbDispatch(bool bWithName = false);
    // Bound at once (Bind with bThrow).
    vbDispatch(IDispatch* p, bool bWithName);
    vbDispatch(IUnknown* p, bool bWithName);
    vbDispatch(const vbDispatch& o);
    vbDispatch& operator=(const vbDispatch& o);
    virtual ~vbDispatch();

    // Appends a member name (through the ANSI code page) and answers its 1-based position. It is
    // resolved by the next Bind.
    int AddDispName(const vbString& name);
    // The DISPID of a name (exact case) or of a position, as the last Bind found it; a name never
    // added, or a binder not bound, throws the array's bad-index exception.
    DISPID GetDispId(const vbString& name) const;
    DISPID GetDispId(int n) const;
    // No reference is added for the caller. Throws vbEsys "vbDispatch not set" when unbound.
    IDispatch* GetDispatch() const;
    // The first member's value, called as a method or property get without arguments; "" unless
    // it answers text.
    vbString GetPropertyName();
    // Whether names of the caller's own are in the list (besides "Name").
    bool HasDispName() const;
    bool HasNameProperty() const { return m_bWithName; }
    // Also empties the name list.
    void SetHasNameProperty(bool bWithName);
    void ClearDispName();
    // Names, DISPIDs and pointer gone.
    void Empty();
    // DISPIDs and pointer gone; the names stay for the next Bind.
    void Reset();
    // Resolves every name on p and binds it. A null p, or a name p does not know, throws vbEsys
    // with bThrow and answers false without; the binder is then left as it was.
    bool Bind(IDispatch* p, bool bThrow = true);
    // p asked for IDispatch first.
    bool Bind(IUnknown* p, bool bThrow = true);

protected:
    // Position of name in the list (exact case); the count plus one when absent.
    int getDispNo(const vbString& name) const;
    void initArray();

    vbDispatchPtr m_prDisp;
    vbArray<vbBSTR> m_aNames;
    vbArray<DISPID> m_aDispIds;
    bool m_bWithName;
};

class VBAPI vbControl {
public:
    vbControl();

    // The control's own binder and its extender's (whose first name is "Name").
    vbDispatch& Ctl() { return m_ctl; }
    vbDispatch& Ext() { return m_ext; }
    const vbDispatch& Ctl() const { return m_ctl; }
    const vbDispatch& Ext() const { return m_ext; }
    IDispatch* GetCtrl() const { return m_ctl.GetDispatch(); }
    // The control's name as its container knows it.
    vbString GetCtrlName() { return m_ext.GetPropertyName(); }
    bool HasDispName() const { return m_ext.HasDispName() || m_ctl.HasDispName(); }
    void ClearDispName();
    void Empty();
    void Reset();

protected:
    vbDispatch m_ctl;
    vbDispatch m_ext;
};
