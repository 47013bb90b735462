#include "com/ConnectionPoint.h"

namespace plat::com {

ConnectionPoint::ConnectionPoint(IConnectionPointContainer& container, REFIID iid) : m_container(container), m_iid(iid)
{
}

ConnectionPoint::~ConnectionPoint()
{
    for (auto& [cookie, sink] : m_sinks)
        sink->Release();
}

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid != IID_IUnknown && riid != IID_IConnectionPoint) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* pIID)
{
    if (!pIID)
        return E_POINTER;
    *pIID = m_iid;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC)
{
    if (!ppCPC)
        return E_POINTER;
    m_container.AddRef();
    *ppCPC = &m_container;
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie)
{
    if (!pdwCookie)
        return E_POINTER;
    *pdwCookie = 0;
    if (!pUnkSink)
        return E_POINTER;
    void* sink = nullptr;
    if (FAILED(pUnkSink->QueryInterface(m_iid, &sink)) || !sink)
        return CONNECT_E_CANNOTCONNECT;
    std::lock_guard<std::mutex> lock(m_lock);
    *pdwCookie = m_nextCookie++;
    m_sinks[*pdwCookie] = static_cast<IUnknown*>(sink);
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD dwCookie)
{
    IUnknown* sink = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        auto at = m_sinks.find(dwCookie);
        if (at == m_sinks.end())
            return CONNECT_E_NOCONNECTION;
        sink = at->second;
        m_sinks.erase(at);
    }
    sink->Release();
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** ppEnum)
{
    if (ppEnum)
        *ppEnum = nullptr;
    return E_NOTIMPL;
}

} // namespace plat::com
