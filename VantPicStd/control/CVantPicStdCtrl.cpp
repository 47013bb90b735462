#include "CVantPicStdCtrl.h"

namespace {

std::atomic<LONG> g_controls{0};
std::atomic<LONG> g_serverLocks{0};

} // namespace

CVantPicStdCtrl::CVantPicStdCtrl() { ++g_controls; }

CVantPicStdCtrl::~CVantPicStdCtrl() { --g_controls; }

HRESULT CVantPicStdCtrl::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID__DVantPicStd) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CVantPicStdCtrl::AddRef() { return ++m_refs; }

ULONG CVantPicStdCtrl::Release()
{
    ULONG left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

HRESULT CVantPicStdCtrl::GetTypeInfoCount(UINT* pctinfo)
{
    if (!pctinfo)
        return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT CVantPicStdCtrl::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo)
{
    if (ppTInfo)
        *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT CVantPicStdCtrl::GetIDsOfNames(REFIID, LPOLESTR*, UINT cNames, LCID, DISPID* rgDispId)
{
    for (UINT i = 0; rgDispId && i < cNames; ++i)
        rgDispId[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT CVantPicStdCtrl::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return DISP_E_MEMBERNOTFOUND;
}

void CVantPicStdCtrl::OnDraw(HDC dc, const RECT& bounds)
{
    FillRect(dc, &bounds, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    Ellipse(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
}

void CVantPicStdCtrl::enableWindow(BOOL bEnable)
{
    if (m_hWnd)
        EnableWindow(m_hWnd, bEnable);
}

bool CVantPicStdCtrl::CanUnloadNow() { return g_controls == 0 && g_serverLocks == 0; }

HRESULT CVantPicStdCtrlFactory::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT CVantPicStdCtrlFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject)
{
    if (!ppvObject)
        return E_POINTER;
    *ppvObject = nullptr;
    if (pUnkOuter)
        return CLASS_E_NOAGGREGATION;
    auto* control = new CVantPicStdCtrl;
    HRESULT hr = control->QueryInterface(riid, ppvObject);
    control->Release();
    return hr;
}

HRESULT CVantPicStdCtrlFactory::LockServer(BOOL fLock)
{
    fLock ? ++g_serverLocks : --g_serverLocks;
    return S_OK;
}
