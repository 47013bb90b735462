#include "CVantPicStdCtrl.h"

namespace {

std::atomic<LONG> g_controls{0};
std::atomic<LONG> g_serverLocks{0};

} // namespace

CVantPicStdCtrl::CVantPicStdCtrl() : COleControl(IID__DVantPicStd, IID__DVantPicStdEvents) { ++g_controls; }

CVantPicStdCtrl::~CVantPicStdCtrl() { --g_controls; }

void CVantPicStdCtrl::OnDraw(HDC dc, const RECT& bounds)
{
    FillRect(dc, &bounds, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    Ellipse(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
}

void CVantPicStdCtrl::DoPropExchange(CPropExchange* pPX) { ExchangeVersion(pPX, kVersion); }

void CVantPicStdCtrl::enableWindow(BOOL bEnable)
{
    if (m_hWnd)
        EnableWindow(bEnable);
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
