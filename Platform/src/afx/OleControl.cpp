#include "plat/afxctl.h"

#include "com/ConnectionPoint.h"

IMPLEMENT_DYNAMIC(COleControl, CWnd)

COleControl::COleControl(REFIID iidDispatch, REFIID iidEvents)
    : m_iidDispatch(iidDispatch), m_eventPoint(std::make_unique<plat::com::ConnectionPoint>(*this, iidEvents))
{
}

// The window goes before the parts of the object that its messages could reach.
COleControl::~COleControl()
{
    if (m_hWnd)
        DestroyWindow();
}

HRESULT COleControl::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == m_iidDispatch)
        *ppv = static_cast<IDispatch*>(this);
    else if (riid == IID_IConnectionPointContainer)
        *ppv = static_cast<IConnectionPointContainer*>(this);
    else
        *ppv = nullptr;
    if (!*ppv)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG COleControl::AddRef() { return ++m_refs; }

ULONG COleControl::Release()
{
    const ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT COleControl::GetTypeInfoCount(UINT* pctinfo)
{
    if (!pctinfo)
        return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT COleControl::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo)
{
    if (ppTInfo)
        *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT COleControl::GetIDsOfNames(REFIID, LPOLESTR*, UINT cNames, LCID, DISPID* rgDispId)
{
    for (UINT i = 0; rgDispId && i < cNames; ++i)
        rgDispId[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT COleControl::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT COleControl::EnumConnectionPoints(IEnumConnectionPoints** ppEnum)
{
    if (ppEnum)
        *ppEnum = nullptr;
    return E_NOTIMPL;
}

HRESULT COleControl::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP)
{
    if (!ppCP)
        return E_POINTER;
    *ppCP = nullptr;
    if (riid != m_eventPoint->Interface())
        return CONNECT_E_NOCONNECTION;
    m_eventPoint->AddRef();
    *ppCP = m_eventPoint.get();
    return S_OK;
}

void COleControl::SaveProperties(CPropSet& props)
{
    CPropExchange px(&props, FALSE);
    DoPropExchange(&px);
    m_bModified = FALSE;
}

void COleControl::LoadProperties(const CPropSet& props)
{
    CPropSet loaded = props;
    CPropExchange px(&loaded, TRUE);
    DoPropExchange(&px);
    m_bModified = FALSE;
}

void COleControl::DoPropExchange(CPropExchange*) {}

void COleControl::OnResetState()
{
    CPropExchange px(nullptr, TRUE);
    DoPropExchange(&px);
    m_bModified = FALSE;
}

void COleControl::ExchangeVersion(CPropExchange* pPX, DWORD dwVersionDefault, BOOL bConvert)
{
    pPX->ExchangeVersion(m_dwVersionLoaded, dwVersionDefault, bConvert);
}
