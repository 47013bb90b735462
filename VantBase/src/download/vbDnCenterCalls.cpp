// The download centre's entry points, for the objects and pointers that call them: each forwards
// to g_vbDnCenter.

#include "vbDnCenter.h"

bool vbDnAsk(IvbDnObject* obj, vbDnOp op, const char* url, vbDnPriority priority, bool pump)
{
    return g_vbDnCenter.AskOp(obj, op, url, priority, pump);
}

bool vbDnAsk(sIvbDnPtr* p, vbDnOp op, vbDnPriority priority, bool pump, bool cacheCheck)
{
    // Before anyone uses the engines a load waits; the centre asks it again when it starts.
    if (op == vbDnLoad && g_vbEngineCenter.IsReady() && g_vbDnCenter.ParkPtr(p))
        return false;
    return g_vbDnCenter.AskOp(p, op, priority, pump, cacheCheck);
}

void vbDnUnpark(sIvbDnPtr* p) { g_vbDnCenter.UnparkPtr(p); }

bool vbDnWait(IvbDnObject* obj, vbDnOp op, int timeOutMs, bool pump) { return g_vbDnCenter.WaitOp(obj, op, timeOutMs, pump); }

bool vbDnCancel(IvbDnObject* obj, vbDnOp op, bool pump) { return g_vbDnCenter.CancelOp(obj, op, pump); }

bool vbDnCacheUpdate(IvbDnObject* obj, bool force) { return g_vbDnCenter.UpdateCacheInfo(obj, force); }

bool vbDnCacheRetrieve(const GUID& clsid, const vbString& url, int64_t key, vbRefPtr<IvbDnObject, &IID_IvbDnObject>* out,
    bool cacheableOnly)
{
    return g_vbDnCenter.RetrieveFromCache(clsid, url, key, out, cacheableOnly);
}

int vbDnCacheRetrieve(const GUID& clsid, const char* url, int64_t key,
    vbArray<vbRefPtr<IvbDnObject, &IID_IvbDnObject>, 1, 1>* out, bool cacheableOnly)
{
    return g_vbDnCenter.RetrieveFromCache(clsid, url, key, out, cacheableOnly);
}

bool vbDnCacheRemove(IvbDnObject* obj) { return g_vbDnCenter.RemoveFromCache(obj); }

int vbDnCacheRemove(const GUID& clsid, const char* url, int64_t key, bool cacheableOnly)
{
    return g_vbDnCenter.RemoveFromCache(clsid, url, key, cacheableOnly);
}

bool vbDnIsDlgUseLocked() { return g_vbDnCenter.IsDlgUseLocked(); }

bool vbDnIsDlgDispLocked() { return g_vbDnCenter.IsDlgDispLocked(); }
