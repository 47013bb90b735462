#pragma once

// Connection points: a client hands an object its sink of one of the object's outgoing (event)
// interfaces, and takes it back by the cookie the object gave.

#include "plat/types.h"
#include "plat/unknwn.h"

#define CONNECT_E_NOCONNECTION ((HRESULT)0x80040200u)
#define CONNECT_E_ADVISELIMIT ((HRESULT)0x80040201u)
#define CONNECT_E_CANNOTCONNECT ((HRESULT)0x80040202u)

inline constexpr IID IID_IConnectionPointContainer =
    VNT_GUID(0xB196B284, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
inline constexpr IID IID_IConnectionPoint =
    VNT_GUID(0xB196B286, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);

struct IConnectionPointContainer;
struct IEnumConnections;
struct IEnumConnectionPoints;

struct IConnectionPoint : IUnknown {
    virtual HRESULT GetConnectionInterface(IID* pIID) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) = 0;
    // The sink must answer the point's interface (else CONNECT_E_CANNOTCONNECT); the point holds a
    // reference to it until Unadvise (an unknown cookie: CONNECT_E_NOCONNECTION).
    virtual HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) = 0;
    virtual HRESULT Unadvise(DWORD dwCookie) = 0;
    // The platform's points offer no enumerator: E_NOTIMPL.
    virtual HRESULT EnumConnections(IEnumConnections** ppEnum) = 0;
};

struct IConnectionPointContainer : IUnknown {
    // E_NOTIMPL here, as EnumConnections.
    virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) = 0;
    // The point of that interface, counted; CONNECT_E_NOCONNECTION for an interface the object
    // does not call out through.
    virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) = 0;
};
