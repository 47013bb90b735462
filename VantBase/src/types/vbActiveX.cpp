// Walking the ActiveX controls of an OLE container.

#include "vbActiveX.h"

#include "vbException.h"

#include <cstring>

namespace {

typedef vbRefPtr<IUnknown, &IID_IUnknown> UnknownPtr;
typedef vbRefQIPtr<IOleObject, &IID_IOleObject> OleObjectPtr;
typedef vbRefPtr<IOleClientSite, &IID_IOleClientSite> ClientSitePtr;
typedef vbRefQIPtr<IOleControlSite, &IID_IOleControlSite> ControlSitePtr;
typedef vbRefPtr<IOleContainer, &IID_IOleContainer> ContainerPtr;

[[noreturn]] void throwNotStarted() { throw new vbEsys(E_FAIL, "vbActiveXenum not started"); }

// The extended control the container wraps an OLE object in; null when a step fails.
IDispatch* extenderOf(IOleObject* ole, vbDispatchPtr& ext)
{
    ClientSitePtr site;
    if (FAILED(ole->GetClientSite(site.Addr())) || site.IsNull())
        return nullptr;
    ControlSitePtr controlSite(site.Get(), false);
    if (controlSite.IsNull() || FAILED(controlSite->GetExtendedControl(ext.Addr())))
        return nullptr;
    return ext.Get();
}

} // namespace

// --- vbActiveXenum ---

vbActiveXenum::vbActiveXenum(const vbActiveXenum& en) : vbControl() { *this = en; }

vbActiveXenum& vbActiveXenum::operator=(const vbActiveXenum& en)
{
    if (this == &en)
        return *this;
    vbControl::operator=(en);
    if (!en.m_prEnum.IsNull()) {
        HRESULT hr = en.m_prEnum->Clone(m_prEnum.Addr());
        if (FAILED(hr))
            throw new vbEsys(hr, "Instruction 'en.m_prEnum->Clone(m_prEnum.Addr())' failed !");
    }
    return *this;
}

bool vbActiveXenum::Start(IOleClientSite* site, DWORD flags)
{
    if (!site)
        return false;
    ContainerPtr container;
    if (FAILED(site->GetContainer(container.Addr())) || container.IsNull())
        return false;
    return Start(container.Get(), flags);
}

bool vbActiveXenum::Start(IOleContainer* container, DWORD flags)
{
    if (!container)
        return false;
    vbEnumUnknownPtr en;
    if (FAILED(container->EnumObjects(flags, en.Addr())) || en.IsNull())
        return false;
    m_prEnum = en;
    return true;
}

bool vbActiveXenum::Next(vbDispatchPtr* pCtrl)
{
    if (m_prEnum.IsNull())
        throwNotStarted();
    for (;;) {
        UnknownPtr obj;
        ULONG fetched = 0;
        if (m_prEnum->Next(1, obj.Addr(), &fetched) != S_OK)
            return false;
        if (obj.IsNull())
            continue;
        bool found = false;
        OleObjectPtr ole(obj.Get(), false);
        if (ole.IsNull()) {
            if (m_ext.Bind(obj.Get(), false)) {
                found = m_ctl.Bind(obj.Get(), false);
                if (!found)
                    m_ext.Reset();
            }
        } else {
            vbDispatchPtr ext;
            IDispatch* extender = extenderOf(ole.Get(), ext);
            if (extender && m_ext.Bind(extender, false)) {
                found = m_ctl.Bind(static_cast<IUnknown*>(ole.Get()), false);
                if (!found)
                    m_ext.Reset();
            }
        }
        if (found) {
            if (pCtrl)
                *pCtrl = m_ctl.GetDispatch();
            return true;
        }
    }
}

void vbActiveXenum::Reset()
{
    vbControl::Reset();
    if (m_prEnum.IsNull())
        throwNotStarted();
    HRESULT hr = m_prEnum->Reset();
    if (FAILED(hr))
        throw new vbEsys(hr, "Instruction 'm_prEnum->Reset()' failed !");
}

bool vbActiveXenum::Find(const vbString& name, vbDispatchPtr* pCtrl, bool bFromStart)
{
    if (bFromStart)
        Reset();
    while (Next(nullptr)) {
        if (std::strcmp(GetCtrlName().c_str(), name.c_str()) == 0) {
            if (pCtrl)
                *pCtrl = m_ctl.GetDispatch();
            return true;
        }
    }
    return false;
}

void vbActiveXenum::FreeCtrl() { vbControl::Reset(); }

void vbActiveXenum::FreePtrs()
{
    vbControl::Reset();
    m_prEnum.Release();
}

void vbActiveXenum::Empty()
{
    vbControl::Empty();
    m_prEnum.Release();
}

// --- vbActiveXlist ---

vbActiveXlist::vbActiveXlist(const vbActiveXlist& o) : vbActiveXenum() { *this = o; }

vbActiveXlist& vbActiveXlist::operator=(const vbActiveXlist& o)
{
    if (this != &o) {
        vbActiveXenum::operator=(o);
        m_aCtrlNames = o.m_aCtrlNames;
    }
    return *this;
}

bool vbActiveXlist::Fill(CStringArray* pNames, CDWordArray* pIndexes, bool bFreePtrs)
{
    auto letGo = [this, bFreePtrs] {
        if (bFreePtrs)
            FreePtrs();
        else
            FreeCtrl();
    };
    try {
        vbActiveXenum::Reset();
        ClearList();
        while (Next(nullptr))
            AddCtrl(pNames, pIndexes);
    } catch (...) {
        letGo();
        throw;
    }
    letGo();
    return m_aCtrlNames.GetLength() > 0;
}

bool vbActiveXlist::AddCtrl(CStringArray* pNames, CDWordArray* pIndexes)
{
    vbString name = GetCtrlName();
    if (name.IsEmpty())
        return false;
    int i = m_aCtrlNames.Add(name);
    if (pNames)
        pNames->Add(name);
    if (pIndexes)
        pIndexes->Add(static_cast<DWORD>(i));
    return true;
}

bool vbActiveXlist::GetCtrl(int i, vbString* pName, vbDispatchPtr* pCtrl)
{
    if (i < 1 || i > m_aCtrlNames.GetLength())
        return false;
    vbString name = m_aCtrlNames[i];
    if (pCtrl && !Find(name, pCtrl, true))
        return false;
    if (pName)
        *pName = name;
    return true;
}

void vbActiveXlist::Reset()
{
    vbActiveXenum::Reset();
    ClearList();
}

void vbActiveXlist::Empty()
{
    vbActiveXenum::Empty();
    ClearList();
}
