#include "com/ComObject.h"

#include "plat/testhooks.h"
#include "plat/urlmon.h"

#include <atomic>

namespace {

// Holds the callback that the downloads bound with it report to.
class BindContext final : public plat::com::ComObject<BindContext, IBindCtx> {
public:
    explicit BindContext(IBindStatusCallback* callback) : m_callback(callback)
    {
        if (m_callback)
            m_callback->AddRef();
    }

    void* face(REFIID riid) { return riid == IID_IBindCtx ? static_cast<IBindCtx*>(this) : nullptr; }

    ~BindContext()
    {
        if (m_callback)
            m_callback->Release();
    }

private:
    IBindStatusCallback* m_callback;
};

// The system's own code download. It has no network client, so every module URL is refused at
// once; nothing is left running that could report later.
class SystemCodeDownload final : public vntCodeDownloadService {
public:
    HRESULT CreateAsyncBindCtx(DWORD reserved, IBindStatusCallback* pBSCb, IEnumFORMATETC*, IBindCtx** ppBC) override
    {
        if (!ppBC)
            return E_INVALIDARG;
        *ppBC = nullptr;
        if (reserved != 0)
            return E_INVALIDARG;
        *ppBC = new BindContext(pBSCb);
        return S_OK;
    }

    HRESULT CoGetClassObjectFromURL(REFCLSID, LPCWSTR, DWORD, DWORD, LPCWSTR, IBindCtx*, DWORD, LPVOID, REFIID,
        LPVOID* ppv) override
    {
        if (!ppv)
            return E_INVALIDARG;
        *ppv = nullptr;
        return E_NOTIMPL;
    }
};

SystemCodeDownload g_systemDownload;
std::atomic<vntCodeDownloadService*> g_testDownload{nullptr};

vntCodeDownloadService& service()
{
    vntCodeDownloadService* replaced = g_testDownload.load();
    return replaced ? *replaced : g_systemDownload;
}

} // namespace

HRESULT CreateAsyncBindCtx(DWORD reserved, IBindStatusCallback* pBSCb, IEnumFORMATETC* pEFetc, IBindCtx** ppBC)
{
    return service().CreateAsyncBindCtx(reserved, pBSCb, pEFetc, ppBC);
}

HRESULT CoGetClassObjectFromURL(REFCLSID rclsid, LPCWSTR szCodeURL, DWORD dwFileVersionMS, DWORD dwFileVersionLS,
    LPCWSTR szTYPE, LPBINDCTX pBindCtx, DWORD dwClsContext, LPVOID pvReserved, REFIID riid, LPVOID* ppv)
{
    return service().CoGetClassObjectFromURL(rclsid, szCodeURL, dwFileVersionMS, dwFileVersionLS, szTYPE, pBindCtx,
        dwClsContext, pvReserved, riid, ppv);
}

void vntTestSetCodeDownload(vntCodeDownloadService* service) { g_testDownload.store(service); }
