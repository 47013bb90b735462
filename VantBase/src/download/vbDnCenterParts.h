#pragma once

// What the download centre's sources share: the queue entry, the cache entry and the small
// helpers of their checks.

#include "vbDnCenter.h"

#include "plat/time.h"

// A queue entry: it observes its object without a reference and yields nothing once the object
// is gone. The parity of the priority that queued it is kept (odd entries go back to odd lists).
// Final: the lists own entries as this type and delete them as this type, and the pointer bases
// have virtual members but no virtual destructor.
class vbDnCenter::TaskEntry final : public vbObsPtr<IvbDnObject, &IID_IvbDnObject> {
public:
    TaskEntry(IvbDnObject* obj, bool odd) : vbObsPtr(obj, true), m_odd(odd) {}
    bool IsOdd() const { return m_odd; }

private:
    bool m_odd;
};

struct vbDnCenter::CacheInfo {
    int id = 0;
    IvbDnObject* obj = nullptr; // not counted
    CacheInfo* newer = nullptr;
    CacheInfo* older = nullptr;
    vbDnCenter* center = nullptr;
    bool linked = false;
    LONG size = 0;
    int64_t lastUse = -1;
    bool cacheable = false;
    GUID clsid{};
    vbString url;
    int64_t key = 0;
};

namespace vbDnCenterParts {

constexpr HRESULT kTimeOut = static_cast<HRESULT>(0x800005B4u);

// The queries of a download object's second face.
inline sIvbDnInfo* infoOf(IvbDnObject* obj)
{
    void* p = nullptr;
    if (!obj->GetInterface(IID_sIvbDnInfo, &p) || !p)
        vbImpl::throwSys(E_NOINTERFACE, "vbDnCenter : object without interface sIvbDnInfo");
    return static_cast<sIvbDnInfo*>(p);
}

// Identity through IUnknown.
inline bool sameObject(IvbDnObject* a, IvbDnObject* b)
{
    if (a == b)
        return true;
    if (!a || !b)
        return false;
    vbRefQIPtr<IUnknown, &IID_IUnknown> ua(a, false);
    vbRefQIPtr<IUnknown, &IID_IUnknown> ub(b, false);
    return ua.Get() == ub.Get();
}

inline int64_t now() { return static_cast<int64_t>(GetTickCount64()); }

} // namespace vbDnCenterParts
