#pragma once

// The connection point of one outgoing interface, a part of its container's object: it counts
// with the container and holds a reference to each connected sink until it is disconnected or
// the point goes.

#include "plat/ocidl.h"

#include <map>
#include <mutex>

namespace plat::com {

class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer& container, REFIID iid);
    ~ConnectionPoint();
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;

    const IID& Interface() const { return m_iid; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return m_container.AddRef(); }
    ULONG Release() override { return m_container.Release(); }

    HRESULT GetConnectionInterface(IID* pIID) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    HRESULT Unadvise(DWORD dwCookie) override;
    HRESULT EnumConnections(IEnumConnections** ppEnum) override;

private:
    IConnectionPointContainer& m_container;
    const IID m_iid;
    std::mutex m_lock;
    std::map<DWORD, IUnknown*> m_sinks;
    DWORD m_nextCookie = 1;
};

} // namespace plat::com
