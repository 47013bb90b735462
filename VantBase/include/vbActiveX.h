#pragma once

// Walking the ActiveX controls of an OLE container, listing their names, and registering control
// classes and component categories.

#include "vbDispatch.h"

#include "plat/afxcoll.h"
#include "plat/objidl.h"
#include "plat/oleidl.h"

typedef vbRefPtr<IEnumUnknown, &IID_IEnumUnknown> vbEnumUnknownPtr;

// The controls of a container in turn: each stop is an object whose extender answers "Name" and
// the extender binder's names, and whose own IDispatch answers the control binder's names.
class VBAPI vbActiveXenum : public vbControl {
public:
    vbActiveXenum() = default;
    vbActiveXenum(const vbActiveXenum& en);
    // Copies the binders and walks a clone of en's enumerator on its own; this one must not hold
    // an enumerator then.
    vbActiveXenum& operator=(const vbActiveXenum& en);

    // Enumerates the container's objects (OLECONTF_* flags); false when the site or container
    // refuses.
    bool Start(IOleClientSite* site, DWORD flags);
    bool Start(IOleContainer* container, DWORD flags);
    // Moves to the next control; pCtrl, when given, receives it. False at the end.
    bool Next(vbDispatchPtr* pCtrl = nullptr);
    // Back to the first object.
    void Reset();
    // The next control named exactly name (from the first one with bFromStart).
    bool Find(const vbString& name, vbDispatchPtr* pCtrl = nullptr, bool bFromStart = true);
    // Lets go of the current control.
    void FreeCtrl();
    // Lets go of the current control and the enumerator.
    void FreePtrs();
    void Empty();

protected:
    vbEnumUnknownPtr m_prEnum;
};

// The named controls of a container as a list numbered from 1.
class VBAPI vbActiveXlist : public vbActiveXenum {
public:
    vbActiveXlist() = default;
    vbActiveXlist(const vbActiveXlist& o);
    vbActiveXlist& operator=(const vbActiveXlist& o);

    // Lists every named control from the first one, also into pNames (the names) and pIndexes
    // (their positions) when given; true when one was listed at least. The binders are let go of
    // afterwards, and with bFreePtrs the enumerator too.
    bool Fill(CStringArray* pNames = nullptr, CDWordArray* pIndexes = nullptr, bool bFreePtrs = true);
    // Lists the current control unless its name is empty.
    bool AddCtrl(CStringArray* pNames, CDWordArray* pIndexes);
    using vbControl::GetCtrl;
    // Name i of the list and, when pCtrl is given, the control found again under that name.
    bool GetCtrl(int i, vbString* pName, vbDispatchPtr* pCtrl);
    int GetCount() const { return m_aCtrlNames.GetLength(); }
    void ClearList() { m_aCtrlNames.Empty(); }
    void Reset();
    void Empty();

protected:
    vbArray<vbString> m_aCtrlNames;
};

// Component categories, through the standard category manager (COM must be initialised on the
// thread). Failures throw vbEsys with the manager's HRESULT.
// The description is cut to 127 characters.
VBAPI void vbCreateComponentCategory(const GUID& catid, const WCHAR* description);
VBAPI void vbRegisterCLSIDInCategory(const GUID& clsid, const GUID& catid);
// Its result is not looked at.
VBAPI void vbUnRegisterCLSIDInCategory(const GUID& clsid, const GUID& catid);

// Writes the keys of an ActiveX control class of module under HKEY_CLASSES_ROOT: its ProgID key
// and "CLSID\{clsid}" with the server path, tool-box bitmap, misc-status bits, type library and
// version. The type name is string idTypeName of the module (the class text when it has none).
// Flag 1 of nRegFlags makes the class insertable, flag 2 apartment-threaded. Non-zero when everything was written; never throws.
VBAPI int vbOleRegisterControlClass(HINSTANCE module, const GUID& clsid, const char* progID, UINT idTypeName,
    UINT idBitmap, int nRegFlags, DWORD dwMiscStatus, const GUID& tlid, WORD wVerMajor, WORD wVerMinor);
