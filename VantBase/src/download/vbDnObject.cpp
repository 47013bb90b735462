// The out-of-line parts of the download-object template: its errors and its retry delays.

#include "vbDnObject.h"

namespace vbImpl {

void throwOtherDnCenter(const char* call)
{
    throwSys(E_FAIL, "%s(): object set to another download center", call);
}

void throwBadCacheId(const char* call, int given, int stored)
{
    throwSys(E_FAIL, "%s(): bad cache id (expected=%d,obj=%d)", call, given, stored);
}

void throwDnStopped(const vbString& url, bool inDestruction)
{
    throw new vbEdnUser(E_ABORT, "URL '" + url + "' download canceled...",
        vbString(inDestruction ? "vbTdnObject::CheckStopDnOp(m_bDestruction = true)"
                               : "vbTdnObject::CheckStopDnOp(m_bStopDnOp = true)"));
}

int dnRetryDelay(bool now, LONG retryLaterCount)
{
    if (now)
        return 1000;
    if (retryLaterCount <= 0)
        return 200;
    if (retryLaterCount <= 20)
        return 500;
    if (retryLaterCount <= 140)
        return 1000;
    return retryLaterCount <= 260 ? 2000 : 5000;
}

} // namespace vbImpl
